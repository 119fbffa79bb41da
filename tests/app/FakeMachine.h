#pragma once
// A machine for window tests that need only its facts (family, names, uptime, display mode) and
// a record of the commands started. Its registry and files are empty and refuse writes.

#include "platform/Machine.h"

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

class FakeMachine : public Machine {
public:
    std::uint32_t platform = VER_PLATFORM_WIN32_NT;
    std::string computer = "TESTBOX";
    std::string user = "tester";
    std::uint32_t ticks = 0;
    DisplayMode display{1280, 1024, 24};
    std::vector<std::pair<std::string, int>> commands; // every winExec call

    std::string description() const override { return "test machine"; }
    unsigned ansiCodePage() const override { return 1252; }
    Registry& registry() override { return registry_; }

    std::uint32_t getFileAttributes(const std::string&) override { return INVALID_FILE_ATTRIBUTES; }
    bool setFileAttributes(const std::string&, std::uint32_t) override { return false; }
    bool fileExists(const std::string&) override { return false; }
    bool copyFile(const std::string&, const std::string&, bool) override { return false; }
    bool readFile(const std::string&, std::string&) override { return false; }
    bool writeFile(const std::string&, const std::string&) override { return false; }
    bool listFolders(const std::string&, std::vector<std::string>&) override { return false; }
    std::string dosPathFromHost(const std::string& host) override { return "Z:" + host; }
    std::string hostPathFromDos(const std::string&) override { return "/"; }
    std::uint32_t getPrivateProfileString(const std::string&, const std::string&,
                                          const std::string&, std::string& result, std::uint32_t,
                                          const std::string&) override {
        result.clear();
        return 0;
    }
    bool writePrivateProfileString(const std::string&, const std::string&, const std::string&,
                                   const std::string&) override {
        return false;
    }
    std::uint32_t getDriveType(const std::string&) override { return DRIVE_NO_ROOT_DIR; }
    std::string logicalDrives() override { return "CZ"; }
    std::string windowsDirectory() override { return "C:\\windows"; }
    std::string systemDirectory() override { return "C:\\windows\\system32"; }
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
    EmptyRegistry registry_;
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
