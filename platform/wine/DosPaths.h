#pragma once
// DOS paths of a Wine prefix and the host paths they stand for.
//
// Wine finds drive X: through the link dosdevices/x: (lower-case name) and each further
// component of a path by its name, matched case-insensitively when no entry has exactly that
// name. The other way round, a host path belongs to the drive whose root is its nearest folder
// (the first letter wins when two drives share a root); Z: -> / catches everything else.

#include <optional>
#include <string>
#include <vector>

namespace kestrel::wine {

class DosPaths {
public:
    // codePage: the ANSI code page DOS paths are written in; host names are UTF-8.
    DosPaths(std::string prefixPath, unsigned codePage);

    struct Parsed {
        char drive = 0;                      // lower-case letter
        std::vector<std::string> components; // without "." and ".." (resolved lexically)
    };
    // "C:\a\b", "c:/a/b", "C:" and "\\?\C:\a" are understood; UNC paths, paths without a drive
    // and names with characters Windows does not allow in file names are not.
    static std::optional<Parsed> parse(const std::string& dosPath);

    // The host path of a DOS path, whether or not it exists: existing components keep the name
    // they have on disk, missing ones the name given. Nothing when the drive is not mapped or
    // the path cannot be parsed.
    std::optional<std::string> hostPath(const std::string& dosPath) const;

    // The host folder a drive's link stands for (dosdevices/x: resolved to an absolute path),
    // or nothing when the drive has no link.
    std::optional<std::string> driveRoot(char letter) const;

    // The DOS path of an absolute host path (UTF-8), or nothing when no drive reaches it or its
    // name cannot be written in the ANSI code page.
    std::optional<std::string> dosPath(const std::string& hostPath) const;

    // The folder holding the drive links.
    std::string dosdevices() const;

    unsigned codePage() const { return codePage_; }

private:
    std::string prefix_;
    unsigned codePage_;
};

} // namespace kestrel::wine
