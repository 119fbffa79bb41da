/* kstShell: Kestrel's hands inside a Wine prefix for the shell's own windows.
 *
 * Kestrel runs on Linux and cannot call the window functions of a Wine desktop itself, so it
 * starts this small Windows program under Wine and talks to it over standard input and output,
 * one request per line, one answer per line:
 *
 *   F CLASS                               FindWindowA(CLASS, NULL)              -> handle
 *   C PARENT CLASS                        FindWindowExA(PARENT, NULL, CLASS, NULL) -> handle
 *   R HWND                                GetWindowPlacement's normal rectangle, in the
 *                                         coordinates SetWindowPos takes: "1 L T R B" or "0"
 *   P HWND AFTER X Y CX CY FLAGS          SetWindowPos                          -> 1 or 0
 *   S HWND CMD                            ShowWindow                            -> 1 or 0
 *   V HWND                                IsWindowVisible                       -> 1 or 0
 *   E HWND 0|1                            EnableWindow                          -> 1 or 0
 *   N HWND                                IsWindowEnabled                       -> 1 or 0
 *
 * Handles are decimal. An unknown request answers "?". The program ends at the end of its input,
 * that is when Kestrel closes the page or exits.
 *
 * First it looks for the desktop the shell shows: Wine's virtual desktops are desktops of the
 * window station, and the one with a visible taskbar ("Shell_TrayWnd") is the user's. It joins
 * that desktop and says "ready NAME", or says "none" and ends when there is none.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

static char shellDesktop[256];

static BOOL CALLBACK considerDesktop(LPSTR name, LPARAM unused) {
    (void)unused;
    HDESK desktop = OpenDesktopA(name, 0, FALSE, GENERIC_ALL);
    if (!desktop)
        return TRUE;
    if (SetThreadDesktop(desktop)) {
        HWND tray = FindWindowA("Shell_TrayWnd", NULL);
        if (tray && IsWindowVisible(tray)) {
            lstrcpynA(shellDesktop, name, sizeof shellDesktop);
            return FALSE; /* keep this desktop: the thread stays on it */
        }
    }
    CloseDesktop(desktop);
    return TRUE;
}

static HWND toWindow(const char* text) {
    return (HWND)(ULONG_PTR)_strtoui64(text, NULL, 10);
}

static void answerWindow(HWND window) {
    printf("%llu\n", (unsigned long long)(ULONG_PTR)window);
}

static void answer(BOOL ok) {
    printf("%d\n", ok ? 1 : 0);
}

/* The first word of *cursor, which moves past it and the blanks after it. */
static char* word(char** cursor) {
    char* start = *cursor;
    while (*start == ' ')
        ++start;
    char* end = start;
    while (*end && *end != ' ')
        ++end;
    if (*end)
        *end++ = 0;
    *cursor = end;
    return start;
}

static void serve(char* line) {
    char* cursor = line + 1;
    switch (line[0]) {
    case 'F': {
        char* className = word(&cursor);
        answerWindow(FindWindowA(className, NULL));
        return;
    }
    case 'C': {
        HWND parent = toWindow(word(&cursor));
        char* className = word(&cursor);
        answerWindow(FindWindowExA(parent, NULL, className, NULL));
        return;
    }
    case 'R': {
        WINDOWPLACEMENT placement;
        memset(&placement, 0, sizeof placement);
        placement.length = sizeof placement;
        HWND window = toWindow(word(&cursor));
        if (GetWindowPlacement(window, &placement)) {
            RECT* r = &placement.rcNormalPosition;
            /* SetWindowPos places a child within its parent, and most children are reported so;
             * Wine's Start button, though, is reported on the screen (its rectangle equals the
             * window's screen rectangle). Such a rectangle is given in the parent's terms, so
             * that a rectangle read and given back leaves the window where it is. */
            RECT onScreen;
            if ((GetWindowLongA(window, GWL_STYLE) & WS_CHILD) &&
                GetWindowRect(window, &onScreen) && EqualRect(&onScreen, r))
                MapWindowPoints(NULL, GetParent(window), (POINT*)r, 2);
            printf("1 %ld %ld %ld %ld\n", r->left, r->top, r->right, r->bottom);
        } else {
            printf("0\n");
        }
        return;
    }
    case 'P': {
        HWND window = toWindow(word(&cursor));
        HWND after = toWindow(word(&cursor));
        int x = atoi(word(&cursor));
        int y = atoi(word(&cursor));
        int cx = atoi(word(&cursor));
        int cy = atoi(word(&cursor));
        UINT flags = (UINT)strtoul(word(&cursor), NULL, 10);
        answer(SetWindowPos(window, after, x, y, cx, cy, flags));
        return;
    }
    case 'S': {
        HWND window = toWindow(word(&cursor));
        answer(ShowWindow(window, atoi(word(&cursor))));
        return;
    }
    case 'V':
        answer(IsWindowVisible(toWindow(word(&cursor))));
        return;
    case 'E': {
        HWND window = toWindow(word(&cursor));
        answer(EnableWindow(window, atoi(word(&cursor)) != 0));
        return;
    }
    case 'N':
        answer(IsWindowEnabled(toWindow(word(&cursor))));
        return;
    default:
        printf("?\n");
    }
}

int main(void) {
    EnumDesktopsA(GetProcessWindowStation(), considerDesktop, 0);
    if (!shellDesktop[0]) {
        printf("none\n");
        fflush(stdout);
        return 1;
    }
    printf("ready %s\n", shellDesktop);
    fflush(stdout);

    char line[1024];
    while (fgets(line, sizeof line, stdin)) {
        line[strcspn(line, "\r\n")] = 0;
        serve(line);
        fflush(stdout);
    }
    return 0;
}
