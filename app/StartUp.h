#pragma once
// Choosing the machine at start-up: the Wine prefix Wine's own tools would use, created when it
// does not exist yet, refused with a clear message when the folder is something else.

#include "platform/Machine.h"

#include <QString>
#include <memory>
#include <string>

namespace kestrel {

struct OpenedMachine {
    std::unique_ptr<Machine> machine; // empty when the prefix cannot be used
    QString error;                    // why, for the user, in the language of the run
    std::string detail;               // the system's own reason, for the error output
    int exitCode = 0;                 // what the program ends with when machine is empty
};

// The machine this program edits, with every change recorded in its history (the prefix's
// .kestrel-history.sqlite; on Windows the user's application-data folder): on Windows the computer
// it runs on; elsewhere the Wine prefix Wine's own tools would use ($WINEPREFIX, else ~/.wine).
OpenedMachine openMachine();

#ifndef _WIN32
// Opens the prefix at path as the machine to edit; the screen's mode comes from the windowing
// side (QScreen), which knows it.
OpenedMachine openPrefix(const std::string& path);

namespace wine {
class WineMachine;
}
// The Wine prefix being edited (under the history's recording, when there is one); nullptr
// when the current machine is no prefix.
wine::WineMachine* currentPrefixMachine();
#endif

// The status strip's text naming the machine being edited ("Wine prefix /home/me/.wine").
QString machineText(Machine& machine);

// The primary screen's current mode in device pixels and colour depth; zeros without a screen.
DisplayMode screenMode();

} // namespace kestrel
