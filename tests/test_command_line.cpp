// The command line: what each command line comes to (the options, or an
// answer and an exit status), the language of the answers, the help and the
// manual page naming the same options as the parser takes, and the built
// program answering --help and --version without a display and without
// making a file.
#include "app/command_line.h"
#include "support/sandbox.h"
#include "support/test_main.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

using Language = CommandLine::Language;
Q_DECLARE_METATYPE(Language)

namespace {
const Language en = Language::English, ja = Language::Japanese;
using Args = QStringList;
const QString usageEn = QStringLiteral("Usage: sansu-drill [OPTION]...");
const QString usageJa = QStringLiteral("使い方: sansu-drill [オプション]...");
const QString version = QStringLiteral("sansu-drill " SANSU_VERSION_TEXT);
constexpr int starts = -1; // the status column of a command line the program starts with

QString firstLine(const QString &text) { return text.section(QLatin1Char('\n'), 0, 0); }

QString usage(Language language) { return language == ja ? usageJa : usageEn; }

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void read_data()
    {
        QTest::addColumn<Args>("arguments");
        QTest::addColumn<Language>("language");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("flags");   // of a start: d in the data folder, c chart, p parents, k class
        QTest::addColumn<QString>("refusal"); // on stderr, before the usage line
        QTest::newRow("nothing") << Args{} << en << starts << "" << "";
        QTest::newRow("the desktop menu's start") << Args{"--in-data-folder"} << en << starts << "d" << "";
        QTest::newRow("chart, data folder") << Args{"--chart", "--in-data-folder"} << en << starts << "dc" << "";
        QTest::newRow("parents imply the data folder") << Args{"--parents"} << ja << starts << "dp" << "";
        QTest::newRow("unknown option") << Args{"--chart", "--big"} << en << 2 << "" << "unknown option '--big'";
        QTest::newRow("with --help") << Args{"--help", "--big=1"} << en << 2 << "" << "unknown option '--big'";
        QTest::newRow("Qt's options") << Args{"-platform"} << en << 2 << "" << "unknown option '-platform'";
        QTest::newRow("--chart=1") << Args{"--chart=1"} << en << 2 << "" << "option '--chart' takes no value";
        QTest::newRow("an option after --") << Args{"--", "--chart"} << ja << 2 << "" << "余分な引数 '--chart' があります";
        QTest::newRow("two first windows") << Args{"--parents", "--chart"} << en << 2 << ""
                                           << "--chart and --parents cannot be used together";
        QTest::newRow("the class") << Args{"--class"} << en << starts << "k" << "";
        QTest::newRow("the class and the corner") << Args{"--class", "--parents"} << ja << 2 << ""
                                                  << "--parents と --class は一緒には使えません";
    }

    void read()
    {
        QFETCH(Args, arguments);
        QFETCH(Language, language);
        QFETCH(int, status);
        QFETCH(QString, flags);
        QFETCH(QString, refusal);
        const CommandLine::Reading reading
            = CommandLine::read(Args{QStringLiteral("/usr/lib/sansu-drill/sansu-drill")} + arguments, language);
        QCOMPARE(reading.endStatus.value_or(starts), status);
        const CommandLine::Options &o = reading.options;
        QCOMPARE(QString(o.inDataFolder ? "d" : "") + (o.chart ? "c" : "") + (o.parents ? "p" : "") + (o.classView ? "k" : ""),
                 flags);
        QVERIFY(reading.out.isEmpty()); // the answers are the built program's, below
        QCOMPARE(reading.err, refusal.isEmpty() ? "" : "sansu-drill: " + refusal + "\n" + usage(language) + "\n");
    }

    void languageOf_data()
    {
        QTest::addColumn<QStringList>("environment"); // LC_ALL, LC_MESSAGES, LANG, LANGUAGE
        QTest::addColumn<Language>("language");
        QTest::newRow("nothing set") << QStringList{"", "", "", ""} << en;
        QTest::newRow("LANG Japanese") << QStringList{"", "", "ja_JP.eucJP", ""} << ja;
        QTest::newRow("LC_MESSAGES before LANG") << QStringList{"", "en_US.UTF-8", "ja_JP.UTF-8", ""} << en;
        QTest::newRow("LC_ALL before all") << QStringList{"C.UTF-8", "ja_JP.UTF-8", "ja_JP.UTF-8", "ja"} << en;
        QTest::newRow("LANGUAGE before the locale") << QStringList{"", "", "en_GB.UTF-8", "ja:en"} << ja;
        QTest::newRow("LANGUAGE's first we speak") << QStringList{"", "", "ja_JP.UTF-8", "fr:en_GB:ja"} << en;
        QTest::newRow("LANGUAGE we do not speak") << QStringList{"", "", "ja_JP.UTF-8", "fr:de"} << ja;
        QTest::newRow("LANGUAGE in the POSIX locale") << QStringList{"POSIX", "", "", "ja"} << en;
    }

