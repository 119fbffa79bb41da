// The seven pages opened from the running main window: every box reads and writes its own value
// (names and keys checked against the list below, not against the pages' tables); the logon
// message page's two values, and its OK button and the closing of the window going through the
// shell's page protocol.

#include "app/frmStart.h"
#include "pages/restrictions/RestrictionPage.h"
#include "pages/restrictions/frmStartUp.h"
#include "tests/support/PageTestKit.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

const QString Policies = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Policies");

// Each page's values in box order, "K.Name": K is where the value lives, E, S, N, A = the
// Explorer, System, Network and ActiveDesktop policy keys, B = the browser restrictions key,
// U = HKEY_LOCAL_MACHINE's Update key.
const std::pair<const char*, const char*> pages[] = {
    {"Kestrel", "E.NoDesktop E.NoNetHood E.NoSaveSettings S.DisableRegistryTools U.UpdateMode"},
    {"StartMenu", "E.NoRecentDocsMenu E.NoSMHelp E.NoClose E.NoRun E.ClearRecentDocsOnExit "
                  "E.NoSMMyDocs E.NoFind E.NoSetActiveDesktop E.NoChangeStartMenu E.NoSetFolders "
                  "E.NoSetTaskbar E.NoControlPanel E.NoFavoritesMenu E.NoLogOff"},
    {"ControlPanel",
     "S.NoDispCPL S.NoDispAppearancePage S.NoDispBackgroundPage "
     "S.NoDispScrSavPage S.NoDispSettingsPage S.NoSystem S.NoDevMgrPage "
     "S.NoConfigPage S.NoFileSysPage S.NoVirtMemPage N.NoNetSetup "
     "N.NoFileSharingControl N.NoNetSetupIDPage N.NoNetSetupSecurityPage S.NoSecCPL "
     "S.NoPwdPage S.NoAdminPage S.NoProfilePage"},
    {"Explorer", "E.NoFileMenu E.NoViewContextMenu B.NoBrowserClose E.NoExpandedNewMenu "
                 "E.NoFolderOptions"},
    {"IERes", "B.NoBrowserClose B.NoBrowserContextMenu B.NoBrowserOptions B.NoBrowserSaveAs "
              "B.NoFavorites B.NoFileNew B.NoFileOpen B.NoFindFiles B.NoSelectDownloadDir "
              "B.NoTheaterMode B.NoAddressBar B.NoToolBar B.NoLinksBar B.NoHelpMenu "
              "B.NoHelpItemNetscapeHelp B.NoHelpItemSendFeedback B.NoHelpItemTipOfTheDay "
              "B.NoHelpItemTutorial"},
    {"ActiveDesktop", "E.NoActiveDesktopChanges A.NoChangingWallpaper A.NoComponents "
                      "A.NoAddingComponents A.NoDeletingComponents A.NoEditingComponents "
                      "A.NoCloseDragDropBands A.NoMovingBands"},
};

struct Value {
    RootKey root;
    QString path, name;
    std::optional<std::uint32_t> read() const { return dword(root, path, name); }
    bool write(std::uint32_t value) const { return Reg::SaveDWord(root, path, name, value); }
};

