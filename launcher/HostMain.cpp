// kstSubst for Wine prefixes: a Linux program that Wine starts like a Windows one when it is named
// in the prefix's Run key (wineboot runs the Run entries at every start of the prefix). Wine's own
// subst does nothing, so the subst command lines are carried out on the prefix by the Wine
// backend, which links the letters in dosdevices.
//
// The prefix is the one the launcher lies in (…/<prefix>/drive_c/windows/system32/kstSubst.exe);
// a launcher outside any prefix's drive_c works on WINEPREFIX, else ~/.wine, as Wine does.

#include "mdlMain.h"
#include "platform/wine/WineMachine.h"
#include "platform/wine/WinePrefix.h"

#include <filesystem>

namespace fs = std::filesystem;
using namespace kestrel;

namespace {

std::string prefixAround(const fs::path& executable) {
    for (fs::path dir = executable.parent_path(); dir.has_relative_path(); dir = dir.parent_path())
        if (dir.filename() == "drive_c" &&
            wine::prefixState(dir.parent_path().string()) == wine::PrefixState::Ready)
            return dir.parent_path().string();
    return {};
}

} // namespace

int main() {
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    if (error)
        return 0;
    std::string prefix = prefixAround(executable);
    if (prefix.empty())
        prefix = wine::defaultPrefixPath();
    if (wine::prefixState(prefix) != wine::PrefixState::Ready)
        return 0;
    wine::WineMachine machine(prefix);
    const std::string self = machine.dosPathFromHost(executable.string());
    if (!self.empty())
        mdlMain::Main(machine, mdlMain::FolderOf(self));
    return 0;
}
