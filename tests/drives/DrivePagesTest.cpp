// The drive pages on throw-away prefixes. Mounting: which letters it offers, the command lines it
// starts, the one-second wait, and Wine's GetDriveTypeA on the result. Automount: the start-up
// entry, the launcher file, the profile file, the editor, and the launcher mapping the letters
// again when the prefix starts.

#include "pages/drives/frmVHDD.h"
#include "pages/drives/frmVHDDrun.h"
#include "resources/Catalogue.h"
#include "tests/support/PageTestKit.h"
#include "ui/controls/DirListBox.h"

#include <QCheckBox>
#include <QGroupBox>
#include <filesystem>

using namespace kestrel;
using namespace kestrel::testing;
namespace fs = std::filesystem;

namespace {

// Wine's GetDriveTypeA of the letters from C: to Z:, by "E:"; keys(type) lists a type's letters.
QMap<QString, unsigned> wineDrives(MachineOnPrefix& on) {
    QMap<QString, unsigned> types;
    for (const QString& line : probe(on, {"drives"}))
        types.insert(line.left(1) + QLatin1Char(':'), line.mid(2).toUInt());
    return types;
}

// The machine on the test's prefix, remembering the command lines the page starts; current for
// as long as it lives.
class Recording : public wine::WineMachine {
public:
    explicit Recording(MachineOnPrefix& on) : WineMachine(on.prefix().path()), on_(on) {
        Machine::setCurrent(this);
    }
    ~Recording() override { Machine::setCurrent(&on_.machine()); }
    bool winExec(const std::string& line, int show) override {
        commands.push_back(line + " /show:" + std::to_string(show));
        return WineMachine::winExec(line, show);
    }
    std::vector<std::string> commands;

private:
    MachineOnPrefix& on_;
};

// Each flag as a digit, 1 or 0.
QString digits(std::initializer_list<bool> flags) {
    QString text;
    for (bool flag : flags)
        text += flag ? '1' : '0';
    return text;
}

// Links every free letter from D: to Z: to a folder of C:.
void takeEveryLetter(MachineOnPrefix& on) {
    fs::create_directories(hostPath(on, "C:\\") + "/all");
    for (char letter = 'd'; letter <= 'z'; ++letter) {
        const std::string link = on.prefix().file(std::string("dosdevices/") + letter + ":");
        if (!fs::exists(fs::symlink_status(link)))
            fs::create_symlink(hostPath(on, "C:\\") + "/all", link);
    }
}

struct VhddPage : OpenPage<frmVHDD> {
    QComboBox* cbDrive() { return get<QComboBox>("cbDrive"); }
    QComboBox* cbUm() { return get<QComboBox>("cbUm"); }
    // Whether the two lists and the two buttons are enabled.
    QString enabled() {
        return digits({cbDrive()->isEnabled(), cbUm()->isEnabled(), get("cmdMount")->isEnabled(),
                       get("cmdUm")->isEnabled()});
    }
};

struct AutoPage : OpenPage<frmVHDDrun> {
    QCheckBox* chkAutorun() { return get<QCheckBox>("chkAutorun"); }
    QComboBox* cboD() { return get<QComboBox>("cboD"); }
    QComboBox* cbodN() { return get<QComboBox>("cbodN"); }
    QLineEdit* txtP() { return get<QLineEdit>("txtP"); }
    QLineEdit* txtpN() { return get<QLineEdit>("txtpN"); }
    void choose(int index) {
        cboD()->setCurrentIndex(index);
        emit cboD()->activated(index);
    }
    // New profile through the editor.
    void add(const QString& letter, const QString& path) {
        click("btnN");
        cbodN()->setCurrentIndex(cbodN()->findText(letter));
        QCOMPARE(cbodN()->currentText(), letter);
        txtpN()->setText(path);
        click("btnsN");
    }
    // The profiles' letters, the chosen one and the path shown.
    QString profiles() {
        return items(cboD()).join(' ') + '|' + cboD()->currentText() + '|' + txtP()->text();
    }
    // What the page shows: the box ticked, the box enabled, the profiles, the editor.
    QString shows() {
        return digits({chkAutorun()->isChecked(), chkAutorun()->isEnabled(),
                       get<QGroupBox>("frameO")->isVisibleTo(&page),
                       get<QGroupBox>("FrameN")->isVisibleTo(&page)});
    }
};
const QString Overview = "1110", Editing = "1001";

// The profile file (".ini") or the launcher (".exe") in the prefix's system folder.
std::string kstSubst(MachineOnPrefix& on, const char* ending = ".ini") {
    return hostPath(on, std::string("C:\\windows\\system32\\kstSubst") + ending);
}

// Wine's own reading of the start-up entry; nothing when it is missing.
std::optional<QString> wineRunEntry(MachineOnPrefix& on) {
    return wineQuery(on, "HKLM\\" + frmVHDDrun::RunKey, frmVHDDrun::RunValue);
}

} // namespace