QList<Value> valuesOf(const char* list) {
    QList<Value> values;
    for (const QString& item : QString::fromLatin1(list).split(QLatin1Char(' '))) {
        const char key = item[0].toLatin1();
        const QString name = item.mid(2);
        if (key == 'U')
            values.append({HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Update", name});
        else if (key == 'B')
            values.append({HKEY_CURRENT_USER,
                           "Software\\Policies\\Microsoft\\Internet Explorer\\Restrictions", name});
        else
            values.append({HKEY_CURRENT_USER,
                           Policies + (key == 'E'   ? "\\Explorer"
                                       : key == 'S' ? "\\System"
                                       : key == 'N' ? "\\Network"
                                                    : "\\ActiveDesktop"),
                           name});
    }
    return values;
}

bool usable(QCheckBox* box) {
    return box->isEnabled() && box->isVisible();
}

// The main window on the current machine, with its first page shown.
struct Window {
    Window() {
        window.resize(1000, 700);
        MdlStart::setShell(&window);
        window.show();
        window.showPage(QStringLiteral("About"));
    }
    ~Window() {
        window.close();
        MdlStart::setShell(nullptr);
    }
    frmStart window;
};

} // namespace

class RestrictionWindowTest : public QObject {
    Q_OBJECT
private slots:
    void everyBoxReadsAndWritesItsOwnValue_data();
    void everyBoxReadsAndWritesItsOwnValue();
    void logonPageOkAndClosingTheWindowGoThroughTheShell();
    void logonNoticeOnAndOff();
    void logonTextKeepsItsLineBreaks();
};

void RestrictionWindowTest::everyBoxReadsAndWritesItsOwnValue_data() {
    QTest::addColumn<bool>("windows98");
    QTest::newRow("NT family") << false;
    QTest::newRow("Windows 98") << true;
}

void RestrictionWindowTest::everyBoxReadsAndWritesItsOwnValue() {
    QFETCH(bool, windows98);
    KESTREL_QT_MACHINE(env);
    if (windows98)
        makeWindows98();
    Dialogs dialogs;
    Window w;

    for (const auto& [key, list] : pages) {
        const QString node = QString::fromLatin1(key);
        const QList<Value> values = valuesOf(list);
        const int n = static_cast<int>(values.size());
        for (int i = 0; i < n; ++i) {
            const QString where = node + QStringLiteral(" box ") + QString::number(i);
            // Only value i is 1; every other value of the page is 0.
            for (int j = 0; j < n; ++j)
                QVERIFY(values[j].write(j == i ? 1 : 0));

            w.window.showPage(node);
            auto* page = qobject_cast<RestrictionPage*>(w.window.curPage());
            QVERIFY2(page, qPrintable(where));
            QCOMPARE(page->count(), n);
            // The control panel's system box never shows ticked.
            const bool neverTicked = node == QLatin1String("ControlPanel") && i == 5;
            for (int j = 0; j < n; ++j)
                QVERIFY2(page->chk(j)->isChecked() == (j == i && !neverTicked),
                         qPrintable(where + QStringLiteral(" read, box ") + QString::number(j)));

            // Untick it by a click where the user can; elsewhere change another box twice, so
            // that the page saves and writes box i with the state it was loaded with.
            std::uint32_t expected = neverTicked ? 0 : 1;
            if (usable(page->chk(i))) {
                page->chk(i)->click();
                expected = 0;
            } else {
                int other = 0;
                while (!usable(page->chk(other)))
                    ++other;
                page->chk(other)->click();
                page->chk(other)->click();
            }
            const qsizetype asked = dialogs.questions.size();
            w.window.showPage(QStringLiteral("About"));
            QCOMPARE(dialogs.questions.size(), asked + 1);
            for (int j = 0; j < n; ++j)
                QVERIFY2(values[j].read() == std::optional<std::uint32_t>(j == i ? expected : 0),
                         qPrintable(where + QStringLiteral(" written, value ") + values[j].name));
        }
    }
}

void RestrictionWindowTest::logonPageOkAndClosingTheWindowGoThroughTheShell() {
    KESTREL_QT_MACHINE(env);
    const QString winlogon = MdlStart::WinVerKey + QStringLiteral("\\Winlogon");
    Dialogs dialogs;
    {
        Window w;
        w.window.showPage(QStringLiteral("StartUp"));
        auto* page = qobject_cast<frmStartUp*>(w.window.curPage());
        QVERIFY(page);
        QTest::mouseClick(page->cmdOk(), Qt::LeftButton);
        QCOMPARE(w.window.curForm(), QStringLiteral("frmAbout"));
        QVERIFY(dialogs.questions.isEmpty());

        w.window.showPage(QStringLiteral("StartUp"));
        page = qobject_cast<frmStartUp*>(w.window.curPage());
        page->chkYN()->click();
        page->txtTitle()->setText(QStringLiteral("Private computer"));
        QTest::mouseClick(page->cmdOk(), Qt::LeftButton);
        QCOMPARE(w.window.curForm(), QStringLiteral("frmAbout"));
        QCOMPARE(dialogs.questions.size(), 1);
        QCOMPARE(sz(HKEY_LOCAL_MACHINE, winlogon, QStringLiteral("LegalNoticeCaption")),
                 std::optional<QString>(QStringLiteral("Private computer")));

        // A changed page asks when the main window closes.
        w.window.showPage(QStringLiteral("Kestrel"));
        auto* admin = qobject_cast<RestrictionPage*>(w.window.curPage());
        admin->chk(1)->click();
    }
    QCOMPARE(dialogs.questions.size(), 2);
    QCOMPARE(dword(HKEY_CURRENT_USER, Policies + QStringLiteral("\\Explorer"),
                   QStringLiteral("NoNetHood")),
             std::optional<std::uint32_t>(1));
}

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
} // namespace

