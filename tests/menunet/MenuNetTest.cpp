// The context menu editor and the TCP/IP tuning page on throw-away prefixes, and the number
// filter of numeric fields. The menu editor: the listing of each scope, Add/Edit/Delete and what
// they write, the enabled states, and the stale index after a delete. The TCP/IP page, on
// Windows 98: adapters, hints and the number filter of its fields, Apply, and the lmhosts list.

#include "app/PageTable.h"
#include "pages/internet/frmInetOpti.h"
#include "pages/shell/frmConFileMenu.h"
#include "resources/Catalogue.h"
#include "tests/support/PageTestKit.h"
#include "ui/NumberFilter.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

// Whether the extension field is read-only, and whether Find, Add, Edit and Delete are enabled.
using State = QList<bool>;
const State AllFiles{true, false, true, true, true};
const State Typing{false, true, false, false, false};
const State Found{false, true, true, true, true};

// The page with its controls found by name, as the user sees them.
struct MenuPage : LoadedForm<frmConFileMenu> {
    QListWidget* lstMenu = form.findChild<QListWidget*>(QStringLiteral("lstMenu"));
    QRadioButton* OptAF = form.findChild<QRadioButton*>(QStringLiteral("OptAF"));
    QRadioButton* OptOF = form.findChild<QRadioButton*>(QStringLiteral("OptOF"));
    QLineEdit* txtExt = form.findChild<QLineEdit*>(QStringLiteral("txtExt"));
    QPushButton* cmdfind = form.findChild<QPushButton*>(QStringLiteral("cmdfind"));
    QLineEdit* txtCaption = form.findChild<QLineEdit*>(QStringLiteral("txtCaption"));
    QLineEdit* txtSub = form.findChild<QLineEdit*>(QStringLiteral("txtSub"));
    QLineEdit* txtCmd = form.findChild<QLineEdit*>(QStringLiteral("txtCmd"));
    QPushButton* cmdadd = form.findChild<QPushButton*>(QStringLiteral("cmdadd"));
    QPushButton* cmdEdit = form.findChild<QPushButton*>(QStringLiteral("cmdEdit"));
    QPushButton* cmdDel = form.findChild<QPushButton*>(QStringLiteral("cmdDel"));

    MenuPage() : LoadedForm(600, 400) {}
    // Switches to one extension and looks it up, as a user does.
    void find(const QString& extension) {
        OptOF->click();
        txtExt->clear();
        QTest::keyClicks(txtExt, extension);
        cmdfind->click();
    }
    void fill(const QString& name, const QString& caption, const QString& command) {
        txtCaption->setText(name);
        txtSub->setText(caption);
        txtCmd->setText(command);
    }
    QStringList fields() const { return {txtCaption->text(), txtSub->text(), txtCmd->text()}; }
    State state() const {
        return {txtExt->isReadOnly(), cmdfind->isEnabled(), cmdadd->isEnabled(),
                cmdEdit->isEnabled(), cmdDel->isEnabled()};
    }
};

void addItem(const QString& shellKey, const QString& name, const QString& caption,
             const QString& command) {
    Reg::SaveString(HKEY_CLASSES_ROOT, shellKey + QLatin1Char('\\') + name, {}, caption);
    Reg::SaveString(HKEY_CLASSES_ROOT, shellKey + QLatin1Char('\\') + name + "\\command", {},
                    command);
}

// An extension without a type whose menu has Alpha and Beta.
void alphaAndBeta(const QString& extension) {
    Reg::SaveString(HKEY_CLASSES_ROOT, extension, {}, "");
    addItem(extension + "\\Shell", "Alpha", "Alpha text", "alpha.exe");
    addItem(extension + "\\Shell", "Beta", "Beta text", "beta.exe");
}

const QString Adapters = "Enum\\Root\\Net";
const QString NetTrans = "System\\CurrentControlSet\\Services\\Class\\NetTrans\\";
const QString Mstcp = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";

