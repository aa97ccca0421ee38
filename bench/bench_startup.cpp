// Start-up time and memory of the real program against a bare Qt Widgets
// window (bare_window), under an X server: the time from starting the process
// to its window being mapped (MapNotify on the root window), runs of the
// kinds alternating, and the peak resident memory (VmHWM) of each run
// once its window is up.
//
//   bench_startup [RUNS] [ROWS]     (default 11 runs of each kind, 1,000,000 rows)
//
// Kinds: the bare window; the bare window with the shared libraries that the
// program has and the bare one lacks (SDL2 with its audio stack, Qt SQL)
// preloaded, which tells loading apart from doing; the menu with an existing
// file and an empty results table; the menu with ROWS results rows of which
// half are older than the 90 days kept, so the start-up purges them (the file
// is prepared once and copied fresh before every run). Needs DISPLAY;
// bench/run-all.sh starts Xvfb.
#include "bench_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <dlfcn.h>
#include <poll.h>

#include <type_traits>

namespace {
// The few Xlib calls needed, looked up at run time so the program needs no
// X11 development files to build.
struct XDisplay;
using XWindow = unsigned long;
struct XMapEvent
{
    int type;
    unsigned long serial;
    int send_event;
    XDisplay *display;
    XWindow event;
    XWindow window;
    int override_redirect;
};
union XEventAny
{
    int type;
    XMapEvent xmap;
    long pad[24];
};
constexpr int mapNotify = 19;
constexpr long substructureNotifyMask = 1L << 19;

struct Xlib
{
    XDisplay *(*openDisplay)(const char *) = nullptr;
    XWindow (*defaultRootWindow)(XDisplay *) = nullptr;
    int (*selectInput)(XDisplay *, XWindow, long) = nullptr;
    int (*pending)(XDisplay *) = nullptr;
    int (*nextEvent)(XDisplay *, XEventAny *) = nullptr;
    int (*connectionNumber)(XDisplay *) = nullptr;
    int (*flush)(XDisplay *) = nullptr;
    int (*getGeometry)(XDisplay *, XWindow, XWindow *, int *, int *, unsigned *, unsigned *, unsigned *,
                       unsigned *) = nullptr;

    bool load()
    {
        void *lib = dlopen("libX11.so.6", RTLD_NOW);
        if (!lib)
            return false;
        const auto get = [lib](auto &fn, const char *name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(lib, name));
            return fn != nullptr;
        };
        return get(openDisplay, "XOpenDisplay") && get(defaultRootWindow, "XDefaultRootWindow")
               && get(selectInput, "XSelectInput") && get(pending, "XPending") && get(nextEvent, "XNextEvent")
               && get(connectionNumber, "XConnectionNumber") && get(flush, "XFlush")
               && get(getGeometry, "XGetGeometry");
    }
};

using bench::fail;

// A results file with its settings row and `rows` results, half of them
// older than 90 days before now, in time order.
void makeFile(const QString &path, int rows)
{
    {
        RecordDatabase db;
        if (!bench::createRecordFile(db, path))
            fail(QStringLiteral("cannot create %1: %2").arg(path, db.lastError()));
    }
    if (rows == 0)
        return;
    const QStringList drills = bench::drillNames();
    const QDateTime now = QDateTime::currentDateTime();
    const qint64 oldSpan = 365LL * 86400; // old rows: 91 to 455 days ago
    const qint64 newSpan = 88LL * 86400;  // kept rows: 89 to 1 days ago
    const int half = rows / 2;
    const auto row = [&](int i) {
        const bool old = i < half;
        const qint64 back = old ? 91LL * 86400 + oldSpan - oldSpan * i / half
                                : 1LL * 86400 + newSpan - newSpan * (i - half) / (rows - half);
        return bench::Result{now.addSecs(-back), drills[i % drills.size()], 1 + i % 30};
    };
    QString error;
    if (!bench::insertResults(path, rows, row, error))
        fail(error);
}

struct Run
{
    double ms = -1;
    double peak = -1;
};

// Starts a program in a folder and waits for its 248 x 275 window to be mapped.
Run timeStart(Xlib &x, XDisplay *display, const QString &program, const QString &folder,
              const QString &preload = QString())
{
    // Drop what is left of earlier runs.
    while (x.pending(display)) {
        XEventAny e;
        x.nextEvent(display, &e);
    }
    QProcess process;
    process.setProgram(program);
    process.setWorkingDirectory(folder);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    if (!preload.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LD_PRELOAD"), preload);
        process.setProcessEnvironment(env);
    }
    QElapsedTimer timer;
    timer.start();
    process.start();
    if (!process.waitForStarted(10000))
        fail(QStringLiteral("cannot start %1").arg(program));
    Run run;
    const int fd = x.connectionNumber(display);
    while (run.ms < 0 && timer.elapsed() < 30000) {
        if (!x.pending(display)) {
            pollfd p{fd, POLLIN, 0};
            poll(&p, 1, 50);
            continue;
        }
        XEventAny e;
        x.nextEvent(display, &e);
        if (e.type != mapNotify)
            continue;
        XWindow root;
        int wx, wy;
        unsigned w = 0, h = 0, border, depth;
        x.getGeometry(display, e.xmap.window, &root, &wx, &wy, &w, &h, &border, &depth);
        if (w == 248 && h == 275)
            run.ms = bench::elapsedMs(timer);
    }
    if (run.ms < 0)
        fail(QStringLiteral("no window of %1 appeared").arg(program));
    // The window is up; let the first paint happen, then read the peak.
    QThread::msleep(300);
    run.peak = bench::peakMb(process.processId());
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
    return run;
}

