// The family's windows on the offscreen platform, as a parent and a child use
// them: the parents' check, the parents' corner forming the family from the
// results kept so far and changing it, and the desktop start settling who
// practises, in which folder.
#include "app/child_picker.h"
#include "app/family_start.h"
#include "app/menu_window.h"
#include "app/parents_corner.h"
#include "app/parents_gate.h"
#include "app/results_in_use.h"
#include "app/school_run.h"
#include "drill/drill_window.h"
#include "platform/project_globals.h"
#include "platform/system_clock.h"
#include "scores/kept_days.h"
#include "teacher/teacher_login.h"
#include "support/sandbox.h"
#include "support/school_server.h"
#include "support/test_main.h"

#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

class TestParents : public QObject
{
    Q_OBJECT
private slots:
    void gate_data()
    {
        QTest::addColumn<int>("draw");          // every draw of the check: 0 asks 10 × 2, 89 asks 99 × 9
        QTest::addColumn<QStringList>("typed"); // "-": キャンセル
        QTest::addColumn<bool>("passed");
        QTest::addColumn<QString>("said");      // the last question's first line, or what is told
        QTest::addColumn<int>("reopened");      // seconds later the check is opened again; -1: not
        QTest::addColumn<QString>("then");      // what it says then
        const QString closed = "答えが3回ちがったので閉じます､30秒たつまで開けません";
        QTest::newRow("right") << 0 << QStringList{"20"} << true << "おうちのかたへ" << -1 << "";
        QTest::newRow("the largest, full-width, blanks around") << 89 << QStringList{"　８９１ "} << true << "おうちのかたへ" << -1 << "";
        QTest::newRow("wrong, then right") << 0 << QStringList{"21", "20"} << true << "答えがちがいます（あと2回）" << -1 << "";
        QTest::newRow("wrong twice, then right") << 0 << QStringList{"21", "", "20"} << true << "答えがちがいます（あと1回）" << -1 << "";
        QTest::newRow("three wrong: a sign, blanks between, a point") << 0 << QStringList{"+20", "2 0", "20.0"} << false << closed
                                                                       << 1 << "答えが3回ちがったので､あと29秒たってからもう一度してください";
        QTest::newRow("three wrong, half a minute later") << 0 << QStringList{"2", "two", ""} << false << closed << 30 << "おうちのかたへ";
        QTest::newRow("キャンセル: opens again at once") << 0 << QStringList{"-"} << false << "おうちのかたへ" << 0 << "おうちのかたへ";
    }

    // The product of 10 and 2 here; a new question after each wrong answer,
    // and the third wrong one closes the check.
    void gate()
    {
        QFETCH(int, draw);
        QFETCH(QStringList, typed);
        Sandbox box;
        ProjectGlobals::instance().dataFolder = box.path();
        for (const QString &t : typed)
            box.dialogs.typed.push_back(t == "-" ? std::nullopt : std::optional<QString>(t));
        QTEST(ParentsGate::pass([draw](int) { return draw; }), "passed");
        QCOMPARE(box.dialogs.asked.size(), typed.size());
        QVERIFY(box.dialogs.asked.last().endsWith(draw ? "99 × 9 ＝ ？" : "10 × 2 ＝ ？"));
        QTEST((box.dialogs.told + QStringList{box.dialogs.asked.last().section('\n', 0, 0)}).first(), "said");
        QFETCH(int, reopened);
        if (reopened < 0)
            return;
        // Opened again later: not asked until half a minute has passed.
        SystemClock::setFixedNow(Sandbox::now().addSecs(reopened));
        box.dialogs.told.clear();
        box.dialogs.asked.clear();
        QVERIFY(!ParentsGate::pass([](int) { return 0; }));
        QTEST((box.dialogs.told + box.dialogs.asked).first().section('\n', 0, 0), "then");
    }

