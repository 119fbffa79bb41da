// The logon message page: the notice's two values under the Winlogon key of HKEY_LOCAL_MACHINE,
// turned on and off by chkYN, saved on closing, and cmdOk leaving through the shell.

#include "PageHarness.h"
#include "ui/Page.h"
#include "pages/restrictions/frmStartUp.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

const QString Caption = QStringLiteral("LegalNoticeCaption");
const QString Text = QStringLiteral("LegalNoticeText");

QString winlogon() {
    return MdlStart::WinVerKey + QStringLiteral("\\Winlogon");
}
std::optional<QString> caption() {
    return sz(HKEY_LOCAL_MACHINE, winlogon(), Caption);
}
std::optional<QString> text() {
    return sz(HKEY_LOCAL_MACHINE, winlogon(), Text);
}
void store(const QString& name, const QString& value) {
    QVERIFY(Reg::SaveString(HKEY_LOCAL_MACHINE, winlogon(), name, value));
}
std::optional<QString> some(const char* text) {
    return QString::fromUtf8(text);
}

// Stands in for the main window: remembers which pages were asked for and, as the shell does,
// unloads the current page first and destroys it once the event that led here is handled.
class RecordingShell : public Shell {
public:
    explicit RecordingShell(Page* page) : current(page) { MdlStart::setShell(this); }
    ~RecordingShell() override {
        MdlStart::setShell(nullptr);
        delete current;
    }
    Page* curPage() const override { return current; }
    void arrangePage() override {}
    void showPage(const QString& key) override {
        if (current) {
            current->Form_Unload();
            current->deleteLater();
            current = nullptr;
        }
        shown << key;
    }

    Page* current;
    QStringList shown;
};

} // namespace

class LogonPageTest : public QObject {
    Q_OBJECT
private slots:
    void anEmptyCaptionOpensTheNoticeOn();
    void aMissingCaptionLeavesTheNoticeOffAndTheTextUnread();
    void tickingAloneWritesTheInitialTitleAndAnEmptyText();
    void untickingDeletesBothValues();
    void retypingTheLoadedTextStillAsksAndNoKeepsTheValues();
    void theMessageKeepsWindowsLineBreaks();
    void cmdOkLeavesForTheAboutPage();
    void windows98UsesItsOwnVersionKey();
};

void LogonPageTest::anEmptyCaptionOpensTheNoticeOn() {
    KESTREL_QT_MACHINE(env);
    store(Caption, QString());
    Prompts prompts;
    auto page = openPage<frmStartUp>();
    QVERIFY(page->chkYN()->isChecked());
    QVERIFY(page->txtTitle()->isEnabled());
    QCOMPARE(page->txtTitle()->text(), QString());
    QVERIFY(page->txtText()->isEnabled());
    QCOMPARE(page->txtText()->toPlainText(), QString());
    QVERIFY(!page->isChanged());
    closePage(page);
    QCOMPARE(prompts.count, 0);
    QCOMPARE(text(), std::nullopt);
}

void LogonPageTest::aMissingCaptionLeavesTheNoticeOffAndTheTextUnread() {
    KESTREL_QT_MACHINE(env);
    store(Text, QStringLiteral("Authorised users only"));
    Prompts prompts;
    auto page = openPage<frmStartUp>();
    QVERIFY(!page->chkYN()->isChecked());
    QVERIFY(!page->txtTitle()->isEnabled());
    QVERIFY(!page->txtText()->isEnabled());
    QCOMPARE(page->txtTitle()->text(), QStringLiteral("Windows"));
    QCOMPARE(page->txtText()->toPlainText(), QString());
    QCOMPARE(page->cmdOk()->text(), QStringLiteral("Ok"));
    QVERIFY(page->lblHelp()->text().startsWith(QStringLiteral("If you check this option")));
    closePage(page);
    QCOMPARE(prompts.count, 0);
}

void LogonPageTest::tickingAloneWritesTheInitialTitleAndAnEmptyText() {
    KESTREL_QT_MACHINE(env);
    QCOMPARE(caption(), std::nullopt);
    Prompts prompts(true);
    auto page = openPage<frmStartUp>();
    page->chkYN()->click();
    QVERIFY(page->txtTitle()->isEnabled());
    QVERIFY(page->txtText()->isEnabled());
    closePage(page);
    QCOMPARE(prompts.count, 1);
    QCOMPARE(caption(), some("Windows"));
    QCOMPARE(text(), some(""));

    // On Wine's NT family the key is the "Windows NT" one, and Wine reads the values there.
    QCOMPARE(winlogon(),
             QStringLiteral("Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon"));
    QCOMPARE(wineQuery(env.prefix(), QStringLiteral("HKLM\\") + winlogon(), Caption),
             some("Windows"));
    QCOMPARE(wineQuery(env.prefix(), QStringLiteral("HKLM\\") + winlogon(), Text), some(""));
}

