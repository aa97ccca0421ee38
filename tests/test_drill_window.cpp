// The number-drill window as a child uses it: tiles clicked with the mouse, the
// reading heard through a recording sound device, the row in the real database
// file, and the drawing checked pixel by pixel.
#include "drill/drill_window.h"
#include "platform/app_info.h"
#include "platform/project_globals.h"
#include "platform/system_clock.h"
#include "platform/twips.h"
#include "support/fake_dialogs.h"
#include "support/recording_sound_device.h"
#include "support/scripted_random.h"
#include "support/sqlite_file.h"
#include "support/sandboxed_test.h"
#include "support/test_kit.h"
#include "support/test_setup.h"

#include <QFile>
#include <QFileInfo>
#include <QtTest>

#include <memory>

using Kit::equation;
using Kit::openDrill;

namespace {
const QString rowQuery = QStringLiteral("SELECT 日時, 科目, 得点 FROM LOG");
const QStringList NG = {QStringLiteral("NG.WAV")};

// Remembers the text a label had when it was last painted.
class PaintWatcher : public QObject
{
public:
    QString painted;
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted = static_cast<QLabel *>(object)->text();
        return false;
    }
};

void finishReading(DrillWindow &w)
{
    QTRY_VERIFY(!w.Timer1->isActive());
}

void clickTile(DrillWindow &w, int index)
{
    QTest::mouseClick(w.Label6[index], Qt::LeftButton);
}

// Answers with `tile`, then asks for the next question, which is drawn from `next`.
void answerThenNext(DrillWindow &w, int tile, ScriptedRandom *random, std::initializer_list<int> next)
{
    clickTile(w, tile);
    finishReading(w);
    random->draws(next);
    QTest::mouseClick(w.Command1, Qt::LeftButton);
    finishReading(w);
}
} // namespace

class TestDrillWindow : public SandboxedTest
{
    Q_OBJECT


private slots:
    void initTestCase() { TestSetup::application(); }

    void init() { enterSandbox(); }

    void cleanup() { leaveSandbox(); }

    void wrongAndRightTiles()
    {
        random->draws({3, 4});
        auto w = openDrill(QStringLiteral("たしざん10"));
        finishReading(*w);
        QCOMPARE(equation(*w), QStringList({"3", "＋", "4", "＝", "？"}));
        QCOMPARE(w->Label3->text(), QStringLiteral("クリア　0"));
        QVERIFY(w->Command1->isHidden());

        // Wrong tiles: one NG each and nothing else.
        for (int tile : {5, 0, 10}) {
            const int heard = sound->played().size();
            clickTile(*w, tile);
            QCOMPARE(sound->playedSince(heard), NG);
            QCOMPARE(w->Label5->text(), QStringLiteral("？"));
            QCOMPARE(w->Label3->text(), QStringLiteral("クリア　0"));
            QVERIFY(!w->Timer1->isActive() && w->Command1->isHidden());
        }

        // The right tile completes the equation, chimes, counts, and is read.
        int heard = sound->played().size();
        clickTile(*w, 7);
        QCOMPARE(w->Label5->text(), QStringLiteral("7"));
        QCOMPARE(w->Label5->accessibleName(), QStringLiteral("7"));
        QCOMPARE(sound->playedSince(heard), QStringList({"OK.WAV"}));
        QCOMPARE(w->Label3->text(), QStringLiteral("クリア　1"));
        finishReading(*w);
        QCOMPARE(sound->playedSince(heard),
                 QStringList({"OK.WAV", "3.WAV", "＋.WAV", "4.WAV", "＝.WAV", "7.WAV"}));
        QVERIFY(w->Command1->isVisible() && w->Command1->isEnabled());

        // An answered question ignores every tile, the right one included.
        heard = sound->played().size();
        clickTile(*w, 7);
        clickTile(*w, 2);
        QCOMPARE(sound->playedSince(heard), QStringList());
        QCOMPARE(w->CLEAR_CNT, 1);
        QVERIFY(!w->Timer1->isActive());

        // The next question; a tile is judged by what it shows, not where it is.
        random->draws({6, 2});
        QTest::mouseClick(w->Command1, Qt::LeftButton);
        finishReading(*w);
        QCOMPARE(equation(*w), QStringList({"6", "＋", "2", "＝", "？"}));
        QVERIFY(w->Command1->isHidden());
        w->Label6[0]->setText(QStringLiteral("8"));
        clickTile(*w, 0);
        QCOMPARE(w->Label5->text(), QStringLiteral("8"));
        QCOMPARE(w->CLEAR_CNT, 2);
        finishReading(*w);
        w->unloadForm();
    }

