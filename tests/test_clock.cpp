// The clock drill window driven as a child uses it: real controls on the
// offscreen platform, scripted draws, recorded prompts, the real database file.
#include "clock/clock_face.h"
#include "clock/clock_window.h"
#include "platform/app_info.h"
#include "platform/project_globals.h"
#include "platform/random_draw.h"
#include "platform/seeded_random_source.h"
#include "platform/system_clock.h"
#include "platform/twips.h"
#include "support/fake_dialogs.h"
#include "support/recording_sound_device.h"
#include "support/scripted_random.h"
#include "support/sqlite_file.h"
#include "support/sandboxed_test.h"
#include "support/test_kit.h"
#include "support/test_setup.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>
#include <QtTest>

#include <memory>
#include <set>

using Kit::countColour;

namespace {
const QString WHAT_TIME = QStringLiteral("いまなんじ？.WAV");
const QColor red(255, 0, 0), blue(0, 0, 255), green(0, 255, 0);

// Appends the draws of one question: the asked time on label `ans`, and on
// each other label (in increasing order) the k-th wrong time, k hours later.
void scriptQuestion(ScriptedRandom *random, int hour, int minute, int ans)
{
    random->draws({hour % 12, minute, ans});
    for (int k = 1; k <= 7; ++k)
        random->draws({(hour + k) % 12, minute});
}

// The eight label texts scriptQuestion() leads to.
QStringList expectedLabels(int hour, int minute, int ans)
{
    QStringList labels;
    for (int i = 0, k = 0; i < 8; ++i) {
        const int h = i == ans ? hour : (hour + ++k) % 12;
        labels << ClockWindow::timeText(h == 0 ? 12 : h, minute);
    }
    return labels;
}

QStringList captions(const ClockWindow &w)
{
    QStringList texts;
    for (const ClickLabel *label : w.Label1)
        texts << label->text();
    return texts;
}

QStringList spoken(const QString &hour, const QString &minute)
{
    return {"OK.WAV", hour + ".WAV", "じ.WAV", minute + ".WAV", "ふん.WAV"};
}

// Shows the window as the menu does and waits for the question prompt to end.
void openAndHearPrompt(ClockWindow &w, RecordingSound &sound)
{
    const int before = sound.played().size();
    w.showForm();
    w.Timer1->stop(); // the fresh question after a second has its own test
    QTRY_COMPARE(sound.playedSince(before), QStringList{WHAT_TIME});
    QVERIFY(w.Command1->isHidden());
}

// Clicks the right label and waits for the spoken time and "次(つぎ)".
void answerRight(ClockWindow &w)
{
    QTest::mouseClick(w.Label1[w.ANS_NO], Qt::LeftButton);
    QTRY_VERIFY(!w.Command1->isHidden());
}
} // namespace

class TestClock : public SandboxedTest
{
    Q_OBJECT


private slots:
    void initTestCase() { TestSetup::application(); }

    void init()
    {
        enterSandbox();
        ProjectGlobals::instance().currentDrillName = QStringLiteral("とけい");
    }

    void cleanup() { leaveSandbox(); }

    void openingShowsTheWindowAsDesigned()
    {
        scriptQuestion(random, 3, 15, 2);
        ClockWindow w;
        w.showForm();
        QCOMPARE(w.windowTitle(), QStringLiteral("とけい"));
        QCOMPARE(w.size(), QSize(435, 536));
        QCOMPARE(w.Label3->text(), QStringLiteral("クリア　0"));
        QCOMPARE(w.Label3->accessibleName(), QStringLiteral("クリア　0"));
        QVERIFY(w.Timer1->isActive() && w.Timer2->isActive() && !w.Timer3->isActive());
        w.Timer1->stop();
        QCOMPARE(sound->events, QStringList{QStringLiteral("open")});

        // The upper row runs left to right, the lower one right to left.
        const int places[8][2] = {{240, 6120}, {1800, 6120}, {3360, 6120}, {4920, 6120},
                                  {4920, 6720}, {3360, 6720}, {1800, 6720}, {240, 6720}};
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(w.Label1[i]->geometry(), Twips::rect(places[i][0], places[i][1], 1335, 405));
            QVERIFY(w.Label1[i]->isVisible());
            QCOMPARE(w.Label1[i]->accessibleName(), w.Label1[i]->text());
        }
        QVERIFY(w.Label2->isHidden());
        QCOMPARE(w.Command1->accessibleName(), QStringLiteral("次(つぎ)"));
        QVERIFY(w.Command1->isVisible());

