// Times the progress chart against a large results table, beside the engine's
// floor: how long SQLite alone takes to run the chart's statement.
//
//   bench_chart [rows for たしざん１０] [rows spread over the other drills] [rounds]
//
// The chart reads a drill's dates and scores with one statement
// (Statements::drillScores) and places them by day. Each round times, from
// the call to both charts painted: opening the window on たしざん１０, and
// switching to another drill (for information). Beside each, the floor: the
// same statement run on a plain connection to the same file, opened
// beforehand (prepare, bind the drill name, execute, read every value of
// every row), before the window in even rounds and after it in odd ones.
// Prints the medians side by side with the ratio window / floor (default 15
// rounds); on the default fill the window should take at most 1.5 times its
// floor to open.
//
// The clock stands at the last sitting of the fill (2001/04/27 18:00), so
// that the 90 days kept are the 90 days filled. Runs on the offscreen
// platform unless QT_QPA_PLATFORM says otherwise, in a temporary folder of
// its own.
//
//   bench_chart --spans [rows for たしざん１０] [rounds]
//
// Times the chart against the span of the dates instead: the same rows (10,000
// over the 90 days by default) with one row more that lies far off, with the
// period that keeps it (a row dated 9999/12/31, a century kept with a row a
// hundred years old, 99999999 days kept with a row dated 1000/01/01). Each case
// runs in a process of its own, limited to 4 GB of address space and 5
// minutes, and prints the median time from the call to both charts painted
// (default 5 rounds), the peak memory of the process and the days the chart
// says it shows. Neither should grow with the span.

#include "bench_support.h"
#include "platform/app_setup.h"
#include "platform/system_clock.h"
#include "scores/score_chart_data.h"
#include "scores/score_chart_window.h"
#include "store/statements.h"

#include <QApplication>
#include <QBarSeries>
#include <QLabel>
#include <QProcess>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QRadioButton>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <sys/resource.h>

namespace {
const QStringList drills = bench::drillNames();
const QDateTime lastSitting(QDate(2001, 4, 27), QTime(18, 0));

using bench::fail;

struct FloorRead
{
    double ms = 0;
    std::vector<ResultsLog::ScoreRow> rows;
};

// Runs the chart's statement for `drill` on a plain connection to the file,
// opened before the clock starts and closed after it stops: prepare, bind,
// execute, read every value of every row.
FloorRead floorRead(const QString &path, const QString &drill)
{
    const QString name = QStringLiteral("bench-floor");
    FloorRead read;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            fail(QStringLiteral("cannot open %1: %2").arg(path, db.lastError().text()));
        std::vector<QVariantList> rows;
        QElapsedTimer timer;
        timer.start();
        {
            QSqlQuery q(db);
            q.setForwardOnly(true);
            if (!q.prepare(Statements::drillScores()))
                fail(QStringLiteral("cannot prepare the statement: ") + q.lastError().text());
            q.addBindValue(drill);
            if (!q.exec())
                fail(QStringLiteral("cannot read the rows: ") + q.lastError().text());
            const int columns = q.record().count();
            while (q.next()) {
                QVariantList row;
                for (int c = 0; c < columns; ++c)
                    row.append(q.value(c));
                rows.push_back(std::move(row));
            }
            if (q.lastError().isValid())
                fail(QStringLiteral("cannot read the rows: ") + q.lastError().text());
            read.ms = bench::elapsedMs(timer);
        }
        db.close();
        for (const QVariantList &row : rows)
            read.rows.push_back({row[0].toString(), row[1].toString()});
    }
    QSqlDatabase::removeDatabase(name);
    return read;
}

// Notes when each watched viewport is first painted after being armed.
class PaintWatch : public QObject
{
public:
    std::vector<QObject *> watched;
    std::vector<qint64> firstPaintNs;
    void watch(QWidget *viewport)
    {
        viewport->installEventFilter(this);
        watched.push_back(viewport);
        firstPaintNs.push_back(-1);
    }
    void arm() { std::fill(firstPaintNs.begin(), firstPaintNs.end(), -1); }
    bool painted() const
    {
        return std::all_of(firstPaintNs.begin(), firstPaintNs.end(), [](qint64 ns) { return ns >= 0; });
    }
    qint64 lastPaintNs() const { return *std::max_element(firstPaintNs.begin(), firstPaintNs.end()); }
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            for (std::size_t i = 0; i < watched.size(); ++i)
                if (watched[i] == object && firstPaintNs[i] < 0)
                    firstPaintNs[i] = bench::nowNs();
        return false;
    }
};

