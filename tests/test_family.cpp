// The family: names, the parents' check and the data folder.
#include "family/child_name.h"
#include "family/data_folder.h"
#include "family/parents_check.h"
#include "support/test_main.h"

#include <QDirIterator>
#include <QTemporaryDir>

namespace {
void put(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// Every file (or entry) under `folder`, each with its path.
QStringList files(const QString &folder, QDir::Filters filters = QDir::Files)
{
    QStringList found;
    for (QDirIterator it(folder, filters | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
         it.hasNext();)
        found << it.next();
    return found;
}

} // namespace

class TestFamily : public QObject
{
    Q_OBJECT
private slots:
    void names_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<ChildName::Problem>("problem"); // in a family with たろう and だいき
        QTest::addColumn<QString>("kept");
        using P = ChildName::Problem;
        QTest::newRow("katakana, long vowel") << "ターボー" << P::None << "ターボー";
        QTest::newRow("half-width, voiced") << "ﾀﾞｲｽｹ" << P::None << "ダイスケ";
        QTest::newRow("combining voiced mark") << QString("か\u3099な") << P::None << "がな";
        QTest::newRow("blanks around") << "　はな " << P::None << "はな";
        QTest::newRow("nine") << "あいうえおかきくけ" << P::TooLong << "";
        QTest::newRow("eight half-width voiced") << "ｶﾞｷﾞｸﾞｹﾞﾊﾟﾋﾟﾌﾟﾍﾟ" << P::None << "ガギグゲパピプペ";
        QTest::newRow("empty") << "" << P::Empty << "";
        QTest::newRow("climbing") << "../x" << P::NotKana << "";
        QTest::newRow("slash") << "たろ/う" << P::NotKana << "";
        QTest::newRow("NUL") << (QStringLiteral("たろ") + QChar(0) + "う") << P::NotKana << "";
        QTest::newRow("circled katakana") << "㋐" << P::NotKana << "";
        QTest::newRow("same in katakana") << "タロウ" << P::Taken << "";
        QTest::newRow("same in half-width") << "ﾀﾛｳ" << P::Taken << "";
        QTest::newRow("same, half-width voiced") << "ﾀﾞｲｷ" << P::Taken << "";
        QTest::newRow("small letter is another name") << "たろぅ" << P::None << "たろぅ";
    }
    void names()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QTEST(ChildName::problemOf(typed, {ChildName::key("たろう"), ChildName::key("だいき")}), "problem");
        QCOMPARE(kept.isEmpty() ? kept : ChildName::normalised(typed), kept);
    }

    void gate_data()
    {
        QTest::addColumn<QList<int>>("draws"); // in turn, then 0s
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<ParentsCheck::State>("state");
        QTest::addColumn<QString>("question"); // asked at the end
        using S = ParentsCheck::State;
        QTest::newRow("full-width, blanks") << QList<int>{24, 1} << QStringList{"　１０２ "} << S::Passed << "34 × 3 ＝ ？";
        QTest::newRow("largest") << QList<int>{89, 7} << QStringList{"891"} << S::Passed << "99 × 9 ＝ ？";
        QTest::newRow("wrong, then right anew") << QList<int>{27, 4} << QStringList{"221", "20"} << S::Passed << "10 × 2 ＝ ？";
        QTest::newRow("three wrong") << QList<int>{27, 4, 27, 4, 27, 4} << QStringList{"+222", "2 22", "222.0"} << S::Closed << "37 × 6 ＝ ？";
        QTest::newRow("closed stays closed") << QList<int>{} << QStringList{"", "x", "二十", "20"} << S::Closed << "10 × 2 ＝ ？";
        QTest::newRow("passed stays passed") << QList<int>{} << QStringList{"020", "1"} << S::Passed << "10 × 2 ＝ ？";
    }
    void gate()
    {
        QFETCH(QList<int>, draws);
        QFETCH(QStringList, answers);
        ParentsCheck check([&draws](int) { return draws.isEmpty() ? 0 : draws.takeFirst(); });
        for (const QString &answer : answers)
            check.answer(answer);
        QTEST(check.state(), "state");
        QTEST(check.question(), "question");
    }

    void dataFolder_data()
    {
        QTest::addColumn<QStringList>("environment"); // XDG_DATA_HOME, HOME ("-" unset), the password entry's home
        QTest::addColumn<QString>("path");            // T is a folder with home/, pw/ and a file
        QTest::addColumn<bool>("warned");
        QTest::newRow("XDG absolute") << QStringList{"T/xdg", "T/home", "T/pw"} << "T/xdg/sansu-drill" << false;
        QTest::newRow("XDG relative") << QStringList{"xdg", "T/home", "T/pw"} << "T/home/.local/share/sansu-drill" << false;
        QTest::newRow("XDG a file") << QStringList{"T/file", "T/home", "T/pw"} << "T/home/.local/share/sansu-drill" << true;
        QTest::newRow("HOME unset") << QStringList{"-", "-", "T/pw"} << "T/pw/.local/share/sansu-drill" << false;
        QTest::newRow("HOME relative") << QStringList{"-", "home", "T/pw"} << "T/pw/.local/share/sansu-drill" << false;
        QTest::newRow("no home") << QStringList{"-", "-", ""} << "" << false;
        QTest::newRow("home at the top") << QStringList{"-", "/", "/"} << "" << false;
        QTest::newRow("home missing") << QStringList{"-", "T/gone", "T/pw"} << "" << false;
        QTest::newRow("XDG set, no home") << QStringList{"T/xdg", "-", ""} << "T/xdg/sansu-drill" << false;
    }
    // The folder is found without making anything; make() makes it, or says
    // why not.
    void dataFolder()
    {
        QFETCH(QStringList, environment);
        QFETCH(QString, path);
        QTemporaryDir root;
        QDir(root.path()).mkpath("home");
        QDir(root.path()).mkpath("pw");
        put(root.filePath("file"), "not a folder");
        const auto in = [&root](const QString &text) -> std::optional<QString> {
            return text == "-" ? std::nullopt : std::optional<QString>(QString(text).replace("T/", root.path() + "/"));
        };
        const QStringList before = files(root.path(), QDir::AllEntries);
        const auto found = DataFolder::resolve({in(environment[0]), in(environment[1]), *in(environment[2])});
        QCOMPARE(found.path, *in(path));
        QCOMPARE(found.problem.isEmpty(), !path.isEmpty());
        QTEST(!found.warning.isEmpty(), "warned");
        QCOMPARE(files(root.path(), QDir::AllEntries), before);
        QVERIFY(path.isEmpty() || (DataFolder::make(found.path) && QFileInfo(found.path).isDir()));
        QVERIFY(!DataFolder::make(root.filePath("file/sub")).reason.isEmpty());
    }

};

SANSU_TEST_MAIN(TestFamily)
#include "test_family.moc"
