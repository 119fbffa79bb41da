// The Wine backend on a prefix Kestrel made (no Wine needed), beyond the files suite every backend
// runs (MachineFilesSuite.cpp) and what Wine judges in WineOracleTest: DOS paths and the host
// paths behind them, read-only as write permission, the stored attribute text, declared drive
// types, subst and other command lines.
#include "MachineTestSupport.h"
#include "platform/Win32Types.h"
#include "platform/wine/DosPaths.h"
#include "platform/wine/Drives.h"
#include "platform/wine/Subst.h"
#include "platform/wine/WineMachine.h"
#include "platform/wine/WinePrefix.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace kestrel::testing {
namespace {

using wine::DosPaths;
using Result = wine::Subst::Result;

class OnScratchPrefix : public ::testing::Test {
protected:
    std::string link(const std::string& name) const {
        std::error_code ec;
        return fs::read_symlink(prefix.file("dosdevices/" + name), ec).string();
    }
    // Sets an environment variable for the rest of the test.
    void setEnv(const char* name, const std::string& value) {
        const char* old = std::getenv(name);
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        setenv(name, value.c_str(), 1);
    }
    void TearDown() override {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
            it->second ? setenv(it->first, it->second->c_str(), 1) : unsetenv(it->first);
    }

    ScratchPrefix prefix;
    wine::WineMachine machine{prefix.path()};
    wine::Subst subst{prefix.path(), 1252};

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST_F(OnScratchPrefix, DosPathsAndHostPaths) {
    const std::string games = prefix.makeFolder("drive_c/Games/Sub Dir");
    prefix.makeFolder("drive_c/abc");
    prefix.makeFolder("drive_c/ABC");
    const DosPaths paths(prefix.path(), 1252);
    EXPECT_EQ(paths.driveRoot('C'), prefix.path() + "/drive_c");
    EXPECT_EQ(paths.driveRoot('z'), "/");
    EXPECT_EQ(paths.driveRoot('q'), std::nullopt);
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"C:\\", "/drive_c"},
        {"z:\\usr\\share", "//usr/share"}, // Z: is the host's root
        // Components match without case and keep their name on disk; missing ones keep the
        // name given, and nothing after them is looked up.
        {"C:\\GAMES\\sub dir", "/drive_c/Games/Sub Dir"},
        {"c:\\games\\New File.TXT", "/drive_c/Games/New File.TXT"},
        {"c:\\nothere\\games", "/drive_c/nothere/games"},
        // The exact name wins over one that differs in case.
        {"C:\\ABC", "/drive_c/ABC"},
        {"C:\\abc", "/drive_c/abc"},
        // Slashes, dots and the device namespace.
        {"C:/Games/./x/../Sub Dir/", "/drive_c/Games/Sub Dir"},
        {"C:\\..\\..", "/drive_c"},
        {"\\\\?\\C:\\Games", "/drive_c/Games"},
        {"C:", "/drive_c"},
        // UNC, relative, unknown drives and bad names.
        {"\\\\server\\share\\file.txt", std::nullopt},
        {"\\Games", std::nullopt},
        {"Games\\x", std::nullopt},
        {"", std::nullopt},
        {"Q:\\x", std::nullopt},
        {"C:\\a*b", std::nullopt},
        {"C:\\what?", std::nullopt},
        {"C:\\a|b", std::nullopt},
        {"1:\\x", std::nullopt},
        {"C:\\a:b", std::nullopt},
    };
    for (const auto& [dos, host] : cases) {
        std::optional<std::string> expected = host;
        if (expected)
            expected =
                expected->starts_with("//") ? expected->substr(1) : prefix.path() + *expected;
        EXPECT_EQ(paths.hostPath(dos), expected) << dos;
    }

