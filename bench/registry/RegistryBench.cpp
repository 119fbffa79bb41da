// Figures for the registry files backend, each taken in fresh processes, as a user meets them:
//  - loading a hive: the first read and parse of a fresh prefix's system.reg and of a generated
//    50 MB one, in a new process each time (MB/s), with the peak memory the read added, as a
//    multiple of the file's size;
//  - a save with one value changed (read-change-write with fsync and rename) against that load;
//  - reading one page's values (four under HKCU, one under HKLM) with kestrel-reg, one process
//    per value as a script would, against "wine reg query": cold (no wineserver before the
//    page, so its first query starts one) and warm (a wineserver already running);
//  - listing a key of 20,000 values (or LISTED) with kestrel-reg, against a warm "wine reg query".
// Kestrel and Wine are run alternately, pair by pair; every figure is min / median / max.
//
// Usage: registry-bench [RUNS [LISTED]]   (the base prefix comes from KESTREL_TEST_BASE_PREFIX, as
// for the tests; nothing in it is changed: the benchmark works on a copy)

#include "platform/Win32Types.h"
#include "platform/wine/Process.h"
#include "platform/wine/WineRegistry.h"
#include "platform/wine/WineServer.h"
#include "tests/support/TestPrefix.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace kestrel;
using Clock = std::chrono::steady_clock;

namespace {

double seconds(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Spread {
    std::vector<double> values;
    void add(double v) { values.push_back(v); }
    double at(double q) const {
        auto sorted = values;
        std::sort(sorted.begin(), sorted.end());
        return sorted[static_cast<std::size_t>(q * static_cast<double>(sorted.size() - 1) + 0.5)];
    }
    double min() const { return at(0); }
    double median() const { return at(0.5); }
    double max() const { return at(1); }
};

void print(const char* label, const Spread& s, const char* unit, double scale = 1) {
    std::printf("  %-44s %9.3f / %9.3f / %9.3f %s\n", label, s.min() * scale, s.median() * scale,
                s.max() * scale, unit);
}

// Kilobytes of this process's peak resident memory (VmHWM) or current (VmRSS).
long memoryKb(const char* field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field, 0) == 0)
            return std::atol(line.c_str() + std::string(field).size());
    return 0;
}

// CPU time of this process so far: the load's own work, whatever else the computer runs.
double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Child mode: the first use of a prefix's registry in this process. Prints the load time, the
// memory the load added (kB) and, after it, the time of a one-value save.
int child(const std::string& folder) {
    const long before = memoryKb("VmRSS:");
    wine::WineRegistry registry(folder, 1252);
    RegHandle key = 0;
    const double cpuBefore = cpuSeconds();
    const double load =
        seconds([&] { registry.openKey(HKEY_LOCAL_MACHINE, "Software", KEY_READ, key); });
    const double loadCpu = cpuSeconds() - cpuBefore;
    const long added = memoryKb("VmHWM:") - before;
    registry.closeKey(key);
    registry.createKey(HKEY_LOCAL_MACHINE, "Software\\Pellmark\\Kestrel", KEY_WRITE, key);
    const std::uint32_t counter = static_cast<std::uint32_t>(getpid());
    const double save = seconds([&] {
        registry.setValue(key, "IconCount", REG_DWORD,
                          reinterpret_cast<const std::uint8_t*>(&counter), 4);
    });
    registry.closeKey(key);
    std::printf("%.9f %ld %.9f %.9f\n", load, added, save, loadCpu);
    return 0;
}

// A system.reg of about `bytes` bytes with the mix of values Wine writes.
std::string generated(std::size_t bytes) {
    std::string text = "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n"
                       "#arch=win64\n";
    char line[256];
    for (int k = 0; text.size() < bytes; ++k) {
        std::snprintf(line, sizeof line,
                      "\n[Software\\\\Bench\\\\Group%04d\\\\Key%06d] 1796483572\n"
                      "#time=1dd84cb194f7e80\n",
                      k / 1000, k);
        text += line;
        std::snprintf(line, sizeof line,
                      "@=\"C:\\\\windows\\\\system32\\\\bench%06d.dll\"\n"
                      "\"Count\"=dword:%08x\n\"Name\"=\"Value number %d \\x416\\x443\"\n",
                      k, k, k);
        text += line;
        text += "\"Data\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,\\\n"
                "  15,16,17,18,19,1a,1b,1c,1d,1e,1f\n";
    }
    return text;
}

void hiveFigures(const std::string& label, const std::string& folder, int runs) {
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const double megabytes = static_cast<double>(fs::file_size(folder + "/system.reg")) / 1e6;
    Spread rate, cpuRate, memory, save, ratio;
    for (int i = 0; i < runs; ++i) {
        const auto result = wine::runProcess({self, "--child", folder});
        double load = 0, saved = 0, cpu = 0;
        long added = 0;
        if (std::sscanf(result.output.c_str(), "%lf %ld %lf %lf", &load, &added, &saved, &cpu) <
            3) {
            std::printf("  child failed: %s\n", result.output.c_str());
            return;
        }
        rate.add(megabytes / load);
        cpuRate.add(cpu > 0 ? megabytes / cpu : 0);
        memory.add(static_cast<double>(added) * 1024 / (megabytes * 1e6));
        save.add(saved);
        ratio.add(saved / load);
    }
    std::printf("%s (%.1f MB), %d fresh processes\n", label.c_str(), megabytes, runs);
    print("first load (read + parse)", rate, "MB/s");
    print("the same by the load's CPU time", cpuRate, "MB/s");
    print("peak memory the load added", memory, "x file size");
    print("one-value save (write, fsync, rename)", save, "s");
    print("save / load of the same process", ratio, "x");
}

