// The windows under abuse: a results file that is damaged, of another kind, a
// folder, or out of reach through its permissions goes through the start-up and
// the score window; every drill is played through with no voice prompts at all
// on the real SDL device.
//
// Permissions do not bind root, so as root the permission cases run in a second
// copy of this program that becomes "nobody" first and reports what it saw.
#include "app/menu_window.h"
#include "clock/clock_window.h"
#include "drill/drill_window.h"
#include "platform/app_info.h"
#include "platform/click_label.h"
#include "platform/project_globals.h"
#include "platform/system_clock.h"
#include "scores/score_window.h"
#include "store/date_text.h"
#include "support/exit_trap.h"
#include "support/fake_dialogs.h"
#include "support/sqlite_file.h"
#include "support/temp_work_dir.h"
#include "support/test_kit.h"
#include "support/test_setup.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QDirIterator>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSqlQueryModel>
#include <QtTest>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <optional>

namespace {
constexpr uid_t nobodyId = 65534;
const char *const asNobodyOption = "--scenario-as-nobody";
const QString fileName = QStringLiteral("ADO_ZEM.MDB");
const QDateTime fixedNow(QDate(2001, 4, 27), QTime(15, 0, 0));

// What the user saw of one damaged file, from the start-up to a save.
struct Outcome
{
    int startStatus = -1; // exit status of the start-up, -1 when the menu opened
    QStringList startTold, startAsked;
    bool scoresEnded = false;
    QStringList scoresTold; // on opening the score window and choosing every drill
    int gridRows = 0;
    QStringList saveTold; // on saving "30" as the retention period

