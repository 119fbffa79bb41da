// What a user of the main window waits for, measured under an X server (run it under Xvfb:
// `xvfb-run -a -s "-screen 0 1280x1024x24" bench_shell`; the offscreen platform hides the cost
// of talking to the X server). Each figure comes from its own process on a fresh prefix:
//  - start-up: from starting the process to the first paint of the main window (About page);
//  - page switches: right after the first paint, every page of the page table is visited once
//    (first visits: the page's first load, the registry hives read as the page needs them),
//    then, after a warm-up round, every page again in 20 rounds. A switch is timed from the
//    node's click to the new page painted and flushed to the server (the old page unloaded);
//  - idle: the CPU time the window uses over 60 s on the About page with the pointer still,
//    over the window and outside it, and the CPU time the X server spends meanwhile;
//  - the folder list opening a folder of 10,000 subfolders, filled and painted.
//
// bench_shell [rounds] [idle seconds]   runs the measurements and prints the figures
// KESTREL_BENCH_PREFIX=DIR              copies that wineboot prefix instead of making one
// bench_shell --child MODE DIR          one window on the prefix DIR (used by the parent)

#include "app/PageTable.h"
#include "app/StartUp.h"
#include "app/frmStart.h"
#include "platform/wine/WinePrefix.h"
#include "ui/MdlStart.h"
#include "ui/Page.h"
#include "ui/controls/DirListBox.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace kestrel;

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The X server's process, from the lock file of the display Qt talks to; 0 when unknown.
long serverPid() {
    const QByteArray display = qgetenv("DISPLAY");
    const int colon = display.indexOf(':');
    if (colon < 0)
        return 0;
    const QByteArray number = display.mid(colon + 1).split('.').first();
    QFile lock(QStringLiteral("/tmp/.X%1-lock").arg(QString::fromLatin1(number)));
    if (!lock.open(QIODevice::ReadOnly))
        return 0;
    return lock.readAll().trimmed().toLong();
}

// CPU seconds a process has used (user + system), from /proc.
double processCpuSeconds(long pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    // Fields after the command name (which may hold spaces) start after the last ')'.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return double(fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

// Reports the next paint of a widget, once the event loop has finished that paint (the
// window's contents are then flushed to the server).
class PaintWatch : public QObject {
public:
    std::function<void()> painted;
    void watch(QWidget* widget, std::function<void()> done) {
        painted = std::move(done);
        widget->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && painted) {
            auto done = std::move(painted);
            painted = nullptr;
            watched->removeEventFilter(this);
            QTimer::singleShot(0, [done] {
                QGuiApplication::sync(); // the server has drawn it
                done();
            });
        }
        return false;
    }
};

struct Stats {
    double min = 0, median = 0, max = 0;
};

Stats stats(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    if (values.empty())
        return {};
    return {values.front(), values[values.size() / 2], values.back()};
}

