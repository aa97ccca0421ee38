// The score history window on the real database file: the drill list, the
// retention period box and its saving, and damaged or missing files.
#include "platform/program_exit.h"
#include "platform/project_globals.h"
#include "scores/score_window.h"
#include "store/record_database.h"
#include "store/results_log.h"
#include "support/exit_trap.h"
#include "support/fake_dialogs.h"
#include "support/sqlite_file.h"
#include "support/temp_work_dir.h"
#include "support/test_kit.h"
#include "support/test_setup.h"

#include <QButtonGroup>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSqlQueryModel>
#include <QTableView>
#include <QtTest>

#include <memory>

namespace {
const QString saved = QStringLiteral("保存期間を設定しました");
const QString cannotOpen = QStringLiteral("ADO_ZEM.MDBを開けませんでした");

QStringList gridRows(const ScoreWindow &w)
{
    QStringList out;
    const QSqlQueryModel *m = w.gridModel();
    for (int r = 0; r < m->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < m->columnCount(); ++c)
            cells << m->data(m->index(r, c)).toString();
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

void clickOption(ScoreWindow &w, int index)
{
    QTest::mouseClick(w.Option1[index], Qt::LeftButton, {}, QPoint(8, w.Option1[index]->height() / 2));
}

void typeAndSave(ScoreWindow &w, const QString &text)
{
    w.Text1->setText(text);
    QTest::mouseClick(w.Command1, Qt::LeftButton);
}

QString storedPeriod()
{
    return Kit::dbRows(QStringLiteral("SELECT SET_LOG FROM ENV")).join(QLatin1Char(','));
}
} // namespace

class TestScores : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempWorkDir> work_;
    FakeDialogs *dialogs_ = nullptr;

private slots:
    void initTestCase() { TestSetup::application(); }

    void init()
    {
        // A connection removed while the model still reads from it warns here.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("still in use")));
        work_ = std::make_unique<TempWorkDir>();
        TestSetup::globals();
        ProjectGlobals::instance().currentDrillName.clear();
        dialogs_ = FakeDialogs::install();
    }

    void cleanup()
    {
        Dialogs::install(nullptr);
        ProgramExit::setFarewell(nullptr);
        work_.reset();
    }

    void freshDatabaseShowsPeriodAndEmptyGrid()
    {
        TestSetup::createDatabase();
        ScoreWindow w;
        w.showForm();
        QCOMPARE(w.windowTitle(), QStringLiteral("得点"));
        QCOMPARE(w.size(), QSize(614, 494));
        QCOMPARE(w.Text1->text(), QStringLiteral("90"));
        QVERIFY(w.Option1[0]->isChecked());
        QCOMPARE(ProjectGlobals::instance().currentDrillName, QStringLiteral("たしざん１０"));

        const QSqlQueryModel *m = w.gridModel();
        QCOMPARE(m->rowCount(), 0);
        QStringList headers;
        for (int c = 0; c < m->columnCount(); ++c)
            headers << m->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers, QStringList({"日時", "科目", "得点"}));
        // (7335 - 600) x 2500, 3000, 2000 / 9000 twips make 125, 150 and 100 px;
        // the date column is widened from the drill column until a full date
        // and time fits, the total staying as designed.
        const int dateWidth = w.DataGrid1->columnWidth(0);
        QVERIFY(dateWidth >= 125);
        QVERIFY(dateWidth > w.DataGrid1->fontMetrics().horizontalAdvance("2001/04/27 15:00:00"));
        QCOMPARE(dateWidth + w.DataGrid1->columnWidth(1), 275);
        QCOMPARE(w.DataGrid1->columnWidth(2), 100);
        QCOMPARE(w.DataGrid1->editTriggers(), QAbstractItemView::NoEditTriggers);

