// The family: names, the list of children against the folders, changes
// killed between any two steps, the parents' check and the data folder.
#include "family/child_marker.h"
#include "family/data_folder.h"
#include "family/family.h"
#include "support/sandbox.h"
#include "support/test_main.h"

#include <QDirIterator>
#include <QLockFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <memory>

namespace {
const QString STEPPER = QStringLiteral(SANSU_HELPER_DIR "/other_copy");
const QByteArray RESULTS = "SQLite format 3\0 the family's results", JOURNAL = "a hot journal";

const auto put = Sandbox::put;

// Every file (or entry) under `folder`, each with its path.
QStringList files(const QString &folder, QDir::Filters filters = QDir::Files)
{
    QStringList found;
    for (QDirIterator it(folder, filters | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
         it.hasNext();)
        found << it.next();
    return found;
}

// Every entry under `folder` with what it holds.
QStringList contents(const QString &folder)
{
    QStringList found = files(folder, QDir::AllEntries);
    for (QString &entry : found)
        entry += QLatin1Char('=') + QString::fromLatin1(Sandbox::bytes(entry).toHex());
    return found;
}

// The files under `folder` that hold `content`.
QStringList holders(const QString &folder, const QByteArray &content)
{
    QStringList found = files(folder);
    found.removeIf([&content](const QString &file) { return Sandbox::bytes(file) != content; });
    return found;
}

// Where the family as loaded and the disk disagree: two children with one id
// or name, a list or marker that says otherwise, a child's folder that is no
// child, a temporary or lock left behind. Empty when they agree.
QString disagreement(const Family &family)
{
    const QString data = family.dataFolder();
    QSet<QString> ids, keys;
    for (const Child &child : family.children()) {
        ids.insert(child.id);
        keys.insert(ChildName::key(child.name));
        if (family.trouble(child.id) != Family::Trouble::None)
            continue; // no folder of its own to agree
        const auto marker = ChildMarker::read(Sandbox::bytes(family.resultsFolder(child.id) + "/" + ChildMarker::fileName));
        if (!marker || marker->child != child || marker->adopts || marker->removing)
            return child.id + " has another marker";
    }
    if (ids.size() != family.children().size() || keys.size() != family.children().size())
        return QStringLiteral("two children with one id or name");
    const auto listed = ChildrenList::read(Sandbox::bytes(data + "/" + ChildrenList::fileName));
    if (!family.children().isEmpty() && (!listed || listed->children != family.children() || listed->last != family.lastChosen()))
        return QStringLiteral("the list says otherwise");
    QStringList entries = QDir(data).entryList({"child-*"}, QDir::Dirs);
    for (const Child &child : family.children())
        entries << (family.trouble(child.id) != Family::Trouble::None ? child.id : QString());
    entries.removeAll(QString());
    if (QSet<QString>(entries.cbegin(), entries.cend()) != ids)
        return QStringLiteral("the folders are not the children");
    // The family's lock file stays: it is only ever locked, never removed.
    const QStringList left = files(data).filter(QRegularExpression("/\\.(?!children\\.json\\.lock$)[^/]*$"));
    return left.isEmpty() ? QString() : left.join(' ') + " left behind";
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
        QTest::newRow("the first hiragana and katakana, small ones") << "ぁァ" << P::None << "ぁァ";
        QTest::newRow("long vowel marks alone") << "ーー" << P::NotKana << "";
    }
    void names()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QTEST(ChildName::problemOf(typed, {ChildName::key("たろう"), ChildName::key("だいき")}), "problem");
        QCOMPARE(kept.isEmpty() ? kept : ChildName::normalised(typed), kept);
    }

