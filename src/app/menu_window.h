#pragma once

#include "platform/form.h"
#include "store/record_file.h"
#include "store/results_log.h"

#include <QLabel>
#include <QPushButton>

#include <memory>
#include <optional>
#include <vector>

class ParentsCorner;
class QAction;
class WaitNotice;

// The main menu "MENU": its load handler is the program's start-up; its
// drill buttons and the score button open the other windows, one instance each.
class MenuWindow : public Form
{
    Q_OBJECT
public:
    MenuWindow();
    ~MenuWindow() override;

    // Makes sure the results file exists, creating it with the user's consent.
    // May end the program.
    void DB_ALLOC();
    // Reads the retention period, repairing missing tables, and deletes the
    // results older than it. May end the program.
    void SET_LOG_GET();

    void Command1_Click(qint16 Index);
    void Command9_Click();

    // The window for a drill's menu index or the score window, created on
    // first request once start-up has settled the results file; nullptr for
    // an index that names no drill.
    Form *drillWindow(int index);
    Form *scoreWindow();

    std::vector<QPushButton *> Command1; // by menu index
    QPushButton *Command9 = nullptr;
    QAction *parentsAction = nullptr; // the context menu's おうちのかたへ (the desktop start only)
    // The name of the child who practises, large above the buttons, in a
    // family of two or more; hidden (and the window as it always was) otherwise.
    QLabel *nameLabel = nullptr;

    // The parents' corner, past the parents' check.
    void openParentsCorner();

    void showChildInCaption() override;

protected:
    void Form_Load() override;

private:
    // No file of the name is there: asks, and creates it on OK.
    void createRecordFile();
    // The results file is in the old Jet format: offers to carry it over and
    // either goes on with the new file or ends the program, saying why.
    void carryOverJetFile(const QString &path);
    // Unloads the open drill windows so that their sittings are recorded.
    void unloadDrills();
    // The buttons placed below the name when there is one.
    void placeButtons(double below);

    // The results file start-up settled, handed to every window; it outlives them.
    std::optional<ResultsLog> log_;
    std::vector<std::unique_ptr<Form>> drills_; // by menu index
    std::unique_ptr<Form> scores_;
    std::unique_ptr<ParentsCorner> parents_;
    // Shown while any window waits for the file another program holds.
    std::unique_ptr<WaitNotice> notice_;
};
