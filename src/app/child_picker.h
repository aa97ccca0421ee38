#pragma once

#include "platform/form.h"

#include <QLabel>
#include <QPushButton>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// "だれが れんしゅうする？": the window a family's start opens on when two or
// more children practise on the computer. One big button per name, the child
// chosen last has the focus, shown plainly (yellow, with a thick red frame),
// and the keyboard works (the arrow keys or Tab to move, Enter or Space to
// choose); a screen reader names each button by the child's name. A child
// whose folder cannot be used is shown greyed, and can still be chosen (the
// start then says what is wrong). A small button below opens the parents'
// corner.
class ChildPicker : public Form
{
    Q_OBJECT
public:
    // question: what the window asks ("だれが れんしゅうする？", or the
    // chart's "だれの グラフを みる？"); names in the list's order; focused:
    // the child chosen last (-1: none).
    // focused: the name that has the focus, or noneChosen (a school's PC,
    // where the last child's name is never offered to the next).
    static constexpr int noneChosen = -2;
    // troubled: for each name, whether the child's folder cannot be used.
    ChildPicker(const QString &question, const QStringList &names, int focused, const QList<bool> &troubled = {});
    ~ChildPicker() override;

    // The names shown afresh, after a parent changed the children.
    void setNames(const QStringList &names, int focused, const QList<bool> &troubled = {});
    // Shows the window and waits: the index of the child chosen, or nothing
    // when the window is closed. onParents runs, while the picker waits, each
    // time the parents' button is pressed.
    std::optional<int> choose(const std::function<void()> &onParents);

    QLabel *Label1 = nullptr;            // the question
    std::vector<QPushButton *> Command1; // one per child
    QPushButton *Command2 = nullptr;     // "おうちのかたへ"

signals:
    void chosen(int index);

protected:
    // The arrow keys on a name's button walk the names: down and up in a
    // column, right and left to the next column.
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QWidget *names_ = nullptr;
    int perColumn_ = 6;
};
