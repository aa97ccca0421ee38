#include "clock/clock_window.h"

#include "clock/clock_face.h"
#include "platform/colours.h"
#include "platform/twips.h"
#include "sound/prompt_files.h"

#include <QCoreApplication>
#include <QPainter>
#include <QResizeEvent>

namespace {
const QString gothic = QStringLiteral("ＭＳ ゴシック");

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

ClockWindow::ClockWindow()
    : SittingForm(DrillTable::atMenuIndex(DrillTable::clockIndex), 6525, 8040, gothic)
{
    setFont(Twips::font(gothic, fontPoints));

    for (int i = 0; i < 8; ++i) {
        auto *label = new ClickLabel(this);
        label->setObjectName(QStringLiteral("Label1_%1").arg(i));
        label->setFont(Twips::font(gothic, 9.75));
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
    Label2->setFont(Twips::font(gothic, 12));
    Label2->setAlignment(Qt::AlignCenter);
    Colours::fill(Label2, Colours::yellow);
    Label2->setFrameShape(QFrame::Box);
    Label2->setLineWidth(1);
    place(Label2, 2520, 6480, 1455, 495);

    place(Label3, 4200, 7320, 2055, 495);

    Command1 = new QPushButton(QStringLiteral("次(つぎ)"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setAccessibleName(Command1->text());
    Command1->setFont(Twips::font(gothic, 9.75));
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
}

void ClockWindow::Form_Load()
{
    resetControls();
    startSitting();
    openSound();
    Command1_Click();
    Timer1->start();
}

void ClockWindow::Form_Unload()
{
    Timer1->stop();
    Timer2->stop();
    Timer3->stop();
    endSitting();
}

void ClockWindow::Command1_Click()
{
    frm_dsp();
    // The window may have been closed while the question was being set.
    if (isLoaded())
        Timer2->start();
}

void ClockWindow::frm_dsp()
{
    // Events handled while a question is being set (see setQuestion) may ask
    // for another one; it is set after this one is complete, never halfway
    // through it, so the labels and the face always belong to one question.
    if (settingQuestion_) {
        questionWanted_ = true;
        return;
    }
    settingQuestion_ = true;
    do {
        questionWanted_ = false;
        setQuestion();
    } while (questionWanted_);
    settingQuestion_ = false;
}

void ClockWindow::showQuestion(const ClockQuestion &question)
{
    ANS_NO = question.answerIndex;
    HOUR_TXT = QString::number(question.hour);
    MIN_TXT = QString::number(question.minute);
    for (int i = 0; i < 8; ++i) {
        if (!question.labels[i].isEmpty())
            setCaption(Label1[i], question.labels[i]);
    }
}

void ClockWindow::setQuestion()
{
    Label2->hide();
    for (ClickLabel *label : Label1)
        label->show();
    const ClockQuestion question = ClockQuestion::draw([this](const ClockQuestion &soFar) {
        // Clicks waiting meanwhile are judged against this question.
        showQuestion(soFar);
        QCoreApplication::processEvents();
    });
    showQuestion(question);
    ClockFace::draw(surface_, question.hour, question.minute, CLK_SIZE, font(), fontPoints,
                    isMinimized());
    update();
}

void ClockWindow::Label1_Click(qint16 Index)
{
    if (Index < 0 || Index >= static_cast<qint16>(Label1.size()) || Label1[Index]->isHidden())
        return;
    if (Index != ANS_NO) {
        play(PromptFiles::fixed(PromptFiles::NG));
        return;
    }
    setCaption(Label2, Label1[Index]->text());
    Label2->show();
    for (ClickLabel *label : Label1)
        label->hide();
    repaint();
    play(PromptFiles::fixed(PromptFiles::OK));
    countRightAnswer();
    Timer3->start();
}

void ClockWindow::Timer1_Timer()
{
    Timer1->stop();
    frm_dsp();
}

void ClockWindow::Timer2_Timer()
{
    Command1->setEnabled(false);
    Timer2->stop();
    repaint();
    play(PromptFiles::fixed(PromptFiles::WHAT_TIME));
    Command1->setVisible(Command1->isHidden());
    Command1->setEnabled(true);
}

void ClockWindow::Timer3_Timer()
{
    Command1->setEnabled(false);
    Timer3->stop();
    repaint();
    play(PromptFiles::forWord(HOUR_TXT));
    play(PromptFiles::fixed(PromptFiles::HOUR));
    play(PromptFiles::forWord(MIN_TXT));
    play(PromptFiles::fixed(PromptFiles::MINUTE));
    Command1->setVisible(Command1->isHidden());
    Command1->setEnabled(true);
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
