// Times the score window against a large results table: opening the window and
// switching drills, each up to a painted first page of the grid.
//
//   bench_scores [rows for たしざん１０] [rows for the other six drills] [rounds]
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise, in a
// temporary folder of its own.

#include "bench_support.h"
#include "platform/app_setup.h"
#include "scores/score_window.h"

#include <QApplication>
#include <QDir>
#include <QRadioButton>
#include <QSqlQueryModel>
#include <QTableView>
#include <QTemporaryDir>

#include <random>

namespace {
const QStringList drills = bench::drillNames();

// A new record file with mainRows results of the first drill and otherRows
// spread over the other six, over the 90 days up to the last sitting.
bool fill(const QString &path, int mainRows, int otherRows)
{
    RecordDatabase db;
    if (!bench::createRecordFile(db, path)) {
        std::fprintf(stderr, "cannot create %s: %s\n", qPrintable(path), qPrintable(db.lastError()));
        return false;
    }
    std::mt19937 rng(20010427);
    const QDateTime latest(QDate(2001, 4, 27), QTime(18, 0));
    std::uniform_int_distribution<int> seconds(0, 90 * 86400);
    std::uniform_int_distribution<int> score(1, 30);
    std::uniform_int_distribution<int> other(1, static_cast<int>(drills.size()) - 1);
    const auto row = [&](int i) {
        bench::Result r;
        r.when = latest.addSecs(-seconds(rng));
        r.drill = i < mainRows ? drills[0] : drills[other(rng)];
        r.score = score(rng);
        return r;
    };
    QString error;
    if (!bench::insertResults(path, mainRows + otherRows, row, error)) {
        std::fprintf(stderr, "cannot fill %s: %s\n", qPrintable(path), qPrintable(error));
        return false;
    }
    return true;
}

// Notes when the grid's viewport is first painted after a mark.
class PaintWatch : public QObject
{
public:
    QElapsedTimer *clock = nullptr;
    double firstPaintMs = -1;
    void arm() { firstPaintMs = -1; }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && firstPaintMs < 0)
            firstPaintMs = bench::elapsedMs(*clock);
        return false;
    }
};

void print(const char *what, const std::vector<double> &ms)
{
    const bench::Summary s(ms);
    std::printf("%-34s median %7.1f ms  min %7.1f  p90 %7.1f  max %7.1f  (n=%zu)\n", what,
                s.median(), s.min(), s.percentile(0.9), s.max(), s.count());
}
} // namespace

int main(int argc, char **argv)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    AppSetup::configure(app);

    const int mainRows = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int otherRows = argc > 2 ? std::atoi(argv[2]) : 700000;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 9;

    QTemporaryDir work;
    QDir::setCurrent(work.path());
    bench::setRecordGlobals();
    const ProjectGlobals &g = ProjectGlobals::instance();

    bench::printMachine();
    std::printf("rows: %d for %s, %d for the other six drills\n", mainRows, qPrintable(drills[0]),
                otherRows);
    QElapsedTimer timer;
    timer.start();
    if (!fill(QDir::current().absoluteFilePath(g.databaseFileName), mainRows, otherRows))
        return 1;
    std::printf("filled in %.1f s, file %.1f MB\n", timer.elapsed() / 1000.0,
                QFile(g.databaseFileName).size() / 1e6);

    ScoreWindow window;
    PaintWatch watch;
    watch.clock = &timer;
    window.DataGrid1->viewport()->installEventFilter(&watch);
    std::vector<double> opening, switching, switchingBack, switchPaint, switchBackPaint;
    for (int round = 0; round < rounds; ++round) {
        timer.restart();
        window.showForm();
        window.DataGrid1->repaint();
        opening.push_back(bench::elapsedMs(timer));
        app.processEvents();

        const int other = 1 + round % (drills.size() - 1);
        watch.arm();
        timer.restart();
        window.Option1[other]->click();
        window.DataGrid1->repaint();
        switching.push_back(bench::elapsedMs(timer));
        switchPaint.push_back(watch.firstPaintMs);
        app.processEvents();

        watch.arm();
        timer.restart();
        window.Option1[0]->click();
        window.DataGrid1->repaint();
        switchingBack.push_back(bench::elapsedMs(timer));
        switchBackPaint.push_back(watch.firstPaintMs);
        app.processEvents();

        if (round == 0)
            std::printf("first page: %d rows read, top row %s\n", window.gridModel()->rowCount(),
                        qPrintable(window.gridModel()->data(window.gridModel()->index(0, 0))
                                       .toString()));
        window.unloadForm();
        app.processEvents();
    }
    std::printf("times from the call to the grid painted; 'all rows' = handler returned "
                "(every row read, input taken again) and the grid painted\n");
    print("open window, all rows", opening);
    print("switch drill, first page painted", switchPaint);
    print("switch drill, all rows", switching);
    print("switch back, first page painted", switchBackPaint);
    print("switch back, all rows", switchingBack);
    return 0;
}
