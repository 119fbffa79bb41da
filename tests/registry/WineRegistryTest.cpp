// The Wine prefix's registry as Kestrel edits it, judged by Wine itself: what Kestrel writes Wine
// reads, what Wine writes Kestrel reads, and the files stay as Wine would have them.

#include "platform/wine/WineRegistry.h"

#include "RegistryTestKit.h"
#include "platform/Codepage.h"
#include "platform/Reg.h"
#include "platform/wine/Process.h"
#include "platform/wine/WineServer.h"
#include "tests/support/RegistryMachine.h"
#include "tests/support/TestPrefix.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kestrel::wine {
namespace {

namespace fs = std::filesystem;
using kestrel::testing::readHostFile;
using kestrel::testing::TestPrefix;
using namespace testkit;
using namespace kestrel::Reg;

// "wine ARGS" on the prefix. Its output goes through a file: Wine's services, started by the
// call, may outlive it and would hold a pipe open.
std::string wineOn(const TestPrefix& prefix, const std::vector<std::string>& args,
                   int* exitCode = nullptr) {
    std::string output;
    const int code = runWine(prefix.path(), args, output);
    if (exitCode)
        *exitCode = code;
    return output;
}

// A registry on the prefix, made the current machine with the given code page.
class RegistryOn {
public:
    RegistryOn(const TestPrefix& prefix, unsigned codePage)
        : registry_(prefix.path(), codePage), machine_(registry_, codePage), current_(machine_) {}
    WineRegistry& registry() { return registry_; }
    void makeCurrent() { Machine::setCurrent(&machine_); }

private:
    WineRegistry registry_;
    testing::RegistryMachine machine_;
    testing::CurrentMachine current_;
};

// GetString's text, or "(missing)" when it fails.
std::wstring get(RootKey root, const std::wstring& path, const std::wstring& name) {
    std::wstring text;
    return GetString(root, path, name, text) ? text : L"(missing)";
}

const std::wstring Cyrillic = L"C:\\dir \"q\" \u0416\u0443\u043a";
const std::string CyrillicUtf8 = "C:\\dir \"q\" \xD0\x96\xD1\x83\xD0\xBA";

// Kestrel writes below some keys; once Wine has loaded the registry and written it back, Wine has
// kept Kestrel's keys where they were and every name it can hold, and a text in the code page
// reads the same whichever of them wrote it.
TEST(WineRegistry, WineKeepsWhatKestrelWritesWhereKestrelPutIt) {
    KESTREL_TEST_PREFIX(prefix);
    const std::wstring longKey = L"Software\\KestrelLong\\" + std::wstring(255, L'k'),
                       longName(16383, L'v');
    {
        RegistryOn on(prefix, 1251);
        ASSERT_TRUE(SaveString(HKEY_CURRENT_USER, L"Software\\KestrelSide", L"Text", Cyrillic));
        // New keys go where Wine's next save puts them.
        for (const wchar_t* key :
             {L"Software\\_Kestrel", L"Software\\kestrel_b", L"Software\\Zz", L"AppEvents\\Kestrel",
              L"Control Panel\\Desktop\\Kestrel", L"Software\\Wine\\Kestrel\\A\\B"})
            ASSERT_TRUE(SaveDWord(HKEY_CURRENT_USER, key, L"v", 1));
        ASSERT_FALSE(DeleteValue(HKEY_CURRENT_USER, L"Software\\EmptyKestrel", L"v"));
        // Names longer than Wine keeps are refused; the longest it keeps go through.
        EXPECT_FALSE(SaveString(HKEY_CURRENT_USER, longKey + L"k", L"v", L"x"));
        EXPECT_NE(on.registry().lastError().find("255"), std::string::npos);
        EXPECT_FALSE(SaveString(HKEY_CURRENT_USER, longKey, longName + L"v", L"x"));
        EXPECT_NE(on.registry().lastError().find("16383"), std::string::npos);
        ASSERT_TRUE(SaveString(HKEY_CURRENT_USER, longKey, longName, L"x"));
    }
    const std::string ours = readHostFile(prefix.file("user.reg"));
    EXPECT_EQ(ours.find(std::string(256, 'k')), std::string::npos);
    EXPECT_EQ(ours.find(std::string(16384, 'v')), std::string::npos);

    int exitCode = -1;
    const auto output = wineOn(
        prefix, {"reg", "add", "HKCU\\Software\\WineSide", "/v", "Text", "/d", CyrillicUtf8, "/f"},
        &exitCode);
    ASSERT_EQ(exitCode, 0) << output;
    prefix.stopWineServer(); // it writes the files as it exits
    const std::string wines = readHostFile(prefix.file("user.reg"));
    EXPECT_EQ(sectionsBelow(wines, "Software\\\\KestrelSide"),
              sectionsBelow(wines, "Software\\\\WineSide"));

    // The sections both files have come in the same order.
    std::vector<std::string> headers[2];
    for (int i = 0; i < 2; ++i)
        for (const auto& line : lines(i == 0 ? ours : wines))
            if (!line.empty() && line[0] == '[')
                headers[i].push_back(line.substr(0, line.rfind(']') + 1));
    std::vector<std::string> common[2];
    for (int i = 0; i < 2; ++i)
        for (const auto& h : headers[i])
            if (std::find(headers[1 - i].begin(), headers[1 - i].end(), h) != headers[1 - i].end())
                common[i].push_back(h);
    EXPECT_EQ(common[0], common[1]);
    for (const char* key :
         {"[Software\\\\_Kestrel]", "[Software\\\\kestrel_b]", "[Software\\\\Zz]",
          "[Software\\\\EmptyKestrel]", "[AppEvents\\\\Kestrel]",
          "[Control Panel\\\\Desktop\\\\Kestrel]", "[Software\\\\Wine\\\\Kestrel\\\\A\\\\B]"})
        EXPECT_NE(std::find(common[0].begin(), common[0].end(), key), common[0].end()) << key;

    RegistryOn on(prefix, 1251);
    EXPECT_EQ(get(HKEY_CURRENT_USER, L"Software\\WineSide", L"Text"), Cyrillic);
    EXPECT_EQ(get(HKEY_CURRENT_USER, longKey, longName), L"x");
    // Under an English locale's code page the Cyrillic letters have no bytes: '?', as Windows.
    RegistryOn western(prefix, 1252);
    EXPECT_EQ(get(HKEY_CURRENT_USER, L"Software\\WineSide", L"Text"), L"C:\\dir \"q\" ???");
}

// HKEY_USERS holds the default user and the current user under its SID, no one else.
TEST(WineRegistry, TheCurrentUsersSidIsTheCurrentUser) {
    KESTREL_TEST_PREFIX(prefix);
    const std::string userdefBefore = readHostFile(prefix.file("userdef.reg"));
    {
        RegistryOn on(prefix, 1252);
        ASSERT_TRUE(
            SaveString(HKEY_USERS, L"S-1-5-21-0-0-0-1000\\Software\\KestrelSid", L"v", L"s"));
        EXPECT_EQ(readHostFile(prefix.file("userdef.reg")), userdefBefore);
        EXPECT_EQ(get(HKEY_CURRENT_USER, L"Software\\KestrelSid", L"v"), L"s");
        std::vector<std::wstring> users;
        EXPECT_TRUE(EnumKeys(users, HKEY_USERS, L""));
        EXPECT_EQ(users, (std::vector<std::wstring>{L".Default", L"S-1-5-21-0-0-0-1000"}));
        EXPECT_FALSE(SaveString(HKEY_USERS, L"S-1-5-21-9", L"v", L"x"));
    }
    const auto output = wineOn(prefix, {"reg", "query", "HKCU\\Software\\KestrelSid"});
    EXPECT_NE(output.find("\n    v    REG_SZ    s\r\n"), std::string::npos) << output;
}

// The hives read ahead in the background are checked against their files like any earlier
// read: what another writer saved after the read ahead is what the next read sees.
TEST(WineRegistry, AHiveReadAheadIsNeverStale) {
    KESTREL_TEST_PREFIX(prefix);
    RegistryOn on(prefix, 1252);
    on.registry().preload();
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the read ahead is done
    {
        RegistryOn other(prefix, 1252);
        ASSERT_TRUE(SaveString(HKEY_LOCAL_MACHINE, L"Software\\Kestrel\\ReadAhead", L"Value",
                               L"written after"));
    }
    on.makeCurrent();
    EXPECT_EQ(get(HKEY_LOCAL_MACHINE, L"Software\\Kestrel\\ReadAhead", L"Value"), L"written after");
}

// Makes a folder impossible to write into, even for root, for the life of the object.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(std::string path) : path_(std::move(path)) {
        chmod(path_.c_str(), 0555);
        if (geteuid() == 0)
            immutable_ = runProcess({"chattr", "+i", path_}).exitCode == 0;
    }
    ~ReadOnlyFolder() {
        if (immutable_)
            runProcess({"chattr", "-i", path_});
        chmod(path_.c_str(), 0755);
    }
    bool effective() const {
        const std::string probe = path_ + "/.kestrel-probe";
        const int fd = open(probe.c_str(), O_CREAT | O_WRONLY, 0600);
        if (fd < 0)
            return true;
        close(fd);
        unlink(probe.c_str());
        return false;
    }