    friend QDataStream &operator<<(QDataStream &s, const Outcome &o)
    {
        return s << o.startStatus << o.startTold << o.startAsked << o.scoresEnded << o.scoresTold
                 << o.gridRows << o.saveTold;
    }
    friend QDataStream &operator>>(QDataStream &s, Outcome &o)
    {
        return s >> o.startStatus >> o.startTold >> o.startAsked >> o.scoresEnded >> o.scoresTold
               >> o.gridRows >> o.saveTold;
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
    TestSetup::globals(); // as a menu that did start would have left them
    {
        FakeDialogs *dialogs = FakeDialogs::install();
        ScoreWindow w;
        // The handlers are called directly: an end of the program must not be
        // thrown through Qt's event dispatch.
        try {
            w.showForm();
            for (int i = 1; i <= ScoreWindow::drillCount; ++i) // every drill, the first last
                w.Option1_Click(static_cast<qint16>(i % ScoreWindow::drillCount));
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

// Every entry below a folder with its kind, size, permissions and, for files, a
// digest of the bytes, so that any change or any new file shows.
QStringList snapshot(const QString &folder)
{
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QByteArray digest = QCryptographicHash::hash(Kit::readFile(info.filePath()), QCryptographicHash::Sha256).toHex();
        entries << QStringLiteral("%1 %2 %3").arg(QDir(folder).relativeFilePath(info.filePath()))
                       .arg(int(info.permissions()), 0, 16)
                       .arg(info.isDir() ? QStringLiteral("dir") : QStringLiteral("%1 %2").arg(info.size()).arg(digest));
    }
    entries.sort();
    return entries;
}

// A results file in the current folder with `rows` rows for every drill: old
// ones (of 2000, purged by a start in April 2001 keeping 90 days) and recent ones.
bool makeRealDatabase(int rows)
{
    TestSetup::createDatabase();
    const QStringList drills = QStringLiteral("たしざん１０ たして１０ たしざん２０ ひきざん１０ ひいて１０ ひきざん２０ とけい")
                                   .split(QLatin1Char(' '));
    QStringList values;
    for (int i = 0; i < rows; ++i) {
        const QDate day = i % 2 ? QDate(2000, 1, 1).addDays(i % 300) : QDate(2001, 4, 1).addDays(i % 26);
        values << QStringLiteral("('%1','%2','%3')")
                      .arg(DateText::of(QDateTime(day, QTime(9 + i % 10, i % 60, 7))), drills[i % drills.size()])
                      .arg(1 + i % 30);
    }
    return SqliteFile::exec(SqliteFile::defaultPath(),
                            QStringLiteral("INSERT INTO LOG ( 日時,科目,得点 ) VALUES ") + values.join(QLatin1Char(',')));
}

// A ZIP archive holding one stored text file.
QByteArray zipArchive()
{
    const QByteArray name = "LOG.csv", content = "日時,科目,得点\n2001/04/27 9:05:03,とけい,3\n";
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : content) {
        crc ^= static_cast<quint8>(byte);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    crc = ~crc;
    const quint32 size = quint32(content.size());
    const quint16 nameSize = quint16(name.size());
    QByteArray zip;
    QDataStream s(&zip, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    const auto raw = [&s](const QByteArray &b) { s.writeRawData(b.constData(), int(b.size())); };
    // Local header (version 1.0, stored, dated 1980-01-01), name, content.
    s << quint32(0x04034b50) << quint16(10) << quint16(0) << quint16(0) << quint16(0) << quint16(0x21)
      << crc << size << size << nameSize << quint16(0);
    raw(name + content);
    const quint32 central = quint32(zip.size());
    s << quint32(0x02014b50) << quint16(20) << quint16(10) << quint16(0) << quint16(0) << quint16(0)
      << quint16(0x21) << crc << size << size << nameSize << quint16(0) << quint16(0) << quint16(0)
      << quint16(0) << quint32(0) << quint32(0);
    raw(name);
    const quint32 centralSize = quint32(zip.size()) - central;
    s << quint32(0x06054b50) << quint16(0) << quint16(0) << quint16(1) << quint16(1) << centralSize
      << central << quint16(0);
    return zip;
}

// Runs the scenario in a copy of this program that has become "nobody".
std::optional<Outcome> runAsNobody(const QString &folder, QString *diagnosis)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Root's caches and settings are out of nobody's reach; a home that does
    // not exist keeps them from being written anywhere.
    env.insert(QStringLiteral("HOME"), QStringLiteral("/nonexistent"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), QStringLiteral("/nonexistent"));
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(asNobodyOption), folder});
    const bool finished = child.waitForFinished(120000);
    Outcome o;
    QDataStream in(child.readAllStandardOutput());
    in >> o;
    const bool ok = finished && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0
                    && in.status() == QDataStream::Ok && in.atEnd();
    *diagnosis = QStringLiteral("finished %1, exit %2/%3, stderr: %4").arg(finished).arg(int(child.exitStatus()))
                     .arg(child.exitCode()).arg(QString::fromLocal8Bit(child.readAllStandardError()));
    return ok ? std::optional(o) : std::nullopt;
}

// The child side: give up root before anything else, then run the scenario in
// the given folder and write what happened to standard output.
int scenarioAsNobody(int argc, char **argv, const char *folder)
{
    if (setgroups(0, nullptr) != 0 || setgid(nobodyId) != 0 || setuid(nobodyId) != 0 || getuid() != nobodyId
        || geteuid() != nobodyId || getegid() != nobodyId || chdir(folder) != 0) {
        std::perror("cannot become nobody in the work folder");
        return 3;
    }
    QApplication app(argc, argv);
    TestSetup::application();
    QByteArray out;
    QDataStream stream(&out, QIODevice::WriteOnly);
    stream << runScenario();
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    std::fflush(stdout);
    return 0;
}

// Plays `questions` questions of a drill or the clock: a wrong answer (the score
// stays), then the right one (one more), then on to the next question.
// `tiles` gives the wrong and the right answer shown, and what was asked.
template <class Window, class Tiles>
void play(Window &w, int questions, Tiles tiles)
{
    for (int q = 0; q < questions; ++q) {
        QTRY_VERIFY(w.Command1->isHidden());
        QString asked;
        const auto [wrong, right] = tiles(asked);
        QVERIFY2(wrong && right, qPrintable(asked));
        QTest::mouseClick(wrong, Qt::LeftButton);
        QCOMPARE(w.CLEAR_CNT, q);
        QTest::mouseClick(right, Qt::LeftButton);
        QCOMPARE(w.CLEAR_CNT, q + 1);
        QTRY_VERIFY(w.Command1->isVisible());
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
        QTest::addColumn<bool>("readable"); // the file can be read as a database
        QTest::addColumn<int>("fileMode"); // 0: as written
        QTest::addColumn<int>("folderMode");
        const auto row = [](const char *tag, const QByteArray &bytes, bool readable = false,
                            int fileMode = 0, int folderMode = 0755) {
            QTest::newRow(tag) << bytes << readable << fileMode << folderMode;
        };

        // A real file of ours, several pages long, as made by the program.
        QByteArray real;
        {
            TempWorkDir scratch;
            QVERIFY(makeRealDatabase(3000));
            real = Kit::readFile(SqliteFile::defaultPath());
        }
        QVERIFY(real.size() > 32768);
        QRandomGenerator rng(20010427);
        QByteArray noise(16384, '\0');
        for (char &c : noise)
            c = char(rng.bounded(256));

        row("empty", {});
        row("truncated", real.left(real.size() / 2));
        row("header only", real.left(100));
        row("random bytes", noise);
        row("jet header", QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + noise.left(4076));
        row("postgresql dump",
            "--\n-- PostgreSQL database dump\n--\n\nSET statement_timeout = 0;\n"
            "SET client_encoding = 'UTF8';\n\nCREATE TABLE public.\"LOG\" (\n    \"日時\" text,\n"
            "    \"科目\" text,\n    \"得点\" text\n);\n\nCOPY public.\"LOG\" (\"日時\", \"科目\", \"得点\") FROM stdin;\n"
            "2001/04/27 9:05:03\tとけい\t3\n\\.\n\n--\n-- PostgreSQL database dump complete\n--\n");
        row("zip", zipArchive());
        row("folder", "folder");
        row("unreadable", real, false, 0200);
        row("read-only file", real, true, 0444);
        row("read-only folder", real, true, 0, 0555);
    }

    void damagedFileLosesNothing()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, readable);
        QFETCH(int, fileMode);
        QFETCH(int, folderMode);
        const QString folder = dir->path(), path = dir->filePath(fileName);
        if (QByteArray(QTest::currentDataTag()) == "folder")
            QVERIFY(QDir(folder).mkdir(fileName) && Kit::writeFile(path + QStringLiteral("/LOG.csv"), "日時,科目,得点\n"));
        else
            QVERIFY(Kit::writeFile(path, bytes));
        const QStringList before = snapshot(folder);
        const QFile::Permissions written = QFile::permissions(path);

