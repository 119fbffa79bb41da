// Figures for the registry files backend:
//  - load and save throughput (MB/s) on a fresh prefix's system.reg and on a generated 50 MB file,
//    and the time of a one-value save on each (read-change-write with fsync and rename);
//  - the time to read the five values of the administrative options page with kestrel-reg,
//    against "wine reg query" on the same prefix, both as whole processes.
//
// Usage: registry-bench [KESTREL_REG]   (the base prefix comes from KESTREL_TEST_BASE_PREFIX, as
// for the tests; nothing in it is changed: the benchmark works on a copy)

#include "platform/wine/Process.h"
#include "platform/wine/RegFile.h"
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
#include <sstream>
#include <string>
#include <thread>
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

// The median of several runs.
double median(int runs, const std::function<double()>& once) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(once());
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
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

void fileFigures(const std::string& label, const std::string& folder) {
    const std::string path = folder + "/system.reg";
    const double megabytes = static_cast<double>(fs::file_size(path)) / 1e6;
    const std::string text = readFile(path);

    const double parse = median(5, [&] {
        wine::RegFile file;
        return seconds([&] { file.load(text); });
    });
    wine::RegFile file;
    file.load(text);
    std::string out;
    const double serialize = median(5, [&] { return seconds([&] { out = file.text(); }); });
    // Through the backend: the file read and parsed on first use ...
    const double load = median(5, [&] {
        return seconds([&] {
            wine::WineRegistry registry(folder, 1252);
            RegHandle key = 0;
            registry.openKey(HKEY_LOCAL_MACHINE, "Software", KEY_READ, key);
            registry.closeKey(key);
        });
    });
    // ... and one value changed: read-change-write, fsync, rename.
    wine::WineRegistry registry(folder, 1252);
    RegHandle key = 0;
    registry.createKey(HKEY_LOCAL_MACHINE, "Software\\Pellmark\\Kestrel", KEY_WRITE, key);
    std::uint32_t counter = 0;
    const double save = median(5, [&] {
        ++counter;
        return seconds([&] {
            registry.setValue(key, "IconCount", REG_DWORD,
                              reinterpret_cast<const std::uint8_t*>(&counter), 4);
        });
    });
    registry.closeKey(key);

    std::printf("%s (%.1f MB)\n", label.c_str(), megabytes);
    std::printf("  parse             %8.1f MB/s  (%.3f s)\n", megabytes / parse, parse);
    std::printf("  serialize         %8.1f MB/s  (%.3f s)\n", megabytes / serialize, serialize);
    std::printf("  load (read+parse) %8.1f MB/s  (%.3f s)\n", megabytes / load, load);
    std::printf("  one-value save    %8.1f MB/s  (%.3f s: serialize, write, fsync, rename)\n",
                megabytes / save, save);
}

const std::vector<std::vector<std::string>> FiveValues = {
    {"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", "NoDesktop"},
    {"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", "NoNetHood"},
    {"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", "NoSaveSettings"},
    {"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
     "DisableRegistryTools"},
    {"HKLM\\SYSTEM\\CurrentControlSet\\Control\\Update", "UpdateMode"},
};

double fiveWithKestrelReg(const std::string& tool, const std::string& prefix) {
    return seconds([&] {
        for (const auto& v : FiveValues)
            wine::runProcess({tool, "--prefix", prefix, "query", v[0], "/v", v[1]});
    });
}

double fiveWithWineReg(const std::string& prefix) {
    return seconds([&] {
        std::string output;
        for (const auto& v : FiveValues)
            wine::runWine(prefix, {"reg", "query", v[0], "/v", v[1]}, output);
    });
}

void stopServer(const std::string& prefix) {
    std::string output;
    wine::runProcess({"wineserver", "-k"}, {{"WINEPREFIX", prefix}});
    wine::runProcess({"wineserver", "-w"}, {{"WINEPREFIX", prefix}});
}

} // namespace

int main(int argc, char** argv) {
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
    fileFigures("fresh prefix system.reg", (scratch / "fresh").string());
    fileFigures("generated system.reg", (scratch / "large").string());
    fs::remove_all(scratch);

    const std::string tool = argc > 1 ? argv[1] : KESTREL_REG;
    if (!wine::wineInstalled()) {
        std::printf("wine is not installed: no kestrel-reg / wine reg comparison\n");
        return 0;
    }
    // The five values, set as the page would set them.
    for (const auto& v : FiveValues)
        wine::runProcess({tool, "--prefix", prefix->path(), "add", v[0], "/v", v[1], "/t",
                          "REG_DWORD", "/d", "1", "/f"});
    const double kestrel = median(5, [&] { return fiveWithKestrelReg(tool, prefix->path()); });
    stopServer(prefix->path());
    const double wineCold = median(3, [&] {
        stopServer(prefix->path());
        return fiveWithWineReg(prefix->path());
    });
    stopServer(prefix->path());
    wine::startDetached({"wineserver", "-p"},
                        {{"WINEPREFIX", prefix->path()}, {"WINEDEBUG", "-all"}});
    for (int i = 0; i < 100 && !wine::wineServerRunning(prefix->path()); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    fiveWithWineReg(prefix->path()); // let Wine start its services
    const double wineWarm = median(5, [&] { return fiveWithWineReg(prefix->path()); });
    stopServer(prefix->path());

    std::printf("five values of the administrative options page, 5 processes each\n");
    std::printf("  kestrel-reg                   %8.3f s\n", kestrel);
    std::printf("  wine reg query, no server     %8.3f s  (%.0fx kestrel-reg)\n", wineCold,
                wineCold / kestrel);
    std::printf("  wine reg query, warm server   %8.3f s  (%.0fx kestrel-reg)\n", wineWarm,
                wineWarm / kestrel);
    return 0;
}
