// The context menu editor on a throw-away prefix: the listing of each scope, Add/Edit/Delete and
// what they write, the enabled states, and the stale index after a delete.

#include "pages/shell/frmConFileMenu.h"
#include "resources/Catalogue.h"
#include "tests/support/PageTestKit.h"

#include <QLineEdit>
#include <QListWidget>
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
    bool buttonsEnabled() const {
        return cmdadd->isEnabled() && cmdEdit->isEnabled() && cmdDel->isEnabled();
    }
    bool buttonsDisabled() const {
        return !cmdadd->isEnabled() && !cmdEdit->isEnabled() && !cmdDel->isEnabled();
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

} // namespace

class ConFileMenuTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Catalogue::setLanguage(Language::English); }

    void opensOnAllFiles() {
        KESTREL_QT_MACHINE(m);
        addItem("*\\Shell", "KestrelOne", "One", "one.exe %1");
        addItem("*\\Shell", "KestrelTwo", "Two", "two.exe %1");
        MenuPage page;
        QCOMPARE(page.form.curPath(), QStringLiteral("*\\Shell"));
        QVERIFY(page.OptAF->isChecked());
        QCOMPARE(page.OptAF->text(), QStringLiteral("All Files"));
        QCOMPARE(page.txtExt->text(), QStringLiteral("*"));
        QVERIFY(page.txtExt->isReadOnly());
        QVERIFY(!page.cmdfind->isEnabled());
        QVERIFY(page.buttonsEnabled());
        QVERIFY(page.lstMenu->isEnabled());
        QCOMPARE(items(page.lstMenu), subkeys(HKEY_CLASSES_ROOT, "*\\Shell"));
        QVERIFY(items(page.lstMenu).contains("KestrelOne"));
        QVERIFY(items(page.lstMenu).contains("KestrelTwo"));
        QCOMPARE(page.lstMenu->currentRow(), -1);

        // Choosing an item shows its name, menu text and command.
        page.lstMenu->setCurrentRow(int(items(page.lstMenu).indexOf("KestrelTwo")));
        QCOMPARE(page.txtCaption->text(), QStringLiteral("KestrelTwo"));
        QCOMPARE(page.txtSub->text(), QStringLiteral("Two"));
        QCOMPARE(page.txtCmd->text(), QStringLiteral("two.exe %1"));
    }

    void listsEachKindOfExtension() {
        KESTREL_QT_MACHINE(m);
        // A registered type, an extension with an empty type, and an unregistered one.
        Reg::SaveString(HKEY_CLASSES_ROOT, ".kstdoc", {}, "Kestrel.Document");
        addItem("Kestrel.Document\\Shell", "Print", "Print it", "print.exe \"%1\"");
        addItem("Kestrel.Document\\Shell", "Show", "Show it", "show.exe \"%1\"");
        Reg::SaveString(HKEY_CLASSES_ROOT, ".kstraw", {}, "");
        addItem(".kstraw\\Shell", "View", "View it", "view.exe %1");

        MenuPage page;
        page.OptOF->click();
        QVERIFY(page.lstMenu->count() == 0);
        QVERIFY(!page.txtExt->isReadOnly());
        QVERIFY(page.cmdfind->isEnabled());
        QVERIFY(page.buttonsDisabled());

        page.find("kstdoc");
        QCOMPARE(page.form.curPath(), QStringLiteral("Kestrel.Document\\Shell"));
        QCOMPARE(items(page.lstMenu), QStringList({"Print", "Show"}));
        QVERIFY(page.buttonsEnabled());
        page.lstMenu->setCurrentRow(1);
        QCOMPARE(page.txtSub->text(), QStringLiteral("Show it"));
        QCOMPARE(page.txtCmd->text(), QStringLiteral("show.exe \"%1\""));

        page.find("kstraw");
        QCOMPARE(page.form.curPath(), QStringLiteral(".kstraw\\Shell"));
        QCOMPARE(items(page.lstMenu), QStringList({"View"}));

        // An unregistered extension only moves the current path; the list stays as it was.
        page.txtExt->clear();
        QTest::keyClicks(page.txtExt, "kstnone");
        page.cmdfind->click();
        QCOMPARE(page.form.curPath(), QStringLiteral(".kstnone\\Shell"));
        QCOMPARE(items(page.lstMenu), QStringList({"View"}));
        QVERIFY(page.buttonsEnabled());
    }

    void typingAnExtensionDisablesTheButtonsUntilFind() {
        KESTREL_QT_MACHINE(m);
        MenuPage page;
        page.find("txt");
        QVERIFY(page.buttonsEnabled());
        page.fill("Name", "Caption", "cmd");
        QTest::keyClicks(page.txtExt, "x");
        QVERIFY(page.buttonsDisabled());
        QVERIFY(page.txtCaption->text().isEmpty());
        QVERIFY(page.txtSub->text().isEmpty());
        QVERIFY(page.txtCmd->text().isEmpty());
        page.cmdfind->click();
        QVERIFY(page.buttonsEnabled());

        QTest::keyClicks(page.txtExt, "y");
        QVERIFY(page.buttonsDisabled());
        page.OptAF->click();
        QVERIFY(page.buttonsEnabled());
        QCOMPARE(page.txtExt->text(), QStringLiteral("*"));
        QVERIFY(page.txtExt->isReadOnly());
        QVERIFY(!page.cmdfind->isEnabled());
        QCOMPARE(page.form.curPath(), QStringLiteral("*\\Shell"));
    }

    void addForAnUnregisteredExtension() {
        KESTREL_QT_MACHINE(m);
        Dialogs dialogs;
        MenuPage page;
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
    }

    void emptyNameIsRefused() {
        KESTREL_QT_MACHINE(m);
        addItem("*\\Shell", "KestrelOne", "One", "one.exe");
        Dialogs dialogs;
        MenuPage page;
        const QStringList before = subkeys(HKEY_CLASSES_ROOT, "*\\Shell");

        page.fill("", "Caption", "cmd");
        page.cmdadd->click();
        page.cmdEdit->click();
        QCOMPARE(dialogs.messages, QStringList({"Incorrect Name", "Incorrect Name"}));
        QVERIFY(dialogs.questions.isEmpty());
        QCOMPARE(subkeys(HKEY_CLASSES_ROOT, "*\\Shell"), before);
        QCOMPARE(regValue(HKEY_CLASSES_ROOT, "*\\Shell\\KestrelOne", {}), QStringLiteral("One"));
    }

    void editRewritesOrRenames() {
        KESTREL_QT_MACHINE(m);
        alphaAndBeta(".kstedit");
        Dialogs dialogs;
        MenuPage page;
        page.find("kstedit");

        // The same name: both values are rewritten in place.
        page.lstMenu->setCurrentRow(0);
        page.txtSub->setText("Alpha new");
        page.txtCmd->setText("alpha2.exe %1");
        page.cmdEdit->click();
        QCOMPARE(dialogs.questions.size(), 1);
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
    }

    void deleteRemovesTheItemWithItsCommand() {
        KESTREL_QT_MACHINE(m);
        alphaAndBeta(".kstdel");
        Dialogs dialogs;
        MenuPage page;
        page.find("kstdel");
        page.lstMenu->setCurrentRow(0);
        // Delete acts on the chosen entry, whatever the Name field says.
        page.txtCaption->setText("Beta");

        dialogs.answer = false;
        page.cmdDel->click();
        QCOMPARE(items(page.lstMenu), QStringList({"Alpha", "Beta"}));

        dialogs.answer = true;
        page.cmdDel->click();
        QCOMPARE(dialogs.questions.size(), 2);
        QCOMPARE(items(page.lstMenu), QStringList({"Beta"}));
        QVERIFY(!wineKeyExists(m, "HKCR\\.kstdel\\Shell\\Alpha\\command"));
        QVERIFY(!wineKeyExists(m, "HKCR\\.kstdel\\Shell\\Alpha"));
        QCOMPARE(wineQuery(m, "HKCR\\.kstdel\\Shell\\Beta"), QStringLiteral("Beta text"));
    }

    void emptyListAsksNothing() {
        KESTREL_QT_MACHINE(m);
        Reg::SaveString(HKEY_CLASSES_ROOT, ".kstempty", {}, "");
        Dialogs dialogs;
        MenuPage page;
        page.find("kstempty");
        QCOMPARE(page.lstMenu->count(), 0);
        // The extension has no Shell key: the list cannot be opened.
        QVERIFY(!page.lstMenu->isEnabled());
        page.fill("Name", "Caption", "cmd");
        page.cmdEdit->click();
        page.cmdDel->click();
        QVERIFY(dialogs.questions.isEmpty());
        QVERIFY(dialogs.messages.isEmpty());
        QVERIFY(!regValue(HKEY_CLASSES_ROOT, ".kstempty\\Shell\\Name", {}));
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
        // The rebuilt list shows no selection, and the remembered index stays where it was.
        QCOMPARE(page.lstMenu->currentRow(), -1);
        QCOMPARE(page.form.curIndex(), 1);

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

    void narrowPageKeepsFieldWidthsNonNegative() {
        KESTREL_QT_MACHINE(m);
        MenuPage page;
        page.form.show();
        page.form.resize(700, 400);
        QCOMPARE(page.txtCmd->geometry().right() + 1, 700 - 8);
        QCOMPARE(page.txtSub->geometry().right() + 1, 700 - 8);
        page.form.resize(100, 400);
        QCOMPARE(page.txtCmd->width(), 0);
        QCOMPARE(page.txtSub->width(), 0);
    }
};

QTEST_MAIN(ConFileMenuTest)
#include "ConFileMenuTest.moc"
