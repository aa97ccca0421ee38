#pragma once

#include "teacher/class_records.h"

#include <QDialog>
#include <QUuid>

#include <vector>

class QComboBox;
class QLabel;
class QSpinBox;

// 設定: how many days the PCs keep results, and whether a missed question
// comes back (まちがえた もんだいを もういちど), for the whole class or for
// one pupil, whose own setting comes before the class's. "決めない" leaves it
// to the class (for a pupil) or to each PC (for the class). Only here are
// these set for a class; the PCs read them.
class ClassSettingsDialog : public QDialog
{
    Q_OBJECT
public:
    // `chosen`: the pupil shown first; a null id for the class.
    ClassSettingsDialog(const ClassRecords::Snapshot &snapshot, const std::vector<ClassTable::Line> &lines,
                        const QUuid &chosen, QWidget *parent = nullptr);

    QUuid pupil() const;                 // null: the class
    ClassRecords::Settings settings() const;

    QComboBox *Combo1 = nullptr; // the class, or a pupil
    QSpinBox *Text1 = nullptr;   // days kept; 0: not set
    QComboBox *Combo2 = nullptr; // missed questions again: not set, yes, no
    QLabel *Label4 = nullptr;    // what is in force for the one chosen

private:
    void showSettings(int index);

    const ClassRecords::Snapshot &snapshot_;
};
