// Times the score window against a large results table, beside the engine's
// floor: how long SQLite alone takes to run the same page's statement.
//
//   bench_scores [rows for たしざん１０] [rows spread over the other drills] [rounds]
//
// The window lists a drill a page at a time (ScoreListModel::pageRows rows,
// Statements::gridPage). Each round times, from the call to the grid painted:
// opening the window (its first page of たしざん１０), scrolling the grid to its
// end (the next page, for information), switching to another drill and back.
// Beside each, the floor: that page's statement run on a plain connection to
// the same file, opened beforehand (prepare, bind the drill name, the key of
// the last row read for the next page, and the limit; execute; read every
// row), before the window in even rounds and after it in odd ones. Prints the
// medians side by side with the ratio window / floor (default 15 rounds); on
// the default fill a first page should take the window at most 1.5 times its
// floor.
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise, in a
// temporary folder of its own.

#include "bench_support.h"
#include "platform/app_setup.h"
#include "scores/score_list_model.h"
#include "scores/score_window.h"
#include "store/statements.h"

#include <QApplication>
#include <QDir>
#include <QRadioButton>
#include <QScrollBar>
#include <QSqlRecord>
#include <QTableView>
#include <QTemporaryDir>

#include <optional>

namespace {
const QStringList drills = bench::drillNames();

using bench::fail;

// The key of a page's last row, as the statement for the next page takes it.
struct Key
{
    QVariant when;
    qint64 rowId = 0;
};

// One run of a page's statement on a plain connection.
struct FloorPage
{
    double ms = 0;
    int rows = 0;
    QString topRow; // the first column of the first row
    std::optional<Key> last;
};

// Runs the grid's statement for one page of `drill` (after `after`, or from
// the top) on a plain connection to the file, opened before the clock starts
// and closed after it stops: prepare, bind, execute, read every value of
// every row.
FloorPage floorPage(const QString &path, const QString &drill, const std::optional<Key> &after)
{
    const QString name = QStringLiteral("bench-floor");
    FloorPage page;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            fail(QStringLiteral("cannot open %1: %2").arg(path, db.lastError().text()));
        QElapsedTimer timer;
        timer.start();
        {
            QSqlQuery q(db);
            q.setForwardOnly(true);
            if (!q.prepare(Statements::gridPage(after.has_value())))
                fail(QStringLiteral("cannot prepare the page: ") + q.lastError().text());
            q.addBindValue(drill);
            if (after) {
                q.addBindValue(after->when);
                q.addBindValue(after->rowId);
            }
            q.addBindValue(ScoreListModel::pageRows);
            if (!q.exec())
                fail(QStringLiteral("cannot read the page: ") + q.lastError().text());
            const int columns = q.record().count();
            QVariantList row;
            while (q.next()) {
                row.clear();
                for (int c = 0; c < columns; ++c)
                    row.append(q.value(c));
                if (page.rows++ == 0)
                    page.topRow = row.value(0).toString();
            }
            if (q.lastError().isValid())
                fail(QStringLiteral("cannot read the page: ") + q.lastError().text());
            page.ms = bench::elapsedMs(timer);
            // The statement's last two columns are the key of its row.
            if (page.rows > 0)
                page.last = Key{row.value(columns - 2), row.value(columns - 1).toLongLong()};
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return page;
}

// Notes when the grid's viewport is first painted after being armed.
class PaintWatch : public QObject
{
public:
    qint64 firstPaintNs = -1;
    void arm() { firstPaintNs = -1; }
    bool painted() const { return firstPaintNs >= 0; }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && firstPaintNs < 0)
            firstPaintNs = bench::nowNs();
        return false;
    }
};

// Milliseconds from the start of `action` to the grid painted: to the return
// of a repaint of the grid that painted its viewport, or, when the window
// was not on the screen yet for that, to the viewport's first paint.
double timeToPainted(QTableView *grid, PaintWatch &watch, const std::function<void()> &action)
{
    watch.arm();
    const qint64 start = bench::nowNs();
    action();
    grid->repaint();
    qint64 end = bench::nowNs();
    if (!watch.painted()) {
        bench::settleUntil([&] { return watch.painted(); }, 10000, 0);
        if (!watch.painted())
            fail(QStringLiteral("the grid was never painted"));
        end = watch.firstPaintNs;
    }
    return bench::msBetween(start, end);
}
} // namespace

