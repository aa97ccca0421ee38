#include "platform/message_box_dialogs.h"

#include "platform/app_info.h"

#include <QApplication>
#include <QInputDialog>
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

std::optional<QString> MessageBoxDialogs::askText(const QString &text, const QString &initial)
{
    QInputDialog box(QApplication::activeWindow());
    box.setWindowTitle(AppInfo::title());
    box.setLabelText(text);
    box.setTextValue(initial);
    box.setInputMode(QInputDialog::TextInput);
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return box.textValue();
}
