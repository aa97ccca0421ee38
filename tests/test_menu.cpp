// The main menu: start-up, its layout, and the windows its buttons open.
#include "app/face_icon.h"
#include "app/menu_window.h"
#include "drill/drill_window.h"
#include "platform/program_exit.h"
#include "platform/random_draw.h"
#include "platform/project_globals.h"
#include "support/exit_trap.h"
#include "support/fake_dialogs.h"
#include "support/recording_sound_device.h"
#include "support/scripted_random.h"
#include "support/sqlite_file.h"
#include "support/temp_work_dir.h"
#include "support/test_setup.h"

#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {
// Starts the menu as the program does; returns the exit status, or -1 when it
// opened. The caller holds an ExitTrap for as long as the menu lives.
int start(MenuWindow &menu)
{
    try {
        menu.showForm();
    } catch (const ProgramEnded &ended) {
        return ended.status;
    }
    return -1;
}
} // namespace

class TestMenu : public QObject
{
    Q_OBJECT
    std::unique_ptr<ExitTrap> trap;
    std::unique_ptr<TempWorkDir> dir;
    std::unique_ptr<RecordingSound> sound;
    FakeDialogs *dialogs = nullptr;

private slots:
    void initTestCase() { TestSetup::application(); }
    void init()
    {
        trap = std::make_unique<ExitTrap>();
        dir = std::make_unique<TempWorkDir>();
        sound = std::make_unique<RecordingSound>();
        dialogs = FakeDialogs::install();
        ProjectGlobals::instance() = ProjectGlobals{};
    }
    void cleanup()
    {
        Dialogs::install(nullptr);
        sound.reset();
        dir.reset();
        trap.reset();
    }

