#pragma once

#include "platform/drill_table.h"
#include "platform/form.h"

#include <QPushButton>

#include <array>
#include <memory>

// The main menu "MENU": its load handler is the program's start-up; its seven
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

    // The window for a drill's menu index (0 to 6) or the score window,
    // created on first request; nullptr for an index out of range.
    Form *drillWindow(int index);
    Form *scoreWindow();

    std::array<QPushButton *, DrillTable::count> Command1{};
    QPushButton *Command9 = nullptr;

protected:
    void Form_Load() override;

private:
    // The results file is in the old Jet format: offers to carry it over and
    // either goes on with the new file or ends the program, saying why.
    void carryOverJetFile(const QString &path);
    // Unloads the open drill windows so that their sittings are recorded.
    void unloadDrills();

    std::array<std::unique_ptr<Form>, DrillTable::count> drills_;
    std::unique_ptr<Form> scores_;
};
