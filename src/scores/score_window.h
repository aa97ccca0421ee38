#pragma once

#include "platform/form.h"
#include "store/results_log.h"

#include <QList>

#include <memory>

class QAction;
class QButtonGroup;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;
class ScoreChartWindow;
class ScoreListModel;

// The score-history window "得点": lists the stored results of one drill at a
// time, latest day first, and shows and saves how many days results are kept.
// The grid's context menu opens the chosen drill's progress chart.
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
    QAction *chartAction = nullptr; // DataGrid1's context menu: グラフで見る

    // The rows behind DataGrid1.
    ScoreListModel *gridModel() const { return model_; }
    // The progress chart window, made on first request.
    ScoreChartWindow *chartWindow();

public slots:
    void Option1_Click(qint16 Index);
    void Command1_Click();
    // Opens the progress chart of the drill chosen in Option1.
    void showChart();

protected:
    void Form_Load() override;

private:
    // Reads the stored period into Text1; false when the file or its settings
    // cannot be read (the user has been told).
    bool showStoredPeriod();
    void setColumnWidths();

    const ResultsLog &log_;
    ScoreListModel *model_ = nullptr;
    std::unique_ptr<ScoreChartWindow> chart_;
};
