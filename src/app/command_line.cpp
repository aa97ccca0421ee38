#include "app/command_line.h"

#include "platform/app_info.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <cstdio>

namespace {
using Language = CommandLine::Language;
using Reading = CommandLine::Reading;

const QString programName = QStringLiteral("sansu-drill");

QString say(Language language, const char *english, const char *japanese)
{
    return QString::fromUtf8(language == Language::Japanese ? japanese : english);
}

// "ja" of "ja_JP.UTF-8", "C" of "C.UTF-8".
QString languageCode(const QString &localeName)
{
    qsizetype end = 0;
    while (end < localeName.size() && !QStringLiteral("_.@").contains(localeName[end]))
        ++end;
    return localeName.left(end);
}

// The argument as typed that the parser read as option `name`, without a value.
QString typed(const QStringList &arguments, const QString &name)
{
    for (const QString &argument : arguments.mid(1)) {
        if (argument == QLatin1String("--"))
            break;
        const QString option = argument.section(QLatin1Char('='), 0, 0);
        const qsizetype dashes = option.startsWith(QLatin1String("--")) ? 2 : 1;
        if (option.startsWith(QLatin1Char('-')) && option.mid(dashes) == name)
            return option;
    }
    return QStringLiteral("--") + name;
}

// The first option given a value (--chart=1), as typed.
QString optionWithValue(const QStringList &arguments)
{
    for (const QString &argument : arguments.mid(1)) {
        if (argument == QLatin1String("--"))
            break;
        if (argument.startsWith(QLatin1Char('-')) && argument.contains(QLatin1Char('=')))
            return argument.section(QLatin1Char('='), 0, 0);
    }
    return {};
}

// A wrong command line: what is wrong, then the help's first line (the usage).
Reading refused(const QString &what, Language language)
{
    Reading reading;
    reading.endStatus = CommandLine::usageStatus;
    reading.err = programName + QStringLiteral(": ") + what + QLatin1Char('\n')
                  + CommandLine::help(language).section(QLatin1Char('\n'), 0, 0) + QLatin1Char('\n');
    return reading;
}

Reading answered(const QString &text)
{
    Reading reading;
    reading.endStatus = 0;
    reading.out = text;
    return reading;
}
} // namespace

CommandLine::Reading CommandLine::read(const QStringList &arguments, Language language)
{
    const QCommandLineOption inDataFolder(QStringLiteral("in-data-folder"));
    const QCommandLineOption chart(QStringLiteral("chart"));
    const QCommandLineOption parents(QStringLiteral("parents"));
    const QCommandLineOption classView(QStringLiteral("class"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption versionOption(QStringLiteral("version"));
    QCommandLineParser parser;
    // "-help" is one unknown word, not -h, -e, -l, -p.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions({inDataFolder, chart, parents, classView, helpOption, versionOption});

    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty())
            return refused(say(language, "unknown option '%1'", "'%1' というオプションはありません")
                               .arg(typed(arguments, unknown.first())),
                           language);
        // The one other error of options without values.
        return refused(say(language, "option '%1' takes no value", "オプション '%1' に値は付けられません")
                           .arg(optionWithValue(arguments)),
                       language);
    }
    if (!parser.positionalArguments().isEmpty())
        return refused(say(language, "unexpected argument '%1'", "余分な引数 '%1' があります")
                           .arg(parser.positionalArguments().first()),
                       language);
    if (parser.isSet(helpOption))
        return answered(help(language));
    if (parser.isSet(versionOption))
        return answered(version(language));
    // Each opens a first window of its own.
    const QCommandLineOption *const firstWindows[] = {&chart, &parents, &classView};
    QStringList given;
    for (const QCommandLineOption *option : firstWindows) {
        if (parser.isSet(*option))
            given << QStringLiteral("--") + option->names().constFirst();
    }
    if (given.size() > 1)
        return refused(say(language, "%1 and %2 cannot be used together", "%1 と %2 は一緒には使えません")
                           .arg(given[0], given[1]),
                       language);

    Reading reading;
    reading.options.chart = parser.isSet(chart);
    reading.options.parents = parser.isSet(parents);
    reading.options.classView = parser.isSet(classView);
    reading.options.inDataFolder = parser.isSet(inDataFolder) || reading.options.parents;
    return reading;
}

CommandLine::Language CommandLine::languageOf(const QString &lcAll, const QString &lcMessages,
                                              const QString &lang, const QString &languageList)
{
    const QString messages = !lcAll.isEmpty() ? lcAll : !lcMessages.isEmpty() ? lcMessages : lang;
    const QString code = languageCode(messages);
    // In the C locale gettext speaks English and ignores LANGUAGE.
    if (code.isEmpty() || code == QLatin1String("C") || code == QLatin1String("POSIX"))
        return Language::English;
    for (const QString &entry : languageList.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const QString wanted = languageCode(entry);
        if (wanted == QLatin1String("ja"))
            return Language::Japanese;
        if (wanted == QLatin1String("en"))
            return Language::English;
    }
    return code == QLatin1String("ja") ? Language::Japanese : Language::English;
}