    const std::pair<std::string, std::optional<std::string>> back[] = {
        {games, "C:\\Games\\Sub Dir"},
        {prefix.path() + "/drive_c", "C:\\"},
        {prefix.path() + "/drive_c/", "C:\\"},
        {"/usr/share", "Z:\\usr\\share"},
        {"/", "Z:\\"},
        // A path that does not exist yet still maps through its existing folders.
        {prefix.path() + "/drive_c/Games/new.txt", "C:\\Games\\new.txt"},
        {"relative/path", std::nullopt},
    };
    for (const auto& [host, dos] : back)
        EXPECT_EQ(paths.dosPath(host), dos) << host;
    // A drive whose root lies deeper wins; the round trip holds.
    fs::create_directory_symlink(prefix.path() + "/drive_c/Games", prefix.file("dosdevices/e:"));
    EXPECT_EQ(paths.dosPath(games), "E:\\Sub Dir");
    EXPECT_EQ(paths.hostPath("E:\\Sub Dir"), games);

    // Names are in the ANSI code page.
    const std::string folder =
        prefix.makeFolder("drive_c/\xD0\x98\xD0\xB3\xD1\x80\xD1\x8B"); // Игры
    DosPaths cyrillic(prefix.path(), 1251);
    // "C:\ИГРЫ" in Windows-1251.
    EXPECT_EQ(cyrillic.hostPath("C:\\\xC8\xC3\xD0\xDB"), folder);
    EXPECT_EQ(cyrillic.dosPath(folder), "C:\\\xC8\xE3\xF0\xFB");
    // Western code page cannot write the name.
    EXPECT_EQ(DosPaths(prefix.path(), 1252).dosPath(folder), std::nullopt);
}

TEST_F(OnScratchPrefix, AttributesCopiesAndHostLinks) {
    // Read-only is a file's missing write bits (the files suite checks those). Wine ignores it
    // for a folder (the folder icon page sets system only, value 4)...
    const std::string folder = prefix.makeFolder("drive_c/t/dir");
    const auto mode = [&] { return fs::status(folder).permissions(); };
    fs::permissions(folder, fs::perms(0755));
    ASSERT_TRUE(machine.setFileAttributes("C:\\t\\dir", FILE_ATTRIBUTE_READONLY | 4));
    EXPECT_EQ(mode(), fs::perms(0755));
    EXPECT_EQ(machine.getFileAttributes("C:\\t\\dir"), 0x14u);
    // ...but gives back write permission to a folder that lacks it when read-only is not asked.
    fs::permissions(folder, fs::perms(0555));
    EXPECT_EQ(machine.getFileAttributes("C:\\t\\dir"), 0x15u);
    ASSERT_TRUE(machine.setFileAttributes("C:\\t\\dir", 0));
    EXPECT_EQ(mode() & fs::perms::owner_write, fs::perms::owner_write);
    EXPECT_LT(getxattr(folder.c_str(), "user.DOSATTRIB", nullptr, 0), 0); // nothing stored

    // Stored text other than hex is ignored.
    const std::string file = prefix.makeFile("drive_c/t/odd.txt", "x");
    const std::pair<std::string, std::uint32_t> cases[] = {
        {"0x6zz", 0x20}, {"6", 0x20}, {"0x", 0x20}, {"0X6", 0x20}, {std::string("0x2\0", 4), 0x22},
        {"0x16", 0x26}, // only the bits Wine keeps
    };
    for (const auto& [text, attributes] : cases) {
        setxattr(file.c_str(), "user.DOSATTRIB", text.data(), text.size(), 0);
        EXPECT_EQ(machine.getFileAttributes("C:\\t\\odd.txt"), attributes) << text;
    }

    // Copies carry attributes, as Windows' CopyFileA does (Wine's own leaves them behind).
    prefix.makeFile("drive_c/t/lmhosts", "10.0.0.1\tserver\r\n");
    ASSERT_TRUE(machine.setFileAttributes("C:\\t\\lmhosts", 6));
    ASSERT_TRUE(machine.copyFile("C:\\t\\lmhosts", "C:\\t\\copy", true));
    EXPECT_EQ(machine.getFileAttributes("C:\\t\\copy"), 0x26u);
    fs::create_symlink(prefix.file("drive_c/t/gone"), prefix.file("drive_c/t/dangling"));
    std::string bytes = "unchanged";
    EXPECT_FALSE(machine.readFile("C:\\t\\dangling", bytes));
    EXPECT_FALSE(machine.readFile("\\\\server\\share\\lmhosts", bytes));
    EXPECT_EQ(bytes, "unchanged");
    EXPECT_FALSE(machine.fileExists("Q:\\t\\lmhosts"));
    // A profile file named without a folder is in the Windows directory.
    ASSERT_TRUE(machine.writePrivateProfileString("s", "k", "v", "kestrel-test.ini"));
    EXPECT_EQ(readHostFile(prefix.file("drive_c/windows/kestrel-test.ini")), "[s]\r\nk=v\r\n");
}

