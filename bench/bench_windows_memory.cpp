// Peak memory (VmHWM) of the program with the menu alone and with the menu and
// every window open: the real window classes in this process, opened by
// clicking the menu's buttons, each drill reading its first question aloud
// through the real sound device. Run it under an X server (or any platform)
// with SDL_AUDIODRIVER=dummy when there is no sound card.
//
//   bench_windows_memory [RUNS]     (default 5; each run is a fresh process)
#include "app/menu_window.h"
#include "bench_support.h"
#include "platform/app_setup.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

// One measurement in this process: prints "menu <MB> all <MB>".
int measureOnce(int argc, char **argv)
{
    QApplication app(argc, argv);
    AppSetup::configure(app);
    QTemporaryDir work;
    QDir::setCurrent(work.path());
    bench::setRecordGlobals();
    if (!bench::createRecordFile(work.filePath(QStringLiteral("ADO_ZEM.MDB"))))
        bench::fail(QStringLiteral("cannot create the results file"));
    MenuWindow menu;
    menu.showForm();
    bench::settle(500);
    const double menuOnly = bench::peakMb();
    for (int i = 0; i < DrillTable::count(); ++i) {
        menu.Command1[i]->click();
        bench::settle(300);
    }
    menu.Command9->click();
    bench::settle(1500); // the last readings and the score list
    const double all = bench::peakMb();
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
    const auto line = [](const char *what, const std::vector<double> &v, double limit) {
        const bench::Summary s(v);
        std::printf("  %-36s median %6.1f MB  (min %6.1f, max %6.1f)  limit %.0f MB: %s\n", what, s.median(),
                    s.min(), s.max(), limit, s.median() < limit ? "ok" : "OVER");
    };
    std::printf("peak memory (VmHWM), %d runs, platform %s, audio %s\n", runs,
                qPrintable(qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("default"))),
                qPrintable(qEnvironmentVariable("SDL_AUDIODRIVER", QStringLiteral("default"))));
    bench::printMachine();
    line("menu alone (in-process driver)", menuPeaks, 40);
    line("menu and every window open", allPeaks, 80);
    return 0;
}
