#pragma once

#include <QObject>
#include <QString>

// Tells the windows that the results of the run changed, so that what they
// show can follow: one object for the results file of the run, shared by
// every copy of its ResultsLog.
class ResultsChanges : public QObject
{
    Q_OBJECT
public:
    ResultsChanges();
    ~ResultsChanges() override;

signals:
    // A row of `drill` was appended.
    void appended(const QString &drill);
};
