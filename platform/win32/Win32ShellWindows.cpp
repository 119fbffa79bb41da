// The shell's windows on Windows itself: the window functions, called directly.
#include "Win32Machine.h"

#include <windows.h>

namespace kestrel::win32 {

namespace {

HWND hwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window));
}

WindowHandle handle(HWND window) {
    return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(window));
}

class Win32ShellWindows : public ShellWindows {
public:
    bool available() const override { return true; }
    WindowHandle findWindow(const std::string& className) override {
        return handle(FindWindowA(className.c_str(), nullptr));
    }
    WindowHandle findChildWindow(WindowHandle parent, const std::string& className) override {
        return handle(FindWindowExA(hwnd(parent), nullptr, className.c_str(), nullptr));
    }
    bool normalRect(WindowHandle window, WindowRect& rect) override {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        if (!GetWindowPlacement(hwnd(window), &placement))
            return false;
        RECT& r = placement.rcNormalPosition;
        // SetWindowPos places a child within its parent, and most children are reported so; one
        // reported on the screen (its rectangle equals the window's screen rectangle, as Wine's
        // Start button is) is given in the parent's terms, so that a rectangle read and given
        // back moves nothing.
        RECT onScreen;
        if ((GetWindowLongA(hwnd(window), GWL_STYLE) & WS_CHILD) &&
            GetWindowRect(hwnd(window), &onScreen) && EqualRect(&onScreen, &r))
            MapWindowPoints(nullptr, GetParent(hwnd(window)), reinterpret_cast<POINT*>(&r), 2);
        rect = {r.left, r.top, r.right, r.bottom};
        return true;
    }
    bool setWindowPos(WindowHandle window, WindowHandle insertAfter, std::int32_t x, std::int32_t y,
                      std::int32_t width, std::int32_t height, std::uint32_t flags) override {
        return SetWindowPos(hwnd(window), hwnd(insertAfter), x, y, width, height, flags) != 0;
    }
    bool showWindow(WindowHandle window, int showCommand) override {
        return ShowWindow(hwnd(window), showCommand) != 0;
    }
    bool isWindowVisible(WindowHandle window) override {
        return IsWindowVisible(hwnd(window)) != 0;
    }
    bool enableWindow(WindowHandle window, bool enable) override {
        return EnableWindow(hwnd(window), enable) != 0;
    }
    bool isWindowEnabled(WindowHandle window) override {
        return IsWindowEnabled(hwnd(window)) != 0;
    }
};

} // namespace

std::unique_ptr<ShellWindows> Win32Machine::openShellWindows(const std::string&) {
    return std::make_unique<Win32ShellWindows>();
}

} // namespace kestrel::win32