    // The results kept so far become the first child's, every row, by a move
    // of the file; this run follows it; a new child gets a file of its own.
    // Removing a child keeps their results and says where; the child who
    // practises cannot be removed; the choice of missed questions is kept.
    void cornerFormsAndChangesTheFamily()
    {
        Sandbox box;
        const QString data = box.path("data");
        QDir().mkpath(data);
        box.makeRecordFile("90", {"2001/04/26 9:00:00|たしざん１０|7", "2001/04/27 8:00:00|とけい|3"}, "data/ADO_ZEM.MDB");
        const QStringList kept = Sandbox::logRows(box.path("data/ADO_ZEM.MDB"));
        ProjectGlobals &g = ProjectGlobals::instance();
        g.dataFolder = data;
        QDir::setCurrent(data);
        ResultsInUse::hold(data);
        ParentsCorner corner(data);
        corner.showForm();
        // Never from under another copy that works with the results.
        OtherCopy atTheMenu(data);
        box.dialogs.typed = {QStringLiteral("たろう"), QStringLiteral("はなこ")};
        corner.addChild();
        QCOMPARE(box.dialogs.told.last(), QStringLiteral("さんすうドリルが ほかのウィンドウで ひらいています､とじてから もう一度してください"));
        atTheMenu.closed();
        // The second name is the first in other width: refused, and asked again.
        box.dialogs.typed = {QStringLiteral("たろう"), QStringLiteral("ﾀﾛｳ"), QStringLiteral("はな"), QStringLiteral("はなこ")};
        corner.addChild();
        QCOMPARE(box.dialogs.told.last(), ChildName::message(ChildName::Problem::Taken));
        corner.Grid1->selectRow(1);
        corner.renameChild();
        QCOMPARE(corner.Grid1->item(1, 0)->text(), QStringLiteral("はなこ"));
        QCOMPARE(ResultsInUse::folder(), QDir(data + "/child-1").absolutePath());
        QCOMPARE(Sandbox::logRows(data + "/child-1/ADO_ZEM.MDB"), kept);
        QCOMPARE(Sandbox::logRows(data + "/child-2/ADO_ZEM.MDB"), QStringList());
        QVERIFY(!QFile::exists(data + "/ADO_ZEM.MDB"));
        QCOMPARE(QDir::current(), QDir(data + "/child-1"));
        QCOMPARE(g.childId + " " + g.childName, QStringLiteral("child-1 たろう"));
        QCOMPARE(corner.Grid1->rowCount(), 2);

        corner.Grid1->selectRow(0);
        corner.removeChild();
        QVERIFY(box.dialogs.told.last().startsWith("たろうはいまれんしゅうしているので外せません"));
        corner.Grid1->item(1, 2)->setCheckState(Qt::Checked);
        Family reread(data);
        reread.load();
        QVERIFY(reread.child("child-2")->retryMissed);
        // Practising as はなこ meanwhile, a change in the corner keeps her.
        g.childId = QStringLiteral("child-2");
        QDir::setCurrent(data + "/child-2");
        corner.Grid1->item(0, 2)->setCheckState(Qt::Checked);
        QCOMPARE(g.childId + " " + QDir::current().dirName(), QStringLiteral("child-2 child-2"));
        QVERIFY(g.askMissedAgain); // hers, carried back to this run
        g.childId = QStringLiteral("child-1");
        g.childName = QStringLiteral("たろう");
        QDir::setCurrent(data + "/child-1");
        // Another child's chart names that child, and keeps the name when the
        // captions follow the family.
        corner.Grid1->selectRow(1);
        corner.showChart();
        Form::showChildInAllCaptions();
        QWidget *chart = Sandbox::shown(QStringLiteral("成績のグラフ"));
        QVERIFY(chart && chart->close());
        QCOMPARE(chart->windowTitle(), QStringLiteral("成績のグラフ（はなこ）"));
        corner.Grid1->selectRow(1);
        OtherCopy practising(data + "/child-2");
        corner.removeChild();
        QCOMPARE(box.dialogs.told.last(), QStringLiteral("はなこが ほかのウィンドウで れんしゅうしています､おわってから もう一度してください"));
        practising.closed();
        corner.removeChild();
        QCOMPARE(box.dialogs.asked.last(), QStringLiteral("はなこを一覧から外しますか?\n(はなこの成績はデータのフォルダに残します)"));
        const QString backup = data + "/" + Family::backupName("child-2", QDate::currentDate(), 1);
        QVERIFY(box.dialogs.told.last().endsWith(QDir::toNativeSeparators(backup)));
        QVERIFY(QFile::exists(backup));
        QCOMPARE(g.childName, QString()); // one child: the captions as they were
        ResultsInUse::release();
    }