void print(const char *what, const std::vector<double> &v, const char *unit)
{
    const bench::Summary s(v);
    std::printf("  %-40s median %8.1f %s  (min %8.1f, max %8.1f, spread %.1f%%)\n", what, s.median(), unit,
                s.min(), s.max(), s.spreadPercent());
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 11;
    const int rows = argc > 2 ? std::max(2, std::atoi(argv[2])) : 1000000;
    const QString binDir = QCoreApplication::applicationDirPath();
    const QString bare = binDir + QStringLiteral("/bare_window");
    const QString menu = binDir + QStringLiteral("/sansu-drill");
    if (!QFile::exists(bare) || !QFile::exists(menu))
        fail(QStringLiteral("bare_window and sansu-drill must lie next to this program"));

    Xlib x;
    if (!x.load())
        fail(QStringLiteral("cannot load libX11"));
    XDisplay *display = x.openDisplay(nullptr);
    if (!display)
        fail(QStringLiteral("no X display (set DISPLAY or run under xvfb-run)"));
    x.selectInput(display, x.defaultRootWindow(display), substructureNotifyMask);
    x.flush(display);

    bench::setRecordGlobals();

    QTemporaryDir work;
    const QString emptyFile = work.filePath(QStringLiteral("empty.MDB"));
    const QString fullFile = work.filePath(QStringLiteral("full.MDB"));
    QElapsedTimer built;
    built.start();
    makeFile(emptyFile, 0);
    makeFile(fullFile, rows);
    std::printf("start-up: %d runs of each kind, alternating; fixture of %d rows (%.1f MB) built in %.1f s\n",
                runs, rows, QFileInfo(fullFile).size() / 1048576.0, built.elapsed() / 1000.0);
    bench::printMachine();

    // A fresh folder holding a fresh copy of a file, made before the clock starts.
    int serial = 0;
    const auto folderWith = [&](const QString &file) {
        const QString folder = work.filePath(QStringLiteral("run%1").arg(serial++));
        QDir().mkpath(folder);
        if (!file.isEmpty() && !QFile::copy(file, folder + QStringLiteral("/ADO_ZEM.MDB")))
            fail(QStringLiteral("cannot copy the fixture"));
        return folder;
    };

    // One warm-up of each kind fills the disk cache and the font cache.
    const QString libraries = QStringLiteral("libSDL2-2.0.so.0 libQt6Sql.so.6");
    timeStart(x, display, bare, folderWith(QString()));
    timeStart(x, display, bare, folderWith(QString()), libraries);
    timeStart(x, display, menu, folderWith(emptyFile));
    timeStart(x, display, menu, folderWith(fullFile));

    std::vector<double> preloadMs, bareMs, emptyMs, fullMs, ratios, barePeak, emptyPeak, fullPeak;
    for (int r = 0; r < runs; ++r) {
        const Run b = timeStart(x, display, bare, folderWith(QString()));
        const Run p = timeStart(x, display, bare, folderWith(QString()), libraries);
        const Run e = timeStart(x, display, menu, folderWith(emptyFile));
        preloadMs.push_back(p.ms);
        const QString fullFolder = folderWith(fullFile);
        const Run f = timeStart(x, display, menu, fullFolder);
        bareMs.push_back(b.ms);
        emptyMs.push_back(e.ms);
        fullMs.push_back(f.ms);
        ratios.push_back(e.ms / b.ms);
        barePeak.push_back(b.peak);
        emptyPeak.push_back(e.peak);
        fullPeak.push_back(f.peak);
        QDir(fullFolder).removeRecursively(); // the copies are large
    }
    std::printf("exec to window mapped:\n");
    print("bare window", bareMs, "ms");
    print("bare window, program's libraries loaded", preloadMs, "ms");
    print("menu, empty LOG", emptyMs, "ms");
    print("menu, purging half of the rows", fullMs, "ms");
    const bench::Summary ratio(ratios);
    std::printf("  %-40s median %8.2f     (min %8.2f, max %8.2f)  limit 1.30: %s\n",
                "menu / bare, run by run", ratio.median(), ratio.min(), ratio.max(),
                ratio.median() <= 1.3 ? "ok" : "OVER");
    std::printf("  %-40s median %8.2f\n", "menu / bare with its libraries, medians",
                bench::Summary(emptyMs).median() / bench::Summary(preloadMs).median());
    const double fullMedian = bench::Summary(fullMs).median();
    std::printf("  %-40s median %8.1f ms  limit 1500 ms: %s\n", "menu purging half of the rows", fullMedian,
                fullMedian < 1500 ? "ok" : "OVER");
    std::printf("peak memory (VmHWM) once the window is up:\n");
    print("bare window", barePeak, "MB");
    print("menu, empty LOG", emptyPeak, "MB");
    print("menu, purging half of the rows", fullPeak, "MB");
    const double menuPeak = bench::Summary(emptyPeak).median();
    std::printf("  %-40s median %8.1f MB  limit 40 MB: %s\n", "menu alone", menuPeak,
                menuPeak < 40 ? "ok" : "OVER");
    return 0;
}
