#pragma once

#include "platform/form.h"
#include "store/jet_carry_over.h"
#include "store/jet_file.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

// The window that shows a results file of the old format being looked at and
// carried over: the step, the rows read so far, and キャンセル. It appears
// only when the work takes long enough to be seen; its close box cancels too,
// and so does a signal that asks the program to end (which then ends once
// the work has wound down, at done()).
class CarryOverWindow : public Form
{
    Q_OBJECT
public:
    explicit CarryOverWindow(const QString &fileName);
    ~CarryOverWindow() override;

    // What looking at the file's tables reports and asks.
    JetFile::Watch looking();
    // What carrying it over reports and asks.
    JetCarryOver::Progress carrying();
    // The work is over: the window goes, or never comes.
    void done();

    QLabel *Label1 = nullptr;       // the step
    QLabel *Label2 = nullptr;       // rows read
    QPushButton *Command1 = nullptr; // "キャンセル"

protected:
    void Form_Unload() override;

private:
    void show(const QString &step, const QString &rows);
    // Work begins: a signal to end waits for it to wind down.
    void begin();
    bool cancelled() const;

    QString fileName_;
    QTimer showSoon_;
    bool cancelled_ = false;
    bool working_ = false;
};
