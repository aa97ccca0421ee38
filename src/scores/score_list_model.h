#pragma once

#include "store/results_log.h"

#include <QAbstractTableModel>

#include <optional>
#include <vector>

// The rows of one drill for the score grid, under the results table's column
// names, read a page at a time as the grid
// asks for more. Each page is its own short read of the file, so nothing
// holds the file between pages and a drill window closing meanwhile writes
// its row at once.
class ScoreListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int pageRows = 200;

    explicit ScoreListModel(QObject *parent = nullptr);

    // Lists a drill's rows afresh, reading the first page now.
    StoreOutcome list(const ResultsLog &log, const QString &drillName);
    void clear();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

signals:
    // A later page could not be read; the list ends where it is.
    void pageFailed(const QString &reason);

private:
    const ResultsLog *log_ = nullptr; // the file listed, while more can be read
    QString drill_;
    std::vector<ResultRow> rows_;
    std::optional<ResultsLog::RowKey> lastKey_;
    bool complete_ = true;
};
