// The teacher's view against a real PostgreSQL server (run it under
// pg_virtualenv, as bench/run-all.sh does):
//
//   bench_teacher [runs] [pupils] [school days]   (default 7 40 200)
//
// A class of `pupils` with `school days` of sittings (about six a pupil a
// day: some 50,000 rows from two PCs), read by the teacher's login:
// 1. the floor: psql running the view's statements (the same texts and
//    values, the same login and rights) on a connection of its own, timed by
//    psql's \timing, each statement's result received in full;
// 2. the view's read: ClassRecords::read as the view runs it, on the
//    ClassServer's thread, from the job given to its reply on this thread;
// 3. the window opening: ClassWindow made and shown on a connection opened
//    beforehand, until its table is filled and painted.
// Medians of `runs`, and the ratios of 2 and 3 to 1, in the same run.
#include "bench_support.h"
#include "platform/app_setup.h"
#include "platform/system_clock.h"
#include "support/school_server.h"
#include "teacher/class_window.h"
#include "teacher/teacher_statements.h"

#include <QApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTableWidget>

namespace {
using bench::fail;
const QString classId = QStringLiteral("1-1");

// A statement with its ?s written as the values, as psql is given it.
QString literal(QString statement, const QStringList &values)
{
    for (const QString &value : values)
        statement.replace(statement.indexOf(QLatin1Char('?')), 1, QLatin1Char('\'') + value + QLatin1Char('\''));
    return statement + QLatin1Char(';');
}

std::unique_ptr<ClassServer> opened(const SchoolServer &server)
{
    auto teacher = std::make_unique<ClassServer>();
    bool ready = false;
    teacher->open({server.service(QStringLiteral("teacher")), server.role(QStringLiteral("teacher"))},
                  server.password(QStringLiteral("teacher")),
                  [&ready](const ClassServer::Opening &o) { ready = o.opened == ClassServer::Opened::Ready; });
    bench::settleUntil([&teacher] { return teacher->pending() == 0; }, 30000);
    if (!ready)
        fail(QStringLiteral("the teacher's login failed"));
    return teacher;
}

double median(std::vector<double> v)
{
    return bench::Summary(std::move(v)).median();
}
} // namespace

