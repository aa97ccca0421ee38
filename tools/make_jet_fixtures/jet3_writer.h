#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// Builds a small database file in the Jet 3 format (Access 97, 2048-byte
// pages) with the little that readers such as mdbtools need: the header page,
// a page of usage maps, then a definition page and a data page for the catalog
// table MSysObjects and for each table in the order added. Every column added here is a text column;
// texts are stored in code page 932, as a Japanese Windows system wrote them.
class Jet3Writer
{
public:
    static constexpr int pageSize = 2048;

    // A table whose rows all have one text for each column. A missing text is
    // stored as NULL. The rows numbered in `deleted` are stored as Jet leaves
    // a deleted row: its bytes kept, its offset flagged (0xC000).
    void addTable(const QString &name, const QStringList &columns,
                  const std::vector<std::vector<std::optional<QString>>> &rows,
                  const std::vector<size_t> &deleted = {});

    // The whole file. Empty, with the reason in `error`, when a text has no
    // code page 932 form or a table does not fit on one data page.
    QByteArray build(QString *error) const;

private:
    struct Table
    {
        QString name;
        QStringList columns;
        std::vector<std::vector<std::optional<QString>>> rows;
        std::vector<size_t> deleted;
    };
    // A table with its names and texts in code page 932.
    struct Encoded
    {
        QByteArray name;
        std::vector<QByteArray> columns;
        std::vector<std::vector<std::optional<QByteArray>>> rows;
    };
    static std::optional<Encoded> encode(const Table &table, QString *error);

    std::vector<Table> tables;
};
