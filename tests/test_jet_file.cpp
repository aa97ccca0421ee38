// Results files of the old Jet format: the version check on the first bytes,
// and the tables read through the mdbtools programs, from the files in tests/data/jet/.
#include "store/jet_file.h"
#include "support/sandbox.h"

#include <QFile>
#include <QtTest>

namespace {
const QString jetDir = QStringLiteral(SANSU_SOURCE_DIR "/tests/data/jet/");

// The table names, then each table read as "NAME: column|column" and its rows.
QStringList dump(const JetFile::Contents &contents)
{
    QStringList lines{contents.tableNames.join(QLatin1Char(' '))};
    for (const auto &[name, table] : contents.tables) {
        lines << name + QStringLiteral(": ") + table.columns.join(QLatin1Char('|'));
        for (const QStringList &row : table.rows)
            lines << row.join(QLatin1Char('|'));
    }
    return lines;
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}
} // namespace

class TestJetFile : public QObject
{
    Q_OBJECT
private slots:
    void version_data()
    {
        QTest::addColumn<QString>("file"); // a fixture, the record file made here, or "" for `bytes`
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("expected"); // 0: not a Jet file
        for (const char *name : {"old-results.mdb", "old-results-misfits.mdb", "other-program.mdb", "truncated.mdb"})
            QTest::newRow(name) << jetDir + QLatin1String(name) << QByteArray() << 3;
        const QByteArray head("\0\1\0\0Standard Jet DB\0", 20);
        QTest::newRow("jet 4") << QString() << head + '\1' << 4;
        QTest::newRow("jet 5") << QString() << head + '\2' << 0;
        QTest::newRow("ends before the version") << QString() << head << 0;
        QTest::newRow("sqlite record file") << "ADO_ZEM.MDB" << QByteArray() << 0;
        QTest::newRow("missing") << "none.mdb" << QByteArray() << 0;
    }
    void version()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        Sandbox box;
        box.makeRecordFile();
        write(box.path(QStringLiteral("x.mdb")), bytes);
        QTEST(JetFile::version(file.isEmpty() ? QStringLiteral("x.mdb") : file).value_or(0), "expected");
    }
    void read_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("size"); // the file cut to this many bytes; 0: whole
        QTest::addColumn<QString>("failure"); // the start of the detail; empty: read
        QTest::addColumn<QStringList>("contents");
        QTest::newRow("old results") << "old-results.mdb" << 0 << QString() << QStringList{
            "ENV LOG", "ENV: SET_LOG", "36500", "log: 日時|科目|得点", "2001/04/27 9:05:03|たしざん１０|7",
            "2001/04/27 15:00:00|たして１０|3", "2005/05/01 10:30:00|とけい|12", "2012/01/15|ひきざん２０|1",
            "2024/12/24 18:45:10|ひいて１０|10", "2026/11/30 8:00:00|たしざん１０|5", "2026/12/01 7:59:59|たしざん２０|2"};
        QTest::newRow("other program") << "other-program.mdb" << 0 << QString() << QStringList{
            "Customers", "customers: Name|City", "山田|東京", "Smith, \"Jr.\"|London\nUK"};
        QTest::newRow("truncated") << "truncated.mdb" << 0 << "mdb-export: exit status 1" << QStringList{""};
        QTest::newRow("no LOG data page") << "old-results.mdb" << 7 * 2048 << "mdb-export: warning" << QStringList{""};
        QTest::newRow("cut in a page") << "old-results.mdb" << 7 * 2048 + 1 << "the file ends within" << QStringList{""};
    }
    void read()
    {
        QFETCH(QString, file);
        QFETCH(int, size);
        QFETCH(QString, failure);
        Sandbox box;
        const QByteArray bytes = Sandbox::bytes(jetDir + file);
        write(box.path(file), size ? bytes.left(size) : bytes);
        const auto contents = JetFile::read(file, {"ENV", "log", "customers"});
        QCOMPARE(contents.status, failure.isEmpty() ? JetFile::Status::Read : JetFile::Status::Unreadable);
        QCOMPARE(contents.detail.left(failure.isEmpty() ? contents.detail.size() : failure.size()), failure);
        QTEST(dump(contents), "contents");
    }
    void readWithoutTools()
    {
        Sandbox emptyFolder;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", emptyFolder.path(".").toLocal8Bit());
        const auto contents = JetFile::read(jetDir + QStringLiteral("old-results.mdb"), {"ENV"});
        qputenv("PATH", path);
        QCOMPARE(contents.status, JetFile::Status::ToolsMissing);
        QCOMPARE(contents.detail, QStringLiteral("mdb-tables: not found"));
        QCOMPARE(dump(contents), QStringList{""});
    }
};

QTEST_GUILESS_MAIN(TestJetFile)
#include "test_jet_file.moc"
