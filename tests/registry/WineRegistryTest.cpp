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
using kestrel::testing::TestPrefix;
using namespace testkit;
using namespace kestrel::Reg;

// The section headers of a .reg file, without their times, in file order.
std::vector<std::string> headers(const std::string& text) {
    std::vector<std::string> out;
    for (const auto& line : lines(text))
        if (!line.empty() && line[0] == '[')
            out.push_back(line.substr(0, line.rfind(']') + 1));
    return out;
}

struct WineResult {
    int exitCode = -1;
    std::string output;
};
// "wine ARGS" on the prefix. Its output goes through a file: Wine's services, started by the
// call, may outlive it and would hold a pipe open.
WineResult wineOn(const TestPrefix& prefix, const std::vector<std::string>& args) {
    WineResult result;
    result.exitCode = runWine(prefix.path(), args, result.output);
    return result;
}

// "wine reg export" of a key, as UTF-8 text with LF line ends: the exact strings, where
// "wine reg query" prints '?' for every character outside ASCII.
std::string exportKey(const TestPrefix& prefix, const std::string& key) {
    const auto result = wineOn(prefix, {"reg", "export", key, "C:\\kestrel-export.reg", "/y"});
    if (result.exitCode != 0)
        return "export failed: " + result.output;
    const std::string bytes =
        kestrel::testing::readHostFile(prefix.file("drive_c/kestrel-export.reg"));
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    std::wstring wide;
    for (char16_t c : text)
        if (c != 0xFEFF && c != u'\r')
            wide.push_back(static_cast<wchar_t>(c));
    return codepage::toUtf8(wide);
}

// A registry on the prefix, made the current machine with the given code page.
class RegistryOn {
public:
    RegistryOn(const TestPrefix& prefix, unsigned codePage)
        : registry_(prefix.path(), codePage), machine_(registry_, codePage), current_(machine_) {}
    WineRegistry& registry() { return registry_; }

private:
    WineRegistry registry_;
    testing::RegistryMachine machine_;
    testing::CurrentMachine current_;
};

std::string rawValue(Registry& registry, RootKey root, const std::string& path,
                     const std::string& name, std::uint32_t* type = nullptr) {
    RegHandle key = 0;
    if (registry.openKey(root, path, KEY_READ, key) != ERROR_SUCCESS)
        return "(no key)";
    std::string buffer(4096, '\0');
    std::uint32_t size = 4096, valueType = 0;
    const long status = registry.queryValue(key, name, valueType,
                                            reinterpret_cast<std::uint8_t*>(buffer.data()), size);
    registry.closeKey(key);
    if (type)
        *type = valueType;
    return status == ERROR_SUCCESS ? buffer.substr(0, size) : "(no value)";
}

const std::wstring Cyrillic = L"C:\\dir \"q\" \u0416\u0443\u043a";
const std::string CyrillicUtf8 = "C:\\dir \"q\" \xD0\x96\xD1\x83\xD0\xBA";

