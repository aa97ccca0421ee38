// The number-drill window as a child uses it: tiles clicked with the mouse,
// the reading heard through a recording sound device, the results row in the
// real database file, and the window's drawing checked pixel by pixel.

#include "drill/drill_window.h"
#include "platform/app_info.h"
#include "platform/project_globals.h"
#include "platform/system_clock.h"
#include "platform/twips.h"
#include "support/fake_dialogs.h"
#include "support/recording_sound_device.h"
#include "support/scripted_random.h"
#include "support/sqlite_file.h"
#include "support/temp_work_dir.h"
#include "support/test_setup.h"

#include <QFile>
#include <QFileInfo>
#include <QtTest>

#include <functional>
#include <memory>

namespace {
const QString ngOnly = QStringLiteral("NG.WAV");
const QString okChime = QStringLiteral("OK.WAV");
const QString rowQuery = QStringLiteral("SELECT 日時, 科目, 得点 FROM LOG");

QString fullWidthSpace()
{
    return QString(QChar(0x3000));
}

// A sound device that lets a test look at the window while a prompt plays or
// when the device is closed.
struct Watch
{
    std::function<void(const QString &)> onPlay;
    std::function<void()> onClose;
};

class WatchingDevice : public SoundDevice
{
public:
    explicit WatchingDevice(Watch &watch) : watch_(watch) {}
    void open() override { open_ = true; }
    void play(const QString &path) override
    {
        if (watch_.onPlay)
            watch_.onPlay(QFileInfo(path).fileName());
    }
    void close() override
    {
        open_ = false;
        if (watch_.onClose)
            watch_.onClose();
    }
    bool isOpen() const override { return open_; }

private:
    Watch &watch_;
    bool open_ = false;
};

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

QPoint inside(double left, double top)
{
    // A few pixels into a control, clear of its border and its text.
    return QPoint(Twips::toPixels(left) + 3, Twips::toPixels(top) + 3);
}
} // namespace

class TestDrillWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempWorkDir> dir;
    std::unique_ptr<RecordingSound> sound;
    FakeDialogs *dialogs = nullptr;
    ScriptedRandom *random = nullptr;

    // Opens a drill as the menu does: the drill name first, then the window.
    std::unique_ptr<DrillWindow> openDrill(const QString &windowName, const QString &drillName)
    {
        ProjectGlobals::instance().currentDrillName = drillName;
        auto window = std::make_unique<DrillWindow>(windowName);
        window->showForm();
        return window;
    }

    static void finishReading(DrillWindow &w)
    {
        QTRY_VERIFY(!w.Timer1->isActive());
    }

    static void clickTile(DrillWindow &w, int index)
    {
        QTest::mouseClick(w.Label6[index], Qt::LeftButton);
    }

    static QStringList equation(const DrillWindow &w)
    {
        return {w.Label1[0]->text(), w.Label2->text(), w.Label1[1]->text(), w.Label4->text(),
                w.Label5->text()};
    }

