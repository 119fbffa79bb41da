// The automount page on a throw-away prefix: the start-up entry, the launcher file, the profile
// file, the editor, and the launcher mapping the letters again when the prefix starts.

#include "pages/drives/frmVHDDrun.h"
#include "resources/Catalogue.h"
#include "tests/support/PageTestKit.h"
#include "ui/RegQt.h"

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

struct AutoPage {
    MachineOnPrefix& on;
    Dialogs dialogs;
    frmVHDDrun page;

    explicit AutoPage(MachineOnPrefix& prefix) : on(prefix) {
        page.resize(600, 500);
        page.Form_Load();
    }
    template <class T> T* get(const char* name) { return page.findChild<T*>(QLatin1String(name)); }
    QCheckBox* chkAutorun() { return get<QCheckBox>("chkAutorun"); }
    QGroupBox* frameO() { return get<QGroupBox>("frameO"); }
    QGroupBox* FrameN() { return get<QGroupBox>("FrameN"); }
    QComboBox* cboD() { return get<QComboBox>("cboD"); }
    QComboBox* cbodN() { return get<QComboBox>("cbodN"); }
    QLineEdit* txtP() { return get<QLineEdit>("txtP"); }
    QLineEdit* txtpN() { return get<QLineEdit>("txtpN"); }
    void click(const char* button) { get<QPushButton>(button)->click(); }
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
    bool overview() {
        return chkAutorun()->isChecked() && chkAutorun()->isEnabled() &&
               frameO()->isVisibleTo(&page) && !FrameN()->isVisibleTo(&page);
    }
    bool editing() {
        return !chkAutorun()->isEnabled() && !frameO()->isVisibleTo(&page) &&
               FrameN()->isVisibleTo(&page);
    }
};

std::string profileFile(MachineOnPrefix& on) {
    return hostPath(on, "C:\\windows\\system32\\kstSubst.ini");
}
std::string launcherFile(MachineOnPrefix& on) {
    return hostPath(on, "C:\\windows\\system32\\kstSubst.exe");
}

// Wine's own reading of the start-up entry; nothing when it is missing.
std::optional<QString> wineRunEntry(MachineOnPrefix& on) {
    return wineQuery(on, QStringLiteral("HKLM\\") + frmVHDDrun::RunKey, frmVHDDrun::RunValue);
}

void tickAutorunFromOff(AutoPage& p) {
    if (!p.chkAutorun()->isChecked())
        p.chkAutorun()->click();
    QVERIFY(p.chkAutorun()->isChecked());
}

} // namespace

class AutomountTest : public QObject {
    Q_OBJECT
private slots:
    void statesFollowTheCheckBox() {
        KESTREL_QT_MACHINE(on);
        AutoPage p(on);
        // No start-up entry: only the check box, unticked.
        QVERIFY(!p.chkAutorun()->isChecked());
        QVERIFY(p.chkAutorun()->isEnabled());
        QVERIFY(!p.frameO()->isVisibleTo(&p.page) && !p.FrameN()->isVisibleTo(&p.page));
        QCOMPARE(p.chkAutorun()->text(), QStringLiteral("Mount VHDD while Windows runing"));

        p.chkAutorun()->click();
        QVERIFY(p.overview());
        QCOMPARE(wineRunEntry(on), QStringLiteral("kstSubst.exe"));

        p.click("btnN");
        QVERIFY(p.editing());
        p.click("btnC");
        QVERIFY(p.overview());
        QVERIFY(!fs::exists(profileFile(on)));

        // Opening the page again with the entry keeps the box ticked and writes nothing.
        fs::remove(launcherFile(on));
        AutoPage again(on);
        QVERIFY(again.overview());
        QVERIFY(!fs::exists(launcherFile(on)));
    }

    void launcherAndStartUpEntry() {
        KESTREL_QT_MACHINE(on);
        const QByteArray launcher =
            LoadResData(QStringLiteral("KSTSUBST"), QStringLiteral("CUSTOM"));
        QVERIFY2(!launcher.isEmpty(), "this build carries no KSTSUBST launcher resource");
        QVERIFY(Reg::SaveString(HKEY_LOCAL_MACHINE, frmVHDDrun::RunKey, QStringLiteral("Other"),
                                QStringLiteral("other.exe")));
        AutoPage p(on);
        tickAutorunFromOff(p);
        // The launcher is written from the program's own resource.
        QCOMPARE(QByteArray::fromStdString(readHostFile(launcherFile(on))), launcher);
        p.add(QStringLiteral("E:"), QStringLiteral("C:\\Games"));
        const std::string profiles = readHostFile(profileFile(on));

        // Unticking removes only the start-up entry.
        p.chkAutorun()->click();
        QVERIFY(!p.chkAutorun()->isChecked());
        QVERIFY(!p.frameO()->isVisibleTo(&p.page));
        QCOMPARE(wineRunEntry(on), std::nullopt);
        QString other;
        QVERIFY(
            Reg::GetString(HKEY_LOCAL_MACHINE, frmVHDDrun::RunKey, QStringLiteral("Other"), other));
        QCOMPARE(other, QStringLiteral("other.exe"));
        QCOMPARE(readHostFile(profileFile(on)), profiles);
        QCOMPARE(QByteArray::fromStdString(readHostFile(launcherFile(on))), launcher);

        // A launcher already there is left as it is.
        writeHost(launcherFile(on), "somebody else's kstSubst");
        p.chkAutorun()->click();
        QCOMPARE(readHostFile(launcherFile(on)), std::string("somebody else's kstSubst"));
        QCOMPARE(wineRunEntry(on), QStringLiteral("kstSubst.exe"));
    }

