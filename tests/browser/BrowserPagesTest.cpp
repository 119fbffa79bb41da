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
#include <QPushButton>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

const QString Main = "Software\\Microsoft\\Internet Explorer";
// The three values, each in both roots.
const std::tuple<RootKey, QString, QString> Slots[] = {
    {HKEY_LOCAL_MACHINE, Main + "\\Main", "Window Title"},
    {HKEY_CURRENT_USER, Main + "\\Main", "Window Title"},
    {HKEY_LOCAL_MACHINE, Main, "Version"},
    {HKEY_CURRENT_USER, Main, "Version"},
    {HKEY_LOCAL_MACHINE, Main + "\\Toolbar", "BackBitmap"},
    {HKEY_CURRENT_USER, Main + "\\Toolbar", "BackBitmap"}};

// The six texts in the order of Slots, "-" for a missing one: read by the program's registry
// layer, or by Wine when given the prefix.
QStringList browserValues(MachineOnPrefix* wine = nullptr) {
    QStringList values;
    for (const auto& [root, key, name] : Slots)
        values << (wine ? wineQuery(*wine, (root == HKEY_LOCAL_MACHINE ? "HKLM\\" : "HKCU\\") + key,
                                    name, "REG_SZ")
                        : regValue(root, key, name))
                      .value_or("-");
    return values;
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

} // namespace

class BrowserPagesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Catalogue::setLanguage(Language::English); }

    void applyWritesEveryBoxToBothRoots() {
        QVERIFY(findPage("IETB") && QLatin1String(findPage("IETB")->form) == "frmIETB");
        // Each row "|"-separated: the values before, in the order of Slots ("-" for missing);
        // txtDC, txtVer and txtTBI after loading; the picture chooser's answers, one browse each
        // (none when null); the values as Wine reads them after Apply.
        const char* const rows[][4] = {
            // Only a per-user title: the box is empty, and so is the title Apply writes.
            {"-|My Browser|6.0|-|-|C:\\sky.bmp", "|6.0|C:\\sky.bmp", nullptr,
             "||6.0|6.0|C:\\sky.bmp|C:\\sky.bmp"},
            // Unchanged boxes are copied into the other root.
            {"Kestrel Web|Old Title|8.0|5.5|C:\\old.gif|C:\\sea.jpg", "Kestrel Web|8.0|C:\\sea.jpg",
             nullptr, "Kestrel Web|Kestrel Web|8.0|8.0|C:\\sea.jpg|C:\\sea.jpg"},
            // A picture chosen, then a browse cancelled: the box is empty, and written so.
            {"-|-|-|-|-|C:\\a.bmp", "||C:\\a.bmp", "C:\\pics\\sky.jpeg|", "|||||"},
        };
        for (const auto& texts : rows) {
            const struct {
                QStringList before, shown, choices, after;
            } row{QString(texts[0]).split('|'), QString(texts[1]).split('|'),
                  texts[2] ? QString(texts[2]).split('|') : QStringList(),
                  QString(texts[3]).split('|')};
            KESTREL_QT_MACHINE(m);
            // Wine's own prefix has a machine-wide "Version": rows without one delete it.
            for (int i = 0; i < row.before.size(); ++i) {
                const auto& [root, key, name] = Slots[i];
                if (row.before[i] == "-")
                    Reg::DeleteValue(root, key, name);
                else
                    Reg::SaveString(root, key, name, row.before[i]);
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
                QCOMPARE(dialogs.captions.last() + " " + dialogs.filters.last(),
                         "Select Picture file... All Pictures|*.bmp;*.jpg;*.jpeg;*.gif");
            }

            // No writes nothing; Yes writes all six.
            dialogs.answer = false;
            page.findChild<QPushButton*>("cmdAP")->click();
            QCOMPARE(browserValues(), row.before);
            dialogs.answer = true;
            page.findChild<QPushButton*>("cmdAP")->click();
            QCOMPARE(dialogs.questions, QStringList({"Save Changes ?", "Save Changes ?"}));
            QCOMPARE(browserValues(&m), row.after);
        }
    }

    void templatesAreListedAddedAndSaved() {
        QVERIFY(findPage("ieSF") && QLatin1String(findPage("ieSF")->form) == "frmSiteFind");
        // Templates stored ("number=template"), the domains added (by commas, "+" for www),
        // whether the last entry is then deleted, the list shown, and whether closing saves it:
        // then Wine reads the list numbered from 1 over the templates stored before.
        const std::tuple<const char*, const char*, bool, const char*, bool> rows[] = {
            // Gaps in the numbering close up on loading; templates beyond them remain on saving
            // (a change that gives the same list back, so that closing saves it).
            {"1=www.%s.com 2=www.%s.net 4=www.%s.org", "+test", true,
             "www.%s.com www.%s.net www.%s.org", true},
            {"1=a.%s 2=b.%s 3=c.%s 5=e.%s", "+test", true, "a.%s b.%s c.%s e.%s", true},
            // Add builds templates; a duplicate clears the change the first add made.
            {"1=www.%s.com", "ru,+org,", false, "www.%s.com %s.ru www.%s.org %s.", true},
            {"1=www.%s.com", "ru,+com", false, "www.%s.com %s.ru", false},
            {"1=www.%s.com", "+COM", false, "www.%s.com www.%s.COM", true},
        };
        for (const auto& [stored, adds, deleteLast, shown, saves] : rows) {
            KESTREL_QT_MACHINE(m);
            Dialogs dialogs;
            Templates before;
            for (const QString& pair : QString(stored).split(' '))
                before.insert(pair.section('=', 0, 0), pair.section('=', 1));
            SiteFindPage page(before);
            for (const QString& domain : QString(adds).split(','))
                page.add(domain.startsWith('+'), domain.mid(domain.startsWith('+') ? 1 : 0));
            if (deleteLast)
                page.deleteRow(page.slst->count() - 1);
            const QStringList listed = QString(shown).split(' ');
            QCOMPARE(items(page.slst), listed);
            page.form.Form_Unload();
            QCOMPARE(dialogs.questions, QStringList(saves ? 1 : 0, "Save Changes ?"));
            Templates saved = before;
            for (int i = 0; saves && i < listed.size(); ++i)
                saved.insert(QString::number(i + 1), listed[i]);
            QCOMPARE(wineValues(m, "HKLM\\" + TemplateKey), saved);
        }
    }

    void deleteEmptiesTheListAndAddStopsAt254() {
        KESTREL_QT_MACHINE(m);
        Dialogs dialogs;
        {
            SiteFindPage page({{"1", "www.%s.com"}, {"2", "www.%s.net"}, {"3", "www.%s.org"}});
            page.deleteRow(1);
            QCOMPARE(items(page.slst), QStringList({"www.%s.com", "www.%s.org"}));
            // Without a new choice Delete takes the first entry.
            page.cmdDel->click();
            QCOMPARE(items(page.slst), QStringList({"www.%s.org"}));
            page.cmdDel->click();
            QVERIFY(items(page.slst).isEmpty() && !page.cmdDel->isEnabled());
            page.form.Form_Unload();
        }
        QCOMPARE(wineValues(m, "HKLM\\" + TemplateKey), Templates());

        // An empty list has nothing to delete; a template beyond the 254th is refused.
        SiteFindPage page;
        QVERIFY(!page.cmdDel->isEnabled());
        for (int n = 1; n <= 255; ++n)
            page.add(false, QString::number(n));
        QCOMPARE(dialogs.messages, QStringList({LoadResString(950)}));
        QCOMPARE(page.slst->count(), 254);
        page.form.Form_Unload();
        const Templates saved = wineValues(m, "HKLM\\" + TemplateKey);
        QCOMPARE(QString::number(saved.size()) + " " + saved.value("254"), "254 %s.254");
    }
};

QTEST_MAIN(BrowserPagesTest)
#include "BrowserPagesTest.moc"
