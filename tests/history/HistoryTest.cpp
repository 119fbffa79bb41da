// The history, judged by bytes on disk and by Wine itself: a save and its undo leave the hives
// and files as they were, undo works through a running wineserver, an export is imported by
// Wine's regedit, a crash between record and change leaves a history undo handles, the cap, and
// kestrel-reg's history commands.

#include "platform/Reg.h"
#include "platform/history/Places.h"
#include "platform/history/RecordingMachine.h"
#include "platform/wine/Process.h"
#include "platform/wine/WineMachine.h"
#include "platform/wine/WineServer.h"
#include "tests/support/RegistryMachine.h"
#include "tests/support/TestPrefix.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

// A recording machine on a prefix, made the current machine while it lives.
struct Recorded {
    explicit Recorded(const std::string& prefix, history::Cap cap = {})
        : machine(std::make_unique<wine::WineMachine>(prefix),
                  std::make_unique<history::Store>(history::prefixHistoryFile(prefix), cap)) {
        Machine::setCurrent(&machine);
    }
    ~Recorded() { Machine::setCurrent(nullptr); }
    history::RecordingMachine machine;
};

// A hive's text with the key time stamps taken out: a key a save touched gets a new time on
// undo, as on Windows; everything else must be the same bytes.
std::string withoutTimes(const std::string& hive) {
    std::istringstream in(hive);
    std::string out;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("#time=", 0) == 0)
            continue;
        if (!line.empty() && line[0] == '[')
            line = line.substr(0, line.rfind(']') + 1);
        out += line + "\n";
    }
    return out;
}

const char* const Hives[] = {"system.reg", "user.reg", "userdef.reg"};
const char* const Files[] = {"drive_c/windows/win.ini", "drive_c/windows/system.ini",
                             "drive_c/Kestrel/desktop.ini", "drive_c/new.txt"};

// The hives in the order of Hives, the files in the order of Files, and C:\Kestrel's attributes.
std::vector<std::string> snapshot(const TestPrefix& prefix, Machine& machine) {
    std::vector<std::string> s;
    for (const char* hive : Hives)
        s.push_back(withoutTimes(readHostFile(prefix.file(hive))));
    for (const char* file : Files)
        s.push_back(std::ifstream(prefix.file(file)) ? readHostFile(prefix.file(file)) : "<none>");
    s.push_back(std::to_string(machine.getFileAttributes("C:\\Kestrel")));
    return s;
}

const std::wstring Export = L"Software\\Kestrel\\Export";

// One save of every kind of write pages make, by the page "frmFirst": registry values new (the
// default one too), changed and deleted, a tree deleted, binary values (in the default-user hive
// too), a file replaced and a new one, profile lines in an existing and a new file (in the
// folder C:\Kestrel, made first), and attributes.
void writeAll(Recorded& on) {
    history::RecordingMachine& m = on.machine;
    m.setPage("frmFirst");
    ASSERT_TRUE(Reg::SaveDWord(HKEY_CURRENT_USER, Export, L"N", 258));
    ASSERT_TRUE(Reg::SaveString(HKEY_CURRENT_USER, Export, L"", L"say \"C:\\x\""));
    ASSERT_TRUE(
        Reg::SaveString(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"Wallpaper", L"C:\\x.bmp"));
    ASSERT_TRUE(Reg::DeleteValue(HKEY_LOCAL_MACHINE,
                                 L"Software\\Microsoft\\Windows NT\\CurrentVersion",
                                 L"RegisteredOwner"));
    ASSERT_EQ(m.registry().deleteKey(HKEY_CURRENT_USER, "Control Panel\\Mouse"), ERROR_SUCCESS);
    ASSERT_TRUE(Reg::SaveBinary(HKEY_USERS, L".Default\\Software\\K", L"B", L"\x01\x02"));
    ASSERT_TRUE(Reg::SaveBinary(HKEY_LOCAL_MACHINE, L"Software\\Kestrel", L"B",
                                std::wstring(L"\x01\0\xff", 3)));
    ASSERT_TRUE(m.writeFile("C:\\windows\\win.ini", "[x]\r\n"));
    ASSERT_TRUE(m.writeFile("C:\\new.txt", "new"));
    ASSERT_TRUE(m.writePrivateProfileString("boot", "shell", "k.exe", "C:\\windows\\system.ini"));
    ASSERT_TRUE(m.writePrivateProfileString(".ShellClassInfo", "IconIndex", "3",
                                            "C:\\Kestrel\\desktop.ini"));
    ASSERT_TRUE(m.setFileAttributes("C:\\Kestrel", 0x4 | 0x1));
}

