#pragma once
// The machine-side shared procedures: the NT-family test and the system directory.

#include <string>

namespace kestrel::Module {

// True on the NT family, false on Windows 95/98/ME or when the version cannot be read.
bool IsWinNT();
// The system directory without a trailing backslash ("C:\windows\system32"), empty on failure.
std::wstring GetSysDir();

} // namespace kestrel::Module
