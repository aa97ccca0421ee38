#pragma once

#include "school/sender_status.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <thread>

// Sends the rows queued in results files to the school's server, on a thread
// of its own with a connection of its own, so that no child ever waits for
// the server. It sends when it starts, when poked (after each sitting), and
// every few minutes; the oldest rows first, in bounded batches, one server
// transaction each; a row is marked sent in its file only once the server
// committed it. A server that cannot be reached is tried again with a
// back-off that grows to a cap, for as long as it takes. A row the server
// refuses for good is set apart with the server's words and holds up nothing.
//
// start(), poke(), stop() and status() are called on the thread that made the
// sender (the GUI's); statusChanged is emitted on the sender's thread, so a
// receiver on the GUI thread gets it through a queued connection (Qt's
// automatic connection does that).
class SchoolSender : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        QString service;  // the libpq service naming the server (SchoolSettings)
        QString pcId;     // this PC's id (PcIdentity)
        QString pcName;   // its label: the host name
        // The results files whose queues are sent; called on the sender's
        // thread before each round.
        std::function<QStringList()> files;
        int batchRows = 500;
        int connectTimeoutS = 5;        // libpq takes 2 s at least
        int statementTimeoutMs = 15000;
        int periodMs = 3 * 60 * 1000;   // a round this often, besides the pokes
        int firstRetryMs = 5000;        // the first wait after a failure, doubled each time
        int maxRetryMs = 5 * 60 * 1000; // and never longer than this
    };

    explicit SchoolSender(Options options, QObject *parent = nullptr);
    // Stops with stop()'s bound.
    ~SchoolSender() override;

    // Starts the thread; it sends at once.
    void start();
    // Asks for a round now; returns at once.
    void poke();
    // Ends sending: one last round if rows wait, then the thread ends. Waits
    // at most `boundMs`; false when the thread is still in a call to the
    // server by then (see the .cpp: it is left to end on its own, safely).
    bool stop(int boundMs = 2000);

    SenderStatus status() const;

    // What the sender's thread shares with it (in the .cpp).
    struct Shared;

signals:
    void statusChanged(const SenderStatus &status);

private:
    static void run(std::shared_ptr<Shared> shared);

    std::shared_ptr<Shared> shared_;
    std::unique_ptr<std::thread> thread_;
};
