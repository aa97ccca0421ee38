#include "jet3_writer.h"

#include <algorithm>

#include <iconv.h>

namespace {
constexpr int pageSize = Jet3Writer::pageSize;
constexpr int dataHeaderSize = 10; // type, unknown, free space, table page, row count
constexpr int usageMapSize = 128;  // type 0 map: map type, first page, then the bitmap
constexpr int maxRowSize = 255;    // larger rows need a jump table, which is not written

enum ColumnType : quint8 { Integer = 0x03, LongInteger = 0x04, Text = 0x0A, LongBinary = 0x0B };
enum ColumnFlag : quint8 { FixedLength = 0x01, Nullable = 0x02 };
constexpr quint16 textLength = 255;
constexpr quint16 japaneseSortOrder = 0x0411;
constexpr quint16 japaneseCodePage = 932;
constexpr quint8 userTable = 0x4E, systemTable = 0x53;
constexpr quint32 catalogTypeTable = 1;
constexpr quint32 catalogSystemFlags = 0x80000002;

struct Column
{
    QByteArray name;
    quint8 type;
    quint16 length;
    bool fixed() const { return type != Text && type != LongBinary; }
};
using Value = std::optional<QByteArray>;

// A table with every name and text already in its stored bytes.
struct StoredTable
{
    QByteArray name;
    bool system = false;
    std::vector<Column> columns;
    std::vector<std::vector<Value>> rows;
    std::vector<size_t> deleted;
};

void put16(QByteArray &bytes, int at, quint32 value)
{
    bytes[at] = char(value & 0xFF);
    bytes[at + 1] = char((value >> 8) & 0xFF);
}

void put32(QByteArray &bytes, int at, quint32 value)
{
    put16(bytes, at, value & 0xFFFF);
    put16(bytes, at + 2, value >> 16);
}

QByteArray le32(quint32 value)
{
    QByteArray bytes(4, '\0');
    put32(bytes, 0, value);
    return bytes;
}

// A data pointer: the page in the upper three bytes, the row on it in the lowest.
quint32 rowPointer(int page, int row)
{
    return quint32(page) << 8 | quint32(row);
}

std::optional<QByteArray> toCp932(const QString &text)
{
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == iconv_t(-1))
        return std::nullopt;
    QByteArray in = text.toUtf8();
    QByteArray out(in.size() * 2 + 4, '\0');
    char *inPtr = in.data();
    char *outPtr = out.data();
    size_t inLeft = size_t(in.size()), outLeft = size_t(out.size());
    const size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (done == size_t(-1) || inLeft != 0)
        return std::nullopt;
    out.truncate(out.size() - int(outLeft));
    return out;
}

// One row in the Jet 3 layout: column count, fixed columns, variable columns,
// end-of-data offset, variable column offsets (last column first), their
// count, and the null mask (bit set = value present).
QByteArray encodeRow(const std::vector<Column> &columns, const std::vector<Value> &values)
{
    QByteArray row(1, char(columns.size()));
    for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].fixed())
            row += values[i] ? *values[i] : QByteArray(columns[i].length, '\0');
    }
    std::vector<int> varOffsets;
    for (size_t i = 0; i < columns.size(); ++i) {
        if (!columns[i].fixed()) {
            varOffsets.push_back(int(row.size()));
            if (values[i])
                row += *values[i];
        }
    }
    row += char(row.size());
    for (auto it = varOffsets.rbegin(); it != varOffsets.rend(); ++it)
        row += char(*it);
    row += char(varOffsets.size());
    QByteArray nullMask((columns.size() + 7) / 8, '\0');
    for (size_t i = 0; i < columns.size(); ++i) {
        if (values[i])
            nullMask[int(i / 8)] = char(nullMask[int(i / 8)] | (1 << (i % 8)));
    }
    return row + nullMask;
}

// The offset flags of a row that was deleted: its bytes stay on the page.
constexpr quint32 deletedRow = 0xC000;

