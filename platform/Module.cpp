#include "Module.h"

#include "Codepage.h"
#include "Machine.h"

namespace kestrel::Module {

bool IsWinNT() {
    return Machine::current().platformId() == VER_PLATFORM_WIN32_NT;
}

std::wstring GetSysDir() {
    Machine& machine = Machine::current();
    std::string dir = machine.systemDirectory();
    // A system directory longer than 127 characters does not fit the 128-character buffer.
    if (dir.size() > 127)
        return {};
    return codepage::toWide(dir, machine.ansiCodePage());
}

} // namespace kestrel::Module
