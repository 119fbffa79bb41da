// The rules the restriction pages add to the engine: master boxes and their dependants, the box
// that can never be ticked, values shared by two pages, and the Windows family rules, on a
// prefix that reports the NT family (Wine's default) and on one set to Windows 98.

#include "PageHarness.h"
#include "pages/restrictions/frmActDesk.h"
#include "pages/restrictions/frmControlPanel.h"
#include "pages/restrictions/frmExplorer.h"
#include "pages/restrictions/frmIErestrict.h"
#include "pages/restrictions/frmPusk.h"

#include <QCheckBox>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

const QString Policies = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Policies");
const QString Explorer = Policies + QStringLiteral("\\Explorer");
const QString System = Policies + QStringLiteral("\\System");
const QString Network = Policies + QStringLiteral("\\Network");
const QString ActiveDesktop = Policies + QStringLiteral("\\ActiveDesktop");
const QString Browser =
    QStringLiteral("Software\\Policies\\Microsoft\\Internet Explorer\\Restrictions");

std::optional<std::uint32_t> hkcu(const QString& path, const char* name) {
    return dword(HKEY_CURRENT_USER, path, QString::fromLatin1(name));
}
void setHkcu(const QString& path, const char* name, int value) {
    QVERIFY(Reg::SaveDWord(HKEY_CURRENT_USER, path, QString::fromLatin1(name), value));
}
const std::optional<std::uint32_t> Zero = 0u;
const std::optional<std::uint32_t> One = 1u;

// Ticks the box by a user's click when it is not ticked yet, unticks it when it is.
void setTicked(QCheckBox* box, bool ticked) {
    if (box->isChecked() != ticked)
        box->click();
}

// Makes the prefix report the Windows 98 platform, as Wine does for this setting.
void makeWindows98() {
    QVERIFY(Reg::SaveString(HKEY_CURRENT_USER, QStringLiteral("Software\\Wine"),
                            QStringLiteral("Version"), QStringLiteral("win98")));
    QVERIFY(!IsWinNT());
    MdlStart::setWinVerKeyFromPlatform();
}

// The enabled states of boxes first..last, e.g. "1110".
QString enabledStates(const RestrictionPage& page, int first, int last) {
    QString states;
    for (int i = first; i <= last; ++i)
        states += page.chk(i)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    return states;
}
QString tickStates(const RestrictionPage& page, int first, int last) {
    QString states;
    for (int i = first; i <= last; ++i)
        states += page.chk(i)->isChecked() ? QLatin1Char('1') : QLatin1Char('0');
    return states;
}

} // namespace

class RestrictionRulesTest : public QObject {
    Q_OBJECT
private slots:
    void controlPanelMastersGreyTheirDependants();
    void controlPanelSystemBoxIsNeverTickedAndAlwaysWrittenZero();
    void browserHelpMenuGreysItsItems();
    void activeDesktopComponentsGreyTheirBoxes();
    void explorerBox2AndBrowserBox0AreOneValue();
    void ntFamilyRules();
    void windows98Rules();
};

void RestrictionRulesTest::controlPanelMastersGreyTheirDependants() {
    KESTREL_QT_MACHINE(env);
    setHkcu(Network, "NoNetSetup", 1);
    setHkcu(Network, "NoNetSetupIDPage", 1);
    makeWindows98(); // all 18 rows are shown

    Prompts prompts(true);
    auto page = openPage<frmControlPanel>();
    QVERIFY(!page->isChanged());
    // Loading "NoNetSetup" = 1 greys 11 to 13 from the start; the others stay usable.
    QCOMPARE(enabledStates(*page, 0, 17), QStringLiteral("111110111110001111"));
    QCOMPARE(tickStates(*page, 10, 13), QStringLiteral("1010"));

    // Ticking a master greys its dependants and keeps their ticks; unticking frees them.
    page->chk(2)->click();
    page->chk(0)->click();
    QCOMPARE(enabledStates(*page, 1, 4), QStringLiteral("0000"));
    QCOMPARE(tickStates(*page, 1, 4), QStringLiteral("0100"));
    page->chk(0)->click();
    QCOMPARE(enabledStates(*page, 1, 4), QStringLiteral("1111"));
    page->chk(14)->click();
    QCOMPARE(enabledStates(*page, 15, 17), QStringLiteral("000"));
    page->chk(0)->click();
    page->chk(10)->click();
    QCOMPARE(enabledStates(*page, 11, 13), QStringLiteral("111"));
    closePage(page);
    QCOMPARE(prompts.count, 1);
    QCOMPARE(hkcu(System, "NoDispCPL"), One);
    QCOMPARE(hkcu(System, "NoDispBackgroundPage"), One);
    QCOMPARE(hkcu(Network, "NoNetSetup"), Zero);
    QCOMPARE(hkcu(Network, "NoNetSetupIDPage"), One);
    QCOMPARE(hkcu(System, "NoSecCPL"), One);

    // The greying follows the saved masters at the next opening.
    page = openPage<frmControlPanel>();
    QVERIFY(!page->isChanged());
    QCOMPARE(enabledStates(*page, 0, 17), QStringLiteral("100000111111111000"));
    QCOMPARE(tickStates(*page, 0, 4), QStringLiteral("10100"));
    closePage(page);
    QCOMPARE(prompts.count, 1);
}

