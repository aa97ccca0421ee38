#include "sitting/sitting_form.h"

#include "platform/colours.h"
#include "platform/dialogs.h"
#include "platform/project_globals.h"
#include "platform/system_clock.h"
#include "platform/twips.h"
#include "sitting/sitting.h"
#include "store/date_text.h"
#include "store/store_messages.h"

#include <QElapsedTimer>
#include <QWindow>

SittingForm::SittingForm(const DrillTable::Entry &drill, const ResultsLog &log, double widthTwips,
                         double heightTwips, const QString &labelFamily)
    : Form(drill.window(), drill.name(), widthTwips, heightTwips), drill_(drill), log_(log)
{
    Label3 = new QLabel(this);
    place(Label3, drill.clearCount.left, drill.clearCount.top, 2055, drill.clearCountHeight);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setAlignment(Qt::AlignCenter);
    Label3->setFont(Twips::font(labelFamily, 12));
    Colours::fill(Label3, Colours::yellow);
    setCaption(Label3, QStringLiteral("Label3"));
}

SittingForm::~SittingForm() = default;

void SittingForm::startSitting()
{
    // The results row names the drill by this caption, so a window opened
    // without a drill name keeps its own.
    const QString name = ProjectGlobals::instance().currentDrillName;
    caption_ = name.isEmpty() ? drill_.name() : name;
    setCaptionWithChild(caption_);
}

void SittingForm::openSound()
{
    MMControl1 = SoundDevice::create();
    MMControl1->open();
}

void SittingForm::say(const QStringList &prompts)
{
    for (const QString &path : prompts) {
        if (MMControl1)
            MMControl1->play(path);
    }
}

void SittingForm::showCount(int count)
{
    setCaption(Label3, Sitting::clearCaption(count));
}

bool SittingForm::isOnScreen() const
{
    const QWindow *handle = windowHandle();
    return !isVisible() || (handle && handle->isExposed());
}

qint64 SittingForm::monotonicMs()
{
    static const QElapsedTimer started = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return started.elapsed();
}

void SittingForm::endSitting(int count)
{
    if (MMControl1) {
        MMControl1->close();
        MMControl1.reset();
    }
    if (count == 0)
        return;
    const QString when = DateText::of(SystemClock::now());
    const QString score = QString::number(count);
    const StoreOutcome written = log_.append({when, caption_, score});
    if (written)
        return;
    Dialogs::current().tell(StoreMessages::withReason(
        ProjectGlobals::instance().databaseFileName + QStringLiteral("に成績を保存できませんでした。\n")
            + when + QStringLiteral("　") + caption_ + QStringLiteral("　") + score,
        written.reason));
}
