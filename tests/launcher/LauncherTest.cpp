// The automount launcher as Windows and Wine start it.
//
// Windows build: kstSubst.exe runs under Wine in a test prefix whose system32 holds a recording
// subst.exe (tests/win32/tools/SubstRecorder.cpp); the record shows which command lines were
// started, in which order, and that they were started hidden.
// Linux build: kstSubst links the profile's letters in dosdevices (started by wineboot from the
// Run key in tests/drives/AutomountTest, where a Windows probe asks Wine what it sees there).

#include "tests/registry/RegistryTestKit.h"
#include "tests/support/TestPrefix.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using kestrel::testing::TestPrefix;
using kestrel::wine::testkit::lines;

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

fs::path system32(const TestPrefix& prefix) {
    return prefix.file("drive_c/windows/system32");
}

#ifdef KESTREL_WINDOWS_LAUNCHER

const fs::path WindowsTests = KESTREL_WINDOWS_TESTS_DIR;

// The command lines the recording subst.exe saw ("start time, show state, command line" per
// line), in the order their processes were started. Every one must have been started hidden.
std::vector<std::string> substCalls(const TestPrefix& prefix) {
    std::vector<std::pair<unsigned long long, std::string>> calls;
    for (const auto& line :
         lines(kestrel::testing::readHostFile(system32(prefix) / "subst-calls.txt"))) {
        const auto first = line.find('\t'), second = line.find('\t', first + 1);
        if (second == std::string::npos) {
            ADD_FAILURE() << "bad record line: " << line;
            continue;
        }
        EXPECT_EQ(line.substr(first + 1, second - first - 1), "0")
            << "not started hidden: " << line;
        calls.emplace_back(std::stoull(line.substr(0, first)), line.substr(second + 1));
    }
    std::stable_sort(calls.begin(), calls.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> started;
    for (const auto& call : calls)
        started.push_back(call.second);
    return started;
}

// Puts kstSubst.exe into C:\<folder> with the given profile beside it (none when profile is
// null), runs it, and waits until it and every subst it started have ended. Returns the command
// lines started by this run.
std::vector<std::string> runWindowsLauncher(const TestPrefix& prefix, const std::string& folder,
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

TEST(WindowsLauncher, StartsSubstForEachProfileEntryInFileOrder) {
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
        EXPECT_EQ(runWindowsLauncher(prefix, c.folder, c.profile), c.started)
            << c.folder << ": " << (c.profile ? c.profile : "(no profile)");
}

// The version records and icon of kstSubst.exe and of kestrel.exe (its resources compiled from
// the same resource script into a carrier program), as a Windows probe reads them.
TEST(WindowsLauncher, ProgramsCarryTheirResources) {
    KESTREL_TEST_PREFIX(prefix);
    const std::string carrier = (WindowsTests / "kestrel_resources.exe").string();
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> output;
    } probes[] = {
        {{"version", KESTREL_WINDOWS_LAUNCHER, "ProductName", "InternalName", "OriginalFilename",
          "FileVersion", "ProductVersion"},
         {"kstSubst", "kstSubst", "kstSubst.exe", "1.00", "1.00"}},
        {{"version", carrier, "ProductName", "OriginalFilename", "FileVersion", "ProductVersion"},
         {"Kestrel", "kestrel.exe", "1.05.0088", "1.05.0088"}},
        {{"fixedversion", carrier}, {"1.5.0.88", "1.5.0.88"}},
        // Icon group 1: one 32×32 image of 256 colours.
        {{"icon", carrier, "1"}, {"1 32x32 256"}},
    };
    for (auto [args, output] : probes) {
        args.insert(args.begin(), (WindowsTests / "kstprobe.exe").string());
        const auto result = prefix.wine(args);
        EXPECT_EQ(result.exitCode, 0) << result.output;
        EXPECT_EQ(lines(result.output), output) << args[1];
    }

    // kstSubst.exe is a Windows GUI program, without a console: the optional header's subsystem
    // field (0x44 into that header, which starts 0x18 after the PE signature) is 2, not 3.
    const std::string bytes = kestrel::testing::readHostFile(KESTREL_WINDOWS_LAUNCHER);
    ASSERT_GT(bytes.size(), 0x40u);
    ASSERT_EQ(bytes.substr(0, 2), "MZ");
    const auto pe = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[0x3C])) |
                    static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[0x3D])) << 8;
    ASSERT_LT(pe + 0x5Eu, bytes.size());
    EXPECT_EQ(bytes.substr(pe, 4), std::string("PE\0\0", 4));
    EXPECT_EQ(static_cast<unsigned char>(bytes[pe + 0x18 + 0x44]), 2);
}

#endif // KESTREL_WINDOWS_LAUNCHER

// The Linux build links each profile entry in the prefix it lies in (its own place wins over
// WINEPREFIX), or in WINEPREFIX when it lies outside a prefix. A failing entry does not stop the
// others.
TEST(HostLauncher, LinksTheProfilesLettersInItsPrefix) {
    KESTREL_TEST_PREFIX(prefix);
    fs::create_directories(prefix.file("drive_c/Games"));
    fs::create_directories(prefix.file("drive_c/Work"));
    const std::string elsewhere = prefix.file("elsewhere");
    const struct {
        const char* launcher;
        const char* profile;
        std::map<std::string, std::string> environment;
        std::vector<std::pair<const char*, const char*>> links; // letter, folder (none: no link)
    } cases[] = {
        {"drive_c/windows/system32/kstSubst.exe",
         "E:C:\\Games\r\n",
         {{"WINEPREFIX", elsewhere}},
         {{"e:", "drive_c/Games"}}},
        {"tools/kstSubst", "E:C:\\Games\r\n", {}, {{"e:", "drive_c/Games"}}},
        // C: is in use and C:\Missing does not exist; F: still gets its folder.
        {"drive_c/windows/system32/kstSubst.exe",
         "C:C:\\Work\r\nE:C:\\Missing\r\nF:C:\\Work\r\n",
         {},
         {{"c:", "drive_c"}, {"e:", nullptr}, {"f:", "drive_c/Work"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.launcher);
        fs::remove(prefix.file("dosdevices/e:"));
        const fs::path launcher = prefix.file(c.launcher);
        install(KESTREL_HOST_LAUNCHER, launcher);
        writeFile(launcher.parent_path() / "kstSubst.ini", c.profile);
        const auto result = prefix.run({launcher.string()}, c.environment);
        EXPECT_EQ(result.exitCode, 0) << result.output;
        for (const auto& [letter, folder] : c.links) {
            std::error_code error;
            if (folder)
                EXPECT_TRUE(fs::equivalent(prefix.file("dosdevices/" + std::string(letter)),
                                           prefix.file(folder), error))
                    << letter;
            else
                EXPECT_FALSE(fs::exists(prefix.file("dosdevices/" + std::string(letter))))
                    << letter;
        }
        EXPECT_FALSE(fs::exists(elsewhere));
    }
}

} // namespace
