#pragma once

#include "teacher/class_records.h"

#include <QDialog>
#include <QList>
#include <QUuid>

#include <utility>
#include <vector>

class ClassServer;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

// 名簿にない児童: the pupils PCs made for the class before its roster named
// them (a child's id from the PC's first join), each to be tied to a pupil on
// the roster, so that their rows count as that pupil's. The roster pupils of
// the same kana name (the whole name, or the given name after the space) are
// offered first, one alone chosen already; every other roster pupil can be
// chosen too. Nothing is tied until the teacher confirms; then all at once.
class PupilLinkWindow : public QDialog
{
    Q_OBJECT
public:
    PupilLinkWindow(const ClassRecords::Snapshot &snapshot, ClassServer &server, QWidget *parent = nullptr);

    struct Offer
    {
        QUuid pupil;             // made by a PC, on no roster
        QList<QUuid> sameName;   // roster pupils of the same name
    };
    static std::vector<Offer> offersOf(const ClassRecords::Snapshot &snapshot);
    int offers() const { return int(offers_.size()); }
    // The ties chosen: (the PC's pupil, the roster's).
    std::vector<std::pair<QUuid, QUuid>> chosen() const;

    QLabel *Label1 = nullptr;        // what this is for
    QTableWidget *Grid1 = nullptr;   // a row per pupil a PC made, with a choice of the roster pupil
    QLabel *Label2 = nullptr;        // writing, or why it failed
    QPushButton *Command1 = nullptr; // つなぐ
    QPushButton *Command2 = nullptr; // キャンセル

    // つなぐ: writes the ties chosen.
    void save();
    // Closing waits while the ties are written.
    void reject() override;

private:
    const ClassRecords::Snapshot &snapshot_;
    ClassServer &server_;
    std::vector<Offer> offers_;
    std::vector<QComboBox *> choices_;
    bool writing_ = false;
};