private slots:
    void initTestCase() { TestSetup::application(); }

    void init()
    {
        dir = std::make_unique<TempWorkDir>();
        sound = std::make_unique<RecordingSound>();
        dialogs = FakeDialogs::install();
        random = ScriptedRandom::install();
        SystemClock::setFixedNow(QDateTime(QDate(2001, 4, 27), QTime(9, 5, 3)));
        TestSetup::createDatabase();
    }

    void cleanup()
    {
        SystemClock::setFixedNow(std::nullopt);
        Dialogs::install(nullptr);
        sound.reset();
        dir.reset();
    }

    void wrongAndRightTiles()
    {
        random->draws({3, 4});
        auto w = openDrill(QStringLiteral("たしざん10"), QStringLiteral("たしざん１０"));
        finishReading(*w);
        QCOMPARE(equation(*w), QStringList({"3", "＋", "4", "＝", "？"}));
        QCOMPARE(w->Label3->text(), QStringLiteral("クリア") + fullWidthSpace() + "0");
        QVERIFY(w->Command1->isHidden());

        // Three wrong tiles: one NG each, nothing else.
        int heard = sound->played().size();
        for (int tile : {5, 0, 10}) {
            clickTile(*w, tile);
            QCOMPARE(sound->playedSince(heard), QStringList({ngOnly}));
            heard = sound->played().size();
            QCOMPARE(w->Label5->text(), QStringLiteral("？"));
            QCOMPARE(w->CLEAR_CNT, 0);
            QCOMPARE(w->Label3->text(), QStringLiteral("クリア　0"));
            QVERIFY(!w->Timer1->isActive());
            QVERIFY(w->Command1->isHidden());
        }

        // The right tile completes the equation, chimes, counts, and is read.
        clickTile(*w, 7);
        QCOMPARE(w->Label5->text(), QStringLiteral("7"));
        QCOMPARE(w->Label5->accessibleName(), QStringLiteral("7"));
        QCOMPARE(sound->playedSince(heard), QStringList({okChime}));
        QCOMPARE(w->CLEAR_CNT, 1);
        QCOMPARE(w->Label3->text(), QStringLiteral("クリア　1"));
        QCOMPARE(w->Label3->text().at(3), QChar(0x3000));
        QVERIFY(w->Timer1->isActive());
        finishReading(*w);
        QCOMPARE(sound->playedSince(heard),
                 QStringList({okChime, "3.WAV", "＋.WAV", "4.WAV", "＝.WAV", "7.WAV"}));
        QVERIFY(w->Command1->isVisible());
        QVERIFY(w->Command1->isEnabled());

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
        auto make = openDrill(QStringLiteral("たして10"), QStringLiteral("たして１０"));
        finishReading(*make);
        QCOMPARE(equation(*make), QStringList({"？", "＋", "3", "＝", "10"}));
        int heard = sound->played().size();
        clickTile(*make, 3);
        clickTile(*make, 10);
        QCOMPARE(sound->playedSince(heard), QStringList({ngOnly, ngOnly}));
        clickTile(*make, 7);
        finishReading(*make);
        QCOMPARE(equation(*make), QStringList({"7", "＋", "3", "＝", "10"}));
        QCOMPARE(sound->playedSince(heard + 2),
                 QStringList({okChime, "7.WAV", "＋.WAV", "3.WAV", "＝.WAV", "10.WAV"}));
        heard = sound->played().size();
        clickTile(*make, 7);
        QCOMPARE(sound->played().size(), heard);
        QCOMPARE(make->CLEAR_CNT, 1);
        make->unloadForm();

        // ひいて10: 10 － 10 is answered by tile 0, and every reading starts with 10.
        random->draws({10});
        auto from = openDrill(QStringLiteral("ひいて10"), QStringLiteral("ひいて１０"));
        finishReading(*from);
        QCOMPARE(sound->playedSince(heard),
                 QStringList({"10.WAV", "－.WAV", "10.WAV", "＝.WAV", "？.WAV"}));
        clickTile(*from, 0);
        finishReading(*from);
        QCOMPARE(equation(*from), QStringList({"10", "－", "10", "＝", "0"}));
        QCOMPARE(from->CLEAR_CNT, 1);
        from->unloadForm();

        // ひきざん20: 15 － 9 over the second row of tiles.
        random->draws({15, 9});
        auto sub = openDrill(QStringLiteral("ひきざん20"), QStringLiteral("ひきざん２０"));
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
        Watch watch;
        SoundDevice::setFactory([&watch] { return std::make_unique<WatchingDevice>(watch); });
        random->draws({2, 5});
        ProjectGlobals::instance().currentDrillName = QStringLiteral("たしざん１０");
        DrillWindow w(QStringLiteral("たしざん10"));
        PaintWatcher result;
        w.Label5->installEventFilter(&result);

        struct Heard
        {
            QString file;
            QString painted;
            QString shown;
            bool nextEnabled;
        };
        std::vector<Heard> heard;
        watch.onPlay = [&](const QString &file) {
            heard.push_back({file, result.painted, w.Label5->text(), w.Command1->isEnabled()});
        };

        w.showForm();
        QVERIFY(w.Command1->isVisible()); // visible while the first reading is pending
        finishReading(w);
        QCOMPARE(heard.size(), std::size_t(5));
        for (const Heard &h : heard) {
            QVERIFY2(!h.nextEnabled, qPrintable(h.file));
            QCOMPARE(h.painted, QStringLiteral("？")); // on the screen before it is heard
        }
        QVERIFY(w.Command1->isHidden());
        QVERIFY(w.Command1->isEnabled());

        heard.clear();
        clickTile(w, 7);
        finishReading(w);
        QCOMPARE(heard.size(), std::size_t(6));
        for (const Heard &h : heard) {
            QCOMPARE(h.shown, QStringLiteral("7"));
            QCOMPARE(h.painted, QStringLiteral("7")); // the chime comes with the full equation
        }
        QVERIFY(w.Command1->isVisible());
        QVERIFY(w.Command1->isEnabled());

        // A right tile clicked before the new question's reading started: one
        // reading serves both, and the next question can still be asked.
        random->draws({1, 1});
        QTest::mouseClick(w.Command1, Qt::LeftButton);
        QVERIFY(w.Timer1->isActive());
        clickTile(w, 2);
        QCOMPARE(w.CLEAR_CNT, 2);
        finishReading(w);
        QVERIFY(w.Command1->isVisible());
        QVERIFY(w.Command1->isEnabled());

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
        auto first = openDrill(QStringLiteral("ひきざん10"), QStringLiteral("ひきざん１０"));
        finishReading(*first);
        first->unloadForm();
        QVERIFY(!first->isVisible());
        QCOMPARE(SqliteFile::rows(SqliteFile::defaultPath(), rowQuery), QStringList());
        QCOMPARE(sound->events.last(), QStringLiteral("close"));
        QCOMPARE(sound->openDevices, 0);

        // Three right answers; the device is closed before the row is written.
        Watch watch;
        QStringList rowsAtClose;
        watch.onClose = [&] { rowsAtClose = SqliteFile::rows(SqliteFile::defaultPath(), rowQuery); };
        SoundDevice::setFactory([&watch] { return std::make_unique<WatchingDevice>(watch); });
        random->draws({3, 3});
        auto w = openDrill(QStringLiteral("たしざん10"), QStringLiteral("たしざん１０"));
        finishReading(*w);
        for (int n = 0; n < 3; ++n) {
            clickTile(*w, 6);
            finishReading(*w);
            random->draws({3, 3});
            QTest::mouseClick(w->Command1, Qt::LeftButton);
            finishReading(*w);
        }
        QCOMPARE(w->Label3->text(), QStringLiteral("クリア　3"));
        // Another drill opened meanwhile does not rename this one's results.
        ProjectGlobals::instance().currentDrillName = QStringLiteral("ひいて１０");
        w->unloadForm();
        QCOMPARE(rowsAtClose, QStringList());
        QCOMPARE(SqliteFile::rows(SqliteFile::defaultPath(), rowQuery),
                 QStringList({"2001/04/27 9:05:03|たしざん１０|3"}));
        QCOMPARE(dialogs->told, QStringList());

        // Opened again: a new sitting at 0 with the button as designed.
        sound.reset();
        sound = std::make_unique<RecordingSound>();
        ProjectGlobals::instance().currentDrillName = QStringLiteral("たしざん１０");
        random->draws({9, 1});
        w->showForm();
        QCOMPARE(w->Label3->text(), QStringLiteral("クリア　0"));
        QCOMPARE(w->CLEAR_CNT, 0);
        finishReading(*w);
        QVERIFY(w->Command1->isHidden());
        QCOMPARE(sound->played(), QStringList({"9.WAV", "＋.WAV", "1.WAV", "＝.WAV", "？.WAV"}));

        // Ten and more: a two-digit count and score.
        SystemClock::setFixedNow(QDateTime(QDate(2001, 4, 28), QTime(0, 0, 0)));
        for (int n = 0; n < 12; ++n) {
            clickTile(*w, 10);
            finishReading(*w);
            random->draws({9, 1});
            QTest::mouseClick(w->Command1, Qt::LeftButton);
            finishReading(*w);
        }
        QCOMPARE(w->Label3->text(), QStringLiteral("クリア　12"));
        w->unloadForm();
        QCOMPARE(SqliteFile::rows(SqliteFile::defaultPath(), rowQuery + " ORDER BY 日時"),
                 QStringList({"2001/04/27 9:05:03|たしざん１０|3", "2001/04/28|たしざん１０|12"}));
    }

    void eachWindowRecordsItsOwnCaption()
    {
        random->draws({1, 1, 10});
        auto add = openDrill(QStringLiteral("たしざん20"), QStringLiteral("たしざん２０"));
        auto sub = openDrill(QStringLiteral("ひいて10"), QStringLiteral("ひいて１０"));
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
        QCOMPARE(SqliteFile::rows(SqliteFile::defaultPath(),
                                  QStringLiteral("SELECT 科目, 得点 FROM LOG ORDER BY 科目")),
                 QStringList({"たしざん２０|1", "ひいて１０|1"}));
    }

    void drawingFollowsTheLayout()
    {
        const struct
        {
            const char *windowName;
            double height;
            int tiles;
            double countLeft;
            double countTop;
        } layouts[] = {
            {"たしざん10", 4815, 11, 6480, 3960}, {"たして10", 4815, 11, 6360, 3960},
            {"たしざん20", 5385, 21, 6360, 4560}, {"ひきざん10", 4815, 11, 6480, 3960},
            {"ひいて10", 4815, 11, 6360, 3960},   {"ひきざん20", 5385, 21, 6360, 4560},
        };
        for (const auto &layout : layouts) {
            const QString name = QString::fromUtf8(layout.windowName);
            auto w = openDrill(name, DrillKind::find(name)->caption());
            finishReading(*w);
            const QImage image = w->grab().toImage();
            QCOMPARE(image.size(), QSize(606, Twips::toPixels(layout.height)));
            auto colour = [&image](QPoint p) { return QColor(image.pixel(p)); };

            QCOMPARE(colour({2, 2}), QColor(0, 255, 0));
            QCOMPARE(colour(inside(2520, 1200)), QColor(0, 255, 0)); // sign on green
            QCOMPARE(colour(inside(840, 1200)), DrillWindow::paleYellow);
            QCOMPARE(colour(inside(3840, 1200)), DrillWindow::paleYellow);
            QCOMPARE(colour(inside(6840, 1200)), DrillWindow::paleYellow);
            QCOMPARE(colour(inside(layout.countLeft, layout.countTop)), DrillWindow::yellow);
            QCOMPARE(w->Label6.size(), layout.tiles);
            const QColor border = w->palette().color(QPalette::WindowText);
            for (int i = 0; i < layout.tiles; ++i) {
                const double left = 600 + 720 * (i % 11);
                const double top = i < 11 ? 3120 : 3720;
                QCOMPARE(w->Label6[i]->text(), QString::number(i));
                QCOMPARE(w->Label6[i]->accessibleName(), QString::number(i));
                QCOMPARE(colour(inside(left, top)), DrillWindow::lightOrange);
                // The single flat border, in the window-text colour.
                QCOMPARE(colour(QPoint(Twips::toPixels(left), Twips::toPixels(top) + 10)), border);
            }
            // The second row starts under tile 0; the 10-drills have none.
            QCOMPARE(w->Label6.size() > 11 ? w->Label6[11]->x() : w->Label6[0]->x(),
                     w->Label6[0]->x());
            if (layout.tiles == 11)
                QCOMPARE(colour(inside(600, 3720)), QColor(0, 255, 0));
            QCOMPARE(w->Command1->geometry(),
                     Twips::rect(3720, layout.height == 5385 ? 4440 : 3840, 1575, 735));
            w->unloadForm();
        }
    }

    void unsavedRowIsReportedAndWindowCloses()
    {
        // No database file at all.
        QVERIFY(QFile::remove(SqliteFile::defaultPath()));
        random->draws({1, 1});
        auto w = openDrill(QStringLiteral("たしざん10"), QStringLiteral("たしざん１０"));
        finishReading(*w);
        clickTile(*w, 2);
        finishReading(*w);
        w->unloadForm();
        QVERIFY(!w->isLoaded());
        QVERIFY(!w->isVisible());
        QCOMPARE(dialogs->told.size(), 1);
        QVERIFY(dialogs->told.first().contains(QStringLiteral("たしざん１０")));
        QVERIFY(!QFileInfo::exists(SqliteFile::defaultPath())); // not created behind the user's back

        // A damaged file is reported the same way and left as it was.
        QFile damaged(SqliteFile::defaultPath());
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        const QByteArray junk(4096, 'x');
        damaged.write(junk);
        damaged.close();
        random->draws({1, 1});
        w->showForm();
        finishReading(*w);
        clickTile(*w, 2);
        finishReading(*w);
        w->unloadForm();
        QVERIFY(!w->isLoaded());
        QCOMPARE(dialogs->told.size(), 2);
        QVERIFY(damaged.open(QIODevice::ReadOnly));
        QCOMPARE(damaged.readAll(), junk);
    }

    void missingPromptFilesDoNotMatter()
    {
        // The real sound device with a program folder that holds no prompts.
        sound.reset();
        QTemporaryDir noPrompts;
        const QString folder = AppInfo::programFolder();
        AppInfo::setProgramFolder(noPrompts.path());
        random->draws({4, 5});
        auto w = openDrill(QStringLiteral("たしざん10"), QStringLiteral("たしざん１０"));
        finishReading(*w);
        clickTile(*w, 8);
        QCOMPARE(w->CLEAR_CNT, 0);
        clickTile(*w, 9);
        finishReading(*w);
        QCOMPARE(w->CLEAR_CNT, 1);
        QVERIFY(w->Command1->isVisible());
        w->unloadForm();
        AppInfo::setProgramFolder(folder);
        QCOMPARE(SqliteFile::rows(SqliteFile::defaultPath(), QStringLiteral("SELECT 得点 FROM LOG")),
                 QStringList({"1"}));
    }
};

QTEST_MAIN(TestDrillWindow)
#include "test_drill_window.moc"
