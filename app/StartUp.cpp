#include "StartUp.h"

#ifdef _WIN32
#include "platform/win32/Win32Machine.h"
#else
#include "platform/wine/WineMachine.h"
#include "platform/wine/WinePrefix.h"
#endif

#include "platform/history/History.h"
#include "resources/Catalogue.h"
#ifdef KESTREL_HISTORY
#include "platform/history/RecordingMachine.h"
#endif

#include <QGuiApplication>
#include <QScreen>
#include <cstdlib>
#include <filesystem>

namespace kestrel {

namespace {
// Every write of the machine goes through the history's recording from here on.
std::unique_ptr<Machine> withHistory(std::unique_ptr<Machine> machine,
                                     [[maybe_unused]] const std::string& historyFile) {
#ifdef KESTREL_HISTORY
    return std::make_unique<history::RecordingMachine>(
        std::move(machine), std::make_unique<history::Store>(historyFile));
#else
    return machine;
#endif
}
} // namespace

#ifdef _WIN32

OpenedMachine openMachine() {
    OpenedMachine opened;
    std::string folder;
    if (const char* appData = std::getenv("APPDATA"))
        folder = std::string(appData) + "\\Kestrel";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    opened.machine = withHistory(std::make_unique<Win32Machine>(), folder + "\\history.sqlite");
    return opened;
}

#else

OpenedMachine openMachine() {
    return openPrefix(wine::defaultPrefixPath());
}

OpenedMachine openPrefix(const std::string& path) {
    OpenedMachine opened;
    wine::PrefixState state = wine::prefixState(path);
    // An empty folder holds nothing to lose: it becomes the new prefix, as a missing one does.
    std::error_code ec;
    if (state == wine::PrefixState::NotPrefix && std::filesystem::is_directory(path, ec) &&
        std::filesystem::is_empty(path, ec))
        state = wine::PrefixState::Missing;
    switch (state) {
    case wine::PrefixState::Ready:
        break;
    case wine::PrefixState::NotPrefix:
        opened.error = LoadResString(903).arg(QString::fromStdString(path));
        opened.detail = wine::notAPrefixMessage(path);
        opened.exitCode = 2;
        return opened;
    case wine::PrefixState::Missing: {
        if (!wine::createPrefix(path, opened.detail)) {
            opened.error = LoadResString(904).arg(QString::fromStdString(path));
            opened.exitCode = 1;
            return opened;
        }
        break;
    }
    }
    auto machine = std::make_unique<wine::WineMachine>(path);
    machine->setDisplayModeProvider(screenMode);
    opened.machine = withHistory(std::move(machine), history::prefixHistoryFile(path));
    return opened;
}

wine::WineMachine* currentPrefixMachine() {
    if (!Machine::hasCurrent())
        return nullptr;
#ifdef KESTREL_HISTORY
    return dynamic_cast<wine::WineMachine*>(&history::unwrap(Machine::current()));
#else
    return dynamic_cast<wine::WineMachine*>(&Machine::current());
#endif
}

#endif

QString machineText(Machine& machine) {
#ifdef _WIN32
    return LoadResString(906).arg(QString::fromLocal8Bit(machine.computerName()));
#else
#ifdef KESTREL_HISTORY
    if (const auto* prefix = dynamic_cast<const wine::WineMachine*>(&history::unwrap(machine)))
#else
    if (const auto* prefix = dynamic_cast<const wine::WineMachine*>(&machine))
#endif
        return LoadResString(905).arg(QString::fromStdString(prefix->prefixPath()));
    return QString::fromStdString(machine.description());
#endif
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
