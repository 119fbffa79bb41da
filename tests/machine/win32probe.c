/* A small Windows program run under Wine by the tests: it prints what the Win32 API reports about
 * the prefix it runs in (or about a Windows program file), one answer per line, so the tests can
 * compare Wine's view with Kestrel's. The Linux build makes it as win32probe.exe, the Windows
 * build as kstprobe.exe.
 *
 *   drives                      C=3 ... Z=1, GetDriveTypeA, one line per letter
 *   system                      one per line: GetVersionExA's platform id, GetComputerNameA,
 *                               GetUserNameA, GetTickCount, GetWindowsDirectoryA,
 *                               GetSystemDirectoryA, GetLogicalDrives as letters ("CZ")
 *   attr PATH...                GetFileAttributesA of each path, as 0x%x
 *   ini FILE (SECTION KEY DEFAULT SIZE)...
 *                               GetPrivateProfileStringA: "length [value]" per query
 *   read PATH                   the file's bytes through CreateFileA, or "FAILED"
 *   icons FILE RRGGBB INDEX...  ExtractIconExA(FILE, -1, …) on the first line; then per index the
 *                               32x32 pixels DrawIcon paints of that icon on the background
 *                               colour, as RRGGBB hex, row by row
 *   time (HH MM)...             GetTimeFormatA of the user's locale without seconds, one per time
 *   mark PATH                   writes its own command line to PATH (an uninstaller that leaves a
 *                               trace)
 *   window DESKTOP CLASS [CHILD]
 *                               in that desktop, the top-level window of CLASS (or its first child
 *                               of class CHILD): "L T R B VISIBLE ENABLED" of its normal
 *                               placement, or "none"
 *   version FILE NAME...        strings of FILE's version record ("ProductName" …)
 *   fixedversion FILE           FILE's file and product version numbers ("1.5.0.88")
 *   icon FILE ID                icon group ID in FILE: its image count and its first image's
 *                               size and colour count ("1 32x32 256")
 *
 * The exit code is 0 when Windows answered, 1 when it did not, 2 for an unknown command.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

static int drives(int argc, char** argv) {
    char root[4] = "C:\\";
    for (; root[0] <= 'Z'; ++root[0])
        printf("%c=%u\n", root[0], GetDriveTypeA(root));
    return 0;
}

static int systemFacts(int argc, char** argv) {
    OSVERSIONINFOA version = {sizeof version};
    char computer[256] = "", user[256] = "", windows[MAX_PATH] = "", system[MAX_PATH] = "";
    DWORD computerSize = sizeof computer, userSize = sizeof user;
    GetVersionExA(&version);
    GetComputerNameA(computer, &computerSize);
    GetUserNameA(user, &userSize);
    GetWindowsDirectoryA(windows, sizeof windows);
    GetSystemDirectoryA(system, sizeof system);
    printf("%lu\n%s\n%s\n%lu\n%s\n%s\n", (unsigned long)version.dwPlatformId, computer, user,
           (unsigned long)GetTickCount(), windows, system);
    const DWORD mask = GetLogicalDrives();
    for (int i = 0; i < 26; ++i)
        if (mask & (1u << i))
            putchar('A' + i);
    putchar('\n');
    return 0;
}

static int attr(int argc, char** argv) {
    for (int i = 2; i < argc; ++i)
        printf("0x%lx\n", (unsigned long)GetFileAttributesA(argv[i]));
    return 0;
}

static int ini(int argc, char** argv) {
    if ((argc - 3) % 4 != 0)
        return 2;
    for (int i = 3; i + 3 < argc; i += 4) {
        DWORD size = (DWORD)strtoul(argv[i + 3], NULL, 10);
        char* buffer = calloc(size + 1, 1);
        DWORD n =
            GetPrivateProfileStringA(argv[i], argv[i + 1], argv[i + 2], buffer, size, argv[2]);
        printf("%lu [%s]\n", (unsigned long)n, buffer);
        free(buffer);
    }
    return 0;
}

static int readFile(int argc, char** argv) {
    HANDLE file = CreateFileA(argv[2], GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        printf("FAILED\n");
        return 1;
    }
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(file, buffer, sizeof buffer, &n, NULL) && n > 0)
        fwrite(buffer, 1, n, stdout);
    CloseHandle(file);
    return 0;
}

static int icons(int argc, char** argv) {
    printf("%u\n", ExtractIconExA(argv[2], -1, NULL, NULL, 0));
    const DWORD background = (DWORD)strtoul(argv[3], NULL, 16);
    for (int i = 4; i < argc; ++i) {
        HICON large = NULL;
        ExtractIconExA(argv[2], atoi(argv[i]), &large, NULL, 1);
        BITMAPINFO info = {{sizeof info.bmiHeader, 32, -32, 1, 32}};
        DWORD* pixels = NULL;
        HDC dc = CreateCompatibleDC(NULL);
        HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, (void**)&pixels, NULL, 0);
        SelectObject(dc, bitmap);
        for (int p = 0; p < 32 * 32; ++p)
            pixels[p] = background;
        if (large)
            DrawIcon(dc, 0, 0, large);
        GdiFlush();
        for (int p = 0; p < 32 * 32; ++p)
            printf("%06lx", (unsigned long)(pixels[p] & 0xFFFFFF));
        printf("\n");
        /* A one-shot program: the icon and the bitmap are left to its end. */
        DeleteDC(dc);
    }
    return 0;
}

