#pragma once

#include "platform/click_label.h"
#include "platform/form.h"
#include "sound/sound_device.h"

#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QTimer>

#include <array>
#include <memory>

// The clock-reading drill "とけい": an analogue clock face and eight written
// times below it, one of which is the time shown. A voice asks the time, the
// child clicks a label; the right one is counted and the time is read aloud.
// A sitting runs from load to close; its count of right answers is written as
// one results row at close.
class ClockWindow : public Form
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

    // Controls, named as the window was designed.
    std::array<ClickLabel *, 8> Label1{}; // answer labels; the lower row runs right to left
    QLabel *Label2 = nullptr;             // the chosen right answer
    QLabel *Label3 = nullptr;             // clear count
    QPushButton *Command1 = nullptr;      // "次(つぎ)"
    QTimer *Timer1 = nullptr;             // 1000 ms, running from load
    QTimer *Timer2 = nullptr;             // 1 ms, question prompt
    QTimer *Timer3 = nullptr;             // 1 ms, spoken time
    std::unique_ptr<SoundDevice> MMControl1;

    // Sitting state.
    int CLEAR_CNT = 0;
    int ANS_NO = 0;       // index of the label that shows the asked time, 0 to 3
    QString HOUR_TXT;     // the asked hour, "1" to "12"
    QString MIN_TXT;      // the asked minute, "0" to "55"
    double CLK_SIZE = 0;  // clock size in twips; 0 until the size is first known

    // The window font's size in points; it also sizes the dots and label offsets.
    static constexpr double fontPoints = 14.25;

    static const QColor lightOrange; // RGB(255,192,128): answer labels
    static const QColor yellow;      // RGB(255,255,0): chosen answer, clear count

    // An answer-label text: "3じ15ふん", "12じ0ふん".
    static QString timeText(int hour, int minute);

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
    static int drawHour();
    static int drawMinute();
    static void setCaption(QLabel *label, const QString &text);
    // Puts every control back as designed, as a fresh load finds it.
    void resetControls();
    void play(const QString &path);

    QImage surface_;
    bool settingQuestion_ = false;
    bool questionWanted_ = false;
};
