#pragma once
// A throw-away Wine prefix for one test.
//
// Making a prefix with wineboot takes seconds and hundreds of megabytes, so the test run makes
// one base prefix (the ctest fixture "wine_base_prefix", see make-base-prefix.sh) and every test
// gets a cheap copy of it: its own copies of the three .reg files, dosdevices and the dot files,
// and drive_c as hard links. Folders are new, but the files in drive_c are shared with the base:
// never change a file that came from the base in place (replace it, or make your own files).

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::testing {

class TestPrefix {
public:
    // A fresh copy of the base prefix, or nothing when no base prefix can be had; then reason
    // says why. Whether that is a failure or a skip is for wineRequired() to decide.
    static std::optional<TestPrefix> make(std::string& reason);
    // The same from another complete base prefix (one holding the file ".kestrel-complete").
    static std::optional<TestPrefix> makeFrom(const std::string& base, std::string& reason);

    TestPrefix(TestPrefix&& other) noexcept;
    TestPrefix& operator=(TestPrefix&&) = delete;
    ~TestPrefix(); // stops a wineserver the test started and removes the folder

    const std::string& path() const { return path_; }
    std::string file(const std::string& relative) const { return path_ + "/" + relative; }

    struct Result {
        int exitCode = -1;
        std::string output;
    };
    // Runs "wine ARGS..." on this prefix (WINEDEBUG=-all) and waits for it.
    Result wine(const std::vector<std::string>& args) const;
    // Runs any host program with WINEPREFIX set to this prefix.
    Result run(const std::vector<std::string>& argv,
               const std::map<std::string, std::string>& environment = {}) const;
    // Stops this prefix's wineserver after it saved the registry, and waits for it.
    void stopWineServer() const;

private:
    explicit TestPrefix(std::string path) : path_(std::move(path)) {}
    std::string path_;
};

// True when tests that need Wine must fail rather than skip without it (CI is set).
bool wineRequired();

// The whole content of a file of the computer the tests run on; empty when it cannot be read.
std::string readHostFile(const std::string& path);

// The base prefix made for this test run (KESTREL_TEST_BASE_PREFIX), empty when not set.
std::string basePrefixPath();

} // namespace kestrel::testing

// For GoogleTest suites: a fresh prefix in a variable, or the test fails (CI) or skips.
#define KESTREL_TEST_PREFIX(var)                                                                   \
    std::string var##_reason;                                                                      \
    auto var##_made = ::kestrel::testing::TestPrefix::make(var##_reason);                          \
    if (!var##_made) {                                                                             \
        if (::kestrel::testing::wineRequired())                                                    \
            FAIL() << var##_reason;                                                                \
        else                                                                                       \
            GTEST_SKIP() << var##_reason;                                                          \
    }                                                                                              \
    ::kestrel::testing::TestPrefix& var = *var##_made
