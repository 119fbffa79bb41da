// The shell behaviour pages on throw-away prefixes. Clock texts: what loading makes of the stored
// texts and format, what Apply writes (read back by "wine reg query"), and Wine's own
// GetTimeFormatA agreeing with the page's preview. Shortcuts: loading from the current user's
// "link" and the two IsShortCut values, the bytes Apply writes (read back as REG_BINARY under
// HKCU and HKU\.DEFAULT), and the question on closing a changed page. The uninstall list: which
// registered programs are listed, Hide deleting the right key, and Uninstall starting the
// registered command under Wine, the uninstaller being the Win32 probe, which leaves a marker.

#include "pages/shell/frmClockText.h"
#include "pages/shell/frmUninstall.h"
#include "pages/shell/frmshortcut.h"
#include "platform/Machine.h"
#include "resources/Catalogue.h"
#include "tests/support/PageTestKit.h"
#include "ui/Ansi.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

const QString International = QStringLiteral("Control Panel\\International");
const QString WineKey = QStringLiteral("HKCU\\Control Panel\\International");
// Stands for "no such value" in the tables.
const char* const Missing = "<missing>";

// Stores a value, its bytes being the text's when binary, or deletes it when the text is Missing.
void store(RootKey root, const QString& path, const QString& name, const QString& value,
           bool binary = false) {
    if (value == Missing)
        Reg::DeleteValue(root, path, name);
    else
        QVERIFY(binary ? Reg::SaveBinary(root, path, name, value)
                       : Reg::SaveString(root, path, name, value));
}

struct ClockPage {
    frmClockText form;
    QLineEdit* txtAM = form.findChild<QLineEdit*>(QStringLiteral("txtAM"));
    QLineEdit* txtPM = form.findChild<QLineEdit*>(QStringLiteral("txtPM"));
    QCheckBox* chkOne = form.findChild<QCheckBox*>(QStringLiteral("chkOne"));
    QLabel* lbl1 = form.findChild<QLabel*>(QStringLiteral("lbl1"));
    QLabel* lbl2 = form.findChild<QLabel*>(QStringLiteral("lbl2"));
    QPushButton* cmdAP = form.findChild<QPushButton*>(QStringLiteral("cmdAP"));

    ClockPage() { form.Form_Load(); }
    QRadioButton* option(const QString& name) const { return form.findChild<QRadioButton*>(name); }
    QString selected() const {
        for (const char* name : {"optL", "optR", "optS"})
            if (option(name)->isChecked())
                return name;
        return {};
    }
};

// Stored values, what the page shows, and the format Apply then writes without further edits.
const std::tuple<const char*, const char*, const char*, bool, const char*, const char*, const char*,
                 const char*>
    loadCases[] = {
        // Equal texts, a 12-hour format, no tt, an upper-case TT, a leading tt, tt on both sides.
        {"Zulu", "Zulu", "HH:mm:ss tt", true, "optR", "05:41 Zulu", "14:26 Zulu", "HH:mm:ss tt"},
        {"AM", "PM", "h:mm:ss tt", false, "optR", "05:41 AM", "14:26 PM", "HH:mm:ss tt"},
        {"AM", "PM", "HH:mm:ss", false, "", "05:41", "14:26", "HH:mm:ss tt"},
        {"AM", "PM", "TT HH:mm", false, "", "05:41", "14:26", "HH:mm:ss tt"},
        {"Mor", "Eve", "tt H:mm", false, "optL", "Mor 05:41", "Eve 14:26", "tt HH:mm:ss"},
        {"<", ">", "tt HH:mm tt", false, "optS", "< 05:41 <", "> 14:26 >", "tt HH:mm:ss tt"},
        // Nothing stored.
        {Missing, Missing, Missing, true, "", "05:41", "14:26", "HH:mm:ss tt"},
};

const QString Explorer = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer");
const QString DefaultExplorer = QStringLiteral(".DEFAULT\\") + Explorer;

struct ShortcutPage : LoadedForm<frmshortcut> {
    QLineEdit* txtShortCut = form.findChild<QLineEdit*>(QStringLiteral("txtShortCut"));
    QCheckBox* chkns = form.findChild<QCheckBox*>(QStringLiteral("chkns"));
    QCheckBox* chkni = form.findChild<QCheckBox*>(QStringLiteral("chkni"));
    QPushButton* btnApply = form.findChild<QPushButton*>(QStringLiteral("btnApply"));

