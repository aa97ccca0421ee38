// The school server's figures, against a real PostgreSQL server (run it under
// pg_virtualenv, as bench/run-all.sh does):
//
//   bench_school [rows] [pcs] [rows per pc] [appends]   (default 100000 80 250 300)
//
// 1. A queue of `rows` results sent by the sender (read from the results file,
//    sent in batches of 500, marked sent), in rows per second, against psql
//    running the same rows as multi-row INSERTs of 500 rows (the same login,
//    so the same row-level security), in the same run; medians of three.
// 2. A sitting's close with a school (the row and its queue entry in one
//    transaction) against without (the row alone), each `appends` times,
//    alternating, on results files of the same size; the ratio of the medians.
// 3. A school's morning: `pcs` PCs at once, each a sender of its own (its own
//    thread and connection) with `rows per pc` rows waiting (a week's
//    sittings); the time until every queue is drained, and a check that every
//    row is on the server once.
#include "bench_support.h"
#include "school/school_sender.h"
#include "store/results_log.h"
#include "support/school_server.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>

namespace {
using bench::fail;
const ResultsLog::QueueOwner pupil{"6f1c5a4e-2b7d-4c1e-9a3f-0d5e8b7c6a21", "たろう", "1-1"};

QString queuedFile(const QString &path, int rows, bool queued = true)
{
    std::vector<ResultRow> sittings;
    for (int i = 0; i < rows; ++i)
        sittings.push_back({QStringLiteral("2001/04/%1 %2:%3:05").arg(1 + i % 28, 2, 10, QLatin1Char('0')).arg(8 + i % 10)
                                .arg(i % 60, 2, 10, QLatin1Char('0')),
                            QStringLiteral("たしざん１０"), QString::number(i % 30)});
    const ResultsLog log(path);
    if (!log.create(QString(), sittings) || (queued && !log.queueBacklog(pupil)))
        fail(QStringLiteral("cannot make ") + path);
    return path;
}

std::unique_ptr<SchoolSender> sender(const QString &service, const QString &file, int n)
{
    SchoolSender::Options o;
    o.service = service;
    o.pcId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    o.pcName = QStringLiteral("pc%1").arg(n);
    o.files = [file] { return QStringList{file}; };
    o.firstRetryMs = 200;
    o.maxRetryMs = 1000;
    return std::make_unique<SchoolSender>(o);
}

// Waits until every sender has sent everything; fails after ten minutes.
void drain(const std::vector<std::unique_ptr<SchoolSender>> &senders)
{
    QElapsedTimer waited;
    waited.start();
    for (const auto &s : senders) {
        while (s->status().state != SenderStatus::State::AllSent) {
            if (waited.elapsed() > 600000)
                fail(QStringLiteral("not drained: ") + s->status().detail);
            QThread::msleep(5);
        }
    }
}

qint64 onServer(const SchoolServer &server, const QString &what = QStringLiteral("count(*)"))
{
    return server.psql(QStringLiteral("SELECT ") + what + QStringLiteral(" FROM sansu.results")).out.toLongLong();
}

void emptyServer(const SchoolServer &server)
{
    if (!server.psql(QStringLiteral("TRUNCATE sansu.results, sansu.pupils CASCADE")).ok)
        fail(QStringLiteral("cannot empty the server"));
}

// The same rows as psql would send them: INSERTs of 500 rows, each its own transaction.
QString psqlScript(const QString &path, const QString &file)
{
    const auto rows = ResultsLog(file).readWaiting(1 << 30).rows;
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        fail(QStringLiteral("cannot write ") + path);
    out.write("INSERT INTO sansu.pupils (pupil_id, class_id, name_kana) VALUES ('" + pupil.pupilId.toUtf8()
              + "', '1-1', 'たろう') ON CONFLICT DO NOTHING;\n");
    for (size_t i = 0; i < rows.size(); ++i) {
        const auto &r = rows[i];
        out.write(i % 500 == 0 ? "INSERT INTO sansu.results (result_id, pupil_id, class_id, drill, score, log_date, "
                                 "made_at, made_utc_offset_min, pc_id, pc_name, pc_seq, pc_clock_at_send) VALUES\n"
                               : ",\n");
        out.write(QStringLiteral("('%1', '%2', '1-1', '%3', '%4', '%5', '%6', 540, "
                                 "'0b6f8d2e-3c4a-4e5f-8a9b-1c2d3e4f5a6b', 'pc', %7, now())")
                      .arg(r.resultId, r.pupilId, r.drill.toString(), r.score.toString(), r.when.toString(), r.madeAt)
                      .arg(r.seq)
                      .toUtf8());
        if (i % 500 == 499 || i + 1 == rows.size())
            out.write(" ON CONFLICT DO NOTHING;\n");
    }
    return path;
}

double median(std::vector<double> v)
{
    return bench::Summary(std::move(v)).midpointMedian();
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int pcs = argc > 2 ? std::atoi(argv[2]) : 80;
    const int perPc = argc > 3 ? std::atoi(argv[3]) : 250;
    const int appends = argc > 4 ? std::atoi(argv[4]) : 300;
    const auto admin = SchoolServer::started();
    if (!admin)
        fail(QStringLiteral("no PostgreSQL server: run it under pg_virtualenv"));
    SchoolServer server(*admin);
    if (!server.problem().isEmpty())
        fail(server.problem());
    QTemporaryDir work(QDir::current().absoluteFilePath(QStringLiteral("bench-school-XXXXXX")));
    if (!work.isValid())
        fail(QStringLiteral("no folder to work in"));
    bench::printMachine();
    std::printf("PostgreSQL %s\n", qPrintable(server.psql(QStringLiteral("SHOW server_version")).out));

    // 1. Throughput (none for 0 rows).
    if (rows > 0) {
    const QString file = queuedFile(work.filePath(QStringLiteral("big.MDB")), rows);
    const QString fixture = work.filePath(QStringLiteral("big.fixture"));
    QFile::copy(file, fixture);
    const QString script = psqlScript(work.filePath(QStringLiteral("rows.sql")), file);
    std::vector<double> senderRate, psqlRate;
    for (int run = 0; run < 3; ++run) {
        emptyServer(server);
        QFile::remove(file);
        QFile::copy(fixture, file);
        QElapsedTimer t;
        t.start();
        {
            std::vector<std::unique_ptr<SchoolSender>> one;
            one.push_back(sender(server.service(QStringLiteral("pc1")), file, 1));
            one.front()->start();
            drain(one);
        }
        senderRate.push_back(rows / (t.nsecsElapsed() / 1e9));
        if (onServer(server) != rows)
            fail(QStringLiteral("the sender left rows behind"));
        emptyServer(server);
        QProcess psql;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PGSERVICE"), server.service(QStringLiteral("pc1")));
        psql.setProcessEnvironment(env);
        t.restart();
        psql.start(QStringLiteral("psql"), {"-X", "-q", "-v", "ON_ERROR_STOP=1", "-f", script});
        if (!psql.waitForFinished(600000) || psql.exitCode() != 0)
            fail(QStringLiteral("psql failed: ") + psql.readAllStandardError());
        psqlRate.push_back(rows / (t.nsecsElapsed() / 1e9));
        if (onServer(server) != rows)
            fail(QStringLiteral("psql left rows behind"));
    }
    std::printf("\n%d queued rows to the server, rows per second (median of 3):\n", rows);
    std::printf("  sender %.0f   psql multi-row INSERT %.0f   ratio %.2f (target >= 0.5)\n", median(senderRate),
                median(psqlRate), median(senderRate) / median(psqlRate));
    }

    // 2. A sitting's close with and without a school.
    const ResultsLog plain(queuedFile(work.filePath(QStringLiteral("plain.MDB")), 1000, false));
    const ResultsLog school(queuedFile(work.filePath(QStringLiteral("school.MDB")), 1000));
    school.setQueueOwner(pupil); // as the program sets it when the PC belongs to a school
    std::vector<double> without, with;
    // Alternating which goes first, so that neither always follows the
    // other's write to the disk.
    for (int i = 0; i < 2 * appends; ++i) {
        const ResultRow row{DateText::of(QDateTime::currentDateTime()), QStringLiteral("たしざん１０"), QStringLiteral("7")};
        const bool queued = (i % 2) != (i / 2 % 2);
        QElapsedTimer t;
        t.start();
        if (!(queued ? school : plain).append(row))
            fail(QStringLiteral("append failed"));
        (queued ? with : without).push_back(bench::elapsedMs(t));
    }
    std::printf("\na sitting's close, %d appends each (median):\n", appends);
    std::printf("  without a school %.3f ms   with a school %.3f ms   ratio %.3f (target <= 1.05)\n", median(without),
                median(with), median(with) / median(without));

    // 3. A school's morning (none for 0 PCs).
    if (pcs == 0)
        return 0;
    emptyServer(server);
    std::vector<std::unique_ptr<SchoolSender>> morning;
    for (int n = 0; n < pcs; ++n) {
        const QString path = work.filePath(QStringLiteral("pc%1.MDB").arg(n));
        morning.push_back(sender(server.service(QStringLiteral("pc1")), queuedFile(path, perPc), n));
    }
    QElapsedTimer t;
    t.start();
    for (const auto &s : morning)
        s->start();
    drain(morning);
    const double drained = t.nsecsElapsed() / 1e9;
    const qint64 held = onServer(server), distinct = onServer(server, QStringLiteral("count(DISTINCT pc_id || ':' || pc_seq)"));
    morning.clear();
    std::printf("\na school's morning: %d PCs at once, %d rows each (%d in all)\n", pcs, perPc, pcs * perPc);
    std::printf("  drained in %.2f s; on the server %lld rows, %lld distinct (PC, row) pairs%s\n", drained, held,
                distinct, held == pcs * perPc && distinct == held ? ", every row once" : " -- MISMATCH");
    return held == pcs * perPc && distinct == held ? 0 : 1;
}
