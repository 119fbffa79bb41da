#include "WinePrefix.h"

#include <cstdlib>
#include <filesystem>

namespace kestrel::wine {

namespace fs = std::filesystem;

std::string defaultPrefixPath() {
    if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix)
        return prefix;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "") + "/.wine";
}

PrefixState prefixState(const std::string& path) {
    std::error_code ec;
    if (!fs::exists(path, ec))
        return PrefixState::Missing;
    if (fs::is_directory(path, ec) && fs::is_regular_file(fs::path(path) / "system.reg", ec))
        return PrefixState::Ready;
    return PrefixState::NotPrefix;
}

std::string notAPrefixMessage(const std::string& path) {
    return "The folder " + path +
           " is not a Wine prefix: it has no system.reg. Set WINEPREFIX to a Wine prefix, or to "
           "a folder that does not exist yet to have Kestrel create one.";
}

} // namespace kestrel::wine
