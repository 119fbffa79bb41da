// The uninstall list on a throw-away prefix: which registered programs are listed, Hide deleting
// the right key (checked with "wine reg query"), and Uninstall starting the registered command
// under Wine, the uninstaller being the Win32 probe, which leaves a marker file.

#include "pages/shell/frmUninstall.h"
#include "platform/Machine.h"
#include "resources/Catalogue.h"
#include "tests/support/PageTestKit.h"
#include "ui/Ansi.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

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

class UninstallTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Catalogue::setLanguage(Language::English); }

    void listsNamedProgramsOnly() {
        KESTREL_QT_MACHINE(m);
        registerPrograms();
        UninstallPage page;
        QCOMPARE(items(page.lbScr), (QStringList{"Alpha", "Delta", "Echo"}));
        QCOMPARE(items(page.lbN), (QStringList{"A-Named", "D-Quiet", "E-Named"}));
        QVERIFY(page.lbN->isHidden());
        QCOMPARE(page.lbScr->currentRow(), 0);
        QVERIFY(page.cmdDel->isEnabled() && page.cmdUninst->isEnabled());

        // Nothing to list: no key at all, or only registrations without a name.
        for (const bool keyExists : {false, true}) {
            removeUninstallKey();
            if (keyExists)
                set("B-NoName", "UninstallString", "b.exe");
            UninstallPage empty;
            QCOMPARE(items(empty.lbScr), QStringList{NoPrograms});
            QCOMPARE(empty.lbN->count(), 0);
            QVERIFY(!empty.cmdDel->isEnabled() && !empty.cmdUninst->isEnabled());
        }
    }

    void hideDeletesTheSelectedRegistration_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("subkey");
        QTest::addColumn<QString>("name");
        QTest::newRow("first") << 0 << "A-Named"
                               << "Alpha";
        QTest::newRow("past the unnamed ones") << 1 << "D-Quiet"
                                               << "Delta";
        QTest::newRow("last") << 2 << "E-Named"
                              << "Echo";
    }
    void hideDeletesTheSelectedRegistration() {
        QFETCH(int, row);
        QFETCH(QString, subkey);
        QFETCH(QString, name);
        KESTREL_QT_MACHINE(m);
        registerPrograms();
        Dialogs dialogs;
        UninstallPage page;
        page.lbScr->setCurrentRow(row);
        QCOMPARE(page.form.selIndex(), row);

        dialogs.answer = false;
        page.cmdDel->click();
        QCOMPARE(dialogs.questions, QStringList{"You want delete - " + name + " ?"});
        QCOMPARE(dialogs.titles, QStringList{"Saving..."});
        QCOMPARE(items(page.lbScr).size(), 3);

        dialogs.answer = true;
        page.cmdDel->click();
        QStringList remaining{"Alpha", "Delta", "Echo"};
        remaining.removeAll(name);
        QCOMPARE(items(page.lbScr), remaining);
        QCOMPARE(page.lbScr->currentRow(), 0);
        QCOMPARE(page.form.selIndex(), 0);

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

    void uninstallRunsTheRegisteredCommand_data() {
        QTest::addColumn<QString>("value"); // which command the program has, "" for none
        QTest::newRow("UninstallString") << "UninstallString";
        QTest::newRow("QuietUninstallString only") << "QuietUninstallString";
        QTest::newRow("no command") << "";
    }
    void uninstallRunsTheRegisteredCommand() {
        QFETCH(QString, value);
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
        QCOMPARE(page.lbScr->currentRow(), 0);
        QCOMPARE(page.form.selIndex(), 0);
        QVERIFY(dialogs.questions.isEmpty());
        if (value.isEmpty()) {
            QCOMPARE(dialogs.messages,
                     QStringList{"You cant uninstall this programm. Path Error."});
            QVERIFY(!QFile::exists(marker));
            return;
        }
        QVERIFY(dialogs.messages.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 120000);
        QTRY_VERIFY_WITH_TIMEOUT(
            readHostFile(marker.toStdString()).find("mark C:\\uninstalled.txt") !=
                std::string::npos,
            10000);
    }
};

QTEST_MAIN(UninstallTest)
#include "UninstallTest.moc"
