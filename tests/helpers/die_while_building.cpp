// die_while_building creating|carrying: in the current folder, starts the
// temporary file that creating the results file, or carrying an old one over,
// builds (".ADO_ZEM.MDB.PID.creating" or ".carrying"), as those do, and is
// killed halfway through writing it, inside its transaction: the file and its
// journal stay behind as they would after a power cut. Carrying over, it holds
// the carry-over's lock too.
#include "store/record_database.h"
#include "store/record_file.h"
#include "store/results_schema.h"
#include "store/statements.h"

#include <QCoreApplication>
#include <QLockFile>

#include <csignal>
#include <unistd.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString what = QString::fromLocal8Bit(argc > 1 ? argv[1] : "");
    QLockFile lock(RecordFile::lockName(ResultsSchema::fileName));
    if (what == QLatin1String("carrying") && !lock.tryLock(0))
        return 1;
    RecordDatabase db;
    db.build(RecordFile::temporaryName(ResultsSchema::fileName, what), [](RecordDatabase &building) {
        building.transaction();
        building.execute(Statements::createSettingsTable());
        ::kill(::getpid(), SIGKILL);
        return true;
    });
    return 1;
}
