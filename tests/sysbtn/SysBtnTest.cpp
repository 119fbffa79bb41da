// The system elements page, first over a recording shell (which window each element is, what the
// fields show, and what every change of a field hands to SetWindowPos), then on a Wine prefix
// with a running virtual desktop that shows its taskbar (run under its own X server, see
// CMakeLists.txt), every change read back by the Win32 probe joining the same desktop.

#include "pages/shell/frmSysBtn.h"
#include "platform/wine/Process.h"
#include "resources/Catalogue.h"
#include "tests/app/FakeMachine.h"
#include "tests/support/PageTestKit.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <csignal>
#include <filesystem>
#include <map>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

struct SysBtnPage : LoadedForm<frmSysBtn> {
    QComboBox* cboSE = form.findChild<QComboBox*>("cboSE");
    QRadioButton* optSize = form.findChild<QRadioButton*>("optSize");
    QRadioButton* optPos = form.findChild<QRadioButton*>("optPos");
    QLineEdit* TxtX = form.findChild<QLineEdit*>("TxtX");
    QLineEdit* TxtY = form.findChild<QLineEdit*>("TxtY");
    QPushButton* btnSH = form.findChild<QPushButton*>("btnSH");
    QPushButton* btnED = form.findChild<QPushButton*>("btnED");
    QLabel* lblHelp = form.findChild<QLabel*>("lblHelp");

    SysBtnPage() : LoadedForm(600, 450) {}
    QStringList fields() const { return {TxtX->text(), TxtY->text()}; }
};

// A window's class, parent and normal rectangle.
using FakeWindow = std::tuple<std::string, WindowHandle, WindowRect>;

// A shell of a few windows that records every call that would change them, as
// "SetWindowPos 101 0 -50 7 0 0 0x11".
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
        rect = std::get<WindowRect>(windows.at(window));
        return true;
    }
    bool setWindowPos(WindowHandle window, WindowHandle after, std::int32_t x, std::int32_t y,
                      std::int32_t cx, std::int32_t cy, std::uint32_t flags) override {
        return record(true, "SetWindowPos %d %d %d %d %d %d 0x%x", int(window), int(after), x, y,
                      cx, cy, flags);
    }
    bool showWindow(WindowHandle w, int command) override {
        return record(true, "ShowWindow %d %d", int(w), command);
    }
    bool isWindowVisible(WindowHandle) override { return true; }
    bool enableWindow(WindowHandle w, bool enable) override {
        return record(false, "EnableWindow %d %d", int(w), int(enable));
    }
    bool isWindowEnabled(WindowHandle) override { return true; }

private:
    template <class... A> bool record(bool result, const char* format, A... args) {
        calls << QString::asprintf(format, args...);
        return result;
    }
    WindowHandle find(WindowHandle parent, const std::string& className) {
        for (const auto& [handle, window] : windows)
            if (std::get<WindowHandle>(window) == parent &&
                std::get<std::string>(window) == className)
                return handle;
        return 0;
    }
};

// The taskbar of a Wine desktop and its Start button, made the current machine; a test may add
// Progman and TrayNotifyWnd.
struct ShellMachine : FakeMachine {
    RecordingShell* shell = nullptr;
    std::map<WindowHandle, FakeWindow> windows = {{100, {"Shell_TrayWnd", 0, {0, 580, 800, 600}}},
                                                  {101, {"Button", 100, {0, 580, 58, 600}}}};

    ShellMachine() { Machine::setCurrent(this); }
    ~ShellMachine() override { Machine::setCurrent(nullptr); }
    std::unique_ptr<ShellWindows> openShellWindows(const std::string&) override {
        auto session = std::make_unique<RecordingShell>();
        session->windows = windows;
        shell = session.get();
        return session;
    }
};

const char* const Desktop = "kestrel";
enum { Left, Top, Width, Height, Visible, Enabled };

// The probe's view of the taskbar, or of its Start button when child is "Button": left, top,
// width, height, visible and enabled; empty when it is not found.
QList<int> probeWindow(MachineOnPrefix& on, const std::string& child = {}) {
    std::vector<std::string> args{KESTREL_WIN32PROBE, "window", Desktop, "Shell_TrayWnd"};
    if (!child.empty())
        args.push_back(child);
    QList<int> seen;
    for (const QString& word : QString::fromStdString(on.prefix().wine(args).output)
                                   .simplified()
                                   .split(QLatin1Char(' '), Qt::SkipEmptyParts))
        seen << word.toInt();
    if (seen.size() != 6)
        return {};
    seen[Width] -= seen[Left];
    seen[Height] -= seen[Top];
    return seen;
}

