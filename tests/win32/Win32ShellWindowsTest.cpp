// The Win32 backend's shell windows against the real window functions (Wine's, under an X
// server of its own): a top-level window with a child button of this test's own stand in for
// the taskbar and its Start button.

#include "platform/win32/Win32Machine.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

TEST(Win32ShellWindows, FindsPlacesShowsAndEnablesWindows) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "KestrelTestTray";
    ASSERT_TRUE(RegisterClassA(&windowClass));
    HWND tray = CreateWindowExA(0, "KestrelTestTray", "", WS_POPUP | WS_VISIBLE, 100, 200, 300, 40,
                                nullptr, nullptr, windowClass.hInstance, nullptr);
    ASSERT_TRUE(tray) << "no window without an X server";
    HWND button = CreateWindowExA(0, "Button", "Start", WS_CHILD | WS_VISIBLE, 10, 5, 50, 20, tray,
                                  nullptr, windowClass.hInstance, nullptr);
    ASSERT_TRUE(button);

    kestrel::win32::Win32Machine machine;
    auto shell = machine.openShellWindows("");
    ASSERT_TRUE(shell->available());
    const auto trayHandle = shell->findWindow("KestrelTestTray");
    const auto buttonHandle = shell->findChildWindow(trayHandle, "Button");
    EXPECT_EQ(trayHandle, reinterpret_cast<std::uintptr_t>(tray));
    EXPECT_EQ(buttonHandle, reinterpret_cast<std::uintptr_t>(button));
    EXPECT_EQ(shell->findWindow("KestrelNoSuchClass"), 0u);

    // A child's rectangle is read in the terms SetWindowPos takes: within its parent.
    kestrel::WindowRect r;
    ASSERT_TRUE(shell->normalRect(buttonHandle, r));
    EXPECT_EQ(std::vector<int>({r.left, r.top, r.right, r.bottom}),
              std::vector<int>({10, 5, 60, 25}));
    ASSERT_TRUE(shell->setWindowPos(buttonHandle, 0, -5, 7, 0, 0, 0x11));
    ASSERT_TRUE(shell->setWindowPos(trayHandle, 0, 0, 0, 400, 30, 0x12));
    ASSERT_TRUE(shell->normalRect(buttonHandle, r));
    EXPECT_EQ(std::vector<int>({r.left, r.top, r.right, r.bottom}),
              std::vector<int>({-5, 7, 45, 27}));
    ASSERT_TRUE(shell->normalRect(trayHandle, r));
    EXPECT_EQ(r.right - r.left, 400);
    EXPECT_EQ(r.bottom - r.top, 30);

    for (bool on : {false, true}) {
        shell->showWindow(trayHandle, on ? 1 : 0);
        EXPECT_EQ(shell->isWindowVisible(trayHandle), on);
        EXPECT_EQ(IsWindowVisible(tray) != 0, on);
        shell->enableWindow(buttonHandle, on);
        EXPECT_EQ(shell->isWindowEnabled(buttonHandle), on);
        EXPECT_EQ(IsWindowEnabled(button) != 0, on);
    }
    DestroyWindow(tray);
}

} // namespace
