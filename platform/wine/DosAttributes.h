#pragma once
// The DOS attributes of files as Wine keeps them on the host.
//
// Read-only is the absence of all Unix write bits (set only on files: Wine ignores it for
// folders). Hidden (0x2) and system (0x4) live in the extended attribute "user.DOSATTRIB" as the
// text "0x<hex>" without a terminating zero, the attribute being removed when neither is set.
// Files always report archive and folders the directory bit; a name that begins with a dot
// reads as hidden whatever is stored.

#include <cstdint>
#include <string>

namespace kestrel::wine {

// GetFileAttributesA of the host path; INVALID_FILE_ATTRIBUTES when it does not exist.
// dotHidden: whether the DOS name's last component makes it hidden (it begins with a dot and
// Wine is not set to show dot files).
std::uint32_t readDosAttributes(const std::string& hostPath, bool dotHidden);

// SetFileAttributesA of the host path: read-only through the write bits (files only), hidden and
// system through the extended attribute; false when the path does not exist or the change
// cannot be stored.
bool writeDosAttributes(const std::string& hostPath, std::uint32_t attributes);

// Whether a DOS path's last component is a dot-file name ("." and ".." are not).
bool isDotName(const std::string& name);

} // namespace kestrel::wine
