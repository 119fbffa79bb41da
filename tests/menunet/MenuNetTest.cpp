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

#include <QPushButton>
#include <QRadioButton>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

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
    void choose(const QString& name) { lstMenu->setCurrentRow(int(items(lstMenu).indexOf(name))); }
    // The current path, the entries listed, and whether the extension field is read-only (R) and
    // Find, Add, Edit and Delete are enabled, as "*\\Shell: A,B [R-AED]".
    QString view() const {
        const bool on[] = {txtExt->isReadOnly(), cmdfind->isEnabled(), cmdadd->isEnabled(),
                           cmdEdit->isEnabled(), cmdDel->isEnabled()};
        QString flags;
        for (int i = 0; i < 5; ++i)
            flags += on[i] ? QLatin1Char("RFAED"[i]) : QLatin1Char('-');
        return form.curPath() + ": " + items(lstMenu).join(',') + " [" + flags + "]";
    }
};

// A menu item's caption and command, "-" for a missing one, as "caption -> command": read by
// the program's registry layer, or by Wine when given the prefix.
QString menuItem(const QString& key, MachineOnPrefix* wine = nullptr) {
    QStringList parts;
    for (const QString& path : {key, key + "\\command"})
        parts << (wine ? wineQuery(*wine, "HKCR\\" + path) : regValue(HKEY_CLASSES_ROOT, path, {}))
                     .value_or("-");
    return parts.join(" -> ");
}

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
    QStringList numbers() const { return {txtMTU->text(), txtMSS->text(), txtTTL->text()}; }
    bool noAdapter() const {
        return cbAdap->count() == 0 && !cbAdap->isEnabled() && !cmdAP->isEnabled() &&
               form.curAdapter().isEmpty();
    }
};

