/* A small Windows program run under Wine by the machine tests: it prints what the Win32 API
 * reports about the prefix it runs in, one answer per line, so the tests can compare Wine's view
 * with the backend's.
 *
 *   win32probe drives                      C=3 ... Z=1, one line per letter
 *   win32probe logical                     GetLogicalDrives as letters ("CZ")
 *   win32probe dirs                        GetWindowsDirectoryA, GetSystemDirectoryA
 *   win32probe attr PATH...                GetFileAttributesA of each path, as 0x%x
 *   win32probe ini FILE (SECTION KEY DEFAULT SIZE)...
 *                                          GetPrivateProfileStringA: "length [value]" per query
 *   win32probe writeini FILE SECTION KEY VALUE
 *                                          WritePrivateProfileStringA; prints 1 or 0
 *   win32probe read PATH                   the file's bytes through CreateFileA, or "FAILED"
 *   win32probe version                     GetVersionExA's platform id
 *   win32probe names                       GetComputerNameA, then GetUserNameA
 *   win32probe tick                        GetTickCount
 *   win32probe icons FILE RRGGBB INDEX...  ExtractIconExA(FILE, -1, …) on the first line; then per
 *                                          index the 32x32 pixels DrawIcon paints of that icon on
 *                                          the background colour, as RRGGBB hex, row by row
 *   win32probe time (HH MM)...             GetTimeFormatA of the user's locale without seconds,
 *                                          one line per time
 *   win32probe mark PATH                   writes its own command line to PATH (an uninstaller
 *                                          that leaves a trace)
 *   win32probe window DESKTOP CLASS [CHILD]
 *                                          in that desktop, the top-level window of CLASS (or its
 *                                          first child of class CHILD): "L T R B VISIBLE ENABLED"
 *                                          of its normal placement, or "none"
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

static int drives(void) {
    char root[4] = "C:\\";
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        root[0] = letter;
        printf("%c=%u\n", letter, GetDriveTypeA(root));
    }
    return 0;
}

static int dirs(void) {
    char buffer[MAX_PATH];
    UINT n = GetWindowsDirectoryA(buffer, sizeof buffer);
    printf("%.*s\n", (int)n, buffer);
    n = GetSystemDirectoryA(buffer, sizeof buffer);
    printf("%.*s\n", (int)n, buffer);
    return 0;
}

static int ini(int argc, char** argv) {
    if (argc < 7 || (argc - 3) % 4 != 0)
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

static int readFile(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
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
        HICON large = NULL, small = NULL;
        ExtractIconExA(argv[2], atoi(argv[i]), &large, &small, 1);
        BITMAPINFO info = {0};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = 32;
        info.bmiHeader.biHeight = -32;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        DWORD* pixels = NULL;
        HDC dc = CreateCompatibleDC(NULL);
        HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, (void**)&pixels, NULL, 0);
        HGDIOBJ old = SelectObject(dc, bitmap);
        for (int p = 0; p < 32 * 32; ++p)
            pixels[p] = background;
        if (large)
            DrawIcon(dc, 0, 0, large);
        GdiFlush();
        for (int p = 0; p < 32 * 32; ++p)
            printf("%06lx", (unsigned long)(pixels[p] & 0xFFFFFF));
        printf("\n");
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        if (large)
            DestroyIcon(large);
        if (small)
            DestroyIcon(small);
    }
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
    WINDOWPLACEMENT placement;
    memset(&placement, 0, sizeof placement);
    placement.length = sizeof placement;
    if (!found || !GetWindowPlacement(found, &placement)) {
        printf("none\n");
        return 0;
    }
    const RECT* r = &placement.rcNormalPosition;
    printf("%ld %ld %ld %ld %d %d\n", r->left, r->top, r->right, r->bottom,
           IsWindowVisible(found) ? 1 : 0, IsWindowEnabled(found) ? 1 : 0);
    return 0;
}

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    const char* what = argv[1];
    if (!strcmp(what, "icons") && argc >= 4)
        return icons(argc, argv);
    if (!strcmp(what, "drives"))
        return drives();
    if (!strcmp(what, "logical")) {
        DWORD mask = GetLogicalDrives();
        for (int i = 0; i < 26; ++i)
            if (mask & (1u << i))
                putchar('A' + i);
        putchar('\n');
        return 0;
    }
    if (!strcmp(what, "dirs"))
        return dirs();
    if (!strcmp(what, "window") && argc >= 4)
        return window(argc, argv);
    if (!strcmp(what, "attr")) {
        for (int i = 2; i < argc; ++i)
            printf("0x%lx\n", (unsigned long)GetFileAttributesA(argv[i]));
        return 0;
    }
    if (!strcmp(what, "ini"))
        return ini(argc, argv);
    if (!strcmp(what, "writeini") && argc == 6) {
        printf("%d\n", WritePrivateProfileStringA(argv[3], argv[4], argv[5], argv[2]) ? 1 : 0);
        return 0;
    }
    if (!strcmp(what, "read") && argc == 3)
        return readFile(argv[2]);
    if (!strcmp(what, "version")) {
        OSVERSIONINFOA info;
        memset(&info, 0, sizeof info);
        info.dwOSVersionInfoSize = sizeof info;
        GetVersionExA(&info);
        printf("%lu\n", (unsigned long)info.dwPlatformId);
        return 0;
    }
    if (!strcmp(what, "names")) {
        char name[256];
        DWORD size = sizeof name;
        printf("%s\n", GetComputerNameA(name, &size) ? name : "");
        size = sizeof name;
        printf("%s\n", GetUserNameA(name, &size) ? name : "");
        return 0;
    }
    if (!strcmp(what, "time")) {
        for (int i = 2; i + 1 < argc; i += 2) {
            SYSTEMTIME time;
            memset(&time, 0, sizeof time);
            time.wHour = (WORD)atoi(argv[i]);
            time.wMinute = (WORD)atoi(argv[i + 1]);
            char text[256];
            int n =
                GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &time, NULL, text, sizeof text);
            printf("%s\n", n > 0 ? text : "FAILED");
        }
        return 0;
    }
    if (!strcmp(what, "mark") && argc == 3) {
        HANDLE file = CreateFileA(argv[2], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        if (file == INVALID_HANDLE_VALUE)
            return 1;
        const char* line = GetCommandLineA();
        DWORD written = 0;
        WriteFile(file, line, (DWORD)strlen(line), &written, NULL);
        CloseHandle(file);
        return 0;
    }
    if (!strcmp(what, "tick")) {
        printf("%lu\n", (unsigned long)GetTickCount());
        return 0;
    }
    return 2;
}
