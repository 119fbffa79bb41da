// A stand-in for subst.exe in a test prefix's system32: appends the command line it was started
// with to subst-calls.txt beside itself, one line per start:
//   <creation time, 100 ns units> TAB <show state asked for, -1 for none> TAB <command line>
// The creation time tells the order in which the commands were started even when they ran side
// by side; the show state tells whether the starter asked for a hidden window (0).

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
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoA(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
    char stamp[48];
    std::snprintf(stamp, sizeof(stamp), "%llu\t%d\t", started, show);
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