QString CommandLine::help(Language language)
{
    return say(language,
               "Usage: sansu-drill [OPTION]...\n"
               "Sansu Drill: addition, subtraction and clock-reading drills for children in\n"
               "their first school year, with a Japanese user interface.\n"
               "\n"
               "Without options the results file ADO_ZEM.MDB is kept in the current folder.\n"
               "\n"
               "  --in-data-folder  keep the results in the user's data folder,\n"
               "                    $XDG_DATA_HOME/sansu-drill or ~/.local/share/sansu-drill,\n"
               "                    as the desktop menu starts the program\n"
               "  --chart           show the progress chart alone, without the menu\n"
               "  --parents         open the parents' corner (implies --in-data-folder)\n"
               "  --class           show a class on the school's server, for its teacher\n"
               "                    (asks the teacher's login and password)\n"
               "  -h, --help        show this help and exit\n"
               "  --version         show the version and exit\n"
               "\n"
               "Exit status: 0 when closed, 1 when the program cannot go on,\n"
               "2 for a wrong command line. The manual page sansu-drill(1) tells more.\n",
               "使い方: sansu-drill [オプション]...\n"
               "さんすうドリル: 小学1年生のための たしざん・ひきざん・とけいの れんしゅう\n"
               "\n"
               "オプションを付けずに起動すると、成績のファイル ADO_ZEM.MDB を\n"
               "今いるフォルダーに置きます。\n"
               "\n"
               "  --in-data-folder  成績をユーザーのデータフォルダーに置く\n"
               "                    ($XDG_DATA_HOME/sansu-drill、ふつうは\n"
               "                    ~/.local/share/sansu-drill)。デスクトップのメニューから\n"
               "                    起動したときと同じ\n"
               "  --chart           メニューを出さずに成績のグラフだけを表示する\n"
               "  --parents         おうちのかたへ (保護者のページ) を開く\n"
               "                    (--in-data-folder を含む)\n"
               "  --class           学校のサーバーのクラスのようすを見る (先生用。\n"
               "                    先生のログインとパスワードをたずねます)\n"
               "  -h, --help        この説明を表示して終了する\n"
               "  --version         バージョンを表示して終了する\n"
               "\n"
               "終了ステータス: 0 正常に閉じた、1 続けられなかった、2 コマンドラインの誤り\n"
               "くわしくは man sansu-drill をご覧ください。\n");
}

QString CommandLine::version(Language language)
{
    const QString first = QStringLiteral("%1 %2.%3.%4\n")
                              .arg(programName)
                              .arg(AppInfo::versionMajor())
                              .arg(AppInfo::versionMinor())
                              .arg(AppInfo::versionRevision());
    return first
           + say(language,
                 "Copyright (C) 2026 sansu-drill authors\n"
                 "License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
                 "This is free software: you are free to change and redistribute it.\n"
                 "There is NO WARRANTY, to the extent permitted by law.\n"
                 "The spoken prompts are made from the voice \"tohoku-f01\" (CC BY 4.0).\n",
                 "さんすうドリル\n"
                 "Copyright (C) 2026 sansu-drill authors\n"
                 "ライセンス GPLv3+: GNU GPL 第3版以降 <https://gnu.org/licenses/gpl.html>\n"
                 "これはフリーソフトウェアです。自由に変更・再配布できます。\n"
                 "法律で認められる範囲で、一切の保証はありません。\n"
                 "読み上げの声は音声 \"tohoku-f01\" (CC BY 4.0) から作りました。\n");
}

QString CommandLine::noDisplay(Language language)
{
    QString where = qEnvironmentVariable("DISPLAY");
    if (!qEnvironmentVariable("WAYLAND_DISPLAY").isEmpty())
        where += (where.isEmpty() ? QString() : QStringLiteral(", ")) + qEnvironmentVariable("WAYLAND_DISPLAY");
    return programName + QStringLiteral(": ")
           + (where.isEmpty() ? say(language, "no display to open a window on (DISPLAY is not set)",
                                    "ウィンドウを開く画面がありません (DISPLAY が設定されていません)")
                              : say(language, "cannot open a window on the display %1",
                                    "画面 %1 にウィンドウを開けません")
                                    .arg(where))
           + QLatin1Char('\n');
}

CommandLine::Reading CommandLine::start(int argc, const char *const *argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const Language language
        = languageOf(qEnvironmentVariable("LC_ALL"), qEnvironmentVariable("LC_MESSAGES"),
                     qEnvironmentVariable("LANG"), qEnvironmentVariable("LANGUAGE"));
    Reading reading = read(arguments, language);
    reading.language = language;
    std::fputs(reading.out.toLocal8Bit().constData(), stdout);
    std::fputs(reading.err.toLocal8Bit().constData(), stderr);
    // The answer is the whole point of --help and --version: an answer lost on
    // a full disk or a closed stdout is an error, not a success.
    if (!reading.out.isEmpty() && (std::fflush(stdout) != 0 || std::ferror(stdout))) {
        const QString failed = programName + QStringLiteral(": ") + say(language, "write error", "書き込みエラー");
        std::fprintf(stderr, "%s\n", failed.toLocal8Bit().constData());
        reading.endStatus = 1;
    }
    return reading;
}
