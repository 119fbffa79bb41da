#pragma once
// The shell's windows on a Wine prefix: those of Wine's own desktop, when the user runs a
// virtual desktop with its taskbar ("wine explorer /desktop=NAME,800x600" with the shell
// enabled). Kestrel is a Linux program and cannot call the window functions there itself, so it
// runs the small Windows program kstShell (shellhelper/) inside the prefix, which joins the
// desktop showing the taskbar, and asks it over its standard input and output. The helper runs
// (from a folder of its own in the prefix's C:\windows\temp) while the session object lives.

#include "../ShellWindows.h"

#include <string>

namespace kestrel::wine {

struct HelperTimeouts {
    int startMs = 5000;   // for the helper to start and find the desktop
    int requestMs = 1000; // for one answer
};

// A session on the prefix's shell windows; available() is false (and no helper runs) when no
// wineserver serves the prefix, when the helper cannot start, or when it finds no desktop with
// a taskbar. A helper that dies or does not answer in time is ended, and from then on nothing
// is found.
std::unique_ptr<ShellWindows> openHelperShellWindows(const std::string& prefixPath,
                                                     const std::string& helperImage,
                                                     HelperTimeouts timeouts = {});

} // namespace kestrel::wine
