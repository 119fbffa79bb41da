// The restriction pages on a real prefix: the check-box engine (what reads as ticked, when the
// page asks and what it writes), the column's look, and the rules the pages add: master boxes
// and their dependants, the box that is never ticked, and the rules of the two Windows families.

#include "pages/restrictions/frmActDesk.h"
#include "pages/restrictions/frmControlPanel.h"
#include "pages/restrictions/frmExplorer.h"
#include "pages/restrictions/frmIErestrict.h"
#include "pages/restrictions/frmKestrel.h"
#include "pages/restrictions/frmPusk.h"
#include "resources/Catalogue.h"
#include "tests/support/PageTestKit.h"

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
const QString Update = QStringLiteral("SYSTEM\\CurrentControlSet\\Control\\Update");

std::optional<std::uint32_t> hkcu(const QString& path, const char* name) {
    return dword(HKEY_CURRENT_USER, path, QString::fromLatin1(name));
}
void setHkcu(const QString& path, const char* name, int value) {
    QVERIFY(Reg::SaveDWord(HKEY_CURRENT_USER, path, QString::fromLatin1(name), value));
}
const std::optional<std::uint32_t> Zero = 0u;
const std::optional<std::uint32_t> One = 1u;

// The administrative page's values in row order, as 0/1 digits ("-" for a missing or other one).
QString adminValues() {
    const std::pair<RootKey, QString> rows[] = {
        {HKEY_CURRENT_USER, Explorer + "|NoDesktop"},
        {HKEY_CURRENT_USER, Explorer + "|NoNetHood"},
        {HKEY_CURRENT_USER, Explorer + "|NoSaveSettings"},
        {HKEY_CURRENT_USER, System + "|DisableRegistryTools"},
        {HKEY_LOCAL_MACHINE, Update + "|UpdateMode"}};
    QString digits;
    for (const auto& [root, where] : rows) {
        const auto value = dword(root, where.section('|', 0, 0), where.section('|', 1));
        digits += value && *value <= 1 ? QString::number(*value) : QStringLiteral("-");
    }
    return digits;
}

// Boxes first..last as digits: ticked ("1"/"0") or enabled.
QString states(const RestrictionPage& page, int first, int last, bool enabled = false) {
    QString digits;
    for (int i = first; i <= last; ++i)
        digits += (enabled ? page.chk(i)->isEnabled() : page.chk(i)->isChecked()) ? '1' : '0';
    return digits;
}
QString enabled(const RestrictionPage& page, int first, int last) {
    return states(page, first, last, true);
}

} // namespace

class RestrictionPagesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Catalogue::setLanguage(Language::English); }

    // --- The engine, through the administrative page (one row under HKEY_LOCAL_MACHINE) -------

    void onlyAnExactOneTicksAndOnlyAChangeAsks() {
        KESTREL_QT_MACHINE(env);
        // 257 reads as its low byte, 1; 2 is not 1; a string "1" is; a binary 01 byte is not,
        // nor is the string "1 ".
        QVERIFY(Reg::SaveDWord(HKEY_CURRENT_USER, Explorer, "NoDesktop", 257));
        QVERIFY(Reg::SaveDWord(HKEY_CURRENT_USER, Explorer, "NoNetHood", 2));
        QVERIFY(Reg::SaveString(HKEY_CURRENT_USER, Explorer, "NoSaveSettings", "1"));
        QVERIFY(
            Reg::SaveBinary(HKEY_CURRENT_USER, System, "DisableRegistryTools", QString(QChar(1))));
        QVERIFY(Reg::SaveString(HKEY_LOCAL_MACHINE, Update, "UpdateMode", "1 "));
        const std::string user = readHostFile(env.prefix().file("user.reg"));
        const std::string system = readHostFile(env.prefix().file("system.reg"));

        // Loading ticks boxes, which raises clicks; the page still counts as unchanged.
        Dialogs dialogs;
        auto page = openPage<frmKestrel>();
        QCOMPARE(states(*page, 0, 4), QStringLiteral("10100"));
        QVERIFY(!page->isChanged());
        closePage(page);
        QVERIFY(dialogs.questions.isEmpty());

        // A tick and an untick are a change: the page asks, and No writes nothing.
        dialogs.answer = false;
        page = openPage<frmKestrel>();
        page->chk(3)->click();
        page->chk(3)->click();
        closePage(page);
        QCOMPARE(dialogs.questions, QStringList{LoadResString(109)});
        QCOMPARE(dialogs.titles, QStringList{LoadResString(110)});
        QCOMPARE(readHostFile(env.prefix().file("user.reg")), user);
        QCOMPARE(readHostFile(env.prefix().file("system.reg")), system);

        // Yes writes every row as a DWORD 1 or 0, both roots in the same save.
        dialogs.answer = true;
        page = openPage<frmKestrel>();
        page->chk(3)->click();
        page->chk(3)->click();
        closePage(page);
        QCOMPARE(adminValues(), QStringLiteral("10100"));
        QCOMPARE(wineQuery(env, "HKCU\\" + Explorer, "NoDesktop"), QStringLiteral("0x1"));
        QCOMPARE(wineQuery(env, "HKLM\\" + Update, "UpdateMode"), QStringLiteral("0x0"));
    }

    void captionsShowWholeAndInScreenOrder() {
        KESTREL_QT_MACHINE(env);
        makeWindows98(); // every box shown
        auto pusk = openPage<frmPusk>(900, 600);
        QCOMPARE(pusk->chk(3)->text(),
                 QStringLiteral("Remove the Run Command from the Start Menu"));
        // Box 5 stands above box 4.
        QVERIFY(pusk->chk(5)->y() < pusk->chk(4)->y());
        closePage(pusk);
        auto desk = openPage<frmActDesk>(900, 600);
        // A check box would take the '&' as a shortcut mark and hide it; the text shows it.
        QCOMPARE(desk->chk(6)->text(),
                 QStringLiteral("Disable the ability to close Drag&&Drop Bands"));
        QVERIFY(desk->chk(6)->shortcut().isEmpty());
        closePage(desk);
        // On every page the boxes stand one below the other without overlapping, each wide
        // enough for its caption.
        std::unique_ptr<RestrictionPage> pages[] = {
            std::make_unique<frmKestrel>(),      std::make_unique<frmPusk>(),
            std::make_unique<frmControlPanel>(), std::make_unique<frmExplorer>(),
            std::make_unique<frmIErestrict>(),   std::make_unique<frmActDesk>()};
        for (auto& page : pages) {
            page->Form_Load();
            page->resize(900, 600);
            page->show();
            QList<QRect> boxes;
            for (int i = 0; i < page->count(); ++i) {
                QVERIFY(page->chk(i)->width() >= page->chk(i)->sizeHint().width());
                boxes << page->chk(i)->geometry();
            }
            std::sort(boxes.begin(), boxes.end(),
                      [](const QRect& a, const QRect& b) { return a.top() < b.top(); });
            for (int i = 1; i < boxes.size(); ++i)
                QVERIFY2(boxes[i].top() > boxes[i - 1].bottom(), page->metaObject()->className());
            page->Form_Unload();
        }
    }

    // --- The pages' own rules -----------------------------------------------------------------

    void controlPanelMastersGreyTheirDependants() {
        KESTREL_QT_MACHINE(env);
        setHkcu(Network, "NoNetSetup", 1);
        setHkcu(Network, "NoNetSetupIDPage", 1);
        setHkcu(System, "NoSystem", 1);
        setHkcu(System, "NoDevMgrPage", 1);
        makeWindows98(); // all 18 rows are shown
        Dialogs dialogs;
        auto page = openPage<frmControlPanel>();
        QVERIFY(!page->isChanged());
        // "NoNetSetup" greys 11 to 13 from the start. The system box 5 is never ticked and
        // always greyed, and greys nothing.
        QCOMPARE(enabled(*page, 0, 17), QStringLiteral("111110111110001111"));
        QCOMPARE(states(*page, 5, 13), QStringLiteral("010001010"));
        // Ticking a master greys its dependants and keeps their ticks; unticking frees them.
        page->chk(2)->click();
        page->chk(0)->click();
        QCOMPARE(enabled(*page, 1, 4), QStringLiteral("0000"));
        QCOMPARE(states(*page, 1, 4), QStringLiteral("0100"));
        page->chk(0)->click();
        QCOMPARE(enabled(*page, 1, 4), QStringLiteral("1111"));
        page->chk(14)->click();
        QCOMPARE(enabled(*page, 15, 17), QStringLiteral("000"));
        page->chk(0)->click();
        page->chk(10)->click();
        QCOMPARE(enabled(*page, 11, 13), QStringLiteral("111"));
        closePage(page);
        QCOMPARE(dialogs.questions.size(), 1);
        QCOMPARE(hkcu(System, "NoDispCPL"), One);
        QCOMPARE(hkcu(System, "NoDispBackgroundPage"), One);
        QCOMPARE(hkcu(Network, "NoNetSetup"), Zero);
        QCOMPARE(hkcu(Network, "NoNetSetupIDPage"), One);
        QCOMPARE(hkcu(System, "NoSecCPL"), One);
        QCOMPARE(hkcu(System, "NoSystem"), Zero);
        QCOMPARE(hkcu(System, "NoDevMgrPage"), One);
        QCOMPARE(wineQuery(env, "HKCU\\" + System, "NoSystem"), QStringLiteral("0x0"));

        // The greying follows the saved masters at the next opening.
        page = openPage<frmControlPanel>();
        QVERIFY(!page->isChanged());
        QCOMPARE(enabled(*page, 0, 17), QStringLiteral("100000111111111000"));
        closePage(page);
        QCOMPARE(dialogs.questions.size(), 1);
    }

    void browserHelpMenuAndDesktopComponentsGreyTheirBoxes() {
        KESTREL_QT_MACHINE(env);
        setHkcu(Browser, "NoHelpMenu", 1);
        setHkcu(Browser, "NoHelpItemTutorial", 1);
        setHkcu(ActiveDesktop, "NoComponents", 1);
        setHkcu(ActiveDesktop, "NoEditingComponents", 1);
        // The desktop's settings switch is read from the Explorer key; this one is not it.
        setHkcu(ActiveDesktop, "NoActiveDesktopChanges", 1);
        Dialogs dialogs;

        auto browser = openPage<frmIErestrict>();
        QCOMPARE(enabled(*browser, 13, 17), QStringLiteral("10000"));
        QCOMPARE(states(*browser, 13, 17), QStringLiteral("10001"));
        browser->chk(13)->click();
        QCOMPARE(enabled(*browser, 14, 17), QStringLiteral("1111"));
        browser->chk(15)->click();
        browser->chk(13)->click();
        QCOMPARE(enabled(*browser, 14, 17), QStringLiteral("0000"));
        closePage(browser);
        QCOMPARE(hkcu(Browser, "NoHelpItemSendFeedback"), One);
        QCOMPARE(hkcu(Browser, "NoHelpItemNetscapeHelp"), Zero);

        auto desk = openPage<frmActDesk>();
        QCOMPARE(enabled(*desk, 0, 7), QStringLiteral("11100011"));
        QCOMPARE(states(*desk, 0, 7), QStringLiteral("00100100"));
        desk->chk(2)->click();
        QCOMPARE(enabled(*desk, 3, 5), QStringLiteral("111"));
        desk->chk(3)->click();
        desk->chk(2)->click();
        QCOMPARE(enabled(*desk, 3, 5), QStringLiteral("000"));
        desk->chk(0)->click();
        closePage(desk);
        QCOMPARE(dialogs.questions.size(), 2);
        QCOMPARE(hkcu(Explorer, "NoActiveDesktopChanges"), One);
        QCOMPARE(hkcu(ActiveDesktop, "NoActiveDesktopChanges"), One); // untouched
        QCOMPARE(hkcu(ActiveDesktop, "NoAddingComponents"), One);
        QCOMPARE(hkcu(ActiveDesktop, "NoMovingBands"), Zero);
        QCOMPARE(hkcu(Explorer, "NoMovingBands"), std::nullopt);
    }

    // Greyed boxes keep their loaded ticks and are written back unchanged.
    void familyRules_data() {
        QTest::addColumn<bool>("windows98");
        QTest::addColumn<QString>("startMenuEnabled");
        QTest::addColumn<bool>("explorerBox1Enabled");
        QTest::addColumn<int>("controlPanelRowsShown");
        QTest::newRow("NT family") << false << "11111111011111" << true << 5;
        QTest::newRow("Windows 98") << true << "10111011111111" << false << 18;
    }
    void familyRules() {
        QFETCH(bool, windows98);
        QFETCH(QString, startMenuEnabled);
        QFETCH(bool, explorerBox1Enabled);
        QFETCH(int, controlPanelRowsShown);
        KESTREL_QT_MACHINE(env);
        for (const char* name : {"NoSMHelp", "NoChangeStartMenu", "NoViewContextMenu"})
            setHkcu(Explorer, name, 1);
        setHkcu(System, "NoPwdPage", 1);
        if (windows98)
            makeWindows98();
        QCOMPARE(IsWinNT(), !windows98);
        Dialogs dialogs;

        auto pusk = openPage<frmPusk>();
        QCOMPARE(enabled(*pusk, 0, 13), startMenuEnabled);
        QCOMPARE(states(*pusk, 0, 13), QStringLiteral("01000000100000"));
        pusk->chk(windows98 ? 3 : 5)->click(); // a box the user can change
        closePage(pusk);
        QCOMPARE(hkcu(Explorer, "NoSMHelp"), One);
        QCOMPARE(hkcu(Explorer, "NoChangeStartMenu"), One);
        QCOMPARE(hkcu(Explorer, windows98 ? "NoRun" : "NoSMMyDocs"), One);

        // On the NT family only the display rows are shown, yet all 18 are written.
        auto panel = openPage<frmControlPanel>();
        for (int i = 0; i < 18; ++i)
            QCOMPARE(panel->chk(i)->isVisible(), i < controlPanelRowsShown);
        panel->chk(1)->click();
        closePage(panel);
        QCOMPARE(hkcu(System, "NoPwdPage"), One);
        QCOMPARE(hkcu(Network, "NoNetSetup"), Zero);

        auto explorer = openPage<frmExplorer>();
        QCOMPARE(explorer->chk(1)->isEnabled(), explorerBox1Enabled);
        QVERIFY(explorer->chk(1)->isChecked());
        explorer->chk(4)->click();
        closePage(explorer);
        QCOMPARE(hkcu(Explorer, "NoViewContextMenu"), One);
        QCOMPARE(hkcu(Explorer, "NoFolderOptions"), One);
        QCOMPARE(dialogs.questions.size(), 3);
    }
};

QTEST_MAIN(RestrictionPagesTest)
#include "RestrictionPagesTest.moc"
