#pragma once
// A Machine that has nothing but a registry, for tests of code that only reads and writes the
// registry (the Reg procedures, pages' registry logic). Every other call fails or returns
// nothing. Plain C++ over platform/ headers, so it also builds for Windows.

#include "platform/Machine.h"

#include <string>
#include <vector>

namespace kestrel::testing {

class RegistryMachine : public Machine {
public:
    RegistryMachine(Registry& registry, unsigned codePage)
        : registry_(registry), codePage_(codePage) {}

    std::string description() const override { return "registry only"; }
    unsigned ansiCodePage() const override { return codePage_; }
    Registry& registry() override { return registry_; }

    std::uint32_t getFileAttributes(const std::string&) override { return INVALID_FILE_ATTRIBUTES; }
    bool setFileAttributes(const std::string&, std::uint32_t) override { return false; }
    bool fileExists(const std::string&) override { return false; }
    bool copyFile(const std::string&, const std::string&, bool) override { return false; }
    bool readFile(const std::string&, std::string& bytes) override {
        bytes.clear();
        return false;
    }
    bool writeFile(const std::string&, const std::string&) override { return false; }
    bool listFolders(const std::string&, std::vector<std::string>& names) override {
        names.clear();
        return false;
    }
    std::string dosPathFromHost(const std::string&) override { return {}; }
    std::string hostPathFromDos(const std::string&) override { return {}; }

    std::uint32_t getPrivateProfileString(const std::string&, const std::string&,
                                          const std::string& defaultValue, std::string& result,
                                          std::uint32_t size, const std::string&) override {
        result = size > 0 ? defaultValue.substr(0, size - 1) : std::string();
        return static_cast<std::uint32_t>(result.size());
    }
    bool writePrivateProfileString(const std::string&, const std::string&, const std::string&,
                                   const std::string&) override {
        return false;
    }

    std::uint32_t getDriveType(const std::string&) override { return DRIVE_NO_ROOT_DIR; }
    std::string logicalDrives() override { return {}; }
    std::string windowsDirectory() override { return {}; }
    std::string systemDirectory() override { return {}; }

    bool winExec(const std::string&, int) override { return false; }

    std::uint32_t platformId() override { return 0; }
    std::string computerName() override { return {}; }
    std::string userName() override { return {}; }
    std::uint32_t tickCount() override { return 0; }
    DisplayMode displayMode() override { return {}; }

private:
    Registry& registry_;
    unsigned codePage_;
};

// Makes a RegistryMachine the current machine for a scope.
class CurrentMachine {
public:
    explicit CurrentMachine(Machine& machine) { Machine::setCurrent(&machine); }
    ~CurrentMachine() { Machine::setCurrent(nullptr); }
    CurrentMachine(const CurrentMachine&) = delete;
    CurrentMachine& operator=(const CurrentMachine&) = delete;
};

} // namespace kestrel::testing