TEST(WineRegistry, WineReadsWhatKestrelWrites) {
    KESTREL_TEST_PREFIX(prefix);
    {
        RegistryOn on(prefix, 1251);
        const std::wstring key = L"Software\\KestrelOracle";
        ASSERT_TRUE(SaveString(HKEY_CURRENT_USER, key, L"Text", Cyrillic));
        ASSERT_TRUE(SaveDWord(HKEY_CURRENT_USER, key, L"Dword", 257));
        ASSERT_TRUE(SaveBinary(HKEY_CURRENT_USER, key, L"Bin", std::wstring(L"\x01\0\0\0", 4)));
        ASSERT_TRUE(SaveString(HKEY_CURRENT_USER, key, L"Empty", L""));
        ASSERT_TRUE(SaveString(HKEY_CURRENT_USER, key, L"", L"default"));
        ASSERT_TRUE(SaveString(HKEY_CURRENT_USER, key + L"\\One\\Two\\Three\\Four", L"Deep", L"4"));
        ASSERT_TRUE(SaveDWord(HKEY_CURRENT_USER, key + L"\\MiXeD\\CaSe", L"MixedValue", 1));
        ASSERT_TRUE(SaveString(HKEY_CURRENT_USER, key + L"\\mixed\\CASE", L"mixedvalue", L"x"));
    }
    const auto query = wineOn(prefix, {"reg", "query", "HKCU\\Software\\KestrelOracle"});
    ASSERT_EQ(query.exitCode, 0) << query.output;
    for (const char* line :
         {"HKEY_CURRENT_USER\\Software\\KestrelOracle", "    (Default)    REG_SZ    default",
          "    Bin    REG_BINARY    01000000", "    Dword    REG_DWORD    0x101",
          "    Empty    REG_SZ    ", "    Text    REG_SZ    C:\\dir \"q\" ???",
          "HKEY_CURRENT_USER\\Software\\KestrelOracle\\MiXeD",
          "HKEY_CURRENT_USER\\Software\\KestrelOracle\\One"})
        EXPECT_TRUE(hasLine(query.output, line)) << line << "\n" << query.output;

    const std::string exported = exportKey(prefix, "HKCU\\Software\\KestrelOracle");
    EXPECT_TRUE(hasLine(exported, "\"Text\"=\"C:\\\\dir \\\"q\\\" \xD0\x96\xD1\x83\xD0\xBA\""))
        << exported;
    EXPECT_TRUE(hasLine(exported, "\"Empty\"=\"\"")) << exported;
    EXPECT_TRUE(hasLine(exported, "[HKEY_CURRENT_USER\\Software\\KestrelOracle\\MiXeD\\CaSe]"))
        << exported;
    // The value keeps the spelling it was first written with, as in Windows.
    EXPECT_TRUE(hasLine(exported, "\"MixedValue\"=\"x\"")) << exported;

    const auto deep =
        wineOn(prefix, {"reg", "query", "hkcu\\software\\kestreloracle\\ONE\\two\\Three\\four",
                        "/v", "deep"});
    // reg query prints the value's name as it was asked for.
    EXPECT_TRUE(hasLine(deep.output, "    deep    REG_SZ    4")) << deep.output;
}

