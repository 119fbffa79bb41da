#include "DosAttributes.h"

#include "../Win32Types.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace kestrel::wine {

namespace {

constexpr const char* attributeName = "user.DOSATTRIB";
constexpr std::uint32_t storedMask = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// Wine reads the stored text only when it is "0x" and hex digits up to its end or a zero byte;
// anything else counts as no attributes.
std::uint32_t parseStored(const char* data, ssize_t length) {
    std::string text(data, static_cast<std::size_t>(length));
    if (text.size() <= 2 || text[0] != '0' || text[1] != 'x')
        return 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 16);
    if (*end != '\0')
        return 0;
    return static_cast<std::uint32_t>(value) & storedMask;
}

// The process's file-creation mask, read without changing it.
mode_t currentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    }
    const mode_t mask = umask(022);
    umask(mask);
    return mask;
}

} // namespace

bool isDotName(const std::string& name) {
    return !name.empty() && name[0] == '.' && name != "." && name != "..";
}

std::uint32_t readDosAttributes(const std::string& hostPath, bool dotHidden) {
    struct stat st;
    if (stat(hostPath.c_str(), &st) != 0)
        return INVALID_FILE_ATTRIBUTES;
    std::uint32_t attributes =
        S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (!(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)))
        attributes |= FILE_ATTRIBUTE_READONLY;
    char data[64];
    const ssize_t length = getxattr(hostPath.c_str(), attributeName, data, sizeof data - 1);
    if (length > 0)
        attributes |= parseStored(data, length);
    if (dotHidden)
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    return attributes;
}

bool writeDosAttributes(const std::string& hostPath, std::uint32_t attributes) {
    struct stat st;
    if (stat(hostPath.c_str(), &st) != 0)
        return false;
    mode_t mode = st.st_mode & 07777;
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        if (!S_ISDIR(st.st_mode))
            mode &= ~mode_t(0222);
    } else {
        // Write permission where there is read permission, within the creation mask.
        mode |= (0600 | ((mode & 044) >> 1)) & ~currentUmask();
    }
    if (mode != (st.st_mode & 07777) && chmod(hostPath.c_str(), mode) != 0)
        return false;

    const std::uint32_t stored = attributes & storedMask;
    if (stored) {
        char text[16];
        const int length = std::snprintf(text, sizeof text, "0x%x", stored);
        return setxattr(hostPath.c_str(), attributeName, text, static_cast<std::size_t>(length),
                        0) == 0;
    }
    if (removexattr(hostPath.c_str(), attributeName) != 0 && errno != ENODATA)
        return errno == ENOTSUP; // a file system without extended attributes has nothing stored
    return true;
}

} // namespace kestrel::wine
