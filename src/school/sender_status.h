#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>

// What the school sender is doing, for a display: a value, copied out under
// the sender's lock and handed to the GUI thread with its signal.
struct SenderStatus
{
    enum class State {
        NotConfigured,  // no school: nothing is sent, no connection is made
        NoDriver,       // Qt's PostgreSQL driver is not installed
        Connecting,
        Sending,
        AllSent,        // every queued row is on the server (or set apart)
        WaitingToRetry, // the server could not be reached or failed: tried again at retryAt
        LoginRefused,   // wrong password or login (the server's words): tried again at retryAt
        SchemaNewer,    // the server's schema is newer than this program: it sends nothing more
        Stopped,        // the program is ending
    };
    State state = State::NotConfigured;
    QString detail;     // the server's or the system's words, when there are any
    QDateTime retryAt;  // WaitingToRetry, LoginRefused: the next try
    qint64 sent = 0;    // rows the server committed since the start
    qint64 refused = 0; // rows set apart since the start

    bool operator==(const SenderStatus &) const = default;
};
Q_DECLARE_METATYPE(SenderStatus)
