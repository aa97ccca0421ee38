#pragma once

#include <QString>

#include <memory>

// Message boxes as the program uses them: a statement with an OK button, and a
// question with OK and Cancel (OK the default). Both are titled with the
// application title. Tests install a scripted implementation.
class Dialogs
{
public:
    virtual ~Dialogs() = default;
    virtual void tell(const QString &text) = 0;
    // True when the user answered OK.
    virtual bool ask(const QString &text) = 0;

    // The dialogs in use (message boxes unless something else was installed).
    static Dialogs &current();
    // Installs a replacement; nullptr goes back to message boxes.
    static void install(std::unique_ptr<Dialogs> dialogs);
};
