#pragma once

#include "platform/form.h"
#include "store/results_log.h"

#include <QList>

class QButtonGroup;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;
class ScoreListModel;

// The score-history window "得点": lists the stored results of one drill at a
// time, latest day first, and shows and saves how many days results are kept.
class ScoreWindow : public Form
{
    Q_OBJECT
public:
    // Lists and sets what `log` holds.
    explicit ScoreWindow(const ResultsLog &log);
    ~ScoreWindow() override;

    // Shows the retention period in Text1 and the current drill's rows in the
    // grid. Ends the program when ENV has no row.
    void FORM_DSP();

    QList<QRadioButton *> Option1; // one per drill, in the drill table's order
    QButtonGroup *Option1Group = nullptr;
    QTableView *DataGrid1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *Command1 = nullptr;

    // The rows behind DataGrid1.
    ScoreListModel *gridModel() const { return model_; }

public slots:
    void Option1_Click(qint16 Index);
    void Command1_Click();

protected:
    void Form_Load() override;

private:
    // Reads the stored period into Text1; false when the file or its settings
    // cannot be read (the user has been told).
    bool showStoredPeriod();
    void setColumnWidths();

    const ResultsLog &log_;
    ScoreListModel *model_ = nullptr;
};