TEST_F(OnScratchPrefix, CreatingAPrefixRefusesAFolderThatIsInUse) {
    std::string error;
    EXPECT_FALSE(wine::createPrefix(prefix.path(), error));
    EXPECT_NE(error.find(prefix.path()), std::string::npos);
    // The hive headers Wine expects (the files suite runs on this layout's C: and system32).
    EXPECT_EQ(
        readHostFile(prefix.file("user.reg")),
        "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n"
        "\n#arch=win64\n");
    EXPECT_EQ(wine::prefixState(prefix.path()), wine::PrefixState::Ready);
}

TEST_F(OnScratchPrefix, DeclaredDriveTypesAndRoots) {
    const DosPaths paths(prefix.path(), 1252);
    const std::string folder = prefix.makeFolder("drive_c/folder");
    fs::create_directory_symlink(folder, prefix.file("dosdevices/e:"));
    fs::create_symlink(prefix.file("gone"), prefix.file("dosdevices/f:"));
    fs::create_directory_symlink(folder, prefix.file("dosdevices/H:")); // Wine wants lower case
    // Declared types in any case: a folder takes any of them, a missing root keeps only CD and
    // floppy.
    const std::tuple<char, const char*, std::uint32_t> types[] = {
        {'h', "", DRIVE_NO_ROOT_DIR},        {'e', "Network", DRIVE_REMOTE},
        {'e', "ramdisk", DRIVE_RAMDISK},     {'e', "hd", DRIVE_FIXED},
        {'f', "CDROM", DRIVE_CDROM},         {'f', "floppy", DRIVE_REMOVABLE},
        {'f', "network", DRIVE_NO_ROOT_DIR}, {'d', "cdrom", DRIVE_NO_ROOT_DIR},
    };
    for (const auto& [letter, declared, type] : types)
        EXPECT_EQ(wine::driveType(paths, letter, declared), type) << letter << " " << declared;
    // Roots are a letter, a colon and an optional backslash.
    const std::pair<const char*, char> roots[] = {{"E:\\", 'e'}, {"e:", 'e'},      {"E:/", 'e'},
                                                  {"E:\\x", 0},  {"\\\\srv\\", 0}, {"", 0}};
    for (const auto& [root, letter] : roots)
        EXPECT_EQ(wine::rootLetter(root), letter) << root;
}

