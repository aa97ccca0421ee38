#include "scores/score_list_model.h"

#include "store/results_schema.h"

namespace {
constexpr int columns = 3;
} // namespace

ScoreListModel::ScoreListModel(QObject *parent) : QAbstractTableModel(parent) {}

StoreOutcome ScoreListModel::list(const ResultsLog &log, const QString &drillName)
{
    ResultsLog::ResultsPage page = log.readResults(drillName, std::nullopt, pageRows);
    if (!page.outcome) {
        clear();
        return page.outcome;
    }
    beginResetModel();
    log_ = &log;
    drill_ = drillName;
    rows_ = std::move(page.rows);
    lastKey_ = page.lastKey;
    complete_ = static_cast<int>(rows_.size()) < pageRows;
    endResetModel();
    return page.outcome;
}

void ScoreListModel::clear()
{
    beginResetModel();
    log_ = nullptr;
    rows_.clear();
    complete_ = true;
    endResetModel();
}

int ScoreListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ScoreListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : columns;
}

QVariant ScoreListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()
        || index.column() >= columnCount())
        return QVariant();
    const ResultRow &row = rows_[static_cast<size_t>(index.row())];
    switch (index.column()) {
    case 0:
        return row.when;
    case 1:
        return row.drill;
    default:
        return row.score;
    }
}

QVariant ScoreListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= columns)
        return QAbstractTableModel::headerData(section, orientation, role);
    const QString *names[columns] = {&ResultsSchema::whenColumn, &ResultsSchema::drillColumn,
                                     &ResultsSchema::scoreColumn};
    return *names[section];
}

bool ScoreListModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && !complete_;
}

void ScoreListModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    ResultsLog::ResultsPage page = log_->readResults(drill_, lastKey_, pageRows);
    if (!page.outcome) {
        complete_ = true;
        emit pageFailed(page.outcome.reason);
        return;
    }
    complete_ = static_cast<int>(page.rows.size()) < pageRows;
    if (page.rows.empty())
        return;
    const int first = rowCount();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(page.rows.size()) - 1);
    for (ResultRow &row : page.rows)
        rows_.push_back(std::move(row));
    lastKey_ = page.lastKey;
    endInsertRows();
}
