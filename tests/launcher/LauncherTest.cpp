// The automount launcher as Windows and Wine start it.
//
// Windows build: kstSubst.exe runs under Wine in a test prefix whose system32 holds a recording
// subst.exe (tests/win32/tools/SubstRecorder.cpp); the record shows which command lines were
// started, in which order, and that they were started hidden.
// Linux build: kstSubst links the profile's letters in dosdevices (started by wineboot from the
// Run key in tests/drives/AutomountTest, where a Windows probe asks Wine what it sees there).

#include "tests/support/TestPrefix.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;
using kestrel::testing::TestPrefix;

namespace {

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// Files that came from the base prefix are shared with it: replace, never write in place.
void install(const fs::path& from, const fs::path& to) {
    fs::create_directories(to.parent_path());
    fs::remove(to);
    fs::copy_file(from, to);
    fs::permissions(to, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add);
}

// A Windows program's output under Wine, line by line (its lines end in CR LF).
std::vector<std::string> outputLines(const std::string& output) {
    std::vector<std::string> lines;
    std::istringstream in(output);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

fs::path system32(const TestPrefix& prefix) {
    return prefix.file("drive_c/windows/system32");
}

#ifdef KESTREL_WINDOWS_LAUNCHER

const fs::path WindowsTests = KESTREL_WINDOWS_TESTS_DIR;

// The command lines the recording subst.exe saw, in the order their processes were started.
// Every one must have been asked to start hidden.
std::vector<std::string> substCalls(const TestPrefix& prefix) {
    struct Call {
        unsigned long long started;
        std::string line;
    };
    std::vector<Call> calls;
    std::istringstream record(kestrel::testing::readHostFile(system32(prefix) / "subst-calls.txt"));
    std::string line;
    while (std::getline(record, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto first = line.find('\t');
        const auto second = line.find('\t', first + 1);
        if (first == std::string::npos || second == std::string::npos) {
            ADD_FAILURE() << "bad record line: " << line;
            continue;
        }
        EXPECT_EQ(line.substr(first + 1, second - first - 1), "0")
            << "not started hidden: " << line;
        calls.push_back({std::stoull(line.substr(0, first)), line.substr(second + 1)});
    }
    std::stable_sort(calls.begin(), calls.end(),
                     [](const Call& a, const Call& b) { return a.started < b.started; });
    std::vector<std::string> lines;
    for (const auto& call : calls)
        lines.push_back(call.line);
    return lines;
}

class WindowsLauncher : public ::testing::Test {
protected:
    // Puts kstSubst.exe into C:\<folder> with the given profile beside it (none when profile is
    // null), runs it, and waits until it and every subst it started have ended. Returns the
    // command lines started by this run.
    std::vector<std::string> run(const TestPrefix& prefix, const std::string& folder,
                                 const char* profile) {
        install(WindowsTests / "subst.exe", system32(prefix) / "subst.exe");
        fs::remove(system32(prefix) / "subst-calls.txt");
        const fs::path dir = fs::path(prefix.file("drive_c")) / folder;
        install(KESTREL_WINDOWS_LAUNCHER, dir / "kstSubst.exe");
        fs::remove(dir / "kstSubst.ini");
        if (profile)
            writeFile(dir / "kstSubst.ini", profile);

        std::string dosFolder = "C:\\" + folder;
        std::replace(dosFolder.begin(), dosFolder.end(), '/', '\\');
        if (dosFolder.back() != '\\')
            dosFolder += '\\';
        // Wine prefers its own subst.exe (a stub) unless told to load the one in system32.
        const auto result =
            prefix.run({"wine", dosFolder + "kstSubst.exe"}, {{"WINEDLLOVERRIDES", "subst.exe=n"}});
        EXPECT_EQ(result.exitCode, 0) << result.output;
        // The launcher does not wait for subst; the server ends when every process has.
        prefix.run({"wineserver", "-w"});
        return substCalls(prefix);
    }
};

TEST_F(WindowsLauncher, StartsSubstForEachProfileEntryInFileOrder) {
    KESTREL_TEST_PREFIX(prefix);
    const struct {
        const char* folder;
        const char* profile; // none when null
        std::vector<std::string> started;
    } cases[] = {
        {"windows/system32",
         "E:C:\\Games\r\nF:D:\\Work\r\n",
         {"subst E: \"C:\\Games\"", "subst F: \"D:\\Work\""}},
        // Paths with blanks and commas stay whole inside the quotes; leading blanks go.
        {"windows/system32",
         "\"G:C:\\Old Games, 1998\"\r\n\t H:C:\\My Work\r\n",
         {"subst G: \"C:\\Old Games, 1998\"", "subst H: \"C:\\My Work\""}},
        {"windows/system32", nullptr, {}},
        {"windows/system32", "", {}},
        {"windows/system32", "\r\n  \r\n\t\r\n", {}},
        // A drive root, and a folder of its own, not the system directory.
        {"", "E:C:\\Games\r\n", {"subst E: \"C:\\Games\""}},
        {"Tools/Drives", "F:D:\\Work\r\n", {"subst F: \"D:\\Work\""}},
        // "X" and the empty entry before the comma are too short to name a drive; "G:" names
        // one with an empty path and is started as it stands.
        {"windows/system32",
         "E:C:\\Games\r\nX\r\n,G:\r\nF:D:\\Work\r\n",
         {"subst E: \"C:\\Games\"", "subst G: \"\"", "subst F: \"D:\\Work\""}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(run(prefix, c.folder, c.profile), c.started)
            << c.folder << ": " << (c.profile ? c.profile : "(no profile)");
}

TEST(WindowsLauncherFile, CarriesItsVersionRecord) {
    KESTREL_TEST_PREFIX(prefix);
    const auto result = prefix.wine({(WindowsTests / "kstprobe.exe").string(), "version",
                                     KESTREL_WINDOWS_LAUNCHER, "ProductName", "InternalName",
                                     "OriginalFilename", "FileVersion", "ProductVersion"});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(outputLines(result.output),
              (std::vector<std::string>{"kstSubst", "kstSubst", "kstSubst.exe", "1.00", "1.00"}));
}

// kestrel.exe's own resources, compiled from the same resource script into a carrier program.
TEST(WindowsLauncherFile, MainProgramCarriesVersionRecordAndIcon) {
    KESTREL_TEST_PREFIX(prefix);
    const std::string probe = (WindowsTests / "kstprobe.exe").string();
    const std::string carrier = (WindowsTests / "kestrel_resources.exe").string();
    auto result = prefix.wine({probe, "version", carrier, "ProductName", "OriginalFilename",
                               "FileVersion", "ProductVersion"});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(outputLines(result.output),
              (std::vector<std::string>{"Kestrel", "kestrel.exe", "1.05.0088", "1.05.0088"}));
    result = prefix.wine({probe, "fixedversion", carrier});
    EXPECT_EQ(outputLines(result.output), (std::vector<std::string>{"1.5.0.88", "1.5.0.88"}));
    // Icon group 1: one 32×32 image of 256 colours.
    result = prefix.wine({probe, "icon", carrier, "1"});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(outputLines(result.output), std::vector<std::string>{"1 32x32 256"});
}

TEST(WindowsLauncherFile, IsAWindowsProgramWithoutAConsole) {
    const std::string bytes = kestrel::testing::readHostFile(KESTREL_WINDOWS_LAUNCHER);
    ASSERT_GT(bytes.size(), 0x40u);
    ASSERT_EQ(bytes.substr(0, 2), "MZ");
    const auto pe = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[0x3C])) |
                    static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[0x3D])) << 8;
    ASSERT_LT(pe + 0x5Eu, bytes.size());
    EXPECT_EQ(bytes.substr(pe, 4), std::string("PE\0\0", 4));
    // The optional header's subsystem field (at 0x44 of the optional header, which starts 0x18
    // after the signature): 2 is a Windows GUI program, 3 a console one.
    EXPECT_EQ(static_cast<unsigned char>(bytes[pe + 0x18 + 0x44]), 2);
}

#endif // KESTREL_WINDOWS_LAUNCHER

// --- The Linux build on a prefix ----------------------------------------------------------------

bool linksTo(const TestPrefix& prefix, const std::string& letter, const std::string& folder) {
    std::error_code error;
    return fs::equivalent(prefix.file("dosdevices/" + letter), prefix.file(folder), error);
}

TEST(HostLauncher, FindsThePrefixItLiesIn) {
    KESTREL_TEST_PREFIX(prefix);
    fs::create_directories(prefix.file("drive_c/Games"));
    install(KESTREL_HOST_LAUNCHER, system32(prefix) / "kstSubst.exe");
    writeFile(system32(prefix) / "kstSubst.ini", "E:C:\\Games\r\n");
    // WINEPREFIX names another folder: the launcher's own place wins.
    const std::string elsewhere = prefix.file("elsewhere");
    const auto result =
        prefix.run({(system32(prefix) / "kstSubst.exe").string()}, {{"WINEPREFIX", elsewhere}});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(linksTo(prefix, "e:", "drive_c/Games"));
    EXPECT_FALSE(fs::exists(elsewhere));
}

TEST(HostLauncher, OutsideAPrefixWorksOnWinePrefix) {
    KESTREL_TEST_PREFIX(prefix);
    fs::create_directories(prefix.file("drive_c/Games"));
    const fs::path tools = prefix.file("tools");
    install(KESTREL_HOST_LAUNCHER, tools / "kstSubst");
    writeFile(tools / "kstSubst.ini", "E:C:\\Games\r\n");
    const auto result = prefix.run({(tools / "kstSubst").string()});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(linksTo(prefix, "e:", "drive_c/Games"));
}

TEST(HostLauncher, AFailingSubstDoesNotStopTheOthers) {
    KESTREL_TEST_PREFIX(prefix);
    fs::create_directories(prefix.file("drive_c/Work"));
    install(KESTREL_HOST_LAUNCHER, system32(prefix) / "kstSubst.exe");
    // C: is in use and C:\Missing does not exist; F: still gets its folder.
    writeFile(system32(prefix) / "kstSubst.ini", "C:C:\\Work\r\nE:C:\\Missing\r\nF:C:\\Work\r\n");
    const auto result = prefix.run({(system32(prefix) / "kstSubst.exe").string()});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_FALSE(fs::exists(prefix.file("dosdevices/e:")));
    EXPECT_TRUE(linksTo(prefix, "f:", "drive_c/Work"));
    EXPECT_TRUE(linksTo(prefix, "c:", "drive_c"));
}

} // namespace