    void settle_data()
    {
        QTest::addColumn<QString>("family");  // the data folder: none, empty, or the children made (- the second
                                              // removed, ! her folder gone, # the list's lock a folder, * she asks
                                              // missed questions again)
        QTest::addColumn<QString>("xdg");     // XDG_DATA_HOME: unset, or a plain file of this name
        QTest::addColumn<bool>("chart");
        QTest::addColumn<QString>("picks");   // the button pressed in the picker, if one shows
        QTest::addColumn<int>("ended");       // -1: goes on
        QTest::addColumn<QString>("folder");  // the current folder then, under the data folder
        QTest::addColumn<QString>("child");   // who practises, * with missed questions asked again
        QTest::addColumn<QString>("told");    // part of the one message told; empty: none
        QTest::newRow("no data folder: made only when the file is") << "none" << "" << false << "" << -1 << "(to make)" << "" << "";
        QTest::newRow("no data folder, the chart: nothing to show") << "none" << "" << true << "" << 1 << "" << ""
                                                                    << "成績のグラフを表示できないので終了します";
        QTest::newRow("no children: the data folder itself") << "empty" << "" << false << "" << -1 << "." << "" << "";
        QTest::newRow("XDG_DATA_HOME a file: told, the default used") << "empty" << "file" << false << "" << -1 << "." << ""
                                                                      << "フォルダではありません";
        QTest::newRow("two children: the one picked, with her choice") << "たろう はなこ *" << "" << false << "1" << -1 << "child-2"
                                                                       << "child-2 はなこ*" << "";
        QTest::newRow("one child left: no picker, no name in the captions") << "たろう はなこ -" << "" << false << "" << -1 << "child-1" << "child-1 " << "";
        QTest::newRow("two children, picker closed: nobody practises") << "たろう はなこ" << "" << false << "close" << 0 << "" << "" << "";
        QTest::newRow("her folder gone: told, back at the picker") << "たろう はなこ !" << "" << false << "1 0" << -1 << "child-1"
                                                                   << "child-1 たろう" << "はなこの せいせきの ばしょが みつかりません";
        QTest::newRow("the list's lock a folder: told, the family as it is") << "たろう はなこ #" << "" << false << "1" << -1 << "child-2"
                                                                          << "child-2 はなこ" << ".children.json.lockはフォルダです､子どもの一覧を直せませんでした";
        QTest::newRow("removed while the picker waits: told, the one left") << "たろう はなこ" << "" << false << "-1" << -1 << "child-1"
                                                                          << "child-1 " << "はなこは いちらんから はずされました";
        QTest::newRow("removed in the corner opened from the picker: the one left") << "たろう はなこ" << "" << false << "corner"
                                                                                   << -1 << "child-1" << "child-1 " << "はなこを外しました";
    }