// A data page owned by the table whose definition is on `tablePage`; rows are
// stored from the end of the page towards its header.
QByteArray dataPage(int tablePage, const std::vector<QByteArray> &rows, const std::vector<size_t> &deleted = {})
{
    QByteArray page(pageSize, '\0');
    page[0] = 0x01;
    page[1] = 0x01;
    put32(page, 4, quint32(tablePage));
    put16(page, 8, quint32(rows.size()));
    int end = pageSize;
    for (size_t i = 0; i < rows.size(); ++i) {
        end -= int(rows[i].size());
        page.replace(end, int(rows[i].size()), rows[i]);
        const bool gone = std::find(deleted.begin(), deleted.end(), i) != deleted.end();
        put16(page, dataHeaderSize + 2 * int(i), quint32(end) | (gone ? deletedRow : 0));
    }
    put16(page, 2, quint32(end - dataHeaderSize - 2 * int(rows.size())));
    return page;
}

// A table definition page: the fixed block, one 18-byte entry per column,
// then the column names. The table has no indexes.
QByteArray definitionPage(const StoredTable &table, quint32 usedPagesMap, quint32 freePagesMap)
{
    QByteArray page(pageSize, '\0');
    page[0] = 0x02;
    page[1] = 0x01;
    page[2] = 'V';
    page[3] = 'C';
    int varCount = 0;
    for (const Column &c : table.columns)
        varCount += c.fixed() ? 0 : 1;
    const quint32 columnCount = quint32(table.columns.size());
    put32(page, 0x0C, quint32(table.rows.size() - table.deleted.size())); // live rows
    page[0x14] = char(table.system ? systemTable : userTable);
    put16(page, 0x15, columnCount); // most columns a row has
    put16(page, 0x17, quint32(varCount));
    put16(page, 0x19, columnCount);
    put32(page, 0x23, usedPagesMap);
    put32(page, 0x27, freePagesMap);

    // Column entries: type, number, variable-column index, number, sort
    // order, code page, two unknown bytes, flags, fixed-column offset, length.
    int at = 0x2B;
    int fixedOffset = 0, varIndex = 0;
    for (size_t i = 0; i < table.columns.size(); ++i) {
        const Column &c = table.columns[i];
        page[at] = char(c.type);
        put16(page, at + 1, quint32(i));
        put16(page, at + 3, c.fixed() ? 0 : quint32(varIndex));
        put16(page, at + 5, quint32(i));
        if (c.type == Text) {
            put16(page, at + 7, japaneseSortOrder);
            put16(page, at + 9, japaneseCodePage);
        }
        page[at + 13] = char(Nullable | (c.fixed() ? FixedLength : 0));
        put16(page, at + 14, c.fixed() ? quint32(fixedOffset) : 0);
        put16(page, at + 16, c.length);
        if (c.fixed())
            fixedOffset += c.length;
        else
            ++varIndex;
        at += 18;
    }
    for (const Column &c : table.columns) {
        page[at++] = char(c.name.size());
        page.replace(at, int(c.name.size()), c.name);
        at += int(c.name.size());
    }
    put32(page, 0x08, quint32(at - 8)); // length of the definition after the page header
    return page;
}

// A type 0 usage map: the pages in `pages`, counted from page 0.
QByteArray usageMap(const std::vector<int> &pages)
{
    QByteArray map(usageMapSize, '\0');
    for (int p : pages)
        map[5 + p / 8] = char(map[5 + p / 8] | (1 << (p % 8)));
    return map;
}

// Page 0: the signature and the version byte 0 for Jet 3. The bytes from 0x18
// on are stored encrypted; the four stored at 0x3E read as database key 0,
// which tells readers that the other pages are not encrypted.
QByteArray headerPage()
{
    QByteArray page(pageSize, '\0');
    page[1] = 0x01;
    page.replace(4, 15, "Standard Jet DB");
    page[0x14] = 0x00;
    put32(page, 0x3E, 0x4EBC8AFB);
    return page;
}
} // namespace

void Jet3Writer::addTable(const QString &name, const QStringList &columns,
                          const std::vector<std::vector<std::optional<QString>>> &rows,
                          const std::vector<size_t> &deleted)
{
    tables.push_back({name, columns, rows, deleted});
}

