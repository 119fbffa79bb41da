#include "TestPrefix.h"

#include "../../platform/wine/Process.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace fs = std::filesystem;

namespace kestrel::testing {

bool wineRequired() {
    const char* ci = std::getenv("CI");
    return ci && *ci && std::string(ci) != "false" && std::string(ci) != "0";
}

std::string readHostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string basePrefixPath() {
    const char* base = std::getenv("KESTREL_TEST_BASE_PREFIX");
    return base ? base : "";
}

std::optional<TestPrefix> TestPrefix::make(std::string& reason) {
    const std::string base = basePrefixPath();
    if (base.empty()) {
        reason = "KESTREL_TEST_BASE_PREFIX is not set: run the tests through ctest";
        return std::nullopt;
    }
    return makeFrom(base, reason);
}

std::optional<TestPrefix> TestPrefix::makeFrom(const std::string& base, std::string& reason) {
    std::error_code ec;
    if (!fs::exists(fs::path(base) / ".kestrel-complete", ec)) {
        reason = "no base Wine prefix at " + base + " (is Wine installed? see make-base-prefix.sh)";
        return std::nullopt;
    }
    static std::atomic<int> counter{0};
    const fs::path root = fs::path(base).parent_path() / "copies";
    fs::create_directories(root, ec);
    const fs::path dir = root / ("p" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    fs::remove_all(dir, ec);
    fs::create_directories(dir, ec);
    if (ec) {
        reason = "cannot create " + dir.string() + ": " + ec.message();
        return std::nullopt;
    }
    // drive_c as hard links, everything else as copies.
    for (const auto& entry : fs::directory_iterator(base)) {
        const bool driveC = entry.path().filename() == "drive_c";
        fs::copy(entry.path(), dir / entry.path().filename(),
                 fs::copy_options::recursive | fs::copy_options::copy_symlinks |
                     (driveC ? fs::copy_options::create_hard_links : fs::copy_options::none),
                 ec);
        if (ec) {
            reason = "cannot copy " + entry.path().string() + ": " + ec.message();
            return std::nullopt;
        }
    }
    return TestPrefix(dir.string());
}

TestPrefix::TestPrefix(TestPrefix&& other) noexcept : path_(std::move(other.path_)) {
    other.path_.clear();
}

TestPrefix::~TestPrefix() {
    if (path_.empty())
        return;
    stopWineServer();
    std::error_code ec;
    fs::remove_all(path_, ec);
}

TestPrefix::Result TestPrefix::run(const std::vector<std::string>& argv,
                                   const std::map<std::string, std::string>& environment) const {
    auto env = environment;
    env["WINEPREFIX"] = path_;
    env.emplace("WINEDEBUG", "-all");
    const auto r = wine::runProcess(argv, env);
    return {r.exitCode, r.output};
}

TestPrefix::Result TestPrefix::wine(const std::vector<std::string>& args) const {
    std::vector<std::string> argv{"wine"};
    argv.insert(argv.end(), args.begin(), args.end());
    return run(argv);
}

void TestPrefix::stopWineServer() const {
    if (!wine::programOnPath("wineserver"))
        return;
    // -k asks a running server to save and exit; -w waits until it is gone. Without a running
    // server both return at once.
    run({"wineserver", "-k"});
    run({"wineserver", "-w"});
}

} // namespace kestrel::testing