class DrivePagesTest : public QObject {
    Q_OBJECT
private slots:
    void lettersAsWineSeesThem() {
        KESTREL_QT_MACHINE(on);
        // A CD drive is in neither list; a folder linked as a letter is a fixed disk.
        for (const std::string folder : {"h:cd", "k:disk"}) {
            fs::create_directories(hostPath(on, "C:\\") + "/" + folder.substr(2));
            fs::create_symlink(hostPath(on, "C:\\") + "/" + folder.substr(2),
                               on.prefix().file("dosdevices/" + folder.substr(0, 2)));
        }
        on.prefix().wine(
            {"reg", "add", "HKLM\\Software\\Wine\\Drives", "/v", "h:", "/d", "cdrom", "/f"});
        on.prefix().stopWineServer();

        Recording recording(on);
        VhddPage p;
        const auto drives = wineDrives(on);
        const QStringList free = drives.keys(DRIVE_NO_ROOT_DIR), fixed = drives.keys(DRIVE_FIXED);
        QVERIFY(!free.contains("H:") && !fixed.contains("H:"));
        QVERIFY(fixed.contains("C:") && fixed.contains("K:"));
        QCOMPARE(items(p.cbDrive()), free);
        QCOMPARE(items(p.cbUm()), fixed);
        // The first letters chosen, neither list editable, everything enabled.
        QCOMPARE(digits({p.cbDrive()->currentIndex() == 0, p.cbUm()->currentIndex() == 0,
                         p.cbDrive()->isEditable(), p.cbUm()->isEditable()}) +
                     p.enabled(),
                 "11001111");

        // With every letter taken the mount list is empty and its button does nothing.
        takeEveryLetter(on);
        VhddPage full;
        QCOMPARE(full.cbDrive()->count(), 0);
        full.click("cmdMount");
        QVERIFY(recording.commands.empty());
        QCOMPARE(full.enabled(), "1111");
    }

    void mountAndUnmountAFolderWithBlanks() {
        KESTREL_QT_MACHINE(on);
        fs::create_directories(hostPath(on, "C:\\") + "/Path With Blanks");
        Recording recording(on);
        VhddPage p;
        QVERIFY(p.get<DirListBox>("DirTH")->setPath("C:\\"));
        QVERIFY(p.get<DirListBox>("DirTH")->select("C:\\Path With Blanks"));
        writeHost(hostPath(on, "C:\\Path With Blanks") + "/seen.txt", "through E:");

        // Each command greys the controls for the wait, then the lists follow Wine's drives, and
        // Wine finds the folder's contents through the letter while it is mapped.
        for (const bool mount : {true, false}) {
            QComboBox* list = mount ? p.cbDrive() : p.cbUm();
            list->setCurrentIndex(list->findText("E:"));
            QCOMPARE(list->currentText(), "E:");
            p.click(mount ? "cmdMount" : "cmdUm");
            QCOMPARE(p.enabled(), "0000");
            QTest::qWait(frmVHDD::RefreshDelay / 2);
            QCOMPARE(p.enabled(), "0000");
            QTRY_COMPARE_WITH_TIMEOUT(p.enabled(), "1111", 3 * frmVHDD::RefreshDelay);
            QCOMPARE(digits({items(p.cbDrive()).contains("E:"), items(p.cbUm()).contains("E:")}),
                     mount ? "01" : "10");
            QCOMPARE(wineDrives(on)["E:"], mount ? DRIVE_FIXED : DRIVE_NO_ROOT_DIR);
            QCOMPARE(probe(on, {"read", "E:\\seen.txt"}).value(0), mount ? "through E:" : "FAILED");
        }
        QCOMPARE(recording.commands,
                 std::vector<std::string>(
                     {"Subst E: \"C:\\Path With Blanks\" /show:0", "Subst /D E: /show:0"}));
        // The folder itself is untouched.
        QVERIFY(fs::exists(hostPath(on, "C:\\Path With Blanks") + "/seen.txt"));
    }

