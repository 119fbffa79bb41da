// The Win32 backend against the real API (Wine's, in CI): what the pages rely on beyond the bare
// Win32 calls — paths without trailing backslashes, atomic file replacement, folder listings,
// the predefined roots as Kestrel names them, whole-subtree key deletion.

#include "platform/win32/Win32Machine.h"

#include "platform/Codepage.h"
#include "platform/IconResources.h"
#include "platform/Module.h"

#include <gtest/gtest.h>

namespace {
// Kestrel's names of the values used below; after <windows.h> these names are Windows' macros.
constexpr kestrel::RegHandle CurrentUser = kestrel::HKEY_CURRENT_USER;
constexpr kestrel::RegHandle LocalMachine = kestrel::HKEY_LOCAL_MACHINE;
constexpr long Success = kestrel::ERROR_SUCCESS;
} // namespace

#include <algorithm>
#include <string>
#include <vector>
#include <windows.h>

using kestrel::win32::Win32Machine;

namespace {

// A fresh folder in the temporary folder, removed with everything in it afterwards.
class Win32MachineTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
        dir_ = std::string(temp) + "kestrel-" + std::to_string(GetCurrentProcessId()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr)) << dir_;
        kestrel::Machine::setCurrent(&machine_);
    }
    void TearDown() override {
        kestrel::Machine::setCurrent(nullptr);
        removeTree(dir_);
    }

    static void removeTree(const std::string& folder) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = found.cFileName;
                if (name == "." || name == "..")
                    continue;
                const std::string path = folder + "\\" + name;
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    removeTree(path);
                else
                    DeleteFileA(path.c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(folder.c_str());
    }

    // Every name in the folder, files and folders.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((dir_ + "\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return names;
        do {
            const std::string name = found.cFileName;
            if (name != "." && name != "..")
                names.push_back(name);
        } while (FindNextFileA(search, &found));
        FindClose(search);
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string path(const std::string& name) const { return dir_ + "\\" + name; }

    std::string dir_;
    Win32Machine machine_;
};

TEST_F(Win32MachineTest, FilesRoundTripByteForByteAndAreReplacedWhole) {
    const std::string file = path("data.bin");
    const std::string bytes("line one\r\nzero \0 byte\r\n\xFF\x80", 26);
    ASSERT_TRUE(machine_.writeFile(file, bytes));
    std::string read;
    ASSERT_TRUE(machine_.readFile(file, read));
    EXPECT_EQ(read, bytes);

    // A shorter write leaves nothing of the longer file, and no temporary file beside it.
    ASSERT_TRUE(machine_.writeFile(file, "short"));
    ASSERT_TRUE(machine_.readFile(file, read));
    EXPECT_EQ(read, "short");
    EXPECT_EQ(entries(), std::vector<std::string>{"data.bin"});

    ASSERT_TRUE(machine_.writeFile(file, ""));
    ASSERT_TRUE(machine_.readFile(file, read));
    EXPECT_EQ(read, "");
}

