#include "sound/prompt_files.h"
#include "support/temp_work_dir.h"
#include "support/test_kit.h"

#include <QProcess>
#include <QtTest>

// Runs the built sound_check tool against folders of prompts.
class TestSoundCheck : public QObject
{
    Q_OBJECT
    std::unique_ptr<TempWorkDir> work;

    struct Run
    {
        int status = -1;
        QString out;
        QString err;
    };

    static Run check(const QStringList &args)
    {
        QProcess p;
        p.start(QStringLiteral(SANSU_BINARY_DIR "/sound_check"), args);
        if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit)
            return {};
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }

    // The lines of the report that name the file with the given status.
    static QStringList lines(const Run &r, const QString &status)
    {
        QStringList found;
        for (const QString &line : r.out.split(QLatin1Char('\n')))
            if (line.trimmed().startsWith(status))
                found << line.trimmed().mid(status.size()).trimmed().section(QLatin1Char(' '), 0, 0);
        return found;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo::exists(QStringLiteral(SANSU_BINARY_DIR "/sound_check")),
                 "build the sound_check target first");
    }
    void init() { work = std::make_unique<TempWorkDir>(); }
    void cleanup() { work.reset(); }

    // A complete folder passes; a deleted and a damaged prompt are named,
    // with a failing exit status.
    void namesMissingAndDamagedPrompts()
    {
        const QStringList required = PromptFiles::required();
        for (const QString &name : required)
            QVERIFY(QFile::copy(QStringLiteral(SANSU_PROMPT_DIR "/") + name, work->filePath(name)));

        Run r = check({work->path()});
        QCOMPARE(r.status, 0);
        QCOMPARE(lines(r, QStringLiteral("ok")), required);
        QVERIFY(r.out.contains(QStringLiteral("37 prompts needed: 37 ok, 0 missing, 0 not playable.")));

        for (const char *name : {"7.WAV", "ふん.WAV"})
            QVERIFY(QFile::remove(work->filePath(QString::fromUtf8(name))));
        QVERIFY(Kit::writeFile(work->filePath(QStringLiteral("＋.WAV")), "not a sound\n"));
        QVERIFY(QDir().mkdir(work->filePath(QStringLiteral("ふん.WAV"))));

        r = check({work->path()});
        QCOMPARE(r.status, 1);
        QCOMPARE(lines(r, QStringLiteral("MISSING")), QStringList{QStringLiteral("7.WAV")});
        QCOMPARE(lines(r, QStringLiteral("NOT PLAYABLE")),
                 QStringList({QStringLiteral("＋.WAV:"), QStringLiteral("ふん.WAV:")}));
        QCOMPARE(lines(r, QStringLiteral("ok")).size(), required.size() - 3);
        QVERIFY(r.out.contains(QStringLiteral("34 ok, 1 missing, 2 not playable.")));
    }

    // Without an argument the tool checks its own folder (the build folder,
    // where the prompts are copied); a folder that is not there is an error.
    void checksItsOwnFolderAndRefusesBadFolders()
    {
        Run r = check({});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.contains(QStringLiteral(SANSU_BINARY_DIR)));

        r = check({work->filePath(QStringLiteral("nowhere"))});
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.contains(QStringLiteral("no such folder")));
        QVERIFY(r.out.isEmpty());

        r = check({QStringLiteral("--help")});
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.contains(QStringLiteral("usage")));

        r = check({work->path()}); // an empty folder: everything missing
        QCOMPARE(r.status, 1);
        QCOMPARE(lines(r, QStringLiteral("MISSING")), PromptFiles::required());
    }
};

QTEST_MAIN(TestSoundCheck)
#include "test_sound_check.moc"