int main(int argc, char **argv)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    AppSetup::configure(app);

    const int mainRows = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int otherRows = argc > 2 ? std::atoi(argv[2]) : 700000;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 15;

    QTemporaryDir work;
    QDir::setCurrent(work.path());
    bench::setRecordGlobals();
    const ProjectGlobals &g = ProjectGlobals::instance();

    bench::printMachine();
    std::printf("rows: %d for %s, %d spread over the other drills\n", mainRows, qPrintable(drills[0]),
                otherRows);
    QElapsedTimer timer;
    timer.start();
    if (!bench::fillDrills(QDir::current().absoluteFilePath(g.databaseFileName), mainRows, otherRows))
        return 1;
    // The file the window reads, and so the floor.
    const QString path = QDir::current().absoluteFilePath(g.databaseFileName);
    const ResultsLog log(path);
    std::printf("filled in %.1f s, file %.1f MB\n", timer.elapsed() / 1000.0, QFileInfo(path).size() / 1e6);
    std::printf("page: %d rows, %d rounds\n", ScoreListModel::pageRows, rounds);

    ScoreWindow window(log);
    QTableView *grid = window.DataGrid1;
    ScoreListModel *model = window.gridModel();
    PaintWatch watch;
    grid->viewport()->installEventFilter(&watch);
    std::vector<double> opening, openFloor, next, nextFloor, switching, switchFloor, back, backFloor;
    for (int round = 0; round < rounds; ++round) {
        // The floor runs first in even rounds and second in odd ones, so that
        // neither always finds the file's pages freshly read by the other.
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

        FloorPage first;
        sideBySide([&] { first = floorPage(path, drills[0], std::nullopt); },
                   [&] { opening.push_back(timeToPainted(grid, watch, [&] { window.showForm(); })); });
        openFloor.push_back(first.ms);
        if (model->rowCount() != first.rows || model->data(model->index(0, 0)).toString() != first.topRow)
            fail(QStringLiteral("the window's first page (%1 rows) is not the statement's (%2 rows)")
                     .arg(model->rowCount())
                     .arg(first.rows));
        if (round == 0)
            std::printf("first page of %s: %d rows, top row %s\n", qPrintable(drills[0]), first.rows,
                        qPrintable(first.topRow));
        bench::settle(50);

        // The next page, as scrolling to the end of the grid asks for it.
        if (first.last && model->canFetchMore(QModelIndex())) {
            QScrollBar *bar = grid->verticalScrollBar();
            FloorPage second;
            sideBySide([&] { second = floorPage(path, drills[0], first.last); },
                       [&] {
                           next.push_back(timeToPainted(grid, watch, [&] {
                               if (bar->maximum() > bar->value())
                                   bar->setValue(bar->maximum());
                               else
                                   model->fetchMore(QModelIndex()); // no scroll range: ask as the end would
                           }));
                       });
            nextFloor.push_back(second.ms);
            if (model->rowCount() != first.rows + second.rows
                || model->data(model->index(first.rows, 0)).toString() != second.topRow)
                fail(QStringLiteral("scrolling to the end did not read the statement's next page"));
            // Back to the top: the grid keeps its scroll position when it
            // lists another drill, and at the end of a list it reads the next
            // page by itself, which the first-page figures must not include.
            grid->scrollToTop();
            bench::settle(50);
        }

        const int other = 1 + round % (static_cast<int>(drills.size()) - 1);
        sideBySide([&] { switchFloor.push_back(floorPage(path, drills[other], std::nullopt).ms); },
                   [&] {
                       switching.push_back(timeToPainted(grid, watch, [&] { window.Option1[other]->click(); }));
                   });
        bench::settle(50);

        sideBySide([&] { backFloor.push_back(floorPage(path, drills[0], std::nullopt).ms); },
                   [&] { back.push_back(timeToPainted(grid, watch, [&] { window.Option1[0]->click(); })); });
        bench::settle(50);

        window.unloadForm();
        bench::settle(50);
    }
    std::printf("window: from the call to the grid painted; "
                "floor: the same page's statement alone on a plain connection\n");
    std::printf("  %-36s %11s %11s %7s %9s\n", "medians", "window", "floor", "ratio", "by round");
    const bool judged = mainRows >= 100000 && otherRows >= 700000;
    bool ok = bench::compare("open window, first page", opening, openFloor, 1.5, judged);
    ok = bench::compare("switch drill, first page", switching, switchFloor, 1.5, judged) && ok;
    ok = bench::compare("switch back, first page", back, backFloor, 1.5, judged) && ok;
    if (!next.empty())
        bench::compare("scroll to the end, next page", next, nextFloor, 0, judged);
    std::printf("series:\n");
    bench::detail("window: open, first page", opening);
    bench::detail("window: switch drill, first page", switching);
    bench::detail("window: switch back, first page", back);
    bench::detail("window: scroll, next page", next);
    bench::detail("floor: first page on opening", openFloor);
    bench::detail("floor: first page on switching", switchFloor);
    bench::detail("floor: first page on switching back", backFloor);
    bench::detail("floor: next page", nextFloor);
    return ok ? 0 : 1;
}
