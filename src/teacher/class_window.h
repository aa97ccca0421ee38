#pragma once

#include "platform/form.h"
#include "teacher/class_records.h"
#include "teacher/class_server.h"

#include <QList>

#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QTemporaryDir;
class ResultsLog;
class ScoreChartWindow;

// "クラスのようす", the teacher's view of a class (`sansu-drill --class`):
// the class in 出席番号 order with, per drill, the last and the best score,
// this week's sittings and the day last practised; who practised today; a
// mark for a pupil who seems stuck, its reason as a tool tip; and when each
// PC of the class last sent. From here a teacher opens a pupil's progress
// chart, saves the table or every row as CSV for Excel, imports the class
// roster, ties pupils PCs made to the roster's, and sets the days kept and
// missed questions again for the class or a pupil.
//
// Everything read from or written to the server goes through the
// ClassServer's thread: the window never waits, and says that it reads.
class ClassWindow : public Form
{
    Q_OBJECT
public:
    // `classes`: the ones the login teaches, `allClasses` every class of the
    // school; the class shown first is `preferred` when the login teaches it.
    ClassWindow(std::unique_ptr<ClassServer> server, QList<ClassServer::ClassName> classes,
                QList<ClassServer::ClassName> allClasses, const QString &preferred = QString());
    ~ClassWindow() override;

    // `sansu-drill --class`: the school from the settings file, the teacher's
    // login, the window; the program's exit status.
    static int run();

    QComboBox *Combo1 = nullptr;  // the class
    QLabel *Label2 = nullptr;     // reading, when it was read, or why not
    QLabel *Label3 = nullptr;     // how a drill's cell reads
    QLabel *Label4 = nullptr;     // the class's settings
    QTableWidget *Grid1 = nullptr; // the class, a row per pupil
    QTableWidget *Grid2 = nullptr; // each PC: its name, its last batch, its clock
    QPushButton *Command1 = nullptr; // 名簿を読み込む
    QPushButton *Command2 = nullptr; // 名簿にない児童をつなぐ
    QPushButton *Command3 = nullptr; // グラフで見る
    QPushButton *Command4 = nullptr; // 表をCSVで保存
    QPushButton *Command5 = nullptr; // 全記録をCSVで保存
    QPushButton *Command6 = nullptr; // 設定
    QPushButton *Command7 = nullptr; // 読み直す
    QPushButton *Command8 = nullptr; // 閉じる

    // Reads the class afresh (after a lost connection, past a new login).
    void reload();
    bool busy() const;
    const ClassRecords::Snapshot &snapshot() const { return snapshot_; }
    const std::vector<ClassTable::Line> &lines() const { return lines_; }
    QString classId() const;

    // What the buttons do once a file was chosen.
    void importRoster(const QString &path);
    bool exportTable(const QString &path);
    void exportRows(const QString &path);
    // The progress chart of the pupil on a row of the table.
    void showChart(int row);
    ScoreChartWindow *chart() const { return chart_.get(); }

protected:
    void Form_Load() override;
    void Form_Unload() override;

private:
    void fill();
    void setBusy(bool busy);
    // A read or write that failed: said, and the next 読み直す logs in again.
    void failed(const QString &what, const QString &words);
    QString askFile(const QString &caption, const QString &name, bool save);
    bool saveFile(const QString &path, const QByteArray &bytes);
    void offerLinks();
    // After an import: offers the pupils PCs made, when there are any.
    void offerLinksAfterImport();
    void editSettings();

    std::unique_ptr<ClassServer> server_;
    QList<ClassServer::ClassName> classes_;
    QList<ClassServer::ClassName> allClasses_;
    QString preferred_;
    ClassRecords::Snapshot snapshot_;
    std::vector<ClassTable::Line> lines_;
    bool lost_ = false;
    bool offerLinks_ = false; // once the class is read again after an import
    std::unique_ptr<QTemporaryDir> chartFolder_;
    std::unique_ptr<ResultsLog> chartLog_;
    std::unique_ptr<ScoreChartWindow> chart_;
    int charts_ = 0;
};
