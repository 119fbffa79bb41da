// kestrel-reg answers as Wine's reg.exe does: the same commands on two copies of one prefix, one
// through kestrel-reg (no Wine running), one through "wine reg", give the same output and exit
// status, and leave registries that read the same.

#include "RegistryTestKit.h"
#include "platform/wine/WineServer.h"

#include <gtest/gtest.h>

namespace kestrel::wine {
namespace {

using kestrel::testing::readHostFile;
using kestrel::testing::TestPrefix;
using namespace testkit;

// Both tools read their command line as UTF-8.
const std::map<std::string, std::string> Utf8Locale{{"LC_ALL", "C.UTF-8"}};

// A tool's answer: its output and exit status.
using Answer = std::pair<std::string, int>;

Answer kestrelReg(const TestPrefix& prefix, const std::vector<std::string>& args) {
    std::vector<std::string> argv{KESTREL_REG, "--prefix", prefix.path()};
    argv.insert(argv.end(), args.begin(), args.end());
    // Make sure kestrel-reg does not find Wine's prefix some other way.
    auto environment = Utf8Locale;
    environment["WINEPREFIX"] = "/nonexistent";
    const auto result = runProcess(argv, environment);
    return {result.output, result.exitCode};
}

Answer wineReg(const TestPrefix& prefix, const std::vector<std::string>& args) {
    std::vector<std::string> all{"wine", "reg"};
    all.insert(all.end(), args.begin(), args.end());
    const auto result = prefix.run(all, Utf8Locale);
    return {result.output, result.exitCode};
}

// The commands, in two rounds: the registries' files are compared after each.
const std::vector<std::vector<std::string>> Adds = {
    {"add", "HKCU\\Software\\KRT", "/v", "Text", "/d", "C:\\dir \"q\"", "/f"},
    {"add", "HKCU\\Software\\KRT", "/v", "Dword", "/t", "REG_DWORD", "/d", "257", "/f"},
    {"add", "HKCU\\Software\\KRT", "/v", "Hex", "/t", "reg_dword", "/d", "0x10", "/F"},
    {"add", "HKCU\\Software\\KRT", "/v", "Bin", "/t", "REG_BINARY", "/d", "01000000", "/f"},
    {"add", "HKCU\\Software\\KRT", "/v", "Odd", "/t", "REG_BINARY", "/d", "abc", "/f"},
    {"add", "HKCU\\Software\\KRT", "/v", "Empty", "/d", "", "/f"},
    {"add", "HKCU\\Software\\KRT", "/ve", "/d", "default", "/f"},
    {"add", "HKCU\\Software\\KRT", "/v", "Exp", "/t", "REG_EXPAND_SZ", "/d", "%PATH%;x", "/f"},
    {"add", "HKCU\\Software\\KRT", "/v", "Multi", "/t", "REG_MULTI_SZ", "/d", "one\\0two", "/f"},
    {"add", "HKCU\\Software\\KRT", "/v", "Sep", "/t", "REG_MULTI_SZ", "/d", "a#b", "/s", "#", "/f"},
    {"add", "HKCU\\Software\\KRT\\One\\Two\\Three\\Four", "/v", "Deep", "/d", "4", "/f"},
    {"add", "HKCU\\Software\\KRT\\MiXeD\\CaSe", "/f"},
    // A value keeps the spelling it was first written with.
    {"add", "HKCU\\Software\\KRT\\MiXeD\\CaSe", "/v", "MixedValue", "/d", "m", "/f"},
    {"add", "HKCU\\Software\\KRT\\mixed\\case", "/v", "MIXEDVALUE", "/d", "x", "/f"},
    {"add", "HKCU\\Software\\KRT", "/v", "Q", "/t", "REG_QWORD", "/d", "0x123456789", "/f"},
    {"add", "HKCU\\Software\\KRT", "/v", "Q-1", "/t", "REG_QWORD", "/d", "-1", "/f"},
    {"add", "HKCU\\Software\\KRT", "/v", "QNone", "/t", "REG_QWORD", "/f"},
    {"add", "HKCU\\Software\\KRT", "/v", "Bad", "/t", "REG_QWORD", "/d", "0x", "/f"},
    {"add", "HKCU\\Software\\KRT", "/v", "Bad", "/t", "REG_DWORD", "/d", "abc", "/f"},
    {"add", "HKCU\\Software\\KRT", "/v", "Bad", "/t", "REG_DWORD", "/d", "-1", "/f"},
    {"add", "HKCU\\Software\\KRT", "/v", "Bad", "/t", "REG_FOO", "/d", "1", "/f"},
    {"add", "HKCU\\Software\\KRT", "/v", "Bad", "/t", "REG_BINARY", "/d", "xyz", "/f"},
    {"add", "HKCU\\Software\\KRT", "/v", "Bad", "/t", "REG_DWORD", "/f"},
    {"query", "HKCU\\Software\\KRT"},
    {"query", "hkcu\\software\\krt", "/v", "dword"},
    {"QUERY", "HKEY_CURRENT_USER\\Software\\KRT", "-ve"},
    {"query", "HKCU\\Software\\KRT\\mixed\\case"},
    {"query", "HKCU\\Software\\KRT\\mixed\\case", "/ve"},
    {"query", "HKCU\\Software\\KRT\\One"},
    {"query", "HKCU\\Software\\KRT\\One\\"},
    {"query", "HKCU\\Software\\KRT", "/v", "Missing"},
    {"query", "HKCU\\Software\\KRT\\One", "/ve"},
    {"query", "HKCU\\Software\\Missing"},
    {"query", "HKXX\\Software"},
    {"query", "HKCU\\Software\\KRT\\\\"},
    {"query"},
    {},
    {"frobnicate", "HKCU"},
    {"query", "HKCU\\Software\\KRT", "/v"},
    {"query", "HKCU\\Software\\KRT", "/v", "Text", "/ve"},
    {"query", "HKCU\\Software\\KRT", "/x"},
    // Text outside ASCII (reg query would print it as '?': the files are compared instead).
    {"add", "HKCU\\Software\\KRTU", "/v", "caf\xC3\xA9", "/d",
     "\xD0\x96\xD1\x83\xD0\xBA \xC3\xA9"
     "a",
     "/f"},
    {"add", "HKCU\\Software\\KRTU", "/v", "Long", "/t", "REG_BINARY", "/d", std::string(80, 'e'),
     "/f"},
    {"add", "HKCU\\Software\\KRTU\\[x]", "/v", "Two\nLines", "/d",
     "a\tb\x01"
     "7",
     "/f"},
    {"query", "HKCU\\Software\\KRTU", "/v", "Long"},
    {"query", "HKCU\\Software\\KRTU\\[x]"},
};
const std::vector<std::vector<std::string>> Changes = {
    {"delete", "HKCU\\Software\\KRT", "/v", "Text", "/f"},
    {"delete", "HKCU\\Software\\KRT", "/v", "Text", "/f"},
    {"delete", "HKCU\\Software\\KRT", "/ve", "/f"},
    {"delete", "HKCU\\Software\\KRT", "/ve", "/f"},
    {"delete", "HKCU\\Software\\KRT\\One", "/f"},
    {"delete", "HKCU\\Software\\Missing", "/f"},
    {"query", "HKCU\\Software\\KRT"},
    {"delete", "HKCU\\Software\\KRT", "/va", "/f"},
    // A key left without values and subkeys gets a section of its own.
    {"delete", "HKCU\\Software\\KRT\\MiXeD", "/f"},
    {"query", "HKCU\\Software\\KRT"},
    {"add", "HKLM\\Software\\KRT", "/v", "x", "/d", "y", "/f"},
    {"query", "HKEY_LOCAL_MACHINE\\Software\\KRT"},
    {"add", "HKCR\\.krt", "/ve", "/d", "krtfile", "/f"},
    {"query", "HKCR\\.krt"},
    {"query", "HKLM\\Software\\Classes\\.krt", "/ve"},
    {"add", "HKU\\.DEFAULT\\Software\\KRT", "/v", "d", "/t", "REG_DWORD", "/d", "1", "/f"},
    {"query", "HKU\\.DEFAULT\\Software\\KRT"},
    {"query", "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Update"},
    {"delete", "HKLM\\Software\\KRT", "/f"},
    {"query", "HKLM\\Software\\KRT"},
};

// The keys the commands touch, in the files Wine keeps them in.
const std::pair<const char*, const char*> Sections[] = {
    {"user.reg", "Software\\\\KRT"},    {"user.reg", "Software\\\\KRTU"},
    {"system.reg", "Software\\\\KRT"},  {"system.reg", "Software\\\\Classes\\\\.krt"},
    {"userdef.reg", "Software\\\\KRT"},
};

std::string show(const std::vector<std::string>& args) {
    std::string out = "reg";
    for (const auto& a : args)
        out += " [" + a + "]";
    return out;
}

TEST(KestrelReg, AnswersAsWineRegDoes) {
    KESTREL_TEST_PREFIX(ours);
    KESTREL_TEST_PREFIX(wines);
    // A warm server makes each "wine reg" quick; kestrel-reg works on the other copy's files.
    ASSERT_TRUE(
        startDetached({"wineserver", "-p"}, {{"WINEPREFIX", wines.path()}, {"WINEDEBUG", "-all"}}));
    ASSERT_TRUE(waitFor([&] { return wineServerRunning(wines.path()); }));
    for (const auto* script : {&Adds, &Changes}) {
        for (const auto& args : *script)
            EXPECT_EQ(kestrelReg(ours, args), wineReg(wines, args)) << show(args);
        // Wine writes its files as it exits; they hold what kestrel-reg wrote, line for line.
        wines.stopWineServer();
        for (const auto& [file, key] : Sections)
            EXPECT_EQ(sectionsBelow(readHostFile(ours.file(file)), key),
                      sectionsBelow(readHostFile(wines.file(file)), key))
                << file << ": " << key;
    }
}

TEST(KestrelReg, RefusesAPrefixArgumentThatIsNoPrefix) {
    KESTREL_TEST_PREFIX(prefix);
    const std::string folder = prefix.file("empty");
    std::filesystem::create_directories(folder);
    const std::string userReg = kestrel::testing::readHostFile(prefix.file("user.reg"));
    const std::vector<std::string> add = {"add", "HKCU\\Software\\KRBad", "/v", "v", "/d", "1",
                                          "/f"};
    // The words before and after the command.
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> arguments = {
        {{"--prefix", folder}, {}},
        {{"--prefix", ""}, {}},
        {{"--prefix="}, {}},
        {{}, {"--prefix"}}};
    for (const auto& [before, after] : arguments) {
        std::vector<std::string> argv{KESTREL_REG};
        argv.insert(argv.end(), before.begin(), before.end());
        argv.insert(argv.end(), add.begin(), add.end());
        argv.insert(argv.end(), after.begin(), after.end());
        // WINEPREFIX names the default prefix, which none of these may touch.
        const auto result = runProcess(argv, {{"WINEPREFIX", prefix.path()}});
        EXPECT_EQ(result.exitCode, 1) << show(argv);
        EXPECT_NE(result.output.find("kestrel-reg: "), std::string::npos) << result.output;
    }
    EXPECT_FALSE(std::filesystem::exists(folder + "/system.reg"));
    EXPECT_EQ(kestrel::testing::readHostFile(prefix.file("user.reg")), userReg);

    // WINEPREFIX is the prefix when --prefix is not given.
    const auto result =
        runProcess({KESTREL_REG, "query", "HKCU\\Software\\Wine"}, {{"WINEPREFIX", prefix.path()}});
    EXPECT_EQ(result.exitCode, 0) << result.output;
}

TEST(KestrelReg, WhileWineRunsWineAnswers) {
    KESTREL_TEST_PREFIX(prefix);
    ServerElsewhere server{prefix};
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(waitFor([&] { return wineServerRunning(prefix.path()); }));
    const auto added =
        kestrelReg(prefix, {"add", "HKCU\\Software\\KRLive", "/v", "v", "/d", "1", "/f"});
    EXPECT_EQ(added.second, 0) << added.first;
    // The files do not have it yet, the live registry does.
    const Answer query = kestrelReg(prefix, {"query", "HKCU\\Software\\KRLive", "/v", "v"});
    EXPECT_EQ(query,
              Answer("\r\nHKEY_CURRENT_USER\\Software\\KRLive\r\n    v    REG_SZ    1\r\n\r\n", 0));
    server.stop();
    ASSERT_TRUE(waitFor([&] { return !wineServerRunning(prefix.path()); }));
    EXPECT_EQ(kestrelReg(prefix, {"query", "HKCU\\Software\\KRLive", "/v", "v"}), query);
}

} // namespace
} // namespace kestrel::wine