        // The face of the load-time question above, light orange labels with a dark border below.
        const QImage shot = w.grab().toImage();
        QVERIFY(countColour(shot, QRect(0, 0, 435, 380), red) > 50);
        QVERIFY(countColour(shot, QRect(0, 0, 435, 380), blue) > 50);
        const QRect first = w.Label1[0]->geometry();
        QCOMPARE(shot.pixelColor(first.left() + 3, first.top() + 3), ClockWindow::lightOrange);
        QVERIFY(shot.pixelColor(first.left(), first.top() + 10).lightness() < 128);

        // The prompt, then "次(つぎ)" hidden.
        QTRY_COMPARE(sound->played(), QStringList{WHAT_TIME});
        QVERIFY(w.Command1->isHidden() && w.Command1->isEnabled());
        w.unloadForm();
    }

    void questionsAreDrawnInOrder()
    {
        // Asked 3:15 (a minute draw of 17 is lowered to 15) on label 2; wrong
        // times equal to it are drawn again.
        random->draws({3, 17, 2});
        random->draws({3, 15, 3, 19, 4, 16}); // label 0: two redraws, then 4:15
        random->draws({0, 0});                // label 1: 12:00
        random->draws({3, 20});               // label 3: same hour
        random->draws({5, 15});               // label 4: same minute
        random->draws({11, 59});              // label 5: 11:55
        random->draws({3, 18, 6, 4});         // label 6: one redraw, then 6:00
        random->draws({1, 5});                // label 7
        ClockWindow w;
        w.showForm();
        w.Timer1->stop();
        QCOMPARE(random->taken(), 23);
        QCOMPARE(random->remaining(), std::size_t(0));
        QCOMPARE(QStringList({QString::number(w.ANS_NO), w.HOUR_TXT, w.MIN_TXT}), QStringList({"2", "3", "15"}));
        QCOMPARE(captions(w), QStringList({"4じ15ふん", "12じ0ふん", "3じ15ふん", "3じ20ふん", "5じ15ふん",
                                           "11じ55ふん", "6じ0ふん", "1じ5ふん"}));

        // With the program's own generator: every question has its one right
        // label in the upper row and seven well-formed wrong ones.
        RandomDraw::setSource(std::make_unique<SeededRandomSource>(20010427));
        const QRegularExpression form(QStringLiteral("^(1[0-2]|[1-9])じ(0|5|[1-5][05])ふん$"));
        std::set<int> answers, hours, minutes;
        for (int n = 0; n < 400; ++n) {
            w.frm_dsp();
            QVERIFY(w.ANS_NO >= 0 && w.ANS_NO <= 3);
            answers.insert(w.ANS_NO);
            hours.insert(w.HOUR_TXT.toInt());
            minutes.insert(w.MIN_TXT.toInt());
            const QString asked = w.HOUR_TXT + QStringLiteral("じ") + w.MIN_TXT + QStringLiteral("ふん");
            for (int i = 0; i < 8; ++i) {
                const QString text = w.Label1[i]->text();
                QVERIFY2(form.match(text).hasMatch(), qPrintable(text));
                QCOMPARE(text == asked, i == w.ANS_NO);
                QCOMPARE(w.Label1[i]->accessibleName(), text);
            }
        }
        QCOMPARE(answers.size(), std::size_t(4));
        QCOMPARE(hours.size(), std::size_t(12));
        QCOMPARE(minutes.size(), std::size_t(12));
        w.Timer2->stop();
        w.unloadForm();
    }

    void clicksAreJudgedAndTimesReadAloud()
    {
        scriptQuestion(random, 3, 15, 2);
        scriptQuestion(random, 7, 0, 0);
        scriptQuestion(random, 12, 0, 3);
        ClockWindow w;
        openAndHearPrompt(w, *sound);
        QCOMPARE(captions(w), expectedLabels(3, 15, 2));

        // Wrong labels: NG.WAV each and nothing else changes.
        QTest::mouseClick(w.Label1[5], Qt::LeftButton);
        QTest::mouseClick(w.Label1[1], Qt::LeftButton);
        QCOMPARE(sound->playedSince(1), QStringList({"NG.WAV", "NG.WAV"}));
        QCOMPARE(captions(w), expectedLabels(3, 15, 2));
        QCOMPARE(w.Label3->text(), QStringLiteral("クリア　0"));
        QVERIFY(w.Label2->isHidden() && w.Command1->isHidden() && !w.Timer3->isActive());

        // The right label: shown in Label2, the eight hidden, OK.WAV at once and
        // the count raised; then the spoken time, then "次(つぎ)".
        int mark = sound->played().size();
        QTest::mouseClick(w.Label1[2], Qt::LeftButton);
        QCOMPARE(w.Label2->text(), QStringLiteral("3じ15ふん"));
        QCOMPARE(w.Label2->accessibleName(), QStringLiteral("3じ15ふん"));
        QVERIFY(w.Label2->isVisible());
        for (const ClickLabel *label : w.Label1)
            QVERIFY(label->isHidden());
        QCOMPARE(sound->playedSince(mark), QStringList{"OK.WAV"});
        QCOMPARE(w.Label3->text(), QStringLiteral("クリア　1"));
        QCOMPARE(w.Label3->accessibleName(), QStringLiteral("クリア　1"));
        QVERIFY(w.Command1->isHidden());
        QTRY_VERIFY(!w.Command1->isHidden());
        QVERIFY(w.Command1->isEnabled());
        QCOMPARE(sound->playedSince(mark), spoken("3", "15"));

        // "次(つぎ)": the next question and its prompt; a full hour is written and read with its 0.
        const struct { int label; const char *text; const char *hour; } next[] = {
            {0, "7じ0ふん", "7"}, {3, "12じ0ふん", "12"}};
        for (const auto &q : next) {
            mark = sound->played().size();
            QTest::mouseClick(w.Command1, Qt::LeftButton);
            QVERIFY(w.Label2->isHidden());
            QCOMPARE(w.Label1[q.label]->text(), QString::fromUtf8(q.text));
            QTRY_COMPARE(sound->playedSince(mark), QStringList{WHAT_TIME});
            QVERIFY(w.Command1->isHidden());
            mark = sound->played().size();
            QTest::mouseClick(w.Label1[q.label], Qt::LeftButton);
            QCOMPARE(w.Label2->text(), QString::fromUtf8(q.text));
            QTRY_VERIFY(!w.Command1->isHidden());
            QCOMPARE(sound->playedSince(mark), spoken(q.hour, "0"));
        }
        QCOMPARE(captions(w), expectedLabels(12, 0, 3));
        QCOMPARE(w.Label3->text(), QStringLiteral("クリア　3"));
        w.unloadForm();
    }

    void timer1SetsOneFreshQuestionAfterASecond()
    {
        scriptQuestion(random, 3, 15, 2);
        scriptQuestion(random, 9, 40, 1);
        ClockWindow *window = nullptr;
        QStringList heardWith;
        qint64 promptEnded = -1;
        QElapsedTimer clock;
        // The question prompt takes longer than Timer1's second.
        WatchedSound watch;
        watch.onPlay = [&](const QString &name) {
            if (name != WHAT_TIME)
                return;
            heardWith = captions(*window);
            QThread::msleep(1300);
            promptEnded = clock.elapsed();
        };
        ClockWindow w;
        window = &w;
        clock.start();
        w.showForm();
        const QImage loadFace = w.surface().copy();
        QCOMPARE(captions(w), expectedLabels(3, 15, 2));
        QTRY_COMPARE_WITH_TIMEOUT(captions(w), expectedLabels(9, 40, 1), 4000);
        const qint64 changed = clock.elapsed();
        QVERIFY(changed >= 1000);
        QVERIFY(promptEnded > 0 && changed >= promptEnded); // the prompt finished first
        QCOMPARE(heardWith, expectedLabels(3, 15, 2));
        QCOMPARE(w.ANS_NO, 1);
        QVERIFY(w.surface() != loadFace);
        QVERIFY(!w.Timer1->isActive() && !w.Timer2->isActive());
        // No second prompt; the button stays as the prompt left it.
        QVERIFY(w.Command1->isHidden() && w.Command1->isEnabled());
        QTest::qWait(1200);
        QCOMPARE(watch.events, QStringList({"open", "play " + WHAT_TIME}));
        QCOMPARE(captions(w), expectedLabels(9, 40, 1));
        QCOMPARE(random->remaining(), std::size_t(0));
        w.unloadForm();
    }

    void closingWritesOneRowPerScoredSitting()
    {
        SystemClock::setFixedNow(QDateTime(QDate(2001, 4, 27), QTime(9, 5, 3)));
        WatchedSound watch;
        QStringList rowsAtClose;
        watch.onClose = [&] { rowsAtClose << Kit::dbRows(QStringLiteral("SELECT COUNT(*) FROM LOG")); };

        // A sitting without a right answer leaves no row.
        scriptQuestion(random, 3, 15, 2);
        ClockWindow w;
        w.showForm();
        w.Timer1->stop();
        QTRY_VERIFY(w.Command1->isHidden());
        QTest::mouseClick(w.Label1[6], Qt::LeftButton);
        w.unloadForm();
        QVERIFY(!w.isLoaded());
        QCOMPARE(watch.events.last(), QStringLiteral("close"));
        QCOMPARE(Kit::dbRows(QStringLiteral("SELECT * FROM LOG")), QStringList{});

        // Opening again starts a new sitting; three right answers write one row,
        // after the device has been closed.
        watch.events.clear();
        scriptQuestion(random, 4, 20, 0);
        scriptQuestion(random, 10, 55, 3);
        scriptQuestion(random, 1, 5, 1);
        w.showForm();
        w.Timer1->stop();
        QCOMPARE(w.Label3->text(), QStringLiteral("クリア　0"));
        QVERIFY(!w.Command1->isHidden()); // visible again, whatever the last sitting left
        for (int q = 0; q < 3; ++q) {
            QTRY_VERIFY(w.Command1->isHidden());
            answerRight(w);
            if (q < 2)
                QTest::mouseClick(w.Command1, Qt::LeftButton);
        }
        QCOMPARE(w.Label3->text(), QStringLiteral("クリア　3"));
        w.unloadForm();
        QCOMPARE(watch.events.first(), QStringLiteral("open"));
        QCOMPARE(watch.events.last(), QStringLiteral("close"));
        QCOMPARE(rowsAtClose, QStringList({"0", "0"}));
        QCOMPARE(Kit::dbRows(QStringLiteral("SELECT 日時, 科目, 得点 FROM LOG")),
                 QStringList{QStringLiteral("2001/04/27 9:05:03|とけい|3")});
        QCOMPARE(dialogs->told, QStringList{});
        QVERIFY(!w.Timer1->isActive() && !w.Timer2->isActive() && !w.Timer3->isActive());
    }

    void failuresAreReportedOrSkipped()
    {
        // The database file has gone by the time the window closes: one
        // message, no crash, and no file made in its place.
        QVERIFY(QFile::remove(SqliteFile::defaultPath()));
        scriptQuestion(random, 8, 35, 3);
        {
            ClockWindow w;
            openAndHearPrompt(w, *sound);
            answerRight(w);
            w.unloadForm();
            QVERIFY(!w.isLoaded());
        }
        QCOMPARE(dialogs->told.size(), 1);
        QVERIFY(dialogs->told.first().contains(QStringLiteral("ADO_ZEM.MDB")));
        QVERIFY(!QFileInfo::exists(SqliteFile::defaultPath()));

        // No prompt files at all, through the real sound device: the prompts
        // are skipped quietly and the sitting goes on as before.
        TestSetup::createDatabase();
        sound.reset();
        QTemporaryDir empty;
        AppInfo::setProgramFolder(empty.path());
        scriptQuestion(random, 2, 10, 1);
        scriptQuestion(random, 11, 45, 0);
        ClockWindow w;
        w.showForm();
        w.Timer1->stop();
        QTRY_VERIFY(w.Command1->isHidden());
        QTest::mouseClick(w.Label1[3], Qt::LeftButton);
        QCOMPARE(w.CLEAR_CNT, 0);
        answerRight(w);
        QCOMPARE(w.CLEAR_CNT, 1);
        QTest::mouseClick(w.Command1, Qt::LeftButton);
        QCOMPARE(w.Label1[0]->text(), QStringLiteral("11じ45ふん"));
        w.unloadForm();
        QCOMPARE(Kit::dbRows(QStringLiteral("SELECT 得点 FROM LOG")), QStringList{"1"});
        QCOMPARE(dialogs->told.size(), 1);
    }

    void eventsHandledWhileAWrongTimeIsDrawnAgain()
    {
        scriptQuestion(random, 3, 15, 2);
        ClockWindow w;
        openAndHearPrompt(w, *sound);
        answerRight(w);

        // A click waiting on label 1 is handled while label 0's time is drawn
        // again; it is judged against the question being set (5:30 on label 1).
        ScriptedRandom *fresh = ScriptedRandom::install();
        fresh->draws({5, 30, 1, 5, 30, 7, 30});
        for (int k = 2; k <= 7; ++k)
            fresh->draws({(5 + k) % 12, 30});
        int mark = sound->played().size();
        Kit::postClick(w.Label1[1]);
        w.Command1_Click();
        QCOMPARE(w.CLEAR_CNT, 2);
        QCOMPARE(w.Label2->text(), QStringLiteral("5じ30ふん"));
        QCOMPARE(sound->playedSince(mark).value(0), QStringLiteral("OK.WAV"));
        QCOMPARE(fresh->remaining(), std::size_t(0));
        QTest::qWait(50);

        // A click on "次(つぎ)" waiting there asks for the next question only
        // once this one is complete: labels and face belong to one question.
        QTRY_VERIFY(!w.Command1->isHidden() && w.Command1->isEnabled());
        fresh->draws({8, 40, 2, 8, 40});
        for (int k = 1; k <= 7; ++k)
            fresh->draws({(8 + k) % 12, 40});
        scriptQuestion(fresh, 10, 20, 3);
        Kit::postClick(w.Command1);
        w.Command1_Click();
        QCOMPARE(fresh->remaining(), std::size_t(0));
        QCOMPARE(captions(w), expectedLabels(10, 20, 3));
        QCOMPARE(QStringList({QString::number(w.ANS_NO), w.HOUR_TXT, w.MIN_TXT}), QStringList({"3", "10", "20"}));
        QImage expected(w.surface().size(), QImage::Format_RGB32);
        ClockFace::draw(expected, 10, 20, w.CLK_SIZE, w.font(), ClockWindow::fontPoints, false);
        QCOMPARE(w.surface(), expected);
        mark = sound->played().size();
        QTRY_COMPARE(sound->playedSince(mark).value(0), WHAT_TIME);
        w.unloadForm();
    }

    void resizingClearsTheFaceUntilTheNextQuestion()
    {
        for (int q = 0; q < 3; ++q)
            scriptQuestion(random, 3, 0, 0);
        ClockWindow w;
        w.showForm();
        w.Timer1->stop();
        w.Timer2->stop();
        QVERIFY(countColour(w.surface(), QRect(0, 0, 435, 536), red) > 50);

        // Wider than high: the size is the height, the centre still at (W/2, W/2 - 400).
        w.setFixedSize(QSize(500, 400));
        QCOMPARE(w.surface().size(), QSize(500, 400));
        QCOMPARE(countColour(w.surface(), QRect(0, 0, 500, 400), green), 500 * 400);
        QCOMPARE(w.CLK_SIZE, 6000.0);
        w.frm_dsp();
        // Centre (3750, 3350) twips: the hour hand of 3:00 runs right for
        // 1200 twips (80 px) from (250, 223.3).
        const QImage face = w.surface();
        QCOMPARE(face.pixelColor(248, 222), QColor(0, 0, 0)); // centre dot
        QVERIFY(countColour(face, QRect(300, 221, 20, 5), red) >= 15);
        QCOMPARE(countColour(face, QRect(333, 218, 8, 10), red), 0);
        QCOMPARE(w.grab().toImage().pixelColor(248, 222), QColor(0, 0, 0)); // the window shows it

        // A minimised window's face has no ring labels ("00ふん" at the top).
        w.setFixedSize(w.designSize());
        w.setWindowState(Qt::WindowMinimized);
        QVERIFY(w.isMinimized());
        w.frm_dsp();
        QCOMPARE(countColour(w.surface(), QRect(195, 21, 55, 17), green), 55 * 17);
        QVERIFY(countColour(w.surface(), QRect(0, 0, 435, 536), blue) > 50);
        w.setWindowState(Qt::WindowNoState);
        w.unloadForm();
    }
};

QTEST_MAIN(TestClock)
#include "test_clock.moc"
