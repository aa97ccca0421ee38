#pragma once

#include "platform/form.h"

#include <QString>

#include <array>
#include <memory>

class QButtonGroup;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSqlQueryModel;
class QTableView;
class RecordDatabase;

// The score-history window "得点": lists the stored results of one drill at a
// time, latest day first, and shows and saves how many days results are kept.
class ScoreWindow : public Form
{
    Q_OBJECT
public:
    ScoreWindow();
    ~ScoreWindow() override;

    static constexpr int drillCount = 7;

    // Shows the retention period in Text1 and the current drill's rows in the
    // grid. Ends the program when ENV has no row.
    void FORM_DSP();

    // The grid's query for a drill, as the data control runs it.
    static QString gridQuery(const QString &drillName);
    // The statement that stores a (normalised) retention period.
    static QString saveStatement(const QString &periodText);

    // Controls, named as designed.
    std::array<QRadioButton *, drillCount> Option1{};
    QButtonGroup *Option1Group = nullptr;
    QTableView *DataGrid1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *Command1 = nullptr;

    // The model behind DataGrid1 (what the data control holds after a refresh).
    QSqlQueryModel *gridModel() const { return model_; }

public slots:
    void Option1_Click(qint16 Index);
    void Command1_Click();

protected:
    void Form_Load() override;

private:
    enum class PeriodRead { Shown, Failed };
    PeriodRead showStoredPeriod(const QString &path);
    bool refreshGrid(const QString &path, QString *error);
    void clearGrid();
    void setColumnWidths();

    QSqlQueryModel *model_ = nullptr;
    // The connection the model reads from; replaced (and the old one released)
    // each time the query runs again.
    std::unique_ptr<RecordDatabase> gridDatabase_;
};
