// append_results TAG COUNT: once its standard input closes (so that several
// writers can be let go at one moment), appends COUNT results rows (drill name
// TAG, scores 1, 2, …) one at a time to ADO_ZEM.MDB in the current folder
// through the program's own store, and prints each score once its append has
// returned. Ends with status 1 and the reason on stderr at the first append
// that fails.
#include "store/record_file.h"
#include "store/results_log.h"
#include "store/results_schema.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const ResultsLog log(RecordFile::locate(ResultsSchema::fileName));
    QTextStream(stdin).readAll();
    for (int n = 1; n <= QByteArray(argv[2]).toInt(); ++n) {
        const StoreOutcome outcome = log.append({"2001/04/27 9:05:03", argv[1], QString::number(n)});
        if (!outcome) {
            QTextStream(stderr) << "row " << n << ": " << outcome.reason << Qt::endl;
            return 1;
        }
        QTextStream(stdout) << n << Qt::endl;
    }
}
