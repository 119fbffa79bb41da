// The time of a save of one value (Reg::SaveDWord: create the key, set the value, close; the
// hive written with fsync and rename) on a fresh prefix, without and with the history recording
// it (the old value read, the record committed to SQLite before the write). Each recorded save
// starts a save of its own in the history, the dearer case. Runs alternate, medians are shown.
//
// Usage: history-bench   (the base prefix comes from KESTREL_TEST_BASE_PREFIX, as for the tests;
// the benchmark works on copies)

#include "platform/Reg.h"
#include "platform/history/RecordingMachine.h"
#include "platform/wine/WineMachine.h"
#include "tests/support/TestPrefix.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace kestrel;
using Clock = std::chrono::steady_clock;

namespace {

double saveOnce(Machine& machine, int value) {
    Machine::setCurrent(&machine);
    const auto start = Clock::now();
    const bool ok = Reg::SaveDWord(HKEY_CURRENT_USER, L"Software\\Kestrel\\Bench", L"N", value);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    Machine::setCurrent(nullptr);
    if (!ok)
        std::fprintf(stderr, "the save failed\n");
    return ms;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main() {
    std::string reason;
    auto plainPrefix = testing::TestPrefix::make(reason);
    auto recordedPrefix = testing::TestPrefix::make(reason);
    if (!plainPrefix || !recordedPrefix) {
        std::fprintf(stderr, "history-bench: %s\n", reason.c_str());
        return 1;
    }
    wine::WineMachine plain(plainPrefix->path());
    history::RecordingMachine recorded(
        std::make_unique<wine::WineMachine>(recordedPrefix->path()),
        std::make_unique<history::Store>(history::prefixHistoryFile(recordedPrefix->path())));

    constexpr int Runs = 101;
    std::vector<double> without, with;
    for (int i = 0; i < Runs; ++i) {
        without.push_back(saveOnce(plain, i));
        recorded.setPage("page" + std::to_string(i)); // a new save each time
        with.push_back(saveOnce(recorded, i));
    }
    const double a = median(without), b = median(with);
    std::printf("one-value save, median of %d: without history %.3f ms, with history %.3f ms "
                "(+%.1f %%)\n",
                Runs, a, b, 100.0 * (b - a) / a);
    return 0;
}
