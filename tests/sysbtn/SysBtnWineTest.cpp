// The system elements page on a Wine prefix with a running virtual desktop that shows its
// taskbar (run under its own X server, see CMakeLists.txt). Every change the page makes is read
// back by the Win32 probe, a separate Windows program joining the same desktop.

#include "SysBtnPage.h"
#include "platform/wine/Process.h"
#include "resources/Catalogue.h"
#include "tests/support/PageTestKit.h"

#include <QDir>
#include <QElapsedTimer>
#include <csignal>
#include <filesystem>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

const char* const Desktop = "kestrel";

struct Seen {
    int left = 0, top = 0, width = 0, height = 0;
    bool visible = false, enabled = false;
    bool found = false;
};

// What the probe reads of the taskbar, or of its Start button when child is "Button".
Seen probeWindow(MachineOnPrefix& on, const std::string& child = {}) {
    std::vector<std::string> args{KESTREL_WIN32PROBE, "window", Desktop, "Shell_TrayWnd"};
    if (!child.empty())
        args.push_back(child);
    const QStringList words = QString::fromStdString(on.prefix().wine(args).output)
                                  .simplified()
                                  .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    Seen seen;
    if (words.size() != 6)
        return seen;
    seen = {words[0].toInt(),
            words[1].toInt(),
            words[2].toInt() - words[0].toInt(),
            words[3].toInt() - words[1].toInt(),
            words[4] == QLatin1String("1"),
            words[5] == QLatin1String("1"),
            true};
    return seen;
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

class SysBtnWineTest : public QObject {
    Q_OBJECT
private slots:
    void pageDrivesTheWineDesktop();
};

void SysBtnWineTest::pageDrivesTheWineDesktop() {
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
        QVERIFY(!page.lblHelp->isHidden());
        QCOMPARE(page.lblHelp->text(), LoadResString(970));
        QCOMPARE(page.form.element(), WindowHandle(0));
    }

    QVERIFY(Reg::SaveDWord(HKEY_CURRENT_USER,
                           QStringLiteral("Software\\Wine\\Explorer\\Desktops\\") + Desktop,
                           QStringLiteral("EnableShell"), 1));
    QVERIFY(
        wine::startDetached({"wine", "explorer", std::string("/desktop=") + Desktop + ",800x600"},
                            {{"WINEPREFIX", prefix}, {"WINEDEBUG", "-all"}}));
    QElapsedTimer started;
    started.start();
    Seen taskbar;
    while (!(taskbar = probeWindow(on)).visible && started.elapsed() < 60000)
        QTest::qWait(500);
    QVERIFY2(taskbar.visible, "the Wine desktop did not show its taskbar within a minute");

    SysBtnPage page;
    QVERIFY(page.lblHelp->isHidden());
    QCOMPARE(helperProcesses(prefix).size(), 1);
    Seen start = probeWindow(on, "Button");
    QVERIFY(start.found);
    QCOMPARE(page.fields(),
             QStringList({QString::number(start.width), QString::number(start.height)}));

    // "Position" shows the Start button where SetWindowPos places it, within the taskbar, so
    // showing it moves nothing.
    page.optPos->click();
    QCOMPARE(page.fields(), QStringList({QString::number(start.left - taskbar.left),
                                         QString::number(start.top - taskbar.top)}));
    const Seen shown = probeWindow(on, "Button");
    QCOMPARE(QList<int>({shown.left, shown.top, shown.width, shown.height}),
             QList<int>({start.left, start.top, start.width, start.height}));
    page.optSize->click();

    // Size, then position, of the Start button and of the taskbar, typed as a user types.
    struct Step {
        int element;
        bool position;
        QString x, y;
        int expectX, expectY;
    };
    const Step steps[] = {
        {0, false, "120", "30", 120, 30},
        {0, true, "10", "-5", 10, -5},
        {2, false, "-400", "40", 400, 40},
        {2, true, "-50", "300", -50, 300},
    };
    for (const Step& step : steps) {
        page.cboSE->setCurrentIndex(step.element);
        (step.position ? page.optPos : page.optSize)->click();
        typeInto(page.TxtX, step.x);
        typeInto(page.TxtY, step.y);
        const Seen seen = probeWindow(on, step.element == 0 ? "Button" : "");
        const QString what = QStringLiteral("element %1 %2 %3,%4")
                                 .arg(step.element)
                                 .arg(step.position ? "position" : "size", step.x, step.y);
        QVERIFY2(seen.found, qPrintable(what));
        // SetWindowPos places a child within its parent; the placement reads back on the
        // screen.
        const Seen parent = step.element == 0 && step.position ? probeWindow(on) : Seen{};
        QCOMPARE(step.position ? seen.left : seen.width, step.expectX + parent.left);
        QCOMPARE(step.position ? seen.top : seen.height, step.expectY + parent.top);
    }

    // Show/Hide and Enable/Disable twice on each: off, then back on.
    for (int element : {0, 2}) {
        page.cboSE->setCurrentIndex(element);
        const std::string child = element == 0 ? "Button" : "";
        for (bool expected : {false, true}) {
            page.btnSH->click();
            QCOMPARE(probeWindow(on, child).visible, expected);
        }
        for (bool expected : {false, true}) {
            page.btnED->click();
            QCOMPARE(probeWindow(on, child).enabled, expected);
        }
    }

    // A helper that dies leaves every element "not found"; nothing waits for it.
    const QStringList helpers = helperProcesses(prefix);
    QCOMPARE(helpers.size(), 1);
    ::kill(helpers.first().toInt(), SIGKILL);
    page.cboSE->setCurrentIndex(0);
    page.btnSH->click();
    QCOMPARE(page.form.element(), WindowHandle(0));
    QCOMPARE(page.fields(), QStringList({"0", "0"}));
    QVERIFY(probeWindow(on).visible);

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

} // namespace

QTEST_MAIN(SysBtnWineTest)
#include "SysBtnWineTest.moc"
