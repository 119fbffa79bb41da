#include "MachineTestSupport.h"

#include "MachineFilesSuite.h"
#include "platform/Reg.h"
#include "platform/Win32Types.h"
#include "platform/wine/Process.h"
#include "platform/wine/WineMachine.h"
#include "platform/wine/WinePrefix.h"
#include "tests/support/RegistryMachine.h"

#include <algorithm>
#include <atomic>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace kestrel::testing {

namespace {

fs::path testArea() {
    const std::string base = basePrefixPath();
    if (!base.empty())
        return fs::path(base).parent_path();
    return fs::temp_directory_path() / "kestrel-machine-tests";
}

} // namespace

ScratchPrefix::ScratchPrefix() {
    static std::atomic<int> counter{0};
    const fs::path dir =
        testArea() / "scratch" / ("s" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::create_directories(dir.parent_path(), ec);
    std::string error;
    if (!wine::createPrefix(dir.string(), error))
        throw std::runtime_error(error);
    path_ = dir.string();
}

ScratchPrefix::~ScratchPrefix() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void spit(const std::string& hostPath, const std::string& bytes) {
    std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string kestrelMadeBase(std::string& reason) {
    if (!wine::programOnPath("wineboot")) {
        reason = "Wine is not installed (no wineboot on PATH)";
        return {};
    }
    const fs::path dir = testArea() / "test-prefix-kestrel";
    std::error_code ec;
    fs::create_directories(testArea(), ec);
    // One test process makes it; the others wait here for it.
    const std::string lockPath = (testArea() / "test-prefix-kestrel.lock").string();
    const int lock = open(lockPath.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
    if (lock < 0 || flock(lock, LOCK_EX) != 0) {
        reason = "cannot lock " + lockPath;
        return {};
    }
    struct Unlock {
        int fd;
        ~Unlock() {
            flock(fd, LOCK_UN);
            close(fd);
        }
    } unlock{lock};
    if (fs::exists(dir / ".kestrel-complete", ec))
        return dir.string();

    fs::remove_all(dir, ec);
    std::string error;
    if (!wine::createPrefix(dir.string(), error)) {
        reason = error;
        return {};
    }
    {
        wine::WineMachine machine(dir.string());
        CurrentMachine current(machine);
        fs::create_directories(dir / "drive_c" / "kestrel", ec);
        if (!Reg::SaveString(HKEY_CURRENT_USER, L"Software\\Kestrel\\PrefixTest", L"Marker",
                             L"made by Kestrel") ||
            !machine.writeFile("C:\\kestrel\\marker.txt", "marker") ||
            !machine.setFileAttributes("C:\\kestrel\\marker.txt", FILE_ATTRIBUTE_HIDDEN)) {
            reason = "cannot write the marker value and file into the new prefix";
            return {};
        }
    }
    const std::map<std::string, std::string> env{{"WINEPREFIX", dir.string()},
                                                 {"WINEDEBUG", "-all"},
                                                 {"WINEDLLOVERRIDES", "mscoree,mshtml="}};
    const auto boot = wine::runProcess({"wineboot"}, env);
    wine::runProcess({"wineserver", "-w"}, env);
    if (boot.exitCode != 0 || !fs::exists(dir / "drive_c/windows/system32/kernel32.dll", ec)) {
        reason = "wineboot did not complete the prefix Kestrel made (exit " +
                 std::to_string(boot.exitCode) + "): " + boot.output;
        return {};
    }
    spit((dir / ".kestrel-complete").string(), "");
    return dir.string();
}

std::optional<TestPrefix> makePrefix(PrefixKind kind, std::string& reason) {
    if (kind == PrefixKind::Wineboot)
        return TestPrefix::make(reason);
    const std::string base = kestrelMadeBase(reason);
    if (base.empty())
        return std::nullopt;
    return TestPrefix::makeFrom(base, reason);
}

std::vector<std::string> wineLines(const TestPrefix& prefix, const std::vector<std::string>& args) {
    // A persistent server keeps every call after the first one quick; the prefix stops it when
    // the test ends (TestPrefix's destructor), and stopWineServer() stops it between steps.
    prefix.run({"wineserver", "-p"});
    auto result = prefix.wine(args);
    // Under load a Wine started just as the last server was leaving sometimes fails to start at
    // all (no output, an error code); one more try after the server is surely gone.
    if (result.exitCode != 0 && result.output.empty()) {
        prefix.stopWineServer();
        prefix.run({"wineserver", "-p"});
        result = prefix.wine(args);
    }
    std::vector<std::string> lines;
    std::istringstream in(result.output);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> probe(const TestPrefix& prefix, const std::vector<std::string>& args) {
    std::vector<std::string> argv{KESTREL_WIN32PROBE};
    argv.insert(argv.end(), args.begin(), args.end());
    return wineLines(prefix, argv);
}

namespace {

// The files suite on a prefix Kestrel made (no Wine needed), in its folder C:\t.
class WineFilesSetup : public FilesSuiteSetup {
public:
    Machine& machine() override { return machine_; }
    std::string folder() const override { return "C:\\t"; }
    fs::path host() const override { return root_; }

private:
    ScratchPrefix prefix_;
    std::string root_ = prefix_.makeFolder("drive_c/t");
    wine::WineMachine machine_{prefix_.path()};
};

} // namespace

std::unique_ptr<FilesSuiteSetup> makeFilesSuiteSetup() {
    return std::make_unique<WineFilesSetup>();
}

} // namespace kestrel::testing