void LogonPageTest::untickingDeletesBothValues() {
    KESTREL_QT_MACHINE(env);
    store(Caption, QStringLiteral("Notice"));
    store(Text, QStringLiteral("Read me"));
    Prompts prompts(true);
    auto page = openPage<frmStartUp>();
    QCOMPARE(page->txtText()->toPlainText(), QStringLiteral("Read me"));
    page->txtTitle()->setText(QStringLiteral("Changed but not kept"));
    page->chkYN()->click();
    QVERIFY(!page->txtTitle()->isEnabled());
    closePage(page);
    QCOMPARE(prompts.count, 1);
    QCOMPARE(caption(), std::nullopt);
    QCOMPARE(text(), std::nullopt);
    QVERIFY(!stored(HKEY_LOCAL_MACHINE, winlogon(), Caption));
    QCOMPARE(wineQuery(env.prefix(), QStringLiteral("HKLM\\") + winlogon(), Caption), std::nullopt);

    // The next opening shows the notice off.
    page = openPage<frmStartUp>();
    QVERIFY(!page->chkYN()->isChecked());
    closePage(page);
    QCOMPARE(prompts.count, 1);
}

void LogonPageTest::retypingTheLoadedTextStillAsksAndNoKeepsTheValues() {
    KESTREL_QT_MACHINE(env);
    store(Caption, QStringLiteral("Hi"));
    store(Text, QStringLiteral("There"));
    Prompts prompts(false);
    auto page = openPage<frmStartUp>();
    page->txtTitle()->setFocus();
    QTest::keyClick(page->txtTitle(), Qt::Key_End);
    QTest::keyClick(page->txtTitle(), Qt::Key_X);
    QTest::keyClick(page->txtTitle(), Qt::Key_Backspace);
    QCOMPARE(page->txtTitle()->text(), QStringLiteral("Hi"));
    QVERIFY(page->isChanged());
    closePage(page);
    QCOMPARE(prompts.count, 1);
    QCOMPARE(caption(), some("Hi"));
    QCOMPARE(text(), some("There"));
}

void LogonPageTest::theMessageKeepsWindowsLineBreaks() {
    KESTREL_QT_MACHINE(env);
    store(Caption, QStringLiteral("Notice"));
    store(Text, QStringLiteral("First line\r\nSecond line"));
    Prompts prompts(true);
    auto page = openPage<frmStartUp>();
    QCOMPARE(page->txtText()->toPlainText(), QStringLiteral("First line\nSecond line"));
    page->txtText()->appendPlainText(QStringLiteral("Third line"));
    closePage(page);
    QCOMPARE(prompts.count, 1);
    QCOMPARE(text(), some("First line\r\nSecond line\r\nThird line"));
    QCOMPARE(caption(), some("Notice"));
}

void LogonPageTest::cmdOkLeavesForTheAboutPage() {
    KESTREL_QT_MACHINE(env);
    Prompts prompts(true);
    {
        // Unchanged: no prompt, the About page follows.
        auto* page = new frmStartUp;
        page->Form_Load();
        RecordingShell shell(page);
        page->show();
        QTest::mouseClick(page->cmdOk(), Qt::LeftButton);
        QCOMPARE(shell.shown, QStringList{QStringLiteral("About")});
        QVERIFY(!shell.current);
        QCOMPARE(prompts.count, 0);
        QCOMPARE(caption(), std::nullopt);
    }
    {
        // Changed: the prompt comes while the page closes, and Yes saves.
        auto* page = new frmStartUp;
        page->Form_Load();
        RecordingShell shell(page);
        page->show();
        page->chkYN()->click();
        page->txtTitle()->setText(QStringLiteral("Welcome"));
        QTest::mouseClick(page->cmdOk(), Qt::LeftButton);
        QCOMPARE(shell.shown, QStringList{QStringLiteral("About")});
        QCOMPARE(prompts.count, 1);
        QCOMPARE(caption(), some("Welcome"));
        QCOMPARE(text(), some(""));
    }
}

void LogonPageTest::windows98UsesItsOwnVersionKey() {
    KESTREL_QT_MACHINE(env);
    QVERIFY(Reg::SaveString(HKEY_CURRENT_USER, QStringLiteral("Software\\Wine"),
                            QStringLiteral("Version"), QStringLiteral("win98")));
    MdlStart::setWinVerKeyFromPlatform();
    QCOMPARE(winlogon(), QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Winlogon"));
    Prompts prompts(true);
    auto page = openPage<frmStartUp>();
    page->chkYN()->click();
    page->txtText()->setPlainText(QStringLiteral("Family logon"));
    closePage(page);
    QCOMPARE(caption(), some("Windows"));
    QCOMPARE(text(), some("Family logon"));
    QCOMPARE(sz(HKEY_LOCAL_MACHINE,
                QStringLiteral("Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon"),
                Caption),
             std::nullopt);
}

QTEST_MAIN(LogonPageTest)
#include "LogonPageTest.moc"
