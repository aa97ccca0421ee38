// The questions of the six number drills: which draws are taken in which
// order, the cases settled without a draw, and, over many seeded questions,
// that every question can be answered by clicking one of the window's tiles.

#include "drill/drill_window.h"
#include "platform/project_globals.h"
#include "platform/random_draw.h"
#include "platform/seeded_random_source.h"
#include "support/fake_dialogs.h"
#include "support/recording_sound_device.h"
#include "support/scripted_random.h"
#include "support/temp_work_dir.h"
#include "support/test_setup.h"

#include <QtTest>

#include <map>
#include <memory>
#include <set>

class TestDrillKinds : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempWorkDir> dir;
    std::unique_ptr<RecordingSound> sound;
    ScriptedRandom *random = nullptr;

    std::unique_ptr<DrillWindow> openDrill(const QString &windowName)
    {
        const DrillKind *kind = DrillKind::find(windowName);
        ProjectGlobals::instance().currentDrillName = kind ? kind->caption() : QString();
        auto window = std::make_unique<DrillWindow>(windowName);
        window->showForm();
        return window;
    }

    // The question a window shows after posing one more with the given draws.
    static QStringList posed(DrillWindow &w, ScriptedRandom *random, std::initializer_list<int> draws,
                             int *taken)
    {
        random->draws(draws);
        const int before = random->taken();
        w.Command1_Click();
        *taken = random->taken() - before;
        return {w.Label1[0]->text(), w.Label2->text(), w.Label1[1]->text(), w.Label4->text(),
                w.Label5->text()};
    }