    void settle()
    {
        QFETCH(QString, family);
        QFETCH(QString, xdg);
        QFETCH(QString, picks);
        QFETCH(QString, folder);
        QFETCH(QString, told);
        Sandbox box;
        ResultsInUse::release(); // what an earlier test's run held
        if (!xdg.isEmpty())
            QVERIFY(QFile(box.path(xdg)).open(QIODevice::WriteOnly));
        box.useHome(xdg.isEmpty() ? QString() : box.path(xdg));
        const QString data = box.path("home/.local/share/sansu-drill");
        QDir().mkpath(box.path("home"));
        if (family != "none")
            QDir().mkpath(data);
        if (family.contains(' ')) {
            Family made(data);
            QVERIFY(made.form(family.section(' ', 0, 0), family.section(' ', 1, 1)));
            QVERIFY(!family.endsWith(" -") || made.remove(QStringLiteral("child-2")));
            QVERIFY(!family.endsWith(" !") || QDir(data + "/child-2").removeRecursively());
            QVERIFY(!family.endsWith(" #") || (QFile::remove(data + "/.children.json.lock") && QDir().mkpath(data + "/.children.json.lock")));
            QVERIFY(!family.endsWith(" *") || made.setRetryMissed(QStringLiteral("child-2"), true));
        }
        CommandLine::Options options;
        options.inDataFolder = true;
        QFETCH(bool, chart);
        options.chart = chart;
        // Each time the picker shows, the next pick; "-1": はなこ removed in
        // another copy meanwhile, then picked; "corner": the parents' corner
        // opened from the picker (its check answered), はなこ removed there.
        QStringList next = picks.split(' ', Qt::SkipEmptyParts);
        box.dialogs.answering = [](const QString &question) {
            const QRegularExpressionMatch m = QRegularExpression("(\\d+) × (\\d+) ＝ ？").match(question);
            return std::optional<QString>(QString::number(m.captured(1).toInt() * m.captured(2).toInt()));
        };
        QTimer picking;
        QObject::connect(&picking, &QTimer::timeout, &box.scope, [&] {
            if (auto *corner = qobject_cast<ParentsCorner *>(Sandbox::shown("ParentsCorner"))) {
                corner->Grid1->selectRow(1);
                corner->removeChild();
                corner->close();
            }
            auto *picker = qobject_cast<ChildPicker *>(Sandbox::shown("ChildPicker"));
            if (!picker || next.isEmpty())
                return;
            const QString pick = next.takeFirst();
            if (pick == "-1")
                QVERIFY(Family(data).remove(QStringLiteral("child-2")));
            if (pick == "corner") // clicked once this tick is over, as its corner waits in its own loop
                QTimer::singleShot(0, picker->Command2, &QPushButton::click);
            else
                pick == "close" ? (void)picker->close() : picker->Command1[qAbs(pick.toInt())]->click();
        });
        picking.start(10);
        const std::optional<int> ended = FamilyStart::settle(options);
        picking.stop();
        QTEST(ended.value_or(-1), "ended");
        const ProjectGlobals &g = ProjectGlobals::instance();
        if (folder == "(to make)")
            QVERIFY(g.folderToMake == data && !QFile::exists(box.path("home/.local")));
        else if (!folder.isEmpty())
            QCOMPARE(QDir::current(), QDir(data + "/" + folder));
        QTEST(g.childId.isEmpty() ? QString() : g.childId + " " + g.childName + (g.askMissedAgain ? "*" : ""), "child");
        QCOMPARE(box.dialogs.told.size(), told.isEmpty() ? 0 : 1);
        QVERIFY2(box.dialogs.told.join('\n').contains(told), qPrintable(box.dialogs.told.join('\n')));
        // A run that goes on holds the folder it works in, for no change in another copy to move.
        QCOMPARE(ResultsInUse::folder(), ended || folder.isEmpty() || folder == "(to make)" ? QString()
                                                                                           : QDir(data + "/" + folder).absolutePath());
        ResultsInUse::release();
    }

    // A run holds the one folder it works in: moving on to another lets the
    // first go, and a folder put in the place of the one held is held afresh.
    void runHoldsTheFolderItWorksIn()
    {
        Sandbox box;
        const auto free = [](const QString &folder) {
            FileLock other;
            return other.takeFolder(folder, FileLock::Mode::Exclusive) == FileLock::Status::Taken;
        };
        for (const char *folder : {"data", "data/child-1"})
            QVERIFY(QDir().mkpath(box.path(folder)) && ResultsInUse::hold(box.path(folder)) == FileLock::Status::Taken);
        QVERIFY(free(box.path("data")) && !free(box.path("data/child-1")));
        QVERIFY(QDir().rename(box.path("data/child-1"), box.path("moved")) && QDir().mkpath(box.path("data/child-1")));
        ResultsInUse::hold(box.path("data/child-1"));
        QVERIFY(!free(box.path("data/child-1")));
        ResultsInUse::release();
    }