struct OptiPage : LoadedForm<frmInetOpti> {
    QComboBox* cbAdap = form.findChild<QComboBox*>("cbAdap");
    QLineEdit* txtMTU = form.findChild<QLineEdit*>("txtMTU");
    QLineEdit* txtMSS = form.findChild<QLineEdit*>("txtMSS");
    QLineEdit* txtTTL = form.findChild<QLineEdit*>("txtTTL");
    QPushButton* cmdAP = form.findChild<QPushButton*>("cmdAP");
    QLineEdit* ip[4] = {form.findChild<QLineEdit*>("ip1"), form.findChild<QLineEdit*>("ip2"),
                        form.findChild<QLineEdit*>("ip3"), form.findChild<QLineEdit*>("ip4")};
    QLineEdit* txtHost = form.findChild<QLineEdit*>("txtHost");
    QListWidget* lslHosts = form.findChild<QListWidget*>("lslHosts");
    QPushButton* cmdadd = form.findChild<QPushButton*>("cmdadd");
    QPushButton* cmdDel = form.findChild<QPushButton*>("cmdDel");

    OptiPage() : LoadedForm(600, 450) {}
    // Types an address and a name, then adds them.
    void addHost(const QStringList& octets, const QString& host) {
        for (int i = 0; i < 4; ++i)
            typeInto(ip[i], octets[i]);
        txtHost->setText(host);
        cmdadd->click();
    }
};

// A Windows 98 prefix with a dial-up adapter, or none.
void windows98(bool adapter = true) {
    makeWindows98();
    if (adapter)
        Reg::SaveString(HKEY_LOCAL_MACHINE, Adapters + "\\0000", "DeviceDesc", "Dial-Up Adapter");
}

QByteArray hostsFile(MachineOnPrefix& m) {
    return QByteArray::fromStdString(readHostFile(m.prefix().file("drive_c/windows/lmhosts")));
}

} // namespace

class MenuNetTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Catalogue::setLanguage(Language::English); }

    // The number filter of numeric fields, as a pure function: the plain number the text starts
    // with, and the filtered text filters to itself.
    void numberFilterLeavesThePlainNumberAtTheStart() {
        const std::pair<const char*, QString> cases[] = {
            {"1500", "1500"},
            {"012", "12"},
            {"5x", "5"},
            {"576 bytes", "576"},
            {"  64", "64"},
            {"+7", "7"},
            {"-5", "-5"},
            {"-05", "-5"},
            // Zero stays only as exactly "0"; no number at the start empties the field.
            {"0", "0"},
            {"00", ""},
            {"0.0", ""},
            {"0x1F", ""},
            {" 0", ""},
            {"abc", ""},
            {"Default=1500", ""},
            {"-", ""},
            {"", ""},
            // Decimals and exponents; an exponent mark without digits is not part of the number.
            {"1.5", "1.5"},
            {"1.50", "1.5"},
            {"1.", "1"},
            {".5", "0.5"},
            {"-0.25", "-0.25"},
            {"1e3", "1000"},
            {"15E2", "1500"},
            {"25e-1", "2.5"},
            {"5e", "5"},
            {"5e+", "5"},
            {"9e99", "9" + QString(99, '0')},
            {"1e999", ""}, // too large to hold: no number
        };
        for (const auto& [text, expected] : cases) {
            const QString once = numberfilter::filtered(QString::fromUtf8(text));
            QCOMPARE(once, expected);
            QCOMPARE(numberfilter::filtered(once), once);
        }
    }

    void plainDecimalHasNoExponent() {
        const std::pair<double, const char*> cases[] = {{536, "536"},
                                                        {-40, "-40"},
                                                        {0, "0"},
                                                        {1e20, "100000000000000000000"},
                                                        {0.0001, "0.0001"},
                                                        {-38.5, "-38.5"},
                                                        {1.5e-7, "0.00000015"},
                                                        {-1.25e17, "-125000000000000000"}};
        for (const auto& [value, text] : cases)
            QCOMPARE(numberfilter::plainDecimal(value), QString(text));
    }

    void listsAllFilesAndEachKindOfExtension() {
        KESTREL_QT_MACHINE(m);
        addItem("*\\Shell", "KestrelOne", "One", "one.exe %1");
        addItem("*\\Shell", "KestrelTwo", "Two", "two.exe %1");
        // A registered type, an extension with an empty type, and an unregistered one.
        Reg::SaveString(HKEY_CLASSES_ROOT, ".kstdoc", {}, "Kestrel.Document");
        addItem("Kestrel.Document\\Shell", "Print", "Print it", "print.exe \"%1\"");
        addItem("Kestrel.Document\\Shell", "Show", "Show it", "show.exe \"%1\"");
        Reg::SaveString(HKEY_CLASSES_ROOT, ".kstraw", {}, "");
        addItem(".kstraw\\Shell", "View", "View it", "view.exe %1");

        MenuPage page;
        QCOMPARE(page.form.curPath(), QStringLiteral("*\\Shell"));
        QCOMPARE(page.OptAF->text(), QStringLiteral("All Files"));
        QCOMPARE(page.txtExt->text(), QStringLiteral("*"));
        QCOMPARE(page.state(), AllFiles);
        QVERIFY(page.lstMenu->isEnabled());
        QCOMPARE(items(page.lstMenu), subkeys(HKEY_CLASSES_ROOT, "*\\Shell"));
        QCOMPARE(page.lstMenu->currentRow(), -1);
        // Choosing an item shows its name, menu text and command.
        page.lstMenu->setCurrentRow(int(items(page.lstMenu).indexOf("KestrelTwo")));
        QCOMPARE(page.fields(), QStringList({"KestrelTwo", "Two", "two.exe %1"}));

        page.OptOF->click();
        QCOMPARE(page.lstMenu->count(), 0);
        QCOMPARE(page.state(), Typing);
        page.find("kstdoc");
        QCOMPARE(page.form.curPath(), QStringLiteral("Kestrel.Document\\Shell"));
        QCOMPARE(items(page.lstMenu), QStringList({"Print", "Show"}));
        QCOMPARE(page.state(), Found);
        page.lstMenu->setCurrentRow(1);
        QCOMPARE(page.fields(), QStringList({"Show", "Show it", "show.exe \"%1\""}));
        // Typing an extension clears the fields and disables the buttons until Find.
        QTest::keyClicks(page.txtExt, "x");
        QCOMPARE(page.state(), Typing);
        QCOMPARE(page.fields(), QStringList({"", "", ""}));

        page.find("kstraw");
        QCOMPARE(page.form.curPath(), QStringLiteral(".kstraw\\Shell"));
        QCOMPARE(items(page.lstMenu), QStringList({"View"}));
        // An unregistered extension only moves the current path; the list stays as it was.
        page.txtExt->clear();
        QTest::keyClicks(page.txtExt, "kstnone");
        page.cmdfind->click();
        QCOMPARE(page.form.curPath(), QStringLiteral(".kstnone\\Shell"));
        QCOMPARE(items(page.lstMenu), QStringList({"View"}));
        QCOMPARE(page.state(), Found);

        QTest::keyClicks(page.txtExt, "y");
        page.OptAF->click();
        QCOMPARE(page.state(), AllFiles);
        QCOMPARE(page.form.curPath(), QStringLiteral("*\\Shell"));

        // The fields stretch to the right edge.
        page.form.show();
        page.form.resize(700, 400);
        QCOMPARE(page.txtCmd->geometry().right() + 1, 700 - 8);
        QCOMPARE(page.txtSub->geometry().right() + 1, 700 - 8);
    }

    void addEditAndDeleteWriteTheMenu() {
        KESTREL_QT_MACHINE(m);
        addItem("*\\Shell", "KestrelOne", "One", "one.exe");
        Reg::SaveString(HKEY_CLASSES_ROOT, ".kstempty", {}, "");
        alphaAndBeta(".kstedit");
        alphaAndBeta(".kstdel");
        Dialogs dialogs;
        MenuPage page;

        // An empty name is refused, by Add and by Edit.
        const QStringList before = subkeys(HKEY_CLASSES_ROOT, "*\\Shell");
        page.fill("", "Caption", "cmd");
        page.cmdadd->click();
        page.cmdEdit->click();
        QCOMPARE(dialogs.messages, QStringList({"Incorrect Name", "Incorrect Name"}));
        QCOMPARE(subkeys(HKEY_CLASSES_ROOT, "*\\Shell"), before);
        QCOMPARE(regValue(HKEY_CLASSES_ROOT, "*\\Shell\\KestrelOne", {}), QStringLiteral("One"));

        // An extension without a Shell key: the list cannot be opened, Edit and Delete do nothing.
        page.find("kstempty");
        QCOMPARE(page.lstMenu->count(), 0);
        QVERIFY(!page.lstMenu->isEnabled());
        page.fill("Name", "Caption", "cmd");
        page.cmdEdit->click();
        page.cmdDel->click();
        QVERIFY(dialogs.questions.isEmpty());
        QCOMPARE(dialogs.messages.size(), 2);
        QVERIFY(!regValue(HKEY_CLASSES_ROOT, ".kstempty\\Shell\\Name", {}));

        // Add for an unregistered extension, refused at the prompt, then agreed.
        page.find("kstnew");
        page.fill("Open", "Open with Kestrel", "C:\\kestrel\\k.exe \"%1\"");
        dialogs.answer = false;
        page.cmdadd->click();
        QCOMPARE(dialogs.questions, QStringList({"Save Changes ?"}));
        QCOMPARE(dialogs.titles, QStringList({"Saving..."}));
        QVERIFY(!regValue(HKEY_CLASSES_ROOT, ".kstnew\\Shell\\Open", {}));
        dialogs.answer = true;
        page.cmdadd->click();
        QCOMPARE(dialogs.questions.size(), 2);
        QCOMPARE(wineQuery(m, "HKCR\\.kstnew\\Shell\\Open"), QStringLiteral("Open with Kestrel"));
        QCOMPARE(wineQuery(m, "HKCR\\.kstnew\\Shell\\Open\\command"),
                 QStringLiteral("C:\\kestrel\\k.exe \"%1\""));
        // The extension key still has no type, so the list is not refilled.
        QCOMPARE(page.lstMenu->count(), 0);

        // Edit under the same name rewrites both values in place.
        page.find("kstedit");
        page.lstMenu->setCurrentRow(0);
        page.txtSub->setText("Alpha new");
        page.txtCmd->setText("alpha2.exe %1");
        page.cmdEdit->click();
        QCOMPARE(dialogs.questions.size(), 3);
        QCOMPARE(items(page.lstMenu), QStringList({"Alpha", "Beta"}));
        QCOMPARE(regValue(HKEY_CLASSES_ROOT, ".kstedit\\Shell\\Alpha", {}),
                 QStringLiteral("Alpha new"));
        QCOMPARE(regValue(HKEY_CLASSES_ROOT, ".kstedit\\Shell\\Alpha\\command", {}),
                 QStringLiteral("alpha2.exe %1"));
        // A name differing only in letter case: the old key goes and the new spelling is written.
        page.lstMenu->setCurrentRow(0);
        page.txtCaption->setText("ALPHA");
        page.cmdEdit->click();
        QVERIFY(items(page.lstMenu).contains("ALPHA"));
        QVERIFY(!items(page.lstMenu).contains("Alpha"));
        QCOMPARE(regValue(HKEY_CLASSES_ROOT, ".kstedit\\Shell\\ALPHA\\command", {}),
                 QStringLiteral("alpha2.exe %1"));
        // A new name moves the item with its command.
        page.lstMenu->setCurrentRow(int(items(page.lstMenu).indexOf("Beta")));
        page.txtCaption->setText("Gamma");
        page.cmdEdit->click();
        QCOMPARE(subkeys(HKEY_CLASSES_ROOT, ".kstedit\\Shell").size(), 2);
        QVERIFY(!wineKeyExists(m, "HKCR\\.kstedit\\Shell\\Beta"));
        QCOMPARE(wineQuery(m, "HKCR\\.kstedit\\Shell\\Gamma"), QStringLiteral("Beta text"));
        QCOMPARE(wineQuery(m, "HKCR\\.kstedit\\Shell\\Gamma\\command"), QStringLiteral("beta.exe"));
        // Wine keeps the new spelling of the renamed key.
        QVERIFY(wineListing(m, "HKCR\\.kstedit\\Shell").contains("\\ALPHA"));

        // Delete acts on the chosen entry, whatever the Name field says.
        page.find("kstdel");
        page.lstMenu->setCurrentRow(0);
        page.txtCaption->setText("Beta");
        dialogs.answer = false;
        page.cmdDel->click();
        QCOMPARE(items(page.lstMenu), QStringList({"Alpha", "Beta"}));
        dialogs.answer = true;
        page.cmdDel->click();
        QCOMPARE(dialogs.questions.size(), 7);
        QCOMPARE(items(page.lstMenu), QStringList({"Beta"}));
        QVERIFY(!wineKeyExists(m, "HKCR\\.kstdel\\Shell\\Alpha"));
        QCOMPARE(wineQuery(m, "HKCR\\.kstdel\\Shell\\Beta"), QStringLiteral("Beta text"));
    }

    void staleIndexNeverTouchesTheShellKey() {
        KESTREL_QT_MACHINE(m);
        alphaAndBeta(".kststale");
        Reg::SaveString(HKEY_CLASSES_ROOT, ".kststale\\Shell", {}, "Alpha");
        Dialogs dialogs;
        MenuPage page;
        page.find("kststale");
        page.lstMenu->setCurrentRow(1);
        page.cmdDel->click();
        QCOMPARE(items(page.lstMenu), QStringList({"Alpha"}));
        // The rebuilt list shows no selection, and the remembered index stays where it was: past
        // the end, so that Delete and Edit do nothing.
        page.fill("Other", "Other text", "other.exe");
        page.cmdDel->click();
        page.cmdEdit->click();
        QCOMPARE(dialogs.questions.size(), 1);
        QCOMPARE(wineQuery(m, "HKCR\\.kststale\\Shell"), QStringLiteral("Alpha"));
        QCOMPARE(subkeys(HKEY_CLASSES_ROOT, ".kststale\\Shell"), QStringList({"Alpha"}));
        QCOMPARE(regValue(HKEY_CLASSES_ROOT, ".kststale\\Shell\\Alpha\\command", {}),
                 QStringLiteral("alpha.exe"));

        // Add still works, and a rebuild that brings the index back in range uses it again.
        page.cmdadd->click();
        QCOMPARE(items(page.lstMenu), QStringList({"Alpha", "Other"}));
        page.txtCaption->setText("Other");
        page.txtSub->setText("Other again");
        page.cmdEdit->click();
        QCOMPARE(regValue(HKEY_CLASSES_ROOT, ".kststale\\Shell\\Other", {}),
                 QStringLiteral("Other again"));
    }

    void adapterWithoutValuesShowsHints() {
        KESTREL_QT_MACHINE(m);
        windows98();
        QVERIFY(!IsWinNT());
        QVERIFY(findPage("Optim") && QLatin1String(findPage("Optim")->form) == "frmInetOpti");
        Reg::SaveString(HKEY_LOCAL_MACHINE, Adapters + "\\0001", "DeviceDesc", "NE2000 Compatible");
        Reg::SaveString(HKEY_LOCAL_MACHINE, NetTrans + "0001", "MaxMTU", "576");
        Reg::SaveString(HKEY_LOCAL_MACHINE, NetTrans + "0001", "MaxMSS", "536");
        Reg::SaveString(HKEY_LOCAL_MACHINE, Mstcp, "DefaultTTL", "64");

        OptiPage page;
        QCOMPARE(items(page.cbAdap),
                 QStringList({"0000 - Dial-Up Adapter", "0001 - NE2000 Compatible"}));
        QVERIFY(page.cbAdap->isEnabled());
        QVERIFY(page.cmdAP->isEnabled());
        QCOMPARE(page.form.curAdapter(), QStringLiteral("0000"));
        // The hints are no numbers: MTU and TTL filter theirs away, MSS keeps its own.
        QCOMPARE(page.txtMTU->text(), QString());
        QCOMPARE(page.txtMSS->text(), QStringLiteral("Default=1460"));
        QCOMPARE(page.txtTTL->text(), QStringLiteral("64"));
        QVERIFY(!page.txtMSS->isEnabled());

        page.cbAdap->setCurrentIndex(1);
        QCOMPARE(page.form.curAdapter(), QStringLiteral("0001"));
        QCOMPARE(page.txtMTU->text(), QStringLiteral("576"));
        QCOMPARE(page.txtMSS->text(), QStringLiteral("536"));

        Reg::DeleteValue(HKEY_LOCAL_MACHINE, Mstcp, "DefaultTTL");
        page.cbAdap->setCurrentIndex(0);
        QCOMPARE(page.txtTTL->text(), QString());
    }

    void numberFieldsFilterWhatIsTyped() {
        KESTREL_QT_MACHINE(m);
        windows98();
        OptiPage page;
        // What is typed into a field, what it then shows, and the MSS that follows the MTU.
        const struct {
            QLineEdit* field;
            const char *typed, *shown, *mss;
        } rows[] = {
            {page.txtMTU, "576", "576", "536"},
            {page.txtMTU, "0", "0", "-40"},
            {page.txtMTU, "abc", "", "-40"},
            {page.txtMTU, "1500x", "1500", "1460"},
            {page.txtTTL, "012", "12", "1460"},
            {page.ip[0], "007", "7", "1460"},
            {page.ip[1], "007", "7", "1460"},
            {page.ip[2], "007", "7", "1460"},
            {page.ip[3], "007", "7", "1460"},
            // A lone minus sign goes at once; the length limits are the only bounds.
            {page.ip[0], "-", "", "1460"},
            {page.ip[1], "2555", "255", "1460"},
            {page.txtMTU, "123456", "1234", "1194"},
        };
        for (const auto& row : rows) {
            typeInto(row.field, row.typed);
            QCOMPARE(row.field->text(), QString(row.shown));
            QCOMPARE(page.txtMSS->text(), QString(row.mss));
        }
        // A pasted negative number stays.
        page.ip[0]->setText("-5");
        QCOMPARE(page.ip[0]->text(), QStringLiteral("-5"));
    }

    void applyWritesWhatIsASetting() {
        KESTREL_QT_MACHINE(m);
        windows98();
        const QString adapter = NetTrans + "0000";
        Dialogs dialogs;
        {
            OptiPage page;
            // Empty MTU and TTL, the MSS hint: only the receive window is written.
            page.cmdAP->click();
            QVERIFY(!regValue(HKEY_LOCAL_MACHINE, adapter, "MaxMTU"));
            QVERIFY(!regValue(HKEY_LOCAL_MACHINE, adapter, "MaxMSS"));
            QVERIFY(!regValue(HKEY_LOCAL_MACHINE, Mstcp, "DefaultTTL"));
            QCOMPARE(regValue(HKEY_LOCAL_MACHINE, Mstcp, "DefaultRcvWindow"),
                     QStringLiteral("4288"));
            // An MTU of 0 and the MSS of -40 it gives are no settings either.
            typeInto(page.txtMTU, "0");
            page.cmdAP->click();
            QVERIFY(!regValue(HKEY_LOCAL_MACHINE, adapter, "MaxMTU"));
            QVERIFY(!regValue(HKEY_LOCAL_MACHINE, adapter, "MaxMSS"));
            // A small MTU is written, its negative MSS is not; an MSS already there stays.
            Reg::SaveString(HKEY_LOCAL_MACHINE, adapter, "MaxMSS", "1460");
            typeInto(page.txtMTU, "30");
            QCOMPARE(page.txtMSS->text(), QStringLiteral("-10"));
            page.cmdAP->click();
            QCOMPARE(regValue(HKEY_LOCAL_MACHINE, adapter, "MaxMTU"), QStringLiteral("30"));
            QCOMPARE(regValue(HKEY_LOCAL_MACHINE, adapter, "MaxMSS"), QStringLiteral("1460"));
            QCOMPARE(dialogs.questions.size(), 3);
        }

        // A stored value longer than the typing limit is shown and written back whole.
        Reg::SaveString(HKEY_LOCAL_MACHINE, adapter, "MaxMTU", "65535");
        OptiPage page;
        QCOMPARE(page.txtMTU->text(), QStringLiteral("65535"));
        page.cmdAP->click();
        QCOMPARE(regValue(HKEY_LOCAL_MACHINE, adapter, "MaxMTU"), QStringLiteral("65535"));
        dialogs.questions.clear();
        typeInto(page.txtMTU, "576");
        typeInto(page.txtTTL, "64");
        dialogs.answer = false;
        page.cmdAP->click();
        QCOMPARE(dialogs.questions, QStringList({"Save Changes ?"}));
        QCOMPARE(regValue(HKEY_LOCAL_MACHINE, adapter, "MaxMTU"), QStringLiteral("65535"));
        dialogs.answer = true;
        page.cmdAP->click();
        QCOMPARE(wineQuery(m, "HKLM\\" + adapter, "MaxMTU"), QStringLiteral("576"));
        QCOMPARE(wineQuery(m, "HKLM\\" + adapter, "MaxMSS"), QStringLiteral("536"));
        QCOMPARE(wineQuery(m, "HKLM\\" + Mstcp, "DefaultTTL"), QStringLiteral("64"));
        QCOMPARE(wineQuery(m, "HKLM\\" + Mstcp, "DefaultRcvWindow"), QStringLiteral("4288"));
    }

    void noAdapterDisablesApply() {
        for (const bool emptyKey : {false, true}) {
            KESTREL_QT_MACHINE(m);
            windows98(false);
            // The key opens but holds no adapter.
            if (emptyKey)
                Reg::SaveString(HKEY_LOCAL_MACHINE, Adapters, "Note", "no adapters");
            OptiPage page;
            QCOMPARE(page.cbAdap->count(), 0);
            QVERIFY(!page.cbAdap->isEnabled());
            QVERIFY(!page.cmdAP->isEnabled());
            QCOMPARE(page.form.curAdapter(), QString());
        }
    }

    void hostsAreLoadedAddedAndDeleted() {
        KESTREL_QT_MACHINE(m);
        windows98(false);
        Dialogs dialogs;
        {
            // No hosts file: an empty list, and the example entry is ready to be added; empty
            // fields are taken as they stand.
            OptiPage page;
            QCOMPARE(page.lslHosts->count(), 0);
            page.cmdadd->click();
            page.addHost({"10", "0", "0", "1"}, "server");
            page.addHost({"", "", "", ""}, "");
            QCOMPARE(hostsFile(m),
                     QByteArray("127.0.0.1\tlocalhost\r\n10.0.0.1\tserver\r\n...\t\r\n"));
        }

        writeHost(m.prefix().file("drive_c/windows/lmhosts"),
                  "# names for the office, see the manual\r\n"
                  "192.168.1.2\tprinter\r\n");
        OptiPage page;
        // The comment's comma splits it in two entries.
        QCOMPARE(items(page.lslHosts),
                 QStringList({"# names for the office", "see the manual", "192.168.1.2\tprinter"}));
        page.addHost({"10", "0", "0", "1"}, "server");
        QVERIFY(dialogs.questions.isEmpty());
        QCOMPARE(hostsFile(m), QByteArray("# names for the office\r\nsee the manual\r\n"
                                          "192.168.1.2\tprinter\r\n10.0.0.1\tserver\r\n"));

        // Nothing chosen: nothing asked, nothing deleted.
        page.cmdDel->click();
        QVERIFY(dialogs.questions.isEmpty());
        QCOMPARE(page.lslHosts->count(), 4);
        page.lslHosts->setCurrentRow(2);
        dialogs.answer = false;
        page.cmdDel->click();
        QCOMPARE(page.lslHosts->count(), 4);
        dialogs.answer = true;
        page.cmdDel->click();
        QCOMPARE(dialogs.questions, QStringList({"Save Changes ?", "Save Changes ?"}));
        QCOMPARE(hostsFile(m),
                 QByteArray("# names for the office\r\nsee the manual\r\n10.0.0.1\tserver\r\n"));
        // The entry that moved up is not chosen for the next Delete.
        page.cmdDel->click();
        QCOMPARE(dialogs.questions.size(), 2);
        QCOMPARE(page.lslHosts->count(), 3);
    }
};

QTEST_MAIN(MenuNetTest)
#include "MenuNetTest.moc"
