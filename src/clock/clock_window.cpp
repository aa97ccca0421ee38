#include "clock/clock_window.h"

#include "clock/clock_face.h"
#include "platform/colours.h"
#include "platform/fonts.h"
#include "platform/project_globals.h"
#include "platform/twips.h"

#include <QCoreApplication>
#include <QPainter>
#include <QResizeEvent>

namespace {

struct Place
{
    double left;
    double top;
};

// Answer labels by index: the upper row left to right, the lower row right to
// left, so that the fifth label stands under the fourth and the last under
// the first.
constexpr Place answerPlaces[8] = {
    {240, 6120}, {1800, 6120}, {3360, 6120}, {4920, 6120},
    {4920, 6720}, {3360, 6720}, {1800, 6720}, {240, 6720},
};
constexpr double answerWidth = 1335;
constexpr double answerHeight = 405;
} // namespace

ClockWindow::ClockWindow(const DrillTable::Entry &drill, const ResultsLog &log)
    : SittingForm(drill, log, 6525, 8040, Fonts::gothic),
      sitting_([this] {
          // While a wrong time is drawn again, pending events are handled:
          // the child's clicks, against the question still on the screen
          // (次 disabled meanwhile). The timers hold their work until the new
          // question is set and drawn.
          showSitting();
          QCoreApplication::processEvents();
      })
{
    setFont(Twips::font(Fonts::gothic, fontPoints));

    for (int i = 0; i < 8; ++i) {
        auto *label = new ClickLabel(this);
        label->setObjectName(QStringLiteral("Label1_%1").arg(i));
        label->setFont(Twips::font(Fonts::gothic, 9.75));
        Colours::fill(label, Colours::lightOrange);
        label->setFrameShape(QFrame::Box);
        label->setLineWidth(1);
        place(label, answerPlaces[i].left, answerPlaces[i].top, answerWidth, answerHeight);
        const auto index = static_cast<qint16>(i);
        connect(label, &ClickLabel::clicked, this, [this, index] { Label1_Click(index); });
        Label1[i] = label;
    }

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(Twips::font(Fonts::gothic, 12));
    Label2->setAlignment(Qt::AlignCenter);
    Colours::fill(Label2, Colours::yellow);
    Label2->setFrameShape(QFrame::Box);
    Label2->setLineWidth(1);
    place(Label2, 2520, 6480, 1455, 495);

    Command1 = new QPushButton(QStringLiteral("次(つぎ)"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setAccessibleName(Command1->text());
    Command1->setFont(Twips::font(Fonts::gothic, 9.75));
    place(Command1, 2640, 7320, 1215, 495);
    connect(Command1, &QPushButton::clicked, this, &ClockWindow::Command1_Click);

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &ClockWindow::Timer1_Timer);
    Timer2 = new QTimer(this);
    Timer2->setInterval(1);
    connect(Timer2, &QTimer::timeout, this, &ClockWindow::Timer2_Timer);
    Timer3 = new QTimer(this);
    Timer3->setInterval(1);
    connect(Timer3, &QTimer::timeout, this, &ClockWindow::Timer3_Timer);

    resetControls();

    // The window's size is fixed and known now: report it at once rather than
    // at the first show, so the face set at load is drawn at its full size
    // (a report after loading would clear it again until the next question).
    QResizeEvent sized(size(), QSize());
    QCoreApplication::sendEvent(this, &sized);
    setAttribute(Qt::WA_PendingResizeEvent, false);
}

ClockWindow::~ClockWindow() = default;

void ClockWindow::resetControls()
{
    Timer1->stop();
    Timer2->stop();
    Timer3->stop();
    for (ClickLabel *label : Label1) {
        setCaption(label, QStringLiteral("Label1"));
        label->hide();
    }
    setCaption(Label2, QStringLiteral("Label2"));
    Label2->hide();
    setCaption(Label3, QStringLiteral("Label3"));
    Command1->show();
    Command1->setEnabled(true);
    drawnQuestion_ = -1;
}

void ClockWindow::Form_Load()
{
    resetControls();
    startSitting();
    openSound();
    const Sitting::Step posed = sitting_.load(monotonicMs(), ProjectGlobals::instance().askMissedAgain);
    if (!posed.due)
        return; // closed, or loaded again, while its question was drawn
    frm_dsp();
    Timer2->start();
    Timer1->start();
}

void ClockWindow::Form_Unload()
{
    Timer1->stop();
    Timer2->stop();
    Timer3->stop();
    endSitting(sitting_.close());
}

void ClockWindow::Command1_Click()
{
    const Sitting::Step posed = sitting_.next();
    if (!isLoaded())
        return; // closed while the question was drawn
    frm_dsp();
    if (posed.due)
        Timer2->start();
}

void ClockWindow::frm_dsp()
{
    showSitting();
    if (drawnQuestion_ == sitting_.questionsSet())
        return;
    drawnQuestion_ = sitting_.questionsSet();
    const ClockSitting::Shown shown = sitting_.shown();
    ClockFace::draw(surface_, shown.hour, shown.minute, CLK_SIZE, font(), fontPoints, isMinimized());
    update();
}

void ClockWindow::showSitting()
{
    const ClockSitting::Shown shown = sitting_.shown();
    for (size_t i = 0; i < Label1.size(); ++i) {
        setCaption(Label1[i], shown.labels[i]);
        Label1[i]->setVisible(shown.labelsVisible);
    }
    setCaption(Label2, shown.answer);
    Label2->setVisible(shown.answerVisible);
    showCount(sitting_.CLEAR_CNT());
    Command1->setVisible(shown.nextVisible);
    Command1->setEnabled(shown.nextEnabled);
}

void ClockWindow::Label1_Click(qint16 Index)
{
    const Sitting::Step judged = sitting_.label(Index);
    showSitting();
    if (judged.due)
        repaint(); // the chosen time is on the screen with the chime
    say(judged.say);
    if (judged.due)
        Timer3->start();
}

void ClockWindow::Timer1_Timer()
{
    if (sitting_.drawingQuestion())
        return; // comes again once the question being drawn is set
    Timer1->stop();
    sitting_.freshQuestionDue();
    if (isLoaded())
        frm_dsp();
}

void ClockWindow::Timer2_Timer()
{
    // A timer that fires while a question is being drawn keeps running: its
    // prompt comes once the question is set and drawn, never over a half-set one.
    if (sitting_.drawingQuestion())
        return;
    const std::optional<Sitting::Step> prompt = sitting_.promptDue(isOnScreen(), monotonicMs());
    if (!prompt)
        return; // the first prompt waits for the window to reach the screen
    Timer2->stop();
    speak(prompt->say);
}

void ClockWindow::Timer3_Timer()
{
    if (sitting_.drawingQuestion())
        return;
    Timer3->stop();
    speak(sitting_.readingDue().say);
}

void ClockWindow::speak(const QStringList &prompts)
{
    if (prompts.isEmpty())
        return;
    showSitting();
    repaint(); // what is asked or read is on the screen before it is heard
    say(prompts);
    sitting_.spoken();
    showSitting();
}

void ClockWindow::Form_Resize()
{
    frm_size();
}

void ClockWindow::frm_size()
{
    const qreal ratio = devicePixelRatioF();
    if (surface_.deviceIndependentSize() != QSizeF(size()) || surface_.devicePixelRatio() != ratio) {
        surface_ = QImage(size() * ratio, QImage::Format_RGB32);
        surface_.setDevicePixelRatio(ratio);
    }
    ClockFace::clear(surface_);
    const double w = Twips::toTwips(width());
    const double h = Twips::toTwips(height());
    CLK_SIZE = w > h ? h : w;
    update();
}

void ClockWindow::resizeEvent(QResizeEvent *event)
{
    SittingForm::resizeEvent(event);
    Form_Resize();
}

void ClockWindow::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawImage(QPointF(0, 0), surface_);
}
