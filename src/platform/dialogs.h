#pragma once

#include <QString>

#include <memory>
#include <optional>

// Message boxes as the program uses them: a statement with an OK button, a
// question with OK and Cancel (OK the default), and a question answered by
// typing (a name, a number). All are titled with the application title.
// Tests install a scripted implementation.
class Dialogs
{
public:
    virtual ~Dialogs() = default;
    virtual void tell(const QString &text) = 0;
    // True when the user answered OK.
    virtual bool ask(const QString &text) = 0;
    // What the user typed and confirmed with OK; nothing on Cancel.
    virtual std::optional<QString> askText(const QString &text, const QString &initial = QString()) = 0;

    // The dialogs in use (message boxes unless something else was installed).
    static Dialogs &current();
    // Installs a replacement; nullptr goes back to message boxes.
    static void install(std::unique_ptr<Dialogs> dialogs);
};
