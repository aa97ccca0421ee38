#include "classroom/roster_csv.h"

#include "classroom/csv_records.h"
#include "classroom/roster_name.h"
#include "family/child_name.h"

#include <QHash>
#include <QStringDecoder>

#include <algorithm>
#include <array>

namespace {
enum Column { Number, Kana, Kanji, PupilNumber, Columns };

using Reason = RosterCsv::Reason;

// A header's field as it is looked up: compatibility-folded (full-width
// letters, half-width kana), without spaces or a closing full stop, in lower
// case and katakana.
QString headerKey(const QString &field)
{
    QString key = field.normalized(QString::NormalizationForm_KC).toCaseFolded();
    key.removeIf([](QChar c) { return c.isSpace(); });
    if (key.endsWith(u'.'))
        key.chop(1);
    return ChildName::key(key);
}

int columnNamed(const QString &field)
{
    static const QHash<QString, int> names = [] {
        const std::array<QStringList, Columns> written{
            QStringList{"出席番号", "番号", "No", "出席No"},
            QStringList{"ふりがな", "よみ", "よみがな", "かな", "氏名かな", "かな氏名", "氏名ふりがな", "ふりがな氏名"},
            QStringList{"氏名", "漢字氏名", "氏名漢字", "名前", "児童名", "児童氏名"},
            QStringList{"児童番号", "個人番号", "学籍番号", "児童ID", "児童コード"},
        };
        QHash<QString, int> keyed;
        for (int column = 0; column < Columns; ++column) {
            for (const QString &name : written[column])
                keyed.insert(headerKey(name), column);
        }
        return keyed;
    }();
    return names.value(headerKey(field), -1);
}

// Half- or full-width digits without blanks around them, as they stand.
QString digitsOf(const QString &field)
{
    return field.normalized(QString::NormalizationForm_KC).trimmed();
}

bool isDigits(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// A line names columns when a field is a column's name and none is a number:
// a first pupil named かな is no header, as 出席番号 stands beside the name.
bool isHeader(const QStringList &fields)
{
    return std::any_of(fields.cbegin(), fields.cend(), [](const QString &f) { return columnNamed(f) >= 0; })
        && std::none_of(fields.cbegin(), fields.cend(), [](const QString &f) { return isDigits(digitsOf(f)); });
}

// CR and LF are never the second byte of a CP932 letter, nor part of a UTF-8
// sequence, so lines can be counted before the text is decoded.
qsizetype linesOf(const QByteArray &bytes)
{
    qsizetype lines = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        lines += bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n'));
    return lines + !(bytes.isEmpty() || bytes.endsWith('\n') || bytes.endsWith('\r'));
}
} // namespace

std::optional<RosterCsv::Text> RosterCsv::decode(const QByteArray &bytes)
{
    const QByteArray bom("\xEF\xBB\xBF");
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes.startsWith(bom) ? bytes.mid(bom.size()) : bytes);
    if (!utf8.hasError())
        return Text{text, Encoding::Utf8};
    // ICU's windows-31j: CP932 with its NEC and IBM extensions, and the
    // mappings Windows makes (～ is U+FF5E, not the wave dash of JIS).
    QStringDecoder cp932("windows-31j", QStringDecoder::Flag::Stateless);
    if (!cp932.isValid())
        return std::nullopt;
    const QString cp932Text = cp932.decode(bytes);
    if (cp932.hasError())
        return std::nullopt;
    return Text{cp932Text, Encoding::Cp932};
}

QString RosterCsv::pupilNumberKey(const QString &pupilNumber)
{
    QString key = pupilNumber.normalized(QString::NormalizationForm_KC).trimmed();
    const bool digits = isDigits(key);
    while (digits && key.size() > 1 && key.startsWith(u'0'))
        key.remove(0, 1);
    return key;
}

