#pragma once

#include "drill/drill_kind.h"
#include "platform/click_label.h"
#include "platform/form.h"
#include "sound/sound_device.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QList>
#include <QPushButton>
#include <QTimer>

#include <array>
#include <memory>

// A number-drill window: one equation in large boxes, the number tiles that
// answer it, the clear count and the "次（つぎ）" button. The six drills are
// this one class, each configured by its DrillKind. A sitting runs from load
// to close; its count of right answers is written as one results row at close.
class DrillWindow : public Form
{
    Q_OBJECT
public:
    // windowName: "たしざん10", "たして10", "たしざん20", "ひきざん10", "ひいて10", "ひきざん20".
    explicit DrillWindow(const QString &windowName);
    ~DrillWindow() override;

    const DrillKind &kind() const { return kind_; }

    // Poses a new question and starts its reading.
    void Command1_Click();
    // Judges tile Index as the answer to the open question.
    void Label6_Click(qint16 Index);
    // Reads the equation aloud and shows or hides "次（つぎ）".
    void Timer1_Timer();

    // Controls, named as the window was designed.
    QLabel *Label7 = nullptr;             // "たす" / "ひく"
    QLabel *Label8 = nullptr;             // "は"
    std::array<QLabel *, 2> Label1{};     // first and second number
    QLabel *Label2 = nullptr;             // sign
    QLabel *Label4 = nullptr;             // "＝"
    QLabel *Label5 = nullptr;             // result
    QList<ClickLabel *> Label6;           // number tiles, 11 or 21
    QLabel *Label3 = nullptr;             // clear count
    QPushButton *Command1 = nullptr;      // "次（つぎ）"
    QTimer *Timer1 = nullptr;             // starts the reading once the window is idle
    std::unique_ptr<SoundDevice> MMControl1;

    // Right answers of this sitting.
    int CLEAR_CNT = 0;

    static const QColor paleYellow;  // RGB(255,255,128): number boxes
    static const QColor lightOrange; // RGB(255,192,128): tiles
    static const QColor yellow;      // RGB(255,255,0): clear count

protected:
    void Form_Load() override;
    void Form_Unload() override;

private:
    // Sets a label's text and keeps its accessible name in step.
    static void setCaption(QLabel *label, const QString &text);
    // Puts every control back as designed, as a fresh load finds it.
    void resetControls();
    DrillKind::Equation shownEquation() const;
    void showEquation(const DrillKind::Equation &equation);
    QLabel *box(DrillKind::Box which) const;
    void play(const QString &path);
    // True while a shown window is not yet on the screen, for a short while.
    bool waitingForScreen();

    static constexpr qint64 maxScreenWaitMs = 1000;
    QElapsedTimer screenWait_;

    const DrillKind &kind_;
};
