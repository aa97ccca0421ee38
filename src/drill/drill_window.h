#pragma once

#include "drill/drill_kind.h"
#include "platform/click_label.h"
#include "sitting/sitting_form.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QList>
#include <QPushButton>
#include <QTimer>

#include <array>

// A number-drill window: one equation in large boxes, the number tiles that
// answer it, the clear count and the "次（つぎ）" button. The six drills are
// this one class, each configured by its DrillKind.
class DrillWindow : public SittingForm
{
    Q_OBJECT
public:
    explicit DrillWindow(const DrillKind &kind);
    ~DrillWindow() override;

    const DrillKind &kind() const { return kind_; }

    // Poses a new question and starts its reading.
    void Command1_Click();
    // Judges tile Index as the answer to the open question.
    void Label6_Click(qint16 Index);
    // Reads the equation aloud and shows or hides "次（つぎ）".
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
    DrillKind::Equation shownEquation() const;
    void showEquation(const DrillKind::Equation &equation);
    QLabel *box(DrillKind::Box which) const;
    // True while a shown window is not yet on the screen, for a short while.
    bool waitingForScreen();

    static constexpr qint64 maxScreenWaitMs = 1000;
    QElapsedTimer screenWait_;

    const DrillKind &kind_;
};