// Milliseconds from the start of `action` to both charts painted: to the
// return of repaints of both views that painted them, or, when the window was
// not on the screen yet for that, to the later of their first paints.
double timeToPainted(ScoreChartWindow &window, PaintWatch &watch, const std::function<void()> &action)
{
    watch.arm();
    const qint64 start = bench::nowNs();
    action();
    window.scoreView->repaint();
    window.countView->repaint();
    qint64 end = bench::nowNs();
    if (!watch.painted()) {
        bench::settleUntil([&] { return watch.painted(); }, 10000, 0);
        if (!watch.painted())
            fail(QStringLiteral("the charts were never painted"));
        end = watch.lastPaintNs();
    }
    return bench::msBetween(start, end);
}

// The sittings the bars of the window stand for.
int sittingsDrawn(const ScoreChartWindow &window)
{
    const auto *bars = static_cast<QBarSeries *>(window.countView->chart()->series().value(0));
    double sum = 0;
    for (int i = 0; i < bars->barSets().value(0)->count(); ++i)
        sum += bars->barSets().value(0)->at(i);
    return static_cast<int>(sum);
}
// The cases of --spans: the row that lies far off (none in the first), and
// the period stored.
struct SpanCase
{
    const char *what;
    const char *when;
    const char *period;
};
const SpanCase spanCases[] = {
    {"90 days kept, every row within them", nullptr, "90"},
    {"a row dated 9999/12/31, 90 days kept", "9999/12/31 10:00:00", "90"},
    {"a row of 1901, 36500 days kept", "1901/06/01 10:00:00", "36500"},
    {"a row dated 1000/01/01, 99999999 kept", "1000/01/01", "99999999"},
};

// One case of --spans in this process: prints "<median ms> <peak MB> <summary>".
int spanCase(int argc, char **argv)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    AppSetup::configure(app);
    const SpanCase &c = spanCases[std::atoi(argv[2])];
    const int rows = std::atoi(argv[3]);
    const int rounds = std::max(1, std::atoi(argv[4]));
    QTemporaryDir work;
    QDir::setCurrent(work.path());
    bench::setRecordGlobals();
    SystemClock::setFixedNow(lastSitting);
    const QString path = QDir::current().absoluteFilePath(ResultsSchema::fileName);
    if (!bench::fillDrills(path, rows, 0))
        return 1;
    {
        const QString name = QStringLiteral("bench-span");
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        QSqlQuery q(db);
        bool ok = db.open() && q.prepare(QStringLiteral("UPDATE ENV SET SET_LOG = ?"));
        q.addBindValue(QString::fromLatin1(c.period));
        ok = ok && q.exec();
        if (ok && c.when) {
            ok = q.prepare(QStringLiteral("INSERT INTO LOG VALUES ( ?, ?, '5' )"));
            q.addBindValue(QString::fromLatin1(c.when));
            q.addBindValue(drills[0]);
            ok = ok && q.exec();
        }
        if (!ok)
            fail(QStringLiteral("cannot prepare the case: ") + q.lastError().text());
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-span"));

    const ResultsLog log(path);
    ScoreChartWindow window(log);
    PaintWatch watch;
    watch.watch(window.scoreView->viewport());
    watch.watch(window.countView->viewport());
    std::vector<double> opening;
    for (int round = 0; round < rounds; ++round) {
        opening.push_back(timeToPainted(window, watch, [&] { window.showDrill(0); }));
        bench::settle(50);
        if (round + 1 < rounds)
            window.unloadForm();
    }
    std::printf("%.1f %.1f %s\n", bench::Summary(opening).median(), bench::peakMb(),
                qPrintable(window.summary->text()));
    std::fflush(stdout);
    std::_Exit(0);
}