        // The drills as one exclusive group of options, in this order.
        const QStringList captions = {"たしざん１０", "たして１０", "たしざん２０", "ひきざん１０",
                                      "ひいて１０",   "ひきざん２０", "とけい"};
        for (int i = 0; i < ScoreWindow::drillCount; ++i) {
            QCOMPARE(w.Option1[i]->text(), captions[i]);
            QCOMPARE(w.Option1[i]->accessibleName(), captions[i]);
            QCOMPARE(w.Option1[i]->geometry(), QRect(8, 16 + 32 * i, 89, 33));
            QCOMPARE(w.Option1Group->id(w.Option1[i]), i);
        }
        QVERIFY(w.Option1Group->exclusive());
        QCOMPARE(QList<QRect>({w.DataGrid1->geometry(), w.Text1->geometry(), w.Command1->geometry()}),
                 QList<QRect>({QRect(120, 8, 489, 481), QRect(0, 464, 57, 25), QRect(56, 464, 65, 25)}));
        QCOMPARE(w.Command1->text(), QStringLiteral("日分保存"));

        // Tab order: the options, the grid, the period box, the button.
        QWidget *order[] = {w.Option1[1], w.Option1[2], w.Option1[3], w.Option1[4], w.Option1[5],
                            w.Option1[6], w.DataGrid1, w.Text1, w.Command1};
        QWidget *at = w.Option1[0];
        for (QWidget *next : order) {
            QWidget *step = at->nextInFocusChain();
            while (step->focusPolicy() == Qt::NoFocus || !w.isAncestorOf(step))
                step = step->nextInFocusChain();
            QCOMPARE(step, next);
            at = next;
        }
        QVERIFY(dialogs_->told.isEmpty());
    }

    void fileIsFoundWhateverItsLetterCase()
    {
        TestSetup::createDatabase(QStringLiteral("12"));
        QVERIFY(QFile::rename(SqliteFile::defaultPath(), work_->filePath("ado_zem.mdb")));
        ScoreWindow w;
        w.showForm();
        QCOMPARE(w.Text1->text(), QStringLiteral("12"));
        QVERIFY(dialogs_->told.isEmpty());
        QVERIFY(!QFile::exists(work_->filePath("ADO_ZEM.MDB")));
    }

    void listsOneDrillLatestDayFirst()
    {
        TestSetup::createDatabase();
        const char *rows[][3] = {{"2001/04/26 10:00:00", "たしざん１０", "4"}, {"2001/04/27 15:00:00", "たしざん１０", "7"},
                                 {"2001/04/27 9:05:03", "たしざん１０", "2"},  {"2001/04/27 10:00:00", "とけい", "5"},
                                 {"2001/03/01", "とけい", "1"},                {"2001/04/28 8:00:00", "たして１０", "9"}};
        for (const auto &row : rows)
            QVERIFY(ResultsLog::append(QString::fromUtf8(row[0]), QString::fromUtf8(row[1]), row[2]));

        // Newest day first; within a day the date texts' own order.
        ScoreWindow w;
        w.showForm();
        QCOMPARE(gridRows(w), QStringList({"2001/04/27 9:05:03|たしざん１０|2", "2001/04/27 15:00:00|たしざん１０|7",
                                           "2001/04/26 10:00:00|たしざん１０|4"}));
        clickOption(w, 6);
        QVERIFY(w.Option1[6]->isChecked() && !w.Option1[0]->isChecked());
        QCOMPARE(ProjectGlobals::instance().currentDrillName, QStringLiteral("とけい"));
        QCOMPARE(gridRows(w), QStringList({"2001/04/27 10:00:00|とけい|5", "2001/03/01|とけい|1"}));
        clickOption(w, 5); // never played
        QCOMPARE(ProjectGlobals::instance().currentDrillName, QStringLiteral("ひきざん２０"));
        QCOMPARE(w.gridModel()->rowCount(), 0);
        QCOMPARE(w.gridModel()->columnCount(), 3);
        clickOption(w, 1);
        QCOMPARE(gridRows(w), QStringList({"2001/04/28 8:00:00|たして１０|9"}));

        // Each load starts again on the first drill, whatever was chosen last.
        w.unloadForm();
        ProjectGlobals::instance().currentDrillName = QStringLiteral("ひいて１０");
        w.showForm();
        QVERIFY(w.Option1[0]->isChecked() && !w.Option1[1]->isChecked());
        QCOMPARE(ProjectGlobals::instance().currentDrillName, QStringLiteral("たしざん１０"));
        QCOMPARE(gridRows(w).size(), 3);
        QVERIFY(dialogs_->told.isEmpty());
    }

    void rowWrittenMeanwhileAppearsAfterNextClick()
    {
        // More rows than the model reads in one go, so a half-read list would
        // keep the file locked against the drill window's write.
        TestSetup::createDatabase();
        {
            RecordDatabase db;
            QVERIFY(db.open(SqliteFile::defaultPath()));
            QVERIFY(db.execute("BEGIN"));
            for (int i = 0; i < 600; ++i)
                QVERIFY(db.execute(ResultsLog::insertStatement(
                    QStringLiteral("2001/03/%1 10:00:00").arg(1 + i % 28, 2, 10, QLatin1Char('0')),
                    "たしざん１０", QString::number(i % 9 + 1))));
            QVERIFY(db.execute("COMMIT"));
        }
        ScoreWindow w;
        w.showForm();
        QCOMPARE(w.gridModel()->rowCount(), 600);

        QElapsedTimer timer;
        timer.start();
        QString error;
        QVERIFY2(ResultsLog::append("2001/04/27 9:05:03", "たしざん１０", "8", &error), qPrintable(error));
        QVERIFY2(timer.elapsed() < 2000, "the write waited for the open list");
        QCOMPARE(w.gridModel()->rowCount(), 600); // not re-read by itself
        clickOption(w, 0);
        QCOMPARE(w.gridModel()->rowCount(), 601);
        QCOMPARE(gridRows(w).first(), QStringLiteral("2001/04/27 9:05:03|たしざん１０|8"));
    }

    void savingThePeriod()
    {
        TestSetup::createDatabase();
        QVERIFY(ResultsLog::append("2000/01/01 10:00:00", "たしざん１０", "3"));
        ScoreWindow w;
        w.showForm();
        QCOMPARE(w.gridModel()->rowCount(), 1);

        // Spaces, half- or full-width, around the number are dropped; full-width digits count.
        for (const auto &[typed, stored] : {std::pair{"30", "30"}, std::pair{"  45  ", "45"},
                                           std::pair{"\u3000３０\u3000", "30"}}) {
            dialogs_->told.clear();
            typeAndSave(w, QString::fromUtf8(typed));
            QCOMPARE(dialogs_->told, QStringList({saved}));
            QCOMPARE(storedPeriod(), QString::fromUtf8(stored));
        }
        for (const char *bad : {"0", "-5", "abc", "", "   ", "1.5", "3'0", "1e3"}) {
            dialogs_->told.clear();
            typeAndSave(w, QString::fromUtf8(bad));
            QCOMPARE(dialogs_->told, QStringList({QStringLiteral("1以上の数字を入力してください")}));
            QCOMPARE(storedPeriod(), QStringLiteral("30"));
        }

        // Saving neither re-reads the list nor purges old rows.
        QVERIFY(ResultsLog::append("2001/04/27 9:05:03", "たしざん１０", "8"));
        typeAndSave(w, "1");
        QCOMPARE(storedPeriod(), QStringLiteral("1"));
        QCOMPARE(w.gridModel()->rowCount(), 1);
        QCOMPARE(Kit::dbRows("SELECT COUNT(*) FROM LOG"), QStringList({"2"}));

        // An unsaved edit gives way to the stored period when a drill is chosen.
        w.Text1->setText("77");
        clickOption(w, 3);
        QCOMPARE(w.Text1->text(), QStringLiteral("1"));
        QCOMPARE(storedPeriod(), QStringLiteral("1"));
    }

    void missingSettingsRow()
    {
        // At load: one message, then the program ends (after its farewell).
        TestSetup::createDatabase();
        QVERIFY(SqliteFile::exec(SqliteFile::defaultPath(), "DELETE FROM ENV"));
        {
            ExitTrap trap;
            QStringList order;
            ProgramExit::setFarewell([&] { order << QStringLiteral("farewell after %1").arg(dialogs_->told.size()); });
            ScoreWindow w;
            try {
                w.showForm();
                QFAIL("the program went on without a settings row");
            } catch (const ProgramEnded &ended) {
                order << QStringLiteral("end %1").arg(ended.status);
            }
            QCOMPARE(order, QStringList({"farewell after 1", "end 1"}));
            QCOMPARE(dialogs_->told, QStringList({QStringLiteral("ENVﾚｺｰﾄﾞがないため処理を続行できません")}));
        }

        // Gone by the time the period is saved: not reported as done, no row made.
        QVERIFY(SqliteFile::exec(SqliteFile::defaultPath(), "INSERT INTO ENV ( SET_LOG ) VALUES ( '90' )"));
        dialogs_->told.clear();
        ScoreWindow w;
        w.showForm();
        QVERIFY(SqliteFile::exec(SqliteFile::defaultPath(), "DELETE FROM ENV"));
        typeAndSave(w, "30");
        QCOMPARE(dialogs_->told.size(), 1);
        QVERIFY(dialogs_->told.first().startsWith(QStringLiteral("ENVﾚｺｰﾄﾞがないため")));
        QCOMPARE(Kit::dbRows("SELECT COUNT(*) FROM ENV"), QStringList({"0"}));
    }

    void unreadableFilesGiveMessageAndStayUnchanged()
    {
        const QString path = SqliteFile::defaultPath();
        // Missing: a message on load and on save, and no file appears.
        {
            ScoreWindow w;
            w.showForm();
            QVERIFY(w.isLoaded());
            QCOMPARE(w.gridModel()->rowCount(), 0);
            typeAndSave(w, "30");
            QCOMPARE(dialogs_->told.size(), 2);
            QVERIFY(dialogs_->told[0].startsWith(cannotOpen));
            QVERIFY(dialogs_->told[1].startsWith(QStringLiteral("ADO_ZEM.MDBに保存期間を保存できませんでした")));
            QVERIFY(!QFile::exists(path));
        }

        // Damaged: a message for each step, and the bytes are left as they are.
        QByteArray garbage;
        for (int i = 0; i < 4096; ++i)
            garbage.append(char((i * 37 + 11) & 0xff));
        QVERIFY(Kit::writeFile(path, garbage));
        {
            dialogs_->told.clear();
            ScoreWindow w;
            w.showForm();
            clickOption(w, 2);
            typeAndSave(w, "30");
            QCOMPARE(dialogs_->told.size(), 3);
            QVERIFY(dialogs_->told[0].startsWith(cannotOpen));
            QVERIFY(!dialogs_->told.contains(saved));
            QCOMPARE(Kit::readFile(path), garbage);
        }
        QVERIFY(QFile::remove(path));

        // No ENV table: a message; once ENV is back, the next click works.
        {
            RecordDatabase db;
            QVERIFY(db.create(path));
            QVERIFY(db.execute("CREATE TABLE LOG ( 日時 TEXT,科目 TEXT,得点 TEXT ) ;"));
            QVERIFY(db.execute(ResultsLog::insertStatement("2001/04/27 9:05:03", "とけい", "3")));
        }
        const QByteArray before = Kit::readFile(path);
        {
            dialogs_->told.clear();
            ScoreWindow w;
            w.showForm();
            QCOMPARE(dialogs_->told.size(), 1);
            QVERIFY(dialogs_->told.first().startsWith(QStringLiteral("ENVを読み出せませんでした")));
            QCOMPARE(w.Text1->text(), QString());
            QCOMPARE(Kit::readFile(path), before);
            QVERIFY(SqliteFile::exec(path, "CREATE TABLE ENV ( SET_LOG TEXT ) ;"));
            QVERIFY(SqliteFile::exec(path, "INSERT INTO ENV ( SET_LOG ) VALUES ( '60' );"));
            clickOption(w, 6);
            QCOMPARE(dialogs_->told.size(), 1);
            QCOMPARE(w.Text1->text(), QStringLiteral("60"));
            QCOMPARE(gridRows(w), QStringList({"2001/04/27 9:05:03|とけい|3"}));
        }

        // No LOG table: the period shows, the list says why it is empty.
        QVERIFY(SqliteFile::exec(path, "DROP TABLE LOG"));
        dialogs_->told.clear();
        ScoreWindow w;
        w.showForm();
        QCOMPARE(w.Text1->text(), QStringLiteral("60"));
        QCOMPARE(dialogs_->told.size(), 1);
        QVERIFY(dialogs_->told.first().startsWith(QStringLiteral("LOGを読み出せませんでした")));
        QCOMPARE(w.gridModel()->rowCount(), 0);
    }
};

QTEST_MAIN(TestScores)
#include "test_scores.moc"
