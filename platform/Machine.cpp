#include "Machine.h"

namespace kestrel {

namespace {
Machine* currentMachine = nullptr;
} // namespace

Machine& Machine::current() {
    return *currentMachine;
}
void Machine::setCurrent(Machine* machine) {
    currentMachine = machine;
}
bool Machine::hasCurrent() {
    return currentMachine != nullptr;
}

} // namespace kestrel
