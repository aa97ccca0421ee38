// Peak memory (VmHWM) of the program with the menu alone and with the menu and
// all eight windows open: the real window classes in this process, opened by
// clicking the menu's buttons, each drill reading its first question aloud
// through the real sound device. Run it under an X server (or any platform)
// with SDL_AUDIODRIVER=dummy when there is no sound card.
//
//   bench_windows_memory [RUNS]     (default 5; each run is a fresh process)
#include "app/menu_window.h"
#include "platform/app_setup.h"
#include "platform/project_globals.h"
#include "store/record_database.h"
#include "store/record_store.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {
double peakMb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

void settle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

QString cpuModel()
{
    QFile f(QStringLiteral("/proc/cpuinfo"));
    if (f.open(QIODevice::ReadOnly))
        for (const QByteArray &line : f.readAll().split('\n'))
            if (line.startsWith("model name"))
                return QString::fromUtf8(line.mid(line.indexOf(':') + 1).trimmed());
    return QStringLiteral("unknown");
}

// One measurement in this process: prints "menu <MB> all <MB>".
int measureOnce(int argc, char **argv)
{
    QApplication app(argc, argv);
    AppSetup::configure(app);
    QTemporaryDir work;
    QDir::setCurrent(work.path());
    ProjectGlobals &g = ProjectGlobals::instance();
    g.databaseFileName = QStringLiteral("ADO_ZEM.MDB");
    g.settingsTableName = QStringLiteral("ENV");
    g.resultsTableName = QStringLiteral("LOG");
    {
        RecordDatabase db;
        QString statement;
        if (!db.create(work.filePath(QStringLiteral("ADO_ZEM.MDB"))) || !RecordStore::SQL_CRE_CUR(db, statement)) {
            std::fprintf(stderr, "cannot create the results file\n");
            return 1;
        }
    }
    MenuWindow menu;
    menu.showForm();
    settle(500);
    const double menuOnly = peakMb();
    for (int i = 0; i < MenuWindow::drillCount; ++i) {
        menu.Command1[i]->click();
        settle(300);
    }
    menu.Command9->click();
    settle(1500); // the last readings and the score list
    const double all = peakMb();
    std::printf("menu %.2f all %.2f\n", menuOnly, all);
    std::fflush(stdout);
    std::_Exit(0); // skip closing: the sittings would be written to a folder about to go
}
} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--once") == 0)
        return measureOnce(argc, argv);
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::vector<double> menuPeaks, allPeaks;
    for (int r = 0; r < runs; ++r) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--once")});
        if (!child.waitForFinished(120000) || child.exitCode() != 0) {
            std::fprintf(stderr, "bench_windows_memory: a run failed\n");
            return 1;
        }
        const QList<QByteArray> words = child.readAllStandardOutput().simplified().split(' ');
        menuPeaks.push_back(words.value(1).toDouble());
        allPeaks.push_back(words.value(3).toDouble());
    }
    std::sort(menuPeaks.begin(), menuPeaks.end());
    std::sort(allPeaks.begin(), allPeaks.end());
    const auto line = [](const char *what, const std::vector<double> &v, double limit) {
        const double median = v[v.size() / 2];
        std::printf("  %-36s median %6.1f MB  (min %6.1f, max %6.1f)  limit %.0f MB: %s\n", what, median,
                    v.front(), v.back(), limit, median < limit ? "ok" : "OVER");
    };
    std::printf("peak memory (VmHWM), %d runs, platform %s, audio %s\n", runs,
                qPrintable(qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("default"))),
                qPrintable(qEnvironmentVariable("SDL_AUDIODRIVER", QStringLiteral("default"))));
    std::printf("machine: %d logical CPUs (nproc), %s\n", QThread::idealThreadCount(), qPrintable(cpuModel()));
    line("menu alone (in-process driver)", menuPeaks, 40);
    line("menu and all eight windows open", allPeaks, 80);
    return 0;
}
