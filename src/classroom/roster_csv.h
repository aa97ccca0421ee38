#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// A class roster as a school system exports it, or as a teacher saves it from
// Excel: a CSV file of one line per pupil, each with its attendance number
// (出席番号, 1 to 99, in half- or full-width digits) and the pupil's name in
// kana (see RosterName), and if the file has them the name in kanji and the
// school system's pupil number (児童番号).
//
// The file may be UTF-8, with or without a byte order mark, or CP932 (the
// Shift_JIS of Windows, in which Excel on a Japanese PC saves CSV): a byte
// order mark means UTF-8, as does text that is valid UTF-8; anything else is
// read as CP932, with its NEC and IBM extensions (①, ㈱, 髙, 﨑).
//
// The first line is a header when any of its fields names a column. The names
// understood, whatever their width, letter case, spaces, a closing full stop,
// or hiragana against katakana (フリガナ is ふりがな):
//   出席番号  出席番号, 番号, No, 出席No
//   kana      ふりがな, よみ, よみがな, かな, 氏名かな, かな氏名, 氏名ふりがな, ふりがな氏名
//   kanji     氏名, 漢字氏名, 氏名漢字, 名前, 児童名, 児童氏名
//   児童番号  児童番号, 個人番号, 学籍番号, 児童ID, 児童コード
// Other columns (性別, 生年月日 …) are passed over. Without a header the
// columns are 出席番号, kana, kanji, 児童番号, the last two optional.
//
// A roster is read whole or not at all: every line that cannot be taken is
// named with its reason, and then no row is given.
class RosterCsv
{
public:
    struct Row
    {
        int line = 0;   // in the file, from 1
        int number = 0; // 出席番号
        QString kana;   // normalised as RosterName has it
        QString kanji;  // spaces folded as in the kana name; may be empty
        // 児童番号, full-width letters and digits written half-width; may be
        // empty. See pupilNumberKey for how two are compared.
        QString pupilNumber;
    };
    enum class Reason {
        TooLarge,        // the file as a whole (line 0)
        UnknownEncoding, // the file as a whole
        UnclosedQuote,
        NoPupils, // the file as a whole
        HeaderWithoutNumber,
        HeaderWithoutName,
        ColumnTwice,
        TooFewColumns,
        TooManyColumns,
        NoNumber,
        NumberNotDigits,
        NumberOutOfRange,
        NumberTwice,
        NoName,
        NameNotKana,
        NameTooLong,
        PupilNumberTwice,
    };
    struct Problem
    {
        int line = 0; // 0: the file as a whole
        Reason reason = Reason::NoPupils;
        int firstLine = 0; // NumberTwice, PupilNumberTwice: the line it stood on first
        QString what;      // the column, number or pupil number it is about
        friend bool operator==(const Problem &, const Problem &) = default;
    };
    struct Result
    {
        std::vector<Row> rows;         // in the file's order; empty when any problem
        std::vector<Problem> problems; // in the file's order
    };
    enum class Encoding { Utf8, Cp932 };

    static constexpr qsizetype maxBytes = 1024 * 1024;
    static constexpr int maxLines = 1000;
    static constexpr int maxNumber = 99;

    static Result read(const QByteArray &bytes);
    // The file's text, and how it was written; nothing when it is neither
    // UTF-8 nor CP932 (or CP932 cannot be decoded here: Qt without ICU).
    struct Text
    {
        QString text;
        Encoding encoding = Encoding::Utf8;
    };
    static std::optional<Text> decode(const QByteArray &bytes);
    // A pupil number as it is compared, in the file and across years: Excel
    // drops the leading zeros of a number when it opens a CSV and saves it
    // again, so a number of digits alone is compared without them.
    static QString pupilNumberKey(const QString &pupilNumber);
    // What the teacher reads: "3行目：出席番号がありません".
    static QString message(const Problem &problem);
};