struct Query {
    std::string key, value;
};
const std::vector<Query> PageValues = {
    {"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", "NoDesktop"},
    {"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", "NoNetHood"},
    {"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", "NoSaveSettings"},
    {"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
     "DisableRegistryTools"},
    {"HKLM\\SYSTEM\\CurrentControlSet\\Control\\Update", "UpdateMode"},
};
const Query OneHklmValue = PageValues.back();
const std::string BigKey = "HKCU\\Software\\KestrelBench\\Big";

double withKestrelReg(const std::string& prefix, const std::vector<Query>& queries) {
    return seconds([&] {
        for (const auto& q : queries) {
            std::vector<std::string> argv{KESTREL_REG, "--prefix", prefix, "query", q.key};
            if (!q.value.empty())
                argv.insert(argv.end(), {"/v", q.value});
            wine::runProcess(argv);
        }
    });
}

double withWineReg(const std::string& prefix, const std::vector<Query>& queries) {
    return seconds([&] {
        std::string output;
        for (const auto& q : queries) {
            std::vector<std::string> argv{"reg", "query", q.key};
            if (!q.value.empty())
                argv.insert(argv.end(), {"/v", q.value});
            wine::runWine(prefix, argv, output);
        }
    });
}

std::string hex8(int v) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%08x", v);
    return buffer;
}

void stopServer(const std::string& prefix) {
    wine::runProcess({"wineserver", "-k"}, {{"WINEPREFIX", prefix}});
    wine::runProcess({"wineserver", "-w"}, {{"WINEPREFIX", prefix}});
}

void startServer(const std::string& prefix) {
    wine::startDetached({"wineserver", "-p"}, {{"WINEPREFIX", prefix}, {"WINEDEBUG", "-all"}});
    for (int i = 0; i < 100 && !wine::wineServerRunning(prefix); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

// Kestrel and Wine alternately, pair by pair: kestrel-reg on the files (no server), then Wine
// cold (server stopped before) or warm (server started before, not counted).
void compare(const char* label, const std::string& prefix, const std::vector<Query>& queries,
             bool cold, int runs) {
    Spread kestrel, wineTimes, ratio;
    if (!cold) {
        startServer(prefix);
        withWineReg(prefix, queries); // Wine's services start with the first call
        stopServer(prefix);
    }
    for (int i = 0; i < runs; ++i) {
        stopServer(prefix);
        const double k = withKestrelReg(prefix, queries);
        if (!cold) {
            startServer(prefix);
            withWineReg(prefix, {OneHklmValue}); // not counted: brings the services up
        }
        const double w = withWineReg(prefix, queries);
        stopServer(prefix);
        kestrel.add(k);
        wineTimes.add(w);
        ratio.add(w / k);
    }
    std::printf("%s, %d pairs\n", label, runs);
    print("kestrel-reg (no server)", kestrel, "s");
    print(cold ? "wine reg query, cold (no server before)" : "wine reg query, warm server",
          wineTimes, "s");
    print("wine / kestrel-reg", ratio, "x");
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--child")
        return child(argv[2]);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 7;
    const int listed = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20000;
    std::string reason;
    auto prefix = testing::TestPrefix::make(reason);
    if (!prefix) {
        std::fprintf(stderr, "no prefix to measure: %s\n", reason.c_str());
        return 1;
    }
    const fs::path scratch = fs::path(prefix->path()) / "bench";
    fs::create_directories(scratch / "fresh");
    fs::create_directories(scratch / "large");
    fs::copy_file(prefix->file("system.reg"), scratch / "fresh/system.reg");
    {
        std::ofstream out(scratch / "large/system.reg", std::ios::binary);
        out << generated(50'000'000);
    }
    hiveFigures("fresh prefix system.reg", (scratch / "fresh").string(), runs);
    hiveFigures("generated system.reg", (scratch / "large").string(), runs);
    fs::remove_all(scratch);

    if (!wine::wineInstalled()) {
        std::printf("wine is not installed: no kestrel-reg / wine reg comparison\n");
        return 0;
    }
    // The page's values, set as the page would set them, and a key of 20,000 values (written to
    // the file directly: through reg add it would take hours).
    for (const auto& q : PageValues)
        wine::runProcess({KESTREL_REG, "--prefix", prefix->path(), "add", q.key, "/v", q.value,
                          "/t", "REG_DWORD", "/d", "1", "/f"});
    {
        std::ofstream out(prefix->file("user.reg"), std::ios::app | std::ios::binary);
        out << "\n[Software\\\\KestrelBench\\\\Big] 1796483572\n#time=1dd84cb194f7e80\n";
        for (int i = 0; i < listed; ++i)
            out << "\"Value" << i << "\"=dword:" << hex8(i) << "\n";
    }
    compare("one page's values (5 processes, one value under HKLM)", prefix->path(), PageValues,
            true, runs);
    compare("one HKLM value (1 process)", prefix->path(), {OneHklmValue}, true, runs);
    compare("one page's values (5 processes)", prefix->path(), PageValues, false, runs);
    const std::string label = "listing a key of " + std::to_string(listed) + " values (1 process)";
    compare(label.c_str(), prefix->path(), {{BigKey, ""}}, false, runs);
    return 0;
}
