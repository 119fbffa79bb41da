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

} // namespace

class BrowserInterfaceTest : public QObject {
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
};

QTEST_MAIN(BrowserInterfaceTest)
#include "BrowserInterfaceTest.moc"
