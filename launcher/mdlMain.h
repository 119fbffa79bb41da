#pragma once
// The automount launcher kstSubst: maps again, with subst, every drive letter listed in the
// profile file kstSubst.ini that lies beside its own executable. It shows nothing and writes
// nothing; a missing profile file ends it at once.
//
// One source for two builds: the entry point of each build (WinMain.cpp, HostMain.cpp) finds its
// machine and its own folder and calls Main.

#include <string>

namespace kestrel {
class Machine;
}

namespace kestrel::mdlMain {

// The path with a backslash at its end, added unless one is there already.
std::string AddSlash(const std::string& path);

// The folder of a file's DOS path, without a trailing backslash unless it is a drive's root
// ("C:\Windows" for "C:\Windows\kstSubst.exe", "C:\" for "C:\kstSubst.exe").
std::string FolderOf(const std::string& filePath);

// Starts "subst <drive> "<path>"" hidden, without waiting, for every entry of the profile file
// in ownFolder, in file order. Entries shorter than two characters are skipped.
void Main(Machine& machine, const std::string& ownFolder);

} // namespace kestrel::mdlMain
