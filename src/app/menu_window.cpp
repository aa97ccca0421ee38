#include "app/menu_window.h"

#include "app/face_icon.h"
#include "clock/clock_window.h"
#include "drill/drill_window.h"
#include "platform/app_info.h"
#include "platform/program_exit.h"
#include "platform/project_globals.h"
#include "platform/random_draw.h"
#include "scores/score_window.h"
#include "store/record_store.h"

namespace {
struct ButtonLayout
{
    int index;
    const char16_t *caption;
    double left;
    double top;
};

// In tab order; the index, not the position, decides which window opens.
constexpr ButtonLayout drillButtons[] = {
    {1, u"たしざん１０", 360, 360}, {0, u"たして１０", 360, 1200},
    {2, u"たしざん２０", 360, 2040}, {3, u"ひきざん１０", 2040, 360},
    {4, u"ひいて１０", 2040, 1200},  {5, u"ひきざん２０", 2040, 2040},
    {6, u"とけい", 360, 2880},
};

// Window names by drill index.
constexpr const char16_t *windowNames[] = {
    u"たして10", u"たしざん10", u"たしざん20", u"ひきざん10", u"ひいて10", u"ひきざん20", u"とけい",
};

constexpr double buttonWidth = 1335;
constexpr double buttonHeight = 615;
} // namespace

MenuWindow::MenuWindow() : Form(QStringLiteral("MENU"), QStringLiteral("MENU"), 3720, 4125)
{
    setWindowIcon(FaceIcon::icon());
    QWidget *previous = nullptr;
    for (const ButtonLayout &b : drillButtons) {
        auto *button = new QPushButton(QString::fromUtf16(b.caption), this);
        button->setObjectName(QStringLiteral("Command1_%1").arg(b.index));
        place(button, b.left, b.top, buttonWidth, buttonHeight);
        const auto index = static_cast<qint16>(b.index);
        connect(button, &QPushButton::clicked, this, [this, index] { Command1_Click(index); });
        Command1[b.index] = button;
        if (previous)
            setTabOrder(previous, button);
        previous = button;
    }
    Command9 = new QPushButton(QStringLiteral("得点"), this);
    Command9->setObjectName(QStringLiteral("Command9"));
    place(Command9, 2040, 2880, buttonWidth, buttonHeight);
    connect(Command9, &QPushButton::clicked, this, &MenuWindow::Command9_Click);
    setTabOrder(previous, Command9);
}

MenuWindow::~MenuWindow()
{
    ProgramExit::setFarewell(nullptr);
}

void MenuWindow::Form_Load()
{
    setWindowTitle(AppInfo::versionCaption());
    ProjectGlobals &g = ProjectGlobals::instance();
    g.setRecordNames();
    DB_ALLOC();
    SET_LOG_GET();
    g.setConnectionString();
    RandomDraw::seedFromTimer();
    // A sitting in progress is recorded even when a window ends the program.
    ProgramExit::setFarewell([this] { unloadDrills(); });
}

void MenuWindow::DB_ALLOC()
{
    RecordStore::DB_ALLOC();
}

void MenuWindow::SET_LOG_GET()
{
    RecordStore::SET_LOG_GET();
}

Form *MenuWindow::drillWindow(int index)
{
    if (index < 0 || index >= drillCount)
        return nullptr;
    if (!drills_[index]) {
        if (index == 6)
            drills_[index] = std::make_unique<ClockWindow>();
        else
            drills_[index] = std::make_unique<DrillWindow>(QString::fromUtf16(windowNames[index]));
    }
    return drills_[index].get();
}

Form *MenuWindow::scoreWindow()
{
    if (!scores_)
        scores_ = std::make_unique<ScoreWindow>();
    return scores_.get();
}

void MenuWindow::Command1_Click(qint16 Index)
{
    if (Index < 0 || Index >= drillCount)
        return;
    ProjectGlobals::instance().currentDrillName = Command1[Index]->text();
    drillWindow(Index)->showForm();
}

void MenuWindow::Command9_Click()
{
    scoreWindow()->showForm();
}

void MenuWindow::unloadDrills()
{
    for (auto &drill : drills_) {
        if (drill && drill->isLoaded())
            drill->unloadForm();
    }
}
