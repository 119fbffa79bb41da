#include "StartUp.h"

#include "platform/wine/WineMachine.h"
#include "platform/wine/WinePrefix.h"

#include <QGuiApplication>
#include <QScreen>

namespace kestrel {

OpenedMachine openPrefix(const std::string& path) {
    OpenedMachine opened;
    switch (wine::prefixState(path)) {
    case wine::PrefixState::Ready:
        break;
    case wine::PrefixState::NotPrefix:
        opened.error = wine::notAPrefixMessage(path);
        opened.exitCode = 2;
        return opened;
    case wine::PrefixState::Missing: {
        std::string why;
        if (!wine::createPrefix(path, why)) {
            opened.error = "Kestrel could not create the Wine prefix " + path + ": " + why;
            opened.exitCode = 1;
            return opened;
        }
        break;
    }
    }
    auto machine = std::make_unique<wine::WineMachine>(path);
    machine->setDisplayModeProvider(screenMode);
    opened.machine = std::move(machine);
    return opened;
}

DisplayMode screenMode() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    const QSize size = screen->geometry().size() * screen->devicePixelRatio();
    return {std::uint32_t(size.width()), std::uint32_t(size.height()),
            std::uint32_t(qMax(0, screen->depth()))};
}

} // namespace kestrel
