// The check-box engine shared by the restriction pages, driven through the administrative
// options page (five rows, one of them under HKEY_LOCAL_MACHINE) on a real prefix.

#include "PageHarness.h"
#include "pages/restrictions/frmActDesk.h"
#include "pages/restrictions/frmControlPanel.h"
#include "pages/restrictions/frmIErestrict.h"
#include "pages/restrictions/frmKestrel.h"
#include "pages/restrictions/frmPusk.h"
#include "resources/Catalogue.h"

#include <QCheckBox>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

const QString Explorer =
    QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer");
const QString System =
    QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System");
const QString Update = QStringLiteral("SYSTEM\\CurrentControlSet\\Control\\Update");

// The administrative page's values, in row order.
struct Bound {
    RootKey root;
    QString path;
    QString name;
};
const Bound kestrelRows[] = {
    {HKEY_CURRENT_USER, Explorer, QStringLiteral("NoDesktop")},
    {HKEY_CURRENT_USER, Explorer, QStringLiteral("NoNetHood")},
    {HKEY_CURRENT_USER, Explorer, QStringLiteral("NoSaveSettings")},
    {HKEY_CURRENT_USER, System, QStringLiteral("DisableRegistryTools")},
    {HKEY_LOCAL_MACHINE, Update, QStringLiteral("UpdateMode")},
};

std::optional<std::uint32_t> rowValue(int row) {
    const Bound& b = kestrelRows[row];
    return dword(b.root, b.path, b.name);
}

} // namespace

class RestrictionEngineTest : public QObject {
    Q_OBJECT
private slots:
    void openingAndClosingWithoutAClickAsksNothingAndWritesNothing();
    void tickThenUntickStillAsksAndYesWritesEveryRow();
    void answeringNoWritesNothing();
    void onlyAnExactOneShowsTickedAndSavingRewritesAsDword();
    void captionsComeFromTheCatalogueAndShowAmpersands();
    void columnLayout();
};

void RestrictionEngineTest::openingAndClosingWithoutAClickAsksNothingAndWritesNothing() {
    KESTREL_QT_MACHINE(env);
    // Loading ticks these boxes, which raises clicks; the page must still count as unchanged.
    QVERIFY(Reg::SaveDWord(HKEY_CURRENT_USER, Explorer, QStringLiteral("NoDesktop"), 1));
    QVERIFY(Reg::SaveDWord(HKEY_LOCAL_MACHINE, Update, QStringLiteral("UpdateMode"), 1));
    const QByteArray user = fileBytes(env.prefix().file("user.reg"));
    const QByteArray system = fileBytes(env.prefix().file("system.reg"));

    Prompts prompts;
    auto page = openPage<frmKestrel>();
    QVERIFY(page->chk(0)->isChecked());
    QVERIFY(page->chk(4)->isChecked());
    QVERIFY(!page->isChanged());
    closePage(page);

    QCOMPARE(prompts.count, 0);
    QCOMPARE(fileBytes(env.prefix().file("user.reg")), user);
    QCOMPARE(fileBytes(env.prefix().file("system.reg")), system);
}