// CPU time of the calling thread (the GUI thread), in ms.
double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double msSince(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

// Every page of the page table, each after the About page's group node would be too quick a
// start: the order is the table's, so each switch unloads the page before it.
QStringList pageKeys() {
    QStringList keys{QStringLiteral("About")};
    for (const PageRow& row : pageTable())
        keys << QString::fromLatin1(row.key);
    return keys;
}

// Page switches: first visits right after the first paint, a warm-up round, then `rounds`
// rounds. Prints "first KEY ms" and "switch KEY ms" lines.
void runSwitches(frmStart& window, int rounds) {
    struct State {
        QStringList keys = pageKeys();
        int round = -2; // -2: first visits, -1: warm-up
        int index = 1;  // the About page is shown already
        QElapsedTimer timer;
        double cpuStart = 0;
        PaintWatch watch;
    };
    auto state = std::make_shared<State>();
    auto step = std::make_shared<std::function<void()>>();
    *step = [state, step, &window, rounds] {
        if (state->index == state->keys.size()) {
            state->index = 0;
            if (++state->round == rounds) {
                QApplication::quit();
                return;
            }
        }
        const QString key = state->keys[state->index++];
        state->timer.start();
        state->cpuStart = threadCpuMs();
        window.showPage(key);
        state->watch.watch(window.curPage(), [state, step, key] {
            const double ms = msSince(state->timer);
            const double cpu = threadCpuMs() - state->cpuStart;
            if (state->round != -1)
                std::printf("%s %s %.3f %.3f\n", state->round == -2 ? "first" : "switch",
                            qPrintable(key), ms, cpu);
            QTimer::singleShot(0, *step);
        });
    };
    QTimer::singleShot(0, *step);
}

void runIdle(frmStart& window, int seconds, bool outside) {
    if (outside)
        QCursor::setPos(window.frameGeometry().right() + 100,
                        window.frameGeometry().bottom() + 100);
    // Let the move settle before measuring.
    QTimer::singleShot(3000, [&window, seconds] {
        const long server = serverPid();
        const double before = cpuSeconds();
        const double serverBefore = processCpuSeconds(server);
        auto wall = std::make_shared<QElapsedTimer>();
        wall->start();
        const int drawsBefore = window.statb()->redraws();
        QTimer::singleShot(seconds * 1000, Qt::PreciseTimer,
                           [&window, before, serverBefore, server, wall, drawsBefore] {
                               std::printf("idle %.3f %.3f %.3f %d %s\n", cpuSeconds() - before,
                                           wall->elapsed() / 1000.0,
                                           processCpuSeconds(server) - serverBefore,
                                           window.statb()->redraws() - drawsBefore,
                                           qPrintable(window.statb()->lastPos()));
                               std::fflush(stdout);
                               QApplication::quit();
                           });
    });
}

// A folder of 10,000 subfolders opened in the folder list, timed to its paint. The list shows
// the drive's root first and is painted once, as on a page, before the folder is opened.
void runFolderList(int subfolders) {
    const QString root = QStringLiteral("C:\\many");
    auto* list = new DirListBox;
    list->resize(300, 400);
    list->setPath(QStringLiteral("C:\\"));
    auto watch = std::make_shared<PaintWatch>();
    watch->watch(list->viewport(), [watch, list, root, subfolders] {
        auto timer = std::make_shared<QElapsedTimer>();
        timer->start();
        const double cpuStart = threadCpuMs();
        if (!list->setPath(root) || list->topLevelItem(0) == nullptr) {
            std::printf("folders failed\n");
            QApplication::quit();
            return;
        }
        list->viewport()->update();
        watch->watch(list->viewport(), [watch, timer, cpuStart, list, subfolders] {
            std::printf("folders %d %.3f %.3f\n", subfolders, msSince(*timer),
                        threadCpuMs() - cpuStart);
            std::fflush(stdout);
            delete list;
            QApplication::quit();
        });
    });
    list->show();
}

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
    if (mode.startsWith(QLatin1String("folders"))) {
        runFolderList(mode.mid(7).toInt());
        const int result = QApplication::exec();
        Machine::setCurrent(nullptr);
        return result;
    }
    frmStart window;
    // The window and its page are painted in one pass; watching the window reports before
    // anything the window does once it is on screen.
    PaintWatch firstPaint;
    firstPaint.watch(&window, [&] {
        std::printf("painted\n");
        std::fflush(stdout);
        if (mode == QLatin1String("startup"))
            QApplication::quit();
        else if (mode.startsWith(QLatin1String("switch")))
            runSwitches(window, mode.mid(6).toInt());
        else if (mode.startsWith(QLatin1String("idle-out")))
            runIdle(window, mode.mid(8).toInt(), true);
        else if (mode.startsWith(QLatin1String("idle")))
            runIdle(window, mode.mid(4).toInt(), false);
    });
    window.show();
    window.arrangePage();
    const int result = QApplication::exec();
    std::fflush(stdout);
    Machine::setCurrent(nullptr);
    return result;
}

struct ChildRun {
    double toFirstPaintMs = -1;
    QStringList lines;
};

ChildRun runChild(const QString& mode, const QString& prefix) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ChildRun run;
    QElapsedTimer timer;
    timer.start();
    process.start(QCoreApplication::applicationFilePath(), {"--child", mode, prefix});
    while (process.state() != QProcess::NotRunning || process.canReadLine()) {
        if (!process.canReadLine() && !process.waitForReadyRead(120000))
            break;
        while (process.canReadLine()) {
            const QString line = QString::fromUtf8(process.readLine()).trimmed();
            if (line == QLatin1String("painted") && run.toFirstPaintMs < 0)
                run.toFirstPaintMs = msSince(timer);
            run.lines << line;
        }
    }
    process.waitForFinished(30000);
    return run;
}

// A fresh prefix: a copy of the wineboot prefix the run started with (Kestrel never read it).
QString newPrefix(QTemporaryDir& home, int number) {
    static QString base;
    if (base.isEmpty()) {
        base = qEnvironmentVariable("KESTREL_BENCH_PREFIX");
        if (base.isEmpty()) {
            base = home.filePath(QStringLiteral("base"));
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("WINEPREFIX"), base);
            env.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
            env.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree,mshtml="));
            QProcess boot;
            boot.setProcessEnvironment(env);
            boot.start(QStringLiteral("wineboot"), {QStringLiteral("-i")});
            boot.waitForFinished(600000);
            QProcess wait;
            wait.setProcessEnvironment(env);
            wait.start(QStringLiteral("wineserver"), {QStringLiteral("-w")});
            wait.waitForFinished(600000);
        }
        if (!QFile::exists(base + QStringLiteral("/system.reg"))) {
            std::fprintf(stderr, "no wineboot prefix at %s\n", qPrintable(base));
            std::exit(1);
        }
    }
    const QString prefix = home.filePath(QStringLiteral("prefix%1").arg(number));
    if (QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), base, prefix}) != 0) {
        std::fprintf(stderr, "cannot copy the prefix %s\n", qPrintable(base));
        std::exit(1);
    }
    return prefix;
}

