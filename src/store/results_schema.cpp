#include "store/results_schema.h"

const QString ResultsSchema::fileName = QStringLiteral("ADO_ZEM.MDB");
const QString ResultsSchema::settingsTable = QStringLiteral("ENV");
const QString ResultsSchema::periodColumn = QStringLiteral("SET_LOG");
const QString ResultsSchema::resultsTable = QStringLiteral("LOG");
const QString ResultsSchema::whenColumn = QStringLiteral("日時");
const QString ResultsSchema::drillColumn = QStringLiteral("科目");
const QString ResultsSchema::scoreColumn = QStringLiteral("得点");
const QString ResultsSchema::firstPeriod = QStringLiteral("90");
const QString ResultsSchema::sendQueueTable = QStringLiteral("SEND_QUEUE");