static int timeTexts(int argc, char** argv) {
    for (int i = 2; i + 1 < argc; i += 2) {
        SYSTEMTIME time = {0};
        time.wHour = (WORD)atoi(argv[i]);
        time.wMinute = (WORD)atoi(argv[i + 1]);
        char text[256];
        int n = GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &time, NULL, text, sizeof text);
        printf("%s\n", n > 0 ? text : "FAILED");
    }
    return 0;
}

static int mark(int argc, char** argv) {
    HANDLE file = CreateFileA(argv[2], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    const char* line = GetCommandLineA();
    DWORD written = 0;
    WriteFile(file, line, (DWORD)strlen(line), &written, NULL);
    CloseHandle(file);
    return 0;
}

static int window(int argc, char** argv) {
    HDESK desktop = OpenDesktopA(argv[2], 0, FALSE, GENERIC_ALL);
    if (!desktop || !SetThreadDesktop(desktop)) {
        printf("no desktop\n");
        return 1;
    }
    HWND found = FindWindowA(argv[3], NULL);
    if (found && argc > 4)
        found = FindWindowExA(found, NULL, argv[4], NULL);
    WINDOWPLACEMENT placement = {sizeof placement};
    if (!found || !GetWindowPlacement(found, &placement)) {
        printf("none\n");
        return 0;
    }
    const RECT* r = &placement.rcNormalPosition;
    printf("%ld %ld %ld %ld %d %d\n", r->left, r->top, r->right, r->bottom,
           IsWindowVisible(found) ? 1 : 0, IsWindowEnabled(found) ? 1 : 0);
    return 0;
}

/* FILE's version record, or NULL (a one-shot program: nothing is freed). */
static void* versionRecord(const char* file) {
    DWORD ignored = 0, size = GetFileVersionInfoSizeA(file, &ignored);
    void* info = size ? malloc(size) : NULL;
    return info && GetFileVersionInfoA(file, 0, size, info) ? info : NULL;
}

static int versionStrings(int argc, char** argv) {
    void* info = versionRecord(argv[2]);
    WORD* translation = NULL; /* language, code page */
    UINT length = 0;
    if (!info ||
        !VerQueryValueA(info, "\\VarFileInfo\\Translation", (void**)&translation, &length) ||
        length < 2 * sizeof(WORD))
        return 1;
    int status = 0;
    for (int i = 3; i < argc; ++i) {
        char path[128], *value = NULL;
        snprintf(path, sizeof path, "\\StringFileInfo\\%04x%04x\\%s", translation[0],
                 translation[1], argv[i]);
        const int found = VerQueryValueA(info, path, (void**)&value, &length) && value;
        printf("%s\n", found ? value : "");
        status |= !found;
    }
    return status;
}

static int fixedVersion(int argc, char** argv) {
    void* info = versionRecord(argv[2]);
    VS_FIXEDFILEINFO* fixed = NULL;
    UINT length = 0;
    if (!info || !VerQueryValueA(info, "\\", (void**)&fixed, &length) || !fixed)
        return 1;
    const DWORD words[] = {fixed->dwFileVersionMS, fixed->dwFileVersionLS,
                           fixed->dwProductVersionMS, fixed->dwProductVersionLS};
    for (int i = 0; i < 4; i += 2)
        printf("%u.%u.%u.%u\n", HIWORD(words[i]), LOWORD(words[i]), HIWORD(words[i + 1]),
               LOWORD(words[i + 1]));
    return 0;
}

static int iconGroup(int argc, char** argv) {
    HMODULE module = LoadLibraryExA(argv[2], NULL, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC group =
        module ? FindResourceA(module, MAKEINTRESOURCEA(atoi(argv[3])), RT_GROUP_ICON) : NULL;
    const unsigned char* bytes = group ? LockResource(LoadResource(module, group)) : NULL;
    if (!bytes || SizeofResource(module, group) < 6 + 14)
        return 1;
    /* GRPICONDIR: reserved, type, count; then entries of width, height, colours, … (0 is 256) */
    const unsigned char* entry = bytes + 6;
    printf("%d %dx%d %d\n", bytes[4] | bytes[5] << 8, entry[0] ? entry[0] : 256,
           entry[1] ? entry[1] : 256, entry[2] ? entry[2] : 256);
    return 0;
}

static const struct {
    const char* name;
    int arguments; /* at least */
    int (*run)(int argc, char** argv);
} Commands[] = {{"drives", 0, drives},
                {"system", 0, systemFacts},
                {"attr", 0, attr},
                {"ini", 1, ini},
                {"read", 1, readFile},
                {"icons", 2, icons},
                {"time", 0, timeTexts},
                {"mark", 1, mark},
                {"window", 2, window},
                {"version", 2, versionStrings},
                {"fixedversion", 1, fixedVersion},
                {"icon", 2, iconGroup}};

int main(int argc, char** argv) {
    for (size_t i = 0; argc > 1 && i < sizeof Commands / sizeof Commands[0]; ++i)
        if (!strcmp(argv[1], Commands[i].name) && argc - 2 >= Commands[i].arguments)
            return Commands[i].run(argc, argv);
    fprintf(stderr, "win32probe: unknown command (see the list in win32probe.c)\n");
    return 2;
}
