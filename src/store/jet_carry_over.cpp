#include "store/jet_carry_over.h"

#include "store/carry_over_lock.h"
#include "store/jet_file.h"
#include "store/record_file.h"
#include "store/results_log.h"
#include "store/results_schema.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
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

// True when `name` is a second name of the file at `path` (a hard link, not
// a symbolic one): what a carry-over stopped between keeping the old file and
// putting the new one in place leaves.
bool isLinkOf(const QString &name, const QString &path)
{
    namespace fs = std::filesystem;
    std::error_code error;
    return fs::symlink_status(fsPath(name), error).type() == fs::file_type::regular
           && fs::equivalent(fsPath(name), fsPath(path), error) && !error;
}

// Keeps the old file under `kept` and puts the new one in its place. The old
// file is linked (or else copied) to its new name first, unless it has that
// name already, and then replaced in one step, so at every moment the results
// file is either the old one or the new one.
StoreOutcome swapIn(const QString &path, const QString &building, const QString &kept)
{
    std::error_code error;
    const bool keptBefore = isLinkOf(kept, path);
    if (!keptBefore) {
        std::filesystem::create_hard_link(fsPath(path), fsPath(kept), error);
        if (error && !QFile::copy(path, kept))
            return StoreOutcome::failed(QStringLiteral("cannot keep the old file as ") + kept);
    }
    std::filesystem::rename(fsPath(building), fsPath(path), error);
    if (error) {
        if (!keptBefore)
            QFile::remove(kept);
        return StoreOutcome::failed(QString::fromStdString(error.message()));
    }
    return StoreOutcome::ok();
}
// What is known of a file to see that it is still the one that was read.
struct Seen
{
    qint64 size;
    QDateTime modified;
    bool operator==(const Seen &) const = default;
};

Seen seen(const QString &path)
{
    const QFileInfo info(path);
    return {info.size(), info.lastModified()};
}
} // namespace

bool JetCarryOver::isResultsFile(const JetFile::Listing &listing)
{
    return !listing.stored(ResultsSchema::settingsTable).isEmpty()
           && !listing.stored(ResultsSchema::resultsTable).isEmpty();
}

bool JetCarryOver::fits(const ResultRow &row)
{
    static const QRegularExpression dateText(
        QStringLiteral("^([0-9]{4})/([0-9]{2})/([0-9]{2})(?: ([0-9]{1,2}):([0-9]{2}):([0-9]{2}))?$"));
    const QRegularExpressionMatch m = dateText.match(row.when);
    if (!m.hasMatch() || !QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()).isValid())
        return false;
    return m.captured(4).isEmpty()
           || QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt()).isValid();
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
        if (!RecordFile::existsInAnyCase(candidate) || isLinkOf(candidate, path))
            return candidate;
    }
}

JetCarryOver::Result JetCarryOver::run(const QString &path, const JetFile::Listing &listing,
                                       const Progress &progress)
{
    using S = ResultsSchema;
    Result result;
    // A second copy of the program that reaches this point while the first
    // is carrying the file over stops here; one that comes after finds the
    // file carried over already.
    CarryOverLock lock(path);
    switch (lock.take()) {
    case CarryOverLock::Status::Taken:
        break;
    case CarryOverLock::Status::HeldByAnotherCopy:
        result.status = Status::InProgress;
        return result;
    case CarryOverLock::Status::NoPermission:
        result.status = Status::NoPermission;
        return result;
    case CarryOverLock::Status::InTheWay:
        result.status = Status::LockInTheWay;
        result.lock = lock.name();
        result.lockKind = lock.kind();
        return result;
    case CarryOverLock::Status::Failed:
        result.status = Status::Failed;
        result.reason = QStringLiteral("cannot make the lock ") + lock.name();
        return result;
    }
    const std::optional<int> jetVersion = JetFile::version(path);
    if (!jetVersion) {
        result.status = Status::AlreadyCarried;
        return result;
    }
    const Seen before = seen(path);

    const auto reached = [&](Step step, int rows) {
        if (progress.reached)
            progress.reached(step, rows);
    };
    const JetFile::Watch watch{[&](const QString &table, int lines) {
                                   // The first line of an export names the columns.
                                   reached(table == S::settingsTable ? Step::ReadingSettings : Step::ReadingResults,
                                           std::max(0, lines - 1));
                               },
                               progress.cancelled};
    reached(Step::ReadingSettings, 0);
    const JetFile::Contents old = JetFile::read(path, listing, {S::settingsTable, S::resultsTable}, watch);
    if (old.status != JetFile::Status::Read) {
        result.status = old.status == JetFile::Status::Cancelled ? Status::Cancelled : Status::Unreadable;
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
        result.status = Status::Unreadable;
        result.reason = QStringLiteral("the tables have other columns than a results file");
        return result;
    }

    // A settings table without a usable row gets the period a new file starts with.
    QString period = S::firstPeriod;
    if (!settings->rows.empty()) {
        const QString stored = settings->rows.front().value(periodColumn);
        if (!stored.isEmpty())
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
    if (progress.cancelled && progress.cancelled()) {
        result.status = Status::Cancelled;
        return result;
    }

    reached(Step::Writing, static_cast<int>(results->rows.size()));
    const QString building = RecordFile::temporaryName(path, QStringLiteral("carrying"));
    StoreOutcome done = ResultsLog::build(building, period, rows);
    if (done && progress.cancelled && progress.cancelled()) {
        RecordFile::removeWithJournal(building);
        result.status = Status::Cancelled;
        return result;
    }
    // Only the file that was read is swapped out.
    if (done && (seen(path) != before || JetFile::version(path) != jetVersion))
        done = StoreOutcome::failed(QStringLiteral("the file was changed while it was read"));
    if (done) {
        result.keptAs = keptName(path, *jetVersion);
        done = swapIn(path, building, result.keptAs);
    }
    if (!done) {
        RecordFile::removeWithJournal(building);
        result.status = Status::Failed;
        result.reason = done.reason;
        result.keptAs.clear();
        return result;
    }
    result.status = Status::CarriedOver;
    result.carried = static_cast<int>(rows.size());
    return result;
}
