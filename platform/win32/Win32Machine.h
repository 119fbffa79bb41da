#pragma once
// The Windows Kestrel runs on, through the Win32 API: the machine of a native Windows build.

#include "../Machine.h"
#include "Win32Registry.h"

namespace kestrel::win32 {

class Win32Machine : public Machine {
public:
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

    // ExtractIconExA; the icon handle is handed on as the bytes of an .ico file.
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

    // The full path of this process's executable (GetModuleFileNameA), empty on failure.
    static std::string ownExecutable();

private:
    Win32Registry registry_;
};

} // namespace kestrel::win32
