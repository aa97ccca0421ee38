#pragma once

#include "platform/form.h"
#include "scores/score_chart_data.h"
#include "store/results_log.h"

#include <QList>

#include <memory>
#include <vector>

class QBarSet;
class QButtonGroup;
class QCategoryAxis;
class QChart;
class QChartView;
class QLabel;
class QLineSeries;
class QRadioButton;
class QScatterSeries;
class QValueAxis;

// The progress window "成績のグラフ", for a parent: one drill at a time, each
// sitting's score as a point over its day with a line through each day's
// best, and below it a bar per day of how many sittings there were (per few
// days, when the days are more than the bars that fit), over the days the
// results are kept. It only reads: each drill chosen is read afresh by one
// statement, and nothing holds the file in between.
class ScoreChartWindow : public Form
{
    Q_OBJECT
public:
    explicit ScoreChartWindow(const ResultsLog &log);
    ~ScoreChartWindow() override;

    // Shows the chart of the drill at a row of the drill table: opens the
    // window on it, or switches the open window to it.
    void showDrill(int drillIndex);
    // Names the child whose results these are after the caption (the parents'
    // corner shows any child's chart); by default, the child who practises.
    void setChild(const QString &name);

    QList<QRadioButton *> options; // one per drill, in the drill table's order
    QButtonGroup *optionGroup = nullptr;
    QChartView *scoreView = nullptr; // points and the daily best
    QChartView *countView = nullptr; // sittings per day, or per few days
    QLabel *summary = nullptr;       // the days shown, sittings and days practised
    QLabel *chosen = nullptr;        // the point last clicked: its date text and score
    QLabel *leftOutLine = nullptr;   // rows that could not be placed, when there are any

public slots:
    // Reads and draws the drill at a row of the drill table.
    void drillChosen(int drillIndex);
    // A row of `drill` was appended: the chosen drill's is read again.
    void resultsAppended(const QString &drill);

protected:
    void Form_Load() override;

private:
    void draw(const QString &drill);
    // The text of a point's tooltip, and of `chosen` once it is clicked: the
    // date text of its first sitting, how many more it stands for, the score.
    QString pointText(const QPointF &point) const;
    // The text of a bar's tooltip: its day or days and their sittings.
    QString barText(int bar) const;
    // Where a day (after the first shown) stands on the charts' shared axis,
    // on which bar b spans b - 0.5 to b + 0.5.
    double xOf(int day) const;

    const ResultsLog &log_;
    int drill_ = 0;

    QChart *scoreChart_ = nullptr;
    QChart *countChart_ = nullptr;
    QScatterSeries *points_ = nullptr;
    QLineSeries *best_ = nullptr;
    QBarSet *counts_ = nullptr;
    QCategoryAxis *scoreDays_ = nullptr;
    QCategoryAxis *countDays_ = nullptr;
    QValueAxis *scoreAxis_ = nullptr;
    QValueAxis *countAxis_ = nullptr;

    // The drill's rows as read, and what the chart makes of them.
    std::vector<ResultsLog::ScoreRow> rows_;
    std::unique_ptr<ScoreChartData> data_;
    ScoreChartData::Bars bars_;
    // Each point drawn, by day and score: the first of the sittings it stands
    // for (in data_->points) and how many they are.
    struct Marker
    {
        int first;
        int count;
    };
    std::vector<Marker> markers_;
};
