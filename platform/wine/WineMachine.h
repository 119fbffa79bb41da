#pragma once
// A Wine prefix as the machine Kestrel edits: its registry files, drive_c, dosdevices and the
// DOS attributes Wine keeps in extended attributes.

#include "../Machine.h"

#include <functional>
#include <memory>
#include <string>

namespace kestrel::wine {

class WineRegistry;

class WineMachine : public Machine {
public:
    // The prefix folder must be a prefix (see WinePrefix.h: prefixState, createPrefix).
    explicit WineMachine(std::string prefixPath);
    ~WineMachine() override;

    const std::string& prefixPath() const;

    // The screen's mode comes from the windowing side of the program, which knows the screen.
    void setDisplayModeProvider(std::function<DisplayMode()> provider);

    // Starts reading the registry files in the background (see WineRegistry::preload).
    void preloadRegistry();

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

    // Reads only the parts of the file the icon needs, not the whole library.
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

    // Through the helper kstShell run in the prefix (HelperShellWindows.h).
    std::unique_ptr<ShellWindows> openShellWindows(const std::string& helperImage) override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace kestrel::wine
