#include "store/connection_string.h"

#include "store/record_file.h"

#include <QStringList>

QString ConnectionString::value(const QString &connectionString, const QString &key)
{
    const QStringList parts = connectionString.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const int eq = part.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        if (part.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return part.mid(eq + 1).trimmed();
    }
    return QString();
}

QString ConnectionString::dataSourcePath(const QString &connectionString)
{
    return RecordFile::locate(value(connectionString, QStringLiteral("Data Source")));
}