    void startUpEntryLauncherAndTheLettersAtStartUp() {
        KESTREL_QT_MACHINE(on);
        const QByteArray launcher = LoadResData("KSTSUBST", "CUSTOM");
        QVERIFY2(!launcher.isEmpty(), "this build carries no KSTSUBST launcher resource");
        QVERIFY(Reg::SaveString(HKEY_LOCAL_MACHINE, frmVHDDrun::RunKey, "Other", "other.exe"));
        AutoPage p;
        // No start-up entry: only the check box, unticked.
        QCOMPARE(p.shows(), "0100");
        QCOMPARE(p.chkAutorun()->text(), "Mount VHDD while Windows runing");
        p.chkAutorun()->click();
        QCOMPARE(p.shows(), Overview);
        QCOMPARE(wineRunEntry(on), "kstSubst.exe");
        // The launcher is written from the program's own resource.
        QCOMPARE(QByteArray::fromStdString(readHostFile(kstSubst(on, ".exe"))), launcher);
        p.click("btnN");
        QCOMPARE(p.shows(), Editing);
        p.click("btnC");
        QCOMPARE(p.shows(), Overview);
        QVERIFY(!fs::exists(kstSubst(on)));
        fs::create_directories(hostPath(on, "C:\\") + "/Games");
        fs::create_directories(hostPath(on, "C:\\") + "/Work");
        p.add("E:", "C:\\Games");
        p.add("F:", "C:\\Work");
        const std::string profiles = readHostFile(kstSubst(on));

        // Take both letters away and start the prefix as Windows starts: the registered
        // launcher maps both letters again.
        on.machine().winExec("Subst /D E:", SW_HIDE);
        on.machine().winExec("Subst /D F:", SW_HIDE);
        QVERIFY(wineDrives(on).keys(DRIVE_NO_ROOT_DIR).join(' ').contains("E: F:"));
        QCOMPARE(on.prefix().run({"wineboot"}, {{"WINEDEBUG", "-all"}}).exitCode, 0);
        on.prefix().stopWineServer();
        QTRY_VERIFY_WITH_TIMEOUT(fs::exists(fs::symlink_status(on.prefix().file("dosdevices/f:"))),
                                 10000);
        QVERIFY(wineDrives(on).keys(DRIVE_FIXED).join(' ').contains("E: F:"));
        writeHost(hostPath(on, "C:\\Games") + "/g.txt", "games");
        QCOMPARE(probe(on, {"read", "E:\\g.txt"}).value(0), "games");

        // Unticking removes only the start-up entry.
        p.chkAutorun()->click();
        QCOMPARE(p.shows(), "0100");
        QCOMPARE(wineRunEntry(on), std::nullopt);
        QCOMPARE(wineQuery(on, "HKLM\\" + frmVHDDrun::RunKey, "Other"), "other.exe");
        QCOMPARE(readHostFile(kstSubst(on)), profiles);
        QCOMPARE(QByteArray::fromStdString(readHostFile(kstSubst(on, ".exe"))), launcher);

        // A launcher already there is left as it is.
        writeHost(kstSubst(on, ".exe"), "somebody else's kstSubst");
        p.chkAutorun()->click();
        QCOMPARE(readHostFile(kstSubst(on, ".exe")), std::string("somebody else's kstSubst"));
        QCOMPARE(wineRunEntry(on), "kstSubst.exe");

        // Opening the page again with the entry keeps the box ticked and writes nothing.
        fs::remove(kstSubst(on, ".exe"));
        AutoPage again;
        QCOMPARE(again.shows(), Overview);
        QVERIFY(!fs::exists(kstSubst(on, ".exe")));
    }

    // Profiles are saved in order, read back by a new opening, and deleting selects the first.
    void profilesSavedReadBackDeletedAndRefused() {
        KESTREL_QT_MACHINE(on);
        AutoPage first;
        first.chkAutorun()->click();
        QCOMPARE(first.shows(), Overview);
        first.add("H:", "C:\\One");
        first.add("E:", "D:\\Two");
        QCOMPARE(readHostFile(kstSubst(on)), std::string("H:C:\\One\r\nE:D:\\Two\r\n"));
        QCOMPARE(first.profiles(), "H: E:|H:|C:\\One");

        AutoPage again;
        QCOMPARE(again.profiles(), "H: E:|H:|C:\\One");
        again.choose(1);
        QCOMPARE(again.profiles(), "H: E:|E:|D:\\Two");
        again.click("btnD");
        QCOMPARE(again.profiles(), "H:|H:|C:\\One");
        QCOMPARE(readHostFile(kstSubst(on)), std::string("H:C:\\One\r\n"));

        // Deleting the last one leaves an empty file; deleting again changes nothing.
        again.click("btnD");
        QCOMPARE(again.profiles(), "||");
        QVERIFY(fs::exists(kstSubst(on)) && fs::file_size(kstSubst(on)) == 0);
        again.click("btnD");
        QVERIFY(fs::exists(kstSubst(on)) && fs::file_size(kstSubst(on)) == 0);
        QVERIFY(again.dialogs.questions.isEmpty());

        // Refused input, each with its message, leaves the editor open and the profiles as they
        // were. Edit without a profile: nothing to edit.
        AutoPage p;
        p.click("btnS");
        QCOMPARE(p.shows(), Overview);
        p.add("E:", "C:\\Games");
        const std::string saved = readHostFile(kstSubst(on));

        const std::pair<QString, int> bad[] = {
            {"C:\\a,b", 902}, {"\"C:\\Games\"", 902}, {QString(), 901}, {"C:\\Music", 900}};
        for (const auto& [path, message] : bad) {
            // Last, with every letter from D: to Z: taken, there is no letter to save.
            if (message == 900)
                takeEveryLetter(on);
            p.dialogs.messages.clear();
            p.click("btnN");
            p.txtpN()->setText(path);
            p.click("btnsN");
            QCOMPARE(p.dialogs.messages, QStringList{LoadResString(message)});
            QCOMPARE(p.shows(), Editing);
            p.click("btnC");
            QCOMPARE(readHostFile(kstSubst(on)), saved);
            QCOMPARE(p.cboD()->count(), 1);
        }
        QCOMPARE(p.cbodN()->count(), 0);
    }
};

QTEST_MAIN(DrivePagesTest)
#include "DrivePagesTest.moc"
