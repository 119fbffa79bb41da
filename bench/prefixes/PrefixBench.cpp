// Figures for finding the Wine prefixes of a home folder:
//  - discovery over 3 Steam libraries (two listed by libraryfolders.vdf) holding 300 Proton
//    prefixes with their app manifests, plus a few Lutris games and bottles;
//  - the Windows version of one prefix, read from its registry files (a real wineboot prefix
//    when KESTREL_TEST_BASE_PREFIX names one).
#include "platform/wine/PrefixDiscovery.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace kestrel::wine;

constexpr int Libraries = 3;
constexpr int PrefixesPerLibrary = 100;

void write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

struct Home {
    fs::path folder =
        fs::temp_directory_path() / ("kestrel-bench-home-" + std::to_string(getpid()));

    Home() {
        fs::remove_all(folder);
        std::string list = "\"libraryfolders\"\n{\n";
        for (int lib = 0; lib < Libraries; ++lib) {
            const fs::path library = lib == 0 ? folder / ".local/share/Steam"
                                              : folder / ("Disk" + std::to_string(lib)) / "Steam";
            list += "\t\"" + std::to_string(lib) + "\"\n\t{\n\t\t\"path\"\t\t\"" +
                    library.string() + "\"\n\t\t\"label\"\t\t\"\"\n\t}\n";
            for (int i = 0; i < PrefixesPerLibrary; ++i) {
                const std::string id = std::to_string(200000 + lib * 1000 + i);
                const fs::path pfx = library / "steamapps/compatdata" / id / "pfx";
                write(pfx / "system.reg", "WINE REGISTRY Version 2\n");
                write(pfx / "user.reg", "WINE REGISTRY Version 2\n");
                fs::create_directories(pfx / "drive_c/windows/system32");
                write(library / "steamapps" / ("appmanifest_" + id + ".acf"),
                      "\"AppState\"\n{\n\t\"appid\"\t\t\"" + id +
                          "\"\n\t\"Universe\"\t\t\"1\"\n\t\"name\"\t\t\"Game " + id +
                          "\"\n\t\"StateFlags\"\t\t\"4\"\n\t\"installdir\"\t\t\"Game" + id +
                          "\"\n\t\"SizeOnDisk\"\t\t\"1234567890\"\n\t\"buildid\"\t\t\"123456\"\n"
                          "\t\"InstalledDepots\"\n\t{\n\t\t\"" +
                          id +
                          "1\"\n\t\t{\n\t\t\t\"manifest\"\t\t\"1234567890123456789\"\n\t\t\t"
                          "\"size\"\t\t\"1234567890\"\n\t\t}\n\t}\n\t\"UserConfig\"\n\t{\n\t\t"
                          "\"language\"\t\t\"english\"\n\t}\n}\n");
            }
        }
        write(folder / ".local/share/Steam/steamapps/libraryfolders.vdf", list + "}\n");
        fs::create_directories(folder / ".steam");
        fs::create_directory_symlink(folder / ".local/share/Steam", folder / ".steam/steam");
        for (int i = 0; i < 5; ++i) {
            const std::string name = "game-" + std::to_string(i);
            write(folder / ".config/lutris/games" / (name + "-1600000000.yml"),
                  "game:\n  exe: x.exe\n  prefix: ~/Games/" + name + "\n");
            write(folder / "Games" / name / "system.reg", "WINE REGISTRY Version 2\n");
            write(folder / ".local/share/bottles/bottles" / name / "system.reg",
                  "WINE REGISTRY Version 2\n");
            write(folder / ".local/share/bottles/bottles" / name / "bottle.yml",
                  "Name: Bottle " + name + "\nArch: win64\n");
        }
    }
    ~Home() { fs::remove_all(folder); }
};

void BM_DiscoverSteamLibraries(benchmark::State& state) {
    static Home home;
    std::size_t found = 0;
    for (auto _ : state) {
        const auto prefixes = discoverPrefixes(home.folder.string());
        found = prefixes.size();
        benchmark::DoNotOptimize(found);
    }
    if (found != Libraries * PrefixesPerLibrary + 10)
        state.SkipWithError("not every prefix was found");
    state.counters["prefixes"] = double(found);
}
BENCHMARK(BM_DiscoverSteamLibraries)->Unit(benchmark::kMillisecond);

void BM_WindowsVersionOfRealPrefix(benchmark::State& state) {
    const char* base = std::getenv("KESTREL_TEST_BASE_PREFIX");
    if (!base || !fs::exists(fs::path(base) / "system.reg")) {
        state.SkipWithError("KESTREL_TEST_BASE_PREFIX names no prefix");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(prefixWindowsVersion(base));
    state.SetLabel(prefixWindowsVersion(base));
}
BENCHMARK(BM_WindowsVersionOfRealPrefix)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
