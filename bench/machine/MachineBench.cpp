// Figures for the Wine machine on a copy of the test base prefix (a real wineboot prefix):
//  - DOS path to host path, with case-insensitive matching through system32 (about 1000 entries);
//  - the 24 drive types the virtual drive page asks for at every refresh;
//  - GetFileAttributesA of a file;
//  - a desktop.ini value read, and written (read-change-write, fsync and rename).
#include "platform/wine/WineMachine.h"
#include "tests/support/TestPrefix.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {

using kestrel::testing::TestPrefix;
using kestrel::wine::WineMachine;

struct Setup {
    Setup() : prefix(TestPrefix::make(reason)) {
        if (!prefix) {
            std::fprintf(stderr, "no base prefix: %s\n", reason.c_str());
            std::exit(1);
        }
        std::filesystem::create_directories(prefix->file("drive_c/Bench/Folder"));
        std::ofstream(prefix->file("drive_c/Bench/Folder/desktop.ini"), std::ios::binary)
            << "[.ShellClassInfo]\r\nIconFile=a.ico\r\nIconIndex=0\r\n\r\n[ViewState]\r\nMode=\r\n";
        machine = std::make_unique<WineMachine>(prefix->path());
    }
    std::string reason;
    std::optional<TestPrefix> prefix;
    std::unique_ptr<WineMachine> machine;
};

Setup& setup() {
    static Setup s;
    return s;
}

void hostPathThroughSystem32(benchmark::State& state) {
    auto& machine = *setup().machine;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            machine.hostPathFromDos("C:\\WINDOWS\\SYSTEM32\\DRIVERS\\ETC\\HOSTS"));
}
BENCHMARK(hostPathThroughSystem32);

void driveTypesCtoZ(benchmark::State& state) {
    auto& machine = *setup().machine;
    for (auto _ : state) {
        for (char letter = 'C'; letter <= 'Z'; ++letter)
            benchmark::DoNotOptimize(machine.getDriveType(std::string(1, letter) + ":\\"));
    }
}
BENCHMARK(driveTypesCtoZ);

void fileAttributes(benchmark::State& state) {
    auto& machine = *setup().machine;
    for (auto _ : state)
        benchmark::DoNotOptimize(machine.getFileAttributes("C:\\Bench\\Folder\\desktop.ini"));
}
BENCHMARK(fileAttributes);

void readDesktopIni(benchmark::State& state) {
    auto& machine = *setup().machine;
    std::string value;
    for (auto _ : state)
        benchmark::DoNotOptimize(machine.getPrivateProfileString(
            ".ShellClassInfo", "IconFile", "0", value, 127, "C:\\Bench\\Folder\\Desktop.ini"));
}
BENCHMARK(readDesktopIni);

void writeDesktopIni(benchmark::State& state) {
    auto& machine = *setup().machine;
    int n = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(machine.writePrivateProfileString(
            ".ShellClassInfo", "IconFile", "KestrelFld" + std::to_string(n++) + ".ico",
            "C:\\Bench\\Folder\\Desktop.ini"));
}
BENCHMARK(writeDesktopIni);

} // namespace

BENCHMARK_MAIN();