    void otherKindsCompleteTheirUnknown()
    {
        // たして10: the "？" on the left is replaced, Label5 keeps 10.
        random->draws({1, 3});
        auto make = openDrill(QStringLiteral("たして10"));
        finishReading(*make);
        QCOMPARE(equation(*make), QStringList({"？", "＋", "3", "＝", "10"}));
        int heard = sound->played().size();
        clickTile(*make, 3);
        clickTile(*make, 10);
        clickTile(*make, 7);
        finishReading(*make);
        QCOMPARE(equation(*make), QStringList({"7", "＋", "3", "＝", "10"}));
        QCOMPARE(sound->playedSince(heard),
                 QStringList({"NG.WAV", "NG.WAV", "OK.WAV", "7.WAV", "＋.WAV", "3.WAV", "＝.WAV", "10.WAV"}));
        clickTile(*make, 7);
        QCOMPARE(make->CLEAR_CNT, 1);
        make->unloadForm();

        // ひいて10: 10 － 10 is answered by tile 0, and every reading starts with 10.
        random->draws({10});
        heard = sound->played().size();
        auto from = openDrill(QStringLiteral("ひいて10"));
        finishReading(*from);
        QCOMPARE(sound->playedSince(heard), QStringList({"10.WAV", "－.WAV", "10.WAV", "＝.WAV", "？.WAV"}));
        clickTile(*from, 0);
        finishReading(*from);
        QCOMPARE(equation(*from), QStringList({"10", "－", "10", "＝", "0"}));
        QCOMPARE(from->CLEAR_CNT, 1);
        from->unloadForm();

        // ひきざん20: 15 － 9 over the second row of tiles.
        random->draws({15, 9});
        auto sub = openDrill(QStringLiteral("ひきざん20"));
        finishReading(*sub);
        clickTile(*sub, 16);
        QCOMPARE(sub->CLEAR_CNT, 0);
        clickTile(*sub, 6);
        QCOMPARE(sub->CLEAR_CNT, 1);
        QCOMPARE(sub->Label5->text(), QStringLiteral("6"));
        finishReading(*sub);
        sub->unloadForm();
    }

    void readingShowsThenSpeaksAndFlipsNextButton()
    {
        WatchedSound watch;
        random->draws({2, 5});
        ProjectGlobals::instance().currentDrillName = QStringLiteral("たしざん１０");
        DrillWindow w(QStringLiteral("たしざん10"));
        PaintWatcher result;
        w.Label5->installEventFilter(&result);
        // Per prompt: what Label5 last painted, what it holds, and whether "次" was enabled.
        QStringList heard;
        watch.onPlay = [&](const QString &file) {
            heard << file + "|" + result.painted + "|" + w.Label5->text() + "|"
                         + (w.Command1->isEnabled() ? "on" : "off");
        };

        w.showForm();
        QVERIFY(w.Command1->isVisible()); // visible while the first reading is pending
        finishReading(w);
        QCOMPARE(heard, QStringList({"2.WAV|？|？|off", "＋.WAV|？|？|off", "5.WAV|？|？|off",
                                     "＝.WAV|？|？|off", "？.WAV|？|？|off"}));
        QVERIFY(w.Command1->isHidden() && w.Command1->isEnabled());

        heard.clear();
        clickTile(w, 7);
        finishReading(w);
        QCOMPARE(heard.size(), 6);
        for (const QString &h : heard) // the chime comes with the full equation on screen
            QVERIFY2(h.section('|', 1, 2) == "7|7", qPrintable(h));
        QVERIFY(w.Command1->isVisible() && w.Command1->isEnabled());

        // A right tile clicked before the new question's reading started: one
        // reading serves both, and the next question can still be asked.
        random->draws({1, 1});
        QTest::mouseClick(w.Command1, Qt::LeftButton);
        QVERIFY(w.Timer1->isActive());
        clickTile(w, 2);
        QCOMPARE(w.CLEAR_CNT, 2);
        finishReading(w);
        QVERIFY(w.Command1->isVisible() && w.Command1->isEnabled());

        // "次（つぎ）" over an open question replaces it and leaves the count.
        random->draws({4, 4});
        w.Command1_Click();
        finishReading(w);
        random->draws({0, 0});
        w.Command1_Click();
        finishReading(w);
        QCOMPARE(equation(w), QStringList({"0", "＋", "0", "＝", "？"}));
        QCOMPARE(w.CLEAR_CNT, 2);
        w.unloadForm();
        w.Label5->removeEventFilter(&result);
    }

