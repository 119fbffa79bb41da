// Files by DOS path, their attributes, folder listings, private-profile files, drives and folders,
// on whichever backend makeFilesSuiteSetup() gives.

#include "MachineFilesSuite.h"

#include "platform/Win32Types.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace kestrel::testing {
namespace {

class MachineFiles : public ::testing::Test {
protected:
    void SetUp() override { setup_ = makeFilesSuiteSetup(); }

    Machine& m() { return setup_->machine(); }
    std::string at(const std::string& name) const { return setup_->folder() + "\\" + name; }
    std::string read(const std::string& name) {
        std::string bytes;
        return m().readFile(at(name), bytes) ? bytes : "(failed)";
    }

    // Makes a folder (and its parents) in the scratch folder: the Machine has no call for that.
    bool makeFolder(std::string name) {
        std::replace(name.begin(), name.end(), '\\', '/');
        std::error_code ec;
        return std::filesystem::create_directories(setup_->host() / name, ec);
    }
    // The names of everything directly in the scratch folder, sorted.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(setup_->host()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::unique_ptr<FilesSuiteSetup> setup_;
};

TEST_F(MachineFiles, FilesAreReplacedWholeAndFailedWritesChangeNothing) {
    const std::string bytes("line one\r\nzero \0 byte\r\n\xFF\x80", 26);
    ASSERT_TRUE(m().writeFile(at("data.bin"), bytes));
    EXPECT_EQ(read("DATA.BIN"), bytes);
    // A shorter write leaves nothing of the longer file and no temporary file beside it, and the
    // file keeps its attributes.
    ASSERT_TRUE(
        m().setFileAttributes(at("data.bin"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(m().writeFile(at("Data.Bin"), "short"));
    EXPECT_EQ(read("data.bin"), "short");
    EXPECT_EQ(m().getFileAttributes(at("data.bin")) & 0x7, 0x6u);
    ASSERT_TRUE(m().writeFile(at("data.bin"), ""));
    EXPECT_EQ(read("data.bin"), "");

    // Failures: a read-only file, a missing folder, a folder; reading what is not a file.
    ASSERT_TRUE(m().setFileAttributes(at("data.bin"), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(m().writeFile(at("data.bin"), "lost"));
    EXPECT_FALSE(m().writeFile(at("no-such-folder\\file.txt"), "x"));
    EXPECT_FALSE(m().writeFile(setup_->folder(), "x"));
    EXPECT_EQ(read("data.bin"), "");
    EXPECT_EQ(read("missing.txt"), "(failed)");
    std::string bytesOfFolder;
    EXPECT_FALSE(m().readFile(setup_->folder(), bytesOfFolder));
    EXPECT_EQ(entries(), std::vector<std::string>{"data.bin"});
}

TEST_F(MachineFiles, AttributesExistenceAndCopies) {
    ASSERT_TRUE(makeFolder("Folder"));
    ASSERT_TRUE(m().writeFile(at("icon.ico"), "new icon"));
    ASSERT_TRUE(m().writeFile(at("old.ico"), "old icon"));
    // What the folder icon page sets and takes off again, in the order it does.
    const struct {
        std::string name;
        std::uint32_t set, got;
    } attributes[] = {
        {"icon.ico", FILE_ATTRIBUTE_READONLY, 0x21},
        {"icon.ico", 0, 0x20},
        {"icon.ico", 6, 0x26},
        {"Folder", 4, 0x14},
        {"Folder", 0, 0x10},
        {"Folder", 4, 0x14},
    };
    for (const auto& a : attributes) {
        ASSERT_TRUE(m().setFileAttributes(at(a.name), a.set)) << a.name;
        EXPECT_EQ(m().getFileAttributes(at(a.name)), a.got) << a.name << " set " << a.set;
    }
    EXPECT_EQ(m().getFileAttributes(at("missing")), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(m().setFileAttributes(at("missing"), 0));

    // Hidden and system files exist; folders and missing files do not.
    EXPECT_TRUE(m().fileExists(at("ICON.ICO")));
    EXPECT_TRUE(m().fileExists(at("old.ico")));
    EXPECT_FALSE(m().fileExists(at("Folder")));
    EXPECT_FALSE(m().fileExists(at("missing.ico")));

    // A copy overwrites unless asked not to.
    EXPECT_FALSE(m().copyFile(at("icon.ico"), at("old.ico"), true));
    EXPECT_EQ(read("old.ico"), "old icon");
    ASSERT_TRUE(m().copyFile(at("icon.ico"), at("OLD.ICO"), false));
    EXPECT_EQ(read("old.ico"), "new icon");
    ASSERT_TRUE(m().copyFile(at("icon.ico"), at("Folder\\new.ico"), true));
    EXPECT_EQ(read("Folder\\new.ico"), "new icon");
    EXPECT_FALSE(m().copyFile(at("missing.ico"), at("x.ico"), false));
    EXPECT_FALSE(m().copyFile(at("icon.ico"), at("no-such-folder\\x.ico"), false));
    EXPECT_FALSE(m().copyFile(at("icon.ico"), at("ICON.ICO"), false));
    EXPECT_EQ(read("icon.ico"), "new icon");
}

TEST_F(MachineFiles, FolderListingsHaveHiddenFoldersAndNoFiles) {
    for (const char* name : {"Visible", ".hidden", "System", "Visible\\Inner"})
        ASSERT_TRUE(makeFolder(name)) << name;
    ASSERT_TRUE(m().setFileAttributes(at("System"), 6));
    ASSERT_TRUE(m().writeFile(at("file.txt"), "x"));
    for (const std::string& folder : {setup_->folder(), setup_->folder() + "\\"}) {
        std::vector<std::string> names{"stale"};
        ASSERT_TRUE(m().listFolders(folder, names)) << folder;
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{".hidden", "System", "Visible"})) << folder;
    }
    std::vector<std::string> names{"stale"};
    ASSERT_TRUE(m().listFolders(at("VISIBLE\\inner"), names));
    EXPECT_TRUE(names.empty());
    EXPECT_FALSE(m().listFolders(at("file.txt"), names));
    names = {"stale"};
    EXPECT_FALSE(m().listFolders(at("missing"), names));
    EXPECT_TRUE(names.empty());
}

TEST_F(MachineFiles, PrivateProfileStringsThroughDosPaths) {
    ASSERT_TRUE(makeFolder("Work"));
    ASSERT_TRUE(m().writePrivateProfileString(".ShellClassInfo", "IconFile", "KestrelFld0.ico",
                                              at("WORK\\Desktop.ini")));
    ASSERT_TRUE(m().writePrivateProfileString(".ShellClassInfo", "IconIndex", "0",
                                              at("work\\desktop.INI")));
    EXPECT_EQ(read("Work\\Desktop.ini"),
              "[.ShellClassInfo]\r\nIconFile=KestrelFld0.ico\r\nIconIndex=0\r\n");
    EXPECT_FALSE(m().writePrivateProfileString("s", "k", "v", at("no-such-folder\\Desktop.ini")));

    const struct {
        std::string file, section, key, def;
        std::uint32_t size, length;
        std::string value;
    } reads[] = {
        {"Work\\Desktop.ini", ".shellclassinfo", "ICONFILE", "0", 127, 15, "KestrelFld0.ico"},
        // At most size - 1 characters.
        {"Work\\Desktop.ini", ".ShellClassInfo", "IconFile", "", 4, 3, "Kes"},
        {"Work\\Desktop.ini", ".ShellClassInfo", "Missing", "none", 255, 4, "none"},
        {"Work\\Desktop.ini", "S", "K", "x", 0, 0, ""},
        {"no-such-folder\\x.ini", "s", "k", "default", 4, 3, "def"},
    };
    for (const auto& r : reads) {
        std::string value = "stale";
        EXPECT_EQ(m().getPrivateProfileString(r.section, r.key, r.def, value, r.size, at(r.file)),
                  r.length)
            << r.key << " size " << r.size;
        EXPECT_EQ(value, r.value) << r.key << " size " << r.size;
    }
}

TEST_F(MachineFiles, DrivesFoldersAndVersion) {
    const std::string windows = m().windowsDirectory();
    const std::string system = m().systemDirectory();
    for (const std::string& folder : {windows, system}) {
        ASSERT_GT(folder.size(), 3u);
        EXPECT_NE(folder.back(), '\\') << folder;
        std::vector<std::string> names;
        EXPECT_TRUE(m().listFolders(folder, names)) << folder; // an existing folder
    }
    EXPECT_EQ(system.rfind(windows + "\\", 0), 0u) << system;

    const std::string letters = m().logicalDrives();
    EXPECT_NE(letters.find('C'), std::string::npos) << letters;
    EXPECT_TRUE(std::is_sorted(letters.begin(), letters.end())) << letters;
    EXPECT_EQ(m().getDriveType("C:\\"), DRIVE_FIXED);
    for (char letter = 'D'; letter <= 'Y'; ++letter)
        if (letters.find(letter) == std::string::npos) {
            EXPECT_EQ(m().getDriveType(std::string(1, letter) + ":\\"), DRIVE_NO_ROOT_DIR)
                << letter;
            break;
        }
    EXPECT_EQ(m().platformId(), VER_PLATFORM_WIN32_NT);
}

} // namespace
} // namespace kestrel::testing