void RestrictionWindowTest::logonNoticeOnAndOff() {
    KESTREL_QT_MACHINE(env);
    Dialogs dialogs;
    // No caption: the notice is off and its text is not read.
    store(Text, QStringLiteral("Authorised users only"));
    auto page = openPage<frmStartUp>();
    QVERIFY(!page->chkYN()->isChecked());
    QVERIFY(!page->txtTitle()->isEnabled() && !page->txtText()->isEnabled());
    QCOMPARE(page->txtTitle()->text(), QStringLiteral("Windows"));
    QCOMPARE(page->txtText()->toPlainText(), QString());
    QCOMPARE(page->cmdOk()->text(), QStringLiteral("Ok"));
    QVERIFY(page->lblHelp()->text().startsWith(QStringLiteral("If you check this option")));
    // Ticking alone writes the initial title and an empty text, where Wine reads them: on
    // Wine's NT family under the "Windows NT" key.
    page->chkYN()->click();
    QVERIFY(page->txtTitle()->isEnabled() && page->txtText()->isEnabled());
    closePage(page);
    QCOMPARE(dialogs.questions.size(), 1);
    QCOMPARE(winlogon(),
             QStringLiteral("Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon"));
    QCOMPARE(wineQuery(env, QStringLiteral("HKLM\\") + winlogon(), Caption), some("Windows"));
    QCOMPARE(wineQuery(env, QStringLiteral("HKLM\\") + winlogon(), Text), some(""));

    // An empty caption opens the notice on, and closing unchanged writes nothing.
    store(Caption, QString());
    store(Text, QStringLiteral("Read me"));
    page = openPage<frmStartUp>();
    QVERIFY(page->chkYN()->isChecked() && page->txtTitle()->isEnabled());
    QCOMPARE(page->txtText()->toPlainText(), QStringLiteral("Read me"));
    QVERIFY(!page->isChanged());
    closePage(page);
    QCOMPARE(dialogs.questions.size(), 1);

    // A typed and removed letter is still a change; No keeps the values.
    dialogs.answer = false;
    page = openPage<frmStartUp>();
    page->txtTitle()->setFocus();
    QTest::keyClick(page->txtTitle(), Qt::Key_X);
    QTest::keyClick(page->txtTitle(), Qt::Key_Backspace);
    closePage(page);
    QCOMPARE(dialogs.questions.size(), 2);
    QCOMPARE(caption(), some(""));

    // Unticking deletes both values, whatever was typed.
    dialogs.answer = true;
    page = openPage<frmStartUp>();
    page->txtTitle()->setText(QStringLiteral("Changed but not kept"));
    page->chkYN()->click();
    closePage(page);
    QCOMPARE(caption(), std::nullopt);
    QCOMPARE(text(), std::nullopt);
    QCOMPARE(wineQuery(env, QStringLiteral("HKLM\\") + winlogon(), Caption), std::nullopt);

    // Windows 98 has its own version key.
    makeWindows98();
    page = openPage<frmStartUp>();
    page->chkYN()->click();
    page->txtText()->setPlainText(QStringLiteral("Family logon"));
    closePage(page);
    QCOMPARE(winlogon(), QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Winlogon"));
    QCOMPARE(text(), some("Family logon"));
}

void RestrictionWindowTest::logonTextKeepsItsLineBreaks() {
    KESTREL_QT_MACHINE(env);
    store(Caption, QStringLiteral("Notice"));
    store(Text, QStringLiteral("First line\r\nSecond line"));
    Dialogs dialogs;
    auto page = openPage<frmStartUp>();
    QCOMPARE(page->txtText()->toPlainText(), QStringLiteral("First line\nSecond line"));
    page->txtText()->appendPlainText(QStringLiteral("Third line"));
    closePage(page);
    QCOMPARE(text(), some("First line\r\nSecond line\r\nThird line"));

    // A text with bare LF breaks that the user did not touch is written back exactly.
    store(Text, QStringLiteral("One\nTwo\r\nThree\n"));
    page = openPage<frmStartUp>();
    page->txtTitle()->setText(QStringLiteral("Changed"));
    closePage(page);
    QCOMPARE(dialogs.questions.size(), 2);
    QCOMPARE(text(), some("One\nTwo\r\nThree\n"));
    QCOMPARE(caption(), some("Changed"));
}

QTEST_MAIN(RestrictionWindowTest)
#include "RestrictionWindowTest.moc"
