// The Reg procedures' suite on a Wine prefix: each test gets its own copy of the base prefix.

#include "RegProceduresSuite.h"
#include "platform/wine/WineRegistry.h"
#include "tests/support/RegistryMachine.h"
#include "tests/support/TestPrefix.h"

namespace kestrel::testing {

namespace {

// The machine owns its registry and the prefix, which it removes at the end.
struct PrefixRegistryMachine : RegistryMachine {
    PrefixRegistryMachine(TestPrefix&& prefix, std::unique_ptr<wine::WineRegistry> registry)
        : RegistryMachine(*registry, 1252), prefix_(std::move(prefix)),
          registry_(std::move(registry)) {}
    TestPrefix prefix_;
    std::unique_ptr<wine::WineRegistry> registry_;
};

} // namespace

std::unique_ptr<Machine> makeRegSuiteMachine(std::string& reason, bool& failIfMissing) {
    failIfMissing = wineRequired();
    auto prefix = TestPrefix::make(reason);
    if (!prefix)
        return nullptr;
    auto registry = std::make_unique<wine::WineRegistry>(prefix->path(), 1252);
    return std::make_unique<PrefixRegistryMachine>(std::move(*prefix), std::move(registry));
}

} // namespace kestrel::testing
