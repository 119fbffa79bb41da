// The browser interface page on a throw-away prefix: what its three boxes show, the picture
// chooser, and Apply writing every box to both roots, read back by Wine.

#include "app/PageTable.h"
#include "pages/icons/frmIETB.h"
#include "resources/Catalogue.h"
#include "tests/support/PageTestKit.h"

#include <QLineEdit>
#include <QPushButton>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

// The three values, each in both roots: what the page reads and what Apply writes.
struct Slot {
    RootKey root;
    const char* key; // below "Software\Microsoft\Internet Explorer"
    const char* name;
};
const QString BrowserKey = "Software\\Microsoft\\Internet Explorer";
const Slot Slots[] = {
    {HKEY_LOCAL_MACHINE, "Main", "Window Title"},  {HKEY_CURRENT_USER, "Main", "Window Title"},
    {HKEY_LOCAL_MACHINE, "", "Version"},           {HKEY_CURRENT_USER, "", "Version"},
    {HKEY_LOCAL_MACHINE, "Toolbar", "BackBitmap"}, {HKEY_CURRENT_USER, "Toolbar", "BackBitmap"},
};
constexpr int SlotCount = 6;
using Values = std::array<std::optional<QString>, SlotCount>; // nothing: no such value

QString keyOf(const Slot& slot) {
    return *slot.key ? BrowserKey + "\\" + slot.key : BrowserKey;
}
QString belowBrowserKey(const Slot& slot) {
    return *slot.key ? QString(slot.key) + "\\" + slot.name : QString(slot.name);
}

struct IETBPage {
    frmIETB form;
    QLineEdit* txtDC = form.findChild<QLineEdit*>("txtDC");
    QLineEdit* txtVer = form.findChild<QLineEdit*>("txtVer");
    QLineEdit* txtTBI = form.findChild<QLineEdit*>("txtTBI");
    QPushButton* cmdbrowse = form.findChild<QPushButton*>("cmdbrowse");
    QPushButton* cmdAP = form.findChild<QPushButton*>("cmdAP");

    IETBPage() {
        form.resize(600, 450);
        form.Form_Load();
    }
};

} // namespace

class BrowserInterfaceTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Catalogue::setLanguage(Language::English); }

    void applyWritesEveryBoxToBothRoots() {
        QVERIFY(findPage("IETB") && QLatin1String(findPage("IETB")->form) == "frmIETB");
        struct Row {
            const char* name;
            Values before;
            QStringList shown;   // txtDC, txtVer, txtTBI after loading
            QStringList choices; // what the picture chooser answers, one browse each
            Values after;        // as Wine reads it after Apply
        };
        const Row rows[] = {
            {"per-user title only: the empty machine-wide title goes to both roots",
             {std::nullopt, "My Browser", "6.0", std::nullopt, std::nullopt, "C:\\sky.bmp"},
             {"", "6.0", "C:\\sky.bmp"},
             {},
             {"", "", "6.0", "6.0", "C:\\sky.bmp", "C:\\sky.bmp"}},
            {"unchanged boxes are copied into the other root",
             {"Kestrel Web", "Old Title", "8.0", "5.5", "C:\\old.gif", "C:\\sea.jpg"},
             {"Kestrel Web", "8.0", "C:\\sea.jpg"},
             {},
             {"Kestrel Web", "Kestrel Web", "8.0", "8.0", "C:\\sea.jpg", "C:\\sea.jpg"}},
            {"a picture chosen, then a cancelled browse: the empty box is written",
             {std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, "C:\\a.bmp"},
             {"", "", "C:\\a.bmp"},
             {"C:\\pics\\sky.jpeg", ""},
             {"", "", "", "", "", ""}},
        };
        for (const Row& row : rows) {
            KESTREL_QT_MACHINE(m);
            // Wine's own prefix has a machine-wide "Version": rows without one delete it.
            for (int i = 0; i < SlotCount; ++i) {
                if (row.before[i])
                    Reg::SaveString(Slots[i].root, keyOf(Slots[i]), Slots[i].name, *row.before[i]);
                else
                    Reg::DeleteValue(Slots[i].root, keyOf(Slots[i]), Slots[i].name);
            }
            Dialogs dialogs;
            IETBPage page;
            QCOMPARE(QStringList({page.txtDC->text(), page.txtVer->text(), page.txtTBI->text()}),
                     row.shown);
            for (const QString& choice : row.choices) {
                dialogs.chosenFile = choice;
                page.cmdbrowse->click();
                QCOMPARE(page.txtTBI->text(), choice);
            }
            QCOMPARE(dialogs.captions.size(), row.choices.size());
            for (int i = 0; i < dialogs.captions.size(); ++i) {
                QCOMPARE(dialogs.captions[i], QStringLiteral("Select Picture file..."));
                QCOMPARE(dialogs.filters[i],
                         QStringLiteral("All Pictures|*.bmp;*.jpg;*.jpeg;*.gif"));
            }

            // No writes nothing; Yes writes all six.
            dialogs.answer = false;
            page.cmdAP->click();
            for (int i = 0; i < SlotCount; ++i)
                QCOMPARE(regValue(Slots[i].root, keyOf(Slots[i]), Slots[i].name), row.before[i]);
            dialogs.answer = true;
            page.cmdAP->click();
            QCOMPARE(dialogs.questions, QStringList({"Save Changes ?", "Save Changes ?"}));
            QCOMPARE(dialogs.titles, QStringList({"Saving...", "Saving..."}));

            const QMap<QString, QString> machine = wineValues(m, "HKLM\\" + BrowserKey);
            const QMap<QString, QString> user = wineValues(m, "HKCU\\" + BrowserKey);
            for (int i = 0; i < SlotCount; ++i) {
                const auto& read = Slots[i].root == HKEY_LOCAL_MACHINE ? machine : user;
                QVERIFY2(read.contains(belowBrowserKey(Slots[i])),
                         qPrintable(QString(row.name) + ": " + belowBrowserKey(Slots[i])));
                QCOMPARE(read.value(belowBrowserKey(Slots[i])), *row.after[i]);
            }
        }
    }
};

QTEST_MAIN(BrowserInterfaceTest)
#include "BrowserInterfaceTest.moc"