        // As root, the start-up runs as nobody, who owns the folder and the file.
        const bool root = geteuid() == 0, restricted = fileMode || folderMode != 0755;
        if (root)
            QVERIFY(chown(qPrintable(folder), nobodyId, nobodyId) == 0 && chown(qPrintable(path), nobodyId, nobodyId) == 0);
        QCOMPARE(chmod(qPrintable(folder), mode_t(folderMode)), 0);
        if (fileMode)
            QCOMPARE(chmod(qPrintable(path), mode_t(fileMode)), 0);

        Outcome o;
        if (root && restricted) {
            QString diagnosis;
            const std::optional<Outcome> child = runAsNobody(folder, &diagnosis);
            QVERIFY2(child, qPrintable(diagnosis));
            o = *child;
        } else {
            o = runScenario();
        }
        const QString seen = QStringLiteral("start %1 told %2 asked %3 | scores %4 | save %5")
                                 .arg(o.startStatus)
                                 .arg(o.startTold.join(" / "), o.startAsked.join(" / "),
                                      o.scoresTold.join(" / "), o.saveTold.join(" / "));
        qInfo().noquote() << seen;

        // Give back what was taken before looking at the bytes.
        QVERIFY(chmod(qPrintable(folder), 0700) == 0 && QFile::setPermissions(path, written));
        if (root)
            QVERIFY(chown(qPrintable(folder), 0, 0) == 0 && chown(qPrintable(path), 0, 0) == 0);
        QCOMPARE(snapshot(folder), before);

        // The start-up says what is wrong; a file it cannot read ends it. A save never claims success.
        QVERIFY2(!o.startTold.isEmpty(), qPrintable(seen));
        QVERIFY2(!o.saveTold.isEmpty() && !o.saveTold.contains(QStringLiteral("保存期間を設定しました")), qPrintable(seen));
        QVERIFY(!o.scoresEnded);
        if (readable) {
            // Old rows could not be purged; the menu opens, the list reads.
            QCOMPARE(o.startStatus, -1);
            QVERIFY2(o.startTold.join(QString()).contains(QStringLiteral("古い成績を削除できませんでした")), qPrintable(seen));
            QVERIFY2(o.scoresTold.isEmpty(), qPrintable(seen));
            QVERIFY(o.gridRows > 0);
        } else {
            QCOMPARE(o.startStatus, 1);
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
            if (auto *drill = qobject_cast<DrillWindow *>(form)) {
                play(*drill, questions, [drill](QString &asked) {
                    asked = Kit::equation(*drill).join(QLatin1Char(' '));
                    const auto open = drill->kind().openQuestion({drill->Label1[0]->text(), drill->Label1[1]->text(), drill->Label5->text()});
                    QWidget *wrong = nullptr, *right = nullptr;
                    for (ClickLabel *tile : drill->Label6) {
                        QWidget *&slot = open && tile->text() == QString::number(open->answer) ? right : wrong;
                        slot = slot ? slot : tile;
                    }
                    return std::pair{wrong, right};
                });
            } else {
                auto *clock = qobject_cast<ClockWindow *>(form);
                // The fresh question a second after loading comes first.
                QTRY_VERIFY_WITH_TIMEOUT(!clock->Timer1->isActive(), 5000);
                play(*clock, questions, [clock](QString &) {
                    return std::pair<QWidget *, QWidget *>{clock->Label1[(clock->ANS_NO + 1) % 4], clock->Label1[clock->ANS_NO]};
                });
            }
            if (QTest::currentTestFailed())
                return;
            form->close();
            QVERIFY(!form->isLoaded());
            expected << QStringLiteral("2001/04/27 15:00:00|%1|%2").arg(menu.Command1[index]->text()).arg(questions);
            QCOMPARE(Kit::dbRows(QStringLiteral("SELECT 日時, 科目, 得点 FROM LOG ORDER BY rowid")), expected);
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
