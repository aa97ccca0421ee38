#include "classroom/excel_csv.h"

#include <QStringList>

namespace {
QString textField(const QString &text)
{
    static const QString formulaStarts = QStringLiteral("=+-@\t\r＝＋－＠");
    QString field = !text.isEmpty() && formulaStarts.contains(text.front()) ? u'\'' + text : text;
    if (field.contains(u',') || field.contains(u'"') || field.contains(u'\r') || field.contains(u'\n'))
        field = u'"' + field.replace(u'"', QStringLiteral("\"\"")) + u'"';
    return field;
}

// Dates always in the Japanese default forms, whatever the system's locale.
QString dateField(const QDate &date)
{
    return date.isValid() ? date.toString(u"yyyy/MM/dd") : QString();
}
} // namespace

QString ExcelCsv::field(const Cell &cell)
{
    struct Writer
    {
        QString operator()(Empty) const { return QString(); }
        QString operator()(const QString &text) const { return textField(text); }
        QString operator()(qint64 number) const { return QString::number(number); }
        QString operator()(const QDate &date) const { return dateField(date); }
        QString operator()(const QDateTime &when) const
        {
            return when.isValid() ? dateField(when.date()) + when.time().toString(u" H:mm") : QString();
        }
    };
    return std::visit(Writer{}, cell);
}

void ExcelCsv::addRow(const QList<Cell> &cells)
{
    QStringList fields;
    for (const Cell &cell : cells)
        fields << field(cell);
    text += fields.join(u',') + QStringLiteral("\r\n");
}

QByteArray ExcelCsv::bytes() const
{
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}
