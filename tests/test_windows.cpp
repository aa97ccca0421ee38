// The windows on the offscreen platform, driven as a child and a parent use
// them: what a number drill and the clock judge, read aloud and record, what
// the score window lists and saves, and how the menu opens and ends things.
#include "app/menu_window.h"
#include "clock/clock_window.h"
#include "drill/drill_window.h"
#include "platform/clock_words.h"
#include "scores/score_chart_window.h"
#include "scores/score_list_model.h"
#include "scores/score_window.h"
#include "platform/parents_approval.h"
#include "store/record_database.h"
#include "support/recording_sound.h"
#include "support/sandbox.h"
#include "support/test_main.h"

#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QHeaderView>
#include <QLineEdit>
#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QRadioButton>
#include <QScatterSeries>
#include <QTableView>
#include <QToolTip>
#include <QValueAxis>

namespace {
const QString saved = QStringLiteral("2001/04/27 9:05:03");

QStringList wavs(const QString &spaced)
{
    QStringList names;
    for (const QString &word : spaced.split(QLatin1Char(' ')))
        names << word + QStringLiteral(".WAV");
    return names;
}

void click(QWidget *w)
{
    QTest::mouseClick(w, Qt::LeftButton);
}

QStringList logRows(const Sandbox &box)
{
    return Sandbox::logRows(box.path());
}

const DrillTable::Entry &drillAt(int menuIndex)
{
    return *DrillTable::atMenuIndex(menuIndex);
}

// Answers the number drill's open question with the tile that shows `number`.
void answer(DrillWindow &w, int number)
{
    click(w.Label6[number]);
    if (w.Timer1->isActive())
        w.Timer1_Timer();
}
} // namespace

class TestWindows : public QObject
{
    Q_OBJECT
private slots:
    void neverStranded_data()
    {
        QTest::addColumn<bool>("clock");
        QTest::addColumn<int>("clickAtMs");
        QTest::addColumn<QStringList>("heard");
        QTest::newRow("number drill, during the first reading") << false << 300
            << (wavs("3 ＋ 4 ＝ ？") + QStringList{"OK.WAV"} + wavs("3 ＋ 4 ＝ 7"));
        QTest::newRow("clock, during いまなんじ？") << true << 300 << wavs("いまなんじ？ OK 3じ 15ふん");
        QTest::newRow("clock, after the fresh question") << true << 1500 << wavs("いまなんじ？ OK 7じ 40ぷん");
    }

    // Real timers and a device that takes each prompt's real length: the
    // child clicks the right answer while a prompt plays, and the window
    // settles with the answered question read and 次 offered, then asks anew.
    void neverStranded()
    {
        QFETCH(bool, clock);
        QFETCH(int, clickAtMs);
        QFETCH(QStringList, heard);
        Sandbox box;
        box.makeRecordFile();
        RecordingSound::realLength = true;
        clock ? box.random.clock() : box.random.draws({3, 4});
        DrillWindow drill(drillAt(1), box.log());
        ClockWindow face(drillAt(6), box.log());
        SittingForm &w = clock ? static_cast<SittingForm &>(face) : drill;
        QPushButton *next = clock ? face.Command1 : drill.Command1;
        const auto idle = [&] {
            return !drill.Timer1->isActive() && !face.Timer1->isActive() && !face.Timer2->isActive()
                   && !face.Timer3->isActive();
        };
        bool clicked = false;
        // The child clicks the label that shows the time on the face.
        QTimer::singleShot(clickAtMs, [&] {
            QWidget *right = drill.Label6[7];
            for (QLabel *label : face.Label1) {
                if (clock && label->text() == ClockWords::time(face.sitting().HOUR_TXT().toInt(), face.sitting().MIN_TXT().toInt()))
                    right = label;
            }
            click(right);
            clicked = !clock || right != drill.Label6[7];
        });
        w.showForm();
        QTRY_VERIFY_WITH_TIMEOUT(clicked && idle(), 20000);
        QCOMPARE(box.sound.mid(1), heard);
        QVERIFY(!next->isHidden() && next->isEnabled());
        QCOMPARE(clock ? face.sitting().CLEAR_CNT() : drill.sitting().CLEAR_CNT(), 1);
        if (clock) // the time read is the time answered, word by word
            QCOMPARE(face.Label2->text(), QString(heard[2] + heard[3]).remove(".WAV"));

        RecordingSound::realLength = false;
        click(next);
        QTRY_VERIFY(idle());
        QVERIFY(next->isHidden());
        QCOMPARE(clock ? face.sitting().phase() : drill.sitting().phase(), SittingPhase::Open);
        QVERIFY(!clock || !face.Label1[0]->isHidden());
        w.unloadForm();
    }