// Whether "wine reg query KEY /v NAME" shows the data.
bool wineShows(const TestPrefix& prefix, const std::string& key, const std::string& name,
               const std::string& data) {
    return prefix.wine({"reg", "query", key, "/v", name}).output.find(data) != std::string::npos;
}

// A value's text as Kestrel reads it on the current machine; nothing when it is missing.
std::optional<std::wstring> text(RootKey root, const std::wstring& key, const std::wstring& name) {
    std::wstring text;
    return Reg::GetString(root, key, name, text) ? std::optional(text) : std::nullopt;
}

} // namespace

TEST(History, SaveThenUndoLeavesHivesAndFilesAsTheyWere) {
    KESTREL_TEST_PREFIX(prefix);
    std::filesystem::create_directories(prefix.file("drive_c/Kestrel"));
    Recorded on(prefix.path());
    const auto before = snapshot(prefix, on.machine);
    ASSERT_NO_FATAL_FAILURE(writeAll(on));
    ASSERT_NE(snapshot(prefix, on.machine), before);

    // One save, however many writes it had.
    const auto saves = on.machine.store().saves();
    ASSERT_EQ(saves.size(), 1u);
    std::string error;
    ASSERT_TRUE(on.machine.undo(saves[0].id, error)) << error;
    EXPECT_EQ(snapshot(prefix, on.machine), before);

    // The undo is a save of its own. Undone while Wine runs, it makes the changes again through
    // Wine, which sees them at once.
    const auto newest = on.machine.store().newestSave();
    ASSERT_TRUE(wine::startDetached({"wineserver", "-p"},
                                    {{"WINEPREFIX", prefix.path()}, {"WINEDEBUG", "-all"}}));
    for (int i = 0; i < 200 && !wine::wineServerRunning(prefix.path()); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(wine::wineServerRunning(prefix.path()));
    ASSERT_TRUE(on.machine.undo(newest, error)) << error;
    EXPECT_TRUE(wineShows(prefix, "HKCU\\Control Panel\\Desktop", "Wallpaper", "C:\\x.bmp"));
    EXPECT_TRUE(wineShows(prefix, "HKCU\\Software\\Kestrel\\Export", "N", "0x102"));
    EXPECT_NE(prefix.wine({"reg", "query", "HKCU\\Control Panel\\Mouse"}).exitCode, 0);
    EXPECT_EQ(readHostFile(prefix.file("drive_c/new.txt")), "new");
}

// The process dies after the record and before the change of a value in an existing key or in a
// new one: undo finds nothing to put back and leaves the hives as they are.
TEST(History, CrashBetweenRecordAndChangeLeavesAHistoryUndoHandles) {
    for (const wchar_t* key : {L"Control Panel\\Desktop", L"Software\\Kestrel\\Crash"}) {
        SCOPED_TRACE(key);
        KESTREL_TEST_PREFIX(prefix);
        const std::string before = readHostFile(prefix.file("user.reg"));
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            Recorded on(prefix.path());
            on.machine.setAfterRecord([] { kill(getpid(), SIGKILL); });
            Reg::SaveString(HKEY_CURRENT_USER, key, L"Wallpaper", L"C:\\crash.bmp");
            _exit(0); // not reached: the record is made first
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(readHostFile(prefix.file("user.reg")), before);

        Recorded on(prefix.path());
        const auto saves = on.machine.store().saves();
        ASSERT_EQ(saves.size(), 1u);
        ASSERT_EQ(saves[0].changes.size(), 1u);
        std::string error;
        EXPECT_TRUE(on.machine.undo(saves[0].id, error)) << error;
        EXPECT_EQ(withoutTimes(readHostFile(prefix.file("user.reg"))), withoutTimes(before));
    }
}

TEST(History, KeepsToItsCap) {
    // The cap (saves, bytes) and the saves kept.
    const std::pair<history::Cap, std::size_t> Rows[] = {{{3, 1ll << 30}, 3}, {{1000, 25000}, 2}};
    for (const auto& [cap, kept] : Rows) {
        KESTREL_TEST_PREFIX(prefix);
        Recorded on(prefix.path(), cap);
        for (int i = 1; i <= 5; ++i) {
            on.machine.setPage("page" + std::to_string(i));
            ASSERT_TRUE(on.machine.writeFile("C:\\big.bin", std::string(10000, char('0' + i))));
        }
        const auto saves = on.machine.store().saves();
        ASSERT_EQ(saves.size(), kept);
        EXPECT_EQ(saves.front().page, "page5");
        EXPECT_EQ(saves.back().page, "page" + std::to_string(6 - kept));
    }
}

#ifdef KESTREL_REG
// kestrel-reg lists the saves newest first with their changes, exports one as a file Wine's
// regedit imports to the same answers, and undoes the newest or a given save; a bad number
// changes nothing.
TEST(History, CommandLineListsExportsAndUndoes) {
    KESTREL_TEST_PREFIX(source);
    KESTREL_TEST_PREFIX(target);
    const std::wstring cli = L"Software\\Kestrel\\Cli";
    {
        std::filesystem::create_directories(source.file("drive_c/Kestrel"));
        Recorded on(source.path());
        ASSERT_NO_FATAL_FAILURE(writeAll(on));
        on.machine.setPage("frmSecond");
        ASSERT_TRUE(Reg::SaveDWord(HKEY_CURRENT_USER, cli, L"B", 2));
    }
    const auto tool = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {KESTREL_REG, "--prefix", source.path()});
        return source.run(args);
    };
    const auto listed = tool({"history"});
    SCOPED_TRACE(listed.output);
    ASSERT_EQ(listed.exitCode, 0);
    ASSERT_NE(listed.output.find("frmFirst"), std::string::npos);
    EXPECT_LT(listed.output.find("frmSecond"), listed.output.find("frmFirst"));
    EXPECT_NE(listed.output.find("value created  HKEY_CURRENT_USER\\Software\\Kestrel\\Cli  B"),
              std::string::npos);

    ASSERT_EQ(tool({"export", "1", target.file("drive_c/k.reg")}).exitCode, 0);
    ASSERT_EQ(target.wine({"regedit", "/s", "C:\\k.reg"}).exitCode, 0)
        << readHostFile(target.file("drive_c/k.reg"));
    target.stopWineServer();
    // The target now answers as the source does.
    for (const TestPrefix* prefix : {&source, &target}) {
        SCOPED_TRACE(prefix->path());
        wine::WineMachine machine(prefix->path());
        CurrentMachine current(machine);
        EXPECT_EQ(text(HKEY_CURRENT_USER, Export, L""), L"say \"C:\\x\"");
        EXPECT_EQ(text(HKEY_CURRENT_USER, Export, L"N"), L"2"); // the lowest byte of 258
        EXPECT_EQ(text(HKEY_LOCAL_MACHINE, L"Software\\Kestrel", L"B"),
                  std::wstring(L"\x01\0\xff", 3));
        EXPECT_FALSE(text(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion",
                          L"RegisteredOwner"));
        std::vector<std::wstring> names;
        EXPECT_FALSE(Reg::EnumKeys(names, HKEY_CURRENT_USER, L"Control Panel\\Mouse"));
    }

    // The arguments, the exit code, and whether each save's values are there afterwards.
    const std::tuple<std::vector<std::string>, int, bool, bool> Rows[] = {
        {{"undo", "x"}, 1, true, true},
        {{"undo", "99"}, 1, true, true},
        {{"undo"}, 0, true, false}, // the newest save
        {{"undo", "1"}, 0, false, false},
    };
    for (const auto& [args, exitCode, first, second] : Rows) {
        SCOPED_TRACE(args.back());
        EXPECT_EQ(tool(args).exitCode, exitCode);
        wine::WineMachine machine(source.path());
        CurrentMachine current(machine);
        EXPECT_EQ(text(HKEY_CURRENT_USER, Export, L"N").has_value(), first);
        EXPECT_EQ(text(HKEY_CURRENT_USER, cli, L"B").has_value(), second);
    }
}
#endif