QStringList numbers(int x, int y) {
    return {QString::number(x), QString::number(y)};
}

// The Wine processes that run kstShell for this prefix.
QStringList helperProcesses(const std::string& prefix) {
    QStringList found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const std::string cmdline = readHostFile(entry.path() / "cmdline");
        const std::string environ = readHostFile(entry.path() / "environ");
        if (cmdline.find("kstShell.exe") != std::string::npos &&
            environ.find("WINEPREFIX=" + prefix + '\0') != std::string::npos)
            found << QString::fromStdString(name);
    }
    return found;
}

class SysBtnTest : public QObject {
    Q_OBJECT
private slots:
    void showingAPlacementWritesYBeforeX() {
        ShellMachine machine;
        SysBtnPage page;
        QCOMPARE(page.cboSE->itemText(3), LoadResString(469));
        // "Position" shows left and top: the new Y goes out with the previous X (the width), then
        // both new values; "Size" brings width and height back the same way.
        machine.shell->calls.clear();
        page.optPos->click();
        QCOMPARE(page.fields(), QStringList({"0", "580"}));
        page.optSize->click();
        QCOMPARE(page.fields(), QStringList({"58", "20"}));
        QCOMPARE(
            machine.shell->calls,
            QStringList({"SetWindowPos 101 0 58 580 0 0 0x11", "SetWindowPos 101 0 0 580 0 0 0x11",
                         "SetWindowPos 101 0 0 0 0 20 0x12", "SetWindowPos 101 0 0 0 58 20 0x12"}));
    }

    void elementsAreFoundAsListed() {
        // The element chosen, whether Progman and the tray exist, the window found and its fields:
        // Progman missing and there, the taskbar, the tray missing and there.
        const int rows[][5] = {{1, 0, 0, 0, 0},
                               {1, 1, 102, 800, 600},
                               {2, 0, 100, 800, 20},
                               {3, 0, 0, 0, 0},
                               {3, 1, 103, 90, 20}};
        for (const auto& [index, fullShell, element, x, y] : rows) {
            ShellMachine machine;
            if (fullShell)
                machine.windows.insert({{102, {"Progman", 0, {0, 0, 800, 600}}},
                                        {103, {"TrayNotifyWnd", 100, {710, 580, 800, 600}}}});
            SysBtnPage page;
            page.cboSE->setCurrentIndex(index);
            QCOMPARE(page.form.element(), WindowHandle(element));
            QCOMPARE(page.fields(), numbers(x, y));
            // A missing element takes no action at all.
            machine.shell->calls.clear();
            page.btnSH->click();
            page.btnED->click();
            page.TxtX->setText("5");
            QCOMPARE(machine.shell->calls.isEmpty(), element == 0);
        }
    }

    void fieldChangesReachTheWindow() {
        // Pairs of X typed, in size mode and then in position mode, and the call it makes after
        // "SetWindowPos 101 0 " ("" when it is not applied): the Start button (101) keeps Y = 20
        // in size mode, Y = 580 in position mode. Halves go to the even neighbour.
        const QStringList rows[2] = {
            {"120", "0 0 120 20 0x12", "", "0 0 0 20 0x12", "-50", "0 0 50 20 0x12", "12px",
             "0 0 12 20 0x12", "2.5", "0 0 2 20 0x12", "3.5", "0 0 4 20 0x12", "99999999999", "",
             "-2147483648", ""},
            {"-50", "-50 580 0 0 0x11", "2147483647", "2147483647 580 0 0 0x11", "2147483648", "",
             "abc", "0 580 0 0 0x11"}};
        for (const bool position : {false, true}) {
            for (qsizetype i = 0; i < rows[position].size(); i += 2) {
                ShellMachine machine;
                SysBtnPage page;
                if (position)
                    page.optPos->click();
                machine.shell->calls.clear();
                page.TxtX->setText(rows[position][i]);
                const QString call = rows[position][i + 1];
                QCOMPARE(machine.shell->calls, call.isEmpty()
                                                   ? QStringList()
                                                   : QStringList{"SetWindowPos 101 0 " + call});
            }
        }
    }

    void pageDrivesTheWineDesktop() {
        KESTREL_QT_MACHINE(on);
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            if (wineRequired())
                QFAIL("no X server: run this test under xvfb-run");
            QSKIP("no X server: run this test under xvfb-run");
        }
        const std::string prefix = on.prefix().path();

