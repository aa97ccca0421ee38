#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <variant>

// A CSV file that Excel on a Japanese PC opens as it was meant: UTF-8 with a
// byte order mark (without it Excel reads CP932), lines ending in CRLF, and a
// field quoted only when it holds a comma, a quote, CR or LF.
//
// Integers are written as bare digits and dates as "2026/12/08" or
// "2026/12/08 9:05", forms Excel takes for numbers and dates. A text that
// Excel would start a formula with (=, +, -, @, a tab or CR at its start, or
// the full-width ＝ ＋ － ＠ it also accepts) is written with a single quote
// before it, as spreadsheet programs and the usual advice on CSV injection
// have it: Excel shows the text with that quote and never calculates it. A
// text of digits alone is read by Excel as a number, as any CSV is.
class ExcelCsv
{
public:
    struct Empty
    {
    };
    using Cell = std::variant<Empty, QString, qint64, QDate, QDateTime>;

    void addRow(const QList<Cell> &cells);
    // The whole file: the byte order mark and every row added.
    QByteArray bytes() const;

    // One cell as it stands between the commas.
    static QString field(const Cell &cell);

private:
    QString text;
};