    void profileFileOfTwoProfiles() {
        KESTREL_QT_MACHINE(on);
        AutoPage p(on);
        tickAutorunFromOff(p);
        p.add(QStringLiteral("E:"), QStringLiteral("C:\\Games"));
        p.add(QStringLiteral("F:"), QStringLiteral("D:\\Work"));
        QCOMPARE(readHostFile(profileFile(on)), std::string("E:C:\\Games\r\nF:D:\\Work\r\n"));

        // Read back by a new opening of the page.
        AutoPage again(on);
        QCOMPARE(items(again.cboD()), (QStringList{QStringLiteral("E:"), QStringLiteral("F:")}));
        QCOMPARE(again.txtP()->text(), QStringLiteral("C:\\Games"));
        again.choose(1);
        QCOMPARE(again.txtP()->text(), QStringLiteral("D:\\Work"));
    }

    void editingOffersItsOwnLetterFirstAndNoOtherProfiles() {
        KESTREL_QT_MACHINE(on);
        // F: is mapped now; E: and G: belong to profiles but are not mapped.
        fs::create_directories(hostPath(on, "C:\\") + "/Work");
        fs::create_symlink(hostPath(on, "C:\\") + "/Work", on.prefix().file("dosdevices/f:"));
        writeHost(profileFile(on), "E:C:\\Games\r\nF:C:\\Work\r\nG:C:\\Music\r\n");
        QVERIFY(Reg::SaveString(HKEY_LOCAL_MACHINE, frmVHDDrun::RunKey, frmVHDDrun::RunValue,
                                QStringLiteral("kstSubst.exe")));
        AutoPage p(on);
        QVERIFY(p.overview());
        p.choose(1);
        QCOMPARE(p.txtP()->text(), QStringLiteral("C:\\Work"));
        p.click("btnS");
        QVERIFY(p.editing());
        QCOMPARE(p.txtpN()->text(), QStringLiteral("C:\\Work"));
        QStringList expected{QStringLiteral("F:")};
        for (char letter = 'D'; letter <= 'Z'; ++letter) {
            const QString drive = QString(QLatin1Char(letter)) + QLatin1Char(':');
            if (letter != 'E' && letter != 'G' && wineDriveType(on, letter) == DRIVE_NO_ROOT_DIR)
                expected << drive;
        }
        QCOMPARE(items(p.cbodN()), expected);
        QCOMPARE(p.cbodN()->currentText(), QStringLiteral("F:"));

        // Saving the edit moves the profile to the end and selects the first one.
        p.txtpN()->setText(QStringLiteral("C:\\Work2"));
        p.click("btnsN");
        QVERIFY(p.overview());
        QCOMPARE(readHostFile(profileFile(on)),
                 std::string("E:C:\\Games\r\nG:C:\\Music\r\nF:C:\\Work2\r\n"));
        QCOMPARE(p.cboD()->currentIndex(), 0);
        QCOMPARE(p.txtP()->text(), QStringLiteral("C:\\Games"));

        // A new profile is never offered a letter a profile has.
        p.click("btnN");
        QVERIFY(!items(p.cbodN()).contains(QStringLiteral("E:")));
        QVERIFY(!items(p.cbodN()).contains(QStringLiteral("F:")));
        QVERIFY(!items(p.cbodN()).contains(QStringLiteral("G:")));
        QCOMPARE(p.cbodN()->currentIndex(), 0);
    }

