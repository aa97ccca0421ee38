#pragma once

#include "clock/clock_question.h"
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
    ClockWindow();
    ~ClockWindow() override;

    // Sets a new question and starts its prompt.
    void Command1_Click();
    // Chooses a time, fills the answer labels and draws the face.
    void frm_dsp();
    // Judges answer label Index.
    void Label1_Click(qint16 Index);
    // One fresh question a second after loading.
    void Timer1_Timer();
    // The question prompt.
    void Timer2_Timer();
    // The spoken time after a right answer.
    void Timer3_Timer();
    // The window's size changed: the face is sized afresh.
    void Form_Resize();

    // The retained drawing surface the face is drawn on (the client area).
    const QImage &surface() const { return surface_; }

    std::array<ClickLabel *, 8> Label1{}; // answer labels; the lower row runs right to left
    QLabel *Label2 = nullptr;             // the chosen right answer
    QPushButton *Command1 = nullptr;      // "次(つぎ)"
    QTimer *Timer1 = nullptr;             // 1000 ms, running from load
    QTimer *Timer2 = nullptr;             // 1 ms, question prompt
    QTimer *Timer3 = nullptr;             // 1 ms, spoken time

    int ANS_NO = 0;       // index of the label that shows the asked time, 0 to 3
    QString HOUR_TXT;     // the asked hour, "1" to "12"
    QString MIN_TXT;      // the asked minute, "0" to "55"
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
    // One run of choosing, filling and drawing.
    void setQuestion();
    // Shows what is drawn of a question so far: its answer and labels.
    void showQuestion(const ClockQuestion &question);
    // Puts every control back as a window that was never used shows it.
    void resetControls();

    QImage surface_;
    bool settingQuestion_ = false;
    bool questionWanted_ = false;
};
