// The drive pages on throw-away prefixes. Mounting: which letters it offers, the command lines it
// starts, the one-second wait, and Wine's GetDriveTypeA on the result. Automount: the start-up
// entry, the launcher file, the profile file, the editor, and the launcher mapping the letters
// again when the prefix starts.

#include "pages/drives/frmVHDD.h"
#include "pages/drives/frmVHDDrun.h"
#include "resources/Catalogue.h"
#include "tests/support/PageTestKit.h"
#include "ui/RegQt.h"
#include "ui/controls/DirListBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>

using namespace kestrel;
using namespace kestrel::testing;
namespace fs = std::filesystem;

namespace {

// The letters from C: to Z: of the given Wine drive type, as "E:".
QStringList wineLetters(MachineOnPrefix& on, unsigned type) {
    QStringList list;
    for (const QString& line : probe(on, {"drives"}))
        if (line.size() > 2 && line.mid(2).toUInt() == type)
            list << line.left(1) + QLatin1Char(':');
    return list;
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

// A page loaded at a size, its dialogs answered.
template <class P> struct Loaded {
    Dialogs dialogs;
    P page;
    Loaded() {
        page.resize(600, 500);
        page.Form_Load();
    }
    template <class T = QPushButton> T* get(const char* name) {
        return page.template findChild<T*>(QLatin1String(name));
    }
    void click(const char* button) { get(button)->click(); }
};

struct VhddPage : Loaded<frmVHDD> {
    QComboBox* cbDrive() { return get<QComboBox>("cbDrive"); }
    QComboBox* cbUm() { return get<QComboBox>("cbUm"); }
    // Whether the two lists and the two buttons are enabled.
    QString enabled() {
        return digits({cbDrive()->isEnabled(), cbUm()->isEnabled(), get("cmdMount")->isEnabled(),
                       get("cmdUm")->isEnabled()});
    }
};

struct AutoPage : Loaded<frmVHDDrun> {
    QCheckBox* chkAutorun() { return get<QCheckBox>("chkAutorun"); }
    QComboBox* cboD() { return get<QComboBox>("cboD"); }
    QComboBox* cbodN() { return get<QComboBox>("cbodN"); }
    QLineEdit* txtP() { return get<QLineEdit>("txtP"); }
    QLineEdit* txtpN() { return get<QLineEdit>("txtpN"); }
    void choose(int index) {
        cboD()->setCurrentIndex(index);
        emit cboD()->activated(index);
    }
    void tick() {
        if (!chkAutorun()->isChecked())
            chkAutorun()->click();
        QVERIFY(chkAutorun()->isChecked());
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

std::string profileFile(MachineOnPrefix& on) {
    return hostPath(on, "C:\\windows\\system32\\kstSubst.ini");
}
std::string launcherFile(MachineOnPrefix& on) {
    return hostPath(on, "C:\\windows\\system32\\kstSubst.exe");
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
        fs::create_directories(hostPath(on, "C:\\") + "/cd");
        fs::create_directories(hostPath(on, "C:\\") + "/disk");
        fs::create_symlink(hostPath(on, "C:\\") + "/cd", on.prefix().file("dosdevices/h:"));
        fs::create_symlink(hostPath(on, "C:\\") + "/disk", on.prefix().file("dosdevices/k:"));
        on.prefix().wine(
            {"reg", "add", "HKLM\\Software\\Wine\\Drives", "/v", "h:", "/d", "cdrom", "/f"});
        on.prefix().stopWineServer();

        Recording recording(on);
        VhddPage p;
        const QStringList free = wineLetters(on, DRIVE_NO_ROOT_DIR);
        const QStringList fixed = wineLetters(on, DRIVE_FIXED);
        QVERIFY(!free.contains("H:") && !fixed.contains("H:"));
        QVERIFY(fixed.contains("C:") && fixed.contains("K:"));
        QCOMPARE(items(p.cbDrive()), free);
        QCOMPARE(items(p.cbUm()), fixed);
        QCOMPARE(p.cbDrive()->currentIndex(), 0);
        QCOMPARE(p.cbUm()->currentIndex(), 0);
        QVERIFY(!p.cbDrive()->isEditable() && !p.cbUm()->isEditable());
        QCOMPARE(p.enabled(), "1111");

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
        p.cbDrive()->setCurrentIndex(p.cbDrive()->findText("E:"));
        QCOMPARE(p.cbDrive()->currentText(), "E:");

        // Each command greys the controls for the wait, then the lists follow Wine's drives.
        p.click("cmdMount");
        QCOMPARE(recording.commands,
                 std::vector<std::string>{"Subst E: \"C:\\Path With Blanks\" /show:0"});
        QCOMPARE(p.enabled(), "0000");
        QTest::qWait(frmVHDD::RefreshDelay / 2);
        QCOMPARE(p.enabled(), "0000");
        QTRY_COMPARE_WITH_TIMEOUT(p.enabled(), "1111", 3 * frmVHDD::RefreshDelay);
        QVERIFY(!items(p.cbDrive()).contains("E:"));
        QVERIFY(items(p.cbUm()).contains("E:"));
        QCOMPARE(wineDriveType(on, 'E'), DRIVE_FIXED);
        // Wine finds the folder's contents through the new letter.
        writeHost(hostPath(on, "C:\\Path With Blanks") + "/seen.txt", "through E:");
        QCOMPARE(probe(on, {"read", "E:\\seen.txt"}).value(0), "through E:");

        p.cbUm()->setCurrentIndex(p.cbUm()->findText("E:"));
        p.click("cmdUm");
        QCOMPARE(recording.commands.back(), std::string("Subst /D E: /show:0"));
        QCOMPARE(p.enabled(), "0000");
        QTRY_COMPARE_WITH_TIMEOUT(p.enabled(), "1111", 3 * frmVHDD::RefreshDelay);
        QVERIFY(items(p.cbDrive()).contains("E:"));
        QVERIFY(!items(p.cbUm()).contains("E:"));
        QCOMPARE(wineDriveType(on, 'E'), DRIVE_NO_ROOT_DIR);
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
        QCOMPARE(QByteArray::fromStdString(readHostFile(launcherFile(on))), launcher);
        p.click("btnN");
        QCOMPARE(p.shows(), Editing);
        p.click("btnC");
        QCOMPARE(p.shows(), Overview);
        QVERIFY(!fs::exists(profileFile(on)));
        fs::create_directories(hostPath(on, "C:\\") + "/Games");
        fs::create_directories(hostPath(on, "C:\\") + "/Work");
        p.add("E:", "C:\\Games");
        p.add("F:", "C:\\Work");
        const std::string profiles = readHostFile(profileFile(on));

        // Take both letters away and start the prefix as Windows starts: the registered
        // launcher maps both letters again.
        on.machine().winExec("Subst /D E:", SW_HIDE);
        on.machine().winExec("Subst /D F:", SW_HIDE);
        QCOMPARE(wineDriveType(on, 'E'), DRIVE_NO_ROOT_DIR);
        QCOMPARE(wineDriveType(on, 'F'), DRIVE_NO_ROOT_DIR);
        QCOMPARE(on.prefix().run({"wineboot"}, {{"WINEDEBUG", "-all"}}).exitCode, 0);
        on.prefix().stopWineServer();
        QTRY_VERIFY_WITH_TIMEOUT(fs::exists(fs::symlink_status(on.prefix().file("dosdevices/f:"))),
                                 10000);
        QCOMPARE(wineDriveType(on, 'E'), DRIVE_FIXED);
        QCOMPARE(wineDriveType(on, 'F'), DRIVE_FIXED);
        writeHost(hostPath(on, "C:\\Games") + "/g.txt", "games");
        QCOMPARE(probe(on, {"read", "E:\\g.txt"}).value(0), "games");

        // Unticking removes only the start-up entry.
        p.chkAutorun()->click();
        QCOMPARE(p.shows(), "0100");
        QCOMPARE(wineRunEntry(on), std::nullopt);
        QCOMPARE(wineQuery(on, "HKLM\\" + frmVHDDrun::RunKey, "Other"), "other.exe");
        QCOMPARE(readHostFile(profileFile(on)), profiles);
        QCOMPARE(QByteArray::fromStdString(readHostFile(launcherFile(on))), launcher);

        // A launcher already there is left as it is.
        writeHost(launcherFile(on), "somebody else's kstSubst");
        p.chkAutorun()->click();
        QCOMPARE(readHostFile(launcherFile(on)), std::string("somebody else's kstSubst"));
        QCOMPARE(wineRunEntry(on), "kstSubst.exe");

        // Opening the page again with the entry keeps the box ticked and writes nothing.
        fs::remove(launcherFile(on));
        AutoPage again;
        QCOMPARE(again.shows(), Overview);
        QVERIFY(!fs::exists(launcherFile(on)));
    }

    // Profiles are saved in order, read back by a new opening, and deleting selects the first.
    void profilesSavedReadBackAndDeleted() {
        KESTREL_QT_MACHINE(on);
        AutoPage p;
        p.tick();
        p.add("H:", "C:\\One");
        p.add("E:", "D:\\Two");
        QCOMPARE(readHostFile(profileFile(on)), std::string("H:C:\\One\r\nE:D:\\Two\r\n"));
        QCOMPARE(p.profiles(), "H: E:|H:|C:\\One");

        AutoPage again;
        QCOMPARE(again.profiles(), "H: E:|H:|C:\\One");
        again.choose(1);
        QCOMPARE(again.profiles(), "H: E:|E:|D:\\Two");
        again.click("btnD");
        QCOMPARE(again.profiles(), "H:|H:|C:\\One");
        QCOMPARE(readHostFile(profileFile(on)), std::string("H:C:\\One\r\n"));

        // Deleting the last one leaves an empty file; deleting again changes nothing.
        again.click("btnD");
        QCOMPARE(again.profiles(), "||");
        QVERIFY(fs::exists(profileFile(on)));
        QCOMPARE(fs::file_size(profileFile(on)), 0u);
        again.click("btnD");
        QCOMPARE(fs::file_size(profileFile(on)), 0u);
        QVERIFY(again.dialogs.questions.isEmpty());
    }

    void editingOffersItsOwnLetterFirstAndNoOtherProfiles() {
        KESTREL_QT_MACHINE(on);
        // F: is mapped now; E: and G: belong to profiles but are not mapped.
        fs::create_directories(hostPath(on, "C:\\") + "/Work");
        fs::create_symlink(hostPath(on, "C:\\") + "/Work", on.prefix().file("dosdevices/f:"));
        writeHost(profileFile(on), "E:C:\\Games\r\nF:C:\\Work\r\nG:C:\\Music\r\n");
        QVERIFY(Reg::SaveString(HKEY_LOCAL_MACHINE, frmVHDDrun::RunKey, frmVHDDrun::RunValue,
                                "kstSubst.exe"));
        AutoPage p;
        QCOMPARE(p.shows(), Overview);
        p.choose(1);
        QCOMPARE(p.txtP()->text(), "C:\\Work");
        p.click("btnS");
        QCOMPARE(p.shows(), Editing);
        QCOMPARE(p.txtpN()->text(), "C:\\Work");
        QStringList expected{"F:"};
        for (char letter = 'D'; letter <= 'Z'; ++letter)
            if (letter != 'E' && letter != 'G' && wineDriveType(on, letter) == DRIVE_NO_ROOT_DIR)
                expected << QString(QLatin1Char(letter)) + QLatin1Char(':');
        QCOMPARE(items(p.cbodN()), expected);
        QCOMPARE(p.cbodN()->currentText(), "F:");

        // Saving the edit moves the profile to the end and selects the first one.
        p.txtpN()->setText("C:\\Work2");
        p.click("btnsN");
        QCOMPARE(p.shows(), Overview);
        QCOMPARE(readHostFile(profileFile(on)),
                 std::string("E:C:\\Games\r\nG:C:\\Music\r\nF:C:\\Work2\r\n"));
        QCOMPARE(p.profiles(), "E: G: F:|E:|C:\\Games");

        // A new profile is never offered a letter a profile has.
        p.click("btnN");
        for (const char* taken : {"E:", "F:", "G:"})
            QVERIFY(!items(p.cbodN()).contains(QLatin1String(taken)));
        QCOMPARE(p.cbodN()->currentIndex(), 0);
    }

    void refusedInput() {
        KESTREL_QT_MACHINE(on);
        AutoPage p;
        p.tick();
        // Edit without a profile: nothing to edit.
        p.click("btnS");
        QCOMPARE(p.shows(), Overview);
        p.add("E:", "C:\\Games");
        const std::string saved = readHostFile(profileFile(on));

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
            QCOMPARE(readHostFile(profileFile(on)), saved);
            QCOMPARE(p.cboD()->count(), 1);
        }
        QCOMPARE(p.cbodN()->count(), 0);
    }
};

QTEST_MAIN(DrivePagesTest)
#include "DrivePagesTest.moc"
