#pragma once

#include "family/family_outcome.h"

#include <QString>

#include <optional>

// The folder the desktop start keeps its results in: $XDG_DATA_HOME/sansu-drill
// when XDG_DATA_HOME is an absolute path, else ~/.local/share/sansu-drill. The
// home is $HOME, or the user's entry in the password database when HOME is
// unset; without a home there is no data folder (never one at the top of the
// file system). Finding it makes nothing; make() makes it when it is needed.
class DataFolder
{
public:
    // What the folder is decided from.
    struct Environment
    {
        std::optional<QString> xdgDataHome; // unset when nothing
        std::optional<QString> home;
        QString passwordHome; // the user's home in the password database; empty when none

        // This process's environment and user.
        static Environment current();
    };

    struct Resolution
    {
        QString path;    // absolute; empty when there is no data folder
        QString problem; // why there is none, for a message
        QString warning; // XDG_DATA_HOME named something that is no folder, and the default is used
    };

    static Resolution resolve(const Environment &environment = Environment::current());
    // Makes the folder and the folders above it, as far as they are missing.
    static FamilyOutcome make(const QString &path);

    static inline const QString folderName = QStringLiteral("sansu-drill");
};