    void listFile_data()
    {
        QTest::addColumn<QByteArray>("list");       // "-" for none
        QTest::addColumn<QStringList>("folders");   // "child-N:NAME" a marker, ":!" a damaged one, "@child-M" another's, "+" results
        QTest::addColumn<QStringList>("children");  // "child-N:NAME", in order, "*" when a missed question comes back
        const QByteArray listOfTwo = R"({"next":3,"last":"child-2","children":[{"id":"child-2","name":"はなこ"},{"id":"child-1","name":"たろう","retryMissed":true}]})";
        const QStringList two{"child-1:たろう+", "child-2:はなこ"};
        QTest::newRow("agrees") << listOfTwo << two << QStringList{"child-2:はなこ", "child-1:たろう"};
        QTest::newRow("missing") << QByteArray("-") << two << QStringList{"child-1:たろう", "child-2:はなこ"};
        QTest::newRow("empty") << QByteArray() << two << QStringList{"child-1:たろう", "child-2:はなこ"};
        QTest::newRow("garbage") << QByteArray("\xff\x00garbage", 9) << two << QStringList{"child-1:たろう", "child-2:はなこ"};
        QTest::newRow("truncated") << listOfTwo.left(60) << two << QStringList{"child-1:たろう", "child-2:はなこ"};
        QTest::newRow("duplicate entries")
            << QByteArray(R"({"children":[{"id":"child-2"},{"id":"child-1"},{"id":"child-2","name":"じろう"}]})") << two
            << QStringList{"child-2:はなこ", "child-1:たろう"};
        QTest::newRow("entry without folder (kept, marked), folder not listed")
            << listOfTwo << QStringList{"child-1:たろう", "child-5:じろう"} << QStringList{"child-2:はなこ?", "child-1:たろう", "child-5:じろう"};
        QTest::newRow("ids that climb out")
            << QByteArray(R"({"children":[{"id":"../x","name":"あ"},{"id":"/etc","name":"い"},{"id":"child-1/../..","name":"う"},{"id":"child-1\u0000","name":"え"},{"id":"Child-1","name":"お"},{"id":"child-01","name":"か"}]})")
            << QStringList{"child-1:たろう"} << QStringList{"child-1:たろう"};
        QTest::newRow("names that climb out") // a damaged marker, and no name the list gives is a name
            << QByteArray(R"({"children":[{"id":"child-1","name":"../x"},{"id":"child-2","name":"/etc"},{"id":"child-3","name":"あ\u0000"},{"id":"child-4","name":"あ/い"}]})")
            << QStringList{"child-1:!+", "child-2:!+", "child-3:!+", "child-4:!+"}
            << QStringList{"child-1:なまえなし", "child-2:なまえなしあ", "child-3:なまえなしい", "child-4:なまえなしう"};
        QTest::newRow("damaged marker, listed") << listOfTwo << QStringList{"child-1:!+", "child-2:!"} << QStringList{"child-2:はなこ", "child-1:たろう*"};
        QTest::newRow("damaged marker, results kept") << QByteArray("-") << QStringList{"child-4:!+"} << QStringList{"child-4:なまえなし"};
        QTest::newRow("no marker, no results") << QByteArray("-") << QStringList{"child-1:たろう", "child-2"} << QStringList{"child-1:たろう"};
        QTest::newRow("one name in other width") << QByteArray("-") << QStringList{"child-1:タロウ", "child-2:ﾀﾛｳ+", "child-3:なまえなし"}
                                                 << QStringList{"child-1:タロウ", "child-2:なまえなしあ", "child-3:なまえなし"};
        QTest::newRow("marker names another id") << QByteArray("-") << QStringList{"child-7:はなこ@child-2+"} << QStringList{"child-7:はなこ"};
        QTest::newRow("listed folders a link and a file: kept, marked")
            << listOfTwo << QStringList{"child-1>", "child-2="} << QStringList{"child-2:はなこ?", "child-1:たろう*?"};
    }
    // The list is read against the folders: every folder that holds a child
    // is a child, once, with a name of its own, and the list and markers are
    // written again to agree; nothing is made outside the data folder.
    void listFile()
    {
        QFETCH(QByteArray, list);
        QFETCH(QStringList, folders);
        QTemporaryDir root;
        const QString data = root.filePath("data");
        if (list != "-")
            put(data + "/children.json", list);
        for (const QString &spec : folders) {
            const QString id = spec.section(':', 0, 0), folder = data + "/" + id, name = spec.section(':', 1).remove('+');
            QDir().mkpath(data);
            if (spec.endsWith('>') || spec.endsWith('=')) { // a link to a child's folder elsewhere, or a plain file
                QDir().mkpath(root.filePath("elsewhere"));
                spec.endsWith('>') ? (void)QFile::link(root.filePath("elsewhere"), folder.chopped(1)) : put(folder.chopped(1), "x");
                continue;
            }
            QDir().mkpath(folder);
            if (spec.endsWith('+'))
                put(folder + "/ADO_ZEM.MDB", RESULTS + spec.toUtf8());
            const QString from = name.section('@', 1); // copied by hand from a folder being removed
            const Child marked{from.isEmpty() ? id : from, name.section('@', 0, 0)};
            if (!name.isEmpty())
                put(folder + "/child.json", name == "!" ? "{\"id\": \"chi"
                                                        : ChildMarker{marked, false, !from.isEmpty(), Family::backupName(from, QDate(2026, 12, 8), 1)}.bytes());
        }
        const auto children = [](const Family &family) {
            QStringList found;
            for (const Child &child : family.children())
                found << child.id + ":" + child.name + (child.retryMissed ? "*" : "")
                             + (family.trouble(child.id) != Family::Trouble::None ? "?" : "");
            return found;
        };
        // While another copy changes the family, a load gives it as it is and changes nothing.
        QLockFile another(data + "/" + Family::lockFileName);
        QVERIFY(another.lock());
        const QStringList before = contents(data);
        Family waiting(data, 0);
        QVERIFY(waiting.load().held);
        QTEST(children(waiting), "children");
        QCOMPARE(contents(data), before);
        another.unlock();
        Family family(data);
        QVERIFY(family.load());
        QTEST(children(family), "children");
        QCOMPARE(disagreement(family), QString());
        for (const QString &spec : folders)
            QCOMPARE(holders(data, RESULTS + spec.toUtf8()).size(), spec.endsWith('+') ? 1 : 0);
        QStringList outside = QDir(root.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        outside.removeAll("elsewhere");
        QCOMPARE(outside, QStringList{"data"});
    }

    void kills_data()
    {
        QTest::addColumn<QString>("before"); // the data folder's file, or a family that took it over
        QTest::addColumn<QStringList>("change");
        QTest::addColumn<int>("begun"); // from this step on, a load finishes the change and says so
        QTest::addColumn<int>("said");  // and says so at least until this step
        const QStringList form{"form", "たろう", "はなこ"};
        QTest::newRow("form: file and journal") << "ADO_ZEM.MDB" << form << 3 << 5;
        QTest::newRow("form: file in lower case") << "ado_zem.mdb" << form << 3 << 5;
        QTest::newRow("form: no file") << "" << form << 3 << 5;
        QTest::newRow("remove: file and journal") << "family" << QStringList{"remove", "child-1"} << 2 << 4;
        QTest::newRow("load: list lost") << "family, list lost" << QStringList{"load"} << 1 << 1;
    }
    // A change killed after each of its steps in turn: the next load finds the
    // results file whole with its journal, as the data folder's while there is
    // no family, else as the first child's or as its backup, and leaves nothing
    // behind. A change begun is finished, never undone, and said.
    void kills()
    {
        QFETCH(QString, before);
        QFETCH(QStringList, change);
        QFETCH(int, begun);
        QFETCH(int, said);
        for (int k = 1;; ++k) {
            QVERIFY2(k < 40, "the change never ends");
            QTemporaryDir root;
            const QString data = root.filePath("data"), file = data + (before.startsWith("ado") ? "/ado_zem.mdb" : "/ADO_ZEM.MDB");
            for (const QString &suffix : before.isEmpty() ? QStringList() : QStringList{"", "-journal"})
                put(file + suffix, suffix.isEmpty() ? RESULTS : JOURNAL);
            if (before.startsWith("family"))
                QVERIFY(Family(data).form("たろう", "はなこ"));
            if (before.endsWith("lost"))
                QFile::remove(data + "/children.json");
            QProcess stepper;
            stepper.start(STEPPER, QStringList{"family", data, QString::number(k)} + change);
            QVERIFY(stepper.waitForFinished(30000));
            Family family(data);
            const QString why = QStringLiteral("killed after step %1: ").arg(k);
            const FamilyOutcome loaded = family.load();
            QVERIFY2(loaded && disagreement(family).isEmpty(), qPrintable(why + disagreement(family)));
            const bool killed = stepper.exitStatus() != QProcess::NormalExit;
            // Said only after a kill that left a change begun, and said at least just after it began.
            QVERIFY2(loaded.finished.isEmpty() || (killed && k >= begun), qPrintable(why + "said for nothing"));
            QVERIFY2(!loaded.finished.isEmpty() || !killed || k < begun || k > said, qPrintable(why + "finished without a word"));
            QVERIFY2(change[0] != "remove" || (k < begun) == family.child("child-1").has_value(), qPrintable(why + "removal undone"));
            const QStringList held = holders(data, RESULTS);
            const auto owner = family.child(QFileInfo(held.value(0)).dir().dirName());
            QVERIFY2(before.isEmpty()
                         || (held.size() == 1 && Sandbox::bytes(held[0] + "-journal") == JOURNAL
                             && ((held[0] == file && family.children().isEmpty()) || (owner && owner->name == "たろう" && !owner->retryMissed)
                                 || held[0] == data + "/" + Family::backupName("child-1", QDate::currentDate(), 1))),
                     qPrintable(why + held.join(' ')));
            if (stepper.exitStatus() == QProcess::NormalExit) {
                QCOMPARE(stepper.exitCode(), 0);
                break;
            }
        }
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("setup");     // the data folder before: a family of たろう and はなこ, or the results alone
        QTest::addColumn<QStringList>("change");
        QTest::addColumn<QString>("outcome");   // "done", "in use by NAME", "in use", or the field that says why
        const QStringList form{"form", "たろう", "はなこ"}, removeHer{"remove", "child-2"};
        QTest::newRow("form while a copy works in the data folder") << "results, held: ." << form << "in use";
        QTest::newRow("remove while she practises") << "family, held: child-2" << removeHer << "in use by はなこ";
        QTest::newRow("remove her brother meanwhile") << "family, held: child-2" << QStringList{"remove", "child-1"} << "done";
        QTest::newRow("remove once her copy is killed") << "family, held: child-2, killed" << removeHer << "done";
        QTest::newRow("form over a results file that is a link") << "results, a link" << form << "resultsNotAFile";
        QTest::newRow("form over a results name that is a folder") << "results, a folder" << form << "resultsNotAFile";
        QTest::newRow("the family's lock a folder") << "family, lock: folder" << removeHer << "lockInTheWay";
        QTest::newRow("the family's lock a link") << "family, lock: link" << removeHer << "lockInTheWay";
        QTest::newRow("the family's lock garbage") << "family, lock: garbage" << removeHer << "done";
        QTest::newRow("every number given") << "family, numbers used" << QStringList{"add", "じろう"} << "reason";
    }
    // What another copy works with is never moved from under it, and every
    // refusal says why, leaving the disk as it was; the holder's kill frees it.
    void refusals()
    {
        QFETCH(QString, setup);
        QFETCH(QStringList, change);
        QTemporaryDir root;
        const QString data = root.filePath("data");
        put(data + "/ADO_ZEM.MDB", RESULTS);
        if (setup.startsWith("family")) {
            QVERIFY(Family(data).form("たろう", "はなこ"));
            put(data + "/child-2/ADO_ZEM.MDB", RESULTS + "2");
        }
        if (setup.endsWith("a link") || setup.endsWith("a folder")) {
            QFile::rename(data + "/ADO_ZEM.MDB", root.filePath("synced.MDB"));
            QVERIFY(setup.endsWith("a link") ? QFile::link(root.filePath("synced.MDB"), data + "/ADO_ZEM.MDB")
                                             : QDir().mkpath(data + "/ADO_ZEM.MDB"));
        }
        const QString lock = data + "/" + Family::lockFileName;
        QFile::remove(lock);
        if (setup.endsWith("lock: folder"))
            QDir().mkpath(lock);
        if (setup.endsWith("lock: link"))
            QFile::link(root.filePath("nowhere"), lock);
        if (setup.endsWith("lock: garbage"))
            put(lock, "\xff garbage");
        if (setup.endsWith("numbers used")) {
            ChildrenList list = *ChildrenList::read(Sandbox::bytes(data + "/children.json"));
            list.next = Child::highestNumber + 1;
            put(data + "/children.json", list.bytes());
        }
        std::optional<OtherCopy> holder;
        if (setup.contains("held: "))
            holder.emplace(QDir(data).filePath(setup.section("held: ", 1).section(',', 0, 0)));
        if (setup.endsWith("killed"))
            holder->closed();
        // The disk as a parent sees it: the family's lock file is made by any change.
        const auto disk = [&data] { return contents(data).filter(QRegularExpression("^(?!.*/\\.children\\.json\\.lock=)")); };
        const QStringList before = disk();
        Family family(data, 0);
        family.load();
        const FamilyOutcome result = change[0] == "form"  ? family.form(change[1], change[2])
                                     : change[0] == "add" ? family.add(change[1])
                                                          : family.remove(change[1]);
        holder.reset();
        const QString said = result.done                         ? "done"
                             : result.inUse                      ? ("in use" + (result.inUseBy.isEmpty() ? "" : " by " + result.inUseBy))
                             : !result.lockInTheWay.isEmpty()    ? "lockInTheWay"
                             : !result.resultsNotAFile.isEmpty() ? "resultsNotAFile"
                                                                 : "reason";
        QTEST(said, "outcome");
        QVERIFY(result.done || !result.reason.isEmpty());
        if (!result.done) // nothing moved, nothing made
            QCOMPARE(disk(), before);
    }

    // A results file a killed copy was making is removed once that copy is
    // gone, never while a copy still makes one: in the data folder and, in a
    // family, in the children's folders; a load makes nothing of a family
    // where there is none.
    void leftoversOfGoneCopies()
    {
        QProcess gone;
        gone.start("true");
        QVERIFY(gone.waitForStarted());
        const QString killed = QStringLiteral(".ADO_ZEM.MDB.%1.creating").arg(gone.processId());
        QVERIFY(gone.waitForFinished());
        const QString making = QStringLiteral(".ADO_ZEM.MDB.%1.creating").arg(QCoreApplication::applicationPid());
        for (const bool family : {false, true}) {
            QTemporaryDir root;
            const QString data = root.filePath("data");
            QDir().mkpath(data);
            QStringList folders{data};
            if (family) {
                QVERIFY(Family(data).form("たろう", "はなこ"));
                folders << data + "/child-2";
            }
            for (const QString &folder : folders) {
                for (const QString &name : QStringList{killed, killed + "-journal", making})
                    put(folder + "/" + name, "left");
            }
            QVERIFY(Family(data).load());
            for (const QString &folder : folders)
                QCOMPARE(QDir(folder).entryList({".ADO_ZEM.MDB.*"}, QDir::Files | QDir::Hidden), QStringList{making});
            QCOMPARE(QFile::exists(data + "/" + Family::lockFileName), family);
        }
    }

    void dataFolder_data()
    {
        QTest::addColumn<QStringList>("environment"); // XDG_DATA_HOME, HOME ("-" unset), the password entry's home
        QTest::addColumn<QString>("path");            // T is a folder with home/, pw/ and a file
        QTest::newRow("XDG absolute") << QStringList{"T/xdg", "T/home", "T/pw"} << "T/xdg/sansu-drill";
        QTest::newRow("XDG relative") << QStringList{"xdg", "T/home", "T/pw"} << "T/home/.local/share/sansu-drill";
        QTest::newRow("HOME unset") << QStringList{"-", "-", "T/pw"} << "T/pw/.local/share/sansu-drill";
        QTest::newRow("HOME relative") << QStringList{"-", "home", "T/pw"} << "T/pw/.local/share/sansu-drill";
        QTest::newRow("no home") << QStringList{"-", "-", ""} << "";
        QTest::newRow("home at the top") << QStringList{"-", "/", "/"} << "";
        QTest::newRow("home missing") << QStringList{"-", "T/gone", "T/pw"} << "";
        QTest::newRow("XDG set, no home") << QStringList{"T/xdg", "-", ""} << "T/xdg/sansu-drill";
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
        QVERIFY(found.warning.isEmpty());
        QCOMPARE(files(root.path(), QDir::AllEntries), before);
        QVERIFY(path.isEmpty() || (DataFolder::make(found.path) && QFileInfo(found.path).isDir()));
        QVERIFY(!DataFolder::make(root.filePath("file/sub")).reason.isEmpty());
    }

    // Random changes, loads and changes stopped between two steps: after each,
    // no two children share an id or a name, every results file made is in
    // one place, a done change did what it said, and a load agrees with the
    // disk.
    void explorer_data()
    {
        QTest::addColumn<quint32>("seed");
        // The same seeds on every run; SANSU_SEED=N explores another one.
        if (qEnvironmentVariableIsSet("SANSU_SEED"))
            QTest::newRow("SANSU_SEED") << static_cast<quint32>(qEnvironmentVariableIntValue("SANSU_SEED"));
        for (quint32 seed = 1; seed <= 4 && !qEnvironmentVariableIsSet("SANSU_SEED"); ++seed)
            QTest::addRow("seed %u", seed) << seed;
    }

    void explorer()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        const QStringList names{"たろう", "タロウ", "ﾀﾛｳ", "はなこ", "じろう", "さくら", "ゆい", "ーー", "ながいながいなまえ", "../x", "", "Ａ"};
        QTemporaryDir root;
        const QString data = root.filePath("data");
        put(data + "/ADO_ZEM.MDB", RESULTS);
        QList<QByteArray> made{RESULTS};
        QSet<QString> issued;
        auto family = std::make_unique<Family>(data);
        struct Stop {};
        for (int event = 0; event < 400; ++event) {
            const QString why = QStringLiteral("SANSU_SEED=%1, event %2: ").arg(seed).arg(event);
            const QList<Child> children = family->children();
            const QString id = children.isEmpty() ? "child-1" : children.at(random.bounded(int(children.size()))).id;
            const QString name = names.at(random.bounded(int(names.size())));
            const int kind = random.bounded(8), stopAt = random.bounded(1, 6), change = kind == 6 ? random.bounded(5) : kind,
                      on = random.bounded(2);
            if (kind == 6) // stopped after a step, as a kill stops it
                family->setStepHook([stopAt, steps = 0](const char *) mutable { steps < stopAt - 1 ? ++steps : throw Stop(); });
            if (kind == 5 && !children.isEmpty() && !QFile::exists(family->resultsFolder(id) + "/ADO_ZEM.MDB")) {
                made << RESULTS + QByteArray::number(event);
                put(family->resultsFolder(id) + "/ADO_ZEM.MDB", made.last());
            }
            const auto expected = kind < 2 ? family->nameProblem(name, kind == 1 ? id : QString()) : ChildName::Problem::None;
            try {
                const FamilyOutcome outcome = change == 0 ? (children.isEmpty() ? family->form("みさき", name) : family->add(name))
                                              : change == 1 ? family->rename(id, name)
                                              : change == 2 ? family->remove(id)
                                              : change == 3 ? family->setRetryMissed(id, on)
                                              : change == 4 ? family->choose(id)
                                                            : FamilyOutcome::ok();
                // A change of a child there is is done, and does what it says,
                // unless the name is refused.
                const auto now = family->child(kind == 0 ? outcome.childId : id);
                QVERIFY2((children.isEmpty() && kind > 0) || kind > 4
                             || (outcome.nameProblem == expected && outcome.done == (expected == ChildName::Problem::None)
                                 && (!outcome.done
                                     || (kind == 0   ? now && !issued.contains(now->id) && now->name == ChildName::normalised(name) && !now->retryMissed
                                         : kind == 1 ? now && now->name == ChildName::normalised(name)
                                         : kind == 2 ? !now && (outcome.backup.isEmpty() || QFile::exists(outcome.backup))
                                         : kind == 3 ? now && now->retryMissed == on
                                                     : family->lastChosen() == id))),
                         qPrintable(why + QString::number(kind) + name + outcome.reason));
            } catch (const Stop &) {
            }
            if (kind >= 6) {
                family = std::make_unique<Family>(data);
                QVERIFY2(family->load(), qPrintable(why));
            }
            for (const Child &child : family->children())
                issued.insert(child.id);
            QVERIFY2(disagreement(*family).isEmpty(), qPrintable(why + disagreement(*family)));
            QHash<QByteArray, int> held; // each file's content, read once
            for (const QString &file : files(data))
                ++held[Sandbox::bytes(file)];
            for (const QByteArray &results : made)
                QVERIFY2(held.value(results) == 1, qPrintable(why + "a results file lost or doubled"));
        }
    }
};

SANSU_TEST_MAIN(TestFamily)
#include "test_family.moc"
