// The school server end to end: the shipped SQL applied to a real PostgreSQL
// server (pg_virtualenv's, or a cluster of the test's own to stop), the send
// queue in real results files, and the sender in this process or in helper
// processes that are killed.
#include "school/pc_identity.h"
#include "school/school_sender.h"
#include "school/school_settings.h"
#include "store/results_log.h"
#include "support/sandbox.h"
#include "support/school_server.h"
#include "support/test_main.h"

#include <QProcess>

#include <netinet/in.h>
#include <sys/stat.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
using State = SenderStatus::State;
const QString SENDER = QStringLiteral(SANSU_HELPER_DIR "/school_send");
const ResultsLog::QueueOwner pupil{"6f1c5a4e-2b7d-4c1e-9a3f-0d5e8b7c6a21", "たろう", "1-1"};

std::vector<ResultRow> sittings(int n)
{
    std::vector<ResultRow> rows;
    for (int i = 1; i <= n; ++i)
        rows.push_back({QStringLiteral("2001/04/%1 9:05:03").arg(1 + i % 28, 2, 10, QLatin1Char('0')),
                        QStringLiteral("たしざん１０"), QString::number(i % 10)});
    return rows;
}

// A results file at `path` holding `n` sittings, all queued.
QString queuedFile(const QString &path, int n)
{
    QDir().mkpath(QFileInfo(path).path());
    const ResultsLog log(path);
    return log.create(QString(), sittings(n)) && log.queueBacklog(pupil) ? path : QString();
}

std::unique_ptr<SchoolSender> sending(const QString &service, const QStringList &files, int batchRows = 500,
                                      int firstRetryMs = 200)
{
    SchoolSender::Options o;
    o.service = service;
    o.pcId = QStringLiteral("0b6f8d2e-3c4a-4e5f-8a9b-1c2d3e4f5a6b");
    o.pcName = QStringLiteral("pc");
    o.files = [files] { return files; };
    o.batchRows = batchRows;
    o.connectTimeoutS = 2;
    o.firstRetryMs = firstRetryMs;
    o.maxRetryMs = std::max(firstRetryMs, 1000);
    auto s = std::make_unique<SchoolSender>(o);
    s->start();
    return s;
}
} // namespace

class TestSchool : public QObject
{
    Q_OBJECT
    std::unique_ptr<SchoolServer> server_;

    // Empty when every LOG row of the files was queued once and sent, and the
    // server holds those rows and no other (result_id is its key); otherwise
    // what differs.
    QString allOnServerOnce(const SchoolServer &server, const QStringList &files)
    {
        int rows = 0;
        for (const QString &file : files) {
            const QString counts = Sandbox::rows(file, "SELECT (SELECT count(*) FROM LOG), count(*), count(DISTINCT "
                                                       "log_rowid), sum(state = 'sent') FROM SEND_QUEUE").value(0);
            if (counts.split('|').count(counts.section('|', 0, 0)) != 4)
                return file + ": LOG rows, queued, queued LOG rows, sent: " + counts;
            rows += counts.section('|', 0, 0).toInt();
        }
        const QString held = server.psql("SELECT count(*) FROM sansu.results").out;
        return held.toInt() == rows ? QString() : QStringLiteral("%1 rows here, %2 on the server").arg(rows).arg(held);
    }

private slots:
    void initTestCase()
    {
        const auto admin = SchoolServer::started();
        QVERIFY2(admin, "no PostgreSQL server: run the tests under pg_virtualenv (scripts/test.sh does)");
        server_ = std::make_unique<SchoolServer>(*admin);
        QVERIFY2(server_->problem().isEmpty(), qPrintable(server_->problem()));
    }
    void init()
    {
        QVERIFY(server_->psql("TRUNCATE sansu.results, sansu.pupils CASCADE; UPDATE sansu.schema_version SET major = 1").ok);
    }
    void cleanupTestCase() { server_.reset(); }