    // The child chosen last has the focus; the arrow keys walk the names and
    // Enter chooses; each button is named by its child for a screen reader.
    void pickerKeyboard()
    {
        Sandbox box;
        ChildPicker picker(QStringLiteral("だれが れんしゅうする？"), {"たろう", "はなこ"}, 0);
        QSignalSpy chosen(&picker, &ChildPicker::chosen);
        picker.showForm();
        QVERIFY(QTest::qWaitForWindowActive(&picker));
        // A child added in the parents' corner meanwhile: every name shows.
        picker.setNames({"たろう", "はなこ", "じろう"}, 2);
        QVERIFY(std::all_of(picker.Command1.begin(), picker.Command1.end(), [](QPushButton *b) { return b->isVisible(); }));
        // Only a key pressed moves: a key let go over the picker (pressed in a
        // window closed meanwhile) is no press.
        QTest::keyRelease(picker.Command1[2], Qt::Key_Up);
        QCOMPARE(picker.focusWidget(), picker.Command1[2]);
        QTest::keyClick(picker.focusWidget(), Qt::Key_Down);
        QTest::keyClick(picker.focusWidget(), Qt::Key_Down);
        QTest::keyClick(picker.focusWidget(), Qt::Key_Return);
        QCOMPARE(chosen.value(0).value(0).toInt(), 1);
        QCOMPARE(picker.Command1[1]->accessibleName(), QStringLiteral("はなこ"));
        picker.unloadForm();
    }