// MaxMTU and MaxMSS of the first adapter, DefaultTTL and DefaultRcvWindow, "-" for a missing one:
// read by the program's registry layer, or by Wine when given the prefix.
QStringList settings(MachineOnPrefix* wine = nullptr) {
    QStringList values;
    for (const auto& [key, name] : {std::pair{NetTrans + "0000", "MaxMTU"},
                                    {NetTrans + "0000", "MaxMSS"},
                                    {Mstcp, "DefaultTTL"},
                                    {Mstcp, "DefaultRcvWindow"}})
        values << (wine ? wineQuery(*wine, "HKLM\\" + key, name)
                        : regValue(HKEY_LOCAL_MACHINE, key, name))
                      .value_or("-");
    return values;
}

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
    // The number filter of numeric fields, as a pure function: the plain number the text starts
    // with, and the filtered text filters to itself. Zero stays only as exactly "0"; no number at
    // the start empties the field; an exponent mark without digits is not part of the number, and
    // one too large to hold gives no number.
    void numberFilterLeavesThePlainNumberAtTheStart() {
        const auto check = [](const QString& text, const QString& expected) {
            const QString once = numberfilter::filtered(text);
            QCOMPARE(once, expected);
            QCOMPARE(numberfilter::filtered(once), once);
        };
        // Pairs of what is typed and what the filter leaves.
        const char* const cases[] = {
            "1500",  "1500", "012",   "12",    "5x",           "5",    "576 bytes", "576",
            "  64",  "64",   "+7",    "7",     "-5",           "-5",   "-05",       "-5",
            "0",     "0",    "00",    "",      "0.0",          "",     "0x1F",      "",
            " 0",    "",     "abc",   "",      "Default=1500", "",     "-",         "",
            "",      "",     "1.5",   "1.5",   "1.50",         "1.5",  "1.",        "1",
            ".5",    "0.5",  "-0.25", "-0.25", "1e3",          "1000", "15E2",      "1500",
            "25e-1", "2.5",  "5e",    "5",     "5e+",          "5",    "1e999",     ""};
        for (std::size_t i = 0; i < std::size(cases); i += 2)
            check(cases[i], cases[i + 1]);
        check("9e99", "9" + QString(99, '0'));
        // Pairs of a number and its plain decimal text.
        const char* const decimals[] = {"536",    "536",        "-40",      "-40",
                                        "0",      "0",          "1e20",     "100000000000000000000",
                                        "0.0001", "0.0001",     "-38.5",    "-38.5",
                                        "1.5e-7", "0.00000015", "-1.25e17", "-125000000000000000"};
        for (std::size_t i = 0; i < std::size(decimals); i += 2)
            QCOMPARE(numberfilter::plainDecimal(QString(decimals[i]).toDouble()),
                     QString(decimals[i + 1]));
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
        QCOMPARE(page.OptAF->text() + " " + page.txtExt->text(), "All Files *");
        QVERIFY(page.lstMenu->isEnabled());
        const QString allFiles =
            "*\\Shell: " + subkeys(HKEY_CLASSES_ROOT, "*\\Shell").join(',') + " [R-AED]";
        QCOMPARE(page.view(), allFiles);
        QCOMPARE(page.lstMenu->currentRow(), -1);
        // Choosing an item shows its name, menu text and command.
        page.choose("KestrelTwo");
        QCOMPARE(page.fields(), QStringList({"KestrelTwo", "Two", "two.exe %1"}));

        page.OptOF->click();
        QCOMPARE(page.view(), "*\\Shell:  [-F---]");
        page.find("kstdoc");
        QCOMPARE(page.view(), "Kestrel.Document\\Shell: Print,Show [-FAED]");
        page.lstMenu->setCurrentRow(1);
        QCOMPARE(page.fields(), QStringList({"Show", "Show it", "show.exe \"%1\""}));
        // Typing an extension clears the fields and disables the buttons until Find.
        QTest::keyClicks(page.txtExt, "x");
        QCOMPARE(page.view(), "Kestrel.Document\\Shell: Print,Show [-F---]");
        QCOMPARE(page.fields(), QStringList({"", "", ""}));

        page.find("kstraw");
        QCOMPARE(page.view(), ".kstraw\\Shell: View [-FAED]");
        // An unregistered extension only moves the current path; the list stays as it was.
        page.find("kstnone");
        QCOMPARE(page.view(), ".kstnone\\Shell: View [-FAED]");

        QTest::keyClicks(page.txtExt, "y");
        page.OptAF->click();
        QCOMPARE(page.view(), allFiles);

        // The fields stretch to the right edge.
        page.form.show();
        page.form.resize(700, 400);
        for (const QLineEdit* field : {page.txtCmd, page.txtSub})
            QCOMPARE(field->geometry().right() + 1, 700 - 8);
    }

    void addEditAndDeleteWriteTheMenu() {
        KESTREL_QT_MACHINE(m);
        addItem("*\\Shell", "KestrelOne", "One", "one.exe");
        Reg::SaveString(HKEY_CLASSES_ROOT, ".kstempty", {}, "");
        for (const char* extension : {".kstedit", ".kstdel", ".kststale"})
            alphaAndBeta(extension);
        Reg::SaveString(HKEY_CLASSES_ROOT, ".kststale\\Shell", {}, "Alpha");
        const QStringList allFiles = subkeys(HKEY_CLASSES_ROOT, "*\\Shell");
        Dialogs dialogs;
        MenuPage page;
        // An extension looked up first, an entry chosen, the fields filled (left as they are when
        // none are given), the answer to the prompt and the buttons clicked (Add, Edit, Delete);
        // then the entries listed (in any order; "closed" when the list is disabled, nothing for
        // the All Files listing), the prompts so far, and a menu item as Wine reads it. Only the
        // empty names give messages.
        const std::tuple<const char*, const char*, const char*, bool, const char*, const char*, int,
                         const char*, const char*>
            steps[] = {
                // An empty name is refused, by Add and by Edit.
                {nullptr, nullptr, "|Caption|cmd", true, "AE", nullptr, 0, "*\\Shell\\KestrelOne",
                 "One -> one.exe"},
                // An extension without a Shell key: the list cannot be opened, Edit and Delete do
                // nothing.
                {"kstempty", nullptr, "Name|Caption|cmd", true, "ED", " closed", 0,
                 ".kstempty\\Shell\\Name", "- -> -"},
                // Add for an unregistered extension, refused at the prompt, then agreed. The
                // extension
                // key still has no type, so the list is not refilled.
                {"kstnew", nullptr, "Open|Open with Kestrel|C:\\kestrel\\k.exe \"%1\"", false, "A",
                 " closed", 1, ".kstnew\\Shell\\Open", "- -> -"},
                {nullptr, nullptr, nullptr, true, "A", " closed", 2, ".kstnew\\Shell\\Open",
                 "Open with Kestrel -> C:\\kestrel\\k.exe \"%1\""},
                // Edit under the same name rewrites both values in place; a name differing only in
                // letter case replaces the old key with the new spelling; a new name moves the item
                // with its command.
                {"kstedit", "Alpha", "Alpha|Alpha new|alpha2.exe %1", true, "E", "Alpha,Beta", 3,
                 ".kstedit\\Shell\\Alpha", "Alpha new -> alpha2.exe %1"},
                {nullptr, "Alpha", "ALPHA|Alpha new|alpha2.exe %1", true, "E", "ALPHA,Beta", 4,
                 ".kstedit\\Shell\\ALPHA", "Alpha new -> alpha2.exe %1"},
                {nullptr, "Beta", "Gamma|Beta text|beta.exe", true, "E", "ALPHA,Gamma", 5,
                 ".kstedit\\Shell\\Gamma", "Beta text -> beta.exe"},
                // Delete acts on the chosen entry, whatever the Name field says.
                {"kstdel", "Alpha", "Beta|Alpha text|alpha.exe", false, "D", "Alpha,Beta", 6,
                 ".kstdel\\Shell\\Alpha", "Alpha text -> alpha.exe"},
                {nullptr, nullptr, nullptr, true, "D", "Beta", 7, ".kstdel\\Shell\\Beta",
                 "Beta text -> beta.exe"},
                // A stale index: the list rebuilt after a delete shows no selection, and the
                // remembered index stays where it was, past the end, so that Delete and Edit do
                // nothing (the Shell key's own value least of all).
                {"kststale", "Beta", nullptr, true, "D", "Alpha", 8, ".kststale\\Shell\\Beta",
                 "- -> -"},
                {nullptr, nullptr, "Other|Other text|other.exe", true, "DE", "Alpha", 8,
                 ".kststale\\Shell\\Alpha", "Alpha text -> alpha.exe"},
                // Add still works, and a rebuild that brings the index back in range uses it again.
                {nullptr, nullptr, nullptr, true, "A", "Alpha,Other", 9, ".kststale\\Shell\\Other",
                 "Other text -> other.exe"},
                {nullptr, nullptr, "Other|Other again|other.exe", true, "E", "Alpha,Other", 10,
                 ".kststale\\Shell\\Other", "Other again -> other.exe"},
            };
        QPushButton* const buttons[] = {page.cmdadd, page.cmdEdit, page.cmdDel};
        const auto sorted = [](QStringList list) {
            list.sort(Qt::CaseInsensitive);
            return list.join(',');
        };
        for (const auto& [find, choose, fields, answer, clicks, listed, asked, key, item] : steps) {
            if (find)
                page.find(find);
            if (choose)
                page.choose(choose);
            if (const QStringList texts = QString(fields).split('|'); fields)
                page.fill(texts[0], texts[1], texts[2]);
            dialogs.answer = answer;
            for (const char* button = clicks; *button; ++button)
                buttons[QByteArray("AED").indexOf(*button)]->click();
            const QString shown =
                sorted(items(page.lstMenu)) + (page.lstMenu->isEnabled() ? "" : " closed");
            QCOMPARE(QString("%1 / %2 / %3")
                         .arg(shown, QString::number(dialogs.questions.size()), menuItem(key, &m)),
                     QString("%1 / %2 / %3")
                         .arg(listed ? listed : sorted(allFiles), QString::number(asked), item));
        }
        QCOMPARE(subkeys(HKEY_CLASSES_ROOT, "*\\Shell"), allFiles);
        QCOMPARE(dialogs.messages, QStringList(2, "Incorrect Name"));
        QCOMPARE(dialogs.questions + dialogs.titles,
                 QStringList(10, "Save Changes ?") + QStringList(10, "Saving..."));
        QCOMPARE(wineQuery(m, "HKCR\\.kststale\\Shell"), "Alpha");
        for (const char* gone : {".kstedit\\Shell\\Beta", ".kstdel\\Shell\\Alpha"})
            QVERIFY(!wineKeyExists(m, "HKCR\\" + QString(gone)));
        // Wine keeps the new spelling of the renamed key.
        QVERIFY(wineListing(m, "HKCR\\.kstedit\\Shell").contains("\\ALPHA"));
    }

    void adapterWithoutValuesShowsHintsAndFieldsFilterWhatIsTyped() {
        KESTREL_QT_MACHINE(m);
        windows98();
        QVERIFY(!IsWinNT() && findPage("Optim") &&
                QLatin1String(findPage("Optim")->form) == "frmInetOpti");
        Reg::SaveString(HKEY_LOCAL_MACHINE, Adapters + "\\0001", "DeviceDesc", "NE2000 Compatible");
        Reg::SaveString(HKEY_LOCAL_MACHINE, NetTrans + "0001", "MaxMTU", "576");
        Reg::SaveString(HKEY_LOCAL_MACHINE, NetTrans + "0001", "MaxMSS", "536");
        Reg::SaveString(HKEY_LOCAL_MACHINE, Mstcp, "DefaultTTL", "64");

        OptiPage page;
        QCOMPARE(items(page.cbAdap),
                 QStringList({"0000 - Dial-Up Adapter", "0001 - NE2000 Compatible"}));
        QVERIFY(page.cbAdap->isEnabled() && page.cmdAP->isEnabled() && !page.txtMSS->isEnabled());
        // The hints are no numbers: MTU and TTL filter theirs away, MSS keeps its own.
        QCOMPARE(page.numbers() << page.form.curAdapter(),
                 QStringList({"", "Default=1460", "64", "0000"}));
        page.cbAdap->setCurrentIndex(1);
        QCOMPARE(page.numbers() << page.form.curAdapter(),
                 QStringList({"576", "536", "64", "0001"}));

        Reg::DeleteValue(HKEY_LOCAL_MACHINE, Mstcp, "DefaultTTL");
        page.cbAdap->setCurrentIndex(0);
        QCOMPARE(page.txtTTL->text(), QString());

        // What is typed into a field, what it then shows, and the MSS that follows the MTU. A
        // lone minus sign goes at once; the length limits are the only bounds.
        const char* const rows[][4] = {
            {"txtMTU", "576", "576", "536"}, {"txtMTU", "0", "0", "-40"},
            {"txtMTU", "abc", "", "-40"},    {"txtMTU", "1500x", "1500", "1460"},
            {"txtTTL", "012", "12", "1460"}, {"ip1", "007", "7", "1460"},
            {"ip2", "007", "7", "1460"},     {"ip3", "007", "7", "1460"},
            {"ip4", "007", "7", "1460"},     {"ip1", "-", "", "1460"},
            {"ip2", "2555", "255", "1460"},  {"txtMTU", "123456", "1234", "1194"}};
        for (const auto& [name, typed, shown, mss] : rows) {
            QLineEdit* field = page.form.findChild<QLineEdit*>(name);
            typeInto(field, typed);
            QCOMPARE(QStringList({field->text(), page.txtMSS->text()}), QStringList({shown, mss}));
        }
        // A pasted negative number stays.
        page.ip[0]->setText("-5");
        QCOMPARE(page.ip[0]->text(), QStringLiteral("-5"));
    }

    void applyWritesWhatIsASetting() {
        KESTREL_QT_MACHINE(m);
        windows98();
        Dialogs dialogs;
        {
            OptiPage page;
            // Empty MTU and TTL, the MSS hint: only the receive window is written. An MTU of 0
            // and the MSS of -40 it gives are no settings either.
            for (const char* mtu : {"", "0"}) {
                typeInto(page.txtMTU, mtu);
                page.cmdAP->click();
                QCOMPARE(settings(), QStringList({"-", "-", "-", "4288"}));
            }
            // A small MTU is written, its negative MSS is not; an MSS already there stays.
            Reg::SaveString(HKEY_LOCAL_MACHINE, NetTrans + "0000", "MaxMSS", "1460");
            typeInto(page.txtMTU, "30");
            QCOMPARE(page.txtMSS->text(), QStringLiteral("-10"));
            page.cmdAP->click();
            QCOMPARE(settings(), QStringList({"30", "1460", "-", "4288"}));
            QCOMPARE(dialogs.questions.size(), 3);
        }

        // A stored value longer than the typing limit is shown and written back whole.
        Reg::SaveString(HKEY_LOCAL_MACHINE, NetTrans + "0000", "MaxMTU", "65535");
        OptiPage page;
        QCOMPARE(page.txtMTU->text(), QStringLiteral("65535"));
        page.cmdAP->click();
        QCOMPARE(settings().first(), QStringLiteral("65535"));
        dialogs.questions.clear();
        typeInto(page.txtMTU, "576");
        typeInto(page.txtTTL, "64");
        dialogs.answer = false;
        page.cmdAP->click();
        QCOMPARE(dialogs.questions, QStringList({"Save Changes ?"}));
        QCOMPARE(settings().first(), QStringLiteral("65535"));
        dialogs.answer = true;
        page.cmdAP->click();
        QCOMPARE(settings(&m), QStringList({"576", "536", "64", "4288"}));
    }

    // Without an adapter, or with an adapter key that opens but holds none, Apply is disabled; the
    // lmhosts list works as ever.
    void hostsAreLoadedAddedAndDeletedWithoutAnAdapter() {
        KESTREL_QT_MACHINE(m);
        windows98(false);
        Dialogs dialogs;
        {
            // No hosts file: an empty list, and the example entry is ready to be added; empty
            // fields are taken as they stand.
            OptiPage page;
            QVERIFY(page.noAdapter() && page.lslHosts->count() == 0);
            page.cmdadd->click();
            page.addHost({"10", "0", "0", "1"}, "server");
            page.addHost({"", "", "", ""}, "");
            QCOMPARE(hostsFile(m),
                     QByteArray("127.0.0.1\tlocalhost\r\n10.0.0.1\tserver\r\n...\t\r\n"));
        }

        writeHost(m.prefix().file("drive_c/windows/lmhosts"),
                  "# names for the office, see the manual\r\n"
                  "192.168.1.2\tprinter\r\n");
        Reg::SaveString(HKEY_LOCAL_MACHINE, Adapters, "Note", "no adapters");
        OptiPage page;
        QVERIFY(page.noAdapter());
        // The comment's comma splits it in two entries.
        QCOMPARE(items(page.lslHosts),
                 QStringList({"# names for the office", "see the manual", "192.168.1.2\tprinter"}));
        page.addHost({"10", "0", "0", "1"}, "server");
        QVERIFY(dialogs.questions.isEmpty());
        QCOMPARE(hostsFile(m), QByteArray("# names for the office\r\nsee the manual\r\n"
                                          "192.168.1.2\tprinter\r\n10.0.0.1\tserver\r\n"));

        // Nothing chosen: nothing asked, nothing deleted.
        page.cmdDel->click();
        QVERIFY(dialogs.questions.isEmpty() && page.lslHosts->count() == 4);
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
        QVERIFY(dialogs.questions.size() == 2 && page.lslHosts->count() == 3);
    }
};

QTEST_MAIN(MenuNetTest)
#include "MenuNetTest.moc"