    void saveAndDeleteSelectTheFirstProfile() {
        KESTREL_QT_MACHINE(on);
        AutoPage p(on);
        tickAutorunFromOff(p);
        p.add(QStringLiteral("H:"), QStringLiteral("C:\\One"));
        p.add(QStringLiteral("E:"), QStringLiteral("C:\\Two"));
        QCOMPARE(p.cboD()->currentText(), QStringLiteral("H:"));
        QCOMPARE(p.txtP()->text(), QStringLiteral("C:\\One"));

        p.choose(1);
        p.click("btnD");
        QCOMPARE(items(p.cboD()), QStringList{QStringLiteral("H:")});
        QCOMPARE(p.cboD()->currentIndex(), 0);
        QCOMPARE(p.txtP()->text(), QStringLiteral("C:\\One"));
        QCOMPARE(readHostFile(profileFile(on)), std::string("H:C:\\One\r\n"));

        // Deleting the last one leaves an empty file; deleting again changes nothing.
        p.click("btnD");
        QVERIFY(p.txtP()->text().isEmpty());
        QVERIFY(fs::exists(profileFile(on)));
        QCOMPARE(fs::file_size(profileFile(on)), 0u);
        p.click("btnD");
        QCOMPARE(fs::file_size(profileFile(on)), 0u);
        QVERIFY(p.dialogs.questions.isEmpty());
    }

    void refusedInput() {
        KESTREL_QT_MACHINE(on);
        AutoPage p(on);
        tickAutorunFromOff(p);
        // Edit without a profile: nothing to edit.
        p.click("btnS");
        QVERIFY(p.overview());
        p.add(QStringLiteral("E:"), QStringLiteral("C:\\Games"));
        const std::string saved = readHostFile(profileFile(on));

        const std::pair<QString, int> bad[] = {{QStringLiteral("C:\\a,b"), 902},
                                               {QStringLiteral("\"C:\\Games\""), 902},
                                               {QString(), 901}};
        for (const auto& [path, message] : bad) {
            p.dialogs.messages.clear();
            p.click("btnN");
            p.txtpN()->setText(path);
            p.click("btnsN");
            QCOMPARE(p.dialogs.messages, QStringList{LoadResString(message)});
            QVERIFY(p.editing());
            p.click("btnC");
            QCOMPARE(readHostFile(profileFile(on)), saved);
            QCOMPARE(p.cboD()->count(), 1);
        }

        // With every letter from D: to Z: taken there is no letter to save.
        fs::create_directories(hostPath(on, "C:\\") + "/all");
        for (char letter = 'd'; letter <= 'z'; ++letter) {
            const std::string link = on.prefix().file(std::string("dosdevices/") + letter + ":");
            if (!fs::exists(fs::symlink_status(link)))
                fs::create_symlink(hostPath(on, "C:\\") + "/all", link);
        }
        p.dialogs.messages.clear();
        p.click("btnN");
        QCOMPARE(p.cbodN()->count(), 0);
        p.txtpN()->setText(QStringLiteral("C:\\Music"));
        p.click("btnsN");
        QCOMPARE(p.dialogs.messages, QStringList{LoadResString(900)});
        QVERIFY(p.editing());
        QCOMPARE(readHostFile(profileFile(on)), saved);
    }

    // Tick autorun, save two profiles, take both letters away, and start the prefix as Windows
    // starts: the registered launcher maps both letters again.
    void lettersComeBackWhenThePrefixStarts() {
        KESTREL_QT_MACHINE(on);
        QVERIFY2(!LoadResData(QStringLiteral("KSTSUBST"), QStringLiteral("CUSTOM")).isEmpty(),
                 "this build carries no KSTSUBST launcher resource");
        fs::create_directories(hostPath(on, "C:\\") + "/Games");
        fs::create_directories(hostPath(on, "C:\\") + "/Work");
        {
            AutoPage p(on);
            tickAutorunFromOff(p);
            p.add(QStringLiteral("E:"), QStringLiteral("C:\\Games"));
            p.add(QStringLiteral("F:"), QStringLiteral("C:\\Work"));
        }
        on.machine().winExec("Subst /D E:", SW_HIDE);
        on.machine().winExec("Subst /D F:", SW_HIDE);
        QCOMPARE(wineDriveType(on, 'E'), DRIVE_NO_ROOT_DIR);
        QCOMPARE(wineDriveType(on, 'F'), DRIVE_NO_ROOT_DIR);

        const auto boot = on.prefix().run({"wineboot"}, {{"WINEDEBUG", "-all"}});
        QCOMPARE(boot.exitCode, 0);
        on.prefix().stopWineServer();
        QTRY_VERIFY_WITH_TIMEOUT(fs::exists(fs::symlink_status(on.prefix().file("dosdevices/f:"))),
                                 10000);
        QCOMPARE(wineDriveType(on, 'E'), DRIVE_FIXED);
        QCOMPARE(wineDriveType(on, 'F'), DRIVE_FIXED);
        writeHost(hostPath(on, "C:\\Games") + "/g.txt", "games");
        QCOMPARE(probe(on, {"read", "E:\\g.txt"}).value(0), QStringLiteral("games"));
    }
};

QTEST_MAIN(AutomountTest)
#include "AutomountTest.moc"
