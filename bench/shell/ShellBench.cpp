// Two figures of the main window, measured in separate processes on the offscreen platform:
//  - start-up: from starting the process to the first paint of the main window with the About
//    page (loading the program, opening the prefix, building the tree, laying out, painting);
//  - idle: the CPU time the running window uses over 10 s with nobody touching it (the 10 ms
//    status timer and the About page's timers keep running).
//
// bench_shell [runs]           runs the measurements and prints the figures
// bench_shell --child MODE DIR one window on the prefix DIR (used by the parent)
//
// The idle figure is also given with the status timer stopped, which tells the timer's share.

#include "app/StartUp.h"
#include "app/frmStart.h"
#include "platform/wine/WinePrefix.h"
#include "ui/MdlStart.h"
#include "ui/Page.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

using namespace kestrel;

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Reports the first paint of the page shown at start-up.
class FirstPaint : public QObject {
public:
    std::function<void()> painted;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && painted) {
            auto done = std::move(painted);
            painted = nullptr;
            watched->removeEventFilter(this);
            // Let the paint finish before telling.
            QTimer::singleShot(0, done);
        }
        return false;
    }
};

int child(int argc, char** argv) {
    const QString mode = QString::fromLocal8Bit(argv[2]);
    const std::string prefix = argv[3];
    QApplication app(argc, argv);
    OpenedMachine opened = openPrefix(prefix);
    if (!opened.machine) {
        std::fprintf(stderr, "%s\n", qPrintable(opened.error));
        return 1;
    }
    Machine::setCurrent(opened.machine.get());
    MdlStart::setWinVerKeyFromPlatform();
    frmStart window;
    FirstPaint firstPaint;
    window.curPage()->installEventFilter(&firstPaint);
    firstPaint.painted = [&] {
        std::printf("painted\n");
        std::fflush(stdout);
        if (mode == QLatin1String("startup")) {
            QApplication::quit();
            return;
        }
        // Idle: measure the CPU time of the next 10 s ("idle-quiet": without the status
        // timer, to tell its share).
        if (mode == QLatin1String("idle-quiet"))
            window.tmrStat()->stop();
        const double before = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        const int drawsBefore = window.statb()->redraws();
        QTimer::singleShot(10000, Qt::PreciseTimer, [&, before, wall, drawsBefore] {
            const double used = cpuSeconds() - before;
            std::printf("idle %.3f %.3f %d\n", used, wall.elapsed() / 1000.0,
                        window.statb()->redraws() - drawsBefore);
            std::fflush(stdout);
            QApplication::quit();
        });
    };
    window.show();
    window.arrangePage();
    const int result = QApplication::exec();
    Machine::setCurrent(nullptr);
    return result;
}

struct ChildRun {
    double toFirstPaintMs = -1;
    QString lastLine;
};

ChildRun runChild(const QString& mode, const QString& prefix) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ChildRun run;
    QElapsedTimer timer;
    timer.start();
    process.start(QCoreApplication::applicationFilePath(), {"--child", mode, prefix});
    while (process.state() != QProcess::NotRunning || process.canReadLine()) {
        if (!process.canReadLine() && !process.waitForReadyRead(20000))
            break;
        while (process.canReadLine()) {
            const QString line = QString::fromUtf8(process.readLine()).trimmed();
            if (line == QLatin1String("painted") && run.toFirstPaintMs < 0)
                run.toFirstPaintMs = double(timer.nsecsElapsed()) / 1e6;
            run.lastLine = line;
        }
    }
    process.waitForFinished(30000);
    return run;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && qstrcmp(argv[1], "--child") == 0)
        return child(argc, argv);

    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 15;
    QTemporaryDir home;
    const QString prefix = home.filePath(QStringLiteral("prefix"));
    std::string error;
    if (!wine::createPrefix(prefix.toStdString(), error)) {
        std::fprintf(stderr, "cannot make a prefix: %s\n", error.c_str());
        return 1;
    }

    runChild(QStringLiteral("startup"), prefix); // warm the file cache once
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const ChildRun run = runChild(QStringLiteral("startup"), prefix);
        if (run.toFirstPaintMs < 0) {
            std::fprintf(stderr, "run %d: no first paint\n", i);
            return 1;
        }
        times.push_back(run.toFirstPaintMs);
    }
    std::sort(times.begin(), times.end());
    std::printf("start to first paint (offscreen, %d runs): median %.1f ms, min %.1f ms, "
                "max %.1f ms\n",
                runs, times[times.size() / 2], times.front(), times.back());

    for (const QString mode : {QStringLiteral("idle"), QStringLiteral("idle-quiet")}) {
        const ChildRun idle = runChild(mode, prefix);
        const QStringList fields = idle.lastLine.split(QLatin1Char(' '));
        if (fields.size() != 4 || fields[0] != QLatin1String("idle")) {
            std::fprintf(stderr, "%s run failed: %s\n", qPrintable(mode),
                         qPrintable(idle.lastLine));
            return 1;
        }
        const double cpu = fields[1].toDouble();
        const double wall = fields[2].toDouble();
        std::printf("%s over %.1f s: %.3f s CPU = %.2f %% of one core, %s status redraws\n",
                    mode == QLatin1String("idle") ? "idle window" : "idle window, status timer off",
                    wall, cpu, 100.0 * cpu / wall, qPrintable(fields[3]));
    }
    return 0;
}
