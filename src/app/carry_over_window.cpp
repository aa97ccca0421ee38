#include "app/carry_over_window.h"

#include "app/quit_signals.h"
#include "platform/app_info.h"
#include "platform/fonts.h"
#include "platform/twips.h"

#include <utility>

namespace {
// Work that ends sooner than this shows no window at all.
constexpr int showAfterMs = 300;
} // namespace

CarryOverWindow::CarryOverWindow(const QString &fileName)
    : Form(QStringLiteral("CarryOver"), AppInfo::title(), 6600, 1800), fileName_(fileName)
{
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(Twips::font(Fonts::pGothic, 10.5));
    place(Label1, 240, 180, 6120, 420);
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(Twips::font(Fonts::pGothic, 10.5));
    place(Label2, 240, 660, 6120, 420);
    Command1 = new QPushButton(QStringLiteral("キャンセル"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setAccessibleName(Command1->text());
    place(Command1, 4920, 1200, 1440, 420);
    connect(Command1, &QPushButton::clicked, this, [this] { cancelled_ = true; });
    showSoon_.setSingleShot(true);
    connect(&showSoon_, &QTimer::timeout, this, [this] {
        if (!cancelled_)
            showForm();
    });
}

CarryOverWindow::~CarryOverWindow()
{
    if (working_)
        QuitSignals::resume();
}

void CarryOverWindow::begin()
{
    if (!working_)
        QuitSignals::defer();
    working_ = true;
}

bool CarryOverWindow::cancelled() const
{
    return cancelled_ || QuitSignals::caught() != 0;
}

void CarryOverWindow::done()
{
    showSoon_.stop();
    unloadForm();
    if (std::exchange(working_, false))
        QuitSignals::resume();
}

void CarryOverWindow::Form_Unload()
{
    cancelled_ = true;
}

void CarryOverWindow::show(const QString &step, const QString &rows)
{
    setCaption(Label1, step);
    setCaption(Label2, rows);
    if (!isLoaded() && !showSoon_.isActive() && !cancelled_)
        showSoon_.start(showAfterMs);
}

JetFile::Watch CarryOverWindow::looking()
{
    begin();
    show(fileName_ + QStringLiteral("を調べています…"), QString());
    return {nullptr, [this] { return cancelled(); }};
}

JetCarryOver::Progress CarryOverWindow::carrying()
{
    using Step = JetCarryOver::Step;
    begin();
    const auto reached = [this](Step step, int rows) {
        switch (step) {
        case Step::ReadingSettings:
            show(QStringLiteral("以前の成績ファイルを読んでいます…"), QString());
            return;
        case Step::ReadingResults:
            show(QStringLiteral("成績を読んでいます…"), QStringLiteral("%1件").arg(rows));
            return;
        case Step::Writing:
            show(QStringLiteral("今の形式のファイルに書いています…"), QStringLiteral("%1件").arg(rows));
            return;
        }
    };
    return {reached, [this] { return cancelled(); }};
}
