// Drive types and subst on a prefix Kestrel made (no Wine needed): what WineOracleTest, which
// compares Wine's view of the same drives, does not reach.
#include "MachineTestSupport.h"
#include "platform/Win32Types.h"
#include "platform/wine/Drives.h"
#include "platform/wine/Subst.h"
#include "platform/wine/WineMachine.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace kestrel::testing {
namespace {

using wine::Subst;
using Result = wine::Subst::Result;

std::string linkTarget(const ScratchPrefix& prefix, const std::string& name) {
    std::error_code ec;
    return fs::read_symlink(prefix.file("dosdevices/" + name), ec).string();
}

bool hasLink(const ScratchPrefix& prefix, const std::string& name) {
    std::error_code ec;
    return fs::is_symlink(fs::symlink_status(prefix.file("dosdevices/" + name), ec));
}

TEST(Drives, DeclaredTypesInAnyCaseAndUpperCaseLinks) {
    ScratchPrefix prefix;
    const wine::DosPaths paths(prefix.path(), 1252);
    const std::string folder = prefix.makeFolder("drive_c/folder");
    fs::create_directory_symlink(folder, prefix.file("dosdevices/e:"));
    fs::create_symlink(prefix.file("gone"), prefix.file("dosdevices/f:"));
    fs::create_directory_symlink(folder, prefix.file("dosdevices/H:")); // Wine wants lower case

    EXPECT_EQ(wine::driveType(paths, 'h', ""), DRIVE_NO_ROOT_DIR);
    // Declared types: a folder takes any of them, a missing root keeps only CD and floppy.
    EXPECT_EQ(wine::driveType(paths, 'e', "Network"), DRIVE_REMOTE);
    EXPECT_EQ(wine::driveType(paths, 'e', "ramdisk"), DRIVE_RAMDISK);
    EXPECT_EQ(wine::driveType(paths, 'e', "hd"), DRIVE_FIXED);
    EXPECT_EQ(wine::driveType(paths, 'f', "CDROM"), DRIVE_CDROM);
    EXPECT_EQ(wine::driveType(paths, 'f', "floppy"), DRIVE_REMOVABLE);
    EXPECT_EQ(wine::driveType(paths, 'f', "network"), DRIVE_NO_ROOT_DIR);
    EXPECT_EQ(wine::driveType(paths, 'd', "cdrom"), DRIVE_NO_ROOT_DIR);
}

TEST(Drives, RootsAreLetterColonAndOptionalBackslash) {
    EXPECT_EQ(wine::rootLetter("E:\\"), 'e');
    EXPECT_EQ(wine::rootLetter("e:"), 'e');
    EXPECT_EQ(wine::rootLetter("E:/"), 'e');
    EXPECT_EQ(wine::rootLetter("E:\\x"), 0);
    EXPECT_EQ(wine::rootLetter("\\\\srv\\"), 0);
    EXPECT_EQ(wine::rootLetter(""), 0);
}

class SubstOnPrefix : public ::testing::Test {
protected:
    ScratchPrefix prefix;
    wine::WineMachine machine{prefix.path()};
    Subst subst{prefix.path(), 1252};
};

TEST_F(SubstOnPrefix, CommandWordAndSwitchesInAnyCaseAndOrder) {
    const std::string games = prefix.makeFolder("drive_c/Games");
    EXPECT_EQ(subst.run("subst f: C:\\Games"), Result::Done);
    EXPECT_EQ(subst.run("SUBST.EXE F: /d"), Result::Done);
    EXPECT_EQ(subst.run("C:\\windows\\system32\\subst.exe g: \"C:\\Games\\\""), Result::Done);
    EXPECT_EQ(linkTarget(prefix, "g:"), games);
    EXPECT_EQ(subst.run("sUbSt /D g:"), Result::Done);
    EXPECT_EQ(subst.run("subst"), Result::Done); // lists, changes nothing
    EXPECT_EQ(subst.run("subst E:"), Result::BadSyntax);
    EXPECT_EQ(subst.run("subst E: C:\\Program Files"), Result::BadSyntax);
    EXPECT_EQ(subst.run("subst EE: C:\\Games"), Result::BadSyntax);
    EXPECT_EQ(subst.run("subst /D"), Result::BadSyntax);
    EXPECT_EQ(subst.run("subst /D Q:"), Result::NotSubstituted);
    EXPECT_EQ(subst.run("notepad E: C:\\Games"), Result::NotSubst);
    EXPECT_FALSE(hasLink(prefix, "e:"));
}

TEST_F(SubstOnPrefix, RefusesLettersInUseAndMissingFolders) {
    prefix.makeFolder("drive_c/Games");
    prefix.makeFile("drive_c/file.txt", "x");
    EXPECT_EQ(subst.run("Subst C: \"C:\\Games\""), Result::LetterInUse);
    EXPECT_EQ(linkTarget(prefix, "c:"), "../drive_c");
    fs::create_symlink(prefix.file("unplugged"), prefix.file("dosdevices/u:"));
    EXPECT_EQ(subst.run("Subst U: \"C:\\Games\""), Result::LetterInUse);
    EXPECT_EQ(linkTarget(prefix, "u:"), prefix.file("unplugged"));
    EXPECT_EQ(subst.run("Subst E: \"C:\\NoSuchFolder\""), Result::FolderMissing);
    EXPECT_EQ(subst.run("Subst E: \"C:\\file.txt\""), Result::FolderMissing);
    EXPECT_EQ(subst.run("Subst E: \"Q:\\Games\""), Result::FolderMissing);
    EXPECT_EQ(subst.run("Subst E: \"\\\\server\\share\""), Result::FolderMissing);
    EXPECT_FALSE(hasLink(prefix, "e:"));
    ASSERT_EQ(subst.run("Subst E: \"C:\\Games\""), Result::Done);
    EXPECT_EQ(subst.run("Subst E: \"C:\\Games\""), Result::LetterInUse);
}

TEST_F(SubstOnPrefix, ALetterTheUserRepointedIsNoLongerSubsts) {
    const std::string games = prefix.makeFolder("drive_c/Games");
    const std::string other = prefix.makeFolder("drive_c/Other");
    ASSERT_EQ(subst.run("Subst E: \"C:\\Games\""), Result::Done);
    fs::remove(prefix.file("dosdevices/e:"));
    fs::create_directory_symlink(other, prefix.file("dosdevices/e:")); // winecfg, say
    EXPECT_TRUE(subst.mapped().empty());
    EXPECT_EQ(subst.run("Subst /D E:"), Result::NotSubstituted);
    EXPECT_EQ(linkTarget(prefix, "e:"), other);
    // A letter the user removed may be mapped again.
    fs::remove(prefix.file("dosdevices/e:"));
    EXPECT_EQ(subst.run("Subst E: \"C:\\Games\""), Result::Done);
    EXPECT_EQ(linkTarget(prefix, "e:"), games);
}

TEST_F(SubstOnPrefix, TheRecordIsSharedWithTheLauncher) {
    const std::string games = prefix.makeFolder("drive_c/Games");
    prefix.makeFile("drive_c/Games/readme.txt", "hello");
    ASSERT_TRUE(machine.winExec("Subst E: \"C:\\Games\"", SW_HIDE));
    // The launcher finds the prefix through WINEPREFIX and sees what Kestrel mapped.
    const char* old = std::getenv("WINEPREFIX");
    const std::string saved = old ? old : "";
    setenv("WINEPREFIX", prefix.path().c_str(), 1);
    EXPECT_EQ(wine::runSubstCommandLine("subst E: \"C:\\Games\""), Result::LetterInUse);
    EXPECT_EQ(wine::runSubstCommandLine("subst F: \"E:\\\""), Result::Done);
    if (old)
        setenv("WINEPREFIX", saved.c_str(), 1);
    else
        unsetenv("WINEPREFIX");
    EXPECT_EQ(linkTarget(prefix, "f:"), games);
    std::string bytes;
    EXPECT_TRUE(machine.readFile("F:\\README.TXT", bytes));
    EXPECT_EQ(bytes, "hello");
    // Kestrel may unmap what the launcher mapped.
    EXPECT_TRUE(machine.winExec("Subst /D F:", SW_HIDE));
    EXPECT_EQ(subst.mapped(), (std::vector<std::pair<char, std::string>>{{'e', games}}));
}

TEST_F(SubstOnPrefix, ExplorerOpensTheAddressWithTheDesktopsOpener) {
    // A stand-in for xdg-open that records its argument.
    const std::string bin = prefix.makeFolder("bin");
    const std::string record = prefix.file("opened.txt");
    prefix.makeFile("bin/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > '" + record + "'\n");
    fs::permissions(bin + "/xdg-open", fs::perms::owner_all);
    const std::string games = prefix.makeFolder("drive_c/Games");
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (bin + ":" + path).c_str(), 1);
    auto opened = [&](const std::string& commandLine) {
        fs::remove(record);
        if (!machine.winExec(commandLine, SW_SHOWNORMAL))
            return std::string("(not started)");
        for (int i = 0; i < 200 && !fs::exists(record); ++i)
            usleep(20000);
        usleep(20000);
        return slurp(record);
    };
    EXPECT_EQ(opened("explorer http://kestrel.invalid/about"), "http://kestrel.invalid/about");
    EXPECT_EQ(opened("EXPLORER.EXE  \"http://kestrel.invalid/a b\" "),
              "http://kestrel.invalid/a b");
    // A DOS path opens as the host folder it stands for.
    EXPECT_EQ(opened("explorer C:\\GAMES"), games);
    setenv("PATH", path.c_str(), 1);
}

TEST_F(SubstOnPrefix, OtherCommandsNeedWine) {
    // With an empty PATH neither wine nor xdg-open can be found: nothing starts.
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", "", 1);
    EXPECT_FALSE(machine.winExec("notepad.exe", SW_SHOWNORMAL));
    EXPECT_FALSE(machine.winExec("explorer http://kestrel.invalid/", SW_SHOWNORMAL));
    setenv("PATH", path.c_str(), 1);
    EXPECT_FALSE(machine.winExec("", SW_SHOWNORMAL));
    EXPECT_FALSE(machine.winExec("explorer", SW_SHOWNORMAL));
}

} // namespace
} // namespace kestrel::testing