void RestrictionRulesTest::controlPanelSystemBoxIsNeverTickedAndAlwaysWrittenZero() {
    KESTREL_QT_MACHINE(env);
    setHkcu(System, "NoSystem", 1);
    setHkcu(System, "NoDevMgrPage", 1);
    makeWindows98();

    Prompts prompts(true);
    auto page = openPage<frmControlPanel>();
    // Unticked and greyed whatever the registry holds; its dependants stay usable.
    QVERIFY(!page->chk(5)->isChecked());
    QVERIFY(!page->chk(5)->isEnabled());
    QCOMPARE(enabledStates(*page, 6, 9), QStringLiteral("1111"));
    QVERIFY(page->chk(6)->isChecked());
    QVERIFY(!page->isChanged());
    page->chk(17)->click();
    closePage(page);

    QCOMPARE(prompts.count, 1);
    QCOMPARE(hkcu(System, "NoSystem"), Zero);
    QCOMPARE(hkcu(System, "NoDevMgrPage"), One);
    QCOMPARE(hkcu(System, "NoProfilePage"), One);
    // Every row was written, each to its key.
    QCOMPARE(hkcu(Network, "NoNetSetupSecurityPage"), Zero);
    QCOMPARE(hkcu(System, "NoNetSetup"), std::nullopt);
    QCOMPARE(hkcu(System, "NoVirtMemPage"), Zero);
    QCOMPARE(wineQuery(env.prefix(), QStringLiteral("HKCU\\") + System, QStringLiteral("NoSystem")),
             std::optional<QString>(QStringLiteral("0x0")));
}

void RestrictionRulesTest::browserHelpMenuGreysItsItems() {
    KESTREL_QT_MACHINE(env);
    setHkcu(Browser, "NoHelpMenu", 1);
    setHkcu(Browser, "NoHelpItemTutorial", 1);

    Prompts prompts(true);
    auto page = openPage<frmIErestrict>();
    QCOMPARE(enabledStates(*page, 13, 17), QStringLiteral("10000"));
    QCOMPARE(tickStates(*page, 13, 17), QStringLiteral("10001"));
    QVERIFY(!page->isChanged());

    page->chk(13)->click();
    QCOMPARE(enabledStates(*page, 14, 17), QStringLiteral("1111"));
    page->chk(15)->click();
    page->chk(13)->click();
    QCOMPARE(enabledStates(*page, 14, 17), QStringLiteral("0000"));
    QCOMPARE(tickStates(*page, 14, 17), QStringLiteral("0101"));
    closePage(page);

    QCOMPARE(prompts.count, 1);
    QCOMPARE(hkcu(Browser, "NoHelpMenu"), One);
    QCOMPARE(hkcu(Browser, "NoHelpItemSendFeedback"), One);
    QCOMPARE(hkcu(Browser, "NoHelpItemNetscapeHelp"), Zero);
    QCOMPARE(hkcu(Browser, "NoBrowserClose"), Zero);

    page = openPage<frmIErestrict>();
    QCOMPARE(enabledStates(*page, 14, 17), QStringLiteral("0000"));
    closePage(page);
}

void RestrictionRulesTest::activeDesktopComponentsGreyTheirBoxes() {
    KESTREL_QT_MACHINE(env);
    setHkcu(ActiveDesktop, "NoComponents", 1);
    setHkcu(ActiveDesktop, "NoEditingComponents", 1);
    // The settings switch is read from the Explorer key; a stray one here is not it.
    setHkcu(ActiveDesktop, "NoActiveDesktopChanges", 1);

    Prompts prompts(true);
    auto page = openPage<frmActDesk>();
    QCOMPARE(enabledStates(*page, 0, 7), QStringLiteral("11100011"));
    QCOMPARE(tickStates(*page, 0, 7), QStringLiteral("00100100"));
    QVERIFY(!page->isChanged());

    page->chk(2)->click();
    QCOMPARE(enabledStates(*page, 3, 5), QStringLiteral("111"));
    page->chk(3)->click();
    page->chk(2)->click();
    QCOMPARE(enabledStates(*page, 3, 5), QStringLiteral("000"));
    QCOMPARE(tickStates(*page, 3, 5), QStringLiteral("101"));
    page->chk(0)->click();
    closePage(page);

    QCOMPARE(prompts.count, 1);
    QCOMPARE(hkcu(Explorer, "NoActiveDesktopChanges"), One);
    QCOMPARE(hkcu(ActiveDesktop, "NoActiveDesktopChanges"), One); // untouched
    QCOMPARE(hkcu(ActiveDesktop, "NoAddingComponents"), One);
    QCOMPARE(hkcu(ActiveDesktop, "NoDeletingComponents"), Zero);
    QCOMPARE(hkcu(ActiveDesktop, "NoMovingBands"), Zero);
    QCOMPARE(hkcu(Explorer, "NoMovingBands"), std::nullopt);
}