std::optional<Jet3Writer::Encoded> Jet3Writer::encode(const Table &table, QString *error)
{
    auto fail = [&](const QString &text) {
        *error = QStringLiteral("%1: no code page 932 form for \"%2\"").arg(table.name, text);
        return std::nullopt;
    };
    Encoded encoded;
    const auto name = toCp932(table.name);
    if (!name)
        return fail(table.name);
    encoded.name = *name;
    for (const QString &column : table.columns) {
        const auto bytes = toCp932(column);
        if (!bytes)
            return fail(column);
        encoded.columns.push_back(*bytes);
    }
    for (const auto &row : table.rows) {
        if (row.size() != size_t(table.columns.size())) {
            *error = QStringLiteral("%1: a row has %2 texts for %3 columns")
                         .arg(table.name).arg(row.size()).arg(table.columns.size());
            return std::nullopt;
        }
        std::vector<std::optional<QByteArray>> values;
        for (const auto &text : row) {
            if (!text) {
                values.push_back(std::nullopt);
                continue;
            }
            const auto bytes = toCp932(*text);
            if (!bytes)
                return fail(*text);
            values.push_back(bytes);
        }
        encoded.rows.push_back(values);
    }
    return encoded;
}

QByteArray Jet3Writer::build(QString *error) const
{
    // The catalog's own entry comes first. LvProp would hold design
    // properties; readers expect the column, and NULL stands for none.
    std::vector<StoredTable> stored{{"MSysObjects", true,
                                     {{"Id", LongInteger, 4},
                                      {"ParentId", LongInteger, 4},
                                      {"Name", Text, textLength},
                                      {"Type", Integer, 2},
                                      {"Flags", LongInteger, 4},
                                      {"LvProp", LongBinary, 0}},
                                     {},
                                     {}}};
    for (const Table &table : tables) {
        const auto encoded = encode(table, error);
        if (!encoded)
            return QByteArray();
        StoredTable s{encoded->name, false, {}, encoded->rows, table.deleted};
        for (const QByteArray &column : encoded->columns)
            s.columns.push_back({column, Text, textLength});
        stored.push_back(s);
    }
    const int mapCount = 1 + 2 * int(stored.size());
    if (dataHeaderSize + mapCount * (usageMapSize + 2) > pageSize) {
        *error = QStringLiteral("too many tables for one page of usage maps");
        return QByteArray();
    }

    // The catalog names each table by the page of its definition.
    constexpr int catalogPage = 2;
    auto definitionPageOf = [](size_t table) { return catalogPage + 2 * int(table); };
    for (size_t i = 0; i < stored.size(); ++i) {
        const auto id = le32(quint32(definitionPageOf(i)));
        const auto type = le32(catalogTypeTable).left(2);
        const auto flags = le32(stored[i].system ? catalogSystemFlags : 0);
        stored[0].rows.push_back({id, le32(0), stored[i].name, type, flags, std::nullopt});
    }

    // Row 0 of page 1 maps every page of the file; then each table's map of
    // its pages and of its pages with free space, both its one data page.
    std::vector<int> allPages;
    for (int p = 0; p < definitionPageOf(stored.size()); ++p)
        allPages.push_back(p);
    std::vector<QByteArray> maps{usageMap(allPages)};
    std::vector<QByteArray> pages{headerPage(), QByteArray()};
    for (size_t i = 0; i < stored.size(); ++i) {
        const int tablePage = definitionPageOf(i);
        const int mapRow = int(maps.size());
        maps.push_back(usageMap({tablePage + 1}));
        maps.push_back(usageMap({tablePage + 1}));
        pages.push_back(definitionPage(stored[i], rowPointer(1, mapRow), rowPointer(1, mapRow + 1)));

        std::vector<QByteArray> rows;
        int used = dataHeaderSize;
        for (const auto &values : stored[i].rows) {
            rows.push_back(encodeRow(stored[i].columns, values));
            used += int(rows.back().size()) + 2;
            if (rows.back().size() > maxRowSize || used > pageSize) {
                *error = QStringLiteral("table %1 does not fit on one page").arg(i == 0 ? "MSysObjects" : tables[i - 1].name);
                return QByteArray();
            }
        }
        pages.push_back(dataPage(tablePage, rows, stored[i].deleted));
    }
    pages[1] = dataPage(0, maps);

    QByteArray file;
    for (const QByteArray &page : pages)
        file += page;
    return file;
}
