// The windows under abuse: a results file that is damaged, of another kind,
// a folder, or out of reach through its permissions goes through the start-up
// and the score window, and every drill is played through with no voice
// prompts at all on the real SDL device.
//
// The permission cases do not bind root, so as root they run in a second copy
// of this program that gives up root for the "nobody" user before it does
// anything else and prints what it saw.
#include "app/menu_window.h"
#include "clock/clock_window.h"
#include "drill/drill_window.h"
#include "platform/app_info.h"
#include "platform/dialogs.h"
#include "platform/project_globals.h"
#include "platform/system_clock.h"
#include "scores/score_window.h"
#include "sound/sound_device.h"
#include "store/date_text.h"
#include "support/exit_trap.h"
#include "support/fake_dialogs.h"
#include "support/sqlite_file.h"
#include "support/temp_work_dir.h"
#include "support/test_setup.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QtTest>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

namespace {
constexpr uid_t nobodyId = 65534;
const char *const asNobodyOption = "--scenario-as-nobody";
const QString fileName = QStringLiteral("ADO_ZEM.MDB");
const QDateTime fixedNow(QDate(2001, 4, 27), QTime(15, 0, 0));

// What the user saw of one damaged file, from the start-up to a save.
struct Outcome
{
    int startStatus = -1; // exit status of the start-up, -1 when the menu opened
    QStringList startTold;
    QStringList startAsked;
    bool scoresEnded = false;
    QStringList scoresTold; // on opening the score window and clicking every drill
    int gridRows = 0;
    QStringList saveTold; // on saving "30" as the retention period

    QByteArray serialise() const
    {
        QByteArray out;
        const auto line = [&out](const char *key, const QString &value) {
            QString v = value;
            v.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\n'), QStringLiteral("\\n"));
            out += QByteArray(key) + '\t' + v.toUtf8() + '\n';
        };
        line("status", QString::number(startStatus));
        for (const QString &t : startTold)
            line("start-told", t);
        for (const QString &t : startAsked)
            line("start-asked", t);
        line("scores-ended", scoresEnded ? QStringLiteral("1") : QStringLiteral("0"));
        for (const QString &t : scoresTold)
            line("scores-told", t);
        line("grid-rows", QString::number(gridRows));
        for (const QString &t : saveTold)
            line("save-told", t);
        return out;
    }

