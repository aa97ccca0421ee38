#include "drill/drill_window.h"

#include "platform/colours.h"
#include "platform/twips.h"
#include "sound/prompt_files.h"

#include <QFrame>
#include <QWindow>

namespace {
const QString labelFont = QStringLiteral("ＭＳ Ｐゴシック");

constexpr double tileLeft = 600;
constexpr double tileStep = 720;
constexpr double tileWidth = 615;
constexpr double tileHeight = 495;
constexpr double firstRowTop = 3120;
constexpr double secondRowTop = 3720;
constexpr int tilesPerRow = 11;
} // namespace

DrillWindow::DrillWindow(const DrillKind &kind)
    : SittingForm(kind.drill(), 9090, kind.clientHeight(), labelFont), kind_(kind)
{
    // Words and signs stand on the green background; boxes fill their own colour.
    auto makeLabel = [this](const QString &name, double points, const QColor *fill) {
        auto *label = new QLabel(this);
        label->setObjectName(name);
        label->setAlignment(Qt::AlignCenter);
        label->setFont(Twips::font(labelFont, points));
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
        tile->setFont(Twips::font(labelFont, 24));
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

    const DrillKind::Placement count = kind_.clearCountPlacement();
    place(Label3, count.left, count.top, count.width, count.height);

    Command1 = new QPushButton(this);
    Command1->setObjectName(QStringLiteral("Command1"));
    place(Command1, 3720, kind_.nextButtonTop(), 1575, 735);
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
    setCaption(Label4, QStringLiteral("＝"));
    showEquation(kind_.initialEquation());
    for (ClickLabel *tile : Label6)
        setCaption(tile, QStringLiteral("10"));
    setCaption(Label3, QStringLiteral("Label3"));
    Command1->setText(QStringLiteral("次（つぎ）"));
    Command1->setAccessibleName(Command1->text());
    Command1->setEnabled(true);
    Command1->setVisible(true);
}

DrillKind::Equation DrillWindow::shownEquation() const
{
    return {Label1[0]->text(), Label1[1]->text(), Label5->text()};
}

void DrillWindow::showEquation(const DrillKind::Equation &equation)
{
    setCaption(Label1[0], equation.first);
    setCaption(Label1[1], equation.second);
    setCaption(Label5, equation.result);
}

QLabel *DrillWindow::box(DrillKind::Box which) const
{
    switch (which) {
    case DrillKind::Box::First:
        return Label1[0];
    case DrillKind::Box::Second:
        return Label1[1];
    case DrillKind::Box::Result:
        break;
    }
    return Label5;
}

void DrillWindow::Form_Load()
{
    resetControls();
    startSitting();
    for (int i = 0; i < Label6.size(); ++i)
        setCaption(Label6[i], QString::number(i));
    Command1_Click();
    openSound();
}

void DrillWindow::Command1_Click()
{
    showEquation(kind_.pose(shownEquation()));
    Timer1->start();
}

void DrillWindow::Label6_Click(qint16 Index)
{
    if (Index < 0 || Index >= Label6.size())
        return;
    const std::optional<DrillKind::Unknown> unknown = kind_.openQuestion(shownEquation());
    if (!unknown)
        return; // answered already: the click has no effect

    // The tile is judged by the number it shows.
    const QString tile = Label6[Index]->text();
    bool isNumber = false;
    const int number = tile.toInt(&isNumber);
    if (!isNumber || number != unknown->answer) {
        play(PromptFiles::fixed(PromptFiles::NG));
        return;
    }

    setCaption(box(unknown->box), tile);
    repaint(); // the child sees the completed equation with the chime
    play(PromptFiles::fixed(PromptFiles::OK));
    countRightAnswer();
    Timer1->start();
}

bool DrillWindow::waitingForScreen()
{
    const QWindow *handle = windowHandle();
    if (!isVisible() || (handle && handle->isExposed())) {
        screenWait_.invalidate();
        return false;
    }
    if (!screenWait_.isValid())
        screenWait_.start();
    if (screenWait_.elapsed() < maxScreenWaitMs)
        return true;
    screenWait_.invalidate();
    return false;
}

void DrillWindow::Timer1_Timer()
{
    // The first reading can fall due before a new window is on the screen;
    // it waits for it (a second at most) so that the child sees what is read.
    if (waitingForScreen())
        return;
    Command1->setEnabled(false);
    Timer1->stop();
    repaint(); // what is read is on the screen before the first word is heard

    // Each box's caption is taken as its prompt is played.
    for (QLabel *label : {Label1[0], Label2, Label1[1], Label4, Label5})
        play(PromptFiles::forWord(label->text()));

    // "次（つぎ）" is offered once the question is answered, and only then. The
    // readings normally alternate between questions and answers, so this is
    // the same as flipping the button; deciding by the question keeps it right
    // when a right tile and a new question fall before one reading.
    Command1->setVisible(!kind_.openQuestion(shownEquation()).has_value());
    Command1->setEnabled(true);
}

void DrillWindow::Form_Unload()
{
    Timer1->stop();
    endSitting();
}