    void clockRedrawRunsOnlyTheChildsClick_data()
    {
        QTest::addColumn<bool>("clickPending");
        QTest::addColumn<QStringList>("heard"); // "@drawing": played while the question was drawn
        QTest::addColumn<QString>("shown");     // the chosen answer, or the label that shows the face's time
        QTest::newRow("the time shown clicked: right, the fresh question dropped")
            << true << QStringList{"OK.WAV@drawing", "3じ.WAV", "15ふん.WAV"} << "3じ15ふん";
        QTest::newRow("no click: いまなんじ？ once the fresh question is set")
            << false << QStringList{"いまなんじ？.WAV"} << "7じ40ぷん";
    }

    // The fresh question's redraw, a second after loading, while the first
    // prompt still waits (it is due) and a click may be pending: the click is
    // judged against the face the child sees, and no prompt plays over a
    // question half set.
    void clockRedrawRunsOnlyTheChildsClick()
    {
        QFETCH(bool, clickPending);
        Sandbox box;
        box.makeRecordFile();
        box.random.clock(true);
        ClockWindow face(drillAt(6), box.log());
        RecordingSound::onPlay = [&] {
            if (face.sitting().drawingQuestion())
                box.sound.last() += QStringLiteral("@drawing");
        };
        face.showForm();
        QVERIFY(face.Timer2->isActive()); // the prompt is due, not yet asked
        QCOMPARE(face.Label1[1]->text(), QStringLiteral("3じ15ふん"));
        QWidget *time = face.Label1[1];
        const QPoint middle = time->rect().center();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            if (clickPending)
                QCoreApplication::postEvent(time, new QMouseEvent(type, middle, time->mapToGlobal(middle),
                                                                   Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        }
        // A second passes before the window's first paint: the prompt is due
        // and no longer waits for the screen when the redraw runs events.
        QTest::qSleep(static_cast<int>(Sitting::maxScreenWaitMs) + 5);
        face.Timer1_Timer();
        QTRY_VERIFY(!face.Timer2->isActive() && !face.Timer3->isActive());
        QTEST(box.sound.mid(1), "heard");
        QFETCH(QString, shown);
        QCOMPARE(clickPending ? face.Label2->text() : face.Label1[face.sitting().ANS_NO()]->text(), shown);
        QCOMPARE(face.sitting().CLEAR_CNT(), clickPending ? 1 : 0);
        face.unloadForm();
    }

    // Latest day first by the text of 日時 (so 9:05:03 before 15:00:00 of one
    // day), only the chosen drill's rows. A long list is read a page at a
    // time, each page its own short read: every row comes once, in order, and
    // a drill closing meanwhile writes at once.
    void scoreGridOrderFilterAndPages()
    {
        Sandbox box;
        QStringList rows{"2001/04/26 15:00:00|たしざん１０|2", "2001/04/27 15:00:00|たしざん１０|4", "2001/04/25|たしざん１０|1",
                         "2001/04/27 9:05:03|たしざん１０|5", "2001/04/27 10:00:00|たして１０|9"};
        for (int i = 0; i < 450; ++i)
            rows << QStringLiteral("2001/04/%1 9:00:00|たしざん１０|%2").arg(10 + i % 3).arg(i);
        box.makeRecordFile("30", rows);
        ScoreWindow w(box.log());
        w.showForm();
        ScoreListModel *model = w.gridModel();
        QCOMPARE(w.Text1->text(), QStringLiteral("30"));
        QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("科目"));
        const auto row = [&](int r) { return model->index(r, 0).data().toString() + "|" + model->index(r, 2).data().toString(); };
        QCOMPARE(QStringList({row(0), row(1), row(2), row(3)}),
                 (QStringList{"2001/04/27 9:05:03|5", "2001/04/27 15:00:00|4", "2001/04/26 15:00:00|2", "2001/04/25|1"}));
        QCOMPARE(model->rowCount(), ScoreListModel::pageRows);
        QVERIFY(model->canFetchMore(QModelIndex()));

        box.random.draws({3, 4});
        DrillWindow drill(drillAt(1), box.log());
        drill.showForm();
        answer(drill, 7);
        drill.close();
        QCOMPARE(box.dialogs.told, QStringList());
        QCOMPARE(Sandbox::rows(box.path(), "SELECT * FROM LOG WHERE 得点 = '1' AND 日時 = '" + saved + "'").size(), 1);

        while (model->canFetchMore(QModelIndex()))
            model->fetchMore(QModelIndex());
        QCOMPARE(model->rowCount(), 454);
        QCOMPARE(w.DataGrid1->verticalHeader()->count(), 454); // every row announced to the grid
        QSet<QString> seen;
        for (int r = 0; r < model->rowCount(); ++r) {
            seen.insert(row(r));
            QVERIFY(r == 0 || model->index(r - 1, 0).data().toString() >= model->index(r, 0).data().toString());
        }
        QCOMPARE(seen.size(), 454);

        w.Text1->setText(QStringLiteral("45")); // not saved: the stored period comes back
        w.Option1_Click(1);
        QCOMPARE(w.Option1[1]->text(), QStringLiteral("たして１０"));
        QCOMPARE(model->rowCount(), 1);
        QCOMPARE(row(0), QStringLiteral("2001/04/27 10:00:00|9"));
        QCOMPARE(w.Text1->text(), QStringLiteral("30"));
        w.Option1_Click(6);
        QCOMPARE(model->rowCount(), 0);
    }

