#include "Machine.h"

#include "IconResources.h"

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

std::uint32_t Machine::iconCount(const std::string& file) {
    std::string bytes;
    return readFile(file, bytes) ? icons::countIcons(icons::memorySource(bytes)) : 0;
}

bool Machine::extractIcon(const std::string& file, std::uint32_t index, std::string& icoBytes) {
    std::string bytes;
    return readFile(file, bytes) && icons::extractIcon(icons::memorySource(bytes), index, icoBytes);
}

} // namespace kestrel
