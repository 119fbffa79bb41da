// Asks Windows (Wine, in the tests) for facts the Linux tests compare with:
//   kstprobe version FILE NAME...       strings of FILE's version record ("ProductName" …)
//   kstprobe fixedversion FILE          FILE's file and product version numbers ("1.5.0.88")
//   kstprobe icon FILE ID               width and colour count of icon group ID in FILE
// One answer per line on standard output; the exit code is 0 when Windows answered them all.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include <windows.h>

namespace {

int versionStrings(const char* file, char** names, int count) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file, &ignored);
    if (size == 0)
        return 1;
    std::vector<char> info(size);
    if (!GetFileVersionInfoA(file, 0, size, info.data()))
        return 1;
    struct Translation {
        WORD language;
        WORD codePage;
    }* translations = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(info.data(), "\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translations), &length) ||
        length < sizeof(Translation))
        return 1;
    int status = 0;
    for (int i = 0; i < count; ++i) {
        char path[128];
        std::snprintf(path, sizeof(path), "\\StringFileInfo\\%04x%04x\\%s", translations->language,
                      translations->codePage, names[i]);
        char* value = nullptr;
        if (VerQueryValueA(info.data(), path, reinterpret_cast<void**>(&value), &length) && value)
            std::printf("%s\n", value);
        else {
            std::printf("\n");
            status = 1;
        }
    }
    return status;
}

int fixedVersion(const char* file) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file, &ignored);
    std::vector<char> info(size ? size : 1);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (size == 0 || !GetFileVersionInfoA(file, 0, size, info.data()) ||
        !VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed)
        return 1;
    std::printf("%lu.%lu.%lu.%lu\n", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    std::printf("%lu.%lu.%lu.%lu\n", HIWORD(fixed->dwProductVersionMS),
                LOWORD(fixed->dwProductVersionMS), HIWORD(fixed->dwProductVersionLS),
                LOWORD(fixed->dwProductVersionLS));
    return 0;
}

// The icon group's first image as Windows loads it: its size and its colour count.
int iconGroup(const char* file, int id) {
    HMODULE module = LoadLibraryExA(file, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return 1;
    HRSRC group =
        FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14)); // RT_GROUP_ICON
    HGLOBAL data = group ? LoadResource(module, group) : nullptr;
    const auto* bytes = data ? static_cast<const unsigned char*>(LockResource(data)) : nullptr;
    if (!bytes || SizeofResource(module, group) < 6 + 14)
        return 1;
    // GRPICONDIR: reserved, type, count; then entries of width, height, colours, …
    const int count = bytes[4] | bytes[5] << 8;
    const unsigned char* entry = bytes + 6;
    std::printf("%d %dx%d %d\n", count, entry[0] ? entry[0] : 256, entry[1] ? entry[1] : 256,
                entry[2] ? entry[2] : 256);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "version") == 0)
        return versionStrings(argv[2], argv + 3, argc - 3);
    if (argc == 3 && std::strcmp(argv[1], "fixedversion") == 0)
        return fixedVersion(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "icon") == 0)
        return iconGroup(argv[2], std::atoi(argv[3]));
    std::fprintf(stderr,
                 "usage: kstprobe version FILE NAME... | fixedversion FILE | icon FILE ID\n");
    return 2;
}