private slots:
    void initTestCase() { TestSetup::application(); }

    void init()
    {
        dir = std::make_unique<TempWorkDir>();
        sound = std::make_unique<RecordingSound>();
        FakeDialogs::install();
        random = ScriptedRandom::install();
        TestSetup::createDatabase();
    }

    void cleanup()
    {
        Dialogs::install(nullptr);
        sound.reset();
        dir.reset();
    }

    void windowsStartAsDesigned()
    {
        const struct
        {
            const char *windowName;
            const char *caption;
            const char *sign;
            const char *word;
            const char *label5;
        } designs[] = {
            {"たしざん10", "たしざん１０", "＋", "たす", "？"},
            {"たして10", "たして１０", "＋", "たす", "10"},
            {"たしざん20", "たしざん２０", "＋", "たす", "？"},
            {"ひきざん10", "ひきざん１０", "－", "ひく", "？"},
            {"ひいて10", "ひいて１０", "－", "ひく", "？"},
            {"ひきざん20", "ひきざん２０", "－", "ひく", "？"},
        };
        for (const auto &d : designs) {
            DrillWindow w(QString::fromUtf8(d.windowName));
            QCOMPARE(w.windowTitle(), QString::fromUtf8(d.caption));
            QCOMPARE(w.Label2->text(), QString::fromUtf8(d.sign));
            QCOMPARE(w.Label7->text(), QString::fromUtf8(d.word));
            QCOMPARE(w.Label8->text(), QStringLiteral("は"));
            QCOMPARE(w.Label4->text(), QStringLiteral("＝"));
            QCOMPARE(w.Label5->text(), QString::fromUtf8(d.label5));
            QCOMPARE(w.Label1[0]->text(), QStringLiteral("10"));
            QCOMPARE(w.Label3->text(), QStringLiteral("Label3"));
            QCOMPARE(w.Command1->text(), QStringLiteral("次（つぎ）"));
            QCOMPARE(w.Command1->accessibleName(), QStringLiteral("次（つぎ）"));
            QCOMPARE(w.Label2->accessibleName(), w.Label2->text());
            QVERIFY(!w.Timer1->isActive());
            QCOMPARE(w.Timer1->interval(), 1);
        }
        QCOMPARE(DrillKind::find(QStringLiteral("とけい")), nullptr);
    }

    void additionDraws()
    {
        auto w = openDrill(QStringLiteral("たしざん10"));
        int taken = 0;
        // a by a draw modulo 11, b modulo (11 - a): 14 mod 11 = 3, 12 mod 8 = 4.
        QCOMPARE(posed(*w, random, {14, 12}, &taken), QStringList({"3", "＋", "4", "＝", "？"}));
        QCOMPARE(taken, 2);
        // 10 + 0 is settled without a second draw.
        QCOMPARE(posed(*w, random, {10, 5}, &taken), QStringList({"10", "＋", "0", "＝", "？"}));
        QCOMPARE(taken, 1);
        QCOMPARE(random->remaining(), std::size_t(1));
        QCOMPARE(posed(*w, random, {0}, &taken), QStringList({"5", "＋", "0", "＝", "？"}));
        QCOMPARE(taken, 2); // 5 first, then 0 mod 6

        auto twenty = openDrill(QStringLiteral("たしざん20"));
        // a modulo 21, b modulo (21 - a): 26 mod 21 = 5, 23 mod 16 = 7.
        QCOMPARE(posed(*twenty, random, {26, 23}, &taken), QStringList({"5", "＋", "7", "＝", "？"}));
        QCOMPARE(taken, 2);
        QCOMPARE(posed(*twenty, random, {20}, &taken), QStringList({"20", "＋", "0", "＝", "？"}));
        QCOMPARE(taken, 1);
        QTRY_VERIFY(!twenty->Timer1->isActive());
        QTest::mouseClick(twenty->Label6[20], Qt::LeftButton);
        QCOMPARE(twenty->Label5->text(), QStringLiteral("20"));
        w->unloadForm();
        twenty->unloadForm();
    }

    void subtractionDraws()
    {
        auto w = openDrill(QStringLiteral("ひきざん10"));
        int taken = 0;
        // a modulo 11, then b modulo a: 16 mod 11 = 5, 8 mod 5 = 3.
        QCOMPARE(posed(*w, random, {16, 8}, &taken), QStringList({"5", "－", "3", "＝", "？"}));
        QCOMPARE(taken, 2);
        // b never equals a once a is 2 or more: 5 mod 5 = 0.
        QCOMPARE(posed(*w, random, {5, 5}, &taken), QStringList({"5", "－", "0", "＝", "？"}));
        // a = 1 draws modulo 2: 3 mod 2 = 1, so 1 - 1 can be asked.
        QCOMPARE(posed(*w, random, {1, 3}, &taken), QStringList({"1", "－", "1", "＝", "？"}));
        QCOMPARE(taken, 2);
        // a = 0 is always 0 - 0, without a second draw.
        QCOMPARE(posed(*w, random, {0}, &taken), QStringList({"0", "－", "0", "＝", "？"}));
        QCOMPARE(taken, 1);

        auto twenty = openDrill(QStringLiteral("ひきざん20"));
        // 36 mod 21 = 15, 29 mod 15 = 14.
        QCOMPARE(posed(*twenty, random, {36, 29}, &taken), QStringList({"15", "－", "14", "＝", "？"}));
        QCOMPARE(taken, 2);

        auto ten = openDrill(QStringLiteral("ひいて10"));
        // Only b is drawn, modulo 11: 15 mod 11 = 4; the first number stays 10.
        QCOMPARE(posed(*ten, random, {15}, &taken), QStringList({"10", "－", "4", "＝", "？"}));
        QCOMPARE(taken, 1);
        QCOMPARE(posed(*ten, random, {0}, &taken), QStringList({"10", "－", "0", "＝", "？"}));
        w->unloadForm();
        twenty->unloadForm();
        ten->unloadForm();
    }

    void makeTenDraws()
    {
        auto w = openDrill(QStringLiteral("たして10"));
        int taken = 0;
        // The side by a draw modulo 2, then the given number modulo 10: 13 mod 10 = 3.
        QCOMPARE(posed(*w, random, {0, 13}, &taken), QStringList({"3", "＋", "？", "＝", "10"}));
        QCOMPARE(taken, 2);
        QCOMPARE(posed(*w, random, {3, 7}, &taken), QStringList({"？", "＋", "7", "＝", "10"}));
        // The given number is never 10: 10 mod 10 = 0.
        QCOMPARE(posed(*w, random, {1, 10}, &taken), QStringList({"？", "＋", "0", "＝", "10"}));
        QTRY_VERIFY(!w->Timer1->isActive());
        QTest::mouseClick(w->Label6[10], Qt::LeftButton);
        QCOMPARE(w->Label1[0]->text(), QStringLiteral("10"));
        QCOMPARE(w->CLEAR_CNT, 1);
        w->unloadForm();
    }

    void seededQuestionsAreAllAnswerable()
    {
        const char *windowNames[] = {"たしざん10", "たして10", "たしざん20",
                                     "ひきざん10", "ひいて10", "ひきざん20"};
        const int questions = 600;
        for (const char *name : windowNames) {
            const QString windowName = QString::fromUtf8(name);
            RandomDraw::setSource(std::make_unique<SeededRandomSource>(20010427));
            auto w = openDrill(windowName);
            const int limit = w->Label6.size() - 1;
            std::map<int, int> answers;
            int unknownLeft = 0;
            for (int q = 0; q < questions; ++q) {
                w->Command1_Click();
                const QString first = w->Label1[0]->text();
                const QString second = w->Label1[1]->text();
                const QString result = w->Label5->text();
                int expected = -1;
                QLabel *unknown = w->Label5;
                if (w->kind().posing() == DrillKind::Posing::MakeTen) {
                    QCOMPARE(result, QStringLiteral("10"));
                    QVERIFY((first == "？") != (second == "？"));
                    unknown = first == "？" ? w->Label1[0] : w->Label1[1];
                    const int given = (first == "？" ? second : first).toInt();
                    QVERIFY2(given >= 0 && given <= 9, qPrintable(first + " " + second));
                    unknownLeft += first == "？";
                    expected = 10 - given;
                } else {
                    QCOMPARE(result, QStringLiteral("？"));
                    const int a = first.toInt();
                    const int b = second.toInt();
                    QVERIFY(a >= 0 && a <= limit && b >= 0);
                    if (w->kind().operation() == DrillKind::Operation::Add) {
                        expected = a + b;
                    } else {
                        if (w->kind().posing() == DrillKind::Posing::TenMinus)
                            QCOMPARE(first, QStringLiteral("10"));
                        else // the second number is below the first, but for 0 - 0 and 1 - 1
                            QVERIFY2(b < a || a <= 1, qPrintable(first + " " + second));
                        expected = a - b;
                    }
                }
                QVERIFY2(expected >= 0 && expected <= limit, qPrintable(QString::number(expected)));
                ++answers[expected];
                // The tile showing the answer, clicked with the mouse, is right.
                ClickLabel *tile = nullptr;
                for (ClickLabel *t : w->Label6) {
                    if (t->text() == QString::number(expected))
                        tile = t;
                }
                QVERIFY(tile);
                const int before = w->CLEAR_CNT;
                QTest::mouseClick(tile, Qt::LeftButton);
                QCOMPARE(w->CLEAR_CNT, before + 1);
                QCOMPARE(unknown->text(), QString::number(expected));
            }
            // Every answer the kind allows turns up.
            const int lowest = w->kind().posing() == DrillKind::Posing::MakeTen ? 1 : 0;
            QCOMPARE(int(answers.size()), limit + 1 - lowest);
            QCOMPARE(answers.begin()->first, lowest);
            if (w->kind().posing() == DrillKind::Posing::MakeTen)
                QVERIFY2(unknownLeft > questions / 3 && unknownLeft < questions * 2 / 3,
                         qPrintable(QString::number(unknownLeft)));
            QCOMPARE(w->Label3->text(), QStringLiteral("クリア　%1").arg(questions));
            w->unloadForm();
        }
    }
};

QTEST_MAIN(TestDrillKinds)
#include "test_drill_kinds.moc"
