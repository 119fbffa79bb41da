#pragma once
// Helpers of the machine tests: scratch prefixes made by Kestrel without Wine, the prefix
// Kestrel made and Wine completed, and the Win32 probe run under Wine as the oracle.

#include "tests/support/TestPrefix.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::testing {

// Writes a whole host file.
void spit(const std::string& hostPath, const std::string& bytes);

// A prefix made by createPrefix in a fresh folder (no Wine involved), removed afterwards.
class ScratchPrefix {
public:
    ScratchPrefix();
    ~ScratchPrefix();
    ScratchPrefix(const ScratchPrefix&) = delete;
    ScratchPrefix& operator=(const ScratchPrefix&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& relative) const { return path_ + "/" + relative; }
    // Makes a folder (and its parents), or a file and its folders; returns the host path.
    std::string makeFolder(const std::string& relative) const {
        std::filesystem::create_directories(file(relative));
        return file(relative);
    }
    std::string makeFile(const std::string& relative, const std::string& bytes) const {
        std::filesystem::create_directories(std::filesystem::path(file(relative)).parent_path());
        spit(file(relative), bytes);
        return file(relative);
    }

private:
    std::string path_;
};

// The base prefix Kestrel created itself and Wine then completed with wineboot (made once per
// test run, on first use). Before wineboot, Kestrel wrote the registry value
// HKCU\Software\Kestrel\PrefixTest "Marker" = "made by Kestrel" and the hidden file
// C:\kestrel\marker.txt ("marker"). Empty with a reason when it cannot be had.
std::string kestrelMadeBase(std::string& reason);

// Which base a test's throw-away prefix is copied from.
enum class PrefixKind { Wineboot, KestrelMade };
std::optional<TestPrefix> makePrefix(PrefixKind kind, std::string& reason);

// Runs "wine ARGS..." in the prefix with a persistent wineserver (quick after the first call);
// the lines of its standard output.
std::vector<std::string> wineLines(const TestPrefix& prefix, const std::vector<std::string>& args);

// Runs the Win32 probe (win32probe.c) under Wine in the prefix; its output lines.
std::vector<std::string> probe(const TestPrefix& prefix, const std::vector<std::string>& args);

} // namespace kestrel::testing
