// Asks Windows (Wine, in the tests) for facts the Linux tests compare with:
//   kstprobe drivetype ROOT...          GetDriveTypeA of each root ("E:\")
//   kstprobe version FILE NAME...       strings of FILE's version record ("ProductName" …)
// One answer per line on standard output; the exit code is 0 when Windows answered them all.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include <windows.h>

namespace {

int driveTypes(char** roots, int count) {
    for (int i = 0; i < count; ++i)
        std::printf("%u\n", GetDriveTypeA(roots[i]));
    return 0;
}

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

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "drivetype") == 0)
        return driveTypes(argv + 2, argc - 2);
    if (argc >= 4 && std::strcmp(argv[1], "version") == 0)
        return versionStrings(argv[2], argv + 3, argc - 3);
    std::fprintf(stderr, "usage: kstprobe drivetype ROOT... | version FILE NAME...\n");
    return 2;
}