private:
    std::string path_;
    bool immutable_ = false;
};

TEST(WineRegistry, AFailedSaveLeavesTheFileAsItWas) {
    KESTREL_TEST_PREFIX(prefix);
    const std::string before = readHostFile(prefix.file("user.reg"));
    const auto entries = [&] {
        const fs::directory_iterator all(prefix.path());
        return std::distance(begin(all), end(all));
    };
    const auto entriesBefore = entries();
    RegistryOn on(prefix, 1252);
    {
        ReadOnlyFolder readOnly(prefix.path());
        if (!readOnly.effective())
            GTEST_SKIP() << "this file system lets the test write into a read-only folder";
        EXPECT_FALSE(SaveDWord(HKEY_CURRENT_USER, L"Software\\KestrelFail", L"v", 1));
        EXPECT_NE(on.registry().lastError().find("user.reg"), std::string::npos);
        EXPECT_EQ(get(HKEY_CURRENT_USER, L"Software\\KestrelFail", L"v"), L"(missing)");
    }
    EXPECT_TRUE(readHostFile(prefix.file("user.reg")) == before);
    EXPECT_EQ(entries(), entriesBefore) << "a temporary file was left behind";
    // Writable again: the same call works and keeps the file's mode. It clears what saves
    // killed midway left: the temporary files of processes that are gone.
    const pid_t gone = fork();
    if (gone == 0)
        _exit(0);
    waitpid(gone, nullptr, 0);
    const std::string stale = prefix.file(".user.reg.kestrel-" + std::to_string(gone) + "-AbCdEf");
    const std::string older = prefix.file(".user.reg.kestrel-AbCdEf");
    const std::string live = prefix.file(".user.reg.kestrel-" + std::to_string(getppid()) + "-Ab");
    for (const auto& file : {stale, older, live})
        std::ofstream(file) << "partial";
    chmod(prefix.file("user.reg").c_str(), 0640);
    EXPECT_TRUE(SaveDWord(HKEY_CURRENT_USER, L"Software\\KestrelFail", L"v", 1));
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_FALSE(fs::exists(older));
    EXPECT_TRUE(fs::exists(live));
    EXPECT_EQ(fs::status(prefix.file("user.reg")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(WineRegistry, WritesWhileWineRunsGoThroughWineAndSurviveItsExit) {
    KESTREL_TEST_PREFIX(prefix);
    EXPECT_FALSE(wineServerRunning(prefix.path()));
    ServerElsewhere server{prefix};
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(waitFor([&] { return wineServerRunning(prefix.path()); }));
    long pid = 0;
    EXPECT_TRUE(wineServerRunning(prefix.path(), &pid));
    EXPECT_GT(pid, 0);

    const std::wstring key = L"Software\\KestrelLive";
    // What Kestrel reads back, while Wine runs and after it ended.
    const auto check = [&] {
        EXPECT_EQ(get(HKEY_CURRENT_USER, key, L"Text"), Cyrillic);
        EXPECT_EQ(get(HKEY_CURRENT_USER, key, L"Two\nLines\r"), L"x");
        EXPECT_EQ(get(HKEY_CURRENT_USER, key, L"Gone"), L"(missing)");
        EXPECT_EQ(get(HKEY_LOCAL_MACHINE, key, L"Bin"), std::wstring(L"\x01\0\0", 3));
        std::vector<std::wstring> names;
        EXPECT_TRUE(EnumKeys(names, HKEY_CURRENT_USER, key));
        EXPECT_TRUE(names.empty());
    };
    {
        RegistryOn on(prefix, 1251);
        ASSERT_TRUE(SaveString(HKEY_CURRENT_USER, key, L"Text", Cyrillic))
            << on.registry().lastError();
        ASSERT_TRUE(SaveDWord(HKEY_CURRENT_USER, key, L"Gone", 5));
        EXPECT_TRUE(DeleteValue(HKEY_CURRENT_USER, key, L"Gone"));
        ASSERT_TRUE(SaveDWord(HKEY_CURRENT_USER, key + L"\\Gone\\Deeper", L"v", 1));
        EXPECT_EQ(on.registry().deleteKey(HKEY_CURRENT_USER, "Software\\KestrelLive\\Gone"),
                  ERROR_SUCCESS);
        ASSERT_TRUE(SaveBinary(HKEY_LOCAL_MACHINE, key, L"Bin", std::wstring(L"\x01\0\0\0", 4)));
        ASSERT_TRUE(SaveString(HKEY_CURRENT_USER, key, L"Two\nLines\r", L"x"));
        // Kestrel shows what it wrote although the files do not have it yet.
        check();
    }
    // Wine has it in the live registry.
    const auto live = wineOn(prefix, {"reg", "query", "HKLM\\Software\\KestrelLive", "/v", "Bin"});
    EXPECT_NE(live.find("\n    Bin    REG_BINARY    01000000\r\n"), std::string::npos) << live;

    server.stop();
    EXPECT_FALSE(wineServerRunning(prefix.path()));
    RegistryOn after(prefix, 1251);
    check();
}

TEST(WineRegistry, NamesOutsideTheCodePageAreListedAndActedOn) {
    KESTREL_TEST_PREFIX(prefix);
    const std::string path = "Software\\KestrelNames";
    {
        // Written with every character available, read back through the Western code page.
        RegistryOn on(prefix, codepage::Utf8);
        for (const char* name : {"a", "\xD0\x96\xD1\x83\xD0\xBA", "\xD0\x91\xD1\x8B\xD0\xBA", "z"})
            ASSERT_TRUE(SaveDWord(HKEY_CURRENT_USER, codepage::fromUtf8(path),
                                  codepage::fromUtf8(name), 1));
        for (const char* sub : {"b", "\xD0\x9A\xD0\xBB\xD1\x8E\xD1\x87"})
            ASSERT_TRUE(
                SaveDWord(HKEY_CURRENT_USER, codepage::fromUtf8(path + "\\" + sub), L"v", 1));
    }
    RegistryOn on(prefix, 1252);
    WineRegistry& registry = on.registry();
    RegHandle key = 0;
    ASSERT_EQ(registry.openKey(HKEY_CURRENT_USER, path, KEY_READ, key), ERROR_SUCCESS);
    std::vector<std::string> names;
    std::string name, data;
    std::uint32_t type = 0;
    while (registry.enumValue(key, static_cast<std::uint32_t>(names.size()), name, type, data) ==
           ERROR_SUCCESS)
        names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "z", "???", "???"}));
    std::vector<std::wstring> subkeys;
    EXPECT_TRUE(EnumKeys(subkeys, HKEY_CURRENT_USER, codepage::fromUtf8(path)));
    EXPECT_EQ(subkeys, (std::vector<std::wstring>{L"b", L"????"}));
    // Opened and deleted by their own names, which '?' does not spell.
    RegHandle sub = 0;
    ASSERT_EQ(registry.openSubkeyAt(key, 1, sub), ERROR_SUCCESS);
    EXPECT_EQ(registry.enumValue(sub, 0, name, type, data), ERROR_SUCCESS);
    EXPECT_EQ(name, "v");
    registry.closeKey(sub);
    for (std::uint32_t i = 4; i-- > 0;)
        EXPECT_EQ(registry.deleteValueAt(key, i), ERROR_SUCCESS) << i;
    EXPECT_EQ(registry.enumValue(key, 0, name, type, data), ERROR_NO_MORE_ITEMS);
    registry.closeKey(key);
}

