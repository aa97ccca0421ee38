#include "support/sqlite_file.h"

#include "store/database_file.h"
#include "store/record_database.h"

QStringList SqliteFile::rows(const QString &path, const QString &query)
{
    RecordDatabase db;
    if (!db.open(path))
        return {QStringLiteral("ERROR: ") + db.lastError()};
    const auto result = db.query(query);
    if (!result)
        return {QStringLiteral("ERROR: ") + db.lastError()};
    QStringList out;
    for (const QVariantList &row : *result) {
        QStringList cells;
        for (const QVariant &v : row)
            cells << v.toString();
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

bool SqliteFile::exec(const QString &path, const QString &statement)
{
    RecordDatabase db;
    return db.open(path) && db.execute(statement);
}

QString SqliteFile::defaultPath()
{
    return DatabaseFile::locate(QStringLiteral("ADO_ZEM.MDB"));
}
