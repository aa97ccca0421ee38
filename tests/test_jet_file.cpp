// Results files of the old Jet format: the version check on the first bytes,
// and the tables read through the mdbtools programs, from the files in tests/data/jet/.
#include "store/jet_file.h"
#include "support/sandbox.h"

#include <QtTest>

namespace {
// What was read, as lines: "unreadable: " and the detail up to its second
// colon, or nothing when read; then each table read as "NAME: column|column"
// and its rows.
QStringList dump(const JetFile::Contents &c)
{
    QStringList lines{(c.status == JetFile::Status::Unreadable ? "unreadable: " : "") + c.detail.section(':', 0, 1)};
    for (const auto &[name, table] : c.tables) {
        lines << name + ": " + table.columns.join('|');
        for (const QStringList &row : table.rows)
            lines << row.join('|');
    }
    return lines;
}
} // namespace

class TestJetFile : public QObject
{
    Q_OBJECT
private slots:
    void version_data()
    {
        QTest::addColumn<QByteArray>("head"); // the file's first bytes
        QTest::addColumn<int>("expected");    // 0: not a Jet file
        QTest::newRow("jet 4") << QByteArray("\0\1\0\0Standard Jet DB\0\1", 21) << 4;
        QTest::newRow("jet 5") << QByteArray("\0\1\0\0Standard Jet DB\0\2", 21) << 0;
        QTest::newRow("ends before the version") << QByteArray("\0\1\0\0Standard Jet DB\0", 20) << 0;
        // As every SQLite file begins, this program's results file among them.
        QTest::newRow("SQLite") << QByteArray("SQLite format 3\0\x10\0\1\1\0", 21) << 0;
    }
    // Only a Jet 3 or 4 file is offered to be carried over; a file of no
    // version byte, of another version or of this program is not.
    void version()
    {
        QFETCH(QByteArray, head);
        QTemporaryFile file;
        QVERIFY(file.open() && file.write(head) == head.size() && file.flush());
        QTEST(JetFile::version(file.fileName()).value_or(0), "expected");
    }

    void read_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("size"); // the file cut to this many bytes; -1: whole
        QTest::addColumn<QStringList>("contents");
        QTest::newRow("old results") << "old-results.mdb" << -1 << QStringList{
            "", "ENV: SET_LOG", "36500", "log: 日時|科目|得点", "2001/04/27 9:05:03|たしざん１０|7",
            "2001/04/27 15:00:00|たして１０|3", "2005/05/01 10:30:00|とけい|12", "2012/01/15|ひきざん２０|1",
            "2024/12/24 18:45:10|ひいて１０|10", "2026/11/30 8:00:00|たしざん１０|5", "2026/12/01 7:59:59|たしざん２０|2"};
        QTest::newRow("other program") << "other-program.mdb" << -1
                                       << QStringList{"", "customers: Name|City", "山田|東京", "Smith, \"Jr.\"|London\nUK"};
        // The tools end with status 1 (LOG's definition page is gone), or
        // with status 0 and a warning (LOG's data page is gone).
        QTest::newRow("truncated") << "truncated.mdb" << -1 << QStringList{"unreadable: mdb-export: exit status 1"};
        QTest::newRow("no LOG data page") << "old-results.mdb" << 7 * 2048 << QStringList{"unreadable: mdb-export: warning"};
        // The tools would read a page cut short as if it ended in zeros, without a word.
        QTest::newRow("cut in a page") << "old-results.mdb" << 7 * 2048 + 1
                                       << QStringList{"unreadable: the file ends within a page (14337 bytes, pages of 2048)"};
    }
    // Texts are decoded from code page 932, table names match in any case,
    // and CSV fields may hold commas, quotes and line ends.
    void read()
    {
        QFETCH(QString, file);
        QFETCH(int, size);
        Sandbox box;
        QVERIFY(QFile::copy(SANSU_SOURCE_DIR "/tests/data/jet/" + file, file) && (size < 0 || QFile::resize(file, size)));
        QTEST(dump(JetFile::read(file, {"ENV", "log", "customers"})), "contents");
    }
};

QTEST_GUILESS_MAIN(TestJetFile)
#include "test_jet_file.moc"
