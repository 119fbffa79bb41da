#pragma once
// A throw-away prefix with a WineMachine on it, made the current machine for the test's life.

#include "TestPrefix.h"
#include "platform/wine/WineMachine.h"

#include <memory>

namespace kestrel::testing {

class MachineOnPrefix {
public:
    explicit MachineOnPrefix(TestPrefix&& prefix)
        : prefix_(std::move(prefix)),
          machine_(std::make_unique<wine::WineMachine>(prefix_.path())) {
        Machine::setCurrent(machine_.get());
    }
    ~MachineOnPrefix() {
        Machine::setCurrent(nullptr);
        machine_.reset();
    }
    MachineOnPrefix(const MachineOnPrefix&) = delete;
    MachineOnPrefix& operator=(const MachineOnPrefix&) = delete;

    TestPrefix& prefix() { return prefix_; }
    wine::WineMachine& machine() { return *machine_; }

private:
    TestPrefix prefix_;
    std::unique_ptr<wine::WineMachine> machine_;
};

} // namespace kestrel::testing
