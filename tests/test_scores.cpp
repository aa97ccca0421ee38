#include "platform/program_exit.h"
#include "platform/project_globals.h"
#include "scores/score_window.h"
#include "store/record_database.h"
#include "store/results_log.h"
#include "support/exit_trap.h"
#include "support/fake_dialogs.h"
#include "support/sqlite_file.h"
#include "support/temp_work_dir.h"
#include "support/test_setup.h"

#include <QButtonGroup>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSqlQueryModel>
#include <QTableView>
#include <QtTest>

#include <memory>

namespace {
const QString envMissingRow = QStringLiteral("ENVﾚｺｰﾄﾞがないため処理を続行できません");
const QString askForNumber = QStringLiteral("1以上の数字を入力してください");
const QString saved = QStringLiteral("保存期間を設定しました");

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

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void clickOption(ScoreWindow &w, int index)
{
    QRadioButton *option = w.Option1[index];
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(8, option->height() / 2));
}

void typeAndSave(ScoreWindow &w, const QString &text)
{
    w.Text1->setText(text);
    QTest::mouseClick(w.Command1, Qt::LeftButton);
}

QString storedPeriod()
{
    return SqliteFile::rows(SqliteFile::defaultPath(), QStringLiteral("SELECT SET_LOG FROM ENV"))
        .join(QLatin1Char(','));
}
} // namespace

class TestScores : public QObject
{
    Q_OBJECT
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
        QVERIFY(w.isLoaded());
        QCOMPARE(w.windowTitle(), QStringLiteral("得点"));
        QCOMPARE(w.size(), QSize(614, 494));
        QCOMPARE(w.Text1->text(), QStringLiteral("90"));
        QVERIFY(w.Option1[0]->isChecked());
        QCOMPARE(ProjectGlobals::instance().currentDrillName, QStringLiteral("たしざん１０"));

