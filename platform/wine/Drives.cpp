#include "Drives.h"

#include "../Win32Types.h"

#include <algorithm>
#include <cctype>
#include <sys/stat.h>
#include <sys/statfs.h>

namespace kestrel::wine {

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string linkPath(const DosPaths& paths, char letter) {
    return paths.dosdevices() + "/" +
           static_cast<char>(std::tolower(static_cast<unsigned char>(letter))) + ":";
}

} // namespace

char rootLetter(const std::string& root) {
    if (root.size() < 2 || root.size() > 3 || !std::isalpha(static_cast<unsigned char>(root[0])) ||
        root[1] != ':')
        return 0;
    if (root.size() == 3 && root[2] != '\\' && root[2] != '/')
        return 0;
    return static_cast<char>(std::tolower(static_cast<unsigned char>(root[0])));
}

std::uint32_t driveType(const DosPaths& paths, char letter, const std::string& declaredType) {
    const std::string declared = lower(declaredType);
    const std::string link = linkPath(paths, letter);
    struct stat st;
    if (lstat(link.c_str(), &st) != 0)
        return DRIVE_NO_ROOT_DIR;
    if (stat(link.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        // No root to open: only the mount manager's removable-media drives keep their type.
        if (declared == "cdrom")
            return DRIVE_CDROM;
        if (declared == "floppy")
            return DRIVE_REMOVABLE;
        return DRIVE_NO_ROOT_DIR;
    }
    struct statfs fs;
    if (statfs(link.c_str(), &fs) == 0) {
        switch (static_cast<unsigned long>(fs.f_type)) {
        case 0x9660:     // iso9660
        case 0x9fa1:     // supermount
        case 0x15013346: // udf
            return DRIVE_CDROM;
        case 0x6969:     // nfs
        case 0xff534d42: // cifs
        case 0xfe534d42: // smb2
        case 0x517b:     // smbfs
        case 0x564c:     // ncpfs
            return DRIVE_REMOTE;
        case 0x28cd3d45: // cramfs
        case 0x1373:     // devfs
        case 0x9fa0:     // procfs
            return DRIVE_RAMDISK;
        default:
            break;
        }
    }
    if (declared == "cdrom")
        return DRIVE_CDROM;
    if (declared == "floppy")
        return DRIVE_REMOVABLE;
    if (declared == "network")
        return DRIVE_REMOTE;
    if (declared == "ramdisk")
        return DRIVE_RAMDISK;
    return DRIVE_FIXED;
}

std::string logicalDrives(const DosPaths& paths) {
    std::string letters;
    for (char letter = 'a'; letter <= 'z'; ++letter) {
        struct stat st;
        if (lstat(linkPath(paths, letter).c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            letters += static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    }
    return letters;
}

} // namespace kestrel::wine