    // The chart draws the rows it is given: a point per day and score (two
    // sittings alike are one), the day's best, a bar of sittings per day; a
    // bar's tool tip names its day and sittings. Another program holds the
    // file for a while after start-up: a drill's row written meanwhile waits
    // with the notice shown, then goes on, and the open chart draws it.
    void chartDrawsItsRowsAndTheOneWaitedFor()
    {
        Sandbox box;
        box.makeRecordFile("90", {"2001/04/25 9:00:00|たしざん１０|3", "2001/04/25 10:00:00|たしざん１０|5",
                                  "2001/04/25 11:00:00|たしざん１０|5", "2001/04/27 8:00:00|たしざん１０|7",
                                  "2001/04/26 8:00:00|とけい|9"});
        MenuWindow menu; // start-up: the notice watches from now on
        menu.showForm();
        ScoreChartWindow chart(box.log());
        chart.showDrill(0);
        const QList<QAbstractSeries *> scores = chart.scoreView->chart()->series();
        const auto *points = qobject_cast<QScatterSeries *>(scores.value(1));
        const auto *best = qobject_cast<QLineSeries *>(scores.value(0));
        QVERIFY(points && best);
        const auto ys = [](const QList<QPointF> &drawn) {
            QList<qreal> y;
            for (const QPointF &p : drawn)
                y << p.y();
            return y;
        };
        QCOMPARE(ys(points->points()), (QList<qreal>{3, 5, 7}));
        QCOMPARE(ys(best->points()), (QList<qreal>{5, 7}));
        QCOMPARE(best->points().last().x(), points->points().last().x());
        auto *bars = qobject_cast<QBarSeries *>(chart.countView->chart()->series().value(0));
        QVERIFY(bars && bars->barSets().size() == 1);
        QBarSet *sittings = bars->barSets().first();
        QList<qreal> drawn;
        int first = -1; // the first bar with sittings
        for (int i = 0; i < sittings->count(); ++i) {
            if (sittings->at(i) > 0) {
                drawn << sittings->at(i);
                first = first < 0 ? i : first;
            }
        }
        QCOMPARE(drawn, (QList<qreal>{3, 1}));
        const auto *axis = qobject_cast<QValueAxis *>(chart.scoreView->chart()->axes(Qt::Vertical).value(0));
        QVERIFY(axis && axis->max() >= 7);
        emit sittings->hovered(true, first);
        QCOMPARE(QToolTip::text(), QStringLiteral("2001/04/25　3回"));

        box.random.draws({3, 4});
        DrillWindow drill(drillAt(1), box.log());
        drill.showForm();
        answer(drill, 7);
        RecordDatabase other;
        QVERIFY(other.open(box.path()) && other.execute(QStringLiteral("BEGIN EXCLUSIVE")));
        bool noticed = false;
        QTimer::singleShot(Sandbox::lockWaitMs / 3, &box.scope, [&] { noticed = Sandbox::shown("WaitNotice"); });
        QTimer::singleShot(Sandbox::lockWaitMs * 2 / 3, &box.scope, [&] { other.execute("ROLLBACK"); });
        drill.close();
        QVERIFY(noticed && !Sandbox::shown("WaitNotice"));
        const auto *now = qobject_cast<QScatterSeries *>(chart.scoreView->chart()->series().value(1));
        QVERIFY(now->points().size() == 4 && ys(now->points()).contains(1));
        // A row that cannot be written is told, with what it held, and the window closes all the same.
        box.random.draws({3, 4});
        drill.showForm();
        answer(drill, 7);
        QFile::remove(box.path());
        drill.close();
        QVERIFY(!drill.isLoaded() && box.dialogs.told.size() == 1);
        QVERIFY(box.dialogs.told[0].startsWith("ADO_ZEM.MDBに成績を保存できませんでした。\n" + saved + "　たしざん１０　1"));
    }

