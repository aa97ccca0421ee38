#include "scores/score_chart_window.h"

#include "platform/colours.h"
#include "platform/dialogs.h"
#include "platform/fonts.h"
#include "platform/system_clock.h"
#include "platform/twips.h"
#include "scores/drill_options.h"
#include "scores/score_chart_data.h"
#include "store/leading_number.h"
#include "store/results_changes.h"
#include "store/results_schema.h"
#include "store/store_messages.h"

#include <QBarSeries>
#include <QBarSet>
#include <QButtonGroup>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QImage>
#include <QLabel>
#include <QLegend>
#include <QLineSeries>
#include <QPainter>
#include <QRadioButton>
#include <QScatterSeries>
#include <QToolTip>
#include <QValueAxis>

#include <algorithm>
#include <functional>

namespace {
// The plot areas of both charts in pixels from the chart's edges, the same
// left and right so that a day's bar stands under its points.
constexpr int plotLeft = 36;
constexpr int plotRight = 20; // half a date, for the last day's
constexpr int legendHeight = 24;
constexpr int scoreBottom = 8;
constexpr int countBottom = 22; // room for the dates under the bars

const QColor pointColour(0, 0, 192);
const QColor bestColour(224, 0, 0);
const QColor barBorder(192, 96, 0);

// A round point, drawn once as an image: the chart paints an image per point
// far faster than an item of its own per point, which a drill with thousands
// of points would feel. Drawn large, so that it stays round on HiDPI screens.
QImage dot(const QColor &colour)
{
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(0, 0, 32, 32));
    return image;
}

QFont chartFont()
{
    return Twips::font(Fonts::pGothic, 9);
}

// A step for an axis of whole numbers up to `top` that gives at most `steps`
// steps.
int niceStep(int top, int steps)
{
    for (int step : {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000})
        if (top <= step * steps)
            return step;
    return (top + steps - 1) / steps;
}

// Whole numbers from 0 to a step above `top`, so that the highest point is
// drawn whole, a label every nice step.
void wholeNumbers(QValueAxis *axis, int top, int steps)
{
    const int step = niceStep(std::max(top, 1), steps);
    axis->setRange(0, step * (std::max(top, 0) / step + 1));
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(step);
    axis->setLabelFormat(QStringLiteral("%d"));
}

// A date under every few of the days shown, the last day (today) always
// among them, each where `at` puts its day on the axis.
void dates(QCategoryAxis *axis, const QDate &first, int days, int bars, const std::function<double(int)> &at)
{
    for (const QString &label : axis->categoriesLabels())
        axis->remove(label);
    int step = (days + 6) / 7;
    for (int nice : {1, 2, 7, 14, 28, 56, 91, 182, 364}) {
        if (days <= nice * 7) {
            step = nice;
            break;
        }
    }
    // Over years the dates are shortened to fit: the month, then the year alone.
    const QDate last = first.addDays(days - 1);
    const QString format = first.year() == last.year() ? QStringLiteral("M/d")
                           : step < 182                ? QStringLiteral("yyyy/M/d")
                           : step <= 364               ? QStringLiteral("yyyy/M")
                                                       : QStringLiteral("yyyy");
    axis->setStartValue(-0.5);
    for (int day = (days - 1) % step; day < days; day += step)
        axis->append(QLocale::c().toString(first.addDays(day), format), at(day));
    axis->setRange(-0.5, bars - 0.5);
}

// A chart view of its own chart (a view made without one would keep a
// default chart in its scene).
QChartView *newChartView(QWidget *parent, const QString &name)
{
    auto *chart = new QChart();
    chart->setAnimationOptions(QChart::NoAnimation);
    // A chart whose plot area is placed by hand draws no background of its
    // own: the view's shows, white as the score window's grid, so that the
    // points read well on the green window.
    chart->setBackgroundVisible(false);
    chart->setMargins(QMargins());
    chart->legend()->setAlignment(Qt::AlignRight);
    chart->legend()->setFont(chartFont());
    chart->legend()->setBackgroundVisible(false);
    chart->legend()->setLabelColor(Qt::black);
    auto *view = new QChartView(chart, parent);
    view->setObjectName(name);
    view->setFrameShape(QFrame::NoFrame);
    view->setRenderHint(QPainter::Antialiasing);
    view->setBackgroundBrush(Qt::white);
    return view;
}

