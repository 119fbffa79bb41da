#include "WinePrefix.h"

#include "SystemFacts.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/utsname.h>

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

namespace {

// The architecture line Wine writes: a 64-bit Wine makes win64 prefixes.
std::string archLine() {
    utsname host{};
    if (uname(&host) == 0) {
        const std::string machine = host.machine;
        if (machine == "i386" || machine == "i686" || machine == "armv7l")
            return "#arch=win32";
    }
    return "#arch=win64";
}

bool writeHive(const fs::path& file, const std::string& root) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << "WINE REGISTRY Version 2\n"
        << ";; All keys relative to " << root << "\n\n"
        << archLine() << "\n";
    out.flush();
    return static_cast<bool>(out);
}

} // namespace

bool createPrefix(const std::string& path, std::string& error) {
    std::error_code ec;
    const fs::path prefix(path);
    const bool existed = fs::exists(prefix, ec);
    if (existed && (!fs::is_directory(prefix, ec) || !fs::is_empty(prefix, ec))) {
        error = "The folder " + path + " already exists and is not empty.";
        return false;
    }
    auto fail = [&](const std::string& why) {
        error = "Cannot create the Wine prefix " + path + ": " + why;
        std::error_code ignored;
        if (existed) {
            for (const auto& entry : fs::directory_iterator(prefix, ignored))
                fs::remove_all(entry.path(), ignored);
        } else {
            fs::remove_all(prefix, ignored);
        }
        return false;
    };

    std::string user = wineUserName();
    if (user.empty() || user.find('/') != std::string::npos)
        user = "user";
    for (const fs::path& dir : {prefix / "drive_c" / "windows" / "system32",
                                prefix / "drive_c" / "users" / user, prefix / "dosdevices"}) {
        fs::create_directories(dir, ec);
        if (ec)
            return fail(ec.message());
    }
    fs::create_directory_symlink("../drive_c", prefix / "dosdevices" / "c:", ec);
    if (!ec)
        fs::create_directory_symlink("/", prefix / "dosdevices" / "z:", ec);
    if (ec)
        return fail(ec.message());
    if (!writeHive(prefix / "system.reg", "REGISTRY\\\\Machine") ||
        !writeHive(prefix / "user.reg", "REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000") ||
        !writeHive(prefix / "userdef.reg", "REGISTRY\\\\User\\\\.Default"))
        return fail("the registry files cannot be written");
    return true;
}

} // namespace kestrel::wine