        const QSqlQueryModel *m = w.gridModel();
        QCOMPARE(m->rowCount(), 0);
        QCOMPARE(m->columnCount(), 3);
        QCOMPARE(m->headerData(0, Qt::Horizontal).toString(), QStringLiteral("日時"));
        QCOMPARE(m->headerData(1, Qt::Horizontal).toString(), QStringLiteral("科目"));
        QCOMPARE(m->headerData(2, Qt::Horizontal).toString(), QStringLiteral("得点"));
        // (7335 - 600) x 2500, 3000, 2000 / 9000 twips, 15 twips a pixel.
        QCOMPARE(w.DataGrid1->columnWidth(0), 125);
        QCOMPARE(w.DataGrid1->columnWidth(1), 150);
        QCOMPARE(w.DataGrid1->columnWidth(2), 100);
        QVERIFY(w.DataGrid1->horizontalHeader()->isVisible());
        QCOMPARE(w.DataGrid1->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(w.DataGrid1->font().pixelSize(), 12);

        // Layout, fonts and the one exclusive group of options.
        const QStringList captions = {"たしざん１０", "たして１０", "たしざん２０", "ひきざん１０",
                                      "ひいて１０",   "ひきざん２０", "とけい"};
        for (int i = 0; i < ScoreWindow::drillCount; ++i) {
            QCOMPARE(w.Option1[i]->text(), captions[i]);
            QCOMPARE(w.Option1[i]->accessibleName(), captions[i]);
            QCOMPARE(w.Option1[i]->geometry(), QRect(8, 16 + 32 * i, 89, 33));
            QCOMPARE(w.Option1[i]->font().pixelSize(), 13);
            QCOMPARE(w.Option1Group->id(w.Option1[i]), i);
        }
        QVERIFY(w.Option1Group->exclusive());
        QCOMPARE(w.DataGrid1->geometry(), QRect(120, 8, 489, 481));
        QCOMPARE(w.Text1->geometry(), QRect(0, 464, 57, 25));
        QCOMPARE(w.Command1->geometry(), QRect(56, 464, 65, 25));
        QCOMPARE(w.Command1->text(), QStringLiteral("日分保存"));

        // Tab order: the options, the grid, the period box, the button.
        QWidget *expected[] = {w.Option1[1], w.Option1[2], w.Option1[3], w.Option1[4],
                               w.Option1[5], w.Option1[6], w.DataGrid1, w.Text1, w.Command1};
        QWidget *at = w.Option1[0];
        for (QWidget *next : expected) {
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
        QVERIFY(ResultsLog::append("2001/04/26 10:00:00", "たしざん１０", "4"));
        QVERIFY(ResultsLog::append("2001/04/27 15:00:00", "たしざん１０", "7"));
        QVERIFY(ResultsLog::append("2001/04/27 9:05:03", "たしざん１０", "2"));
        QVERIFY(ResultsLog::append("2001/04/27 10:00:00", "とけい", "5"));
        QVERIFY(ResultsLog::append("2001/03/01", "とけい", "1"));
        QVERIFY(ResultsLog::append("2001/04/28 8:00:00", "たして１０", "9"));

        ScoreWindow w;
        w.showForm();
        QCOMPARE(gridRows(w), QStringList({"2001/04/27 9:05:03|たしざん１０|2",
                                           "2001/04/27 15:00:00|たしざん１０|7",
                                           "2001/04/26 10:00:00|たしざん１０|4"}));

        clickOption(w, 6);
        QVERIFY(w.Option1[6]->isChecked());
        QVERIFY(!w.Option1[0]->isChecked());
        QCOMPARE(ProjectGlobals::instance().currentDrillName, QStringLiteral("とけい"));
        QCOMPARE(gridRows(w), QStringList({"2001/04/27 10:00:00|とけい|5", "2001/03/01|とけい|1"}));
        QCOMPARE(w.DataGrid1->columnWidth(1), 150);

        clickOption(w, 5); // never played
        QCOMPARE(ProjectGlobals::instance().currentDrillName, QStringLiteral("ひきざん２０"));
        QCOMPARE(w.gridModel()->rowCount(), 0);
        QCOMPARE(w.gridModel()->columnCount(), 3);

        clickOption(w, 1);
        QCOMPARE(gridRows(w), QStringList({"2001/04/28 8:00:00|たして１０|9"}));

        // Each load starts again on the first drill, whatever was chosen last.
        w.unloadForm();
        QVERIFY(!w.isLoaded());
        ProjectGlobals::instance().currentDrillName = QStringLiteral("ひいて１０");
        w.showForm();
        QVERIFY(w.Option1[0]->isChecked());
        QVERIFY(!w.Option1[1]->isChecked());
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
        QVERIFY2(ResultsLog::append("2001/04/27 9:05:03", "たしざん１０", "8", &error),
                 qPrintable(error));
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

        typeAndSave(w, "30");
        QCOMPARE(dialogs_->told, QStringList({saved}));
        QCOMPARE(storedPeriod(), QStringLiteral("30"));

        typeAndSave(w, QStringLiteral("  45  "));
        QCOMPARE(storedPeriod(), QStringLiteral("45"));
        typeAndSave(w, QStringLiteral("\u3000３０\u3000"));
        QCOMPARE(storedPeriod(), QStringLiteral("30"));
        QCOMPARE(dialogs_->told.size(), 3);
        QCOMPARE(dialogs_->told.last(), saved);

        for (const QString &bad : {QStringLiteral("0"), QStringLiteral("-5"), QStringLiteral("abc"),
                                   QString(), QStringLiteral("   "), QStringLiteral("1.5"),
                                   QStringLiteral("3'0"), QStringLiteral("1e3")}) {
            dialogs_->told.clear();
            typeAndSave(w, bad);
            QCOMPARE(dialogs_->told, QStringList({askForNumber}));
            QCOMPARE(storedPeriod(), QStringLiteral("30"));
        }

        // Saving neither re-reads the list nor purges old rows.
        QVERIFY(ResultsLog::append("2001/04/27 9:05:03", "たしざん１０", "8"));
        typeAndSave(w, "1");
        QCOMPARE(storedPeriod(), QStringLiteral("1"));
        QCOMPARE(w.gridModel()->rowCount(), 1);
        QCOMPARE(SqliteFile::rows(SqliteFile::defaultPath(), "SELECT COUNT(*) FROM LOG"),
                 QStringList({"2"}));

        // An unsaved edit gives way to the stored period when a drill is chosen.
        w.Text1->setText("77");
        clickOption(w, 3);
        QCOMPARE(w.Text1->text(), QStringLiteral("1"));
        QCOMPARE(storedPeriod(), QStringLiteral("1"));
    }

    void settingsRowMissingEndsProgram()
    {
        TestSetup::createDatabase();
        QVERIFY(SqliteFile::exec(SqliteFile::defaultPath(), "DELETE FROM ENV"));
        ExitTrap trap;
        QStringList order;
        ProgramExit::setFarewell([&] {
            order << QStringLiteral("farewell after %1 message(s)").arg(dialogs_->told.size());
        });
        ScoreWindow w;
        try {
            w.showForm();
            QFAIL("the program went on without a settings row");
        } catch (const ProgramEnded &ended) {
            order << QStringLiteral("end %1").arg(ended.status);
        }
        QCOMPARE(order, QStringList({"farewell after 1 message(s)", "end 1"}));
        QCOMPARE(dialogs_->told, QStringList({envMissingRow}));
    }

    void savingWithoutSettingsRowIsNotReportedAsDone()
    {
        TestSetup::createDatabase();
        ScoreWindow w;
        w.showForm();
        QVERIFY(SqliteFile::exec(SqliteFile::defaultPath(), "DELETE FROM ENV"));
        typeAndSave(w, "30");
        QCOMPARE(dialogs_->told.size(), 1);
        QVERIFY(dialogs_->told.first().startsWith(QStringLiteral("ENVﾚｺｰﾄﾞがないため")));
        QVERIFY(!dialogs_->told.contains(saved));
        QCOMPARE(SqliteFile::rows(SqliteFile::defaultPath(), "SELECT COUNT(*) FROM ENV"),
                 QStringList({"0"}));
    }

    void unreadableFilesGiveMessageAndStayUnchanged()
    {
        // Missing: a message, and no file appears.
        {
            ScoreWindow w;
            w.showForm();
            QVERIFY(w.isLoaded());
            QCOMPARE(dialogs_->told.size(), 1);
            QVERIFY(dialogs_->told.first().startsWith(QStringLiteral("ADO_ZEM.MDBを開けませんでした")));
            QCOMPARE(w.gridModel()->rowCount(), 0);
            typeAndSave(w, "30");
            QCOMPARE(dialogs_->told.size(), 2);
            QVERIFY(dialogs_->told.last().startsWith(QStringLiteral("ADO_ZEM.MDBに保存期間を保存できませんでした")));
            QVERIFY(!QFile::exists(SqliteFile::defaultPath()));
        }

        // Damaged: garbage bytes are left as they are.
        const QString path = SqliteFile::defaultPath();
        QByteArray garbage;
        for (int i = 0; i < 4096; ++i)
            garbage.append(static_cast<char>((i * 37 + 11) & 0xff));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QCOMPARE(f.write(garbage), qint64(garbage.size()));
        }
        {
            dialogs_->told.clear();
            ScoreWindow w;
            w.showForm();
            clickOption(w, 2);
            typeAndSave(w, "30");
            QCOMPARE(dialogs_->told.size(), 3);
            QVERIFY(dialogs_->told[0].startsWith(QStringLiteral("ADO_ZEM.MDBを開けませんでした")));
            QVERIFY(!dialogs_->told.contains(saved));
            QCOMPARE(fileBytes(path), garbage);
        }
        QVERIFY(QFile::remove(path));

        // A database without ENV: a message; once ENV is back, the next click works.
        {
            RecordDatabase db;
            QVERIFY(db.create(path));
            QVERIFY(db.execute("CREATE TABLE LOG ( 日時 TEXT,科目 TEXT,得点 TEXT ) ;"));
            QVERIFY(db.execute(ResultsLog::insertStatement("2001/04/27 9:05:03", "とけい", "3")));
        }
        const QByteArray before = fileBytes(path);
        {
            dialogs_->told.clear();
            ScoreWindow w;
            w.showForm();
            QVERIFY(w.isLoaded());
            QCOMPARE(dialogs_->told.size(), 1);
            QVERIFY(dialogs_->told.first().startsWith(QStringLiteral("ENVを読み出せませんでした")));
            QCOMPARE(w.Text1->text(), QString());
            QCOMPARE(fileBytes(path), before);

            QVERIFY(SqliteFile::exec(path, "CREATE TABLE ENV ( SET_LOG TEXT ) ;"));
            QVERIFY(SqliteFile::exec(path, "INSERT INTO ENV ( SET_LOG ) VALUES ( '60' );"));
            clickOption(w, 6);
            QCOMPARE(dialogs_->told.size(), 1);
            QCOMPARE(w.Text1->text(), QStringLiteral("60"));
            QCOMPARE(gridRows(w), QStringList({"2001/04/27 9:05:03|とけい|3"}));
        }

        // A database without LOG: the period shows, the list says why it is empty.
        QVERIFY(SqliteFile::exec(path, "DROP TABLE LOG"));
        {
            dialogs_->told.clear();
            ScoreWindow w;
            w.showForm();
            QCOMPARE(w.Text1->text(), QStringLiteral("60"));
            QCOMPARE(dialogs_->told.size(), 1);
            QVERIFY(dialogs_->told.first().startsWith(QStringLiteral("LOGを読み出せませんでした")));
            QCOMPARE(w.gridModel()->rowCount(), 0);
        }
    }

private:
    std::unique_ptr<TempWorkDir> work_;
    FakeDialogs *dialogs_ = nullptr;
};

QTEST_MAIN(TestScores)
#include "test_scores.moc"
