#pragma once
// The Windows machine Kestrel edits: its registry, files, drives, commands and a few facts.
//
// Everything is in Windows terms: paths are DOS paths ("C:\Games", "E:\") and text is in the
// machine's ANSI code page. A backend translates to wherever the machine really lives: the Win32
// API (platform/win32) or a Wine prefix on disk (platform/wine). Failures are results, never
// exceptions.

#include "Registry.h"
#include "ShellWindows.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kestrel {

struct DisplayMode {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t bitsPerPixel = 0;
};

class Machine {
public:
    virtual ~Machine() = default;

    // The machine Kestrel works on in this process. Set once at start-up (and by tests).
    static Machine& current();
    static void setCurrent(Machine* machine);
    static bool hasCurrent();

    // A short text that tells the user which machine is being edited ("Wine prefix ~/.wine").
    virtual std::string description() const = 0;
    // The ANSI code page of the machine's strings (1252, 1251, …).
    virtual unsigned ansiCodePage() const = 0;

    virtual Registry& registry() = 0;

    // --- Files -------------------------------------------------------------------------------
    // GetFileAttributesA; INVALID_FILE_ATTRIBUTES when the path does not exist.
    virtual std::uint32_t getFileAttributes(const std::string& path) = 0;
    // SetFileAttributesA: replaces read-only, hidden, system and archive of a file or folder.
    virtual bool setFileAttributes(const std::string& path, std::uint32_t attributes) = 0;
    // True when a file (not a folder) of that name exists, hidden and system files included.
    virtual bool fileExists(const std::string& path) = 0;
    // CopyFileA.
    virtual bool copyFile(const std::string& from, const std::string& to, bool failIfExists) = 0;
    // Whole-file read and write of raw bytes. writeFile replaces the file atomically.
    virtual bool readFile(const std::string& path, std::string& bytes) = 0;
    virtual bool writeFile(const std::string& path, const std::string& bytes) = 0;
    // DeleteFileA: removes a file (not a folder); false when it cannot (the default: never).
    virtual bool deleteFile(const std::string& path);
    // Names of the folders directly inside a folder (hidden ones included), unsorted;
    // false when the folder cannot be listed.
    virtual bool listFolders(const std::string& folder, std::vector<std::string>& names) = 0;
    // Kestrel's own file dialog shows the files of the computer it runs on: map such a path
    // (UTF-8) to the machine's DOS path and back; empty when there is no such path.
    virtual std::string dosPathFromHost(const std::string& hostPath) = 0;
    virtual std::string hostPathFromDos(const std::string& dosPath) = 0;

    // --- Icons in files --------------------------------------------------------------------------
    // ExtractIconExA(file, -1, nullptr, nullptr, 0): 1 for an .ico file, one per icon group for an
    // .exe or .dll, 0 for a missing, foreign or damaged file.
    virtual std::uint32_t iconCount(const std::string& file);
    // Icon `index` of the file at the large size (32 by 32), as the bytes of an .ico file holding
    // that one image; false when the file has no such icon. The default implementations read the
    // file through readFile and take its resources apart themselves (platform/IconResources.h).
    virtual bool extractIcon(const std::string& file, std::uint32_t index, std::string& icoBytes);

    // --- Private-profile (INI) files ----------------------------------------------------------
    // GetPrivateProfileStringA: copies at most size-1 characters and returns how many it copied.
    virtual std::uint32_t getPrivateProfileString(const std::string& section,
                                                  const std::string& key,
                                                  const std::string& defaultValue,
                                                  std::string& result, std::uint32_t size,
                                                  const std::string& file) = 0;
    // WritePrivateProfileStringA for one key: creates file, section and key when missing and
    // changes only the line it writes.
    virtual bool writePrivateProfileString(const std::string& section, const std::string& key,
                                           const std::string& value, const std::string& file) = 0;

    // --- Drives and folders --------------------------------------------------------------------
    // GetDriveTypeA of a root such as "E:\" (DRIVE_NO_ROOT_DIR, DRIVE_FIXED, …).
    virtual std::uint32_t getDriveType(const std::string& root) = 0;
    // The drive letters in use, upper case, in alphabetical order ("CDZ").
    virtual std::string logicalDrives() = 0;
    // GetWindowsDirectoryA / GetSystemDirectoryA, without a trailing backslash.
    virtual std::string windowsDirectory() = 0;
    virtual std::string systemDirectory() = 0;

    // --- Commands -------------------------------------------------------------------------------
    // WinExec: starts a command line without waiting; true when it was started.
    virtual bool winExec(const std::string& commandLine, int showCommand) = 0;

    // --- System facts ---------------------------------------------------------------------------
    // GetVersionExA's platform id: VER_PLATFORM_WIN32_WINDOWS, VER_PLATFORM_WIN32_NT, 0 on failure.
    virtual std::uint32_t platformId() = 0;
    virtual std::string computerName() = 0;
    virtual std::string userName() = 0;
    // GetTickCount: milliseconds since the machine started.
    virtual std::uint32_t tickCount() = 0;
    // EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS): zeros when unknown.
    virtual DisplayMode displayMode() = 0;

    // --- The shell's own windows ----------------------------------------------------------------
    // Opens a session on the running shell's windows, kept while the returned object lives.
    // helperImage is the program a backend may need to run inside the machine to reach them (on
    // a Wine prefix, the Windows build of kstShell); a backend that calls the window functions
    // itself ignores it. The default has no shell: nothing is found.
    virtual std::unique_ptr<ShellWindows> openShellWindows(const std::string& helperImage);
};

} // namespace kestrel
