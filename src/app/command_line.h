#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The program's command line, read before any Qt application object exists:
// --help, -h and --version are answered, and a wrong command line refused,
// without a display and without touching any file. What is left are the
// options a start acts on.
//
// The help and the messages are in Japanese when the user's messages locale
// is Japanese, in English otherwise (the windows are Japanese whatever the
// locale). Qt's own command-line options (-platform, -style …) are not taken;
// Qt's environment variables do the same.
class CommandLine
{
public:
    // What a start is asked to do.
    struct Options
    {
        // The results in the user's data folder ($XDG_DATA_HOME/sansu-drill)
        // instead of the current folder, as the desktop menu starts the
        // program. Also set by --parents, whose corner works on that folder.
        bool inDataFolder = false;
        // The progress chart alone, without the menu.
        bool chart = false;
        // The parents' corner, おうちのかたへ.
        bool parents = false;
        // The teacher's view of a class on the school's server, クラスのようす.
        bool classView = false;
    };

    enum class Language { English, Japanese };

    struct Reading
    {
        Options options;
        // Set when the program ends at once with this status, after printing
        // `out` to stdout and `err` to stderr: 0 after --help or --version,
        // 2 after a wrong command line.
        std::optional<int> endStatus;
        QString out;
        QString err;
        Language language = Language::English; // of the messages to come
    };

    static constexpr int usageStatus = 2;

    // `arguments` as main() gets them, the program's path first.
    static Reading read(const QStringList &arguments, Language language);

    // The language of the help and the messages, from the environment as
    // gettext decides it: the messages locale is the first set of LC_ALL,
    // LC_MESSAGES and LANG; unless that is C or POSIX, LANGUAGE's first
    // entry that is Japanese or English comes before it.
    static Language languageOf(const QString &lcAll, const QString &lcMessages, const QString &lang,
                               const QString &languageList);

    static QString help(Language language);
    static QString version(Language language);
    // The one line said when no window can be opened (no display), before
    // the program ends with status 1.
    static QString noDisplay(Language language);

    // main()'s first step: reads argv and the locale of the environment,
    // prints what is to be printed, and returns the reading.
    static Reading start(int argc, const char *const *argv);
};