void RestrictionEngineTest::tickThenUntickStillAsksAndYesWritesEveryRow() {
    KESTREL_QT_MACHINE(env);
    for (int row = 0; row < 5; ++row)
        QVERIFY(!rowValue(row));

    Prompts prompts(true);
    auto page = openPage<frmKestrel>();
    page->chk(2)->click();
    page->chk(2)->click();
    QVERIFY(!page->chk(2)->isChecked());
    QVERIFY(page->isChanged());
    closePage(page);

    QCOMPARE(prompts.count, 1);
    QCOMPARE(prompts.lastQuestion, LoadResString(109));
    QCOMPARE(prompts.lastTitle, LoadResString(110));
    // Every row is written, also the ones never clicked and the ones that did not exist; the
    // HKEY_LOCAL_MACHINE row goes in the same save.
    for (int row = 0; row < 5; ++row)
        QCOMPARE(rowValue(row), std::optional<std::uint32_t>(0));

    // Ticks are written as 1, and the next opening reads them afresh.
    page = openPage<frmKestrel>();
    QVERIFY(!page->chk(0)->isChecked());
    page->chk(0)->click();
    page->chk(4)->click();
    closePage(page);
    QCOMPARE(prompts.count, 2);
    QCOMPARE(rowValue(0), std::optional<std::uint32_t>(1));
    QCOMPARE(rowValue(3), std::optional<std::uint32_t>(0));
    QCOMPARE(rowValue(4), std::optional<std::uint32_t>(1));

    page = openPage<frmKestrel>();
    QVERIFY(page->chk(0)->isChecked());
    QVERIFY(!page->chk(1)->isChecked());
    QVERIFY(page->chk(4)->isChecked());
    closePage(page);
    QCOMPARE(prompts.count, 2);

    // Wine reads what the page wrote.
    QCOMPARE(
        wineQuery(env.prefix(), QStringLiteral("HKCU\\") + Explorer, QStringLiteral("NoDesktop")),
        std::optional<QString>(QStringLiteral("0x1")));
    QCOMPARE(wineQuery(env.prefix(), QStringLiteral("HKCU\\") + System,
                       QStringLiteral("DisableRegistryTools")),
             std::optional<QString>(QStringLiteral("0x0")));
    QCOMPARE(
        wineQuery(env.prefix(), QStringLiteral("HKLM\\") + Update, QStringLiteral("UpdateMode")),
        std::optional<QString>(QStringLiteral("0x1")));
}

void RestrictionEngineTest::answeringNoWritesNothing() {
    KESTREL_QT_MACHINE(env);
    QVERIFY(Reg::SaveDWord(HKEY_CURRENT_USER, Explorer, QStringLiteral("NoNetHood"), 1));
    const QByteArray user = fileBytes(env.prefix().file("user.reg"));
    const QByteArray system = fileBytes(env.prefix().file("system.reg"));

    Prompts prompts(false);
    auto page = openPage<frmKestrel>();
    page->chk(1)->click();
    page->chk(3)->click();
    closePage(page);

    QCOMPARE(prompts.count, 1);
    QCOMPARE(rowValue(1), std::optional<std::uint32_t>(1));
    QVERIFY(!rowValue(3));
    QCOMPARE(fileBytes(env.prefix().file("user.reg")), user);
    QCOMPARE(fileBytes(env.prefix().file("system.reg")), system);
}

void RestrictionEngineTest::onlyAnExactOneShowsTickedAndSavingRewritesAsDword() {
    KESTREL_QT_MACHINE(env);
    // 257 reads as its low byte, 1; 2 is not 1; a string "1" is; a binary 01 byte is not.
    QVERIFY(Reg::SaveDWord(HKEY_CURRENT_USER, Explorer, QStringLiteral("NoDesktop"), 257));
    QVERIFY(Reg::SaveDWord(HKEY_CURRENT_USER, Explorer, QStringLiteral("NoNetHood"), 2));
    QVERIFY(Reg::SaveString(HKEY_CURRENT_USER, Explorer, QStringLiteral("NoSaveSettings"),
                            QStringLiteral("1")));
    QVERIFY(Reg::SaveBinary(HKEY_CURRENT_USER, System, QStringLiteral("DisableRegistryTools"),
                            QString(QChar(1))));
    QVERIFY(Reg::SaveString(HKEY_LOCAL_MACHINE, Update, QStringLiteral("UpdateMode"),
                            QStringLiteral("1 ")));

    Prompts prompts(true);
    auto page = openPage<frmKestrel>();
    QVERIFY(page->chk(0)->isChecked());
    QVERIFY(!page->chk(1)->isChecked());
    QVERIFY(page->chk(2)->isChecked());
    QVERIFY(!page->chk(3)->isChecked());
    QVERIFY(!page->chk(4)->isChecked());
    QVERIFY(!page->isChanged());
    page->chk(3)->click();
    page->chk(3)->click();
    closePage(page);

    QCOMPARE(prompts.count, 1);
    QCOMPARE(rowValue(0), std::optional<std::uint32_t>(1)); // 257 becomes 1
    QCOMPARE(rowValue(1), std::optional<std::uint32_t>(0)); // 2 becomes 0
    QCOMPARE(rowValue(2), std::optional<std::uint32_t>(1)); // the string becomes a DWORD
    QCOMPARE(rowValue(3), std::optional<std::uint32_t>(0)); // so does the binary
    QCOMPARE(rowValue(4), std::optional<std::uint32_t>(0));
}

