// The system elements page over a recording shell: which window each element is, what the
// fields show, and what every change of a field hands to SetWindowPos (the toggles and the
// missing shell are judged on a real Wine desktop in SysBtnWineTest).

#include "SysBtnPage.h"
#include "resources/Catalogue.h"
#include "tests/app/FakeMachine.h"

#include <QTest>
#include <map>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

struct FakeWindow {
    std::string className;
    WindowHandle parent = 0;
    WindowRect rect;
    bool visible = true;
    bool enabled = true;
};

// A shell of a few windows that keeps their state as Windows would and records every call that
// changes them, as "SetWindowPos 101 0 -50 7 0 0 0x11".
class RecordingShell : public ShellWindows {
public:
    std::map<WindowHandle, FakeWindow> windows;
    QStringList calls;

    bool available() const override { return true; }
    WindowHandle findWindow(const std::string& className) override { return find(0, className); }
    WindowHandle findChildWindow(WindowHandle parent, const std::string& className) override {
        return parent ? find(parent, className) : 0;
    }
    bool normalRect(WindowHandle window, WindowRect& rect) override {
        rect = windows.at(window).rect;
        return true;
    }
    bool setWindowPos(WindowHandle window, WindowHandle after, std::int32_t x, std::int32_t y,
                      std::int32_t cx, std::int32_t cy, std::uint32_t flags) override {
        calls << QStringLiteral("SetWindowPos %1 %2 %3 %4 %5 %6 0x%7")
                     .arg(window)
                     .arg(after)
                     .arg(x)
                     .arg(y)
                     .arg(cx)
                     .arg(cy)
                     .arg(flags, 0, 16);
        WindowRect& r = windows.at(window).rect;
        if (!(flags & SWP_NOMOVE))
            r = {x, y, x + r.right - r.left, y + r.bottom - r.top};
        if (!(flags & SWP_NOSIZE))
            r = {r.left, r.top, r.left + cx, r.top + cy};
        return true;
    }
    bool showWindow(WindowHandle window, int command) override {
        calls << QStringLiteral("ShowWindow %1 %2").arg(window).arg(command);
        return std::exchange(windows.at(window).visible, command != SW_HIDE);
    }
    bool isWindowVisible(WindowHandle window) override { return windows.at(window).visible; }
    bool enableWindow(WindowHandle window, bool enable) override {
        calls << QStringLiteral("EnableWindow %1 %2").arg(window).arg(enable);
        return !std::exchange(windows.at(window).enabled, enable);
    }
    bool isWindowEnabled(WindowHandle window) override { return windows.at(window).enabled; }

private:
    WindowHandle find(WindowHandle parent, const std::string& className) {
        for (const auto& [handle, window] : windows)
            if (window.parent == parent && window.className == className)
                return handle;
        return 0;
    }
};

// The taskbar of a Wine desktop and its Start button, made the current machine; a test may add
// Progman and TrayNotifyWnd.
struct ShellMachine : FakeMachine {
    RecordingShell* shell = nullptr;
    std::map<WindowHandle, FakeWindow> windows = {
        {100, {"Shell_TrayWnd", 0, {0, 580, 800, 600}}},
        {101, {"Button", 100, {0, 580, 58, 600}}},
    };

    ShellMachine() { Machine::setCurrent(this); }
    ~ShellMachine() override { Machine::setCurrent(nullptr); }
    std::unique_ptr<ShellWindows> openShellWindows(const std::string&) override {
        auto session = std::make_unique<RecordingShell>();
        session->windows = windows;
        shell = session.get();
        return session;
    }
    QList<int> rect(WindowHandle window) const {
        const WindowRect r = shell->windows.at(window).rect;
        return {r.left, r.top, r.right, r.bottom};
    }
};

class SysBtnTest : public QObject {
    Q_OBJECT
private slots:
    void opensOnTheStartButtonsSizeAndWritesYBeforeX();
    void elementsAreFoundAsListed_data();
    void elementsAreFoundAsListed();
    void fieldChangesReachTheWindow_data();
    void fieldChangesReachTheWindow();
};

