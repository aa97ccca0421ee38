#include "app/wait_notice.h"

#include "platform/app_info.h"
#include "platform/fonts.h"
#include "platform/twips.h"
#include "store/record_database.h"

#include <QCoreApplication>
#include <QLabel>

WaitNotice::WaitNotice(const QString &fileName)
    : Form(QStringLiteral("WaitNotice"), AppInfo::title(), 5400, 1200)
{
    auto *text = new QLabel(fileName + QStringLiteral("をほかのプログラムが使っています｡\n"
                                                      "使い終わるのを待っています…"),
                            this);
    text->setObjectName(QStringLiteral("Label1"));
    text->setAlignment(Qt::AlignCenter);
    text->setFont(Twips::font(Fonts::pGothic, 10.5));
    text->setAccessibleName(text->text());
    place(text, 120, 120, 5160, 960);
}

WaitNotice::~WaitNotice()
{
    if (watching_)
        RecordDatabase::setWaitWatcher(nullptr);
}

void WaitNotice::watchStore()
{
    RecordDatabase::setWaitWatcher([this](bool stillWaiting) { waiting(stillWaiting); });
    watching_ = true;
}

void WaitNotice::waiting(bool stillWaiting)
{
    if (!stillWaiting) {
        unloadForm();
        return;
    }
    if (!isVisible())
        showForm();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