TEST_F(Win32MachineTest, ReplacingAFileKeepsItsAttributes) {
    const std::string file = path("desktop.ini");
    ASSERT_TRUE(machine_.writeFile(file, "old"));
    ASSERT_TRUE(machine_.setFileAttributes(file, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(machine_.writeFile(file, "new"));
    std::string read;
    ASSERT_TRUE(machine_.readFile(file, read));
    EXPECT_EQ(read, "new");
    const auto attributes = machine_.getFileAttributes(file);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_SYSTEM);
}

TEST_F(Win32MachineTest, FailedWritesAndReadsChangeNothing) {
    std::string read = "stale";
    EXPECT_FALSE(machine_.readFile(path("missing.txt"), read));
    EXPECT_EQ(read, "");
    EXPECT_FALSE(machine_.writeFile(path("no-such-folder\\file.txt"), "x"));
    EXPECT_TRUE(entries().empty());

    // A read-only file is not overwritten.
    const std::string locked = path("locked.txt");
    ASSERT_TRUE(machine_.writeFile(locked, "keep"));
    ASSERT_TRUE(machine_.setFileAttributes(locked, FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(machine_.writeFile(locked, "lost"));
    ASSERT_TRUE(machine_.readFile(locked, read));
    EXPECT_EQ(read, "keep");
    EXPECT_EQ(entries(), std::vector<std::string>{"locked.txt"});
}

TEST_F(Win32MachineTest, FileExistsOnlyForFilesHiddenOnesIncluded) {
    ASSERT_TRUE(machine_.writeFile(path("plain.txt"), "x"));
    ASSERT_TRUE(machine_.writeFile(path("hidden.txt"), "x"));
    ASSERT_TRUE(machine_.setFileAttributes(path("hidden.txt"),
                                           FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_TRUE(machine_.fileExists(path("plain.txt")));
    EXPECT_TRUE(machine_.fileExists(path("hidden.txt")));
    EXPECT_FALSE(machine_.fileExists(dir_));
    EXPECT_FALSE(machine_.fileExists(path("missing.txt")));
    EXPECT_EQ(machine_.getFileAttributes(path("missing.txt")), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(machine_.getFileAttributes(dir_) & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(Win32MachineTest, CopyFileHonoursFailIfExists) {
    ASSERT_TRUE(machine_.writeFile(path("a.txt"), "from"));
    ASSERT_TRUE(machine_.writeFile(path("b.txt"), "to"));
    std::string read;
    EXPECT_FALSE(machine_.copyFile(path("a.txt"), path("b.txt"), true));
    ASSERT_TRUE(machine_.readFile(path("b.txt"), read));
    EXPECT_EQ(read, "to");
    EXPECT_TRUE(machine_.copyFile(path("a.txt"), path("b.txt"), false));
    ASSERT_TRUE(machine_.readFile(path("b.txt"), read));
    EXPECT_EQ(read, "from");
    EXPECT_FALSE(machine_.copyFile(path("missing.txt"), path("c.txt"), false));
}

TEST_F(Win32MachineTest, ListFoldersGivesSubfoldersOnlyHiddenOnesIncluded) {
    ASSERT_TRUE(CreateDirectoryA(path("Games").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(path("Secret").c_str(), nullptr));
    ASSERT_TRUE(SetFileAttributesA(path("Secret").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(machine_.writeFile(path("file.txt"), "x"));
    std::vector<std::string> names{"stale"};
    ASSERT_TRUE(machine_.listFolders(dir_, names));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Games", "Secret"}));
    // A trailing backslash names the same folder.
    ASSERT_TRUE(machine_.listFolders(dir_ + "\\", names));
    EXPECT_EQ(names.size(), 2u);

    ASSERT_TRUE(machine_.listFolders(path("Games"), names));
    EXPECT_TRUE(names.empty());
    EXPECT_FALSE(machine_.listFolders(path("missing"), names));
    EXPECT_TRUE(names.empty());
}

TEST_F(Win32MachineTest, PrivateProfileStringsReadBackAndTruncate) {
    const std::string ini = path("desktop.ini");
    ASSERT_TRUE(
        machine_.writePrivateProfileString(".ShellClassInfo", "IconFile", "C:\\icons\\a.ico", ini));
    ASSERT_TRUE(machine_.writePrivateProfileString(".ShellClassInfo", "IconIndex", "0", ini));
    std::string value;
    EXPECT_EQ(machine_.getPrivateProfileString(".ShellClassInfo", "IconFile", "", value, 255, ini),
              14u);
    EXPECT_EQ(value, "C:\\icons\\a.ico");
    // At most size - 1 characters.
    EXPECT_EQ(machine_.getPrivateProfileString(".ShellClassInfo", "IconFile", "", value, 4, ini),
              3u);
    EXPECT_EQ(value, "C:\\");
    EXPECT_EQ(
        machine_.getPrivateProfileString(".ShellClassInfo", "Missing", "none", value, 255, ini),
        4u);
    EXPECT_EQ(value, "none");
    EXPECT_EQ(machine_.getPrivateProfileString("S", "K", "x", value, 0, ini), 0u);
    EXPECT_EQ(value, "");
}

TEST_F(Win32MachineTest, DirectoriesComeWithoutTrailingBackslash) {
    const std::string windows = machine_.windowsDirectory();
    const std::string system = machine_.systemDirectory();
    ASSERT_FALSE(windows.empty());
    ASSERT_FALSE(system.empty());
    EXPECT_NE(windows.back(), '\\');
    EXPECT_NE(system.back(), '\\');
    EXPECT_TRUE(machine_.getFileAttributes(system) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(kestrel::codepage::fromWide(kestrel::Module::GetSysDir(), machine_.ansiCodePage()),
              system);
    // The profile file of the automount launcher is addressed as the system directory + "\…".
    EXPECT_TRUE(machine_.fileExists(system + "\\kernel32.dll"));
}

TEST_F(Win32MachineTest, DrivesAndTheirTypes) {
    const std::string letters = machine_.logicalDrives();
    ASSERT_NE(letters.find('C'), std::string::npos) << letters;
    EXPECT_TRUE(std::is_sorted(letters.begin(), letters.end()));
    EXPECT_EQ(machine_.getDriveType("C:\\"), static_cast<std::uint32_t>(DRIVE_FIXED));
    for (char letter = 'D'; letter <= 'Y'; ++letter) {
        if (letters.find(letter) == std::string::npos) {
            EXPECT_EQ(machine_.getDriveType(std::string(1, letter) + ":\\"),
                      static_cast<std::uint32_t>(DRIVE_NO_ROOT_DIR))
                << letter;
            break;
        }
    }
}

TEST_F(Win32MachineTest, SystemFacts) {
    EXPECT_EQ(machine_.platformId(), static_cast<std::uint32_t>(VER_PLATFORM_WIN32_NT));
    EXPECT_TRUE(kestrel::Module::IsWinNT());
    EXPECT_FALSE(machine_.computerName().empty());
    EXPECT_FALSE(machine_.userName().empty());
    EXPECT_EQ(machine_.userName().find('\0'), std::string::npos);
    EXPECT_EQ(machine_.ansiCodePage(), GetACP());
}

TEST_F(Win32MachineTest, OwnExecutableIsThisProgram) {
    const std::string own = Win32Machine::ownExecutable();
    ASSERT_GT(own.size(), 4u);
    EXPECT_EQ(own.substr(own.size() - 4), ".exe");
    EXPECT_TRUE(machine_.fileExists(own));
}

TEST_F(Win32MachineTest, HostPathsAreThePathsOfThisComputer) {
    EXPECT_EQ(machine_.dosPathFromHost("C:/Games/Old"), "C:\\Games\\Old");
    EXPECT_EQ(machine_.hostPathFromDos("C:\\Games"), "C:\\Games");
    EXPECT_EQ(machine_.dosPathFromHost(""), "");
    if (GetACP() == 1252) {
        EXPECT_EQ(machine_.dosPathFromHost("C:/Caf\xC3\xA9"), "C:\\Caf\xE9");
        EXPECT_EQ(machine_.hostPathFromDos("C:\\Caf\xE9"), "C:\\Caf\xC3\xA9");
        // A character the code page cannot hold names no path there.
        EXPECT_EQ(machine_.dosPathFromHost("C:/\xE6\x97\xA5"), "");
    }
}

TEST_F(Win32MachineTest, IconsOfFilesAreWhatExtractIconExFinds) {
    // ExtractIconExA and the reader of the Wine backend agree on the icons of the same files.
    const std::string shell32 = machine_.systemDirectory() + "\\shell32.dll";
    std::string icoWithImage;
    ASSERT_TRUE(machine_.extractIcon(shell32, 0, icoWithImage));
    ASSERT_TRUE(machine_.writeFile(path("one.ico"), icoWithImage));
    for (const std::string& file : {shell32, path("one.ico"), path("missing.dll")}) {
        std::string bytes;
        machine_.readFile(file, bytes);
        const std::uint32_t count = machine_.iconCount(file);
        EXPECT_EQ(count, kestrel::icons::countIcons(kestrel::icons::memorySource(bytes))) << file;
        std::string out;
        EXPECT_FALSE(machine_.extractIcon(file, count, out)) << file;
    }
    EXPECT_GT(machine_.iconCount(shell32), 100u);
    // The icon comes as a one-image .ico file of the large size.
    ASSERT_GT(icoWithImage.size(), 22u + 40u);
    EXPECT_EQ(icoWithImage.substr(0, 6), std::string("\0\0\1\0\1\0", 6));
    EXPECT_EQ(icoWithImage[6], 32);
    EXPECT_EQ(icoWithImage[7], 32);
}

TEST(Win32Codepage, OtherCodePagesAreConvertedByWindows) {
    // Hiragana "a" in Shift-JIS, a code page without a built-in table.
    EXPECT_EQ(kestrel::codepage::fromWide(L"\u3042", 932), "\x82\xA0");
    EXPECT_EQ(kestrel::codepage::toWide("\x82\xA0", 932), L"\u3042");
    // The built-in tables still serve 1251 and 1252.
    EXPECT_EQ(kestrel::codepage::fromWide(L"\u20AC", 1252), "\x80");
}

// --- Registry: Kestrel's handles over the Win32 ones ------------------------------------------

class Win32RegistryTest : public ::testing::Test {
protected:
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KestrelWin32Test"); }
    kestrel::win32::Win32Registry registry_;
};

TEST_F(Win32RegistryTest, PredefinedRootsAreTheWindowsRoots) {
    kestrel::RegHandle key = 0;
    ASSERT_EQ(registry_.createKey(CurrentUser, "Software\\KestrelWin32Test\\Roots", KEY_WRITE, key),
              Success);
    const std::string data = "abc";
    ASSERT_EQ(registry_.setValue(key, "Name", REG_SZ,
                                 reinterpret_cast<const std::uint8_t*>(data.c_str()), 4),
              Success);
    EXPECT_EQ(registry_.closeKey(key), Success);

    // Windows itself finds the value under its own HKEY_CURRENT_USER.
    char read[16] = {};
    DWORD size = sizeof(read);
    EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, "Software\\KestrelWin32Test\\Roots", "Name",
                           RRF_RT_REG_SZ, nullptr, read, &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(read, "abc");

    // An empty subkey opens the root again; the root stays usable after a close attempt.
    kestrel::RegHandle again = 0;
    ASSERT_EQ(registry_.openKey(LocalMachine, "", KEY_READ, again), Success);
    registry_.closeKey(again);
    EXPECT_EQ(registry_.closeKey(CurrentUser), Success);
    EXPECT_NE(registry_.closeKey(0), Success);
    ASSERT_EQ(registry_.openKey(CurrentUser, "Software\\KestrelWin32Test\\Roots", KEY_READ, key),
              Success);
    registry_.closeKey(key);
}

TEST_F(Win32RegistryTest, DeleteKeyRemovesTheWholeSubtree) {
    for (const char* path :
         {"Software\\KestrelWin32Test\\Tree\\a\\b\\c", "Software\\KestrelWin32Test\\Tree\\a\\d",
          "Software\\KestrelWin32Test\\Tree\\e", "Software\\KestrelWin32Test\\Keep"}) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path, &key), ERROR_SUCCESS);
        RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
        RegCloseKey(key);
    }
    kestrel::RegHandle parent = 0;
    ASSERT_EQ(registry_.openKey(CurrentUser, "Software\\KestrelWin32Test", KEY_ALL_ACCESS, parent),
              Success);
    EXPECT_EQ(registry_.deleteKey(parent, "Tree"), Success);
    EXPECT_NE(registry_.deleteKey(parent, "Tree"), Success);
    EXPECT_NE(registry_.deleteKey(parent, ""), Success);

    std::string name;
    EXPECT_EQ(registry_.enumKey(parent, 0, name), Success);
    EXPECT_EQ(name, "Keep");
    EXPECT_EQ(registry_.enumKey(parent, 1, name), static_cast<long>(ERROR_NO_MORE_ITEMS));
    registry_.closeKey(parent);
}

} // namespace