void printStats(const char* what, const std::vector<double>& values, const char* unit) {
    const Stats s = stats(values);
    std::printf("%-34s min %7.2f  median %7.2f  max %7.2f %s (%zu)\n", what, s.min, s.median, s.max,
                unit, values.size());
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && qstrcmp(argv[1], "--child") == 0)
        return child(argc, argv);

    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    const int idleSeconds = argc > 2 ? std::max(1, atoi(argv[2])) : 60;
    if (qEnvironmentVariable("QT_QPA_PLATFORM") == QLatin1String("offscreen") ||
        qEnvironmentVariableIsEmpty("DISPLAY"))
        std::fprintf(stderr, "note: not on an X server; run under xvfb-run for real figures\n");
    QTemporaryDir home;
    int prefixes = 0;

    // Start-up, each on a prefix whose hives were never read by Kestrel.
    runChild(QStringLiteral("startup"), newPrefix(home, prefixes++)); // warm the file cache
    std::vector<double> startTimes;
    for (int i = 0; i < 10; ++i) {
        const ChildRun run = runChild(QStringLiteral("startup"), newPrefix(home, prefixes++));
        if (run.toFirstPaintMs < 0) {
            std::fprintf(stderr, "run %d: no first paint\n", i);
            return 1;
        }
        startTimes.push_back(run.toFirstPaintMs);
    }
    printStats("start to first paint", startTimes, "ms");

    // Page switches: first visits on three fresh prefixes, then `rounds` switches to each page.
    std::map<QString, std::vector<double>> first, switches, firstCpu, switchCpu;
    for (int i = 0; i < 3; ++i) {
        const ChildRun run = runChild(QStringLiteral("switch%1").arg(i == 0 ? rounds : 1),
                                      newPrefix(home, prefixes++));
        for (const QString& line : run.lines) {
            const QStringList fields = line.split(QLatin1Char(' '));
            if (fields.size() != 4)
                continue;
            const bool isFirst = fields[0] == QLatin1String("first");
            (isFirst ? first : switches)[fields[1]].push_back(fields[2].toDouble());
            (isFirst ? firstCpu : switchCpu)[fields[1]].push_back(fields[3].toDouble());
        }
    }
    std::printf("\npage switches, ms (wall: click to painted and flushed; cpu: the GUI thread's "
                "share), min/median/max:\n first visit on a fresh prefix (3 runs), then %d "
                "switches\n",
                rounds);
    std::printf("  %-14s %-20s %-20s %-20s %-20s\n", "page", "first wall", "first cpu",
                "switch wall", "switch cpu");
    for (const QString& key : pageKeys()) {
        std::printf("  %-14s", qPrintable(key));
        for (const auto* values : {&first, &firstCpu, &switches, &switchCpu}) {
            const auto found = values->find(key);
            const Stats s = found == values->end() ? Stats{} : stats(found->second);
            std::printf(" %6.2f %6.2f %6.2f", s.min, s.median, s.max);
        }
        std::printf("\n");
    }

    // Idle.
    std::printf("\n");
    for (const bool outside : {false, true}) {
        const QString mode = QStringLiteral("idle%1%2")
                                 .arg(outside ? QStringLiteral("-out") : QString())
                                 .arg(idleSeconds);
        const ChildRun run = runChild(mode, newPrefix(home, prefixes++));
        const QStringList fields =
            run.lines.isEmpty() ? QStringList() : run.lines.last().split(QLatin1Char(' '));
        if (fields.size() < 5 || fields[0] != QLatin1String("idle")) {
            std::fprintf(stderr, "%s run failed\n", qPrintable(mode));
            return 1;
        }
        const double cpu = fields[1].toDouble();
        const double wall = fields[2].toDouble();
        const double server = fields[3].toDouble();
        std::printf("idle, pointer %s, %.1f s: Kestrel %.3f s CPU = %.2f %% of a core; X server "
                    "%.3f s = %.2f %%; %s status redraws, pointer text \"%s\"\n",
                    outside ? "outside the window" : "over the window", wall, cpu,
                    100.0 * cpu / wall, server, 100.0 * server / wall, qPrintable(fields[4]),
                    qPrintable(fields.mid(5).join(QLatin1Char(' '))));
    }

    // The folder list.
    const QString folders = newPrefix(home, prefixes++);
    const int count = 10000;
    QDir many(folders + QStringLiteral("/drive_c/many"));
    many.mkpath(QStringLiteral("."));
    for (int i = 0; i < count; ++i)
        many.mkdir(QStringLiteral("folder %1").arg(i, 5, 10, QLatin1Char('0')));
    std::vector<double> fill, fillCpu;
    runChild(QStringLiteral("folders%1").arg(count), folders); // warm the file cache
    for (int i = 0; i < 10; ++i) {
        const ChildRun run = runChild(QStringLiteral("folders%1").arg(count), folders);
        for (const QString& line : run.lines)
            if (line.startsWith(QLatin1String("folders "))) {
                fill.push_back(line.section(QLatin1Char(' '), 2, 2).toDouble());
                fillCpu.push_back(line.section(QLatin1Char(' '), 3, 3).toDouble());
            }
    }
    std::printf("\n");
    printStats("folder list, 10,000 subfolders", fill, "ms");
    printStats("  the GUI thread's CPU time", fillCpu, "ms");
    return 0;
}
