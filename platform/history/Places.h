#pragma once
// Registry keys in the history are full paths under their root's long name
// ("HKEY_CURRENT_USER\Software\X"); these turn them into handles and back, and a save's
// registry changes into a REGEDIT4 file.

#include "History.h"
#include "platform/Registry.h"

#include <string>
#include <vector>

namespace kestrel::history {

// The long name of a predefined root handle, null for any other handle.
const char* rootName(RegHandle key);

// "HKEY_CURRENT_USER\Software\X" → HKEY_CURRENT_USER, "Software\X"; false for an unknown root.
bool splitKey(const std::string& place, RegHandle& root, std::string& below);

// The registry changes of the saves (in the order they were made, oldest save first) as a
// REGEDIT4 file that regedit imports: values set, "-" for values deleted, "[-key]" for keys
// deleted. Strings are in the machine's ANSI code page, as REGEDIT4 files are. Lines end with CR
// LF.
std::string exportRegedit4(const std::vector<Save>& oldestFirst);

} // namespace kestrel::history
