// append_results TAG COUNT: once its standard input closes (so that several
// writers can be let go at one moment), appends COUNT results rows (drill name
// TAG, scores 1, 2, …) one at a time to ADO_ZEM.MDB in the current folder
// through the program's own store, and prints each score once its append has
// returned. Ends with status 1 and the reason on stderr at the first append
// that fails.
#include "platform/project_globals.h"
#include "store/record_store.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ProjectGlobals::instance().setRecordNames();
    const QStringList args = app.arguments();
    const RecordStore store(QDir::current().absoluteFilePath(QStringLiteral("ADO_ZEM.MDB")));
    while (std::getchar() != EOF) {
    }
    for (int n = 1; n <= args.value(2).toInt(); ++n) {
        const StoreOutcome outcome = store.appendResult(QStringLiteral("2001/04/27 09:05:03"), args.value(1),
                                                        QString::number(n));
        if (!outcome) {
            std::fprintf(stderr, "row %d: %s\n", n, qPrintable(outcome.reason));
            return 1;
        }
        std::printf("%d\n", n);
        std::fflush(stdout);
    }
    return 0;
}