    // Applied again, the schema keeps its rows and its version; over a newer
    // major version it is refused and changes nothing.
    void schemaApplied_again()
    {
        QVERIFY(server_->psql("INSERT INTO sansu.pupils (pupil_id, class_id, name_kana) "
                              "VALUES (gen_random_uuid(), '1-1', 'はなこ')", "pc1").ok);
        QVERIFY(server_->applySchema().ok);
        QCOMPARE(server_->psql("SELECT (SELECT count(*) FROM sansu.pupils), major, minor FROM sansu.schema_version").out,
                 "1|1|1");
        QVERIFY(server_->psql("UPDATE sansu.schema_version SET major = 2").ok);
        QVERIFY(!server_->applySchema().ok);
        QCOMPARE(server_->psql("SELECT major, minor FROM sansu.schema_version").out, "2|1");
    }

    // What each login may do on the server: a PC inserts for its classes and
    // reads nothing; a teacher reads their class only.
    void rights_data()
    {
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("expected"); // the rows, or the SQLSTATE of the refusal
        const QString result = "INSERT INTO sansu.results (result_id, pupil_id, class_id, drill, score, log_date, "
                               "made_at, made_utc_offset_min, pc_id, pc_name, pc_seq, pc_clock_at_send%1) VALUES "
                               "(gen_random_uuid(), '%2', '%3', 'd', '1', 'x', now(), 540, gen_random_uuid(), 'pc', 1, now()%4)";
        const QString inOne = "00000000-0000-4000-8000-000000000011", inTwo = "00000000-0000-4000-8000-000000000012";
        QTest::newRow("PC reads results") << "pc1" << "SELECT count(*) FROM sansu.results" << "42501";
        QTest::newRow("PC reads pupils") << "pc1" << "SELECT count(*) FROM sansu.pupils" << "42501";
        QTest::newRow("PC updates") << "pc1" << "UPDATE sansu.results SET score = '9'" << "42501";
        QTest::newRow("PC deletes") << "pc1" << "DELETE FROM sansu.results" << "42501";
        QTest::newRow("PC inserts for another class") << "pc1" << result.arg("", inTwo, "1-2", "") << "42501";
        QTest::newRow("PC inserts a pupil of another class")
            << "pc1" << "INSERT INTO sansu.pupils (pupil_id, class_id, name_kana) VALUES (gen_random_uuid(), '1-2', 'じろう')" << "42501";
        QTest::newRow("PC sets the server's time") << "pc1" << result.arg(", received_at", inOne, "1-1", ", now()") << "42501";
        QTest::newRow("PC inserts for its class") << "pc1" << result.arg("", inOne, "1-1", "") << "";
        QTest::newRow("PC reads the version and its classes")
            << "pc3" << "SELECT major, minor, sansu.pc_classes() FROM sansu.schema_version" << "1|1|1-2";
        QTest::newRow("teacher reads their class") << "teacher" << "SELECT class_id, count(*) FROM sansu.results GROUP BY 1" << "1-1|1";
        QTest::newRow("teacher reads the clocks of their class") << "teacher" << "SELECT class_id, clock_off FROM sansu.results_clock" << "1-1|f";
        QTest::newRow("teacher inserts") << "teacher" << result.arg("", inOne, "1-1", "") << "42501";
    }
    void rights()
    {
        QFETCH(QString, login);
        QFETCH(QString, sql);
        QFETCH(QString, expected);
        QVERIFY(server_->psql("INSERT INTO sansu.pupils (pupil_id, class_id, name_kana) VALUES "
                              "('00000000-0000-4000-8000-000000000011', '1-1', 'あ'), ('00000000-0000-4000-8000-000000000012', '1-2', 'い');"
                              "INSERT INTO sansu.results SELECT gen_random_uuid(), pupil_id, class_id, 'd', '1', 'x', now(), 540, "
                              "gen_random_uuid(), 'pc', 1, now() FROM sansu.pupils").ok);
        const SchoolServer::Ran ran = server_->psql(sql, login);
        QCOMPARE(ran.ok ? ran.out : ran.err.section(':', 1, 1).trimmed(), expected);
    }

