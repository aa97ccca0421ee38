#pragma once

#include "clock/clock_sitting.h"
#include "platform/click_label.h"
#include "sitting/sitting_form.h"

#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QTimer>

#include <array>

// The clock-reading drill: an analogue clock face and eight written times
// below it, one of which is the time shown. A voice asks the time, the child
// clicks a label; the right one is counted and the time is read aloud.
class ClockWindow : public SittingForm
{
    Q_OBJECT
public:
    // The window of the clock's row of the drill table, writing its sittings to `log`.
    ClockWindow(const DrillTable::Entry &drill, const ResultsLog &log);
    ~ClockWindow() override;

    // Sets a new question and starts its prompt.
    void Command1_Click();
    // Fills the answer labels as the sitting says, and draws the face when
    // its question is new.
    void frm_dsp();
    // Judges answer label Index.
    void Label1_Click(qint16 Index);
    // A second after loading: the sitting's fresh question, if it still wants one.
    void Timer1_Timer();
    // The question prompt.
    void Timer2_Timer();
    // The answered time read aloud.
    void Timer3_Timer();
    // The window's size changed: the face is sized afresh.
    void Form_Resize();

    // The rules of the sitting the window shows.
    const ClockSitting &sitting() const { return sitting_; }

    std::array<ClickLabel *, 8> Label1{}; // answer labels; the lower row runs right to left
    QLabel *Label2 = nullptr;             // the chosen right answer
    QPushButton *Command1 = nullptr;      // "次(つぎ)"
    QTimer *Timer1 = nullptr;             // 1000 ms, running from load
    QTimer *Timer2 = nullptr;             // 1 ms, question prompt
    QTimer *Timer3 = nullptr;             // 1 ms, spoken time

    double CLK_SIZE = 0;  // clock size in twips; 0 until the size is first known

    // The window font's size in points; it also sizes the dots and label offsets.
    static constexpr double fontPoints = 14.25;

protected:
    void Form_Load() override;
    void Form_Unload() override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Clears the surface and sets CLK_SIZE from the client size.
    void frm_size();
    // Sets the labels, the chosen answer, the count and "次(つぎ)" as the
    // sitting says.
    void showSitting();
    // Plays a prompt or reading with what it is about on the screen, then
    // tells the sitting it has ended.
    void speak(const QStringList &prompts);
    // Puts every control back as a window that was never used shows it.
    void resetControls();

    ClockSitting sitting_;
    QImage surface_;
    int drawnQuestion_ = -1; // the sitting's question the face shows
};