RosterCsv::Result RosterCsv::read(const QByteArray &bytes)
{
    Result result;
    auto fail = [&result](int line, Reason reason, const QString &what = {}, int firstLine = 0) {
        result.problems.push_back({line, reason, firstLine, what});
    };
    if (bytes.size() > maxBytes || linesOf(bytes) > maxLines) {
        fail(0, Reason::TooLarge);
        return result;
    }
    const std::optional<Text> text = decode(bytes);
    if (!text) {
        fail(0, Reason::UnknownEncoding);
        return result;
    }
    const CsvRecords csv = CsvRecords::of(text->text);
    if (csv.unclosedQuoteLine)
        fail(csv.unclosedQuoteLine, Reason::UnclosedQuote);

    // Where each column stands; a header says, else the fixed order.
    std::array<int, Columns> at{0, 1, 2, 3};
    qsizetype width = Columns;
    auto record = csv.records.cbegin();
    if (record != csv.records.cend() && isHeader(record->fields)) {
        at.fill(-1);
        width = record->fields.size();
        for (int i = 0; i < width; ++i) {
            const int column = columnNamed(record->fields.at(i));
            if (column >= 0 && at[column] >= 0)
                fail(record->line, Reason::ColumnTwice, record->fields.at(i).trimmed());
            else if (column >= 0)
                at[column] = i;
        }
        if (at[Number] < 0)
            fail(record->line, Reason::HeaderWithoutNumber);
        if (at[Kana] < 0)
            fail(record->line, Reason::HeaderWithoutName);
        ++record;
        if (!result.problems.empty())
            return result;
    }
    if (record == csv.records.cend() && result.problems.empty())
        fail(0, Reason::NoPupils);

    QHash<int, int> numberLines;    // 出席番号 -> the line it stood on first
    QHash<QString, int> pupilLines; // pupil number key -> the line
    const qsizetype needed = std::max(at[Number], at[Kana]) + 1;
    for (; record != csv.records.cend(); ++record) {
        const QStringList &fields = record->fields;
        const int line = record->line;
        auto field
            = [&fields](int index) { return index >= 0 && index < fields.size() ? fields.at(index) : QString(); };
        if (fields.size() < needed) {
            fail(line, Reason::TooFewColumns);
            continue;
        }
        if (std::any_of(fields.cbegin() + std::min(width, fields.size()), fields.cend(),
                [](const QString &f) { return !f.trimmed().isEmpty(); })) {
            fail(line, Reason::TooManyColumns);
            continue;
        }
        Row row{line, 0, RosterName::normalised(field(at[Kana])), RosterName::foldedSpaces(field(at[Kanji])),
            field(at[PupilNumber]).normalized(QString::NormalizationForm_KC).trimmed()};

        const QString digits = digitsOf(field(at[Number]));
        if (digits.isEmpty()) {
            fail(line, Reason::NoNumber);
        } else if (!isDigits(digits)) {
            fail(line, Reason::NumberNotDigits, digits);
        } else {
            const QString value = pupilNumberKey(digits);
            row.number = value.size() <= 2 ? value.toInt() : maxNumber + 1;
            if (row.number < 1 || row.number > maxNumber)
                fail(line, Reason::NumberOutOfRange, digits);
            else if (numberLines.contains(row.number))
                fail(line, Reason::NumberTwice, value, numberLines.value(row.number));
            else
                numberLines.insert(row.number, line);
        }

        switch (RosterName::problemOf(row.kana)) {
        case RosterName::Problem::None:
            break;
        case RosterName::Problem::Empty:
            fail(line, Reason::NoName);
            break;
        case RosterName::Problem::NotKana:
            fail(line, Reason::NameNotKana, row.kana);
            break;
        case RosterName::Problem::TooLong:
            fail(line, Reason::NameTooLong, row.kana);
            break;
        }

        const QString key = pupilNumberKey(row.pupilNumber);
        if (!key.isEmpty() && pupilLines.contains(key))
            fail(line, Reason::PupilNumberTwice, row.pupilNumber, pupilLines.value(key));
        else if (!key.isEmpty())
            pupilLines.insert(key, line);
        result.rows.push_back(row);
    }
    std::stable_sort(result.problems.begin(), result.problems.end(),
        [](const Problem &a, const Problem &b) { return a.line < b.line; });
    if (!result.problems.empty())
        result.rows.clear();
    return result;
}

QString RosterCsv::message(const Problem &problem)
{
    QString text;
    switch (problem.reason) {
    case Reason::TooLarge:
        return QStringLiteral("ファイルが大きすぎます､クラスの名簿は%1行､1MBまでです").arg(maxLines);
    case Reason::UnknownEncoding:
        return QStringLiteral(
            "文字が読めないファイルです､Excelの「CSV UTF-8 (コンマ区切り)」か「CSV (コンマ区切り)」で保存してください");
    case Reason::NoPupils:
        return QStringLiteral("児童の行がありません");
    case Reason::UnclosedQuote:
        text = QStringLiteral("\"で始まる欄が閉じていません");
        break;
    case Reason::HeaderWithoutNumber:
        text = QStringLiteral("見出しに出席番号の列がありません");
        break;
    case Reason::HeaderWithoutName:
        text = QStringLiteral("見出しにふりがなの列がありません");
        break;
    case Reason::ColumnTwice:
        text = QStringLiteral("見出しの「%1」は同じ列がほかにもあります").arg(problem.what);
        break;
    case Reason::TooFewColumns:
        text = QStringLiteral("列が足りません､出席番号とふりがなを入れてください");
        break;
    case Reason::TooManyColumns:
        text = QStringLiteral("列が多すぎます､名前に,があるときは\"で囲んでください");
        break;
    case Reason::NoNumber:
        text = QStringLiteral("出席番号がありません");
        break;
    case Reason::NumberNotDigits:
        text = QStringLiteral("出席番号の「%1」が数字ではありません").arg(problem.what);
        break;
    case Reason::NumberOutOfRange:
        text = QStringLiteral("出席番号の「%1」は1から%2までにしてください").arg(problem.what).arg(maxNumber);
        break;
    case Reason::NumberTwice:
        text = QStringLiteral("出席番号%1は%2行目と同じです").arg(problem.what).arg(problem.firstLine);
        break;
    case Reason::NoName:
        text = QStringLiteral("ふりがながありません");
        break;
    case Reason::NameNotKana:
        text = QStringLiteral("ふりがなの「%1」はひらがなかカタカナで入れてください").arg(problem.what);
        break;
    case Reason::NameTooLong:
        text = QStringLiteral("ふりがなが長すぎます､%1文字までで入れてください").arg(RosterName::maxLength);
        break;
    case Reason::PupilNumberTwice:
        text = QStringLiteral("児童番号%1は%2行目と同じです").arg(problem.what).arg(problem.firstLine);
        break;
    }
    return QStringLiteral("%1行目：%2").arg(problem.line).arg(text);
}
