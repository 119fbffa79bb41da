#pragma once
// A machine for window tests that need only its facts (family, names, uptime, display mode) and
// a record of the commands started, the current machine while it lives. Its registry is that of
// a prefix folder that does not exist: nothing to read, and writes fail; it has no files.

#include "platform/wine/WineRegistry.h"
#include "tests/support/RegistryMachine.h"

#include <string>
#include <utility>
#include <vector>

namespace kestrel::testing {

class FakeMachine : public RegistryMachine {
public:
    FakeMachine() : RegistryMachine(emptyRegistry(), 1252) { Machine::setCurrent(this); }
    ~FakeMachine() override { Machine::setCurrent(nullptr); }
    std::uint32_t platform = VER_PLATFORM_WIN32_NT;
    std::string computer = "TESTBOX";
    std::string user = "tester";
    std::uint32_t ticks = 0;
    DisplayMode display{1280, 1024, 24};
    std::vector<std::pair<std::string, int>> commands; // every winExec call

    std::string description() const override { return "test machine"; }
    bool winExec(const std::string& commandLine, int showCommand) override {
        commands.emplace_back(commandLine, showCommand);
        return true;
    }
    std::uint32_t platformId() override { return platform; }
    std::string computerName() override { return computer; }
    std::string userName() override { return user; }
    std::uint32_t tickCount() override { return ticks; }
    DisplayMode displayMode() override { return display; }

private:
    static Registry& emptyRegistry() {
        static wine::WineRegistry registry("/nonexistent/kestrel-test-prefix", 1252);
        return registry;
    }
};

} // namespace kestrel::testing