    void startUpSetsGlobalsCreatesTheFileAndShowsTheMenu()
    {
        MenuWindow menu;
        QCOMPARE(start(menu), -1);
        QVERIFY(menu.isVisible());
        QCOMPARE(menu.windowTitle(), QStringLiteral("さんすうドリル V20010427"));
        const ProjectGlobals &g = ProjectGlobals::instance();
        QCOMPARE(g.databaseFileName, QStringLiteral("ADO_ZEM.MDB"));
        QCOMPARE(g.settingsTableName, QStringLiteral("ENV"));
        QCOMPARE(g.resultsTableName, QStringLiteral("LOG"));
        QCOMPARE(g.connectionString,
                 QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=Ado_ZEM.mdb;Persist Security Info=False"));
        QVERIFY(g.currentDrillName.isEmpty());
        QCOMPARE(dialogs->asked.size(), 1);
        QCOMPARE(SqliteFile::rows(SqliteFile::defaultPath(), QStringLiteral("SELECT SET_LOG FROM ENV")),
                 QStringList{QStringLiteral("90")});
        menu.close();
    }

    void startUpThatEndsShowsNoMenu()
    {
        {
            // Cancel at the creation question.
            dialogs->answers = {false};
            MenuWindow menu;
            QVERIFY(start(menu) > 0);
            QVERIFY(!menu.isVisible());
            QVERIFY(!QFile::exists(QStringLiteral("ADO_ZEM.MDB")));
        }
        {
            // A settings table without its row.
            TestSetup::createDatabase();
            QVERIFY(SqliteFile::exec(SqliteFile::defaultPath(), QStringLiteral("DELETE FROM ENV")));
            dialogs->told.clear();
            MenuWindow menu;
            QVERIFY(start(menu) > 0);
            QVERIFY(!menu.isVisible());
            QCOMPARE(dialogs->told, QStringList{QStringLiteral("ENVﾚｺｰﾄﾞがないため処理を続行できません")});
        }
    }

    void layoutFollowsTheTwips()
    {
        MenuWindow menu;
        QCOMPARE(menu.objectName(), QStringLiteral("MENU"));
        QCOMPARE(menu.size(), QSize(3720 / 15, 4125 / 15));
        struct Expected { int index; const char16_t *caption; int left; int top; };
        const Expected expected[] = {
            {1, u"たしざん１０", 360, 360}, {0, u"たして１０", 360, 1200}, {2, u"たしざん２０", 360, 2040},
            {6, u"とけい", 360, 2880},     {3, u"ひきざん１０", 2040, 360}, {4, u"ひいて１０", 2040, 1200},
            {5, u"ひきざん２０", 2040, 2040},
        };
        for (const Expected &e : expected) {
            QPushButton *b = menu.Command1[e.index];
            QCOMPARE(b->text(), QString::fromUtf16(e.caption));
            QCOMPARE(b->geometry(), QRect(e.left / 15, e.top / 15, 1335 / 15, 615 / 15));
        }
        QCOMPARE(menu.Command9->text(), QStringLiteral("得点"));
        QCOMPARE(menu.Command9->geometry(), QRect(2040 / 15, 2880 / 15, 1335 / 15, 615 / 15));

        // Tab order: 1, 0, 2, 3, 4, 5, 6, then the score button.
        QList<QWidget *> order;
        QWidget *w = menu.Command1[1];
        for (int i = 0; i < 8; ++i) {
            order << w;
            w = w->nextInFocusChain();
        }
        const QList<QWidget *> expectedOrder = {menu.Command1[1], menu.Command1[0], menu.Command1[2],
                                                menu.Command1[3], menu.Command1[4], menu.Command1[5],
                                                menu.Command1[6], menu.Command9};
        QCOMPARE(order, expectedOrder);
    }

    void iconIsARoundYellowFace()
    {
        const QImage icon = FaceIcon::image(32);
        QCOMPARE(icon.size(), QSize(32, 32));
        const QColor centreLeft = icon.pixelColor(6, 12);
        QVERIFY(centreLeft.red() > 200 && centreLeft.green() > 180 && centreLeft.blue() < 60);
        QCOMPARE(icon.pixelColor(0, 0).alpha(), 0); // round: the corners are clear
        MenuWindow menu;
        QVERIFY(!menu.windowIcon().isNull());
    }

    void buttonsOpenTheirWindowOnce()
    {
        MenuWindow menu;
        QCOMPARE(start(menu), -1);
        const char16_t *names[] = {u"たして10", u"たしざん10", u"たしざん20", u"ひきざん10",
                                   u"ひいて10", u"ひきざん20", u"とけい"};
        for (int index = 0; index < MenuWindow::drillCount; ++index) {
            QTest::mouseClick(menu.Command1[index], Qt::LeftButton);
            Form *window = menu.drillWindow(index);
            QCOMPARE(window->objectName(), QString::fromUtf16(names[index]));
            QCOMPARE(ProjectGlobals::instance().currentDrillName, menu.Command1[index]->text());
            QVERIFY(window->isLoaded());
            QVERIFY(window->isVisible());
            QCOMPARE(window->windowTitle(), menu.Command1[index]->text());

            // A second press only brings it to the front: no second load.
            QSignalSpy loads(window, &Form::loadedChanged);
            ProjectGlobals::instance().currentDrillName.clear();
            QTest::mouseClick(menu.Command1[index], Qt::LeftButton);
            QCOMPARE(loads.count(), 0);
            QCOMPARE(menu.drillWindow(index), window);
            QCOMPARE(ProjectGlobals::instance().currentDrillName, menu.Command1[index]->text());
        }
        QVERIFY(menu.drillWindow(7) == nullptr);
        QVERIFY(menu.drillWindow(-1) == nullptr);

        // Closed windows load again on the next press.
        Form *first = menu.drillWindow(1);
        first->close();
        QVERIFY(!first->isLoaded());
        QSignalSpy loads(first, &Form::loadedChanged);
        QTest::mouseClick(menu.Command1[1], Qt::LeftButton);
        QCOMPARE(loads.count(), 1);
        QVERIFY(first->isLoaded());

        QTest::mouseClick(menu.Command9, Qt::LeftButton);
        QCOMPARE(menu.scoreWindow()->objectName(), QStringLiteral("得点"));
        QVERIFY(menu.scoreWindow()->isVisible());

        for (int index = 0; index < MenuWindow::drillCount; ++index)
            menu.drillWindow(index)->close();
        menu.scoreWindow()->close();
        // Every window closed its own sound device.
        QCOMPARE(sound->openDevices, 0);
    }

    void endingTheProgramFromTheScoreWindowRecordsOpenSittings()
    {
        MenuWindow menu;
        QCOMPARE(start(menu), -1);
        // ひきざん１０ poses 3 － 1; the clock window stays open without a score.
        ScriptedRandom *random = ScriptedRandom::install();
        random->draws({3, 1});
        QTest::mouseClick(menu.Command1[3], Qt::LeftButton);
        RandomDraw::seedFromTimer(); // the clock needs real draws for its wrong times
        QTest::mouseClick(menu.Command1[6], Qt::LeftButton);
        auto *drill = qobject_cast<DrillWindow *>(menu.drillWindow(3));
        QVERIFY(drill);
        QCOMPARE(drill->Label1[0]->text(), QStringLiteral("3"));
        QCOMPARE(drill->Label1[1]->text(), QStringLiteral("1"));
        QTest::mouseClick(drill->Label6[2], Qt::LeftButton);
        QCOMPARE(drill->CLEAR_CNT, 1);

        // The settings row disappears behind the program's back; the score
        // window must end the program, but the sitting is written first.
        QVERIFY(SqliteFile::exec(SqliteFile::defaultPath(), QStringLiteral("DELETE FROM ENV")));
        int status = -1;
        try {
            // Called directly: the trap's exception must not cross Qt's event dispatch.
            menu.Command9_Click();
        } catch (const ProgramEnded &e) {
            status = e.status;
        }
        QCOMPARE(status, 1);
        QCOMPARE(dialogs->told.last(), QStringLiteral("ENVﾚｺｰﾄﾞがないため処理を続行できません"));
        QVERIFY(!drill->isLoaded());
        QVERIFY(!menu.drillWindow(6)->isLoaded());
        QCOMPARE(sound->openDevices, 0);
        const QStringList rows =
            SqliteFile::rows(SqliteFile::defaultPath(), QStringLiteral("SELECT 科目, 得点 FROM LOG"));
        QCOMPARE(rows, QStringList{QStringLiteral("ひきざん１０|1")});
    }
};

QTEST_MAIN(TestMenu)
#include "test_menu.moc"