TEST(WineRegistry, TwoWritersOnOnePrefixLoseNothing) {
    KESTREL_TEST_PREFIX(prefix);
    constexpr int Writers = 2, Values = 30;
    const auto key = [](int writer) {
        return L"Software\\KestrelRace\\Writer" + std::to_wstring(writer);
    };
    const auto name = [](int writer, int i) {
        return std::to_wstring(writer) + L"-" + std::to_wstring(i);
    };
    std::vector<pid_t> children;
    for (int w = 0; w < Writers; ++w) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            RegistryOn on(prefix, 1252);
            bool ok = true;
            for (int i = 0; i < Values; ++i)
                ok &= SaveDWord(HKEY_CURRENT_USER, L"Software\\KestrelRace", name(w, i), i) &&
                      SaveDWord(HKEY_CURRENT_USER, key(w), name(w, i), i);
            _exit(ok ? 0 : 1);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    RegistryOn on(prefix, 1252);
    for (int w = 0; w < Writers; ++w)
        for (int i = 0; i < Values; ++i) {
            EXPECT_EQ(get(HKEY_CURRENT_USER, L"Software\\KestrelRace", name(w, i)),
                      std::to_wstring(i));
            EXPECT_EQ(get(HKEY_CURRENT_USER, key(w), name(w, i)), std::to_wstring(i));
        }
    const auto query = wineOn(prefix, {"reg", "query", "HKCU\\Software\\KestrelRace"});
    EXPECT_EQ(std::count(query.begin(), query.end(), '\n'),
              Writers * Values + 5) // blank, key, values, blank, two subkeys
        << query;
}

