// The questions of the six number drills: which draws are taken in which order,
// the cases settled without a draw, and, over many seeded questions, that every
// question can be answered by clicking one of the window's tiles.
#include "drill/drill_window.h"
#include "platform/random_draw.h"
#include "platform/seeded_random_source.h"
#include "support/fake_dialogs.h"
#include "support/recording_sound_device.h"
#include "support/scripted_random.h"
#include "support/sandboxed_test.h"
#include "support/test_kit.h"
#include "support/test_setup.h"

#include <QtTest>

#include <map>
#include <memory>
#include <vector>

class TestDrillKinds : public SandboxedTest
{
    Q_OBJECT


private slots:
    void initTestCase() { TestSetup::application(); }

    void init() { enterSandbox(); }

    void cleanup() { leaveSandbox(); }

    void windowsStartAsDesigned()
    {
        // Window name -> caption, sign, its word, and Label5 before the first question.
        const char *designs[][2] = {
            {"たしざん10", "たしざん１０ ＋ たす ？"}, {"たして10", "たして１０ ＋ たす 10"},
            {"たしざん20", "たしざん２０ ＋ たす ？"}, {"ひきざん10", "ひきざん１０ － ひく ？"},
            {"ひいて10", "ひいて１０ － ひく ？"},     {"ひきざん20", "ひきざん２０ － ひく ？"},
        };
        for (const auto &d : designs) {
            DrillWindow w(QString::fromUtf8(d[0]));
            QCOMPARE(QStringList({w.windowTitle(), w.Label2->text(), w.Label7->text(), w.Label5->text()})
                         .join(' '),
                     QString::fromUtf8(d[1]));
            QCOMPARE(w.Label2->accessibleName(), w.Label2->text());
            QCOMPARE(w.Command1->accessibleName(), QStringLiteral("次（つぎ）"));
        }
        QCOMPARE(DrillKind::find(QStringLiteral("とけい")), nullptr);
    }

    void drawsMakeTheQuestion()
    {
        // Each step poses one question from the given draws and must take
        // exactly `taken` of them, in order.
        struct Step
        {
            const char *window;
            std::vector<int> draws;
            const char *question;
            int taken;
        };
        const Step steps[] = {
            // a modulo 11, b modulo (11 - a): 14 mod 11 = 3, 12 mod 8 = 4.
            {"たしざん10", {14, 12}, "3＋4＝？", 2},
            {"たしざん10", {10, 5}, "10＋0＝？", 1}, // settled without a second draw; 5 is left
            {"たしざん10", {0}, "5＋0＝？", 2},      // the 5 left over, then 0 mod 6
            {"たしざん20", {26, 23}, "5＋7＝？", 2}, // 26 mod 21, 23 mod 16
            {"たしざん20", {20}, "20＋0＝？", 1},
            // a modulo 11, then b modulo a: 16 mod 11 = 5, 8 mod 5 = 3.
            {"ひきざん10", {16, 8}, "5－3＝？", 2},
            {"ひきざん10", {5, 5}, "5－0＝？", 2},   // b never equals a once a is 2 or more
            {"ひきざん10", {1, 3}, "1－1＝？", 2},   // a = 1 draws modulo 2
            {"ひきざん10", {0}, "0－0＝？", 1},      // a = 0 needs no second draw
            {"ひきざん20", {36, 29}, "15－14＝？", 2},
            // Only b is drawn, modulo 11; the first number stays 10.
            {"ひいて10", {15}, "10－4＝？", 1},
            {"ひいて10", {0}, "10－0＝？", 1},
            // The side by a draw modulo 2, then the given number modulo 10 (never 10).
            {"たして10", {0, 13}, "3＋？＝10", 2},
            {"たして10", {3, 7}, "？＋7＝10", 2},
            {"たして10", {1, 10}, "？＋0＝10", 2},
        };
        std::map<QString, std::unique_ptr<DrillWindow>> windows;
        for (const Step &s : steps) {
            const QString name = QString::fromUtf8(s.window);
            if (!windows.count(name))
                windows[name] = Kit::openDrill(name);
            DrillWindow &w = *windows[name];
            for (int d : s.draws)
                random->draws({d});
            const int before = random->taken();
            w.Command1_Click();
            QCOMPARE(Kit::equation(w).join(QString()), QString::fromUtf8(s.question));
            QCOMPARE(random->taken() - before, s.taken);
        }
        for (auto &[name, w] : windows)
            w->unloadForm();
    }

    void seededQuestionsAreAllAnswerable()
    {
        const int questions = 600;
        for (const char *name : {"たしざん10", "たして10", "たしざん20", "ひきざん10", "ひいて10", "ひきざん20"}) {
            RandomDraw::setSource(std::make_unique<SeededRandomSource>(20010427));
            auto w = Kit::openDrill(QString::fromUtf8(name));
            const DrillKind &kind = w->kind();
            const bool makeTen = kind.posing() == DrillKind::Posing::MakeTen;
            const int limit = w->Label6.size() - 1;
            std::map<int, int> answers;
            int unknownLeft = 0;
            for (int q = 0; q < questions; ++q) {
                w->Command1_Click();
                const QString first = w->Label1[0]->text(), second = w->Label1[1]->text();
                const QString shown = first + " " + second;
                const int a = first.toInt(), b = second.toInt();
                int expected = -1;
                QLabel *unknown = w->Label5;
                if (makeTen) {
                    QCOMPARE(w->Label5->text(), QStringLiteral("10"));
                    QVERIFY((first == "？") != (second == "？"));
                    unknown = first == "？" ? w->Label1[0] : w->Label1[1];
                    const int given = first == "？" ? b : a;
                    QVERIFY2(given >= 0 && given <= 9, qPrintable(shown));
                    unknownLeft += first == "？";
                    expected = 10 - given;
                } else {
                    QCOMPARE(w->Label5->text(), QStringLiteral("？"));
                    QVERIFY(a >= 0 && a <= limit && b >= 0);
                    if (kind.operation() == DrillKind::Operation::Add)
                        expected = a + b;
                    else if (kind.posing() == DrillKind::Posing::TenMinus)
                        QCOMPARE(first, QStringLiteral("10"));
                    else // the second number is below the first, but for 0 - 0 and 1 - 1
                        QVERIFY2(b < a || a <= 1, qPrintable(shown));
                    if (kind.operation() != DrillKind::Operation::Add)
                        expected = a - b;
                }
                QVERIFY2(expected >= 0 && expected <= limit, qPrintable(shown));
                ++answers[expected];
                // The tile showing the answer, clicked with the mouse, is right.
                ClickLabel *tile = nullptr;
                for (ClickLabel *t : w->Label6)
                    tile = t->text() == QString::number(expected) ? t : tile;
                QVERIFY(tile);
                QTest::mouseClick(tile, Qt::LeftButton);
                QCOMPARE(w->CLEAR_CNT, q + 1);
                QCOMPARE(unknown->text(), QString::number(expected));
            }
            // Every answer the kind allows turns up; either side is left open about half the time.
            const int lowest = makeTen ? 1 : 0;
            QCOMPARE(int(answers.size()), limit + 1 - lowest);
            QCOMPARE(answers.begin()->first, lowest);
            if (makeTen)
                QVERIFY2(unknownLeft > questions / 3 && unknownLeft < questions * 2 / 3,
                         qPrintable(QString::number(unknownLeft)));
            QCOMPARE(w->Label3->text(), QStringLiteral("クリア　%1").arg(questions));
            w->unloadForm();
        }
    }
};

QTEST_MAIN(TestDrillKinds)
#include "test_drill_kinds.moc"
