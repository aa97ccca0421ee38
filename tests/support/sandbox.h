#pragma once

#include "store/results_log.h"
#include "support/fake_dialogs.h"
#include "support/scripted_random.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include <functional>
#include <optional>

// The fixture of every test that touches the results file, a window or the
// program's end. While it lives: the working folder is a fresh temporary one;
// the project globals are those of start-up; the clock stands at 2001/04/27
// 9:05:03; draws, message boxes and sound are scripted or recorded; and ending
// the program throws instead of leaving the process.
class Sandbox
{
public:
    struct Ended
    {
        int status;
    };

    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox &) = delete;
    Sandbox &operator=(const Sandbox &) = delete;

    static QDateTime now() { return QDateTime(QDate(2001, 4, 27), QTime(9, 5, 3)); }
    // How long a file another program holds is waited for, and how long a
    // tool reading an old file may stay silent.
    static constexpr int lockWaitMs = 1500;
    static constexpr int toolSilenceMs = 2000;

    // The data folder is found from here for this test: HOME is the working
    // folder's "home", XDG_DATA_HOME `xdgData` or unset.
    void useHome(const QString &xdgData = QString());
    // A file or folder in the working folder.
    QString path(const QString &name = QStringLiteral("ADO_ZEM.MDB")) const;
    // The results file start-up settles on here, as the windows are handed it.
    const ResultsLog &log() const { return log_; }
    // Makes a results file as start-up creates it, with a period and rows
    // ("date|drill|score").
    void makeRecordFile(const QString &period = QStringLiteral("90"), const QStringList &rows = {},
                        const QString &name = QStringLiteral("ADO_ZEM.MDB")) const;
    // Runs statements on a file through a connection of the test's own: the
    // rows of the last, each "a|b|c", or "error: …" when it failed.
    static QStringList sql(const QString &file, const QStringList &statements);
    static QStringList rows(const QString &file, const QString &query) { return sql(file, {query}); }
    static QStringList logRows(const QString &file) { return rows(file, QStringLiteral("SELECT * FROM LOG")); }
    static QByteArray bytes(const QString &file);
    // Writes a file, making its folders.
    static void put(const QString &file, const QByteArray &bytes);
    // The names in a folder, hidden ones too, in order.
    static QStringList entries(const QString &folder, QDir::Filters filters = QDir::AllEntries);
    // The top-level window of that name on the screen, if there is one.
    static QWidget *shown(const QString &name);
    // The files in the working folder.
    QStringList files() const { return entries(path(QStringLiteral(".")), QDir::Files); }

    // Runs `work`; the status the program ended with, or nothing when it went on.
    static std::optional<int> endStatus(const std::function<void()> &work);

    FakeDialogs &dialogs;
    ScriptedRandom &random;
    QStringList &sound; // what the windows' sound devices did, in order
    // Lives as long as the sandbox: timers and connections made for a test
    // end with it.
    QObject scope;

private:
    QTemporaryDir dir_;
    QString previous_;
    QByteArray home_ = qgetenv("HOME");
    ResultsLog log_;
};

// Another running copy of the program: it holds the results folder `folder`
// as every copy does, until it is closed (killed) or the object ends.
struct OtherCopy
{
    explicit OtherCopy(const QString &folder)
    {
        process.start(QStringLiteral(SANSU_HELPER_DIR "/other_copy"), {QStringLiteral("hold"), folder});
        process.waitForReadyRead(10000);
    }
    ~OtherCopy() { closed(); }
    void closed()
    {
        process.kill();
        process.waitForFinished(10000);
    }
    QProcess process;
};
