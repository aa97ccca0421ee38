#include "sitting/sitting_form.h"

#include "platform/colours.h"
#include "platform/dialogs.h"
#include "platform/project_globals.h"
#include "platform/system_clock.h"
#include "platform/twips.h"
#include "store/date_text.h"
#include "store/record_store.h"
#include "store/store_messages.h"

SittingForm::SittingForm(const DrillTable::Entry &drill, double widthTwips, double heightTwips,
                         const QString &labelFamily)
    : Form(drill.window(), drill.name(), widthTwips, heightTwips), drill_(drill)
{
    Label3 = new QLabel(this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setAlignment(Qt::AlignCenter);
    Label3->setFont(Twips::font(labelFamily, 12));
    Colours::fill(Label3, Colours::yellow);
    setCaption(Label3, QStringLiteral("Label3"));
}

SittingForm::~SittingForm() = default;

QString SittingForm::clearCaption(int count)
{
    return QStringLiteral("クリア\u3000") + QString::number(count);
}

void SittingForm::startSitting()
{
    // The results row names the drill by this caption, so a window opened
    // without a drill name keeps its own.
    const QString name = ProjectGlobals::instance().currentDrillName;
    setWindowTitle(name.isEmpty() ? drill_.name() : name);
    CLEAR_CNT = 0;
    setCaption(Label3, clearCaption(CLEAR_CNT));
}

void SittingForm::openSound()
{
    MMControl1 = SoundDevice::create();
    MMControl1->open();
}

void SittingForm::play(const QString &path)
{
    if (MMControl1)
        MMControl1->play(path);
}

void SittingForm::countRightAnswer()
{
    ++CLEAR_CNT;
    setCaption(Label3, clearCaption(CLEAR_CNT));
}

void SittingForm::endSitting()
{
    if (MMControl1) {
        MMControl1->close();
        MMControl1.reset();
    }
    if (CLEAR_CNT == 0)
        return;
    const QString when = DateText::of(SystemClock::now());
    const QString score = QString::number(CLEAR_CNT);
    const StoreOutcome written = RecordStore::byFileName().appendResult(when, windowTitle(), score);
    if (written)
        return;
    Dialogs::current().tell(StoreMessages::withReason(
        ProjectGlobals::instance().databaseFileName + QStringLiteral("に成績を保存できませんでした。\n")
            + when + QStringLiteral("　") + windowTitle() + QStringLiteral("　") + score,
        written.reason));
}
