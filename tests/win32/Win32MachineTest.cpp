// The Win32 backend against the real API (Wine's, in CI): the files suite every backend runs
// (tests/machine/MachineFilesSuite.cpp) on the temporary folder, and what only this backend has —
// host paths, the icons ExtractIconExA finds, code pages Windows converts, the predefined roots as
// Kestrel names them, whole-subtree key deletion.

#include "platform/win32/Win32Machine.h"

#include "platform/Codepage.h"
#include "platform/IconResources.h"
#include "platform/Module.h"
#include "tests/machine/MachineFilesSuite.h"

#include <gtest/gtest.h>

namespace {
// Kestrel's names of the values used below; after <windows.h> these names are Windows' macros.
constexpr kestrel::RegHandle CurrentUser = kestrel::HKEY_CURRENT_USER;
constexpr kestrel::RegHandle LocalMachine = kestrel::HKEY_LOCAL_MACHINE;
constexpr long Success = kestrel::ERROR_SUCCESS;
} // namespace

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>
#include <windows.h>

using kestrel::win32::Win32Machine;
namespace fs = std::filesystem;

namespace kestrel::testing {

// A fresh folder in the temporary folder, removed with everything in it afterwards.
class Win32FilesSetup : public FilesSuiteSetup {
public:
    Win32FilesSetup() {
        static int counter = 0;
        dir_ = fs::temp_directory_path() / ("kestrel-" + std::to_string(GetCurrentProcessId()) +
                                            "-" + std::to_string(counter++));
        fs::create_directory(dir_);
    }
    ~Win32FilesSetup() override {
        std::error_code ec;
        for (const auto& entry : fs::recursive_directory_iterator(dir_, ec))
            SetFileAttributesA(entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove_all(dir_, ec);
    }

    Machine& machine() override { return machine_; }
    std::string folder() const override { return dir_.string(); }
    fs::path host() const override { return dir_; }

private:
    fs::path dir_;
    Win32Machine machine_;
};

std::unique_ptr<FilesSuiteSetup> makeFilesSuiteSetup() {
    return std::make_unique<Win32FilesSetup>();
}

namespace {

TEST(Win32Machine, FactsOnlyWindowsHas) {
    Win32Machine machine;
    Machine::setCurrent(&machine);
    EXPECT_TRUE(Module::IsWinNT());
    EXPECT_EQ(codepage::fromWide(Module::GetSysDir(), machine.ansiCodePage()),
              machine.systemDirectory());
    Machine::setCurrent(nullptr);
    // The profile file of the automount launcher is addressed as the system directory + "\…".
    EXPECT_TRUE(machine.fileExists(machine.systemDirectory() + "\\kernel32.dll"));
    EXPECT_FALSE(machine.computerName().empty());
    EXPECT_FALSE(machine.userName().empty());
    EXPECT_EQ(machine.userName().find('\0'), std::string::npos);
    EXPECT_EQ(machine.ansiCodePage(), GetACP());
    const std::string own = Win32Machine::ownExecutable();
    ASSERT_GT(own.size(), 4u);
    EXPECT_EQ(own.substr(own.size() - 4), ".exe");
    EXPECT_TRUE(machine.fileExists(own));
    // A failed read leaves nothing of what the buffer held.
    std::string stale = "stale";
    EXPECT_FALSE(machine.readFile(own + ".missing", stale));
    EXPECT_EQ(stale, "");
}

TEST(Win32Machine, HostPathsAreThePathsOfThisComputer) {
    Win32Machine machine;
    EXPECT_EQ(machine.dosPathFromHost("C:/Games/Old"), "C:\\Games\\Old");
    EXPECT_EQ(machine.hostPathFromDos("C:\\Games"), "C:\\Games");
    EXPECT_EQ(machine.dosPathFromHost(""), "");
    if (GetACP() == 1252) {
        EXPECT_EQ(machine.dosPathFromHost("C:/Caf\xC3\xA9"), "C:\\Caf\xE9");
        EXPECT_EQ(machine.hostPathFromDos("C:\\Caf\xE9"), "C:\\Caf\xC3\xA9");
        // A character the code page cannot hold names no path there.
        EXPECT_EQ(machine.dosPathFromHost("C:/\xE6\x97\xA5"), "");
    }
}

TEST(Win32Machine, IconsOfFilesAreWhatExtractIconExFinds) {
    // ExtractIconExA and the reader of the Wine backend agree on the icons of the same files.
    const auto setup = makeFilesSuiteSetup();
    Machine& machine = setup->machine();
    const std::string shell32 = machine.systemDirectory() + "\\shell32.dll";
    const std::string ico = setup->folder() + "\\one.ico";
    std::string icoWithImage;
    ASSERT_TRUE(machine.extractIcon(shell32, 0, icoWithImage));
    ASSERT_TRUE(machine.writeFile(ico, icoWithImage));
    for (const std::string& file : {shell32, ico, setup->folder() + "\\missing.dll"}) {
        std::string bytes;
        machine.readFile(file, bytes);
        const std::uint32_t count = machine.iconCount(file);
        EXPECT_EQ(count, icons::countIcons(icons::memorySource(bytes))) << file;
        std::string out;
        EXPECT_FALSE(machine.extractIcon(file, count, out)) << file;
    }
    EXPECT_GT(machine.iconCount(shell32), 100u);
    // The icon comes as a one-image .ico file of the large size.
    ASSERT_GT(icoWithImage.size(), 22u + 40u);
    EXPECT_EQ(icoWithImage.substr(0, 6), std::string("\0\0\1\0\1\0", 6));
    EXPECT_EQ(icoWithImage[6], 32);
    EXPECT_EQ(icoWithImage[7], 32);
}

TEST(Win32Codepage, OtherCodePagesAreConvertedByWindows) {
    // Hiragana "a" in Shift-JIS, a code page without a built-in table.
    EXPECT_EQ(codepage::fromWide(L"\u3042", 932), "\x82\xA0");
    EXPECT_EQ(codepage::toWide("\x82\xA0", 932), L"\u3042");
}

// --- Registry: Kestrel's handles over the Win32 ones ------------------------------------------

class Win32RegistryTest : public ::testing::Test {
protected:
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KestrelWin32Test"); }
    win32::Win32Registry registry_;
};

TEST_F(Win32RegistryTest, PredefinedRootsAreTheWindowsRoots) {
    RegHandle key = 0;
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
    RegHandle again = 0;
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
    RegHandle parent = 0;
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
} // namespace kestrel::testing