TEST(WineRegistry, KestrelReadsWhatWineWrites) {
    KESTREL_TEST_PREFIX(prefix);
    const std::string key = "HKCU\\Software\\WineOracle";
    const std::vector<std::vector<std::string>> adds = {
        {key, "/v", "Text", "/d", CyrillicUtf8},
        {key, "/v", "Dword", "/t", "REG_DWORD", "/d", "257"},
        {key, "/v", "Bin", "/t", "REG_BINARY", "/d", "01000000"},
        {key, "/v", "Empty", "/d", ""},
        {key, "/ve", "/d", "default"},
        {key + "\\One\\Two\\Three\\Four", "/v", "Deep", "/d", "4"},
        {key + "\\MiXeD\\CaSe", "/v", "MixedValue", "/d", "m"},
    };
    for (auto args : adds) {
        args.insert(args.begin(), {"reg", "add"});
        args.push_back("/f");
        const auto result = wineOn(prefix, args);
        ASSERT_EQ(result.exitCode, 0) << result.output;
    }
    prefix.stopWineServer(); // it writes the files as it exits

    RegistryOn on(prefix, 1251);
    const std::wstring path = L"Software\\WineOracle";
    std::wstring text;
    EXPECT_TRUE(GetString(HKEY_CURRENT_USER, path, L"Text", text));
    EXPECT_EQ(text, Cyrillic);
    EXPECT_TRUE(GetString(HKEY_CURRENT_USER, path, L"Dword", text));
    EXPECT_EQ(text, L"1");
    EXPECT_EQ(rawValue(on.registry(), HKEY_CURRENT_USER, "Software\\WineOracle", "Dword"),
              std::string("\x01\x01\0\0", 4));
    EXPECT_TRUE(GetString(HKEY_CURRENT_USER, path, L"Bin", text));
    EXPECT_EQ(text, std::wstring(L"\x01\0\0", 3));
    EXPECT_TRUE(GetString(HKEY_CURRENT_USER, path, L"Empty", text));
    EXPECT_EQ(text, L"");
    std::uint32_t type = 0;
    EXPECT_EQ(rawValue(on.registry(), HKEY_CURRENT_USER, "Software\\WineOracle", "Empty", &type),
              std::string(1, '\0'));
    EXPECT_EQ(type, REG_SZ);
    EXPECT_TRUE(GetString(HKEY_CURRENT_USER, path, L"", text));
    EXPECT_EQ(text, L"default");
    EXPECT_TRUE(GetString(HKEY_CURRENT_USER, path + L"\\one\\two\\three\\four", L"DEEP", text));
    EXPECT_EQ(text, L"4");
    std::vector<std::wstring> names;
    EXPECT_TRUE(EnumKeys(names, HKEY_CURRENT_USER, path + L"\\mixed"));
    EXPECT_EQ(names, std::vector<std::wstring>{L"CaSe"});
    EXPECT_TRUE(EnumKeys(names, HKEY_CURRENT_USER, path));
    EXPECT_EQ(names, (std::vector<std::wstring>{L"MiXeD", L"One"}));

    // Under an English locale's code page the Cyrillic letters have no bytes: '?', as Windows.
    RegistryOn western(prefix, 1252);
    EXPECT_TRUE(GetString(HKEY_CURRENT_USER, path, L"Text", text));
    EXPECT_EQ(text, L"C:\\dir \"q\" ???");
}

