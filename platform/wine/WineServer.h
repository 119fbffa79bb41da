#pragma once
// The wineserver that may be serving a prefix, and writing the registry through it.
//
// While a wineserver runs it owns the prefix's registry: it read the files when it started and
// overwrites them every 30 seconds and when it exits, so a change made on disk behind its back is
// lost. Kestrel then hands its changes to Wine's own "reg import" instead.

#include <string>
#include <vector>

namespace kestrel::wine {

// True when a wineserver serves the prefix now; pid (when given) receives its process id.
// A server holds a POSIX write lock on the file "lock" of its server folder, server-<dev>-<ino>
// under <a temporary folder>/<contents of PREFIX/wineserver> or /tmp/.wine-<uid>: the lock proves
// it runs, the file alone does not. The temporary folder is the one the prefix's first Wine
// process had, which need not be ours, so the usual ones are all tried, and then the running
// server processes themselves, whose working folder is their server folder.
bool wineServerRunning(const std::string& prefixPath, long* pid = nullptr);

// True when the "wine" program is installed (on PATH).
bool wineInstalled();

// Runs "wine ARGS..." on the prefix (WINEDEBUG=-all) and waits for it; output receives what it
// printed. Wine may start its services from the call and they outlive it, so its output goes to
// a file rather than a pipe that would stay open. Its input is /dev/null unless keepInput (then
// this process's). The exit code, or -1 when it could not run.
int runWine(const std::string& prefixPath, const std::vector<std::string>& args,
            std::string& output, bool keepInput = false);

// Imports a registry file (text in the format "Windows Registry Editor Version 5.00") into the
// running prefix with "wine reg import". The file is placed in the prefix's C:\windows\temp for
// the call and removed after. False with a reason in error on failure.
bool importThroughWine(const std::string& prefixPath, const std::u16string& regText,
                       std::string& error);

} // namespace kestrel::wine
