#include "support/sandbox.h"

#include "platform/app_info.h"
#include "platform/parents_approval.h"
#include "platform/program_exit.h"
#include "platform/project_globals.h"
#include "platform/random_draw.h"
#include "platform/system_clock.h"
#include "store/jet_file.h"
#include "store/record_database.h"
#include "store/record_file.h"
#include "store/results_schema.h"
#include "support/recording_sound.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {
ScriptedRandom &freshRandom()
{
    auto owned = std::make_unique<ScriptedRandom>();
    ScriptedRandom *raw = owned.get();
    RandomDraw::setSource(std::move(owned));
    return *raw;
}

} // namespace

Sandbox::Sandbox()
    : dialogs(FakeDialogs::installed()), random(freshRandom()), sound(RecordingSound::events),
      log_(QDir(dir_.path()).filePath(ResultsSchema::fileName))
{
    previous_ = QDir::currentPath();
    QDir::setCurrent(dir_.path());
    ProjectGlobals &g = ProjectGlobals::instance();
    g.setRecordNames(ResultsSchema::fileName, ResultsSchema::settingsTable, ResultsSchema::resultsTable);
    g.setConnectionString();
    g.currentDrillName.clear();
    g.dataFolder.clear();
    g.childId.clear();
    g.childName.clear();
    g.folderToMake.clear();
    g.askMissedAgain = false;
    ParentsApproval::install(nullptr); // a start from a terminal
    ParentsApproval::lock(QString());
    // No school's settings but a test's own: the user's and the system's are never read.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(path("config")));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(path("xdg")));
    SystemClock::setFixedNow(now());
    AppInfo::setProgramFolder(QStringLiteral(SANSU_PROMPT_DIR));
    dialogs.told.clear();
    dialogs.asked.clear();
    dialogs.answers.clear();
    dialogs.typed.clear();
    dialogs.whenAsked = nullptr;
    dialogs.answering = nullptr;
    // Another program's hold on the file is waited for briefly here.
    RecordDatabase::setLockWaitMs(lockWaitMs);
    JetFile::setSilenceLimitMs(toolSilenceMs);
    sound.clear();
    RecordingSound::onClose = RecordingSound::onPlay = nullptr;
    RecordingSound::realLength = false;
    SoundDevice::setFactory([] { return std::make_unique<RecordingSound>(); });
    ProgramExit::setHandler([](int status) { throw Ended{status}; });
}

Sandbox::~Sandbox()
{
    ProgramExit::setHandler(nullptr);
    ProgramExit::setFarewell(nullptr);
    RecordDatabase::setLockWaitMs(10000);
    JetFile::setSilenceLimitMs(30000);
    RecordingSound::onClose = RecordingSound::onPlay = nullptr;
    QDir::setCurrent(previous_);
    qputenv("HOME", home_);
    qunsetenv("XDG_DATA_HOME");
    // A test may have taken the folder's write permission away.
    QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void Sandbox::useHome(const QString &xdgData)
{
    qputenv("HOME", QFile::encodeName(path(QStringLiteral("home"))));
    xdgData.isEmpty() ? qunsetenv("XDG_DATA_HOME") : qputenv("XDG_DATA_HOME", QFile::encodeName(xdgData));
}

QString Sandbox::path(const QString &name) const
{
    return QDir(dir_.path()).filePath(name);
}

void Sandbox::makeRecordFile(const QString &period, const QStringList &rows, const QString &name) const
{
    std::vector<ResultRow> texts;
    for (const QString &row : rows) {
        const QStringList columns = row.split('|');
        texts.push_back({columns.value(0), columns.value(1), columns.value(2)});
    }
    // Whatever is there is replaced.
    const StoreOutcome made = ResultsLog::build(path(name), period, texts);
    if (!made)
        qFatal("cannot make %s: %s", qPrintable(name), qPrintable(made.reason));
}

QStringList Sandbox::sql(const QString &file, const QStringList &statements)
{
    static int connections = 0;
    const QString name = QStringLiteral("sandbox-%1").arg(++connections);
    QStringList rows;
    {
        // A connection of the test's own, which never creates a file.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(QStringLiteral("file:") + file + QStringLiteral("?mode=rw"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
        db.open();
        for (const QString &statement : statements) {
            QSqlQuery q(db);
            rows.clear();
            if (!q.exec(statement))
                rows << QStringLiteral("error: ") + q.lastError().text();
            while (q.next()) {
                QStringList values;
                for (int c = 0; c < q.record().count(); ++c)
                    values << q.value(c).toString();
                rows << values.join('|');
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

QByteArray Sandbox::bytes(const QString &file)
{
    if (RecordFile::kindOf(file) != RecordFile::Kind::Regular)
        return QByteArray("(not a file)"); // a named pipe would never open
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

void Sandbox::put(const QString &file, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(file).path());
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(file));
}

QStringList Sandbox::entries(const QString &folder, QDir::Filters filters)
{
    return QDir(folder).entryList(filters | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QWidget *Sandbox::shown(const QString &name)
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->objectName() == name && w->isVisible())
            return w;
    }
    return nullptr;
}

std::optional<int> Sandbox::endStatus(const std::function<void()> &work)
{
    try {
        work();
    } catch (const Ended &ended) {
        return ended.status;
    }
    return std::nullopt;
}