TEST(WineRegistry, RefusesWhatIsNoRegistry) {
    KESTREL_TEST_PREFIX(prefix);
    // A folder without system.reg is no prefix.
    const std::string empty = prefix.file("not-a-prefix");
    fs::create_directories(empty);
    WineRegistry none(empty, 1252);
    RegHandle key = 0;
    EXPECT_NE(none.openKey(HKEY_LOCAL_MACHINE, "Software", KEY_READ, key), ERROR_SUCCESS);
    EXPECT_NE(none.lastError().find("system.reg"), std::string::npos) << none.lastError();
    EXPECT_NE(none.createKey(HKEY_LOCAL_MACHINE, "Software\\X", KEY_WRITE, key), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(empty + "/system.reg"));

    // A file Wine would ignore is left alone.
    const std::string broken = "\xEF\xBB\xBFWINE REGISTRY Version 2\n\n[Software] 1\n";
    std::ofstream(prefix.file("user.reg"), std::ios::binary | std::ios::trunc) << broken;
    WineRegistry registry(prefix.path(), 1252);
    EXPECT_NE(registry.createKey(HKEY_CURRENT_USER, "Software\\X", KEY_WRITE, key), ERROR_SUCCESS);
    EXPECT_NE(registry.lastError().find("WINE REGISTRY Version 2"), std::string::npos);
    EXPECT_EQ(readHostFile(prefix.file("user.reg")), broken);
    // The other files are still usable; the hives themselves are not deleted.
    EXPECT_EQ(registry.openKey(HKEY_LOCAL_MACHINE, "Software\\Wine", KEY_READ, key), ERROR_SUCCESS);
    registry.closeKey(key);
    EXPECT_EQ(registry.deleteKey(HKEY_USERS, ".DEFAULT"), ERROR_ACCESS_DENIED);

    // A missing userdef.reg is an empty hive that the first write creates as Wine would.
    fs::remove(prefix.file("userdef.reg"));
    RegHandle created = 0;
    ASSERT_EQ(registry.createKey(HKEY_USERS, ".DEFAULT\\Software\\K", KEY_WRITE, created),
              ERROR_SUCCESS);
    registry.closeKey(created);
    EXPECT_EQ(readHostFile(prefix.file("userdef.reg"))
                  .rfind("WINE REGISTRY Version 2\n"
                         ";; All keys relative to REGISTRY\\\\User\\\\.Default\n",
                         0),
              0u);
}

} // namespace
} // namespace kestrel::wine
