// kstSubst.exe for Windows: a program without a window that runs the profile's subst commands
// through WinExec.

#include "mdlMain.h"
#include "platform/win32/Win32Machine.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    kestrel::win32::Win32Machine machine;
    const std::string executable = kestrel::win32::Win32Machine::ownExecutable();
    if (!executable.empty())
        kestrel::mdlMain::Main(machine, kestrel::mdlMain::FolderOf(executable));
    return 0;
}