    void schoolAtHome_data()
    {
        QTest::addColumn<bool>("sendEarlier");
        QTest::newRow("the results so far sent too") << true;
        QTest::newRow("only what comes after") << false;
    }
    // A parent joins the computer to a school in the corner: each child gets
    // a pupil's key, and the child's sitting reaches the real server once,
    // with the earlier rows when the parent said so; the program's end waits
    // for the sender no longer than its bound.
    void schoolAtHome()
    {
        QFETCH(bool, sendEarlier);
        static const std::optional<SchoolServer::Admin> admin = SchoolServer::started();
        QVERIFY2(admin, "no PostgreSQL server: run the tests under pg_virtualenv");
        const SchoolServer server(*admin);
        QVERIFY2(server.problem().isEmpty(), qPrintable(server.problem()));
        Sandbox box;
        box.useHome();
        const QString data = box.path("home/.local/share/sansu-drill");
        QVERIFY(Family(data).form("たろう", "はなこ"));
        box.makeRecordFile("90", {"2001/04/26 9:00:00|たしざん１０|7", "2001/04/26 9:30:00|とけい|3"},
                           "home/.local/share/sansu-drill/child-1/ADO_ZEM.MDB");
        ParentsCorner corner(data);
        corner.showForm();
        box.dialogs.typed = {server.service("pc1"), QStringLiteral("1-1")};
        box.dialogs.answers = {sendEarlier};
        corner.joinSchool();
        QVERIFY2(corner.Label2->text().contains(sendEarlier ? "送信待ち 2件" : "送信待ち 0件"), qPrintable(corner.Label2->text()));
        corner.close();
        Family joined(data);
        joined.load();
        QVERIFY(!joined.child("child-1")->pupilId.isEmpty() && !joined.child("child-2")->pupilId.isEmpty());

        CommandLine::Options desktop;
        desktop.inDataFolder = true;
        QTimer::singleShot(0, &box.scope, [] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *picker = qobject_cast<ChildPicker *>(w); picker && picker->isVisible())
                    picker->Command1[0]->click();
        });
        QCOMPARE(FamilyStart::settle(desktop), std::nullopt);
        {
            MenuWindow menu;
            menu.showForm();
            box.random.draws({3, 4});
            menu.Command1_Click(1);
            auto *drill = static_cast<DrillWindow *>(menu.drillWindow(1));
            QTest::mouseClick(drill->Label6[7], Qt::LeftButton);
            drill->close();
            const QString onServer = QStringLiteral("SELECT count(*) FROM sansu.results WHERE class_id = '1-1'");
            QTRY_COMPARE_WITH_TIMEOUT(server.psql(onServer).out.trimmed(), QString::number(sendEarlier ? 3 : 1), 30000);
            menu.close();
        }
        QVERIFY(SchoolRun::finish());
        ResultsInUse::release();
    }

    void classPicker_data()
    {
        QTest::addColumn<bool>("server");
        QTest::addColumn<bool>("teacher"); // 先生へ first, past the teacher's login
        QTest::newRow("the server away: the roster kept on the PC") << false << false;
        QTest::newRow("the roster from the server, followed by the picker") << true << false;
        QTest::newRow("先生へ past the teacher's login: the PC's state, nothing of the class changed") << true << true;
    }
    // A school's own PC: the class's picker from the roster the PC keeps, or
    // from the server's when it comes, 40 names on a 1366 × 768 screen, none
    // chosen in advance, from the keyboard; the child picked practises in a
    // folder of their own with the teacher's days, which no window of the PC
    // changes.
    void classPicker()
    {
        QFETCH(bool, server);
        QFETCH(bool, teacher);
        const bool teacherRow = teacher;
        Sandbox box;
        box.useHome();
        const QString data = box.path("home/.local/share/sansu-drill");
        QDir().mkpath(data);
        PcRoster roster;
        roster.classes << PcRoster::Class{"1-1", "1年1組", {}};
        for (int n = 1; n <= 41; ++n)
            roster.classes[0].pupils << PcRoster::Pupil{QUuid::createUuid().toString(QUuid::WithoutBraces),
                                                        QStringLiteral("すずき　%1").arg(QChar(0x3041 + n)), n, n == 3, 30, true};
        std::optional<SchoolServer> school;
        if (server) {
            static const std::optional<SchoolServer::Admin> admin = SchoolServer::started();
            QVERIFY2(admin && school.emplace(*admin).problem().isEmpty(), "no PostgreSQL server: run under pg_virtualenv");
            QString sql = "INSERT INTO sansu.class_settings VALUES ('1-1', 30, true);";
            for (const PcRoster::Pupil &p : roster.classes[0].pupils)
                sql += QStringLiteral("INSERT INTO sansu.pupils (pupil_id, class_id, name_kana) VALUES ('%1', '1-1', '%2');"
                                      "INSERT INTO sansu.roster VALUES ('1-1', '%1', %3, %4);")
                           .arg(p.id, p.name).arg(p.number).arg(p.left ? "true" : "false");
            QVERIFY(school->psql(sql).ok);
        } else {
            QVERIFY(roster.write(data).isEmpty());
        }
        QDir().mkpath(box.path("config/sansu-drill"));
        QFile conf(box.path("config/sansu-drill/school.conf"));
        const QString service = server ? school->service("pc1") : QStringLiteral("nowhere");
        QVERIFY(conf.open(QIODevice::WriteOnly) && conf.write(("service=" + service + "\nmode=classroom\n").toUtf8()) > 0);
        conf.close();
        // 先生へ: the teacher's login typed, then the corner looked at and closed.
        QTimer picking, teaching;
        bool typed = false;
        QObject::connect(&teaching, &QTimer::timeout, &box.scope, [&] {
            if (auto *login = qobject_cast<TeacherLogin *>(QApplication::activeModalWidget()); login && !std::exchange(typed, true)) {
                login->Text1->setText(school->role("teacher"));
                login->Text2->setText(school->password("teacher"));
                login->tryLogin();
            }
            for (QWidget *c : QApplication::topLevelWidgets()) {
                if (auto *corner = qobject_cast<ParentsCorner *>(c); corner && corner->isVisible()) {
                    teaching.stop();
                    QCOMPARE(corner->windowTitle(), QStringLiteral("先生へ"));
                    QVERIFY(corner->Command1->isHidden() && corner->Command3->isHidden() && corner->Command4->isHidden());
                    QVERIFY(corner->Label2->text().startsWith(QStringLiteral("学校: サービス ")));
                    corner->close();
                }
            }
        });
        QObject::connect(&picking, &QTimer::timeout, &box.scope, [&] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *picker = qobject_cast<ChildPicker *>(w);
                if (!picker || !picker->isVisible() || picker->Command1.empty())
                    continue; // the roster still to come from the server
                picking.stop();
                if (std::exchange(teacher, false)) {
                    teaching.start(20);
                    picker->Command2->click(); // returns once the corner is closed
                    picking.start(20);
                    return;
                }
                QCOMPARE(picker->Command1.size(), size_t(40)); // who left is not offered
                QVERIFY(picker->width() <= 1366 && picker->height() <= 700);
                QVERIFY(std::find(picker->Command1.begin(), picker->Command1.end(), picker->focusWidget()) == picker->Command1.end());
                QTest::keyClick(picker, Qt::Key_Down);
                QTest::keyClick(picker->focusWidget(), Qt::Key_Right);
                QTest::keyClick(picker->focusWidget(), Qt::Key_Return);
            }
        });
        picking.start(20);
        CommandLine::Options desktop;
        desktop.inDataFolder = true;
        QCOMPARE(FamilyStart::settle(desktop), std::nullopt);
        QCOMPARE(PcRoster::read(data)->classes[0].pupils.size(), 41); // kept for when the server is away
        const PcRoster::Pupil &ninth = roster.classes[0].pupils[9]; // the ninth shown: number 3 has left
        const ProjectGlobals &g = ProjectGlobals::instance();
        QCOMPARE(g.childName, ninth.name);
        QVERIFY(g.askMissedAgain);
        Family family(data);
        family.load();
        QCOMPARE(family.pupil(ninth.id)->classId, QStringLiteral("1-1"));
        QCOMPARE(QDir::current(), QDir(family.resultsFolder(family.pupil(ninth.id)->id)));
        const ResultsLog log(QDir::current().filePath("ADO_ZEM.MDB"));
        QCOMPARE(log.readPeriod().text, QStringLiteral("30"));
        QVERIFY(!KeptDays::save(log, "90"));
        QCOMPARE(box.dialogs.told.last(), QStringLiteral("残す日数は先生が決めます"));
        QVERIFY(SchoolRun::finish());
        ResultsInUse::release();
        QCOMPARE(typed, teacherRow); // the corner was reached only past the teacher's login
    }

    // The corner from the keyboard: Tab goes from the list through every
    // button, and Escape closes it.
    void cornerKeyboard()
    {
        Sandbox box;
        QVERIFY(Family(box.path("data")).form("たろう", "はなこ"));
        ParentsCorner corner(box.path("data"));
        corner.showForm();
        QVERIFY(QTest::qWaitForWindowActive(&corner));
        corner.Grid1->setFocus();
        QList<QWidget *> reached;
        for (int i = 0; i < 6; ++i) { // 閉じる comes last, after 学校
            QTest::keyClick(corner.focusWidget(), Qt::Key_Tab);
            reached << corner.focusWidget();
        }
        QCOMPARE(reached, (QList<QWidget *>{corner.Command1, corner.Command2, corner.Command3, corner.Command4,
                                            corner.Command5, corner.Command7}));
        QTest::keyClick(corner.focusWidget(), Qt::Key_Escape);
        QVERIFY(!corner.isLoaded());
    }
};

SANSU_TEST_MAIN(TestParents)
#include "test_parents.moc"
