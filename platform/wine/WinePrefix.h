#pragma once
// Where the Wine prefix lives and whether a folder is one.

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

} // namespace kestrel::wine
