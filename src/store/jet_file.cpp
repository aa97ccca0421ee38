#include "store/jet_file.h"

#include "store/record_file.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTimer>

#include <utility>

#ifdef Q_OS_UNIX
#include <csignal>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace {
const QString listTool = QStringLiteral("mdb-tables");
const QString exportTool = QStringLiteral("mdb-export");
// How often a running tool is looked at: whether the reading is cancelled.
constexpr int pollMs = 50;
// What a tool may say on its error output; the rest is dropped.
constexpr qint64 maxErrorBytes = 64 * 1024;

int &silenceLimit()
{
    static int ms = 30000;
    return ms;
}

struct ToolRun
{
    QByteArray output;
    QString failure; // empty when the tool ended with status 0 and printed no message
    bool cancelled = false;
};

QString firstLine(const QByteArray &text)
{
    const QString line = QString::fromUtf8(text).trimmed().section(QLatin1Char('\n'), 0, 0).trimmed();
    return line.isEmpty() ? QStringLiteral("no message") : line;
}

// Stops a tool's whole process group: the tool and whatever it started.
void stopGroup(QProcess &process, qint64 group)
{
#ifdef Q_OS_UNIX
    if (group > 0)
        ::kill(-static_cast<pid_t>(group), SIGKILL);
#else
    Q_UNUSED(group)
#endif
    process.kill();
    process.waitForFinished();
}

// Runs a tool and collects what it prints, at most `maxOutput` bytes. The
// wait runs an event loop; `watch` hears of every line printed (a row, for
// mdb-export) and is asked, now and then, whether to stop.
ToolRun runTool(const QString &program, const QStringList &arguments, qint64 maxOutput,
                const JetFile::Watch &watch, const QString &table)
{
    const QString name = QFileInfo(program).fileName();
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MDB_JET3_CHARSET"), QStringLiteral("CP932"));
    env.insert(QStringLiteral("MDBICONV"), QStringLiteral("UTF-8"));
    process.setProcessEnvironment(env);
    process.setStandardInputFile(QProcess::nullDevice());
#ifdef Q_OS_UNIX
    const pid_t parent = ::getpid();
    process.setChildProcessModifier([parent] {
        ::setpgid(0, 0);
#ifdef Q_OS_LINUX
        // The tool dies with this program, even one killed outright; when
        // that has happened already, the tool does not start at all.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
#endif
    });
#endif
    process.start(program, arguments);
    if (!process.waitForStarted())
        return {{}, name + QStringLiteral(": cannot start: ") + process.errorString()};
    const qint64 group = process.processId();

    ToolRun run;
    QByteArray errors;
    int lines = 0;
    QEventLoop loop;
    QTimer silence;
    silence.setSingleShot(true);
    QTimer poll;
    const auto stop = [&](const QString &why) {
        if (run.failure.isEmpty())
            run.failure = why;
        loop.quit();
    };
    const auto take = [&] {
        const QByteArray more = process.readAllStandardOutput();
        if (run.output.size() + more.size() > maxOutput) {
            stop(name + QStringLiteral(": printed more than a file of this size can hold (%1 bytes)").arg(maxOutput));
            return;
        }
        run.output += more;
        lines += static_cast<int>(more.count('\n'));
        if (!more.isEmpty())
            silence.start(silenceLimit());
        if (watch.reading && !more.isEmpty())
            watch.reading(table, lines);
    };
    QObject::connect(&process, &QProcess::readyReadStandardOutput, &loop, take);
    QObject::connect(&process, &QProcess::readyReadStandardError, &loop, [&] {
        errors += process.readAllStandardError().left(qMax<qint64>(0, maxErrorBytes - errors.size()));
    });
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&silence, &QTimer::timeout, &loop, [&] {
        stop(name + QStringLiteral(": no answer within %1 s").arg(silenceLimit() / 1000.0));
    });
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (watch.cancelled && watch.cancelled()) {
            run.cancelled = true;
            stop(name + QStringLiteral(": cancelled"));
        }
    });
    silence.start(silenceLimit());
    poll.start(pollMs);
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    if (run.failure.isEmpty())
        take(); // what the tool printed last
    // Whatever it left running goes with it.
    stopGroup(process, group);
    if (!run.failure.isEmpty()) {
        run.output.clear();
        return run;
    }
    errors += process.readAllStandardError().left(qMax<qint64>(0, maxErrorBytes - errors.size()));
    if (process.exitStatus() != QProcess::NormalExit)
        return {{}, name + QStringLiteral(": crashed: ") + firstLine(errors)};
    if (process.exitCode() != 0)
        return {{}, name + QStringLiteral(": exit status %1: ").arg(process.exitCode()) + firstLine(errors)};
    // The tools end with status 0 after some read errors (a page missing at
    // the end of the file yields fewer rows and a warning), so any message
    // counts as a failure.
    if (!errors.trimmed().isEmpty())
        return {{}, name + QStringLiteral(": ") + firstLine(errors)};
    return run;
}

