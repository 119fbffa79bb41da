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
// It holds a POSIX write lock on the file "lock" of its server folder
// (<tmp>/<contents of PREFIX/wineserver>/server-<dev>-<ino>, or /tmp/.wine-<uid>/server-...):
// the lock proves it runs, the file alone does not.
bool wineServerRunning(const std::string& prefixPath, long* pid = nullptr);

// True when the "wine" program is installed (on PATH).
bool wineInstalled();

// Runs "wine ARGS..." on the prefix (WINEDEBUG=-all) and waits for it; output receives what it
// printed. Wine may start its services from the call and they outlive it, so its output goes to
// a file rather than a pipe that would stay open. The exit code, or -1 when it could not run.
int runWine(const std::string& prefixPath, const std::vector<std::string>& args,
            std::string& output);

// Imports a registry file (text in the format "Windows Registry Editor Version 5.00") into the
// running prefix with "wine reg import". The file is placed in the prefix's C:\windows\temp for
// the call and removed after. False with a reason in error on failure.
bool importThroughWine(const std::string& prefixPath, const std::u16string& regText,
                       std::string& error);

} // namespace kestrel::wine
