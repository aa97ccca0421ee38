// Appends results rows to ADO_ZEM.MDB in the current directory, one at a time,
// as a drill window does at the end of a sitting:
//
//   append_results <first> <count> [<go-file>]
//
// Rows first, first+1, ... (count 0: until killed), each with its sequence
// number as the score text. Prints "ready" once set up (then, with a go-file,
// waits for it to appear); after each append has returned it prints the
// number, so every number on stdout is a row the program was told is stored.
// A failed append ends with status 2; the last line is "longest <ms>", the
// longest single append (waiting for the lock included).
#include "platform/project_globals.h"
#include "store/date_text.h"
#include "store/results_log.h"
#include "support/test_setup.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStringList>
#include <QThread>

#include <algorithm>
#include <cstdio>

namespace {
const QStringList drillNames = {"たしざん１０", "たして１０",   "たしざん２０", "ひきざん１０",
                                "ひいて１０",   "ひきざん２０", "とけい"};

void say(const QByteArray &line)
{
    // One short write per line, so a reader never sees half a number.
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    std::fflush(stdout);
}

bool waitForGoFile(const QString &goFile)
{
    QElapsedTimer waited;
    waited.start();
    while (!QFileInfo::exists(goFile) && waited.elapsed() < 300000)
        QThread::msleep(1);
    return QFileInfo::exists(goFile);
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool firstOk = false, countOk = false;
    const qint64 first = args.value(1).toLongLong(&firstOk);
    const qint64 count = args.value(2).toLongLong(&countOk);
    if (args.size() < 3 || args.size() > 4 || !firstOk || !countOk || first < 0 || count < 0) {
        std::fprintf(stderr, "usage: append_results <first> <count> [<go-file>]\n");
        return 1;
    }
    TestSetup::globals();
    say("ready\n");

    if (args.size() == 4 && !waitForGoFile(args.at(3))) {
        std::fprintf(stderr, "the go-file never appeared\n");
        return 3;
    }

    qint64 longestMs = 0;
    QElapsedTimer appendTime;
    for (qint64 seq = first; count == 0 || seq < first + count; ++seq) {
        const QString when = DateText::of(QDateTime::currentDateTime());
        const QString drill = drillNames.at(static_cast<int>(seq % drillNames.size()));
        QString error;
        appendTime.start();
        if (!ResultsLog::append(when, drill, QString::number(seq), &error)) {
            std::fprintf(stderr, "row %lld not written: %s\n", seq, qPrintable(error));
            return 2;
        }
        longestMs = std::max(longestMs, appendTime.elapsed());
        say(QByteArray::number(seq) + '\n');
    }
    say("longest " + QByteArray::number(longestMs) + '\n');
    return 0;
}
