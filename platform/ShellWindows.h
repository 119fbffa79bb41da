#pragma once
// The running shell's own windows (taskbar, Start button, desktop, notification area), reached
// through the few window functions Kestrel needs: find a window by class, read its normal
// rectangle, move and size it, show or hide it, enable or disable it.
//
// A session is opened by Machine::openShellWindows and lasts as long as the object; whatever it
// keeps running for that purpose ends with it. Every call is bounded in time: a shell that cannot
// be reached (or stops answering) makes windows "not found" (handle 0) and calls fail, with
// Boolean results, never exceptions.

#include "Win32Types.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kestrel {

// A window of the shell; 0 means none.
using WindowHandle = std::uint64_t;

struct WindowRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

class ShellWindows {
public:
    virtual ~ShellWindows() = default;

    // False when there is no running shell to reach on this machine (a Wine prefix with no
    // virtual desktop showing a taskbar): then nothing is ever found.
    virtual bool available() const = 0;

    // FindWindowA(className, NULL): a top-level window of that class.
    virtual WindowHandle findWindow(const std::string& className) = 0;
    // FindWindowExA(parent, NULL, className, NULL): the first child of that class.
    virtual WindowHandle findChildWindow(WindowHandle parent, const std::string& className) = 0;
    // GetWindowPlacement's normal-position rectangle, in the coordinates setWindowPos takes (a
    // child window's within its parent), so that a rectangle read and given back moves nothing.
    virtual bool normalRect(WindowHandle window, WindowRect& rect) = 0;
    // SetWindowPos.
    virtual bool setWindowPos(WindowHandle window, WindowHandle insertAfter, std::int32_t x,
                              std::int32_t y, std::int32_t width, std::int32_t height,
                              std::uint32_t flags) = 0;
    // ShowWindow: the window's visibility before the call, as Win32 reports it.
    virtual bool showWindow(WindowHandle window, int showCommand) = 0;
    virtual bool isWindowVisible(WindowHandle window) = 0;
    // EnableWindow: true when the window was disabled before, as Win32 reports it.
    virtual bool enableWindow(WindowHandle window, bool enable) = 0;
    virtual bool isWindowEnabled(WindowHandle window) = 0;
};

// A machine with no shell windows to reach: nothing is found and every call fails.
std::unique_ptr<ShellWindows> noShellWindows();

} // namespace kestrel
