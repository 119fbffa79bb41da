#pragma once
// Drive letters of a Wine prefix: their type as GetDriveTypeA reports it and the letters in use.

#include "DosPaths.h"

#include <cstdint>
#include <string>

namespace kestrel::wine {

// GetDriveTypeA of a root ("E:\", "e:" or "E:/"); any other text is no root (1).
// declaredType: the drive's value under HKLM\Software\Wine\Drives ("cdrom", "floppy",
// "network", "ramdisk", "hd"), empty when there is none.
//
// As measured on Wine 8: no link, or a link whose target is not a folder, gives 1 unless the
// drive is declared "cdrom" (5) or "floppy" (2). A folder gives the type of its file system
// (CD file systems 5, network ones 4, /proc and similar 6) or else the declared type, fixed (3)
// when none is declared.
std::uint32_t driveType(const DosPaths& paths, char letter, const std::string& declaredType);

// The letter of a root as driveType accepts it, or 0.
char rootLetter(const std::string& root);

// GetLogicalDrives as letters: every letter with a dosdevices link, dangling or not.
std::string logicalDrives(const DosPaths& paths);

} // namespace kestrel::wine
