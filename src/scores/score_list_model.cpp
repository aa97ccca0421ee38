#include "scores/score_list_model.h"

ScoreListModel::ScoreListModel(QObject *parent) : QAbstractTableModel(parent) {}

StoreOutcome ScoreListModel::list(const RecordStore &store, const QString &drillName)
{
    RecordStore::ResultsPage page = store.readResults(drillName, std::nullopt, pageRows);
    if (!page.outcome) {
        clear();
        return page.outcome;
    }
    beginResetModel();
    store_ = store;
    drill_ = drillName;
    columns_ = page.columns;
    rows_ = std::move(page.rows);
    lastKey_ = page.lastKey;
    complete_ = static_cast<int>(rows_.size()) < pageRows;
    endResetModel();
    return page.outcome;
}

void ScoreListModel::clear()
{
    beginResetModel();
    store_.reset();
    columns_.clear();
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
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant ScoreListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()
        || index.column() >= columnCount())
        return QVariant();
    return rows_[static_cast<size_t>(index.row())].value(index.column());
}

QVariant ScoreListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section >= columns_.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    return columns_[section];
}

bool ScoreListModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && !complete_;
}

void ScoreListModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    RecordStore::ResultsPage page = store_->readResults(drill_, lastKey_, pageRows);
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
    for (QStringList &row : page.rows)
        rows_.push_back(std::move(row));
    lastKey_ = page.lastKey;
    endInsertRows();
}