TEST_F(OnScratchPrefix, SubstCommandLines) {
    const std::string games = prefix.makeFolder("drive_c/Games");
    prefix.makeFile("drive_c/file.txt", "x");
    fs::create_symlink(prefix.file("unplugged"), prefix.file("dosdevices/u:"));
    // The command word and switches in any case and order; letters in use and missing folders
    // refused. Run in this order.
    const std::pair<const char*, Result> runs[] = {
        {"subst f: C:\\Games", Result::Done},
        {"SUBST.EXE F: /d", Result::Done},
        {"C:\\windows\\system32\\subst.exe g: \"C:\\Games\\\"", Result::Done},
        {"sUbSt /D g:", Result::Done},
        {"subst", Result::Done}, // lists, changes nothing
        {"subst E:", Result::BadSyntax},
        {"subst E: C:\\Program Files", Result::BadSyntax},
        {"subst EE: C:\\Games", Result::BadSyntax},
        {"subst /D", Result::BadSyntax},
        {"subst /D Q:", Result::NotSubstituted},
        {"notepad E: C:\\Games", Result::NotSubst},
        {"Subst C: \"C:\\Games\"", Result::LetterInUse},
        {"Subst U: \"C:\\Games\"", Result::LetterInUse},
        {"Subst E: \"C:\\NoSuchFolder\"", Result::FolderMissing},
        {"Subst E: \"C:\\file.txt\"", Result::FolderMissing},
        {"Subst E: \"Q:\\Games\"", Result::FolderMissing},
        {"Subst E: \"\\\\server\\share\"", Result::FolderMissing},
    };
    for (const auto& [commandLine, result] : runs)
        EXPECT_EQ(subst.run(commandLine), result) << commandLine;
    for (const char* letter : {"e:", "f:", "g:"})
        EXPECT_EQ(link(letter), "") << letter;
    EXPECT_EQ(link("c:"), "../drive_c");
    EXPECT_EQ(link("u:"), prefix.file("unplugged"));
    ASSERT_EQ(subst.run("Subst E: \"C:\\Games\\\""), Result::Done);
    EXPECT_EQ(link("e:"), games);
    EXPECT_EQ(subst.run("Subst E: \"C:\\Games\""), Result::LetterInUse);

    // A letter the user repointed (in winecfg, say) is no longer subst's.
    const std::string other = prefix.makeFolder("drive_c/Other");
    fs::remove(prefix.file("dosdevices/e:"));
    fs::create_directory_symlink(other, prefix.file("dosdevices/e:"));
    EXPECT_TRUE(subst.mapped().empty());
    EXPECT_EQ(subst.run("Subst /D E:"), Result::NotSubstituted);
    EXPECT_EQ(link("e:"), other);
    // A letter the user removed may be mapped again.
    fs::remove(prefix.file("dosdevices/e:"));
    EXPECT_EQ(subst.run("Subst E: \"C:\\Games\""), Result::Done);
    EXPECT_EQ(link("e:"), games);

    // The record is shared with the launcher: it finds the prefix through WINEPREFIX and sees what
    // was mapped.
    prefix.makeFile("drive_c/Games/readme.txt", "hello");
    setEnv("WINEPREFIX", prefix.path());
    EXPECT_EQ(wine::runSubstCommandLine("subst E: \"C:\\Games\""), Result::LetterInUse);
    EXPECT_EQ(wine::runSubstCommandLine("subst F: \"E:\\\""), Result::Done);
    EXPECT_EQ(link("f:"), games);
    std::string bytes;
    EXPECT_TRUE(machine.readFile("F:\\README.TXT", bytes));
    EXPECT_EQ(bytes, "hello");
    // Kestrel may unmap what the launcher mapped.
    EXPECT_TRUE(machine.winExec("Subst /D F:", SW_HIDE));
    EXPECT_EQ(subst.mapped(), (std::vector<std::pair<char, std::string>>{{'e', games}}));
}

TEST_F(OnScratchPrefix, ExplorerOpensTheAddressWithTheDesktopsOpener) {
    // A stand-in for xdg-open that records its argument.
    const std::string bin = prefix.makeFolder("bin");
    const std::string record = prefix.file("opened.txt");
    prefix.makeFile("bin/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > '" + record + "'\n");
    fs::permissions(bin + "/xdg-open", fs::perms::owner_all);
    const std::string games = prefix.makeFolder("drive_c/Games");
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setEnv("PATH", bin + ":" + path);
    auto opened = [&](const std::string& commandLine) {
        fs::remove(record);
        if (!machine.winExec(commandLine, SW_SHOWNORMAL))
            return std::string("(not started)");
        for (int i = 0; i < 200 && !fs::exists(record); ++i)
            usleep(20000);
        usleep(20000);
        return readHostFile(record);
    };
    EXPECT_EQ(opened("explorer http://kestrel.invalid/about"), "http://kestrel.invalid/about");
    EXPECT_EQ(opened("EXPLORER.EXE  \"http://kestrel.invalid/a b\" "),
              "http://kestrel.invalid/a b");
    // A DOS path opens as the host folder it stands for.
    EXPECT_EQ(opened("explorer C:\\GAMES"), games);
    EXPECT_EQ(opened(""), "(not started)");
    EXPECT_EQ(opened("explorer"), "(not started)");
    // With an empty PATH neither wine nor xdg-open can be found: nothing starts.
    setEnv("PATH", "");
    EXPECT_EQ(opened("notepad.exe"), "(not started)");
    EXPECT_EQ(opened("explorer http://kestrel.invalid/"), "(not started)");
}

} // namespace
} // namespace kestrel::testing