// --spans: each case in a child process of its own, with its address space
// limited, so that a chart that grows with the span cannot take the machine.
int spans(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 2 ? std::atoi(argv[2]) : 10000;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    constexpr rlim_t limit = rlim_t(4) << 30;
    bench::printMachine();
    std::printf("rows: %d for %s over 90 days, one more far off; %d rounds a case\n", rows,
                qPrintable(drills[0]), rounds);
    std::printf("  %-40s %10s %9s  %s\n", "case", "open", "peak", "days shown");
    for (int i = 0; i < static_cast<int>(std::size(spanCases)); ++i) {
        QProcess child;
        child.setChildProcessModifier([] {
            const rlimit space{limit, limit};
            setrlimit(RLIMIT_AS, &space);
        });
        QElapsedTimer timer;
        timer.start();
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--span-case"), QString::number(i), QString::number(rows), QString::number(rounds)});
        const bool finished = child.waitForFinished(300000);
        if (!finished) {
            child.kill();
            child.waitForFinished();
        }
        const QString out = QString::fromUtf8(child.readAllStandardOutput()).trimmed();
        if (finished && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0) {
            const QStringList words = out.split(QLatin1Char(' '));
            std::printf("  %-40s %7.1f ms %6.1f MB  %s\n", spanCases[i].what, words.value(0).toDouble(),
                        words.value(1).toDouble(), qPrintable(words.mid(2).join(QLatin1Char(' '))));
        } else {
            const QList<QByteArray> said = child.readAllStandardError().trimmed().split('\n');
            std::printf("  %-40s %s after %.0f s (%s)\n", spanCases[i].what,
                        finished ? "failed" : "did not finish in 5 minutes", timer.elapsed() / 1000.0,
                        said.last().constData());
        }
        std::fflush(stdout);
    }
    return 0;
}
} // namespace

int main(int argc, char **argv)
{
    if (argc > 4 && qstrcmp(argv[1], "--span-case") == 0)
        return spanCase(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--spans") == 0)
        return spans(argc, argv);
    bench::preferOffscreen();
    QApplication app(argc, argv);
    AppSetup::configure(app);

    const int mainRows = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int otherRows = argc > 2 ? std::atoi(argv[2]) : 700000;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 15;

    QTemporaryDir work;
    QDir::setCurrent(work.path());
    bench::setRecordGlobals();
    SystemClock::setFixedNow(lastSitting);

    bench::printMachine();
    std::printf("rows: %d for %s, %d spread over the other drills\n", mainRows, qPrintable(drills[0]),
                otherRows);
    QElapsedTimer timer;
    timer.start();
    const QString path = QDir::current().absoluteFilePath(ResultsSchema::fileName);
    if (!bench::fillDrills(path, mainRows, otherRows))
        return 1;
    const ResultsLog log(path);
    std::printf("filled in %.1f s, file %.1f MB, %d rounds\n", timer.elapsed() / 1000.0,
                QFileInfo(path).size() / 1e6, rounds);

    ScoreChartWindow window(log);
    PaintWatch watch;
    watch.watch(window.scoreView->viewport());
    watch.watch(window.countView->viewport());
    std::vector<double> opening, openFloor, switching, switchFloor;
    for (int round = 0; round < rounds; ++round) {
        const auto sideBySide = [round](const std::function<void()> &floor,
                                        const std::function<void()> &window) {
            if (round % 2 == 0) {
                floor();
                window();
            } else {
                window();
                floor();
            }
        };

        FloorRead first;
        sideBySide([&] { first = floorRead(path, drills[0]); },
                   [&] { opening.push_back(timeToPainted(window, watch, [&] { window.showDrill(0); })); });
        openFloor.push_back(first.ms);
        // The window draws what the statement reads, placed by the chart's rules.
        const ScoreChartData placed = ScoreChartData::of(first.rows, 90, lastSitting.date());
        if (sittingsDrawn(window) != static_cast<int>(placed.points.size()))
            fail(QStringLiteral("the window drew %1 sittings, the statement's rows place %2")
                     .arg(sittingsDrawn(window))
                     .arg(placed.points.size()));
        if (round == 0)
            std::printf("%s: %zu rows read, %zu sittings over %d days drawn\n", qPrintable(drills[0]),
                        first.rows.size(), placed.points.size(), placed.days);
        bench::settle(50);

        const int other = 1 + round % (static_cast<int>(drills.size()) - 1);
        sideBySide([&] { switchFloor.push_back(floorRead(path, drills[other]).ms); },
                   [&] {
                       switching.push_back(
                           timeToPainted(window, watch, [&] { window.options[other]->click(); }));
                   });
        bench::settle(50);

        window.unloadForm();
        bench::settle(50);
    }
    std::printf("window: from the call to both charts painted; "
                "floor: the chart's statement alone on a plain connection\n");
    std::printf("  %-36s %11s %11s %7s %9s\n", "medians", "window", "floor", "ratio", "by round");
    const bool judged = mainRows >= 100000 && otherRows >= 700000;
    const bool ok = bench::compare("open window", opening, openFloor, 1.5, judged);
    bench::compare("switch drill", switching, switchFloor, 0, judged);
    std::printf("series:\n");
    bench::detail("window: open", opening);
    bench::detail("window: switch drill", switching);
    bench::detail("floor: on opening", openFloor);
    bench::detail("floor: on switching", switchFloor);
    return ok ? 0 : 1;
}
