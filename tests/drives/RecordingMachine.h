#pragma once
// A machine that passes everything on to another one and remembers the command lines started,
// so a test can see the exact text a page hands to WinExec.

#include "platform/Machine.h"

#include <string>
#include <vector>

namespace kestrel::testing {

class RecordingMachine : public Machine {
public:
    explicit RecordingMachine(Machine& inner) : inner_(inner) {}

    std::vector<std::string> commands;

    std::string description() const override { return inner_.description(); }
    unsigned ansiCodePage() const override { return inner_.ansiCodePage(); }
    Registry& registry() override { return inner_.registry(); }
    std::uint32_t getFileAttributes(const std::string& p) override {
        return inner_.getFileAttributes(p);
    }
    bool setFileAttributes(const std::string& p, std::uint32_t a) override {
        return inner_.setFileAttributes(p, a);
    }
    bool fileExists(const std::string& p) override { return inner_.fileExists(p); }
    bool copyFile(const std::string& f, const std::string& t, bool e) override {
        return inner_.copyFile(f, t, e);
    }
    bool readFile(const std::string& p, std::string& b) override { return inner_.readFile(p, b); }
    bool writeFile(const std::string& p, const std::string& b) override {
        return inner_.writeFile(p, b);
    }
    bool listFolders(const std::string& f, std::vector<std::string>& n) override {
        return inner_.listFolders(f, n);
    }
    std::string dosPathFromHost(const std::string& h) override { return inner_.dosPathFromHost(h); }
    std::string hostPathFromDos(const std::string& d) override { return inner_.hostPathFromDos(d); }
    std::uint32_t getPrivateProfileString(const std::string& s, const std::string& k,
                                          const std::string& d, std::string& r, std::uint32_t n,
                                          const std::string& f) override {
        return inner_.getPrivateProfileString(s, k, d, r, n, f);
    }
    bool writePrivateProfileString(const std::string& s, const std::string& k, const std::string& v,
                                   const std::string& f) override {
        return inner_.writePrivateProfileString(s, k, v, f);
    }
    std::uint32_t getDriveType(const std::string& r) override { return inner_.getDriveType(r); }
    std::string logicalDrives() override { return inner_.logicalDrives(); }
    std::string windowsDirectory() override { return inner_.windowsDirectory(); }
    std::string systemDirectory() override { return inner_.systemDirectory(); }
    bool winExec(const std::string& commandLine, int showCommand) override {
        commands.push_back(commandLine + " /show:" + std::to_string(showCommand));
        return inner_.winExec(commandLine, showCommand);
    }
    std::uint32_t platformId() override { return inner_.platformId(); }
    std::string computerName() override { return inner_.computerName(); }
    std::string userName() override { return inner_.userName(); }
    std::uint32_t tickCount() override { return inner_.tickCount(); }
    DisplayMode displayMode() override { return inner_.displayMode(); }

private:
    Machine& inner_;
};

// Makes a recording machine the current one for as long as it lives.
struct Recording {
    Machine& inner;
    RecordingMachine machine;
    explicit Recording(Machine& real) : inner(real), machine(real) {
        Machine::setCurrent(&machine);
    }
    ~Recording() { Machine::setCurrent(&inner); }
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;
};

} // namespace kestrel::testing
