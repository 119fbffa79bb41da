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

bool Machine::deleteFile(const std::string& /*path*/) {
    return false;
}

std::uint32_t Machine::iconCount(const std::string& file) {
    std::string bytes;
    return readFile(file, bytes) ? icons::countIcons(icons::memorySource(bytes)) : 0;
}

bool Machine::extractIcon(const std::string& file, std::uint32_t index, std::string& icoBytes) {
    std::string bytes;
    return readFile(file, bytes) && icons::extractIcon(icons::memorySource(bytes), index, icoBytes);
}

namespace {

class NoShellWindows : public ShellWindows {
public:
    bool available() const override { return false; }
    WindowHandle findWindow(const std::string&) override { return 0; }
    WindowHandle findChildWindow(WindowHandle, const std::string&) override { return 0; }
    bool normalRect(WindowHandle, WindowRect&) override { return false; }
    bool setWindowPos(WindowHandle, WindowHandle, std::int32_t, std::int32_t, std::int32_t,
                      std::int32_t, std::uint32_t) override {
        return false;
    }
    bool showWindow(WindowHandle, int) override { return false; }
    bool isWindowVisible(WindowHandle) override { return false; }
    bool enableWindow(WindowHandle, bool) override { return false; }
    bool isWindowEnabled(WindowHandle) override { return false; }
};

} // namespace

std::unique_ptr<ShellWindows> noShellWindows() {
    return std::make_unique<NoShellWindows>();
}

std::unique_ptr<ShellWindows> Machine::openShellWindows(const std::string&) {
    return noShellWindows();
}

} // namespace kestrel
