// Times the score window against a large results table: opening the window and
// switching drills, each up to a painted first page of the grid.
//
//   bench_scores [rows for たしざん１０] [rows for the other six drills] [rounds]
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise, in a
// temporary folder of its own.

#include "platform/app_setup.h"
#include "platform/project_globals.h"
#include "scores/score_window.h"
#include "store/date_text.h"
#include "store/record_database.h"
#include "store/record_store.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRadioButton>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {
const QStringList drills = {"たしざん１０", "たして１０", "たしざん２０", "ひきざん１０",
                            "ひいて１０",   "ひきざん２０", "とけい"};

QString cpuModel()
{
    QFile f(QStringLiteral("/proc/cpuinfo"));
    if (f.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : f.readAll().split('\n')) {
            if (line.startsWith("model name")) {
                const int colon = line.indexOf(':');
                return QString::fromUtf8(line.mid(colon + 1)).trimmed();
            }
        }
    }
    return QStringLiteral("unknown");
}

bool fill(const QString &path, int mainRows, int otherRows)
{
    RecordDatabase db;
    QString statement;
    if (!db.create(path) || !RecordStore::SQL_CRE_CUR(db, statement)) {
        std::fprintf(stderr, "cannot create %s: %s\n", qPrintable(path), qPrintable(db.lastError()));
        return false;
    }
    std::mt19937 rng(20010427);
    const QDateTime latest(QDate(2001, 4, 27), QTime(18, 0));
    std::uniform_int_distribution<int> seconds(0, 90 * 86400);
    std::uniform_int_distribution<int> score(1, 30);
    std::uniform_int_distribution<int> other(1, static_cast<int>(drills.size()) - 1);
    QSqlQuery insert(db.connection());
    if (!db.execute(QStringLiteral("BEGIN"))
        || !insert.prepare(QStringLiteral("INSERT INTO LOG ( 日時,科目,得点 ) VALUES ( ?,?,? )")))
        return false;
    const int total = mainRows + otherRows;
    for (int i = 0; i < total; ++i) {
        insert.bindValue(0, DateText::of(latest.addSecs(-seconds(rng))));
        insert.bindValue(1, i < mainRows ? drills[0] : drills[other(rng)]);
        insert.bindValue(2, QString::number(score(rng)));
        if (!insert.exec())
            return false;
    }
    insert.finish();
    return db.execute(QStringLiteral("COMMIT"));
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
            firstPaintMs = clock->nsecsElapsed() / 1e6;
        return false;
    }
};

struct Figures
{
    double median, min, max, p90;
};

Figures summarise(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double q) { return ms[static_cast<size_t>(q * (ms.size() - 1) + 0.5)]; };
    return {at(0.5), ms.front(), ms.back(), at(0.9)};
}

void print(const char *what, const std::vector<double> &ms)
{
    const Figures f = summarise(ms);
    std::printf("%-34s median %7.1f ms  min %7.1f  p90 %7.1f  max %7.1f  (n=%zu)\n", what,
                f.median, f.min, f.p90, f.max, ms.size());
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    AppSetup::configure(app);

    const int mainRows = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int otherRows = argc > 2 ? std::atoi(argv[2]) : 700000;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 9;

    QTemporaryDir work;
    QDir::setCurrent(work.path());
    ProjectGlobals &g = ProjectGlobals::instance();
    g.databaseFileName = QStringLiteral("ADO_ZEM.MDB");
    g.settingsTableName = QStringLiteral("ENV");
    g.resultsTableName = QStringLiteral("LOG");
    g.connectionString = QStringLiteral(
        "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=Ado_ZEM.mdb;Persist Security Info=False");

    std::printf("machine: %d logical CPUs (nproc), %s\n", QThread::idealThreadCount(),
                qPrintable(cpuModel()));
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
        opening.push_back(timer.nsecsElapsed() / 1e6);
        app.processEvents();

        const int other = 1 + round % (drills.size() - 1);
        watch.arm();
        timer.restart();
        window.Option1[other]->click();
        window.DataGrid1->repaint();
        switching.push_back(timer.nsecsElapsed() / 1e6);
        switchPaint.push_back(watch.firstPaintMs);
        app.processEvents();

        watch.arm();
        timer.restart();
        window.Option1[0]->click();
        window.DataGrid1->repaint();
        switchingBack.push_back(timer.nsecsElapsed() / 1e6);
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
