// Asks Windows (Wine, in the tests) for facts the Linux tests compare with:
//   kstprobe drivetype E:\             GetDriveTypeA of a root
//   kstprobe version FILE NAME         a string of FILE's version record ("ProductName" …)
// The answer goes to standard output; the exit code is 0 when Windows answered.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include <windows.h>

namespace {

int driveType(const char* root) {
    std::printf("%u\n", GetDriveTypeA(root));
    return 0;
}

int versionString(const char* file, const char* name) {
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
    char path[128];
    std::snprintf(path, sizeof(path), "\\StringFileInfo\\%04x%04x\\%s", translations->language,
                  translations->codePage, name);
    char* value = nullptr;
    if (!VerQueryValueA(info.data(), path, reinterpret_cast<void**>(&value), &length) || !value)
        return 1;
    std::printf("%s\n", value);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "drivetype") == 0)
        return driveType(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "version") == 0)
        return versionString(argv[2], argv[3]);
    std::fprintf(stderr, "usage: kstprobe drivetype ROOT | version FILE NAME\n");
    return 2;
}
