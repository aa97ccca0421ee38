#pragma once

#include "teacher/class_server.h"
#include "teacher/roster_import.h"

#include <QDialog>
#include <QList>

#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

// 名簿の読み込み: a roster read from its file, matched against the pupils
// the server knows (with last year's class, which the teacher names), shown
// row by row for the teacher to confirm: each row's pupil (the same pupil as
// before, and how it was found; a new pupil; or a choice the teacher makes
// where a row could be several pupils or its number and name point apart)
// and the pupils to be marked 転出. Written in one transaction, or not at
// all.
class RosterImportWindow : public QDialog
{
    Q_OBJECT
public:
    RosterImportWindow(RosterImport import, const QString &fileName, QList<ClassServer::ClassName> otherClasses,
                       ClassServer &server, QWidget *parent = nullptr);

    const RosterImport &import() const { return import_; }

    QLabel *Label1 = nullptr;        // the file and its pupils
    QComboBox *Combo1 = nullptr;     // last year's class, or none
    QTableWidget *Grid1 = nullptr;   // a row per roster line
    QLabel *Label3 = nullptr;        // the pupils to be marked 転出
    QLabel *Label4 = nullptr;        // reading, writing, or what is still to answer
    QPushButton *Command1 = nullptr; // この名簿で登録する
    QPushButton *Command2 = nullptr; // キャンセル

    // The combo of an asked row (nullptr for the others): "選んでください",
    // its candidates, and a new pupil last.
    QComboBox *choice(int row) const { return choices_.at(row); }
    // Reads the candidates with the class chosen in Combo1 and plans again.
    void plan();
    // この名簿で登録する.
    void save();
    // Closing waits while the roster is written.
    void reject() override;

private:
    void fill();
    void answered();
    QString described(const QUuid &id) const;

    RosterImport import_;
    QList<ClassServer::ClassName> classes_;
    ClassServer &server_;
    std::vector<QComboBox *> choices_;
    bool writing_ = false;
};
