#pragma once
// A machine for window tests that need only its facts (family, names, uptime, display mode) and
// a record of the commands started. Its registry and files are empty and refuse writes.

#include "tests/support/RegistryMachine.h"

#include <string>
#include <utility>
#include <vector>

namespace kestrel::testing {

class EmptyRegistry : public Registry {
public:
    long openKey(RegHandle, const std::string&, std::uint32_t, RegHandle& r) override {
        r = 0;
        return ERROR_FILE_NOT_FOUND;
    }
    long createKey(RegHandle, const std::string&, std::uint32_t, RegHandle& r) override {
        r = 0;
        return ERROR_ACCESS_DENIED;
    }
    long queryValue(RegHandle, const std::string&, std::uint32_t&, std::uint8_t*,
                    std::uint32_t&) override {
        return ERROR_FILE_NOT_FOUND;
    }
    long setValue(RegHandle, const std::string&, std::uint32_t, const std::uint8_t*,
                  std::uint32_t) override {
        return ERROR_ACCESS_DENIED;
    }
    long deleteValue(RegHandle, const std::string&) override { return ERROR_FILE_NOT_FOUND; }
    long deleteKey(RegHandle, const std::string&) override { return ERROR_FILE_NOT_FOUND; }
    long enumKey(RegHandle, std::uint32_t, std::string&) override { return ERROR_NO_MORE_ITEMS; }
    long closeKey(RegHandle) override { return ERROR_INVALID_HANDLE; }
};

class FakeMachine : public RegistryMachine {
public:
    FakeMachine() : RegistryMachine(emptyRegistry(), 1252) {}
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
        static EmptyRegistry registry;
        return registry;
    }
};

// Makes a fake machine current for a scope.
class CurrentFake {
public:
    CurrentFake() { Machine::setCurrent(&machine); }
    ~CurrentFake() { Machine::setCurrent(nullptr); }
    CurrentFake(const CurrentFake&) = delete;
    CurrentFake& operator=(const CurrentFake&) = delete;
    FakeMachine machine;
};

} // namespace kestrel::testing