TEST(WineRegistry, RootsLandInTheFilesWineKeepsThemIn) {
    KESTREL_TEST_PREFIX(prefix);
    const std::string userdefBefore = kestrel::testing::readHostFile(prefix.file("userdef.reg"));
    {
        RegistryOn on(prefix, 1252);
        ASSERT_TRUE(SaveString(HKEY_LOCAL_MACHINE, L"Software\\KestrelMachine", L"v", L"m"));
        ASSERT_TRUE(SaveString(HKEY_CURRENT_USER, L"Software\\KestrelUser", L"v", L"u"));
        ASSERT_TRUE(SaveString(HKEY_CLASSES_ROOT, L".kestreltest", L"", L"kestrelfile"));
        ASSERT_TRUE(
            SaveString(HKEY_USERS, L"S-1-5-21-0-0-0-1000\\Software\\KestrelSid", L"v", L"s"));
        EXPECT_EQ(kestrel::testing::readHostFile(prefix.file("userdef.reg")), userdefBefore);
        ASSERT_TRUE(SaveString(HKEY_USERS, L".DEFAULT\\Software\\KestrelDefault", L"v", L"d"));

        // HKCR is HKLM\Software\Classes, and the SID is the current user.
        std::wstring text;
        EXPECT_TRUE(GetString(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.KESTRELTEST", L"", text));
        EXPECT_EQ(text, L"kestrelfile");
        EXPECT_TRUE(GetString(HKEY_CURRENT_USER, L"Software\\KestrelSid", L"v", text));
        EXPECT_EQ(text, L"s");
        std::vector<std::wstring> users;
        EXPECT_TRUE(EnumKeys(users, HKEY_USERS, L""));
        EXPECT_EQ(users, (std::vector<std::wstring>{L".Default", L"S-1-5-21-0-0-0-1000"}));
        EXPECT_FALSE(SaveString(HKEY_USERS, L"S-1-5-21-9", L"v", L"x"));
    }
    // Wine finds each in the file it reads that root from.
    const std::pair<const char*, const char*> checks[] = {
        {"HKLM\\Software\\KestrelMachine", "    v    REG_SZ    m"},
        {"HKCR\\.kestreltest", "    (Default)    REG_SZ    kestrelfile"},
        {"HKU\\.DEFAULT\\Software\\KestrelDefault", "    v    REG_SZ    d"},
        {"HKCU\\Software\\KestrelSid", "    v    REG_SZ    s"}};
    for (const auto& [key, line] : checks) {
        const auto result = wineOn(prefix, {"reg", "query", key});
        EXPECT_TRUE(hasLine(result.output, line)) << key << "\n" << result.output;
    }
}

// The hives read ahead in the background are checked against their files like any earlier
// read: what another writer saved after the read ahead is what the next read sees.
TEST(WineRegistry, AHiveReadAheadIsNeverStale) {
    KESTREL_TEST_PREFIX(prefix);
    RegistryOn on(prefix, 1252);
    on.registry().preload();
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the read ahead is done
    {
        WineRegistry other(prefix.path(), 1252);
        RegHandle key = 0;
        ASSERT_EQ(other.createKey(HKEY_LOCAL_MACHINE, "Software\\Kestrel\\ReadAhead",
                                  KEY_ALL_ACCESS, key),
                  ERROR_SUCCESS);
        const std::string data("written after", sizeof "written after");
        ASSERT_EQ(other.setValue(key, "Value", REG_SZ,
                                 reinterpret_cast<const std::uint8_t*>(data.data()),
                                 std::uint32_t(data.size())),
                  ERROR_SUCCESS);
        other.closeKey(key);
    }
    std::wstring text;
    EXPECT_TRUE(GetString(HKEY_LOCAL_MACHINE, L"Software\\Kestrel\\ReadAhead", L"Value", text));
    EXPECT_EQ(text, L"written after");
}

TEST(WineRegistry, NewKeysStayWhereWinesNextSavePutsThem) {
    KESTREL_TEST_PREFIX(prefix);
    {
        RegistryOn on(prefix, 1252);
        for (const wchar_t* key :
             {L"Software\\_Kestrel", L"Software\\kestrel_b", L"Software\\Zz", L"AppEvents\\Kestrel",
              L"Control Panel\\Desktop\\Kestrel", L"Software\\Wine\\Kestrel\\A\\B"})
            ASSERT_TRUE(SaveDWord(HKEY_CURRENT_USER, key, L"v", 1));
        ASSERT_FALSE(DeleteValue(HKEY_CURRENT_USER, L"Software\\EmptyKestrel", L"v"));
    }
    const std::string ours = kestrel::testing::readHostFile(prefix.file("user.reg"));
    // Let Wine load the registry and write it back.
    ASSERT_EQ(wineOn(prefix, {"reg", "add", "HKCU\\Software\\WineWasHere", "/f"}).exitCode, 0);
    prefix.stopWineServer();
    const std::string wines = kestrel::testing::readHostFile(prefix.file("user.reg"));

    const auto a = headers(ours), b = headers(wines);
    std::vector<std::string> common, commonInWine;
    for (const auto& h : a)
        if (std::find(b.begin(), b.end(), h) != b.end())
            common.push_back(h);
    for (const auto& h : b)
        if (std::find(a.begin(), a.end(), h) != a.end())
            commonInWine.push_back(h);
    EXPECT_EQ(common, commonInWine);
    for (const char* key :
         {"[Software\\\\_Kestrel]", "[Software\\\\kestrel_b]", "[Software\\\\Zz]",
          "[Software\\\\EmptyKestrel]", "[AppEvents\\\\Kestrel]",
          "[Control Panel\\\\Desktop\\\\Kestrel]", "[Software\\\\Wine\\\\Kestrel\\\\A\\\\B]"})
        EXPECT_NE(std::find(common.begin(), common.end(), key), common.end()) << key;
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
    const std::string before = kestrel::testing::readHostFile(prefix.file("user.reg"));
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(prefix.path()))
        ++entries;
    RegistryOn on(prefix, 1252);
    {
        ReadOnlyFolder readOnly(prefix.path());
        if (!readOnly.effective())
            GTEST_SKIP() << "this file system lets the test write into a read-only folder";
        EXPECT_FALSE(SaveDWord(HKEY_CURRENT_USER, L"Software\\KestrelFail", L"v", 1));
        EXPECT_FALSE(on.registry().lastError().empty());
        EXPECT_NE(on.registry().lastError().find("user.reg"), std::string::npos);
        std::wstring text;
        EXPECT_FALSE(GetString(HKEY_CURRENT_USER, L"Software\\KestrelFail", L"v", text));
    }
    EXPECT_TRUE(kestrel::testing::readHostFile(prefix.file("user.reg")) == before);
    std::size_t after = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(prefix.path()))
        ++after;
    EXPECT_EQ(after, entries) << "a temporary file was left behind";
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
    struct stat info {};
    stat(prefix.file("user.reg").c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
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

    {
        RegistryOn on(prefix, 1251);
        ASSERT_TRUE(SaveString(HKEY_CURRENT_USER, L"Software\\KestrelLive", L"Text", Cyrillic))
            << on.registry().lastError();
        ASSERT_TRUE(SaveDWord(HKEY_CURRENT_USER, L"Software\\KestrelLive", L"Gone", 5));
        EXPECT_TRUE(DeleteValue(HKEY_CURRENT_USER, L"Software\\KestrelLive", L"Gone"));
        ASSERT_TRUE(SaveDWord(HKEY_CURRENT_USER, L"Software\\KestrelLive\\Gone\\Deeper", L"v", 1));
        EXPECT_EQ(on.registry().deleteKey(HKEY_CURRENT_USER, "Software\\KestrelLive\\Gone"),
                  ERROR_SUCCESS);
        ASSERT_TRUE(SaveBinary(HKEY_LOCAL_MACHINE, L"Software\\KestrelLive", L"Bin",
                               std::wstring(L"\x01\0\0\0", 4)));
        ASSERT_TRUE(SaveString(HKEY_CURRENT_USER, L"Software\\KestrelLive", L"Two\nLines\r", L"x"));
        // Kestrel shows what it wrote although the files do not have it yet.
        std::wstring text;
        EXPECT_TRUE(GetString(HKEY_CURRENT_USER, L"Software\\KestrelLive", L"Text", text));
        EXPECT_EQ(text, Cyrillic);
        EXPECT_FALSE(GetString(HKEY_CURRENT_USER, L"Software\\KestrelLive", L"Gone", text));
    }
    // Wine has it in the live registry.
    const auto live = wineOn(prefix, {"reg", "query", "HKLM\\Software\\KestrelLive", "/v", "Bin"});
    EXPECT_TRUE(hasLine(live.output, "    Bin    REG_BINARY    01000000")) << live.output;

    server.stop();
    EXPECT_FALSE(wineServerRunning(prefix.path()));
    RegistryOn after(prefix, 1251);
    std::wstring text;
    EXPECT_TRUE(GetString(HKEY_CURRENT_USER, L"Software\\KestrelLive", L"Two\nLines\r", text));
    EXPECT_EQ(text, L"x");
    EXPECT_TRUE(GetString(HKEY_CURRENT_USER, L"Software\\KestrelLive", L"Text", text));
    EXPECT_EQ(text, Cyrillic);
    EXPECT_FALSE(GetString(HKEY_CURRENT_USER, L"Software\\KestrelLive", L"Gone", text));
    std::vector<std::wstring> names;
    EXPECT_TRUE(EnumKeys(names, HKEY_CURRENT_USER, L"Software\\KestrelLive"));
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(GetString(HKEY_LOCAL_MACHINE, L"Software\\KestrelLive", L"Bin", text));
    EXPECT_EQ(text, std::wstring(L"\x01\0\0", 3));
}

TEST(WineRegistry, NamesWineWouldDropAreRefused) {
    KESTREL_TEST_PREFIX(prefix);
    const std::wstring key = L"Software\\KestrelLong\\" + std::wstring(255, L'k'),
                       value(16383, L'v');
    {
        RegistryOn on(prefix, 1252);
        EXPECT_FALSE(SaveString(HKEY_CURRENT_USER, key + L"k", L"v", L"x"));
        EXPECT_NE(on.registry().lastError().find("255"), std::string::npos);
        EXPECT_FALSE(SaveString(HKEY_CURRENT_USER, key, value + L"v", L"x"));
        EXPECT_NE(on.registry().lastError().find("16383"), std::string::npos);
        // The longest names Wine keeps go through.
        ASSERT_TRUE(SaveString(HKEY_CURRENT_USER, key, value, L"x"));
    }
    const std::string user = kestrel::testing::readHostFile(prefix.file("user.reg"));
    EXPECT_EQ(user.find(std::string(256, 'k')), std::string::npos);
    EXPECT_EQ(user.find(std::string(16384, 'v')), std::string::npos);
    // Wine loads the registry and writes it back: the value is still there.
    ASSERT_EQ(wineOn(prefix, {"reg", "add", "HKCU\\Software\\WineWasHere", "/f"}).exitCode, 0);
    prefix.stopWineServer();
    RegistryOn on(prefix, 1252);
    std::wstring text;
    EXPECT_TRUE(GetString(HKEY_CURRENT_USER, key, value, text));
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
    std::vector<pid_t> children;
    for (int w = 0; w < Writers; ++w) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            WineRegistry registry(prefix.path(), 1252);
            testing::RegistryMachine machine(registry, 1252);
            Machine::setCurrent(&machine);
            bool ok = true;
            for (int i = 0; i < Values; ++i) {
                const std::wstring name = std::to_wstring(w) + L"-" + std::to_wstring(i);
                ok &= SaveDWord(HKEY_CURRENT_USER, L"Software\\KestrelRace", name, i);
                ok &= SaveDWord(HKEY_CURRENT_USER,
                                L"Software\\KestrelRace\\Writer" + std::to_wstring(w), name, i);
            }
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
            const std::wstring name = std::to_wstring(w) + L"-" + std::to_wstring(i);
            std::wstring text;
            EXPECT_TRUE(GetString(HKEY_CURRENT_USER, L"Software\\KestrelRace", name, text)) << w;
            EXPECT_TRUE(GetString(HKEY_CURRENT_USER,
                                  L"Software\\KestrelRace\\Writer" + std::to_wstring(w), name,
                                  text));
        }
    const auto query = wineOn(prefix, {"reg", "query", "HKCU\\Software\\KestrelRace"});
    EXPECT_EQ(std::count(query.output.begin(), query.output.end(), '\n'),
              Writers * Values + 5) // blank, key, values, blank, two subkeys
        << query.output;
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
    {
        std::ofstream out(prefix.file("user.reg"), std::ios::binary | std::ios::trunc);
        out << broken;
    }
    WineRegistry registry(prefix.path(), 1252);
    EXPECT_NE(registry.createKey(HKEY_CURRENT_USER, "Software\\X", KEY_WRITE, key), ERROR_SUCCESS);
    EXPECT_NE(registry.lastError().find("WINE REGISTRY Version 2"), std::string::npos);
    EXPECT_EQ(kestrel::testing::readHostFile(prefix.file("user.reg")), broken);
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
    EXPECT_EQ(kestrel::testing::readHostFile(prefix.file("userdef.reg"))
                  .rfind("WINE REGISTRY Version 2\n"
                         ";; All keys relative to REGISTRY\\\\User\\\\.Default\n",
                         0),
              0u);
}

} // namespace
} // namespace kestrel::wine
