#pragma once

#include <QLabel>

// A label that can be clicked, like the tiles and answer labels of the drills.
// A click is a press and a release of the left button inside the label.
class ClickLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ClickLabel(QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool pressed_ = false;
};