    static Outcome parse(const QByteArray &text)
    {
        Outcome o;
        for (const QByteArray &raw : text.split('\n')) {
            const int tab = raw.indexOf('\t');
            if (tab < 0)
                continue;
            const QByteArray key = raw.left(tab);
            QString value = QString::fromUtf8(raw.mid(tab + 1));
            value.replace(QStringLiteral("\\n"), QStringLiteral("\n")).replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
            if (key == "status")
                o.startStatus = value.toInt();
            else if (key == "start-told")
                o.startTold << value;
            else if (key == "start-asked")
                o.startAsked << value;
            else if (key == "scores-ended")
                o.scoresEnded = value == QStringLiteral("1");
            else if (key == "scores-told")
                o.scoresTold << value;
            else if (key == "grid-rows")
                o.gridRows = value.toInt();
            else if (key == "save-told")
                o.saveTold << value;
        }
        return o;
    }
};

// The start-up of the menu, then the score window as the menu would open it:
// every drill listed, then a retention period saved. Runs in the current folder.
Outcome runScenario()
{
    Outcome o;
    ExitTrap trap;
    SystemClock::setFixedNow(fixedNow);
    ProjectGlobals::instance() = ProjectGlobals{};
    {
        FakeDialogs *dialogs = FakeDialogs::install();
        MenuWindow menu;
        try {
            menu.showForm();
        } catch (const ProgramEnded &ended) {
            o.startStatus = ended.status;
        }
        o.startTold = dialogs->told;
        o.startAsked = dialogs->asked;
        menu.close();
    }
    // The globals as a menu that did start would have left them.
    TestSetup::globals();
    {
        FakeDialogs *dialogs = FakeDialogs::install();
        ScoreWindow w;
        try {
            // The handlers are called as the option buttons call them: an end of
            // the program must not be thrown through Qt's event dispatch.
            w.showForm();
            for (int i = 1; i < ScoreWindow::drillCount; ++i)
                w.Option1_Click(static_cast<qint16>(i));
            w.Option1_Click(0);
        } catch (const ProgramEnded &) {
            o.scoresEnded = true;
        }
        o.scoresTold = dialogs->told;
        o.gridRows = w.gridModel()->rowCount();
        dialogs->told.clear();
        w.Text1->setText(QStringLiteral("30"));
        try {
            w.Command1_Click();
        } catch (const ProgramEnded &) {
            o.scoresEnded = true;
        }
        o.saveTold = dialogs->told;
        w.close();
    }
    Dialogs::install(nullptr);
    SystemClock::setFixedNow(std::nullopt);
    return o;
}

// Every entry below a folder with its kind, size, permissions and, for files,
// a digest of the bytes, so that any change or any new file shows.
QStringList snapshot(const QString &folder)
{
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        QString entry = QDir(folder).relativeFilePath(path) + QLatin1Char(' ')
                        + (info.isDir() ? QStringLiteral("dir") : QString::number(info.size()))
                        + QStringLiteral(" %1").arg(int(info.permissions()), 0, 16);
        if (info.isFile()) {
            QFile f(path);
            entry += f.open(QIODevice::ReadOnly)
                         ? QLatin1Char(' ') + QString::fromLatin1(QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex())
                         : QStringLiteral(" unreadable");
        }
        entries << entry;
    }
    entries.sort();
    return entries;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A results file in the current folder holding old rows (of 2000, purged at a
// start in April 2001 with the 90 days kept) and recent ones, for every drill.
bool makeRealDatabase(int rows)
{
    TestSetup::createDatabase();
    const QString name = QStringLiteral("filler");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(SqliteFile::defaultPath());
        QSqlQuery q(db);
        ok = db.open() && q.exec(QStringLiteral("BEGIN"))
             && q.prepare(QStringLiteral("INSERT INTO LOG ( 日時,科目,得点 ) VALUES ( ?, ?, ? )"));
        const QStringList drills = {QStringLiteral("たしざん１０"), QStringLiteral("たして１０"),
                                    QStringLiteral("たしざん２０"), QStringLiteral("ひきざん１０"),
                                    QStringLiteral("ひいて１０"),   QStringLiteral("ひきざん２０"),
                                    QStringLiteral("とけい")};
        for (int i = 0; ok && i < rows; ++i) {
            const QDate day = i % 2 ? QDate(2000, 1, 1).addDays(i % 300) : QDate(2001, 4, 1).addDays(i % 26);
            q.bindValue(0, DateText::of(QDateTime(day, QTime(9 + i % 10, i % 60, 7))));
            q.bindValue(1, drills[i % drills.size()]);
            q.bindValue(2, QString::number(1 + i % 30));
            ok = q.exec();
        }
        ok = ok && q.exec(QStringLiteral("COMMIT"));
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

quint32 crc32(const QByteArray &data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : data) {
        crc ^= static_cast<quint8>(byte);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A ZIP archive holding one stored text file.
QByteArray zipArchive()
{
    const QByteArray name = "LOG.csv";
    const QByteArray content = "日時,科目,得点\n2001/04/27 9:05:03,とけい,3\n";
    const auto le16 = [](QByteArray &b, quint16 v) { b.append(char(v & 0xFF)).append(char(v >> 8)); };
    const auto le32 = [&le16](QByteArray &b, quint32 v) { le16(b, quint16(v & 0xFFFF)); le16(b, quint16(v >> 16)); };
    const quint32 crc = crc32(content);
    QByteArray zip = "PK\x03\x04";
    le16(zip, 10); le16(zip, 0); le16(zip, 0); le16(zip, 0); le16(zip, 0x21);
    le32(zip, crc); le32(zip, quint32(content.size())); le32(zip, quint32(content.size()));
    le16(zip, quint16(name.size())); le16(zip, 0);
    zip += name + content;
    const quint32 central = quint32(zip.size());
    zip += "PK\x01\x02";
    le16(zip, 20); le16(zip, 10); le16(zip, 0); le16(zip, 0); le16(zip, 0); le16(zip, 0x21);
    le32(zip, crc); le32(zip, quint32(content.size())); le32(zip, quint32(content.size()));
    le16(zip, quint16(name.size())); le16(zip, 0); le16(zip, 0); le16(zip, 0); le16(zip, 0);
    le32(zip, 0); le32(zip, 0);
    zip += name;
    const quint32 centralSize = quint32(zip.size()) - central;
    zip += "PK\x05\x06";
    le16(zip, 0); le16(zip, 0); le16(zip, 1); le16(zip, 1);
    le32(zip, centralSize); le32(zip, central); le16(zip, 0);
    return zip;
}

enum class Access { Normal, Unreadable, ReadOnlyFile, ReadOnlyFolder };

// Runs the scenario in a copy of this program that has become "nobody".
Outcome runAsNobody(const QString &folder, QString *diagnosis)
{
    QProcess child;
    child.setProgram(QCoreApplication::applicationFilePath());
    child.setArguments({QString::fromLatin1(asNobodyOption), folder});
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Caches and settings of root's home are out of reach for nobody; a home
    // that does not exist keeps them from being written anywhere.
    env.insert(QStringLiteral("HOME"), QStringLiteral("/nonexistent"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), QStringLiteral("/nonexistent"));
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    child.setProcessEnvironment(env);
    child.start();
    const bool finished = child.waitForFinished(120000);
    *diagnosis = QStringLiteral("finished %1, exit %2/%3, stderr: %4")
                     .arg(finished)
                     .arg(int(child.exitStatus()))
                     .arg(child.exitCode())
                     .arg(QString::fromLocal8Bit(child.readAllStandardError()));
    if (!finished || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        return Outcome{-2, {}, {}, false, {}, 0, {}};
    return Outcome::parse(child.readAllStandardOutput());
}

// The child side: give up root before anything else, then run the scenario
// in the given folder and print what happened.
int scenarioAsNobody(int argc, char **argv, const char *folder)
{
    if (setgroups(0, nullptr) != 0 || setgid(nobodyId) != 0 || setuid(nobodyId) != 0) {
        std::perror("cannot become nobody");
        return 3;
    }
    if (getuid() != nobodyId || geteuid() != nobodyId || getegid() != nobodyId) {
        std::fputs("still privileged\n", stderr);
        return 3;
    }
    if (chdir(folder) != 0) {
        std::perror("cannot enter the work folder");
        return 3;
    }
    QApplication app(argc, argv);
    TestSetup::application();
    const QByteArray out = runScenario().serialise();
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    std::fflush(stdout);
    return 0;
}

// Plays one number drill: a wrong tile, then the right one, `questions` times.
void playDrill(DrillWindow &w, int questions)
{
    for (int q = 0; q < questions; ++q) {
        QTRY_VERIFY(w.Command1->isHidden());
        const DrillKind::Equation shown{w.Label1[0]->text(), w.Label1[1]->text(), w.Label5->text()};
        const auto open = w.kind().openQuestion(shown);
        QVERIFY2(open.has_value(), qPrintable(shown.first + " " + shown.second + " " + shown.result));
        const QString answer = QString::number(open->answer);
        int right = -1;
        int wrong = -1;
        for (int i = 0; i < w.Label6.size(); ++i) {
            if (w.Label6[i]->text() == answer)
                right = i;
            else if (wrong < 0)
                wrong = i;
        }
        QVERIFY(right >= 0 && wrong >= 0);
        QTest::mouseClick(w.Label6[wrong], Qt::LeftButton);
        QCOMPARE(w.CLEAR_CNT, q);
        QTest::mouseClick(w.Label6[right], Qt::LeftButton);
        QCOMPARE(w.CLEAR_CNT, q + 1);
        QTRY_VERIFY(w.Command1->isVisible());
        if (q + 1 < questions)
            QTest::mouseClick(w.Command1, Qt::LeftButton);
    }
}

void playClock(ClockWindow &w, int questions)
{
    // The fresh question a second after loading comes first.
    QTRY_VERIFY_WITH_TIMEOUT(!w.Timer1->isActive(), 5000);
    for (int q = 0; q < questions; ++q) {
        QTRY_VERIFY(w.Command1->isHidden());
        QTest::mouseClick(w.Label1[(w.ANS_NO + 1) % 4], Qt::LeftButton);
        QCOMPARE(w.CLEAR_CNT, q);
        QTest::mouseClick(w.Label1[w.ANS_NO], Qt::LeftButton);
        QCOMPARE(w.CLEAR_CNT, q + 1);
        QTRY_VERIFY(!w.Command1->isHidden());
        if (q + 1 < questions)
            QTest::mouseClick(w.Command1, Qt::LeftButton);
    }
}
} // namespace

class TestReliabilityWindows : public QObject
{
    Q_OBJECT
    std::unique_ptr<TempWorkDir> dir;

private slots:
    void initTestCase() { TestSetup::application(); }
    void init() { dir = std::make_unique<TempWorkDir>(); }
    void cleanup()
    {
        // Permissions a case took away are given back so the folder can go.
        QFile::setPermissions(dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (QFileInfo(dir->filePath(fileName)).isFile())
            QFile::setPermissions(dir->filePath(fileName), QFile::ReadOwner | QFile::WriteOwner);
        dir.reset();
        AppInfo::setProgramFolder(QStringLiteral(SANSU_PROMPT_DIR));
    }

    void damagedFileLosesNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("access");
        QTest::addColumn<bool>("readable"); // the file can be read as a database

        // A real file of ours, several pages long, as made by the program.
        QByteArray real;
        {
            TempWorkDir scratch;
            QVERIFY(makeRealDatabase(3000));
            real = readAll(SqliteFile::defaultPath());
        }
        QVERIFY(real.size() > 32768);

        QRandomGenerator rng(20010427);
        QByteArray noise(16384, '\0');
        for (char &c : noise)
            c = char(rng.bounded(256));
        QByteArray jet("\x00\x01\x00\x00Standard Jet DB\x00", 20);
        jet += noise.left(4076);
        const QByteArray pgDump =
            "--\n-- PostgreSQL database dump\n--\n\nSET statement_timeout = 0;\n"
            "SET client_encoding = 'UTF8';\n\nCREATE TABLE public.\"LOG\" (\n    \"日時\" text,\n"
            "    \"科目\" text,\n    \"得点\" text\n);\n\nCOPY public.\"LOG\" (\"日時\", \"科目\", \"得点\") FROM stdin;\n"
            "2001/04/27 9:05:03\tとけい\t3\n\\.\n\n--\n-- PostgreSQL database dump complete\n--\n";

        const int normal = int(Access::Normal);
        QTest::newRow("empty") << QByteArray() << normal << false;
        QTest::newRow("truncated") << real.left(real.size() / 2) << normal << false;
        QTest::newRow("header only") << real.left(100) << normal << false;
        QTest::newRow("random bytes") << noise << normal << false;
        QTest::newRow("jet header") << jet << normal << false;
        QTest::newRow("postgresql dump") << pgDump << normal << false;
        QTest::newRow("zip") << zipArchive() << normal << false;
        QTest::newRow("folder") << QByteArray("folder") << normal << false;
        QTest::newRow("unreadable") << real << int(Access::Unreadable) << false;
        QTest::newRow("read-only file") << real << int(Access::ReadOnlyFile) << true;
        QTest::newRow("read-only folder") << real << int(Access::ReadOnlyFolder) << true;
    }

    void damagedFileLosesNothing()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, access);
        QFETCH(bool, readable);
        const QString path = dir->filePath(fileName);
        if (QByteArray(QTest::currentDataTag()) == "folder") {
            QVERIFY(QDir(dir->path()).mkdir(fileName));
            QVERIFY(writeAll(path + QStringLiteral("/LOG.csv"), "日時,科目,得点\n"));
        } else {
            QVERIFY(writeAll(path, bytes));
        }
        const QStringList before = snapshot(dir->path());

        const bool root = geteuid() == 0;
        const auto owner = root ? nobodyId : geteuid();
        if (root) {
            // The user the start-up runs as owns the folder and the file.
            QCOMPARE(chown(qPrintable(dir->path()), nobodyId, nobodyId), 0);
            QCOMPARE(chown(qPrintable(path), owner, owner), 0);
        }
        QCOMPARE(chmod(qPrintable(dir->path()), 0755), 0);
        switch (Access(access)) {
        case Access::Normal:
            break;
        case Access::Unreadable:
            QCOMPARE(chmod(qPrintable(path), 0200), 0);
            break;
        case Access::ReadOnlyFile:
            QCOMPARE(chmod(qPrintable(path), 0444), 0);
            break;
        case Access::ReadOnlyFolder:
            QCOMPARE(chmod(qPrintable(dir->path()), 0555), 0);
            break;
        }

        Outcome o;
        if (root && Access(access) != Access::Normal) {
            QString diagnosis;
            o = runAsNobody(dir->path(), &diagnosis);
            QVERIFY2(o.startStatus != -2, qPrintable(diagnosis));
        } else {
            o = runScenario();
        }
        const QString seen = QStringLiteral("start %1 told %2 asked %3 | scores %4 | save %5")
                                 .arg(o.startStatus)
                                 .arg(o.startTold.join(" / "), o.startAsked.join(" / "),
                                      o.scoresTold.join(" / "), o.saveTold.join(" / "));
        qInfo().noquote() << seen;

        // Give back what was taken before looking at the bytes.
        QCOMPARE(chmod(qPrintable(dir->path()), 0700), 0);
        if (Access(access) != Access::Normal)
            QCOMPARE(chmod(qPrintable(path), 0644), 0);
        if (root) {
            QCOMPARE(chown(qPrintable(dir->path()), 0, 0), 0);
            QCOMPARE(chown(qPrintable(path), 0, 0), 0);
        }
        QStringList after = snapshot(dir->path());
        QCOMPARE(after, before);

        // The start-up says what is wrong; a file it cannot read ends it.
        QVERIFY2(!o.startTold.isEmpty(), qPrintable(seen));
        const QString savedMessage = QStringLiteral("保存期間を設定しました");
        QVERIFY2(!o.saveTold.isEmpty() && !o.saveTold.contains(savedMessage), qPrintable(seen));
        if (readable) {
            // Old rows could not be purged; the menu opens, the list reads.
            QCOMPARE(o.startStatus, -1);
            QVERIFY2(o.startTold.join(QString()).contains(QStringLiteral("古い成績を削除できませんでした")),
                     qPrintable(seen));
            QVERIFY(!o.scoresEnded);
            QVERIFY2(o.scoresTold.isEmpty(), qPrintable(seen));
            QVERIFY(o.gridRows > 0);
        } else {
            QCOMPARE(o.startStatus, 1);
            QVERIFY(!o.scoresEnded);
            // Opening and each of the seven drill choices after it gives its message.
            QVERIFY2(o.scoresTold.size() >= ScoreWindow::drillCount + 1, qPrintable(seen));
            QCOMPARE(o.gridRows, 0);
        }
    }

    void everyDrillPlaysWithoutPrompts()
    {
        // A program folder with no WAV in it, and the real sound device.
        QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("program")));
        AppInfo::setProgramFolder(dir->filePath(QStringLiteral("program")));
        SoundDevice::setFactory(nullptr);
        ExitTrap trap;
        FakeDialogs *dialogs = FakeDialogs::install();
        SystemClock::setFixedNow(fixedNow);
        TestSetup::createDatabase();
        QVERIFY(SqliteFile::exec(SqliteFile::defaultPath(), QStringLiteral("INSERT INTO LOG VALUES ('2001/04/26 8:00:00', 'とけい', '9')")));
        ProjectGlobals::instance() = ProjectGlobals{};

        MenuWindow menu;
        menu.showForm();
        QVERIFY(menu.isVisible());
        QStringList expected{QStringLiteral("2001/04/26 8:00:00|とけい|9")};
        for (int index = 0; index < MenuWindow::drillCount; ++index) {
            const int questions = 2 + index % 3;
            QTest::mouseClick(menu.Command1[index], Qt::LeftButton);
            Form *form = menu.drillWindow(index);
            QVERIFY(form->isVisible());
            if (auto *drill = qobject_cast<DrillWindow *>(form))
                playDrill(*drill, questions);
            else
                playClock(*qobject_cast<ClockWindow *>(form), questions);
            if (QTest::currentTestFailed())
                return;
            form->close();
            QVERIFY(!form->isLoaded());
            expected << QStringLiteral("2001/04/27 15:00:00|%1|%2").arg(menu.Command1[index]->text()).arg(questions);
            QCOMPARE(SqliteFile::rows(SqliteFile::defaultPath(),
                                      QStringLiteral("SELECT 日時, 科目, 得点 FROM LOG ORDER BY rowid")),
                     expected);
        }
        QCOMPARE(dialogs->told, QStringList{});
        menu.close();
        Dialogs::install(nullptr);
        SystemClock::setFixedNow(std::nullopt);
    }
};

int main(int argc, char **argv)
{
    if (argc >= 3 && qstrcmp(argv[1], asNobodyOption) == 0)
        return scenarioAsNobody(1, argv, argv[2]);
    QApplication app(argc, argv);
    QTEST_SET_MAIN_SOURCE_PATH
    TestReliabilityWindows test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_reliability_windows.moc"