    // The settings file found the XDG way, and each kind of file that cannot
    // be read named, a named pipe among them without blocking.
    void settings_data()
    {
        QTest::addColumn<QString>("where"); // the folder of sansu-drill/school.conf: home or dirs
        QTest::addColumn<QByteArray>("text"); // the file's text; "fifo", "folder", "large": that instead
        QTest::addColumn<QString>("expected"); // service|class, or the problem's number
        QTest::newRow("home") << "home" << QByteArray("# a comment\n[school]\nservice = school \nclass=1-2\n") << "school|1-2";
        QTest::newRow("system-wide") << "dirs" << QByteArray("service=school") << "school|";
        QTest::newRow("no service") << "home" << QByteArray("class=1-2\nservice=\n") << "5";
        QTest::newRow("named pipe") << "dirs" << QByteArray("fifo") << "3";
        QTest::newRow("folder") << "home" << QByteArray("folder") << "2";
        QTest::newRow("too large") << "home" << QByteArray("large") << "4";
        QTest::newRow("none") << "" << QByteArray() << "|";
    }
    void settings()
    {
        QFETCH(QString, where);
        QFETCH(QByteArray, text);
        QFETCH(QString, expected);
        Sandbox sandbox;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(sandbox.path("home")));
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName("relative:" + sandbox.path("dirs")));
        const QString file = sandbox.path(where + "/sansu-drill/school.conf");
        QVERIFY(QDir().mkpath(QFileInfo(file).path()));
        QFile f(file);
        if (text == "fifo")
            QVERIFY(::mkfifo(QFile::encodeName(file), 0600) == 0);
        else if (text == "folder")
            QVERIFY(QDir().mkpath(file));
        else if (!where.isEmpty())
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(text == "large" ? QByteArray(100000, '#') : text) > 0);
        f.close();
        const SchoolSettings found = SchoolSettings::find();
        QCOMPARE(found.problem() == SchoolSettings::Problem::None ? found.service() + '|' + found.classId()
                                                                  : QString::number(int(found.problem())),
                 expected);
        QCOMPARE(found.path(), where.isEmpty() ? QString() : file);
        QCOMPARE(bool(SchoolSettings::write("other", "1-1")), text != "folder");
        QCOMPARE(SchoolSettings::find().service(), text == "folder" ? "" : "other");
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("XDG_CONFIG_DIRS");
    }

    // A PC's id is kept; a copy of its folder on another machine makes its own.
    void pcIdentity()
    {
        Sandbox sandbox;
        QFile machine(sandbox.path("machine-id"));
        QVERIFY(machine.open(QIODevice::WriteOnly) && machine.write("aaaa\n") > 0 && machine.flush());
        const PcIdentity first = PcIdentity::ensure(sandbox.path("pc"), machine.fileName());
        QVERIFY(first.made() && first.valid());
        QCOMPARE(PcIdentity::ensure(sandbox.path("pc"), machine.fileName()).id(), first.id());
        QVERIFY(machine.resize(0) && machine.write("bbbb\n") > 0 && machine.flush());
        const PcIdentity cloned = PcIdentity::ensure(sandbox.path("pc"), machine.fileName());
        QVERIFY(cloned.made() && cloned.id() != first.id());
    }

    // A sitting's row queued with it makes the queue; the backlog is queued
    // once, and a row queued with its sitting not again; rows written while
    // the PC was out of the school are queued when it joins again; the purge
    // leaves the queue alone, and a rowid used again by a later row does not
    // hide that row.
    void queuedOnce()
    {
        Sandbox sandbox;
        const ResultsLog log(sandbox.path());
        QVERIFY(log.create(QString(), sittings(3)));
        QVERIFY(log.append(sittings(1).front()) && log.queueCounts().outcome);
        QCOMPARE(Sandbox::rows(sandbox.path(), "SELECT count(*) FROM sqlite_master WHERE name LIKE 'SEND%'"), {"0"});
        const auto backlog = [&log] {
            qint64 n = -1;
            return log.queueBacklog(pupil, &n) ? n : -1;
        };
        const ResultsLog copy = log;
        log.setQueueOwner(pupil);
        QVERIFY(copy.append({"2001/04/27 9:05:03", "とけい", "7"}));
        log.setQueueOwner(std::nullopt);
        QCOMPARE(backlog(), 4);
        QCOMPARE(backlog(), 0);
        auto pc = sending(server_->service("pc1"), {sandbox.path()});
        QTRY_COMPARE_WITH_TIMEOUT(pc->status().sent, 5, 20000);
        // Purged, the sent rows stay queued; the next rows, written outside the
        // school, take their rowids again.
        QVERIFY(log.purge("9999"));
        QVERIFY(log.append({"2001/04/28 9:05:03", "とけい", "8"}) && log.append({"2001/04/29 9:05:03", "とけい", "9"}));
        QCOMPARE(backlog(), 2);
        pc->poke();
        QTRY_COMPARE_WITH_TIMEOUT(pc->status().sent, 7, 20000);
        QCOMPARE(server_->psql("SELECT count(*) FROM sansu.results").out, "7");
        qint64 pruned = 0;
        QVERIFY(log.pruneSent(&pruned));
        QCOMPARE(pruned, 5);
    }

    // Rows the server refuses for good, and rows that cannot be sent, are set
    // apart with their reasons; the rows around them are sent.
    void refusedSetApart()
    {
        Sandbox sandbox;
        const ResultsLog log(sandbox.path());
        const QString nul = QStringLiteral("たし") + QChar(0) + QStringLiteral("ざん");
        QVERIFY(log.create(QString(), {{"2001/04/27 9:00:00", "a", "1"}, {"2001/04/27 9:00:01", nul, "2"},
                                       {"2001/04/27 9:00:02", "b", "3"}, {"2001/04/27 9:00:03", "c", "ten"},
                                       {"yesterday", "d", "5"}, {"2001/04/27 9:00:05", "e", "6"}}));
        const StoreOutcome queued = log.queueBacklog(pupil);
        QVERIFY2(queued, qPrintable(queued.reason));
        QVERIFY(log.appendQueued({"2001/04/27 9:00:06", "f", "7"}, Sandbox::now(), {pupil.pupilId, "たろう", "1-2"}));
        QVERIFY(log.appendQueued({"2001/04/27 9:00:07", "g", "8"}, Sandbox::now(), pupil));
        auto pc = sending(server_->service("pc1"), {sandbox.path()});
        QTRY_COMPARE_WITH_TIMEOUT(pc->status().state, State::AllSent, 20000);
        QCOMPARE(server_->psql("SELECT string_agg(drill, '' ORDER BY drill) FROM sansu.results").out, "abeg");
        const QStringList reasons = Sandbox::rows(sandbox.path(), "SELECT log_drill, reason FROM SEND_QUEUE WHERE state = 'refused' ORDER BY seq");
        QCOMPARE(reasons.size(), 4);
        for (const char *why : {"NUL", "23514", "not a date: yesterday", "42501"})
            QVERIFY2(reasons.filter(why).size() == 1, qPrintable(reasons.join('\n')));
        QCOMPARE(log.queueCounts().refused, 4);
    }

    // A wrong password, or a schema newer than the program knows: nothing is
    // sent, and the status says why in the server's words.
    void stopsAndSaysWhy_data()
    {
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("setUp");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("words");
        QTest::newRow("wrong password") << "wrongpw" << "" << int(State::LoginRefused) << "password authentication failed";
        QTest::newRow("newer schema") << "pc1" << "UPDATE sansu.schema_version SET major = 2" << int(State::SchemaNewer)
                                      << "version 2.1";
    }
    void stopsAndSaysWhy()
    {
        QFETCH(QString, login);
        QFETCH(QString, setUp);
        QFETCH(int, state);
        QFETCH(QString, words);
        QVERIFY(setUp.isEmpty() || server_->psql(setUp).ok);
        Sandbox sandbox;
        auto pc = sending(server_->service(login), {queuedFile(sandbox.path(), 10)});
        QTRY_COMPARE_WITH_TIMEOUT(int(pc->status().state), state, 20000);
        QVERIFY2(pc->status().detail.contains(words), qPrintable(pc->status().detail));
        QCOMPARE(server_->psql("SELECT count(*) FROM sansu.results").out, "0");
        QCOMPARE(ResultsLog(sandbox.path()).queueCounts().waiting, 10);
    }

    // A server that takes the connection and never answers: the sender gives
    // up within its connect timeout, the child's rows are written meanwhile,
    // and the sender ends within its bound.
    void silentServer()
    {
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        QVERIFY(::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 && ::listen(listener, 8) == 0
                && ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length) == 0);
        Sandbox sandbox;
        // A first failure is waited on for a minute: the stop below finds the
        // sender waiting, not in a second connect.
        auto pc = sending(server_->addService("silent", ntohs(address.sin_port)), {queuedFile(sandbox.path(), 3)}, 500,
                          60000);
        QTRY_COMPARE_WITH_TIMEOUT(pc->status().state, State::Connecting, 1000);
        QVERIFY(ResultsLog(sandbox.path()).appendQueued({"2001/04/27 9:05:03", "とけい", "7"}, Sandbox::now(), pupil));
        QTRY_COMPARE_WITH_TIMEOUT(pc->status().state, State::WaitingToRetry, 2000 + 2000);
        QVERIFY2(pc->stop(2000), "the sender outlived its bound");
        QCOMPARE(ResultsLog(sandbox.path()).queueCounts().waiting, 4);

        // A program that ends while its sender is inside the blocking connect
        // ends within the bound, normally, leaving the sender's thread behind.
        QProcess ending;
        ending.setProcessEnvironment([] {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("SANSU_STOP_AFTER_MS", "300");
            env.insert("SANSU_CONNECT_TIMEOUT_S", "10");
            return env;
        }());
        ending.start(SENDER, {server_->service("silent"), sandbox.path(), sandbox.path("pc")});
        QVERIFY(ending.waitForFinished(300 + 2000 + 2000));
        QCOMPARE(ending.exitStatus(), QProcess::NormalExit);
        QVERIFY(QString(ending.readAllStandardOutput()).contains("stopped: left behind"));
        ::close(listener);
    }

    // A sending program killed in the middle of a batch and started again; the
    // server stopped at once in the middle of a batch and started again (a
    // cluster of the test's own); two PCs of one class sending at once: every
    // row is on the server once.
    void interrupted_data()
    {
        QTest::addColumn<QStringList>("pcs");
        QTest::addColumn<QString>("interruption");
        QTest::newRow("sender killed") << QStringList{"pc1"} << "kill";
        QTest::newRow("server stopped") << QStringList{"pc1"} << "stop";
        QTest::newRow("two PCs at once") << QStringList{"pc1", "pc2"} << "";
    }
    void interrupted()
    {
        QFETCH(QStringList, pcs);
        QFETCH(QString, interruption);
        std::optional<OwnCluster> cluster;
        std::optional<SchoolServer> own;
        if (interruption == "stop") {
            QVERIFY2(cluster.emplace().problem().isEmpty(), qPrintable(cluster->problem()));
            QVERIFY2(own.emplace(cluster->admin()).problem().isEmpty(), qPrintable(own->problem()));
        }
        const SchoolServer &server = own ? *own : *server_;
        const auto onServer = [&server] { return server.psql("SELECT count(*) FROM sansu.results").out.toInt(); };
        Sandbox sandbox;
        QStringList files;
        std::vector<std::unique_ptr<QProcess>> senders(pcs.size());
        const auto run = [&](int i) {
            senders[i] = std::make_unique<QProcess>();
            senders[i]->start(SENDER, {server.service(pcs[i]), files[i], sandbox.path(pcs[i]), "200"});
        };
        for (int i = 0; i < pcs.size(); ++i) {
            files << queuedFile(sandbox.path(pcs[i] + "/ADO_ZEM.MDB"), 10000);
            run(i);
        }
        if (!interruption.isEmpty()) {
            QTRY_VERIFY_WITH_TIMEOUT(onServer() > 0, 20000);
            QVERIFY(onServer() < 10000);
            if (cluster) {
                QVERIFY2(cluster->stopImmediately(), qPrintable(cluster->problem()));
                QTest::qWait(1000);
                QVERIFY2(cluster->start(), qPrintable(cluster->problem()));
            } else {
                senders[0]->kill();
                senders[0]->waitForFinished();
                run(0);
            }
        }
        for (const auto &s : senders)
            QVERIFY2(s->waitForFinished(180000) && s->exitCode() == 0, s->readAllStandardError().constData());
        QCOMPARE(allOnServerOnce(server, files), QString());
    }
};

SANSU_TEST_MAIN(TestSchool)
#include "test_school.moc"