    void closingWritesOneRowAfterReleasingTheDevice()
    {
        // A count of 0 writes nothing.
        auto first = openDrill(QStringLiteral("ひきざん10"));
        finishReading(*first);
        first->unloadForm();
        QVERIFY(!first->isVisible());
        QCOMPARE(Kit::dbRows(rowQuery), QStringList());
        QCOMPARE(sound->events.last(), QStringLiteral("close"));
        QCOMPARE(sound->openDevices, 0);

        // Three right answers; the device is closed before the row is written.
        auto watch = std::make_unique<WatchedSound>();
        QStringList rowsAtClose{"not closed"};
        watch->onClose = [&] { rowsAtClose = Kit::dbRows(rowQuery); };
        random->draws({3, 3});
        auto w = openDrill(QStringLiteral("たしざん10"));
        finishReading(*w);
        for (int n = 0; n < 3; ++n)
            answerThenNext(*w, 6, random, {3, 3});
        QCOMPARE(w->Label3->text(), QStringLiteral("クリア　3"));
        // Another drill opened meanwhile does not rename this one's results.
        ProjectGlobals::instance().currentDrillName = QStringLiteral("ひいて１０");
        w->unloadForm();
        QCOMPARE(rowsAtClose, QStringList());
        QCOMPARE(Kit::dbRows(rowQuery), QStringList({"2001/04/27 9:05:03|たしざん１０|3"}));
        QCOMPARE(dialogs->told, QStringList());

        // Opened again: a new sitting at 0 with the button as designed.
        watch.reset();
        sound.reset();
        sound = std::make_unique<RecordingSound>();
        ProjectGlobals::instance().currentDrillName = QStringLiteral("たしざん１０");
        random->draws({9, 1});
        w->showForm();
        QCOMPARE(w->Label3->text(), QStringLiteral("クリア　0"));
        finishReading(*w);
        QVERIFY(w->Command1->isHidden());
        QCOMPARE(sound->played(), QStringList({"9.WAV", "＋.WAV", "1.WAV", "＝.WAV", "？.WAV"}));

        // Ten and more: a two-digit count and score; a time of midnight is the date alone.
        SystemClock::setFixedNow(QDateTime(QDate(2001, 4, 28), QTime(0, 0, 0)));
        for (int n = 0; n < 12; ++n)
            answerThenNext(*w, 10, random, {9, 1});
        QCOMPARE(w->Label3->text(), QStringLiteral("クリア　12"));
        w->unloadForm();
        QCOMPARE(Kit::dbRows(rowQuery + " ORDER BY 日時"),
                 QStringList({"2001/04/27 9:05:03|たしざん１０|3", "2001/04/28|たしざん１０|12"}));
    }

    void eachWindowRecordsItsOwnCaption()
    {
        random->draws({1, 1, 10});
        auto add = openDrill(QStringLiteral("たしざん20"));
        auto sub = openDrill(QStringLiteral("ひいて10"));
        finishReading(*add);
        finishReading(*sub);
        QCOMPARE(add->windowTitle(), QStringLiteral("たしざん２０"));
        QCOMPARE(sub->windowTitle(), QStringLiteral("ひいて１０"));
        clickTile(*add, 2);
        clickTile(*sub, 0);
        finishReading(*add);
        finishReading(*sub);
        ProjectGlobals::instance().currentDrillName = QStringLiteral("とけい");
        add->unloadForm();
        sub->unloadForm();
        QCOMPARE(Kit::dbRows(QStringLiteral("SELECT 科目, 得点 FROM LOG ORDER BY 科目")),
                 QStringList({"たしざん２０|1", "ひいて１０|1"}));
    }

