#pragma once
// The shell's globals and the entry points pages use.

#include <QString>

namespace kestrel {

class Page;

// What the shell does to pages; the main window implements it (tests may install their own).
class Shell {
public:
    virtual ~Shell() = default;
    virtual Page* curPage() const = 0;
    virtual void arrangePage() = 0;
    // The node-click step: unload the current page (its save prompt runs first), make the page
    // for this node key current (the About page for group nodes and unknown keys), arrange it.
    virtual void showPage(const QString& key) = 0;
};

namespace MdlStart {

// "Software\Microsoft\Windows NT\CurrentVersion" on the NT family, else
// "Software\Microsoft\Windows\CurrentVersion"; set once at start-up.
extern QString WinVerKey;
void setWinVerKeyFromPlatform();

void setShell(Shell* shell);
Shell* shell();

// The page shown now.
Page* CurPage();
void ArrangePage();
// Closes the current page and opens the one for key; "About" returns to the About page.
void ShowPage(const QString& key);

} // namespace MdlStart
} // namespace kestrel
