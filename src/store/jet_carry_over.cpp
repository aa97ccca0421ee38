#include "store/jet_carry_over.h"

#include "platform/project_globals.h"
#include "store/jet_file.h"
#include "store/record_database.h"
#include "store/record_file.h"
#include "store/record_store.h"
#include "store/statements.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <filesystem>
#include <system_error>

namespace {
using Status = JetCarryOver::Result::Status;

// The column of a table by name, ignoring case as the old engine does; -1 when absent.
int column(const JetFile::Table &table, const QString &name)
{
    for (int i = 0; i < table.columns.size(); ++i) {
        if (table.columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

// A table read under the name it was asked for; nullptr when the file has none.
const JetFile::Table *table(const JetFile::Contents &contents, const QString &name)
{
    const auto found = contents.tables.find(name);
    return found == contents.tables.end() ? nullptr : &found->second;
}

std::filesystem::path fsPath(const QString &path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

// Writes the new file at `building`: ENV with the period, LOG with the rows.
StoreOutcome writeNewFile(const QString &building, const QString &period,
                          const std::vector<QStringList> &rows)
{
    {
        RecordDatabase created;
        if (!created.create(building))
            return StoreOutcome::failed(created.lastError());
    }
    RecordDatabase db;
    QString statement;
    if (!db.open(building) || !RecordStore::SQL_CRE_CUR(db, statement)
        || (period != QStringLiteral("90") && !db.execute(Statements::savePeriod(period))))
        return StoreOutcome::failed(db.lastError());
    // One transaction: thousands of rows are written in a moment, and an
    // interrupted carry-over leaves no half-filled table.
    if (!db.transaction())
        return StoreOutcome::failed(db.lastError());
    for (const QStringList &row : rows) {
        if (!db.execute(Statements::insertResult(row[0], row[1], row[2])))
            return StoreOutcome::failed(db.lastError());
    }
    return db.commit() ? StoreOutcome::ok() : StoreOutcome::failed(db.lastError());
}

// Keeps the old file under `kept` and puts the new one in its place. The old
// file is linked (or else copied) to its new name first and then replaced in
// one step, so at every moment the results file is either the old one or the
// new one.
StoreOutcome swapIn(const QString &path, const QString &building, const QString &kept)
{
    std::error_code error;
    std::filesystem::create_hard_link(fsPath(path), fsPath(kept), error);
    if (error && !QFile::copy(path, kept))
        return StoreOutcome::failed(QStringLiteral("cannot keep the old file as ") + kept);
    std::filesystem::rename(fsPath(building), fsPath(path), error);
    if (error) {
        QFile::remove(kept);
        return StoreOutcome::failed(QString::fromStdString(error.message()));
    }
    return StoreOutcome::ok();
}
} // namespace

bool JetCarryOver::fits(const QString &when, const QString &drill, const QString &score)
{
    for (const QString *text : {&when, &drill, &score}) {
        if (text->contains(QLatin1Char('\'')))
            return false;
    }
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (!digits.match(score).hasMatch())
        return false;
    static const QRegularExpression dateText(
        QStringLiteral("^([0-9]{4})/([0-9]{2})/([0-9]{2})(?: ([0-9]{1,2}):([0-9]{2}):([0-9]{2}))?$"));
    const QRegularExpressionMatch m = dateText.match(when);
    if (!m.hasMatch())
        return false;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!date.isValid())
        return false;
    if (m.captured(4).isEmpty())
        return true;
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    // Midnight is written as the date alone, and the hour is never padded.
    return time.isValid() && time != QTime(0, 0) && !m.captured(4).startsWith(QLatin1Char('0'));
}

QString JetCarryOver::keptName(const QString &path, int jetVersion)
{
    const QFileInfo info(path);
    const QString stem = info.completeBaseName();
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    for (int n = 1;; ++n) {
        const QString number = n == 1 ? QString() : QStringLiteral("-%1").arg(n);
        const QString candidate = info.dir().filePath(
            QStringLiteral("%1.jet%2%3%4").arg(stem).arg(jetVersion).arg(number, suffix));
        if (!RecordFile::existsInAnyCase(candidate))
            return candidate;
    }
}

JetCarryOver::Result JetCarryOver::run(const QString &path)
{
    const ProjectGlobals &g = ProjectGlobals::instance();
    Result result;
    const JetFile::Contents old = JetFile::read(path, {g.settingsTableName, g.resultsTableName});
    if (old.status != JetFile::Status::Read) {
        result.status = old.status == JetFile::Status::ToolsMissing ? Status::ToolsMissing
                                                                     : Status::Unreadable;
        result.reason = old.detail;
        return result;
    }
    const JetFile::Table *settings = table(old, g.settingsTableName);
    const JetFile::Table *results = table(old, g.resultsTableName);
    const int periodColumn = settings ? column(*settings, QStringLiteral("SET_LOG")) : -1;
    const int whenColumn = results ? column(*results, QStringLiteral("日時")) : -1;
    const int drillColumn = results ? column(*results, QStringLiteral("科目")) : -1;
    const int scoreColumn = results ? column(*results, QStringLiteral("得点")) : -1;
    if (periodColumn < 0 || whenColumn < 0 || drillColumn < 0 || scoreColumn < 0) {
        result.status = Status::NotOurs;
        result.reason = old.tableNames.join(QStringLiteral(", "));
        return result;
    }

    // A settings table without a usable row gets the period a new file starts with.
    QString period = QStringLiteral("90");
    if (!settings->rows.empty()) {
        const QString stored = settings->rows.front().value(periodColumn);
        if (!stored.isEmpty() && !stored.contains(QLatin1Char('\'')))
            period = stored;
    }
    std::vector<QStringList> rows;
    for (const QStringList &row : results->rows) {
        const QStringList texts{row.value(whenColumn), row.value(drillColumn), row.value(scoreColumn)};
        if (fits(texts[0], texts[1], texts[2]))
            rows.push_back(texts);
        else
            result.misfits.append(texts.join(QStringLiteral("　")));
    }

    const QFileInfo info(path);
    const QString building = info.dir().filePath(
        QStringLiteral(".%1.%2.carrying").arg(info.fileName()).arg(QCoreApplication::applicationPid()));
    QFile::remove(building);
    StoreOutcome done = writeNewFile(building, period, rows);
    if (done) {
        result.keptAs = keptName(path, JetFile::version(path).value_or(3));
        done = swapIn(path, building, result.keptAs);
    }
    if (!done) {
        QFile::remove(building);
        result.status = Status::Failed;
        result.reason = done.reason;
        result.keptAs.clear();
        return result;
    }
    result.status = Status::CarriedOver;
    result.carried = static_cast<int>(rows.size());
    return result;
}
