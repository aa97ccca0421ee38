// Appends results rows to ADO_ZEM.MDB in the current directory, one at a time,
// the way a drill window does at the end of a sitting. Each row carries its own
// sequence number as the score text, so a test can tell exactly which rows
// reached the file.
//
//   append_results <first> <count> [<go-file>]
//
// Writes the rows first, first+1, ... (count 0: until killed). Prints "ready"
// once set up; with a go-file, waits for that file to appear before the first
// row. After each append has returned successfully it prints the row's
// sequence number on a line of its own and flushes, so every number seen on
// stdout is a row the program was told is stored. A failed append prints the
// reason on stderr and ends with status 2. After the last row it prints
// "longest <ms>", the longest time one append took (waiting for the file's
// lock included).
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
const QStringList drillNames = {
    QStringLiteral("たしざん１０"), QStringLiteral("たして１０"),   QStringLiteral("たしざん２０"),
    QStringLiteral("ひきざん１０"), QStringLiteral("ひいて１０"), QStringLiteral("ひきざん２０"),
    QStringLiteral("とけい"),
};

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
    while (!QFileInfo::exists(goFile)) {
        if (waited.elapsed() > 300000)
            return false;
        QThread::msleep(1);
    }
    return true;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool firstOk = false;
    bool countOk = false;
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