    void drawingFollowsTheLayout_data()
    {
        QTest::addColumn<double>("height");
        QTest::addColumn<int>("tiles");
        QTest::addColumn<QPoint>("count"); // the clear count's corner, in twips
        QTest::newRow("たしざん10") << 4815.0 << 11 << QPoint(6480, 3960);
        QTest::newRow("たして10") << 4815.0 << 11 << QPoint(6360, 3960);
        QTest::newRow("たしざん20") << 5385.0 << 21 << QPoint(6360, 4560);
        QTest::newRow("ひきざん10") << 4815.0 << 11 << QPoint(6480, 3960);
        QTest::newRow("ひいて10") << 4815.0 << 11 << QPoint(6360, 3960);
        QTest::newRow("ひきざん20") << 5385.0 << 21 << QPoint(6360, 4560);
    }

    void drawingFollowsTheLayout()
    {
        QFETCH(double, height);
        QFETCH(int, tiles);
        QFETCH(QPoint, count);
        auto w = openDrill(QString::fromUtf8(QTest::currentDataTag()));
        finishReading(*w);
        const QImage image = w->grab().toImage();
        QCOMPARE(image.size(), QSize(606, Twips::toPixels(height)));
        // A few pixels into a control, clear of its border and its text.
        auto at = [&image](double left, double top) {
            return QColor(image.pixel(Twips::toPixels(left) + 3, Twips::toPixels(top) + 3));
        };
        const QColor green(0, 255, 0);
        QCOMPARE(QColor(image.pixel(2, 2)), green);
        QCOMPARE(at(2520, 1200), green); // the sign sits on green
        for (double left : {840, 3840, 6840})
            QCOMPARE(at(left, 1200), DrillWindow::paleYellow);
        QCOMPARE(at(count.x(), count.y()), DrillWindow::yellow);
        QCOMPARE(w->Label6.size(), tiles);
        const QColor border = w->palette().color(QPalette::WindowText);
        for (int i = 0; i < tiles; ++i) {
            const double left = 600 + 720 * (i % 11), top = i < 11 ? 3120 : 3720;
            QCOMPARE(w->Label6[i]->text(), QString::number(i));
            QCOMPARE(w->Label6[i]->accessibleName(), QString::number(i));
            QCOMPARE(at(left, top), DrillWindow::lightOrange);
            // The single flat border, in the window-text colour.
            QCOMPARE(QColor(image.pixel(Twips::toPixels(left), Twips::toPixels(top) + 10)), border);
        }
        if (tiles == 11) // no second row
            QCOMPARE(at(600, 3720), green);
        QCOMPARE(w->Command1->geometry(), Twips::rect(3720, height == 5385 ? 4440 : 3840, 1575, 735));
        w->unloadForm();
    }

    void unsavedRowIsReportedAndWindowCloses()
    {
        // No database file, then a damaged one: one message naming the drill
        // each time, the window closes, and no file is made or changed.
        QVERIFY(QFile::remove(SqliteFile::defaultPath()));
        const QByteArray junk(4096, 'x');
        for (int attempt = 1; attempt <= 2; ++attempt) {
            if (attempt == 2)
                QVERIFY(Kit::writeFile(SqliteFile::defaultPath(), junk));
            random->draws({1, 1});
            auto w = openDrill(QStringLiteral("たしざん10"));
            finishReading(*w);
            clickTile(*w, 2);
            finishReading(*w);
            w->unloadForm();
            QVERIFY(!w->isLoaded() && !w->isVisible());
            QCOMPARE(dialogs->told.size(), attempt);
            QVERIFY(dialogs->told.last().contains(QStringLiteral("たしざん１０")));
            QCOMPARE(QFileInfo::exists(SqliteFile::defaultPath()), attempt == 2);
        }
        QCOMPARE(Kit::readFile(SqliteFile::defaultPath()), junk);
    }

    void missingPromptFilesDoNotMatter()
    {
        // The real sound device with a program folder that holds no prompts.
        sound.reset();
        QTemporaryDir noPrompts;
        AppInfo::setProgramFolder(noPrompts.path());
        random->draws({4, 5});
        auto w = openDrill(QStringLiteral("たしざん10"));
        finishReading(*w);
        clickTile(*w, 8);
        QCOMPARE(w->CLEAR_CNT, 0);
        clickTile(*w, 9);
        finishReading(*w);
        QVERIFY(w->Command1->isVisible());
        w->unloadForm();
        TestSetup::application();
        QCOMPARE(Kit::dbRows(QStringLiteral("SELECT 得点 FROM LOG")), QStringList({"1"}));
    }
};

QTEST_MAIN(TestDrillWindow)
#include "test_drill_window.moc"
