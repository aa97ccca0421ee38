#pragma once

#include "store/results_log.h"

#include <QSqlError>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <map>
#include <optional>
#include <memory>
#include <utility>
#include <vector>

class QSqlQuery;

// The school sender's connection to the server, used on the sender's thread
// only (a Qt SQL connection belongs to the thread that opened it). It opens
// the connection with bounded waits, checks the schema's version, and sends
// queued rows in one server transaction per batch.
class ServerLink
{
public:
    struct Settings
    {
        QString service;            // libpq service name
        QString pcId;               // this PC's UUID
        QString pcName;             // its label
        int connectTimeoutS = 5;    // libpq's connect_timeout (it takes 2 s at least)
        int statementTimeoutMs = 15000;
    };

    explicit ServerLink(Settings settings);
    ~ServerLink();
    ServerLink(const ServerLink &) = delete;
    ServerLink &operator=(const ServerLink &) = delete;

    enum class Opened { Ready, Failed, LoginRefused, SchemaNewer, NoDriver };
    // Connects and reads the schema's version; `words` receives the server's
    // or the driver's words when it is not Ready. Nothing is left open then.
    Opened open(QString *words);
    bool isOpen() const;
    void close();

    struct Sent
    {
        bool transient = false; // the link failed: nothing of this batch is known to be on the server
        QString words;          // why, when transient
        std::vector<qint64> sent; // seqs the server committed
        std::vector<std::pair<qint64, QString>> refused; // seqs set apart for good, and why
    };
    // Sends `rows` in one transaction, pupils first. Rows the server refuses
    // for good (SQLSTATE classes 22 and 23, and 42501 for a class this login
    // may not write for) are found by sending the batch again row by row, and
    // are set apart with the server's words; rows that cannot be sent at all
    // (a NUL in a text, a date that is no date) are set apart before sending.
    Sent send(const std::vector<ResultsLog::QueuedRow> &rows);

    // Runs a query on the open link: its rows, or nothing (`words` receives why).
    std::optional<std::vector<QVariantList>> select(const QString &statement, QString *words);

    // A refusal that would come back on every try, by the error's SQLSTATE.
    static bool isForGood(const QSqlError &error);
    // The server's words, with its SQLSTATE when it gave one.
    static QString wordsOf(const QSqlError &error);
    // The libpq options of a connection through `service`, every wait
    // bounded: the connect, a statement, a transaction left idle, a peer gone.
    static QString connectOptions(const QString &service, int connectTimeoutS, int statementTimeoutMs, int idleInTransactionMs,
                                  const QString &application);
    // The words of a failed open that mean the login itself was refused.
    static bool isLoginRefused(const QString &words);

private:
    enum class Tried { Done, ForGood, Transient };
    struct Attempt
    {
        Tried tried = Tried::Done;
        QSqlError error;
    };
    QSqlQuery &prepared(int kind, int rows, const QString &statement);
    Attempt insert(const std::vector<const ResultsLog::QueuedRow *> &rows, const QString &clock);
    Attempt run(QSqlQuery &query);
    Attempt plain(const QString &statement);
    Sent rowByRow(const std::vector<const ResultsLog::QueuedRow *> &rows, const QString &clock, Sent sent);
    QStringList writableClasses();

    Settings settings_;
    QString connectionName_;
    // Prepared inserts of this connection, by kind and number of rows; made
    // again after a reconnect, as a prepared statement lives on its connection.
    std::map<std::pair<int, int>, std::unique_ptr<QSqlQuery>> prepared_;
};
