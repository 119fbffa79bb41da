// A stand-in for subst.exe in a test prefix's system32: appends the command line it was started
// with to subst-calls.txt beside itself, after its creation time (100 ns units), so that the
// order in which the commands were started can be told even when they ran side by side.

#include <cstdio>
#include <string>
#include <windows.h>

int main() {
    char own[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, own, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 1;
    std::string record(own, length);
    record = record.substr(0, record.find_last_of('\\') + 1) + "subst-calls.txt";

    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const unsigned long long started =
        (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
    char stamp[32];
    std::snprintf(stamp, sizeof(stamp), "%llu\t", started);
    const std::string line = stamp + std::string(GetCommandLineA()) + "\r\n";

    // Appending is one write at the end of the file, so lines of two recorders never mix.
    for (int attempt = 0; attempt < 200; ++attempt) {
        HANDLE file =
            CreateFileA(record.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            const BOOL ok =
                WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(file);
            return ok && written == line.size() ? 0 : 1;
        }
        Sleep(10);
    }
    return 1;
}