void SysBtnTest::opensOnTheStartButtonsSizeAndWritesYBeforeX() {
    ShellMachine machine;
    SysBtnPage page;
    QCOMPARE(page.cboSE->count(), 4);
    QCOMPARE(page.cboSE->itemText(3), LoadResString(469));
    QVERIFY(page.optSize->isChecked());
    QCOMPARE(page.form.element(), WindowHandle(101));
    QCOMPARE(page.fields(), QStringList({"58", "20"}));
    QVERIFY(page.lblHelp->isHidden());
    // "Position" shows left and top: the new Y goes out with the previous X (the width), then
    // both new values; "Size" brings width and height back the same way. The button ends where
    // it was.
    machine.shell->calls.clear();
    page.optPos->click();
    QCOMPARE(page.fields(), QStringList({"0", "580"}));
    page.optSize->click();
    QCOMPARE(page.fields(), QStringList({"58", "20"}));
    QCOMPARE(
        machine.shell->calls,
        QStringList({"SetWindowPos 101 0 58 580 0 0 0x11", "SetWindowPos 101 0 0 580 0 0 0x11",
                     "SetWindowPos 101 0 0 0 0 20 0x12", "SetWindowPos 101 0 0 0 58 20 0x12"}));
    QCOMPARE(machine.rect(101), QList<int>({0, 580, 58, 600}));
}

void SysBtnTest::elementsAreFoundAsListed_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("fullShell");
    QTest::addColumn<quint64>("element");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("no Progman") << 1 << false << quint64(0) << QStringList{"0", "0"};
    QTest::newRow("Progman") << 1 << true << quint64(102) << QStringList{"800", "600"};
    QTest::newRow("taskbar") << 2 << false << quint64(100) << QStringList{"800", "20"};
    QTest::newRow("no tray") << 3 << false << quint64(0) << QStringList{"0", "0"};
    QTest::newRow("tray") << 3 << true << quint64(103) << QStringList{"90", "20"};
}

void SysBtnTest::elementsAreFoundAsListed() {
    QFETCH(int, index);
    QFETCH(bool, fullShell);
    QFETCH(quint64, element);
    QFETCH(QStringList, fields);
    ShellMachine machine;
    if (fullShell) {
        machine.windows[102] = {"Progman", 0, {0, 0, 800, 600}};
        machine.windows[103] = {"TrayNotifyWnd", 100, {710, 580, 800, 600}};
    }
    SysBtnPage page;
    page.cboSE->setCurrentIndex(index);
    QCOMPARE(page.form.element(), WindowHandle(element));
    QCOMPARE(page.fields(), fields);
    // A missing element takes no action at all.
    machine.shell->calls.clear();
    page.btnSH->click();
    page.btnED->click();
    page.TxtX->setText("5");
    QCOMPARE(machine.shell->calls.isEmpty(), element == 0);
}

void SysBtnTest::fieldChangesReachTheWindow_data() {
    QTest::addColumn<bool>("position");
    QTest::addColumn<QString>("x");
    QTest::addColumn<QString>("call"); // empty when the change is not applied
    // The Start button (101) keeps Y = 20 in size mode, Y = 580 in position mode.
    QTest::newRow("width") << false << "120"
                           << "SetWindowPos 101 0 0 0 120 20 0x12";
    QTest::newRow("cleared width is 0") << false << ""
                                        << "SetWindowPos 101 0 0 0 0 20 0x12";
    QTest::newRow("negative width") << false << "-50"
                                    << "SetWindowPos 101 0 0 0 50 20 0x12";
    QTest::newRow("leading number") << false << "12px"
                                    << "SetWindowPos 101 0 0 0 12 20 0x12";
    QTest::newRow("half to even down") << false << "2.5"
                                       << "SetWindowPos 101 0 0 0 2 20 0x12";
    QTest::newRow("half to even up") << false << "3.5"
                                     << "SetWindowPos 101 0 0 0 4 20 0x12";
    QTest::newRow("width too large") << false << "99999999999"
                                     << "";
    QTest::newRow("width of int min") << false << "-2147483648"
                                      << "";
    QTest::newRow("negative x") << true << "-50"
                                << "SetWindowPos 101 0 -50 580 0 0 0x11";
    QTest::newRow("x at int max") << true << "2147483647"
                                  << "SetWindowPos 101 0 2147483647 580 0 0 0x11";
    QTest::newRow("x past int max") << true << "2147483648"
                                    << "";
    QTest::newRow("letters") << true << "abc"
                             << "SetWindowPos 101 0 0 580 0 0 0x11";
}

void SysBtnTest::fieldChangesReachTheWindow() {
    QFETCH(bool, position);
    QFETCH(QString, x);
    QFETCH(QString, call);
    ShellMachine machine;
    SysBtnPage page;
    if (position)
        page.optPos->click();
    machine.shell->calls.clear();
    page.TxtX->setText(x);
    QCOMPARE(machine.shell->calls, call.isEmpty() ? QStringList() : QStringList{call});
}

} // namespace

QTEST_MAIN(SysBtnTest)
#include "SysBtnTest.moc"
