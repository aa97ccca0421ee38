#pragma once

#include "family/family.h"
#include "platform/form.h"
#include "store/results_log.h"
#include "teacher/class_server.h"

#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include <memory>
#include <optional>

class ClassWindow;
class ScoreChartWindow;

// "おうちのかたへ", the parents' corner, opened only past the parents' check:
// the children of the family in the data folder, each with the days their
// results are kept and whether a missed question comes back. A parent adds,
// renames and removes children (a child removed keeps their results as a
// backup in the data folder, and is told where), sets the days kept, and
// opens a child's progress chart. The first child added to a family without
// children takes over the results kept so far.
class ParentsCorner : public Form
{
    Q_OBJECT
public:
    explicit ParentsCorner(const QString &dataFolder);
    ~ParentsCorner() override;

    // A school's own PC: the corner is the teacher's (先生へ), opened past the
    // teacher's login on the school's server, whose connection it keeps for
    // クラスのようす. The children are the class roster's: nothing of them,
    // nor their settings (the teacher's view sets those), changes here; what
    // shows is who practised on this PC and what this PC still holds to send.
    void teach(std::unique_ptr<ClassServer> server, const ClassServer::Opening &opening, const QString &classId);

    QLabel *Label1 = nullptr;        // what the corner is for, and where the results are kept
    QTableWidget *Grid1 = nullptr;   // a row per child: name, days kept, missed questions again
    QPushButton *Command1 = nullptr; // "子どもを加える"
    QPushButton *Command2 = nullptr; // "名前を変える"
    QPushButton *Command3 = nullptr; // "子どもを外す"
    QPushButton *Command4 = nullptr; // "残す日数を変える"
    QPushButton *Command5 = nullptr; // "グラフで見る"
    QPushButton *Command6 = nullptr; // "閉じる"
    QPushButton *Command7 = nullptr; // "学校" : this computer joins a school
    QLabel *Label2 = nullptr;        // the school: its setting and where it comes from, the server, the rows waiting

    void addChild();
    void renameChild();
    void removeChild();
    void setKeptDays();
    void showChart();
    void joinSchool();

signals:
    // The family changed: start-up and the menu follow (names, the child
    // who practises, the folder this run keeps its results in).
    void familyChanged();

protected:
    void Form_Load() override;
    void Form_Unload() override;

private:
    // Reads the family again and fills the grid.
    void refresh();
    // Says what the school is, how the server answers and what waits.
    void refreshSchool();
    // The results file of a row: the child's, or the data folder's own while
    // there are no children.
    QString resultsPath(int row) const;
    // The child of the row chosen in the grid; nothing (told) when none is.
    std::optional<Child> chosenChild();
    void retryChanged(QTableWidgetItem *item);
    // Says why a change was not made; false for a change not made.
    bool made(const FamilyOutcome &outcome);
    // This run follows the family: the folder it keeps its results in and
    // the child who practises, after a change.
    void follow();

    Family family_;
    std::unique_ptr<ResultsLog> chartLog_;
    std::unique_ptr<ScoreChartWindow> chart_;
    std::unique_ptr<ClassServer> teacherServer_; // until the teacher's view takes it
    std::unique_ptr<ClassWindow> classWindow_;
    ClassServer::Opening teacherOpening_;
    QString teacherClass_;
    bool teaching_ = false;
    bool filling_ = false;
};