void RestrictionEngineTest::captionsComeFromTheCatalogueAndShowAmpersands() {
    KESTREL_QT_MACHINE(env);
    auto pusk = openPage<frmPusk>();
    QCOMPARE(pusk->count(), 14);
    QCOMPARE(pusk->chk(3)->text(), QStringLiteral("Remove the Run Command from the Start Menu"));
    QCOMPARE(pusk->chk(13)->text(), QStringLiteral("Remove the LogOff from the Start Menu"));
    closePage(pusk);

    auto desk = openPage<frmActDesk>();
    // A check box would take the '&' as a shortcut mark and hide it; the text shows it.
    QCOMPARE(desk->chk(6)->text(), QStringLiteral("Disable the ability to close Drag&&Drop Bands"));
    QVERIFY(desk->chk(6)->shortcut().isEmpty());
    closePage(desk);
}

void RestrictionEngineTest::columnLayout() {
    KESTREL_QT_MACHINE(env);
    // 15 twips make a pixel: boxes 270 twips (18 px) apart from 60 twips (4 px) down, 255 (17 px)
    // high, reaching to 60 twips from the right edge.
    auto admin = openPage<frmKestrel>(600, 400);
    for (int i = 0; i < admin->count(); ++i)
        QCOMPARE(admin->chk(i)->geometry(), QRect(4, 4 + 18 * i, 600 - 8, 17));
    admin->resize(300, 400);
    QCOMPARE(admin->chk(0)->width(), 300 - 8);
    admin->resize(5, 400);
    QCOMPARE(admin->chk(0)->width(), 0);
    closePage(admin);

    // Start menu: 300 twips apart, 285 high; box 5 above box 4, box 10 above box 9.
    auto pusk = openPage<frmPusk>(600, 480);
    const int order[] = {0, 1, 2, 3, 5, 4, 6, 7, 8, 10, 9, 11, 12, 13};
    for (int slot = 0; slot < 14; ++slot)
        QCOMPARE(pusk->chk(order[slot])->geometry(), QRect(4, 4 + 20 * slot, 600 - 8, 19));
    closePage(pusk);

    // Control panel: dependants indented to 270 twips, masters at 60, all ending at one margin.
    auto panel = openPage<frmControlPanel>(600, 480);
    for (int i = 0; i < 18; ++i) {
        const bool master = i == 0 || i == 5 || i == 10 || i == 14;
        const int left = master ? 4 : 18;
        QCOMPARE(panel->chk(i)->geometry(), QRect(left, 4 + 18 * i, 600 - 4 - left, 17));
    }
    closePage(panel);

    // Browser: 4575 twips wide, or wider where a caption needs it, whatever the page's size;
    // the help items below the rest, indented, as 16 15 14 17.
    auto browser = openPage<frmIErestrict>(900, 480);
    const auto fixedWidth = [](QCheckBox* box) { return std::max(305, box->sizeHint().width()); };
    for (int i = 0; i < 14; ++i)
        QCOMPARE(browser->chk(i)->geometry(),
                 QRect(4, 4 + 18 * i, fixedWidth(browser->chk(i)), 17));
    const int help[] = {16, 15, 14, 17};
    for (int k = 0; k < 4; ++k) {
        QCheckBox* box = browser->chk(help[k]);
        QCOMPARE(box->geometry(), QRect(20, 4 + 18 * (14 + k), fixedWidth(box), 17));
    }
    QCOMPARE(browser->chk(4)->width(), 305); // "Disable the Favorites" is short
    QVERIFY(browser->chk(8)->width() >= browser->chk(8)->sizeHint().width());
    browser->resize(200, 480);
    QCOMPARE(browser->chk(4)->width(), 305);
    closePage(browser);

    // Active Desktop: 225 twips high, 7275 wide, at 30 twips, components' boxes at 240.
    auto desk = openPage<frmActDesk>(300, 480);
    for (int i = 0; i < 8; ++i) {
        const int left = (i >= 3 && i <= 5) ? 16 : 2;
        QCOMPARE(desk->chk(i)->geometry(),
                 QRect(left, 4 + 18 * i, std::max(485, desk->chk(i)->sizeHint().width()), 15));
    }
    closePage(desk);
}

QTEST_MAIN(RestrictionEngineTest)
#include "RestrictionEngineTest.moc"