void RestrictionRulesTest::explorerBox2AndBrowserBox0AreOneValue() {
    KESTREL_QT_MACHINE(env);
    QCOMPARE(hkcu(Browser, "NoBrowserClose"), std::nullopt);
    Prompts prompts(true);

    auto explorer = openPage<frmExplorer>();
    QVERIFY(!explorer->chk(2)->isChecked());
    explorer->chk(2)->click();
    closePage(explorer);
    QCOMPARE(hkcu(Browser, "NoBrowserClose"), One);
    // The Explorer page writes only that one value under the browser key.
    QCOMPARE(hkcu(Browser, "NoBrowserContextMenu"), std::nullopt);
    QCOMPARE(hkcu(Explorer, "NoBrowserClose"), std::nullopt);

    auto browser = openPage<frmIErestrict>();
    QVERIFY(browser->chk(0)->isChecked());
    browser->chk(0)->click();
    closePage(browser);

    explorer = openPage<frmExplorer>();
    QVERIFY(!explorer->chk(2)->isChecked());
    closePage(explorer);
    QCOMPARE(prompts.count, 2);
    QCOMPARE(wineQuery(env.prefix(), QStringLiteral("HKCU\\") + Browser,
                       QStringLiteral("NoBrowserClose")),
             std::optional<QString>(QStringLiteral("0x0")));
}

void RestrictionRulesTest::ntFamilyRules() {
    KESTREL_QT_MACHINE(env);
    QVERIFY(IsWinNT());
    setHkcu(Explorer, "NoChangeStartMenu", 1);
    setHkcu(System, "NoPwdPage", 1);
    setHkcu(Explorer, "NoViewContextMenu", 1);
    Prompts prompts(true);

    // Start menu: 1 and 5 usable, 8 greyed with its loaded tick, written back unchanged.
    auto pusk = openPage<frmPusk>();
    QCOMPARE(enabledStates(*pusk, 0, 13), QStringLiteral("11111111011111"));
    QVERIFY(pusk->chk(8)->isChecked());
    pusk->chk(5)->click();
    closePage(pusk);
    QCOMPARE(hkcu(Explorer, "NoChangeStartMenu"), One);
    QCOMPARE(hkcu(Explorer, "NoSMMyDocs"), One);
    QCOMPARE(hkcu(Explorer, "NoLogOff"), Zero);

    // Control panel: only the display rows are shown, yet all 18 are written.
    auto panel = openPage<frmControlPanel>();
    for (int i = 0; i < 18; ++i)
        QCOMPARE(panel->chk(i)->isVisible(), i < 5);
    panel->chk(1)->click();
    closePage(panel);
    QCOMPARE(hkcu(System, "NoDispAppearancePage"), One);
    QCOMPARE(hkcu(System, "NoPwdPage"), One);
    QCOMPARE(hkcu(System, "NoSystem"), Zero);
    QCOMPARE(hkcu(Network, "NoNetSetup"), Zero);

    // Explorer: box 1 usable.
    auto explorer = openPage<frmExplorer>();
    QVERIFY(explorer->chk(1)->isEnabled());
    QVERIFY(explorer->chk(1)->isChecked());
    closePage(explorer);
    QCOMPARE(prompts.count, 2);
}

void RestrictionRulesTest::windows98Rules() {
    KESTREL_QT_MACHINE(env);
    setHkcu(Explorer, "NoSMHelp", 1);
    setHkcu(Explorer, "NoViewContextMenu", 1);
    makeWindows98();
    Prompts prompts(true);

    // Start menu: 1 and 5 greyed, 1 showing its loaded tick; 8 usable.
    auto pusk = openPage<frmPusk>();
    QCOMPARE(enabledStates(*pusk, 0, 13), QStringLiteral("10111011111111"));
    QVERIFY(pusk->chk(1)->isChecked());
    QVERIFY(!pusk->chk(5)->isChecked());
    pusk->chk(8)->click();
    closePage(pusk);
    QCOMPARE(hkcu(Explorer, "NoSMHelp"), One);
    QCOMPARE(hkcu(Explorer, "NoSMMyDocs"), Zero);
    QCOMPARE(hkcu(Explorer, "NoChangeStartMenu"), One);

    // Control panel: all 18 rows shown.
    auto panel = openPage<frmControlPanel>();
    for (int i = 0; i < 18; ++i)
        QVERIFY(panel->chk(i)->isVisible());
    closePage(panel);

    // Explorer: box 1 greyed, keeps its tick and is written back unchanged.
    auto explorer = openPage<frmExplorer>();
    QVERIFY(!explorer->chk(1)->isEnabled());
    QVERIFY(explorer->chk(1)->isChecked());
    setTicked(explorer->chk(4), true);
    closePage(explorer);
    QCOMPARE(hkcu(Explorer, "NoViewContextMenu"), One);
    QCOMPARE(hkcu(Explorer, "NoFolderOptions"), One);
    QCOMPARE(prompts.count, 2);
}

QTEST_MAIN(RestrictionRulesTest)
#include "RestrictionRulesTest.moc"