void styleAxis(QAbstractAxis *axis)
{
    axis->setLabelsFont(chartFont());
    axis->setLabelsColor(Qt::black);
    axis->setGridLineColor(QColor(208, 208, 208));
    axis->setLinePenColor(Qt::darkGray);
}

QCategoryAxis *newDays(QChart *chart)
{
    auto *axis = new QCategoryAxis();
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    styleAxis(axis);
    chart->addAxis(axis, Qt::AlignBottom);
    return axis;
}

QValueAxis *newNumbers(QChart *chart)
{
    auto *axis = new QValueAxis();
    styleAxis(axis);
    chart->addAxis(axis, Qt::AlignLeft);
    return axis;
}

} // namespace

ScoreChartWindow::ScoreChartWindow(const ResultsLog &log)
    : Form(QStringLiteral("成績のグラフ"), QStringLiteral("成績のグラフ"), 9210, 7410), log_(log)
{
    setCaptionWithChild(objectName());
    // The drills stand where the score window has them.
    optionGroup = new QButtonGroup(this);
    options = DrillOptions::make(this, optionGroup, QStringLiteral("drill_"));
    connect(optionGroup, &QButtonGroup::idClicked, this, &ScoreChartWindow::drillChosen);
    // A drill window that closes while the chart is open shows its sitting here.
    connect(&log_.changes(), &ResultsChanges::appended, this, &ScoreChartWindow::resultsAppended);

    scoreView = newChartView(this, QStringLiteral("scoreView"));
    scoreChart_ = scoreView->chart();
    scoreChart_->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
    place(scoreView, 1800, 120, 7335, 4200);
    scoreDays_ = newDays(scoreChart_);
    scoreDays_->setLabelsVisible(false); // the dates stand under the bars
    scoreAxis_ = newNumbers(scoreChart_);
    best_ = new QLineSeries();
    best_->setName(QStringLiteral("その日の最高"));
    best_->setPen(QPen(bestColour, 2));
    points_ = new QScatterSeries();
    points_->setName(ResultsSchema::scoreColumn); // each point is a row's score
    points_->setMarkerShape(QScatterSeries::MarkerShapeCircle);
    points_->setMarkerSize(8);
    points_->setColor(pointColour);
    points_->setBorderColor(pointColour);
    points_->setLightMarker(dot(pointColour));
    for (QAbstractSeries *series : std::initializer_list<QAbstractSeries *>{best_, points_}) {
        scoreChart_->addSeries(series);
        series->attachAxis(scoreDays_);
        series->attachAxis(scoreAxis_);
    }
    connect(points_, &QScatterSeries::hovered, this, [this](const QPointF &point, bool on) {
        if (on)
            QToolTip::showText(QCursor::pos(), pointText(point), scoreView);
        else
            QToolTip::hideText();
    });
    connect(points_, &QScatterSeries::clicked, this,
            [this](const QPointF &point) { setCaption(chosen, pointText(point)); });

    countView = newChartView(this, QStringLiteral("countView"));
    countChart_ = countView->chart();
    place(countView, 1800, 4320, 7335, 2040);
    countDays_ = newDays(countChart_);
    countAxis_ = newNumbers(countChart_);
    counts_ = new QBarSet(QStringLiteral("1日にした回数"));
    counts_->setColor(Colours::lightOrange);
    counts_->setBorderColor(barBorder);
    auto *bars = new QBarSeries();
    bars->setBarWidth(0.7);
    bars->append(counts_);
    countChart_->addSeries(bars);
    bars->attachAxis(countDays_);
    bars->attachAxis(countAxis_);
    connect(counts_, &QBarSet::hovered, this, [this](bool on, int bar) {
        if (on)
            QToolTip::showText(QCursor::pos(), barText(bar), countView);
        else
            QToolTip::hideText();
    });

    // Both plot areas span the same width, so the days line up; the legends
    // stand above them, right-aligned.
    const auto plot = [](QChartView *view, int top, int bottom) {
        const qreal width = view->width() - plotLeft - plotRight;
        view->chart()->setPlotArea(QRectF(plotLeft, top, width, view->height() - top - bottom));
        QLegend *legend = view->chart()->legend();
        legend->detachFromChart();
        legend->setGeometry(QRectF(plotLeft, 0, width, top));
        legend->setBackgroundVisible(false);
        legend->update();
    };
    plot(scoreView, legendHeight, scoreBottom);
    plot(countView, legendHeight, countBottom);

    const QFont text = Twips::font(Fonts::pGothic, 9.75);
    for (QLabel **label : {&summary, &chosen, &leftOutLine}) {
        *label = new QLabel(this);
        (*label)->setFont(text);
    }
    summary->setObjectName(QStringLiteral("summary"));
    chosen->setObjectName(QStringLiteral("chosen"));
    leftOutLine->setObjectName(QStringLiteral("leftOutLine"));
    place(summary, 1800, 6420, 7335, 300);
    place(chosen, 1800, 6720, 7335, 300);
    place(leftOutLine, 1800, 7020, 7335, 300);

    QList<QWidget *> order(options.begin(), options.end());
    order << scoreView << countView;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

ScoreChartWindow::~ScoreChartWindow() = default;

void ScoreChartWindow::showDrill(int drillIndex)
{
    if (drillIndex < 0 || drillIndex >= options.size())
        return;
    if (isLoaded())
        drillChosen(drillIndex);
    else
        drill_ = drillIndex;
    showForm();
}

void ScoreChartWindow::setChild(const QString &name)
{
    // Not the child who practises: this caption names the child chosen.
    setCaptionWithChild(objectName(), name);
}

void ScoreChartWindow::Form_Load()
{
    drillChosen(drill_);
}

void ScoreChartWindow::drillChosen(int drillIndex)
{
    if (drillIndex < 0 || drillIndex >= options.size())
        return;
    drill_ = drillIndex;
    options[drillIndex]->setChecked(true);
    const QString drill = options[drillIndex]->text();
    // A period that cannot be read limits nothing: the chart shows every row.
    // A file held beyond the wait for it is not waited for a second time.
    const ResultsLog::PeriodRead period = log_.readPeriod();
    const double days =
        period.status == ResultsLog::PeriodRead::Status::Read ? LeadingNumber::of(period.text) : 0;
    ResultsLog::DrillScores read;
    if (period.held)
        read.outcome = StoreOutcome::failed(period.reason, true);
    else
        read = log_.readScores(drill);
    if (!read.outcome)
        Dialogs::current().tell(StoreMessages::unreadResults(read.outcome.reason));
    rows_ = std::move(read.rows);
    data_ = std::make_unique<ScoreChartData>(ScoreChartData::of(rows_, days, SystemClock::now().date()));
    draw(drill);
}

double ScoreChartWindow::xOf(int day) const
{
    const int k = bars_.daysPerBar;
    return (day + bars_.lead - (k - 1) / 2.0) / k;
}

void ScoreChartWindow::resultsAppended(const QString &drill)
{
    if (isLoaded() && drill == options[drill_]->text())
        drillChosen(drill_);
}

void ScoreChartWindow::draw(const QString &drill)
{
    const ScoreChartData &data = *data_;
    const QLocale c = QLocale::c();
    // Bars at least two pixels apart: a bar for each few days when the days
    // shown are more than that.
    bars_ = data.bars(static_cast<int>(countChart_->plotArea().width() / 2));
    // Sittings of one day with the same score are one point, drawn once: the
    // points of each day (they come by day) grouped by score.
    markers_.clear();
    QList<QPointF> shown;
    std::vector<int> day;
    for (size_t first = 0; first < data.points.size();) {
        size_t end = first;
        day.clear();
        while (end < data.points.size() && data.points[end].day == data.points[first].day)
            day.push_back(static_cast<int>(end++));
        std::stable_sort(day.begin(), day.end(),
                         [&](int a, int b) { return data.points[a].score < data.points[b].score; });
        for (size_t i = 0; i < day.size();) {
            size_t j = i;
            while (j < day.size() && data.points[day[j]].score == data.points[day[i]].score)
                ++j;
            markers_.push_back({day[i], static_cast<int>(j - i)});
            shown.append(QPointF(xOf(data.points[day[i]].day), data.points[day[i]].score));
            i = j;
        }
        first = end;
    }
    points_->replace(shown);

    QList<QPointF> best;
    int topScore = 0;
    for (const ScoreChartData::Day &d : data.practised) {
        best.append(QPointF(xOf(d.day), d.best));
        topScore = std::max(topScore, d.best);
    }
    best_->replace(best);
    const QList<qreal> counts(bars_.sittings.begin(), bars_.sittings.end());
    counts_->remove(0, counts_->count());
    counts_->append(counts);
    const QString perBar = QStringLiteral("%1日にした回数").arg(bars_.daysPerBar);
    if (counts_->label() != perBar) {
        counts_->setLabel(perBar);
        countChart_->legend()->update(); // placed by hand, it lays out its markers only when told
    }
    const auto at = [this](int d) { return xOf(d); };
    const int barCount = static_cast<int>(bars_.sittings.size());
    dates(scoreDays_, data.firstDay, data.days, barCount, at);
    dates(countDays_, data.firstDay, data.days, barCount, at);
    wholeNumbers(scoreAxis_, topScore, 6);
    // The lower chart is half as high.
    wholeNumbers(countAxis_, *std::max_element(bars_.sittings.begin(), bars_.sittings.end()), 3);

    const QString format = QStringLiteral("yyyy/MM/dd");
    const QString span = data.days == 1 ? c.toString(data.firstDay, format) + QStringLiteral(" ")
                                        : QStringLiteral("%1～%2 の%3日間")
                                              .arg(c.toString(data.firstDay, format),
                                                   c.toString(data.firstDay.addDays(data.days - 1), format))
                                              .arg(data.days);
    const qsizetype sittings = static_cast<qsizetype>(data.points.size());
    const qsizetype practised = static_cast<qsizetype>(data.practised.size());
    if (sittings == 0)
        setCaption(summary, span + QStringLiteral("に成績はありません"));
    else if (data.days == 1)
        setCaption(summary, span + QStringLiteral("に%1回").arg(sittings));
    else
        setCaption(summary, span + QStringLiteral("に%1回、練習した日は%2日").arg(sittings).arg(practised));
    setCaption(chosen, sittings ? QStringLiteral("点をクリックすると、その日時と得点が出ます") : QString());
    setCaption(leftOutLine, data.leftOut ? QStringLiteral("日時が日付でないか今日より後か、得点が数でない成績 %1 件は"
                                                          "入っていません")
                                               .arg(data.leftOut)
                                         : QString());
    leftOutLine->setVisible(data.leftOut > 0);
    scoreView->setAccessibleName(drill + QStringLiteral("の得点のグラフ"));
    scoreView->setAccessibleDescription(summary->text());
    countView->setAccessibleName(drill + QStringLiteral("の") + counts_->label() + QStringLiteral("のグラフ"));
}

QString ScoreChartWindow::pointText(const QPointF &point) const
{
    // The markers stand by day and score, as they were drawn.
    const auto keyOf = [this](const Marker &m) {
        const ScoreChartData::Point &p = data_->points[static_cast<size_t>(m.first)];
        return std::pair(p.day, p.score);
    };
    const int k = bars_.daysPerBar;
    const std::pair<int, int> at(qRound(point.x() * k + (k - 1) / 2.0) - bars_.lead, qRound(point.y()));
    const auto marker = std::lower_bound(markers_.begin(), markers_.end(), at,
                                         [&](const Marker &m, const auto &key) { return keyOf(m) < key; });
    if (marker == markers_.end() || keyOf(*marker) != at)
        return QString();
    const ScoreChartData::Point &p = data_->points[static_cast<size_t>(marker->first)];
    return rows_[static_cast<size_t>(p.row)].when
           + (marker->count > 1 ? QStringLiteral(" ほか%1回").arg(marker->count - 1) : QString())
           + QStringLiteral("　得点 %1").arg(p.score);
}

QString ScoreChartWindow::barText(int bar) const
{
    if (!data_ || bar < 0 || bar >= static_cast<int>(bars_.sittings.size()))
        return QString();
    const QString format = QStringLiteral("yyyy/MM/dd");
    const int first = std::max(0, bar * bars_.daysPerBar - bars_.lead);
    const int last = bar * bars_.daysPerBar - bars_.lead + bars_.daysPerBar - 1;
    const QString days = first == last ? QLocale::c().toString(data_->firstDay.addDays(first), format)
                                       : QLocale::c().toString(data_->firstDay.addDays(first), format)
                                             + QStringLiteral("～")
                                             + QLocale::c().toString(data_->firstDay.addDays(last), format);
    return days + QStringLiteral("　%1回").arg(bars_.sittings[static_cast<size_t>(bar)]);
}