    ShortcutPage() : LoadedForm(600, 300) {}
    // "No text" (with the field disabled as it must then be), the text, "no arrow", and whether
    // the page counts as changed.
    QList<QVariant> shown() const {
        return {txtShortCut->isEnabled() != chkns->isChecked() ? QVariant(chkns->isChecked())
                                                               : QVariant("field state"),
                txtShortCut->text(), chkni->isChecked(), form.isChanged()};
    }
};

const QString Uninstall = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
const QString WineUninstall = QStringLiteral("HKLM\\") + Uninstall;
const QString NoPrograms = QStringLiteral("No Programm instalation. Strings Error!");

void set(const QString& subkey, const QString& name, const QString& value) {
    QVERIFY(Reg::SaveString(HKEY_LOCAL_MACHINE, Uninstall + '\\' + subkey, name, value));
}

void removeUninstallKey() {
    Machine::current().registry().deleteKey(HKEY_LOCAL_MACHINE, toAnsi(Uninstall));
}

// Five registrations: three listed (Alpha, Delta, Echo) and two without a usable name around
// them.
void registerPrograms() {
    removeUninstallKey();
    set("A-Named", "DisplayName", "Alpha");
    set("B-NoName", "UninstallString", "b.exe");
    set("C-Empty", "DisplayName", "");
    set("C-Empty", "QuietDisplayName", "Not used: the display name was readable");
    set("D-Quiet", "QuietDisplayName", "Delta");
    set("E-Named", "DisplayName", "Echo");
}

struct UninstallPage : LoadedForm<frmUninstall> {
    QListWidget* lbScr = form.findChild<QListWidget*>(QStringLiteral("lbScr"));
    QListWidget* lbN = form.findChild<QListWidget*>(QStringLiteral("lbN"));
    QPushButton* cmdDel = form.findChild<QPushButton*>(QStringLiteral("cmdDel"));
    QPushButton* cmdUninst = form.findChild<QPushButton*>(QStringLiteral("cmdUninst"));

    UninstallPage() : LoadedForm(600, 400) {}
};

} // namespace

class ShellPagesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Catalogue::setLanguage(Language::English); }

    void loadsAndAppliesTheStoredSettings() {
        for (const auto& [am, pm, format, oneText, option, line1, line2, writtenFormat] :
             loadCases) {
            KESTREL_QT_MACHINE(m);
            store(HKEY_CURRENT_USER, International, "s1159", am);
            store(HKEY_CURRENT_USER, International, "s2359", pm);
            store(HKEY_CURRENT_USER, International, "sTimeFormat", format);
            const QString morning = am == Missing ? "" : am;

            Dialogs dialogs;
            ClockPage page;
            QCOMPARE(QStringList({page.txtAM->text(), page.selected(), page.lbl1->text(),
                                  page.lbl2->text()}),
                     QStringList({morning, option, line1, line2}));
            QVERIFY(page.chkOne->isChecked() == oneText && page.txtPM->isEnabled() != oneText);
            QVERIFY(!page.cmdAP->isEnabled());

            // Refused at the prompt: nothing written. Agreed: the loaded texts and the option's
            // format (the right-hand one when none was selected).
            page.cmdAP->setEnabled(true);
            dialogs.answer = false;
            page.cmdAP->click();
            QCOMPARE(regValue(HKEY_CURRENT_USER, International, "s2359").value_or(Missing),
                     QString(pm));
            dialogs.answer = true;
            page.cmdAP->click();
            QCOMPARE(dialogs.questions + dialogs.titles,
                     QStringList(2, "Save Changes ?") + QStringList(2, "Saving..."));
            QStringList written;
            for (const char* name : {"s1159", "s2359", "sTimeFormat"})
                written << wineQuery(m, WineKey, name).value_or(Missing);
            QCOMPARE(written, QStringList({morning, pm == Missing ? "" : pm, writtenFormat}));
            QVERIFY(page.cmdAP->isEnabled());
        }
    }

    // Wine formats times with the user's regional settings as the preview promised; with one
    // text, the morning text serves both halves of the day.
    void wineFormatsTimesAsThePreviewShows() {
        for (const auto& [option, oneText] :
             {std::pair{"optL", false}, std::pair{"optR", false}, std::pair{"optS", true}}) {
            KESTREL_QT_MACHINE(m);
            Dialogs dialogs;
            ClockPage page;
            if (page.chkOne->isChecked())
                page.chkOne->click();
            QTest::keyClicks(page.txtPM, "Aft");
            page.txtAM->setText(QStringLiteral("Morn"));
            if (oneText)
                page.chkOne->click();
            page.option(option)->click();
            page.cmdAP->click();
            QCOMPARE(probe(m, {"time", "5", "41", "14", "26"}),
                     (QStringList{page.lbl1->text(), page.lbl2->text()}));
        }
    }

    void loadsTheCurrentUsersSettings() {
        // The current user's value, the default profile's (never read), the two arrows, and what
        // the page shows.
        const std::tuple<QString, QString, bool, bool, bool, const char*, bool> rows[] = {
            // The registry layer drops one final zero byte: four zero bytes read as three NULs,
            // and three zero bytes are a text.
            {QString(4, QChar(0)), Missing, true, true, true, "", false},
            {QString(5, QChar(0)), Missing, false, true, true, "", false},
            {QString(3, QChar(0)), Missing, false, false, false, "", true},
            {Missing, "Default ", true, false, true, "", false},
            {"Link to ", Missing, false, false, false, "Link to", true},
            {"Copy", Missing, true, true, false, "Copy", false},
            {"", Missing, false, false, true, "", true},
        };
        for (const auto& [link, defaultLink, lnkArrow, pifArrow, noText, shown, noArrow] : rows) {
            KESTREL_QT_MACHINE(m);
            store(HKEY_CURRENT_USER, Explorer, "link", link, true);
            store(HKEY_USERS, DefaultExplorer, "link", defaultLink, true);
            store(HKEY_CLASSES_ROOT, "lnkfile", "IsShortCut", lnkArrow ? "" : Missing);
            store(HKEY_CLASSES_ROOT, "piffile", "IsShortCut", pifArrow ? "" : Missing);
            Dialogs dialogs;
            ShortcutPage page;
            QCOMPARE(page.shown(), (QList<QVariant>{noText, shown, noArrow, false}));
        }
    }

    void applyOrClosingWritesBothProfilesAndTheArrow() {
        // The boxes as the user leaves them, how the page is left (1: Apply, then closed; 0:
        // closed and Yes answered; -1: closed and No answered), and the bytes then stored.
        const std::tuple<bool, const char*, bool, int, const char*> rows[] = {
            {true, "ignored", true, 1, "00000000"}, // no text, whatever the box holds
            {false, "Link: ", false, 1, "4C696E6B3A2020"},
            {false, "", true, 1, "20"}, // an empty text is one space
            {false, "OldY", false, 0, "4F6C645920"},
            {false, "OldX", true, -1, "4F6C6420"},
        };
        for (const auto& [noText, text, noArrow, leave, bytes] : rows) {
            KESTREL_QT_MACHINE(m);
            store(HKEY_CURRENT_USER, Explorer, "link", "Old ", true);
            store(HKEY_CLASSES_ROOT, "lnkfile", "IsShortCut", noArrow ? "" : Missing);
            store(HKEY_CLASSES_ROOT, "piffile", "IsShortCut", !noArrow ? "" : Missing);
            Dialogs dialogs;
            dialogs.answer = leave >= 0;
            ShortcutPage page;
            if (page.chkns->isChecked())
                page.chkns->click();
            page.txtShortCut->setText(text);
            if (noText)
                page.chkns->click();
            if (page.chkni->isChecked() != noArrow)
                page.chkni->click();
            QVERIFY(page.form.isChanged());
            if (leave == 1) {
                page.btnApply->click();
                QVERIFY(!page.form.isChanged());
            }
            page.form.Form_Unload(); // when applied: nothing left to ask
            QCOMPARE(dialogs.questions, QStringList(leave < 1, "Save Changes ?"));
            QCOMPARE(wineBinary(m, "HKCU\\" + Explorer, "link"), QString(bytes));
            QCOMPARE(wineBinary(m, "HKU\\" + DefaultExplorer, "link"),
                     leave < 0 ? std::nullopt : std::optional<QString>(bytes));
            for (const char* shortcutClass : {"HKCR\\lnkfile", "HKCR\\piffile"})
                if (leave >= 0)
                    QCOMPARE(wineQuery(m, shortcutClass, "IsShortCut"),
                             noArrow ? std::nullopt : std::optional<QString>(QString()));
        }
    }

    // Nothing to list: no key at all, or only registrations without a name.
    void listsNoUnnamedPrograms() {
        KESTREL_QT_MACHINE(m);
        for (const bool keyExists : {false, true}) {
            removeUninstallKey();
            if (keyExists)
                set("B-NoName", "UninstallString", "b.exe");
            UninstallPage empty;
            QCOMPARE(items(empty.lbScr) + items(empty.lbN), QStringList{NoPrograms});
            QVERIFY(!empty.cmdDel->isEnabled() && !empty.cmdUninst->isEnabled());
        }
    }

    // Which programs are listed, and under which keys, Hide judges: it deletes the key of the
    // chosen name and no other.
    void hideDeletesTheSelectedRegistration() {
        // The first, one past the unnamed registrations, and the last.
        const std::tuple<int, QString, QString> rows[] = {
            {0, "A-Named", "Alpha"}, {1, "D-Quiet", "Delta"}, {2, "E-Named", "Echo"}};
        for (const auto& [row, subkey, name] : rows) {
            KESTREL_QT_MACHINE(m);
            registerPrograms();
            Dialogs dialogs;
            UninstallPage page;
            QVERIFY(page.lbN->isHidden() && page.lbScr->currentRow() == 0);
            page.lbScr->setCurrentRow(row);

            dialogs.answer = false;
            page.cmdDel->click();
            QCOMPARE(dialogs.questions + dialogs.titles,
                     QStringList({"You want delete - " + name + " ?", "Saving..."}));
            QCOMPARE(items(page.lbScr).size(), 3);

            dialogs.answer = true;
            page.cmdDel->click();
            QStringList remaining{"Alpha", "Delta", "Echo"};
            remaining.removeAll(name);
            QCOMPARE(items(page.lbScr), remaining);
            QVERIFY(page.lbScr->currentRow() == 0 && page.form.selIndex() == 0);

            // Wine lists the subkeys one per line, each as the full key path.
            const QString parent = "HKEY_LOCAL_MACHINE\\" + Uninstall + '\\';
            QStringList listed;
            for (const QString& line : wineListing(m, WineUninstall).split('\n'))
                if (line.trimmed().startsWith(parent, Qt::CaseInsensitive))
                    listed << line.trimmed().mid(parent.size());
            QStringList expected{"A-Named", "B-NoName", "C-Empty", "D-Quiet", "E-Named"};
            expected.removeAll(subkey);
            QCOMPARE(listed, expected);
        }
    }

    void uninstallRunsTheRegisteredCommand() {
        // Which command the program has, "" for none.
        for (const QString value : {"UninstallString", "QuietUninstallString", ""}) {
            KESTREL_QT_MACHINE(m);
            registerPrograms();
            // The probe, installed as the uninstaller of a program listed between the others.
            const QString folder =
                QString::fromStdString(hostPath(m, "C:\\Program Files")) + "/Kestrel Probe";
            QVERIFY(QDir().mkpath(folder));
            writeHost((folder + "/unins000.exe").toStdString(), readHostFile(KESTREL_WIN32PROBE));
            set("Bravo", "DisplayName", "Bravo");
            if (!value.isEmpty())
                set("Bravo", value,
                    "\"C:\\Program Files\\Kestrel Probe\\unins000.exe\" mark C:\\uninstalled.txt");
            const QString marker = QString::fromStdString(hostPath(m, "C:\\")) + "/uninstalled.txt";

            Dialogs dialogs;
            UninstallPage page;
            QCOMPARE(items(page.lbScr), (QStringList{"Alpha", "Bravo", "Delta", "Echo"}));
            page.lbScr->setCurrentRow(1);
            page.cmdUninst->click();
            // The list is rebuilt at once; the uninstaller runs on its own.
            QVERIFY(page.lbScr->currentRow() == 0 && page.form.selIndex() == 0 &&
                    dialogs.questions.isEmpty());
            if (value.isEmpty()) {
                QCOMPARE(dialogs.messages,
                         QStringList{"You cant uninstall this programm. Path Error."});
                QVERIFY(!QFile::exists(marker));
                continue;
            }
            QVERIFY(dialogs.messages.isEmpty());
            // The uninstaller leaves the marker with its command line in it.
            QTRY_VERIFY_WITH_TIMEOUT(
                readHostFile(marker.toStdString()).find("mark C:\\uninstalled.txt") !=
                    std::string::npos,
                120000);
        }
    }
};

QTEST_MAIN(ShellPagesTest)
#include "ShellPagesTest.moc"
