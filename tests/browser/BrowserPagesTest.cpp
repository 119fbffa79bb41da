// The browser pages on throw-away prefixes. The browser interface: what its three boxes show, the
// picture chooser, and Apply writing every box to both roots, read back by Wine. The domain
// search: gaps in the numbering on loading and saving, Add and its duplicate rule, Delete, and
// the 254-entry limit; Wine reads back what was saved.

#include "app/PageTable.h"
#include "pages/icons/frmIETB.h"
#include "pages/internet/frmSiteFind.h"
#include "resources/Catalogue.h"
#include "tests/support/PageTestKit.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

const QString BrowserKey = "Software\\Microsoft\\Internet Explorer";
// The three values, each in both roots, by their path below BrowserKey.
struct Slot {
    RootKey root;
    QString sub, name;
};
const Slot Slots[] = {
    {HKEY_LOCAL_MACHINE, "Main", "Window Title"},  {HKEY_CURRENT_USER, "Main", "Window Title"},
    {HKEY_LOCAL_MACHINE, "", "Version"},           {HKEY_CURRENT_USER, "", "Version"},
    {HKEY_LOCAL_MACHINE, "Toolbar", "BackBitmap"}, {HKEY_CURRENT_USER, "Toolbar", "BackBitmap"},
};
using Values = std::array<std::optional<QString>, 6>; // in the order of Slots; nothing: missing

QString keyOf(const Slot& s) {
    return s.sub.isEmpty() ? BrowserKey : BrowserKey + "\\" + s.sub;
}

const QString TemplateKey = "Software\\Microsoft\\Internet Explorer\\Main\\UrlTemplate";
using Templates = QMap<QString, QString>; // value name → template

struct SiteFindPage {
    frmSiteFind form;
    QListWidget* slst = form.findChild<QListWidget*>("slst");
    QPushButton* cmdDel = form.findChild<QPushButton*>("cmdDel");

    explicit SiteFindPage(const Templates& before = {}) {
        for (auto it = before.begin(); it != before.end(); ++it)
            Reg::SaveString(HKEY_LOCAL_MACHINE, TemplateKey, it.key(), it.value());
        form.Form_Load();
    }
    QStringList entries() const { return items(slst); }
    void add(bool www, const QString& domain) {
        form.findChild<QCheckBox*>("chkwww")->setChecked(www);
        form.findChild<QLineEdit*>("txtDomen")->setText(domain);
        form.findChild<QPushButton*>("cmdadd")->click();
    }
    void deleteRow(int row) {
        slst->setCurrentRow(row);
        cmdDel->click();
    }
};

Templates wineTemplates(MachineOnPrefix& m) {
    return wineValues(m, "HKLM\\" + TemplateKey);
}

} // namespace

class BrowserPagesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Catalogue::setLanguage(Language::English); }

    void applyWritesEveryBoxToBothRoots() {
        QVERIFY(findPage("IETB") && QLatin1String(findPage("IETB")->form) == "frmIETB");
        struct Row {
            Values before;
            QStringList shown;   // txtDC, txtVer, txtTBI after loading
            QStringList choices; // the picture chooser's answers, one browse each
            Values after;        // as Wine reads it after Apply
        };
        const Row rows[] = {
            // Only a per-user title: the box is empty, and so is the title Apply writes.
            {{std::nullopt, "My Browser", "6.0", std::nullopt, std::nullopt, "C:\\sky.bmp"},
             {"", "6.0", "C:\\sky.bmp"},
             {},
             {"", "", "6.0", "6.0", "C:\\sky.bmp", "C:\\sky.bmp"}},
            // Unchanged boxes are copied into the other root.
            {{"Kestrel Web", "Old Title", "8.0", "5.5", "C:\\old.gif", "C:\\sea.jpg"},
             {"Kestrel Web", "8.0", "C:\\sea.jpg"},
             {},
             {"Kestrel Web", "Kestrel Web", "8.0", "8.0", "C:\\sea.jpg", "C:\\sea.jpg"}},
            // A picture chosen, then a browse cancelled: the box is empty, and written so.
            {{std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, "C:\\a.bmp"},
             {"", "", "C:\\a.bmp"},
             {"C:\\pics\\sky.jpeg", ""},
             {"", "", "", "", "", ""}},
        };
        for (const Row& row : rows) {
            KESTREL_QT_MACHINE(m);
            // Wine's own prefix has a machine-wide "Version": rows without one delete it.
            for (std::size_t i = 0; i < row.before.size(); ++i) {
                if (row.before[i])
                    Reg::SaveString(Slots[i].root, keyOf(Slots[i]), Slots[i].name, *row.before[i]);
                else
                    Reg::DeleteValue(Slots[i].root, keyOf(Slots[i]), Slots[i].name);
            }
            Dialogs dialogs;
            frmIETB page;
            page.Form_Load();
            const auto box = [&](const char* name) { return page.findChild<QLineEdit*>(name); };
            QCOMPARE(
                QStringList({box("txtDC")->text(), box("txtVer")->text(), box("txtTBI")->text()}),
                row.shown);
            for (const QString& choice : row.choices) {
                dialogs.chosenFile = choice;
                page.findChild<QPushButton*>("cmdbrowse")->click();
                QCOMPARE(box("txtTBI")->text(), choice);
            }
            for (int i = 0; i < row.choices.size(); ++i)
                QCOMPARE(
                    dialogs.captions[i] + " " + dialogs.filters[i],
                    QStringLiteral("Select Picture file... All Pictures|*.bmp;*.jpg;*.jpeg;*.gif"));

            // No writes nothing; Yes writes all six.
            dialogs.answer = false;
            page.findChild<QPushButton*>("cmdAP")->click();
            for (std::size_t i = 0; i < row.before.size(); ++i)
                QCOMPARE(regValue(Slots[i].root, keyOf(Slots[i]), Slots[i].name), row.before[i]);
            dialogs.answer = true;
            page.findChild<QPushButton*>("cmdAP")->click();
            QCOMPARE(dialogs.questions, QStringList({"Save Changes ?", "Save Changes ?"}));

            const auto machine = wineValues(m, "HKLM\\" + BrowserKey);
            const auto user = wineValues(m, "HKCU\\" + BrowserKey);
            for (std::size_t i = 0; i < row.after.size(); ++i) {
                const auto& read = Slots[i].root == HKEY_LOCAL_MACHINE ? machine : user;
                const QString path =
                    Slots[i].sub.isEmpty() ? Slots[i].name : Slots[i].sub + "\\" + Slots[i].name;
                QVERIFY2(read.contains(path), qPrintable(path));
                QCOMPARE(read.value(path), *row.after[i]);
            }
        }
    }

    void gapsCloseUpAndTemplatesBeyondThemRemain() {
        QVERIFY(findPage("ieSF") && QLatin1String(findPage("ieSF")->form) == "frmSiteFind");
        struct Row {
            Templates before;
            QStringList loaded;
            Templates saved;
        };
        const Row rows[] = {
            {{{"1", "www.%s.com"}, {"2", "www.%s.net"}, {"4", "www.%s.org"}},
             {"www.%s.com", "www.%s.net", "www.%s.org"},
             {{"1", "www.%s.com"}, {"2", "www.%s.net"}, {"3", "www.%s.org"}, {"4", "www.%s.org"}}},
            {{{"1", "a.%s"}, {"2", "b.%s"}, {"3", "c.%s"}, {"5", "e.%s"}},
             {"a.%s", "b.%s", "c.%s", "e.%s"},
             {{"1", "a.%s"}, {"2", "b.%s"}, {"3", "c.%s"}, {"4", "e.%s"}, {"5", "e.%s"}}},
        };
        for (const Row& row : rows) {
            KESTREL_QT_MACHINE(m);
            Dialogs dialogs;
            SiteFindPage page(row.before);
            QCOMPARE(page.entries(), row.loaded);
            // A change that gives the same list back, so that closing saves it.
            page.add(true, "test");
            page.deleteRow(page.slst->count() - 1);
            QCOMPARE(page.entries(), row.loaded);
            page.form.Form_Unload();
            QCOMPARE(dialogs.questions, QStringList({"Save Changes ?"}));
            QCOMPARE(wineTemplates(m), row.saved);
        }
    }

    void addBuildsTemplatesAndADuplicateTakesBackTheChange() {
        const Templates before = {{"1", "www.%s.com"}};
        struct Row {
            QList<QPair<bool, QString>> adds; // chkwww, txtDomen
            QStringList listed;
            bool changed;
        };
        const Row rows[] = {
            {{{false, "ru"}, {true, "org"}, {false, ""}},
             {"www.%s.com", "%s.ru", "www.%s.org", "%s."},
             true},
            // The duplicate clears the change the first add made: nothing is saved.
            {{{false, "ru"}, {true, "com"}}, {"www.%s.com", "%s.ru"}, false},
            {{{true, "COM"}}, {"www.%s.com", "www.%s.COM"}, true},
        };
        for (const Row& row : rows) {
            KESTREL_QT_MACHINE(m);
            Dialogs dialogs;
            SiteFindPage page(before);
            for (const auto& [www, domain] : row.adds)
                page.add(www, domain);
            QCOMPARE(page.entries(), row.listed);
            page.form.Form_Unload();
            QCOMPARE(dialogs.questions.size(), row.changed ? 1 : 0);
            Templates expected;
            for (int i = 0; i < row.listed.size(); ++i)
                expected.insert(QString::number(i + 1), row.listed[i]);
            QCOMPARE(wineTemplates(m), row.changed ? expected : before);
        }
    }

    void deleteEmptiesTheListAndAddStopsAt254() {
        KESTREL_QT_MACHINE(m);
        Dialogs dialogs;
        {
            SiteFindPage page({{"1", "www.%s.com"}, {"2", "www.%s.net"}, {"3", "www.%s.org"}});
            page.deleteRow(1);
            QCOMPARE(page.entries(), QStringList({"www.%s.com", "www.%s.org"}));
            // Without a new choice Delete takes the first entry.
            page.cmdDel->click();
            QCOMPARE(page.entries(), QStringList({"www.%s.org"}));
            page.cmdDel->click();
            QVERIFY(page.entries().isEmpty());
            QVERIFY(!page.cmdDel->isEnabled());
            page.form.Form_Unload();
        }
        QCOMPARE(wineTemplates(m), Templates());

        // An empty list has nothing to delete; a template beyond the 254th is refused.
        SiteFindPage page;
        QVERIFY(!page.cmdDel->isEnabled());
        for (int n = 1; n <= 255; ++n)
            page.add(false, QString::number(n));
        QCOMPARE(dialogs.messages, QStringList({LoadResString(950)}));
        QCOMPARE(page.slst->count(), 254);
        page.form.Form_Unload();
        const Templates saved = wineTemplates(m);
        QCOMPARE(saved.size(), 254);
        QCOMPARE(saved.value("254"), QStringLiteral("%s.254"));
    }
};

QTEST_MAIN(BrowserPagesTest)
#include "BrowserPagesTest.moc"
