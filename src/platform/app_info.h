#pragma once

#include <QString>

// The application's own name and version (set once in the build) and the
// folder that holds the program file, where the voice prompts lie.
class AppInfo
{
public:
    static QString title();
    static int versionMajor();
    static int versionMinor();
    static int versionRevision();

    // "<title> V<major><minor:2><revision:2>"; each padded number keeps only its
    // last two digits, as the menu caption always has.
    static QString versionCaption(const QString &title, int major, int minor, int revision);
    static QString versionCaption();

    // The executable's folder without a trailing separator, unless overridden.
    static QString programFolder();
    static void setProgramFolder(const QString &folder);
};
