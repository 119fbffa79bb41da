#include "MdlStart.h"

#include "Module.h"

namespace kestrel::MdlStart {

QString WinVerKey;

namespace {
Shell* currentShell = nullptr;
}

void setWinVerKeyFromPlatform() {
    WinVerKey = IsWinNT() ? QStringLiteral("Software\\Microsoft\\Windows NT\\CurrentVersion")
                          : QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion");
}

void setShell(Shell* shell) {
    currentShell = shell;
}
Shell* shell() {
    return currentShell;
}

Page* CurPage() {
    return currentShell ? currentShell->curPage() : nullptr;
}

void ArrangePage() {
    if (currentShell)
        currentShell->arrangePage();
}

void ShowPage(const QString& key) {
    if (currentShell)
        currentShell->showPage(key);
}

} // namespace kestrel::MdlStart