    void languageOf()
    {
        QFETCH(QStringList, environment);
        QFETCH(Language, language);
        QCOMPARE(CommandLine::languageOf(environment[0], environment[1], environment[2], environment[3]), language);
    }

    // Each option the parser takes is in both helps and in the manual page,
    // and each option these name is one the parser takes.
    void helpAndManualPageNameTheOptions()
    {
        const QString page = QString::fromUtf8(Sandbox::bytes(SANSU_SOURCE_DIR "/data/sansu-drill.1.in"));
        QVERIFY(!page.isEmpty());
        for (const QString option : {"--in-data-folder", "--chart", "--parents", "--class", "-h", "--help", "--version"}) {
            const QRegularExpression named("(^|[ (])" + option + "[ ,)\n]");
            QVERIFY(CommandLine::read({"sansu-drill", option}, en).endStatus != CommandLine::usageStatus);
            QVERIFY2(CommandLine::help(en).contains(named) && CommandLine::help(ja).contains(named),
                     qPrintable(option));
            QVERIFY2(page.contains(QString(option).replace("-", "\\-")), qPrintable(option));
        }
        const QRegularExpression option(QStringLiteral("(?<![\\w/.-])--?[a-z][a-z-]*"));
        for (const QString &text : {CommandLine::help(en), CommandLine::help(ja), QString(page).remove("\\")})
            for (const QRegularExpressionMatch &m : option.globalMatch(text))
                QVERIFY2(CommandLine::read({"sansu-drill", m.captured()}, en).endStatus != CommandLine::usageStatus,
                         qPrintable(m.captured() + " is named but not taken"));
    }

    void withoutDisplay_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("stdoutFile"); // empty: a pipe
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out"); // first lines
        QTest::addColumn<QString>("err");
        QTest::newRow("--version") << QStringList{"--version"} << "C.UTF-8" << "" << 0 << version << "";
        QTest::newRow("--help") << QStringList{"--help"} << "C.UTF-8" << "" << 0 << usageEn << "";
        QTest::newRow("-h in Japanese") << QStringList{"-h"} << "ja_JP.UTF-8" << "" << 0 << usageJa << "";
        QTest::newRow("unknown option") << QStringList{"--colour"} << "C" << "" << 2 << ""
                                        << "sansu-drill: unknown option '--colour'";
        QTest::newRow("--version to a full disk") << QStringList{"--version"} << "C" << "/dev/full" << 1 << ""
                                                  << "sansu-drill: write error";
        // The rows above prove something only if a window cannot open here.
        QTest::newRow("a window: no display, said in one line") << QStringList{} << "C" << "" << 1 << ""
                                                               << "sansu-drill: no display to open a window on (DISPLAY is not set)";
    }

    // The built program, with no display and in an empty folder and home:
    // the answer, the status, and no file made in either.
    void withoutDisplay()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, lang);
        QFETCH(QString, stdoutFile);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QTemporaryDir folder, home;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LC_ALL", "LC_MESSAGES", "LANGUAGE",
                                 "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
            environment.remove(name);
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("LANG"), lang);
        QProcess program;
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(folder.path());
        if (!stdoutFile.isEmpty())
            program.setStandardOutputFile(stdoutFile);
        program.start(QStringLiteral(SANSU_PROGRAM), arguments);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus() == QProcess::NormalExit ? program.exitCode() : starts, status);
        const QString said = QString::fromUtf8(program.readAllStandardError());
        QCOMPARE(firstLine(QString::fromUtf8(program.readAllStandardOutput())), out);
        QCOMPARE(firstLine(said), err);
        QVERIFY2(status != 1 || said.count('\n') == 1, qPrintable(said)); // a failure is said in one line
        QCOMPARE(Sandbox::entries(folder.path()) + Sandbox::entries(home.path()), QStringList());
    }
};

SANSU_TEST_MAIN(TestCommandLine)
#include "test_command_line.moc"
