// Figures for the icons of the Wine prefix's shell32.dll (184 icon groups, 14 MB), on a copy of
// the test base prefix, offscreen:
//  - the system icons page opened: the icons counted, the list filled, icon 0 drawn;
//  - the platform alone: the icon count, and icon 0 taken out as .ico bytes;
//  - the first opening in a process, which also loads what Qt loads once;
//  - one icon counted, taken out, decoded and drawn (what a click in the list costs).
#include "pages/icons/frmShell32.h"
#include "platform/wine/WineMachine.h"
#include "tests/support/TestPrefix.h"
#include "ui/FileIcon.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>

namespace {

using namespace kestrel;

const std::string Shell32 = "C:\\windows\\system32\\shell32.dll";

struct Setup {
    Setup() : prefix(testing::TestPrefix::make(reason)) {
        if (!prefix) {
            std::fprintf(stderr, "no base prefix: %s\n", reason.c_str());
            std::exit(1);
        }
        machine = std::make_unique<wine::WineMachine>(prefix->path());
        Machine::setCurrent(machine.get());
    }
    std::string reason;
    std::optional<testing::TestPrefix> prefix;
    std::unique_ptr<wine::WineMachine> machine;
};

Setup& setup() {
    static Setup s;
    return s;
}

void openSystemIconsPage(benchmark::State& state) {
    setup();
    for (auto _ : state) {
        frmShell32 page;
        page.resize(600, 400);
        page.Form_Load();
        if (page.findChild<QListWidget*>(QStringLiteral("lstSI"))->count() != 184)
            state.SkipWithError("shell32.dll did not give 184 icons");
    }
}
BENCHMARK(openSystemIconsPage)->Unit(benchmark::kMillisecond);

void countIcons(benchmark::State& state) {
    auto& machine = *setup().machine;
    for (auto _ : state)
        benchmark::DoNotOptimize(machine.iconCount(Shell32));
}
BENCHMARK(countIcons)->Unit(benchmark::kMicrosecond);

void extractIcon0(benchmark::State& state) {
    auto& machine = *setup().machine;
    std::string ico;
    for (auto _ : state)
        benchmark::DoNotOptimize(machine.extractIcon(Shell32, 0, ico));
}
BENCHMARK(extractIcon0)->Unit(benchmark::kMicrosecond);

void drawOneIcon(benchmark::State& state) {
    setup();
    QPixmap canvas(IconSide, IconSide);
    for (auto _ : state)
        benchmark::DoNotOptimize(DrawFileIcon(QString::fromStdString(Shell32), 3, canvas));
}
BENCHMARK(drawOneIcon)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The very first opening also loads the catalogue, the fonts and the ICO decoder.
    setup();
    QElapsedTimer first;
    first.start();
    {
        frmShell32 page;
        page.resize(600, 400);
        page.Form_Load();
    }
    std::printf("first opening of the system icons page in this process: %.1f ms\n",
                double(first.nsecsElapsed()) / 1e6);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Machine::setCurrent(nullptr);
    return 0;
}
