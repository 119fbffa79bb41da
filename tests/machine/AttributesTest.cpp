// DOS attributes and files as the backend keeps them on disk, where Wine's own reading does not
// judge them: the attributes Wine agrees with are compared in WineOracleTest.
#include "MachineTestSupport.h"
#include "platform/Win32Types.h"
#include "platform/wine/WineMachine.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace fs = std::filesystem;

namespace kestrel::testing {
namespace {

// The raw bytes of user.DOSATTRIB, or "(none)".
std::string stored(const std::string& hostPath) {
    char value[64];
    const ssize_t n = getxattr(hostPath.c_str(), "user.DOSATTRIB", value, sizeof value);
    return n < 0 ? "(none)" : std::string(value, static_cast<std::size_t>(n));
}

mode_t modeOf(const std::string& hostPath) {
    struct stat st;
    stat(hostPath.c_str(), &st);
    return st.st_mode & 0777;
}

class Attributes : public ::testing::Test {
protected:
    ScratchPrefix prefix;
    wine::WineMachine machine{prefix.path()};
};

TEST_F(Attributes, ReadOnlyIsTheWriteBitsOfFilesOnly) {
    const std::string file = prefix.makeFile("drive_c/t/ro.txt", "x");
    const std::string folder = prefix.makeFolder("drive_c/t/dir");
    chmod(file.c_str(), 0644);
    ASSERT_TRUE(machine.setFileAttributes("C:\\t\\ro.txt", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(modeOf(file), 0444u);
    EXPECT_EQ(machine.getFileAttributes("C:\\t\\ro.txt"), 0x21u);
    ASSERT_TRUE(machine.setFileAttributes("C:\\t\\ro.txt", 0));
    EXPECT_EQ(modeOf(file) & 0200, 0200u);
    EXPECT_EQ(machine.getFileAttributes("C:\\t\\ro.txt"), 0x20u);

    // Wine ignores read-only for a folder (the folder icon page sets system only, value 4)...
    chmod(folder.c_str(), 0755);
    ASSERT_TRUE(machine.setFileAttributes("C:\\t\\dir", FILE_ATTRIBUTE_READONLY | 4));
    EXPECT_EQ(modeOf(folder), 0755u);
    EXPECT_EQ(machine.getFileAttributes("C:\\t\\dir"), 0x14u);
    // ...but gives back write permission to a folder that lacks it when read-only is not asked.
    chmod(folder.c_str(), 0555);
    EXPECT_EQ(machine.getFileAttributes("C:\\t\\dir"), 0x15u);
    ASSERT_TRUE(machine.setFileAttributes("C:\\t\\dir", 0));
    EXPECT_EQ(modeOf(folder) & 0200, 0200u);
    EXPECT_EQ(stored(folder), "(none)");
}

TEST_F(Attributes, StoredTextOtherThanHexIsIgnored) {
    const std::string file = prefix.makeFile("drive_c/t/odd.txt", "x");
    for (const std::string& text :
         {std::string("0x6zz"), std::string("6"), std::string("0x"), std::string("0X6")}) {
        setxattr(file.c_str(), "user.DOSATTRIB", text.data(), text.size(), 0);
        EXPECT_EQ(machine.getFileAttributes("C:\\t\\odd.txt"), 0x20u) << text;
    }
    const std::string withZero("0x2\0", 4);
    setxattr(file.c_str(), "user.DOSATTRIB", withZero.data(), withZero.size(), 0);
    EXPECT_EQ(machine.getFileAttributes("C:\\t\\odd.txt"), 0x22u);
    const std::string extraBits = "0x16";
    setxattr(file.c_str(), "user.DOSATTRIB", extraBits.data(), extraBits.size(), 0);
    EXPECT_EQ(machine.getFileAttributes("C:\\t\\odd.txt"), 0x26u);
}

TEST_F(Attributes, FileExistsCountsHiddenAndSystemFilesButNotFolders) {
    prefix.makeFile("drive_c/t/KestrelFld0.ico", "icon");
    ASSERT_TRUE(machine.setFileAttributes("C:\\t\\KestrelFld0.ico", 6));
    EXPECT_TRUE(machine.fileExists("C:\\T\\kestrelfld0.ICO"));
    EXPECT_FALSE(machine.fileExists("C:\\t"));
    EXPECT_FALSE(machine.fileExists("C:\\t\\missing.ico"));
    EXPECT_FALSE(machine.fileExists("Q:\\t\\KestrelFld0.ico"));
}

TEST_F(Attributes, WritingAFileIsAtomicAndKeepsItsAttributes) {
    const std::string file = prefix.makeFile("drive_c/t/kstSubst.ini", "old");
    ASSERT_TRUE(machine.setFileAttributes("C:\\t\\kstSubst.ini", 2));
    ASSERT_TRUE(machine.writeFile("C:\\T\\KSTSUBST.INI", "E:C:\\Games\r\n"));
    EXPECT_EQ(slurp(file), "E:C:\\Games\r\n");
    EXPECT_EQ(machine.getFileAttributes("C:\\t\\kstSubst.ini"), 0x22u);
    // No temporary file is left behind.
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(prefix.file("drive_c/t")))
        ++entries;
    EXPECT_EQ(entries, 1u);
    // A new file, and failures: a missing folder, a read-only file, a folder.
    ASSERT_TRUE(machine.writeFile("C:\\t\\new.bin", std::string("\0\1\2", 3)));
    EXPECT_EQ(slurp(prefix.file("drive_c/t/new.bin")), std::string("\0\1\2", 3));
    EXPECT_FALSE(machine.writeFile("C:\\nothere\\x.txt", "x"));
    ASSERT_TRUE(machine.setFileAttributes("C:\\t\\new.bin", FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(machine.writeFile("C:\\t\\new.bin", "changed"));
    EXPECT_EQ(slurp(prefix.file("drive_c/t/new.bin")), std::string("\0\1\2", 3));
    EXPECT_FALSE(machine.writeFile("C:\\t", "x"));
}

TEST_F(Attributes, ReadingFailsForMissingFilesFoldersAndDanglingLinks) {
    prefix.makeFile("drive_c/t/lmhosts", "10.0.0.1\tserver\r\n");
    std::string bytes = "unchanged";
    EXPECT_TRUE(machine.readFile("C:\\T\\LMHOSTS", bytes));
    EXPECT_EQ(bytes, "10.0.0.1\tserver\r\n");
    bytes = "unchanged";
    EXPECT_FALSE(machine.readFile("C:\\t\\missing", bytes));
    EXPECT_FALSE(machine.readFile("C:\\t", bytes));
    fs::create_symlink(prefix.file("drive_c/t/gone"), prefix.file("drive_c/t/dangling"));
    EXPECT_FALSE(machine.readFile("C:\\t\\dangling", bytes));
    EXPECT_FALSE(machine.readFile("\\\\server\\share\\lmhosts", bytes));
    EXPECT_EQ(bytes, "unchanged");
}

TEST_F(Attributes, CopyOverwritesUnlessAskedNotToAndCarriesTheAttributes) {
    prefix.makeFile("drive_c/icons/my.ico", "new icon");
    prefix.makeFile("drive_c/work/KestrelFld0.ico", "old icon");
    ASSERT_TRUE(machine.setFileAttributes("C:\\icons\\my.ico", FILE_ATTRIBUTE_HIDDEN));
    EXPECT_FALSE(machine.copyFile("C:\\icons\\my.ico", "C:\\work\\KestrelFld0.ico", true));
    EXPECT_EQ(slurp(prefix.file("drive_c/work/KestrelFld0.ico")), "old icon");
    ASSERT_TRUE(machine.copyFile("C:\\icons\\my.ico", "C:\\work\\KestrelFld0.ico", false));
    EXPECT_EQ(slurp(prefix.file("drive_c/work/KestrelFld0.ico")), "new icon");
    EXPECT_EQ(machine.getFileAttributes("C:\\work\\KestrelFld0.ico"), 0x22u);
    ASSERT_TRUE(machine.copyFile("C:\\icons\\my.ico", "C:\\work\\KestrelFld1.ico", true));
    EXPECT_EQ(slurp(prefix.file("drive_c/work/KestrelFld1.ico")), "new icon");
    EXPECT_FALSE(machine.copyFile("C:\\icons\\missing.ico", "C:\\work\\x.ico", false));
    EXPECT_FALSE(machine.copyFile("C:\\icons\\my.ico", "C:\\nothere\\x.ico", false));
    EXPECT_FALSE(machine.copyFile("C:\\icons\\my.ico", "C:\\ICONS\\MY.ICO", false));
    EXPECT_EQ(slurp(prefix.file("drive_c/icons/my.ico")), "new icon");
}

TEST_F(Attributes, ListFoldersIncludesHiddenOnesAndNoFiles) {
    prefix.makeFolder("drive_c/list/Visible");
    prefix.makeFolder("drive_c/list/.hidden");
    prefix.makeFolder("drive_c/list/System");
    prefix.makeFile("drive_c/list/file.txt", "x");
    ASSERT_TRUE(machine.setFileAttributes("C:\\list\\System", 6));
    std::vector<std::string> names;
    ASSERT_TRUE(machine.listFolders("c:\\LIST", names));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".hidden", "System", "Visible"}));
    EXPECT_FALSE(machine.listFolders("C:\\list\\file.txt", names));
    EXPECT_FALSE(machine.listFolders("C:\\missing", names));
}

TEST_F(Attributes, PrivateProfileWritesGoToTheFileThroughDosPaths) {
    prefix.makeFolder("drive_c/Work");
    ASSERT_TRUE(machine.writePrivateProfileString(".ShellClassInfo", "IconFile", "KestrelFld0.ico",
                                                  "C:\\WORK\\Desktop.ini"));
    ASSERT_TRUE(machine.writePrivateProfileString(".ShellClassInfo", "IconIndex", "0",
                                                  "C:\\work\\desktop.INI"));
    EXPECT_EQ(slurp(prefix.file("drive_c/Work/Desktop.ini")),
              "[.ShellClassInfo]\r\nIconFile=KestrelFld0.ico\r\nIconIndex=0\r\n");
    std::string value;
    EXPECT_EQ(machine.getPrivateProfileString(".shellclassinfo", "ICONFILE", "0", value, 127,
                                              "C:\\Work\\Desktop.ini"),
              15u);
    EXPECT_EQ(value, "KestrelFld0.ico");
    // No folder: the write fails and the read gives the default.
    EXPECT_FALSE(machine.writePrivateProfileString("s", "k", "v", "C:\\nothere\\Desktop.ini"));
    EXPECT_EQ(machine.getPrivateProfileString("s", "k", "0", value, 127, "C:\\nothere\\x.ini"), 1u);
    EXPECT_EQ(value, "0");
    // A file name without a folder is in the Windows directory.
    ASSERT_TRUE(machine.writePrivateProfileString("s", "k", "v", "kestrel-test.ini"));
    EXPECT_EQ(slurp(prefix.file("drive_c/windows/kestrel-test.ini")), "[s]\r\nk=v\r\n");
}

} // namespace
} // namespace kestrel::testing
