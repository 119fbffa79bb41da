// Wine as the judge: the Win32 probe, run under Wine in the same prefix, must report what the
// backend says about the version, names, directories, drives, attributes and INI files,
// after the backend made its changes (and the backend must read what Wine's tools changed).
// Every test runs on a copy of a prefix made by wineboot and on one Kestrel created itself.
#include "MachineTestSupport.h"
#include "platform/Module.h"
#include "platform/Reg.h"
#include "platform/Win32Types.h"
#include "platform/wine/WineMachine.h"
#include "platform/wine/WinePrefix.h"
#include "tests/support/MachineOnPrefix.h"
#include "tests/support/RegistryMachine.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <unistd.h>

namespace fs = std::filesystem;

namespace kestrel::testing {
namespace {

// The lines of the probe's "system" command.
enum Fact { Platform, Computer, User, Tick, WindowsDir, SystemDir, Logical };
std::vector<std::string> wineFacts(const TestPrefix& prefix) {
    return probe(prefix, {"system"});
}

// A copy of the prefix of the kind the test is for, with a WineMachine on it as the current
// machine; the tests set registry values through the Reg procedures.
class WineOracle : public ::testing::TestWithParam<PrefixKind> {
protected:
    void SetUp() override {
        std::string reason;
        auto made = makePrefix(kind(), reason);
        if (!made) {
            if (wineRequired())
                FAIL() << reason;
            GTEST_SKIP() << reason;
        }
        on_.emplace(std::move(*made));
    }

    virtual PrefixKind kind() const { return GetParam(); }

