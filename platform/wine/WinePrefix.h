#pragma once
// Where the Wine prefix lives, whether a folder is one, and making a new one.

#include <string>

namespace kestrel::wine {

// WINEPREFIX when set and not empty, else ~/.wine, as Wine's own tools choose it.
std::string defaultPrefixPath();

enum class PrefixState {
    Ready,     // a folder with system.reg
    Missing,   // nothing there yet: Kestrel may create a prefix
    NotPrefix, // something exists but is not a prefix: refuse it
};

PrefixState prefixState(const std::string& path);

// A message for the user that explains a refused prefix folder.
std::string notAPrefixMessage(const std::string& path);

// Creates the smallest prefix Wine accepts and completes on its next start: system.reg,
// user.reg and userdef.reg with Wine's headers and no keys, drive_c/windows/system32,
// drive_c/users/<user>, and the drives C: (dosdevices/c: -> ../drive_c) and Z: (-> /).
// The folder must not exist yet, or be empty. On failure error says why, and what was made is
// removed again.
bool createPrefix(const std::string& path, std::string& error);

} // namespace kestrel::wine
