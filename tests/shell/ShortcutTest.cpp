// The shortcuts page on a throw-away prefix: loading from the current user's "link" and the two
// IsShortCut values, the bytes Apply writes (read back by "wine reg query" as REG_BINARY under
// HKCU and HKU\.DEFAULT), and the question on closing a changed page.

#include "pages/shell/frmshortcut.h"
#include "resources/Catalogue.h"
#include "tests/support/PageTestKit.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

const QString Explorer = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer");
const QString DefaultExplorer = QStringLiteral(".DEFAULT\\") + Explorer;
const QString Missing = QStringLiteral("<missing>");

void storeLink(RootKey root, const QString& path, const QString& data) {
    if (data == Missing)
        Reg::DeleteValue(root, path, "link");
    else
        QVERIFY(Reg::SaveBinary(root, path, "link", data));
}

void storeArrow(const QString& shortcutClass, bool present) {
    if (present)
        QVERIFY(Reg::SaveString(HKEY_CLASSES_ROOT, shortcutClass, "IsShortCut", {}));
    else
        Reg::DeleteValue(HKEY_CLASSES_ROOT, shortcutClass, "IsShortCut");
}

struct ShortcutPage : LoadedForm<frmshortcut> {
    QLineEdit* txtShortCut = form.findChild<QLineEdit*>(QStringLiteral("txtShortCut"));
    QCheckBox* chkns = form.findChild<QCheckBox*>(QStringLiteral("chkns"));
    QCheckBox* chkni = form.findChild<QCheckBox*>(QStringLiteral("chkni"));
    QPushButton* btnApply = form.findChild<QPushButton*>(QStringLiteral("btnApply"));

    ShortcutPage() : LoadedForm(600, 300) {}
};

} // namespace

class ShortcutTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Catalogue::setLanguage(Language::English); }

    void loadsTheCurrentUsersSettings_data() {
        QTest::addColumn<QString>("link");        // the current user's value
        QTest::addColumn<QString>("defaultLink"); // the default profile's, never read
        QTest::addColumn<bool>("lnkArrow");
        QTest::addColumn<bool>("pifArrow");
        QTest::addColumn<bool>("noText");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("noArrow");

        // The registry layer drops one final zero byte: four zero bytes read as three NULs.
        QTest::newRow("four zero bytes")
            << QString(4, QChar(0)) << Missing << true << true << true << "" << false;
        QTest::newRow("five zero bytes")
            << QString(5, QChar(0)) << Missing << false << true << true << "" << false;
        QTest::newRow("three zero bytes are a text")
            << QString(3, QChar(0)) << Missing << false << false << false << "" << true;
        QTest::newRow("missing, default profile set")
            << Missing << "Default " << true << false << true << "" << false;
        QTest::newRow("text with separator")
            << "Link to " << Missing << false << false << false << "Link to" << true;
        QTest::newRow("text without separator")
            << "Copy" << Missing << true << true << false << "Copy" << false;
        QTest::newRow("empty") << "" << Missing << false << false << true << "" << true;
    }
    void loadsTheCurrentUsersSettings() {
        QFETCH(QString, link);
        QFETCH(QString, defaultLink);
        QFETCH(bool, lnkArrow);
        QFETCH(bool, pifArrow);
        QFETCH(bool, noText);
        QFETCH(QString, shown);
        QFETCH(bool, noArrow);
        KESTREL_QT_MACHINE(m);
        storeLink(HKEY_CURRENT_USER, Explorer, link);
        storeLink(HKEY_USERS, DefaultExplorer, defaultLink);
        storeArrow("lnkfile", lnkArrow);
        storeArrow("piffile", pifArrow);

        Dialogs dialogs;
        ShortcutPage page;
        QCOMPARE(page.chkns->isChecked(), noText);
        QCOMPARE(page.txtShortCut->isEnabled(), !noText);
        QCOMPARE(page.txtShortCut->text(), shown);
        QCOMPARE(page.chkni->isChecked(), noArrow);
        QVERIFY(!page.form.isChanged());
        page.form.Form_Unload();
        QVERIFY(dialogs.questions.isEmpty());
    }

    void applyWritesBothProfilesAndTheArrow_data() {
        QTest::addColumn<bool>("noText");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("noArrow");
        QTest::addColumn<QString>("bytes");

        QTest::newRow("no text, whatever the box holds") << true << "ignored" << true << "00000000";
        QTest::newRow("text and space") << false << "Link: " << false << "4C696E6B3A2020";
        QTest::newRow("empty text is one space") << false << "" << true << "20";
    }
    void applyWritesBothProfilesAndTheArrow() {
        QFETCH(bool, noText);
        QFETCH(QString, text);
        QFETCH(bool, noArrow);
        QFETCH(QString, bytes);
        KESTREL_QT_MACHINE(m);
        storeLink(HKEY_CURRENT_USER, Explorer, "Old ");
        storeArrow("lnkfile", noArrow);
        storeArrow("piffile", !noArrow);

        Dialogs dialogs;
        ShortcutPage page;
        if (page.chkns->isChecked())
            page.chkns->click();
        page.txtShortCut->setText(text);
        if (noText)
            page.chkns->click();
        if (page.chkni->isChecked() != noArrow)
            page.chkni->click();
        QVERIFY(page.form.isChanged());
        page.btnApply->click();
        QVERIFY(dialogs.questions.isEmpty());
        QVERIFY(!page.form.isChanged());
        page.form.Form_Unload(); // applied: nothing left to ask
        QVERIFY(dialogs.questions.isEmpty());

        QCOMPARE(wineBinary(m, "HKCU\\" + Explorer, "link"), bytes);
        QCOMPARE(wineBinary(m, "HKU\\" + DefaultExplorer, "link"), bytes);
        for (const char* shortcutClass : {"HKCR\\lnkfile", "HKCR\\piffile"})
            QCOMPARE(wineQuery(m, shortcutClass, "IsShortCut"),
                     noArrow ? std::nullopt : std::optional<QString>(QString()));
    }

    void closingAChangedPageAsks() {
        KESTREL_QT_MACHINE(m);
        storeLink(HKEY_CURRENT_USER, Explorer, "Old ");
        Dialogs dialogs;
        dialogs.answer = false;
        {
            ShortcutPage page;
            QTest::keyClicks(page.txtShortCut, "X");
            page.form.Form_Unload();
        }
        QCOMPARE(dialogs.questions, QStringList{"Save Changes ?"});
        QCOMPARE(regValue(HKEY_CURRENT_USER, Explorer, "link"), QStringLiteral("Old "));

        dialogs.answer = true;
        ShortcutPage page;
        QCOMPARE(page.txtShortCut->text(), QStringLiteral("Old"));
        QTest::keyClicks(page.txtShortCut, "Y");
        page.form.Form_Unload();
        QCOMPARE(dialogs.questions.size(), 2);
        QCOMPARE(wineBinary(m, "HKU\\" + DefaultExplorer, "link"), QStringLiteral("4F6C645920"));
    }
};

QTEST_MAIN(ShortcutTest)
#include "ShortcutTest.moc"
