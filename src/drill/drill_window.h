#pragma once

#include "drill/drill_kind.h"
#include "drill/number_sitting.h"
#include "platform/click_label.h"
#include "sitting/sitting_form.h"

#include <QLabel>
#include <QList>
#include <QPushButton>
#include <QTimer>

#include <array>

// A number-drill window: one equation in large boxes, the number tiles that
// answer it, the clear count and the "次（つぎ）" button. The number drills
// are this one class, each configured by its row of the drill table.
class DrillWindow : public SittingForm
{
    Q_OBJECT
public:
    // The window of a number drill's row, writing its sittings to `log`.
    DrillWindow(const DrillTable::Entry &drill, const ResultsLog &log);
    ~DrillWindow() override;

    // The rules of the sitting the window shows.
    const NumberSitting &sitting() const { return sitting_; }

    // Poses a new question and starts its reading.
    void Command1_Click();
    // Judges tile Index as the answer to the open question.
    void Label6_Click(qint16 Index);
    // Reads the equation aloud when a reading is due.
    void Timer1_Timer();

    QLabel *Label7 = nullptr;             // "たす" / "ひく"
    QLabel *Label8 = nullptr;             // "は"
    std::array<QLabel *, 2> Label1{};     // first and second number
    QLabel *Label2 = nullptr;             // sign
    QLabel *Label4 = nullptr;             // "＝"
    QLabel *Label5 = nullptr;             // result
    QList<ClickLabel *> Label6;           // number tiles, 11 or 21
    QPushButton *Command1 = nullptr;      // "次（つぎ）"
    QTimer *Timer1 = nullptr;             // starts the reading once the window is idle

protected:
    void Form_Load() override;
    void Form_Unload() override;

private:
    // Puts every control back as a window that was never used shows it, so
    // a window loaded again starts afresh whatever the last sitting left.
    void resetControls();
    // Sets the boxes, the count and "次（つぎ）" as the sitting says.
    void showSitting();

    const DrillKind kind_;
    NumberSitting sitting_;
};
