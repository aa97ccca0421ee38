#include "drill/drill_window.h"

#include "platform/colours.h"
#include "platform/fonts.h"
#include "platform/project_globals.h"
#include "platform/twips.h"

#include <QFrame>

namespace {

constexpr double tileLeft = 600;
constexpr double tileStep = 720;
constexpr double tileWidth = 615;
constexpr double tileHeight = 495;
constexpr double firstRowTop = 3120;
constexpr double secondRowTop = 3720;
constexpr int tilesPerRow = 11;
// A second row of tiles makes the window taller and moves 次 down with it.
bool twoRows(const DrillKind &kind)
{
    return kind.tileCount() > tilesPerRow;
}
} // namespace

DrillWindow::DrillWindow(const DrillTable::Entry &drill, const ResultsLog &log)
    : SittingForm(drill, log, 9090, twoRows(DrillKind(drill)) ? 5385 : 4815, Fonts::pGothic),
      kind_(drill), sitting_(kind_)
{
    // Words and signs stand on the green background; boxes fill their own colour.
    auto makeLabel = [this](const QString &name, double points, const QColor *fill) {
        auto *label = new QLabel(this);
        label->setObjectName(name);
        label->setAlignment(Qt::AlignCenter);
        label->setFont(Twips::font(Fonts::pGothic, points));
        if (fill)
            Colours::fill(label, *fill);
        return label;
    };

    Label7 = makeLabel(QStringLiteral("Label7"), 12, nullptr);
    place(Label7, 2400, 600, 1215, 255);
    Label8 = makeLabel(QStringLiteral("Label8"), 12, nullptr);
    place(Label8, 5400, 600, 1215, 255);
    Label1[0] = makeLabel(QStringLiteral("Label1_0"), 48, &Colours::paleYellow);
    place(Label1[0], 840, 1200, 1335, 1095);
    Label2 = makeLabel(QStringLiteral("Label2"), 48, nullptr);
    place(Label2, 2520, 1200, 975, 1095);
    Label1[1] = makeLabel(QStringLiteral("Label1_1"), 48, &Colours::paleYellow);
    place(Label1[1], 3840, 1200, 1335, 1095);
    Label4 = makeLabel(QStringLiteral("Label4"), 48, nullptr);
    place(Label4, 5520, 1200, 975, 1095);
    Label5 = makeLabel(QStringLiteral("Label5"), 48, &Colours::paleYellow);
    place(Label5, 6840, 1200, 1335, 1095);

    for (int i = 0; i < kind_.tileCount(); ++i) {
        auto *tile = new ClickLabel(this);
        tile->setObjectName(QStringLiteral("Label6_%1").arg(i));
        tile->setFont(Twips::font(Fonts::pGothic, 24));
        Colours::fill(tile, Colours::lightOrange);
        tile->setFrameStyle(QFrame::Box | QFrame::Plain);
        tile->setLineWidth(1);
        const int column = i < tilesPerRow ? i : i - tilesPerRow;
        place(tile, tileLeft + tileStep * column, i < tilesPerRow ? firstRowTop : secondRowTop,
              tileWidth, tileHeight);
        const auto index = static_cast<qint16>(i);
        connect(tile, &ClickLabel::clicked, this, [this, index] { Label6_Click(index); });
        Label6.append(tile);
    }

    Command1 = new QPushButton(this);
    Command1->setObjectName(QStringLiteral("Command1"));
    place(Command1, 3720, twoRows(kind_) ? 4440 : 3840, 1575, 735);
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1);
    connect(Timer1, &QTimer::timeout, this, &DrillWindow::Timer1_Timer);

    resetControls();
}

DrillWindow::~DrillWindow() = default;

void DrillWindow::resetControls()
{
    Timer1->stop();
    setCaption(Label7, kind_.smallWord());
    setCaption(Label8, QStringLiteral("は"));
    setCaption(Label2, kind_.sign());
    setCaption(Label4, DrillKind::equalsSign);
    const DrillKind::Equation initial = kind_.initialEquation();
    setCaption(Label1[0], initial.first);
    setCaption(Label1[1], initial.second);
    setCaption(Label5, initial.result);
    for (ClickLabel *tile : Label6)
        setCaption(tile, QStringLiteral("10"));
    setCaption(Label3, QStringLiteral("Label3"));
    Command1->setText(QStringLiteral("次（つぎ）"));
    Command1->setAccessibleName(Command1->text());
    Command1->setEnabled(true);
    Command1->setVisible(true);
}

void DrillWindow::showSitting()
{
    const NumberSitting::Shown shown = sitting_.shown();
    setCaption(Label1[0], shown.equation.first);
    setCaption(Label1[1], shown.equation.second);
    setCaption(Label5, shown.equation.result);
    showCount(sitting_.CLEAR_CNT());
    Command1->setVisible(shown.nextVisible);
    Command1->setEnabled(shown.nextEnabled);
}

void DrillWindow::Form_Load()
{
    resetControls();
    startSitting();
    for (int i = 0; i < Label6.size(); ++i)
        setCaption(Label6[i], QString::number(i));
    const Sitting::Step posed = sitting_.load(monotonicMs(), ProjectGlobals::instance().askMissedAgain);
    showSitting();
    if (posed.due)
        Timer1->start();
    openSound();
}

void DrillWindow::Command1_Click()
{
    const Sitting::Step posed = sitting_.next();
    showSitting();
    if (posed.due)
        Timer1->start();
}

void DrillWindow::Label6_Click(qint16 Index)
{
    if (Index < 0 || Index >= Label6.size())
        return;
    const Sitting::Step judged = sitting_.tile(Label6[Index]->text());
    showSitting();
    if (judged.due)
        repaint(); // the child sees the completed equation with the chime
    say(judged.say);
    if (judged.due)
        Timer1->start();
}

void DrillWindow::Timer1_Timer()
{
    // The first reading can fall due before a new window is on the screen;
    // the sitting holds it back until it is (a second at most), so that the
    // child sees what is read.
    const std::optional<Sitting::Step> reading = sitting_.readingDue(isOnScreen(), monotonicMs());
    if (!reading)
        return;
    Timer1->stop();
    if (reading->say.isEmpty())
        return;
    showSitting();
    repaint(); // what is read is on the screen before the first word is heard
    say(reading->say);
    sitting_.spoken();
    showSitting();
}

void DrillWindow::Form_Unload()
{
    Timer1->stop();
    endSitting(sitting_.close());
}
