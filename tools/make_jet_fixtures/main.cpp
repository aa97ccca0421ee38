// Writes the Jet 3 database files that the tests of the old results format
// read (tests/data/jet/). The output is the same, byte for byte, on every run.
// Usage: make_jet_fixtures OUTDIR
#include "jet3_writer.h"

#include <QDir>
#include <QFile>

#include <cstdio>

namespace {
using Rows = std::vector<std::vector<std::optional<QString>>>;

const QStringList logColumns{QStringLiteral("日時"), QStringLiteral("科目"), QStringLiteral("得点")};

Jet3Writer resultsFile(const QString &retention, const Rows &log, const std::vector<size_t> &deleted = {})
{
    Jet3Writer w;
    w.addTable(QStringLiteral("ENV"), {QStringLiteral("SET_LOG")}, {{retention}});
    w.addTable(QStringLiteral("LOG"), logColumns, log, deleted);
    return w;
}

Jet3Writer oldResults()
{
    return resultsFile(QStringLiteral("36500"),
                       {{QStringLiteral("2001/04/27 9:05:03"), QStringLiteral("たしざん１０"), QStringLiteral("7")},
                        {QStringLiteral("2001/04/27 15:00:00"), QStringLiteral("たして１０"), QStringLiteral("3")},
                        {QStringLiteral("2005/05/01 10:30:00"), QStringLiteral("とけい"), QStringLiteral("12")},
                        {QStringLiteral("2012/01/15"), QStringLiteral("ひきざん２０"), QStringLiteral("1")},
                        {QStringLiteral("2024/12/24 18:45:10"), QStringLiteral("ひいて１０"), QStringLiteral("10")},
                        {QStringLiteral("2026/11/30 8:00:00"), QStringLiteral("たしざん１０"), QStringLiteral("5")},
                        {QStringLiteral("2026/12/01 7:59:59"), QStringLiteral("たしざん２０"), QStringLiteral("2")}});
}

// As a file of the old program looks after years of use: times written from
// 0:00:01 to 0:59:59 with the hour 0, a PC whose time form pads the hour, a
// date alone, and rows its purge deleted, whose bytes stay on the page.
Jet3Writer timesAndDeletedRows()
{
    return resultsFile(QStringLiteral("36500"),
                       {{QStringLiteral("2001/01/05 8:00:00"), QStringLiteral("たしざん１０"), QStringLiteral("1")},
                        {QStringLiteral("2026/12/01 0:30:00"), QStringLiteral("たしざん１０"), QStringLiteral("4")},
                        {QStringLiteral("2026/12/01 09:05:00"), QStringLiteral("ひきざん１０"), QStringLiteral("6")},
                        {QStringLiteral("2001/01/06 9:00:00"), QStringLiteral("とけい"), QStringLiteral("2")},
                        {QStringLiteral("2026/12/02 0:00:01"), QStringLiteral("とけい"), QStringLiteral("2")},
                        {QStringLiteral("2026/12/03"), QStringLiteral("たして１０"), QStringLiteral("3")},
                        {QStringLiteral("2026/12/03 23:59:59"), QStringLiteral("ひいて１０"), QStringLiteral("9")}},
                       {0, 3});
}

Jet3Writer misfits()
{
    return resultsFile(QStringLiteral("90"),
                       {{QStringLiteral("2026/11/30 8:00:00"), QStringLiteral("たしざん１０"), QStringLiteral("5")},
                        {QStringLiteral("2026/11/30 8:10:00"), QStringLiteral("とけい"), QStringLiteral("abc")},
                        {QStringLiteral("きのう"), QStringLiteral("ひきざん１０"), QStringLiteral("4")},
                        {QStringLiteral("2026/12/01 9:00:00"), QStringLiteral("たして１０"), QStringLiteral("6")}});
}

Jet3Writer otherProgram()
{
    Jet3Writer w;
    w.addTable(QStringLiteral("Customers"), {QStringLiteral("Name"), QStringLiteral("City")},
               {{QStringLiteral("山田"), QStringLiteral("東京")},
                {QStringLiteral("Smith, \"Jr.\""), QStringLiteral("London\nUK")}});
    return w;
}

bool save(const QDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "make_jet_fixtures: cannot write %s\n", qPrintable(file.fileName()));
        return false;
    }
    return true;
}
} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_jet_fixtures OUTDIR\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "make_jet_fixtures: cannot create %s\n", argv[1]);
        return 1;
    }
    QString error;
    const QByteArray old = oldResults().build(&error);
    const QByteArray odd = misfits().build(&error);
    const QByteArray other = otherProgram().build(&error);
    const QByteArray times = timesAndDeletedRows().build(&error);
    if (old.isEmpty() || odd.isEmpty() || other.isEmpty() || times.isEmpty()) {
        std::fprintf(stderr, "make_jet_fixtures: %s\n", qPrintable(error));
        return 1;
    }
    // LOG's definition and data pages are the last two: without them its rows
    // cannot be read at all, while the catalog still names the table.
    const QByteArray truncated = old.left(old.size() - 2 * Jet3Writer::pageSize);
    const bool ok = save(dir, QStringLiteral("old-results.mdb"), old)
                    && save(dir, QStringLiteral("truncated.mdb"), truncated)
                    && save(dir, QStringLiteral("old-results-misfits.mdb"), odd)
                    && save(dir, QStringLiteral("other-program.mdb"), other)
                    && save(dir, QStringLiteral("old-results-times.mdb"), times);
    return ok ? 0 : 1;
}