        // No desktop runs yet: the page says how to start one and finds nothing.
        {
            SysBtnPage page;
            QVERIFY(!page.lblHelp->isHidden() && page.form.element() == 0);
            QCOMPARE(page.lblHelp->text(), LoadResString(970));
        }

        QVERIFY(Reg::SaveDWord(HKEY_CURRENT_USER,
                               QStringLiteral("Software\\Wine\\Explorer\\Desktops\\") + Desktop,
                               QStringLiteral("EnableShell"), 1));
        QVERIFY(wine::startDetached(
            {"wine", "explorer", std::string("/desktop=") + Desktop + ",800x600"},
            {{"WINEPREFIX", prefix}, {"WINEDEBUG", "-all"}}));
        QList<int> taskbar;
        QTRY_VERIFY2_WITH_TIMEOUT((taskbar = probeWindow(on)).value(Visible),
                                  "the Wine desktop did not show its taskbar within a minute",
                                  60000);

        SysBtnPage page;
        QVERIFY(page.lblHelp->isHidden());
        QCOMPARE(helperProcesses(prefix).size(), 1);
        const QList<int> start = probeWindow(on, "Button");
        QVERIFY(!start.isEmpty());
        QCOMPARE(page.fields(), numbers(start[Width], start[Height]));

        // "Position" shows the Start button where SetWindowPos places it, within the taskbar, so
        // showing it moves nothing.
        page.optPos->click();
        QCOMPARE(page.fields(), numbers(start[Left] - taskbar[Left], start[Top] - taskbar[Top]));
        QCOMPARE(probeWindow(on, "Button").mid(Left, 4), start.mid(Left, 4));
        page.optSize->click();

        // Size, then position, of the Start button (0) and of the taskbar (2), typed as a user
        // types: the element, position (1) or size (0), X and Y typed, and X and Y then seen.
        const int steps[][6] = {{0, 0, 120, 30, 120, 30},
                                {0, 1, 10, -5, 10, -5},
                                {2, 0, -400, 40, 400, 40},
                                {2, 1, -50, 300, -50, 300}};
        for (const auto& [element, position, x, y, expectX, expectY] : steps) {
            page.cboSE->setCurrentIndex(element);
            (position ? page.optPos : page.optSize)->click();
            typeInto(page.TxtX, QString::number(x));
            typeInto(page.TxtY, QString::number(y));
            const QList<int> seen = probeWindow(on, element == 0 ? "Button" : "");
            QVERIFY2(!seen.isEmpty(), qPrintable(QStringLiteral("element %1").arg(element)));
            // SetWindowPos places a child within its parent; the placement reads back on the
            // screen.
            const QList<int> parent = element == 0 && position ? probeWindow(on) : QList<int>{0, 0};
            QCOMPARE(seen[position ? Left : Width], expectX + parent[Left]);
            QCOMPARE(seen[position ? Top : Height], expectY + parent[Top]);
        }

        // Show/Hide and Enable/Disable twice on each: off, then back on.
        for (int element : {0, 2}) {
            page.cboSE->setCurrentIndex(element);
            for (int click = 0; click < 4; ++click) {
                (click < 2 ? page.btnSH : page.btnED)->click();
                const QList<int> seen = probeWindow(on, element == 0 ? "Button" : "");
                QCOMPARE(bool(seen.value(click < 2 ? Visible : Enabled)), click % 2 == 1);
            }
        }

        // A helper that dies leaves every element "not found"; nothing waits for it.
        const QStringList helpers = helperProcesses(prefix);
        QCOMPARE(helpers.size(), 1);
        ::kill(helpers.first().toInt(), SIGKILL);
        page.cboSE->setCurrentIndex(0);
        page.btnSH->click();
        QVERIFY(page.form.element() == 0 && page.fields() == QStringList({"0", "0"}));
        QVERIFY(probeWindow(on).value(Visible));

        // A new opening starts a new helper; closing the page ends it.
        {
            SysBtnPage again;
            QVERIFY(again.form.element() != 0);
            QCOMPARE(helperProcesses(prefix).size(), 1);
            again.form.Form_Unload();
            QVERIFY(helperProcesses(prefix).isEmpty());
        }
        // Once both pages are closed nothing of them is left in the prefix.
        page.form.Form_Unload();
        const QDir temp(QString::fromStdString(on.prefix().file("drive_c/windows/temp")));
        QCOMPARE(temp.entryList({"kestrel-shell-*"}, QDir::AllEntries), QStringList());
    }
};

} // namespace

QTEST_MAIN(SysBtnTest)
#include "SysBtnTest.moc"
