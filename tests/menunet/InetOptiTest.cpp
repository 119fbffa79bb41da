// The TCP/IP tuning page on a throw-away Windows 98 prefix: adapters, hints and the number
// filter of its fields, Apply, and the lmhosts list.

#include "app/PageTable.h"
#include "pages/internet/frmInetOpti.h"
#include "resources/Catalogue.h"
#include "tests/support/PageTestKit.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

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
    QStringList hosts() const { return items(lslHosts); }
};

void addAdapter(const QString& number, const QString& description) {
    Reg::SaveString(HKEY_LOCAL_MACHINE, Adapters + "\\" + number, "DeviceDesc", description);
}

QByteArray hostsFile(MachineOnPrefix& m) {
    return QByteArray::fromStdString(readHostFile(m.prefix().file("drive_c/windows/lmhosts")));
}

} // namespace

class InetOptiTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Catalogue::setLanguage(Language::English); }

    void adapterWithoutValuesShowsHints() {
        KESTREL_QT_MACHINE(m);
        makeWindows98();
        QVERIFY(!IsWinNT());
        QVERIFY(findPage("Optim") && QLatin1String(findPage("Optim")->form) == "frmInetOpti");
        addAdapter("0000", "Dial-Up Adapter");
        addAdapter("0001", "NE2000 Compatible");
        Reg::SaveString(HKEY_LOCAL_MACHINE, NetTrans + "0001", "MaxMTU", "576");
        Reg::SaveString(HKEY_LOCAL_MACHINE, NetTrans + "0001", "MaxMSS", "536");
        Reg::SaveString(HKEY_LOCAL_MACHINE, Mstcp, "DefaultTTL", "64");

        OptiPage page;
        QCOMPARE(page.cbAdap->count(), 2);
        QCOMPARE(page.cbAdap->itemText(0), QStringLiteral("0000 - Dial-Up Adapter"));
        QCOMPARE(page.cbAdap->itemText(1), QStringLiteral("0001 - NE2000 Compatible"));
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
        makeWindows98();
        addAdapter("0000", "Dial-Up Adapter");
        OptiPage page;

        typeInto(page.txtMTU, "576");
        QCOMPARE(page.txtMTU->text(), QStringLiteral("576"));
        QCOMPARE(page.txtMSS->text(), QStringLiteral("536"));
        typeInto(page.txtMTU, "0");
        QCOMPARE(page.txtMTU->text(), QStringLiteral("0"));
        QCOMPARE(page.txtMSS->text(), QStringLiteral("-40"));
        typeInto(page.txtMTU, "abc");
        QCOMPARE(page.txtMTU->text(), QString());
        QCOMPARE(page.txtMSS->text(), QStringLiteral("-40"));
        typeInto(page.txtMTU, "1500x");
        QCOMPARE(page.txtMTU->text(), QStringLiteral("1500"));
        QCOMPARE(page.txtMSS->text(), QStringLiteral("1460"));

        typeInto(page.txtTTL, "012");
        QCOMPARE(page.txtTTL->text(), QStringLiteral("12"));
        for (QLineEdit* octet : page.ip) {
            typeInto(octet, "007");
            QCOMPARE(octet->text(), QStringLiteral("7"));
        }
        // A lone minus sign goes at once; a pasted negative number stays.
        typeInto(page.ip[0], "-");
        QCOMPARE(page.ip[0]->text(), QString());
        page.ip[0]->setText("-5");
        QCOMPARE(page.ip[0]->text(), QStringLiteral("-5"));
        // The length limits are the only bounds.
        typeInto(page.txtMTU, "123456");
        QCOMPARE(page.txtMTU->text(), QStringLiteral("1234"));
        typeInto(page.ip[1], "2555");
        QCOMPARE(page.ip[1]->text(), QStringLiteral("255"));
    }

    void applyWritesTheFourValues() {
        KESTREL_QT_MACHINE(m);
        makeWindows98();
        addAdapter("0000", "Dial-Up Adapter");
        // A stored value longer than the typing limit is shown and written back whole.
        Reg::SaveString(HKEY_LOCAL_MACHINE, NetTrans + "0000", "MaxMTU", "65535");
        Dialogs dialogs;
        OptiPage page;
        QCOMPARE(page.txtMTU->text(), QStringLiteral("65535"));
        page.cmdAP->click();
        QCOMPARE(regValue(HKEY_LOCAL_MACHINE, NetTrans + "0000", "MaxMTU"),
                 QStringLiteral("65535"));
        dialogs.questions.clear();
        typeInto(page.txtMTU, "576");
        typeInto(page.txtTTL, "64");

        dialogs.answer = false;
        page.cmdAP->click();
        QCOMPARE(dialogs.questions, QStringList({"Save Changes ?"}));
        QCOMPARE(regValue(HKEY_LOCAL_MACHINE, NetTrans + "0000", "MaxMTU"),
                 QStringLiteral("65535"));

        dialogs.answer = true;
        page.cmdAP->click();
        const QString adapter = "HKLM\\" + NetTrans + "0000";
        QCOMPARE(wineQuery(m, adapter, "MaxMTU"), QStringLiteral("576"));
        QCOMPARE(wineQuery(m, adapter, "MaxMSS"), QStringLiteral("536"));
        QCOMPARE(wineQuery(m, "HKLM\\" + Mstcp, "DefaultTTL"), QStringLiteral("64"));
        QCOMPARE(wineQuery(m, "HKLM\\" + Mstcp, "DefaultRcvWindow"), QStringLiteral("4288"));
    }

    void applyLeavesOutWhatIsNoSetting() {
        KESTREL_QT_MACHINE(m);
        makeWindows98();
        addAdapter("0000", "Dial-Up Adapter");
        Dialogs dialogs;
        OptiPage page;
        const QString adapter = NetTrans + "0000";

        // Empty MTU and TTL, the MSS hint: only the receive window is written.
        page.cmdAP->click();
        QVERIFY(!regValue(HKEY_LOCAL_MACHINE, adapter, "MaxMTU"));
        QVERIFY(!regValue(HKEY_LOCAL_MACHINE, adapter, "MaxMSS"));
        QVERIFY(!regValue(HKEY_LOCAL_MACHINE, Mstcp, "DefaultTTL"));
        QCOMPARE(regValue(HKEY_LOCAL_MACHINE, Mstcp, "DefaultRcvWindow"), QStringLiteral("4288"));

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

    void noAdapterDisablesApplyButHostsWork() {
        for (const bool emptyKey : {false, true}) {
            KESTREL_QT_MACHINE(m);
            makeWindows98();
            if (emptyKey) {
                // The key opens but holds no adapter.
                Reg::SaveString(HKEY_LOCAL_MACHINE, Adapters, "Note", "no adapters");
            }
            Dialogs dialogs;
            OptiPage page;
            QCOMPARE(page.cbAdap->count(), 0);
            QVERIFY(!page.cbAdap->isEnabled());
            QVERIFY(!page.cmdAP->isEnabled());
            QCOMPARE(page.form.curAdapter(), QString());

            // No hosts file: an empty list, and the example entry is ready to be added.
            QCOMPARE(page.hosts(), QStringList());
            QCOMPARE(page.ip[0]->text() + "." + page.ip[1]->text() + "." + page.ip[2]->text() +
                         "." + page.ip[3]->text(),
                     QStringLiteral("127.0.0.1"));
            QCOMPARE(page.txtHost->text(), QStringLiteral("localhost"));
            page.cmdadd->click();
            typeInto(page.ip[0], "10");
            typeInto(page.ip[1], "0");
            typeInto(page.ip[2], "0");
            typeInto(page.ip[3], "1");
            page.txtHost->setText("server");
            page.cmdadd->click();
            // Empty fields are taken as they stand.
            for (QLineEdit* octet : page.ip)
                octet->clear();
            page.txtHost->clear();
            page.cmdadd->click();
            QCOMPARE(hostsFile(m),
                     QByteArray("127.0.0.1\tlocalhost\r\n10.0.0.1\tserver\r\n...\t\r\n"));
            QVERIFY(dialogs.questions.isEmpty());
        }
    }

    void hostsAreLoadedAddedAndDeleted() {
        KESTREL_QT_MACHINE(m);
        makeWindows98();
        writeHost(m.prefix().file("drive_c/windows/lmhosts"),
                  "# names for the office, see the manual\r\n"
                  "192.168.1.2\tprinter\r\n");
        Dialogs dialogs;
        OptiPage page;
        // The comment's comma splits it in two entries.
        QCOMPARE(page.hosts(),
                 QStringList({"# names for the office", "see the manual", "192.168.1.2\tprinter"}));

        typeInto(page.ip[0], "10");
        typeInto(page.ip[1], "0");
        typeInto(page.ip[2], "0");
        typeInto(page.ip[3], "1");
        page.txtHost->setText("server");
        page.cmdadd->click();
        QVERIFY(dialogs.questions.isEmpty());
        QCOMPARE(hostsFile(m), QByteArray("# names for the office\r\n"
                                          "see the manual\r\n"
                                          "192.168.1.2\tprinter\r\n"
                                          "10.0.0.1\tserver\r\n"));

        // Nothing chosen: nothing asked, nothing deleted.
        page.cmdDel->click();
        QVERIFY(dialogs.questions.isEmpty());
        QCOMPARE(page.hosts().size(), 4);

        page.lslHosts->setCurrentRow(2);
        dialogs.answer = false;
        page.cmdDel->click();
        QCOMPARE(page.hosts().size(), 4);
        dialogs.answer = true;
        page.cmdDel->click();
        QCOMPARE(dialogs.questions, QStringList({"Save Changes ?", "Save Changes ?"}));
        QCOMPARE(hostsFile(m), QByteArray("# names for the office\r\n"
                                          "see the manual\r\n"
                                          "10.0.0.1\tserver\r\n"));
        // The entry that moved up is not chosen for the next Delete.
        page.cmdDel->click();
        QCOMPARE(dialogs.questions.size(), 2);
        QCOMPARE(page.hosts().size(), 3);
    }
};

QTEST_MAIN(InetOptiTest)
#include "InetOptiTest.moc"
