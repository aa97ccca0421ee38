#include "platform/message_box_dialogs.h"

#include "platform/app_info.h"

#include <QApplication>
#include <QMessageBox>

namespace {
int runBox(const QString &text, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(QMessageBox::NoIcon, AppInfo::title(), text, buttons,
                    QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Ok);
    if (buttons.testFlag(QMessageBox::Cancel))
        box.setEscapeButton(QMessageBox::Cancel);
    return box.exec();
}
} // namespace

void MessageBoxDialogs::tell(const QString &text)
{
    runBox(text, QMessageBox::Ok);
}

bool MessageBoxDialogs::ask(const QString &text)
{
    return runBox(text, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}
