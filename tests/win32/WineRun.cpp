// Runs a Windows test program under Wine in a throw-away prefix and passes on its output and
// exit code: kestrel_wine_run PROGRAM.exe [ARGUMENTS...]
// Without Wine it exits with 77 (ctest's skip), or fails when the environment says CI.

#include "tests/support/TestPrefix.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: kestrel_wine_run PROGRAM.exe [ARGUMENTS...]\n");
        return 2;
    }
    std::string reason;
    auto prefix = kestrel::testing::TestPrefix::make(reason);
    if (!prefix) {
        std::fprintf(stderr, "%s\n", reason.c_str());
        return kestrel::testing::wineRequired() ? 1 : 77;
    }
    const auto result = prefix->wine(std::vector<std::string>(argv + 1, argv + argc));
    std::fwrite(result.output.data(), 1, result.output.size(), stdout);
    return result.exitCode;
}
