#include "store/jet_carry_over.h"

#include "store/jet_file.h"
#include "store/record_file.h"
#include "store/results_log.h"
#include "store/results_schema.h"

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

bool JetCarryOver::fits(const ResultRow &row)
{
    const QString &when = row.when;
    if (row.holdsQuote())
        return false;
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (!digits.match(row.score).hasMatch())
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
    using S = ResultsSchema;
    Result result;
    const JetFile::Contents old = JetFile::read(path, {S::settingsTable, S::resultsTable});
    if (old.status != JetFile::Status::Read) {
        result.status = old.status == JetFile::Status::ToolsMissing ? Status::ToolsMissing
                                                                     : Status::Unreadable;
        result.reason = old.detail;
        return result;
    }
    const JetFile::Table *settings = table(old, S::settingsTable);
    const JetFile::Table *results = table(old, S::resultsTable);
    const int periodColumn = settings ? column(*settings, S::periodColumn) : -1;
    const int whenColumn = results ? column(*results, S::whenColumn) : -1;
    const int drillColumn = results ? column(*results, S::drillColumn) : -1;
    const int scoreColumn = results ? column(*results, S::scoreColumn) : -1;
    if (periodColumn < 0 || whenColumn < 0 || drillColumn < 0 || scoreColumn < 0) {
        result.status = Status::NotOurs;
        result.reason = old.tableNames.join(QStringLiteral(", "));
        return result;
    }

    // A settings table without a usable row gets the period a new file starts with.
    QString period = S::firstPeriod;
    if (!settings->rows.empty()) {
        const QString stored = settings->rows.front().value(periodColumn);
        if (!stored.isEmpty() && !ResultRow::holdsQuote(stored))
            period = stored;
    }
    std::vector<ResultRow> rows;
    for (const QStringList &row : results->rows) {
        const ResultRow texts{row.value(whenColumn), row.value(drillColumn), row.value(scoreColumn)};
        if (fits(texts))
            rows.push_back(texts);
        else
            result.misfits.append(texts.when + QStringLiteral("　") + texts.drill + QStringLiteral("　") + texts.score);
    }

    const QString building = RecordFile::temporaryName(path, QStringLiteral("carrying"));
    StoreOutcome done = ResultsLog::build(building, period, rows);
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
