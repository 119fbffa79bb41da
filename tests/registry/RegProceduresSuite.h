#pragma once
// The rules of the Reg procedures, checked the same way on every backend.
//
// The suite (RegProceduresSuite.cpp) uses nothing but platform/ headers and GoogleTest. Each test
// program that compiles it provides makeRegSuiteMachine(): on Linux a Wine prefix's registry, on
// Windows the Win32 registry. The suite works under HKEY_CURRENT_USER\Software\KestrelRegSuite
// and removes that key after each test.

#include "platform/Machine.h"

#include <memory>
#include <string>

namespace kestrel::testing {

// A machine for one test, or null with the reason in reason; failIfMissing says whether a
// missing machine fails the test (true) or skips it.
std::unique_ptr<Machine> makeRegSuiteMachine(std::string& reason, bool& failIfMissing);

} // namespace kestrel::testing
