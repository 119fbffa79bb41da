#pragma once
// A machine that records every change before it makes it: it wraps the machine a backend hands
// out, so neither the pages nor the backends know about the history. Installed once at start-up.
//
// Saves: a save is opened explicitly (undo does) or, otherwise, by the writes themselves: a new
// save starts when the page that writes is not the page of the previous write, or when more than
// GroupSeconds passed since it.

#include "History.h"
#include "platform/Machine.h"

#include <functional>
#include <memory>
#include <string>

namespace kestrel::history {

class RecordingMachine : public Machine {
public:
    static constexpr int GroupSeconds = 3;

    RecordingMachine(std::unique_ptr<Machine> inner, std::unique_ptr<Store> store);
    ~RecordingMachine() override;

    Machine& inner();
    Store& store();

    // The page whose writes follow ("frmRestrictions"); set by the shell when it opens a page.
    void setPage(const std::string& page);

    // Restores what was there before each change of a save, newest change first. The restoring
    // writes are recorded as a save of their own (which can be undone in turn). False when the
    // save is unknown or a write failed (the other writes are still made); error says which.
    bool undo(std::int64_t saveId, std::string& error);

    // Called after a change is recorded and before it is made (tests stop the process there).
    void setAfterRecord(std::function<void()> hook);

    std::string description() const override;
    unsigned ansiCodePage() const override;
    Registry& registry() override;

    std::uint32_t getFileAttributes(const std::string& path) override;
    bool setFileAttributes(const std::string& path, std::uint32_t attributes) override;
    bool fileExists(const std::string& path) override;
    bool copyFile(const std::string& from, const std::string& to, bool failIfExists) override;
    bool readFile(const std::string& path, std::string& bytes) override;
    bool writeFile(const std::string& path, const std::string& bytes) override;
    bool deleteFile(const std::string& path) override;
    bool listFolders(const std::string& folder, std::vector<std::string>& names) override;
    std::string dosPathFromHost(const std::string& hostPath) override;
    std::string hostPathFromDos(const std::string& dosPath) override;
    std::uint32_t iconCount(const std::string& file) override;
    bool extractIcon(const std::string& file, std::uint32_t index, std::string& icoBytes) override;
    std::uint32_t getPrivateProfileString(const std::string& section, const std::string& key,
                                          const std::string& defaultValue, std::string& result,
                                          std::uint32_t size, const std::string& file) override;
    bool writePrivateProfileString(const std::string& section, const std::string& key,
                                   const std::string& value, const std::string& file) override;
    std::uint32_t getDriveType(const std::string& root) override;
    std::string logicalDrives() override;
    std::string windowsDirectory() override;
    std::string systemDirectory() override;
    bool winExec(const std::string& commandLine, int showCommand) override;
    std::uint32_t platformId() override;
    std::string computerName() override;
    std::string userName() override;
    std::uint32_t tickCount() override;
    DisplayMode displayMode() override;
    std::unique_ptr<ShellWindows> openShellWindows(const std::string& helperImage) override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The machine under a recording machine (the machine itself otherwise).
Machine& unwrap(Machine& machine);

} // namespace kestrel::history