// Splits mdb-export's CSV: fields separated by commas, each row ended by
// "\n"; quoted fields (all texts) may hold commas, line ends and doubled
// quotes. Nothing for output cut short or with text after a closing quote.
std::optional<std::vector<QStringList>> parseCsv(const QString &text)
{
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n')))
        return std::nullopt;
    std::vector<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false, closed = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c != QLatin1Char('"')) {
                field += c;
            } else if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                field += text[++i];
            } else {
                quoted = false;
                closed = true;
            }
        } else if (c == QLatin1Char(',') || c == QLatin1Char('\n')) {
            row << field;
            field.clear();
            closed = false;
            if (c == QLatin1Char('\n'))
                rows.push_back(std::exchange(row, {}));
        } else if (closed) {
            return std::nullopt;
        } else if (c == QLatin1Char('"') && field.isEmpty()) {
            quoted = true;
        } else {
            field += c;
        }
    }
    if (quoted)
        return std::nullopt;
    return rows;
}

template <typename Result>
Result unreadable(const QString &detail)
{
    Result result;
    result.detail = detail;
    return result;
}

template <typename Result>
Result failedRun(const ToolRun &run)
{
    Result result;
    result.status = run.cancelled ? JetFile::Status::Cancelled : JetFile::Status::Unreadable;
    result.detail = run.failure;
    return result;
}

// A path that starts with a folder can never be taken for an option.
QString argument(const QString &path)
{
    return QFileInfo(path).isRelative() ? QStringLiteral("./") + path : path;
}

// A results file holds texts of a few bytes each; its export, in UTF-8 with
// quotes and commas, is never many times its own size.
qint64 outputLimit(const QString &path)
{
    return 4 * QFileInfo(path).size() + 64 * 1024;
}

// A Jet file is made of whole pages. The tools read a page cut short as if
// it ended in zeros, which turns its rows into empty ones without a message.
QString partialPage(const QString &path)
{
    const std::optional<int> jet = JetFile::version(path);
    if (!jet)
        return QString();
    const qint64 pageSize = *jet == 3 ? 2048 : 4096;
    const qint64 size = QFileInfo(path).size();
    if (size % pageSize == 0)
        return QString();
    return QStringLiteral("the file ends within a page (%1 bytes, pages of %2)").arg(size).arg(pageSize);
}
// The first bytes of a regular file, where Access files name their format;
// nothing is opened that is not a regular file.
QByteArray headOf(const QString &path)
{
    QFile file(path);
    if (RecordFile::kindOf(path) != RecordFile::Kind::Regular || !file.open(QIODevice::ReadOnly))
        return QByteArray();
    const QByteArray head = file.read(0x15);
    return head.size() < 0x15 ? QByteArray() : head;
}
} // namespace

bool JetFile::isNewerAccess(const QString &path)
{
    return headOf(path).mid(4, 15) == "Standard ACE DB";
}

std::optional<int> JetFile::version(const QString &path)
{
    const QByteArray head = headOf(path);
    if (head.mid(4, 15) != "Standard Jet DB")
        return std::nullopt;
    switch (head[0x14]) {
    case 0:
        return 3;
    case 1:
        return 4;
    default:
        return std::nullopt;
    }
}

void JetFile::setSilenceLimitMs(int ms)
{
    silenceLimit() = ms;
}

QString JetFile::Listing::stored(const QString &name) const
{
    for (const QString &table : tableNames) {
        if (table.compare(name, Qt::CaseInsensitive) == 0)
            return table;
    }
    return QString();
}

JetFile::Listing JetFile::tables(const QString &path, const Watch &watch)
{
    const QString lister = QStandardPaths::findExecutable(listTool);
    if (lister.isEmpty() || QStandardPaths::findExecutable(exportTool).isEmpty()) {
        Listing missing;
        missing.status = Status::ToolsMissing;
        missing.detail = (lister.isEmpty() ? listTool : exportTool) + QStringLiteral(": not found");
        return missing;
    }
    if (const QString cut = partialPage(path); !cut.isEmpty())
        return unreadable<Listing>(cut);
    const ToolRun run = runTool(lister, {QStringLiteral("-1"), argument(path)}, outputLimit(path), watch, QString());
    if (!run.failure.isEmpty())
        return failedRun<Listing>(run);
    Listing listing;
    listing.status = Status::Read;
    listing.tableNames = QString::fromUtf8(run.output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return listing;
}

JetFile::Contents JetFile::read(const QString &path, const Listing &listing, const QStringList &wanted,
                                const Watch &watch)
{
    const QString exporter = QStandardPaths::findExecutable(exportTool);
    if (exporter.isEmpty()) {
        Contents missing;
        missing.status = Status::ToolsMissing;
        missing.detail = exportTool + QStringLiteral(": not found");
        return missing;
    }
    Contents contents;
    for (const QString &want : wanted) {
        const QString stored = listing.stored(want);
        if (stored.isEmpty())
            continue;
        const ToolRun exported = runTool(exporter, {argument(path), stored}, outputLimit(path), watch, want);
        if (!exported.failure.isEmpty())
            return failedRun<Contents>(exported);
        auto rows = parseCsv(QString::fromUtf8(exported.output));
        if (!rows || rows->empty())
            return unreadable<Contents>(exportTool + QStringLiteral(": unreadable output for table ") + stored);
        Table table{rows->front(), {rows->begin() + 1, rows->end()}};
        for (const QStringList &row : table.rows) {
            if (row.size() != table.columns.size())
                return unreadable<Contents>(exportTool + QStringLiteral(": a row of table %1 has %2 fields, not %3")
                                                             .arg(stored).arg(row.size()).arg(table.columns.size()));
        }
        contents.tables[want] = table;
    }
    contents.status = Status::Read;
    return contents;
}
