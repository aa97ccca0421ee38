#include "store/jet_file.h"

#include "store/record_file.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include <algorithm>
#include <utility>

namespace {
constexpr int toolTimeoutMs = 30000;
const QString listTool = QStringLiteral("mdb-tables");
const QString exportTool = QStringLiteral("mdb-export");

struct ToolRun
{
    QByteArray output;
    QString failure; // empty when the tool ended with status 0 and printed no message
};

QString firstLine(const QByteArray &text)
{
    const QString line = QString::fromUtf8(text).trimmed().section(QLatin1Char('\n'), 0, 0).trimmed();
    return line.isEmpty() ? QStringLiteral("no message") : line;
}

ToolRun runTool(const QString &program, const QStringList &arguments)
{
    const QString name = QFileInfo(program).fileName();
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MDB_JET3_CHARSET"), QStringLiteral("CP932"));
    env.insert(QStringLiteral("MDBICONV"), QStringLiteral("UTF-8"));
    process.setProcessEnvironment(env);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted(toolTimeoutMs))
        return {{}, name + QStringLiteral(": cannot start: ") + process.errorString()};
    if (!process.waitForFinished(toolTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {{}, name + QStringLiteral(": no answer within %1 s").arg(toolTimeoutMs / 1000)};
    }
    const QByteArray errors = process.readAllStandardError();
    if (process.exitStatus() != QProcess::NormalExit)
        return {{}, name + QStringLiteral(": crashed: ") + firstLine(errors)};
    if (process.exitCode() != 0)
        return {{}, name + QStringLiteral(": exit status %1: ").arg(process.exitCode()) + firstLine(errors)};
    // The tools end with status 0 after some read errors (a page missing at
    // the end of the file yields fewer rows and a warning), so any message
    // counts as a failure.
    if (!errors.trimmed().isEmpty())
        return {{}, name + QStringLiteral(": ") + firstLine(errors)};
    return {process.readAllStandardOutput(), {}};
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

JetFile::Contents unreadable(const QString &detail)
{
    JetFile::Contents contents;
    contents.detail = detail;
    return contents;
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

JetFile::Contents JetFile::read(const QString &path, const QStringList &wanted)
{
    const QString lister = QStandardPaths::findExecutable(listTool);
    const QString exporter = QStandardPaths::findExecutable(exportTool);
    if (lister.isEmpty() || exporter.isEmpty()) {
        Contents missing;
        missing.status = Status::ToolsMissing;
        missing.detail = (lister.isEmpty() ? listTool : exportTool) + QStringLiteral(": not found");
        return missing;
    }
    if (const QString cut = partialPage(path); !cut.isEmpty())
        return unreadable(cut);
    // A path that starts with a folder can never be taken for an option.
    const QString file = QFileInfo(path).isRelative() ? QStringLiteral("./") + path : path;
    const ToolRun listing = runTool(lister, {QStringLiteral("-1"), file});
    if (!listing.failure.isEmpty())
        return unreadable(listing.failure);

    Contents contents;
    contents.tableNames = QString::fromUtf8(listing.output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &want : wanted) {
        const auto stored = std::find_if(contents.tableNames.cbegin(), contents.tableNames.cend(),
                                         [&](const QString &n) { return n.compare(want, Qt::CaseInsensitive) == 0; });
        if (stored == contents.tableNames.cend())
            continue;
        const ToolRun exported = runTool(exporter, {file, *stored});
        if (!exported.failure.isEmpty())
            return unreadable(exported.failure);
        auto rows = parseCsv(QString::fromUtf8(exported.output));
        if (!rows || rows->empty())
            return unreadable(exportTool + QStringLiteral(": unreadable output for table ") + *stored);
        Table table{rows->front(), {rows->begin() + 1, rows->end()}};
        for (const QStringList &row : table.rows) {
            if (row.size() != table.columns.size())
                return unreadable(exportTool + QStringLiteral(": a row of table %1 has %2 fields, not %3")
                                                   .arg(*stored).arg(row.size()).arg(table.columns.size()));
        }
        contents.tables[want] = table;
    }
    contents.status = Status::Read;
    return contents;
}