    void scorePeriod_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<int>("named"); // results the question names, -1: not asked
        QTest::addColumn<QStringList>("told");
        QTest::addColumn<QStringList>("stored"); // none: ENV has lost its row
        QTest::addColumn<QString>("check");      // a desktop start's parents' check: "passed", "failed"; none from a terminal
        const QStringList done{"保存期間を設定しました"};
        const QStringList century{"保存できるのは36500日(100年)までです､36500以下の数字を入力してください"};
        QTest::newRow("blanks trimmed, a century, raised") << " 036500 " << true << -1 << done << QStringList{"036500"} << "";
        QTest::newRow("not a number") << "abc" << true << -1 << QStringList{"1以上の数字を入力してください"}
                                      << QStringList{"90"} << "";
        QTest::newRow("a day more than a century") << "36501" << true << -1 << century << QStringList{"90"} << "";
        QTest::newRow("far more") << "123456789012345678901" << true << -1 << century << QStringList{"90"} << "";
        QTest::newRow("no row to save in, none go") << "60" << true << -1
                                           << QStringList{"ENVﾚｺｰﾄﾞがないため保存期間を保存できませんでした"}
                                           << QStringList() << "";
        // Now 2001/04/27 9:05:03: on the day of the cut-off a row at the
        // cut-off itself stays and one of 10:00:00 goes, as its text sorts
        // before 9:05:03: counted as the purge deletes, not by the clock.
        QTest::newRow("to 7 days: 3 go, asked") << "7" << true << 3 << done << QStringList{"7"} << "";
        QTest::newRow("to 7 days, cancelled") << "7" << false << 3 << QStringList() << QStringList{"90"} << "";
        QTest::newRow("desktop start, to 7 days: the check, then asked") << "7" << true << 3 << done << QStringList{"7"} << "passed";
        QTest::newRow("desktop start, the check failed: nothing saved") << "7" << true << -1 << QStringList() << QStringList{"90"} << "failed";
        QTest::newRow("desktop start, raised: no check") << "365" << true << -1 << done << QStringList{"365"} << "failed";
        QTest::newRow("to 1 day: a later time of the day goes") << "1" << true << 5 << done
                                                                << QStringList{"1"} << "";
    }

    // Lowering the kept days names the results the next start removes, as its
    // purge counts them, and asks first.
    void scorePeriod()
    {
        QFETCH(QString, typed);
        QFETCH(bool, answer);
        QFETCH(int, named);
        QFETCH(QStringList, stored);
        QFETCH(QString, check);
        Sandbox box;
        if (!check.isEmpty())
            ParentsApproval::install([&] { return check == "passed"; });
        box.makeRecordFile("90", {"2001/04/26 10:00:00|たしざん１０|1", "2001/04/20 9:05:03|たしざん１０|2",
                                  "2001/04/20 10:00:00|とけい|3", "2001/04/20|たしざん１０|4",
                                  "2001/03/01 8:00:00|たして１０|5"});
        ScoreWindow w(box.log());
        w.showForm();
        if (stored.isEmpty())
            Sandbox::sql(box.path(), {"DELETE FROM ENV"});
        w.Text1->setText(typed);
        box.dialogs.answers = {answer};
        w.Command1_Click();
        const QString question = QStringLiteral("保存期間を%1日にすると､次に起動したときに古い成績%2件が削除されます｡\n"
                                                "保存しますか?").arg(typed).arg(named);
        QCOMPARE(box.dialogs.asked, named < 0 ? QStringList() : QStringList{question});
        QTEST(box.dialogs.told, "told");
        QCOMPARE(Sandbox::rows(box.path(), "SELECT * FROM ENV"), stored);
        if (stored.isEmpty())
            return;
        MenuWindow menu;
        menu.showForm();
        QCOMPARE(logRows(box).size(), 5 - (answer ? std::max(named, 0) : 0));
    }

    // The index, not the position, decides the window; each window exists once,
    // is only raised while open and starts a new sitting when opened again.
    // Where a second file differs only in case, every window uses the one
    // start-up found; after a lost LOG is made again a sitting is stored; and
    // ENV losing its row behind the program's back ends it from the score
    // window, the drill left open writing its sitting first.
    void menuAndOneFileForEveryWindow()
    {
        Sandbox box;
        box.makeRecordFile("90");
        box.makeRecordFile("30", {}, QStringLiteral("Ado_ZEM.mdb"));
        Sandbox::sql(box.path(), {"DROP TABLE LOG"});
        const QByteArray other = Sandbox::bytes(box.path("Ado_ZEM.mdb"));
        MenuWindow menu;
        menu.showForm();
        QCOMPARE(box.dialogs.told, QStringList{"LOGがありません､新規作成します"});
        QCOMPARE(menu.windowTitle(), QStringLiteral("さんすうドリル V20010427"));
        QVERIFY(!menu.windowIcon().isNull()); // the program's face
        QCOMPARE(menu.grab().toImage().pixelColor(1, 1), QColor(0, 255, 0));
        menu.Command1_Click(7);
        QCOMPARE(menu.drillWindow(7), nullptr);
        for (int i = 0; i < DrillTable::count(); ++i) {
            menu.Command1_Click(static_cast<qint16>(i));
            QCOMPARE(menu.drillWindow(i)->objectName(), drillAt(i).window());
            QCOMPARE(menu.drillWindow(i)->windowTitle(), menu.Command1[i]->text());
            QVERIFY(menu.drillWindow(i)->isLoaded());
        }
        QCOMPARE(menu.Command1[0]->text(), QStringLiteral("たして１０"));
        auto *drill = static_cast<DrillWindow *>(menu.drillWindow(1));
        drill->Command1_Click();
        answer(*drill, drill->Label1[0]->text().toInt() + drill->Label1[1]->text().toInt());
        menu.Command1_Click(1);
        QCOMPARE(drill->sitting().CLEAR_CNT(), 1);
        QCOMPARE(logRows(box), QStringList());
        QStringList rowsAtClose{"not closed"};
        RecordingSound::onClose = [&] { rowsAtClose = logRows(box); }; // the sound device closes before the row is written
        drill->close();
        RecordingSound::onClose = nullptr;
        QCOMPARE(rowsAtClose, QStringList());
        menu.Command1_Click(1);
        QCOMPARE(menu.drillWindow(1), drill);
        QCOMPARE(drill->Label3->text(), QStringLiteral("クリア\u30000"));
        QCOMPARE(logRows(box), QStringList{saved + "|たしざん１０|1"});
        // Without a school nothing more: no other table, no server's driver loaded.
        QCOMPARE(Sandbox::rows(box.path(), "SELECT name FROM sqlite_master ORDER BY name"), (QStringList{"ENV", "LOG"}));
        QVERIFY(!Sandbox::bytes("/proc/self/maps").contains("qsqlpsql"));

        menu.Command9_Click();
        auto *scores = static_cast<ScoreWindow *>(menu.scoreWindow());
        QCOMPARE(scores->Text1->text(), QStringLiteral("90"));
        scores->Text1->setText(QStringLiteral("45"));
        scores->Command1_Click();
        auto *clock = static_cast<ClockWindow *>(menu.drillWindow(6));
        click(clock->Label1[clock->sitting().ANS_NO()]);
        clock->close();
        QCOMPARE(Sandbox::rows(box.path(), "SELECT * FROM ENV"), QStringList{"45"});
        QCOMPARE(logRows(box).mid(1), QStringList{saved + "|とけい|1"});
        QCOMPARE(Sandbox::bytes(box.path("Ado_ZEM.mdb")), other);

        menu.Command1_Click(6);
        click(clock->Label1[clock->sitting().ANS_NO()]);
        Sandbox::sql(box.path(), {"DELETE FROM ENV"});
        QCOMPARE(Sandbox::endStatus([&] { scores->Option1_Click(2); }), 1);
        QCOMPARE(box.dialogs.told.last(), QStringLiteral("ENVﾚｺｰﾄﾞがないため処理を続行できません"));
        QCOMPARE(logRows(box).mid(1), (QStringList{saved + "|とけい|1", saved + "|とけい|1"}));
    }
};

SANSU_TEST_MAIN(TestWindows)
#include "test_windows.moc"
