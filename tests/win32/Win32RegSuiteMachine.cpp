// The Reg procedures' suite (tests/registry/RegProceduresSuite.cpp) on the Win32 registry: the
// machine is the Windows the test runs on (Wine's, in a throw-away prefix, in CI).

#include "platform/win32/Win32Machine.h"
#include "tests/registry/RegProceduresSuite.h"

namespace kestrel::testing {

std::unique_ptr<Machine> makeRegSuiteMachine(std::string& /*reason*/, bool& failIfMissing) {
    failIfMissing = true;
    return std::make_unique<win32::Win32Machine>();
}

} // namespace kestrel::testing