int main(int argc, char **argv)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    AppSetup::configure(app);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 7;
    const int pupils = argc > 2 ? std::atoi(argv[2]) : 40;
    const int days = argc > 3 ? std::atoi(argv[3]) : 200;
    const auto admin = SchoolServer::started();
    if (!admin)
        fail(QStringLiteral("no PostgreSQL server: run it under pg_virtualenv"));
    SchoolServer server(*admin);
    if (!server.problem().isEmpty())
        fail(server.problem());
    bench::printMachine();
    std::printf("PostgreSQL %s\n", qPrintable(server.psql(QStringLiteral("SHOW server_version")).out));

    // The class: pupils on the roster, and up to seven sittings a school day
    // each (seven of eight kept), spread over the drills and the day, from two
    // PCs whose clocks are a little off.
    const SchoolServer::Ran filled = server.psql(
        QStringLiteral(
            "INSERT INTO sansu.pupils (pupil_id, class_id, name_kana) SELECT md5('p' || n)::uuid, '1-1', 'じどう' || n "
            "FROM generate_series(1, %1) AS n;"
            "INSERT INTO sansu.roster SELECT '1-1', md5('p' || n)::uuid, n FROM generate_series(1, %1) AS n;"
            "WITH days AS (SELECT d::date AS day FROM generate_series(current_date - %2 * 7 / 5, current_date, '1 day') AS d"
            " WHERE extract(isodow FROM d) < 6 ORDER BY d DESC LIMIT %2)"
            "INSERT INTO sansu.results SELECT md5(n || '/' || day || '/' || k)::uuid, md5('p' || n)::uuid, '1-1',"
            " (ARRAY['たしざん１０', 'たして１０', 'たしざん２０', 'ひきざん１０', 'ひいて１０', 'ひきざん２０', 'とけい'])[1 + (n + k) % 7],"
            " (abs(hashtext(n || ':' || day || ':' || k)) % 11)::text, 'x', (day + time '08:30' + k * interval '47 minutes') AT TIME ZONE 'Asia/Tokyo',"
            " 540, md5('pc' || n % 2)::uuid, 'pc' || n % 2, n * 10000 + k, now() + (n % 2) * interval '3 minutes', now()"
            " FROM generate_series(1, %1) AS n, days, generate_series(1, 7) AS k WHERE abs(hashtext(k || '/' || day || '/' || n)) % 8 <> 0;"
            "SELECT count(*) FROM sansu.results")
            .arg(pupils)
            .arg(days));
    if (!filled.ok || !server.psql(QStringLiteral("VACUUM ANALYZE")).ok)
        fail(filled.err);
    const qint64 rows = filled.out.toLongLong();

    const QDate today = SystemClock::now().date(), monday = today.addDays(1 - today.dayOfWeek());
    const QString t = today.toString(Qt::ISODate), m = monday.toString(Qt::ISODate);
    // psql on a connection of its own each run, as the view's connection is
    // new when its window opens; \timing leaves the connecting out.
    const QString script = QStringLiteral("\\timing on\nBEGIN;\n") + TeacherStatements::readOnlySnapshot()
                           + QStringLiteral(";\n") + literal(TeacherStatements::classPupils(), {classId, classId})
                           + QLatin1Char('\n') + literal(TeacherStatements::tableSittings(), {classId, t, m})
                           + QLatin1Char('\n') + literal(TeacherStatements::classPcs(), {classId}) + QLatin1Char('\n')
                           + literal(TeacherStatements::classSettings(), {classId}) + QLatin1Char('\n')
                           + TeacherStatements::pupilSettings() + QStringLiteral(";\nCOMMIT;\n");
    const QRegularExpression time(QStringLiteral("^Time: ([0-9.]+) ms"), QRegularExpression::MultilineOption);
    const auto psqlRun = [&]() {
        QProcess psql;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PGSERVICE"), server.service(QStringLiteral("teacher")));
        psql.setProcessEnvironment(env);
        psql.start(QStringLiteral("psql"), {"-X", "-q", "-v", "ON_ERROR_STOP=1", "-o", "/dev/null"});
        psql.write(script.toUtf8());
        psql.closeWriteChannel();
        if (!psql.waitForFinished(600000) || psql.exitCode() != 0)
            fail(QStringLiteral("psql failed: ") + psql.readAllStandardError());
        double ms = 0;
        int statements = 0;
        for (const QRegularExpressionMatch &match : time.globalMatch(QString::fromUtf8(psql.readAllStandardOutput()))) {
            ms += match.captured(1).toDouble();
            ++statements;
        }
        if (statements != 8)
            fail(QStringLiteral("psql timed %1 statements, not 8").arg(statements));
        return ms;
    };

    std::vector<double> floor;
    std::size_t lines = 0;
    std::vector<double> read, window;
    for (int run = 0; run < runs; ++run) {
        floor.push_back(psqlRun());
        std::unique_ptr<ClassServer> teacher = opened(server);
        QElapsedTimer timer;
        timer.start();
        bool done = false;
        teacher->run([&done, today](QSqlDatabase &db) -> ClassServer::Reply {
            ClassRecords::Snapshot s = ClassRecords::read(db, classId, today);
            if (!s.failure.isEmpty())
                fail(s.failure);
            return [&done] { done = true; };
        });
        bench::settleUntil([&done] { return done; }, 60000, 1);
        read.push_back(bench::elapsedMs(timer));

        std::unique_ptr<ClassServer> shown = opened(server);
        const ClassServer::Opening names{ClassServer::Opened::Ready, {}, {{classId, classId}}, {{classId, classId}}};
        timer.restart();
        ClassWindow view(std::move(shown), names.classes, names.allClasses, classId);
        view.showForm();
        bench::settleUntil([&view] { return !view.busy() && view.Grid1->rowCount() > 0; }, 60000, 1);
        view.repaint();
        window.push_back(bench::elapsedMs(timer));
        lines = view.lines().size();
        view.close();
    }
    if (lines != std::size_t(pupils))
        fail(QStringLiteral("the window showed %1 pupils").arg(lines));
    const double f = median(floor), r = median(read), w = median(window);
    std::printf("\nthe teacher's view of a class of %d pupils, %d school days, %lld rows (median of %d):\n", pupils, days,
                rows, runs);
    std::printf("  psql running the view's statements (\\timing)   %7.1f ms\n", f);
    std::printf("  the view's read, job to reply                   %7.1f ms   ratio %.2f\n", r, r / f);
    std::printf("  the window opening, table filled and painted    %7.1f ms   ratio %.2f (target <= 1.5)\n", w, w / f);
    return 0;
}