    std::optional<MachineOnPrefix> on_;
};

TEST_P(WineOracle, SystemFactsDrivesAndDirectoriesAgree) {
    TestPrefix& prefix = on_->prefix();
    wine::WineMachine& machine = on_->machine();
    const std::uint32_t before = machine.tickCount();
    const auto facts = wineFacts(prefix);
    const std::uint32_t after = machine.tickCount();
    EXPECT_EQ(facts.at(Platform), "2");
    EXPECT_EQ(machine.platformId(), VER_PLATFORM_WIN32_NT);
    EXPECT_TRUE(Module::IsWinNT());
    EXPECT_EQ(facts.at(Computer), machine.computerName());
    EXPECT_EQ(facts.at(User), machine.userName());
    EXPECT_EQ(facts.at(WindowsDir), machine.windowsDirectory());
    EXPECT_EQ(facts.at(SystemDir), machine.systemDirectory());
    const auto wineTick = static_cast<std::uint32_t>(std::stoul(facts.at(Tick)));
    EXPECT_LE(before, wineTick + 1000);
    EXPECT_LE(wineTick, after + 1000);
    prefix.stopWineServer();
    for (const auto& [version, id] :
         std::vector<std::pair<std::wstring, std::uint32_t>>{{L"win98", VER_PLATFORM_WIN32_WINDOWS},
                                                             {L"winme", VER_PLATFORM_WIN32_WINDOWS},
                                                             {L"win95", VER_PLATFORM_WIN32_WINDOWS},
                                                             {L"winxp", VER_PLATFORM_WIN32_NT}}) {
        ASSERT_TRUE(Reg::SaveString(HKEY_CURRENT_USER, L"Software\\Wine", L"Version", version));
        EXPECT_EQ(machine.platformId(), id) << version;
        EXPECT_EQ(Module::IsWinNT(), id == VER_PLATFORM_WIN32_NT) << version;
        EXPECT_EQ(wineFacts(prefix).at(Platform), std::to_string(id)) << version;
        prefix.stopWineServer();
    }

    // Drives, after a subst.
    const fs::path root(prefix.path());
    fs::create_directories(root / "drive_c/kst/Mapped Folder");
    spit((root / "drive_c/kst/Mapped Folder/hello.txt").string(), "hello from E");
    ASSERT_TRUE(machine.winExec("Subst E: \"C:\\KST\\mapped folder\"", SW_HIDE));
    // Drives set up by hand or in winecfg, some with declared types.
    fs::create_symlink(root / "gone", root / "dosdevices/f:");
    fs::create_directory_symlink("/proc", root / "dosdevices/g:");
    fs::create_directory_symlink(root / "drive_c/kst", root / "dosdevices/h:");
    fs::create_directory_symlink(root / "drive_c/kst", root / "dosdevices/k:");
    fs::create_symlink(root / "gone", root / "dosdevices/l:");
    for (const auto& [name, type] : std::map<std::wstring, std::wstring>{
             {L"h:", L"cdrom"}, {L"k:", L"floppy"}, {L"l:", L"cdrom"}, {L"n:", L"network"}})
        ASSERT_TRUE(Reg::SaveString(HKEY_LOCAL_MACHINE, L"Software\\Wine\\Drives", name, type));

    auto expectAgreement = [&](const std::string& when) {
        const auto lines = probe(prefix, {"drives"});
        ASSERT_EQ(lines.size(), 24u) << when;
        for (const auto& line : lines) {
            const std::string root = line.substr(0, 1) + ":\\";
            EXPECT_EQ(line, line.substr(0, 2) + std::to_string(machine.getDriveType(root))) << when;
        }
        // A running Wine keeps the letter list it started with (GetDriveTypeA, above, sees a
        // change at once): the list is compared as the next start of Wine sees it.
        prefix.stopWineServer();
        EXPECT_EQ(wineFacts(prefix).at(Logical), machine.logicalDrives()) << when;
        prefix.stopWineServer();
    };
    expectAgreement("after mapping E:");

    // Wine reads the mapped folder's files through the new letter.
    EXPECT_EQ(probe(prefix, {"read", "E:\\hello.txt"}), std::vector<std::string>{"hello from E"});

    // C:, Z: and the user's own drives survive Subst /D; E: goes.
    for (const char* line : {"Subst /D C:", "Subst /D Z:", "Subst /D H:", "subst /d f:"})
        EXPECT_FALSE(machine.winExec(line, SW_HIDE)) << line;
    EXPECT_TRUE(machine.winExec("Subst /D E:", SW_HIDE));
    expectAgreement("after unmapping");
    EXPECT_EQ(probe(prefix, {"read", "C:\\kst\\Mapped Folder\\hello.txt"}),
              std::vector<std::string>{"hello from E"});
}

TEST_P(WineOracle, AttributesAgreeBothWays) {
    TestPrefix& prefix = on_->prefix();
    wine::WineMachine& machine = on_->machine();
    const fs::path dir = fs::path(prefix.path()) / "drive_c/kst/attr";
    fs::create_directories(dir / "Folder");
    fs::create_directories(dir / "SysFolder");
    for (const char* name : {"plain.txt", "icon.ico", "ro.txt", ".dotfile", "wine-h.txt",
                             "wine-hs.txt", "wine-r.txt", "wine-s.txt", "was-ro.txt"})
        spit((dir / name).string(), name);

    // Kestrel's changes, as the folder icon page makes them and takes them off, in this order.
    const std::pair<const char*, std::uint32_t> changes[] = {
        {"icon.ico", 6}, {"ro.txt", 1},     {"SysFolder", 4},     {"Folder", 4},
        {"Folder", 0},   {"was-ro.txt", 7}, {"was-ro.txt", 0x20}, {".dotfile", 0}};
    for (const auto& [name, attributes] : changes)
        ASSERT_TRUE(machine.setFileAttributes("C:\\kst\\attr\\" + std::string(name), attributes));
    // Wine's attrib applies one flag per call.
    const std::pair<const char*, const char*> flags[] = {{"+h", "wine-h.txt"},
                                                         {"+h", "wine-hs.txt"},
                                                         {"+s", "wine-hs.txt"},
                                                         {"+r", "wine-r.txt"},
                                                         {"+s", "wine-s.txt"}};
    for (const auto& [flag, name] : flags)
        wineLines(prefix, {"cmd", "/c", "attrib", flag, "C:\\kst\\attr\\" + std::string(name)});

    const std::map<std::string, std::uint32_t> expected{
        {"plain.txt", 0x20},   {"icon.ico", 0x26},   {"ro.txt", 0x21},     {".dotfile", 0x22},
        {"Folder", 0x10},      {"SysFolder", 0x14},  {"was-ro.txt", 0x20}, {"wine-h.txt", 0x22},
        {"wine-hs.txt", 0x26}, {"wine-r.txt", 0x21}, {"wine-s.txt", 0x24}, {"missing", 0xffffffff}};
    std::vector<std::string> args{"attr"};
    for (const auto& [name, attributes] : expected)
        args.push_back("C:\\kst\\attr\\" + name);
    const auto lines = probe(prefix, args);
    ASSERT_EQ(lines.size(), expected.size());
    std::size_t i = 0;
    for (const auto& [name, attributes] : expected) {
        const std::uint32_t ours = machine.getFileAttributes("C:\\kst\\attr\\" + name);
        EXPECT_EQ(std::stoul(lines[i], nullptr, 16), ours) << name << " (Wine, Kestrel)";
        EXPECT_EQ(ours, attributes) << name;
        ++i;
    }
}

TEST_P(WineOracle, PrivateProfileReadsAgreeAfterKestrelsWrites) {
    TestPrefix& prefix = on_->prefix();
    wine::WineMachine& machine = on_->machine();
    const fs::path dir = fs::path(prefix.path()) / "drive_c/kst/Folder";
    fs::create_directories(dir);
    const std::string original = "; the shell's own comment, with odd spacing\r\n"
                                 "[.ShellClassInfo]\r\n"
                                 "  IconFile = C:\\Icons\\old.ico  \r\n"
                                 "InfoTip=\"A quoted tip\"\r\n"
                                 "Bare\r\n"
                                 "\r\n"
                                 "[ViewState]\r\n"
                                 "Mode=\r\n"
                                 "Vid= {137E7700-3573-11CF-AE69-08002B2E1262}\r\n"
                                 "[.SHELLCLASSINFO]\r\n"
                                 "Hidden=only in the second section\r\n";
    spit((dir / "desktop.ini").string(), original);
    const std::string ini = "C:\\kst\\Folder\\Desktop.ini";
    ASSERT_TRUE(
        machine.writePrivateProfileString(".ShellClassInfo", "IconFile", "KestrelFld0.ico", ini));
    ASSERT_TRUE(machine.writePrivateProfileString(".ShellClassInfo", "IconIndex", "0", ini));
    ASSERT_TRUE(machine.writePrivateProfileString(".ShellClassInfo", "OriginalIcon", "%", ini));
    ASSERT_TRUE(machine.writePrivateProfileString(".ShellClassInfo", "ConfirmFileOp", "0", ini));
    ASSERT_TRUE(machine.writePrivateProfileString("Kestrel", "New", "  made here", ini));

    // Only the written line changed; the new keys and section went where Wine puts them: at the
    // end of the first matching section, before its blank line, and at the end of the file.
    std::string expected = original;
    const auto line = expected.find("  IconFile");
    expected.replace(line, expected.find("\r\n", line) - line, "IconFile=KestrelFld0.ico");
    expected.insert(expected.find("\r\n[ViewState]"),
                    "IconIndex=0\r\nOriginalIcon=%\r\nConfirmFileOp=0\r\n");
    EXPECT_EQ(readHostFile((dir / "desktop.ini").string()),
              expected + "\r\n[Kestrel]\r\nNew=made here\r\n");

    struct Query {
        std::string section, key, def;
        unsigned size;
    };
    const std::vector<Query> queries{{".ShellClassInfo", "IconFile", "0", 127},
                                     {".shellclassinfo", "ICONFILE", "0", 6},
                                     {".ShellClassInfo", "IconFile", "0", 1},
                                     {" .ShellClassInfo ", " IconIndex ", "x", 127},
                                     {".ShellClassInfo", "InfoTip", "0", 127},
                                     {".ShellClassInfo", "InfoTip", "0", 13},
                                     {".ShellClassInfo", "InfoTip", "0", 12},
                                     {".ShellClassInfo", "InfoTip", "0", 5},
                                     {".ShellClassInfo", "Bare", "dflt", 127},
                                     {".ShellClassInfo", "Hidden", "none", 127},
                                     {".ShellClassInfo", "Missing", "dflt  ", 127},
                                     {".ShellClassInfo", "Missing", "dflt", 3},
                                     {"ViewState", "Mode", "dflt", 127},
                                     {"viewstate", "vid", "0", 127},
                                     {"Kestrel", "New", "0", 127},
                                     {"NoSection", "IconFile", "\"q\"", 127}};
    std::vector<std::string> args{"ini", ini};
    std::vector<std::string> ours;
    for (const auto& q : queries) {
        std::string value;
        const auto length =
            machine.getPrivateProfileString(q.section, q.key, q.def, value, q.size, ini);
        ours.push_back(std::to_string(length) + " [" + value + "]");
        args.insert(args.end(), {q.section, q.key, q.def, std::to_string(q.size)});
    }
    const auto wine = probe(prefix, args);
    ASSERT_EQ(wine.size(), queries.size());
    for (std::size_t i = 0; i < queries.size(); ++i)
        EXPECT_EQ(wine[i], ours[i])
            << queries[i].section << "/" << queries[i].key << " size " << queries[i].size;
}

TEST_P(WineOracle, OtherCommandLinesRunUnderWineDetached) {
    TestPrefix& prefix = on_->prefix();
    wine::WineMachine& machine = on_->machine();
    // A program in a folder with blanks, named without quotes, as uninstall strings often are.
    const fs::path folder = fs::path(prefix.path()) / "drive_c/Program Files/Kst Probe";
    fs::create_directories(folder);
    fs::copy_file(KESTREL_WIN32PROBE, folder / "probe.exe");
    fs::create_directories(fs::path(prefix.path()) / "drive_c/kst");
    ASSERT_TRUE(machine.winExec(
        "C:\\Program Files\\Kst Probe\\probe.exe mark C:\\kst\\ran.txt \"two words\"",
        SW_SHOWNORMAL));
    const std::string ran = prefix.file("drive_c/kst/ran.txt");
    for (int i = 0; i < 600 && readHostFile(ran).find("words") == std::string::npos; ++i)
        usleep(100000);
    // The quoted words arrived as one argument (Wine quotes it again in the command line).
    EXPECT_TRUE(readHostFile(ran).ends_with("mark C:\\kst\\ran.txt \"two words\""))
        << readHostFile(ran);
    prefix.stopWineServer();
}

INSTANTIATE_TEST_SUITE_P(Prefixes, WineOracle,
                         ::testing::Values(PrefixKind::Wineboot, PrefixKind::KestrelMade),
                         [](const auto& info) {
                             return info.param == PrefixKind::Wineboot ? "Wineboot" : "KestrelMade";
                         });

// The prefix Kestrel made before Wine ever ran in it: wineboot completed it into a working
// prefix and kept what Kestrel had written.
class KestrelMadePrefix : public WineOracle {
    PrefixKind kind() const override { return PrefixKind::KestrelMade; }
};

TEST_F(KestrelMadePrefix, WinebootKeepsKestrelsValuesAndFiles) {
    TestPrefix& prefix = on_->prefix();
    EXPECT_TRUE(fs::exists(prefix.file(".update-timestamp")));
    std::string query;
    for (const auto& line :
         wineLines(prefix, {"reg", "query", "HKCU\\Software\\Kestrel\\PrefixTest", "/v", "Marker"}))
        query += line + "\n";
    EXPECT_NE(query.find("made by Kestrel"), std::string::npos) << query;
    EXPECT_EQ(probe(prefix, {"attr", "C:\\kestrel\\marker.txt"}), std::vector<std::string>{"0x22"});
    EXPECT_EQ(probe(prefix, {"read", "C:\\kestrel\\marker.txt"}),
              std::vector<std::string>{"marker"});
    prefix.stopWineServer();

    // Kestrel still reads its value after Wine rewrote the registry files.
    wine::WineMachine fresh(prefix.path());
    CurrentMachine current(fresh);
    std::wstring marker;
    EXPECT_TRUE(
        Reg::GetString(HKEY_CURRENT_USER, L"Software\\Kestrel\\PrefixTest", L"Marker", marker));
    EXPECT_EQ(marker, L"made by Kestrel");
    // Wine filled in the rest, the user's folder among it.
    EXPECT_EQ(fresh.getFileAttributes("C:\\users\\" + fresh.userName()), FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace
} // namespace kestrel::testing
