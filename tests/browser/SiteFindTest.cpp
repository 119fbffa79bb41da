// The domain search page on a throw-away prefix: loading closes up gaps in the numbering, saving
// clears only up to the first gap, Add and its duplicate rule, Delete, and the 254-entry limit.
// Wine reads back what was saved.

#include "app/PageTable.h"
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

const QString TemplateKey = "Software\\Microsoft\\Internet Explorer\\Main\\UrlTemplate";
using Values = QMap<QString, QString>; // value name → template

struct SiteFindPage {
    frmSiteFind form;
    QListWidget* slst = form.findChild<QListWidget*>("slst");
    QCheckBox* chkwww = form.findChild<QCheckBox*>("chkwww");
    QLineEdit* txtDomen = form.findChild<QLineEdit*>("txtDomen");
    QPushButton* cmdadd = form.findChild<QPushButton*>("cmdadd");
    QPushButton* cmdDel = form.findChild<QPushButton*>("cmdDel");

    SiteFindPage() {
        form.resize(600, 450);
        form.Form_Load();
    }
    QStringList entries() const {
        QStringList list;
        for (int row = 0; row < slst->count(); ++row)
            list << slst->item(row)->text();
        return list;
    }
    void add(bool www, const QString& domain) {
        chkwww->setChecked(www);
        txtDomen->setText(domain);
        cmdadd->click();
    }
    void deleteRow(int row) {
        slst->setCurrentRow(row);
        cmdDel->click();
    }
};

void writeTemplates(const Values& values) {
    for (auto it = values.begin(); it != values.end(); ++it)
        QVERIFY(Reg::SaveString(HKEY_LOCAL_MACHINE, TemplateKey, it.key(), it.value()));
}

Values wineTemplates(MachineOnPrefix& m) {
    return wineValues(m, "HKLM\\" + TemplateKey);
}

} // namespace

class SiteFindTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Catalogue::setLanguage(Language::English); }

    void gapsCloseUpAndValuesBeyondThemRemain() {
        QVERIFY(findPage("ieSF") && QLatin1String(findPage("ieSF")->form) == "frmSiteFind");
        struct Row {
            Values before;
            QStringList loaded;
            Values saved;
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
            writeTemplates(row.before);
            Dialogs dialogs;
            SiteFindPage page;
            QCOMPARE(page.entries(), row.loaded);
            QVERIFY(!page.form.isChanged());
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
        const Values before = {{"1", "www.%s.com"}};
        struct Row {
            const char* name;
            QList<QPair<bool, QString>> adds; // chkwww, txtDomen
            QStringList listed;
            bool changed;
        };
        const Row rows[] = {
            {"new templates, with and without www, empty domain",
             {{false, "ru"}, {true, "org"}, {false, ""}},
             {"www.%s.com", "%s.ru", "www.%s.org", "%s."},
             true},
            {"a duplicate after a pending add clears the change",
             {{false, "ru"}, {true, "com"}},
             {"www.%s.com", "%s.ru"},
             false},
            {"case makes a difference", {{true, "COM"}}, {"www.%s.com", "www.%s.COM"}, true},
        };
        for (const Row& row : rows) {
            KESTREL_QT_MACHINE(m);
            writeTemplates(before);
            Dialogs dialogs;
            SiteFindPage page;
            for (const auto& [www, domain] : row.adds)
                page.add(www, domain);
            QVERIFY2(page.entries() == row.listed, row.name);
            QCOMPARE(page.form.isChanged(), row.changed);
            page.form.Form_Unload();
            QCOMPARE(dialogs.questions.size(), row.changed ? 1 : 0);
            Values expected;
            for (int i = 0; i < row.listed.size(); ++i)
                expected.insert(QString::number(i + 1), row.listed[i]);
            QCOMPARE(wineTemplates(m), row.changed ? expected : before);
        }
    }

    void deletingEveryEntryRemovesTheNumberedValues() {
        KESTREL_QT_MACHINE(m);
        writeTemplates({{"1", "www.%s.com"}, {"2", "www.%s.net"}, {"3", "www.%s.org"}});
        Dialogs dialogs;
        {
            SiteFindPage page;
            QVERIFY(page.cmdDel->isEnabled());
            page.deleteRow(1);
            QCOMPARE(page.entries(), QStringList({"www.%s.com", "www.%s.org"}));
            QCOMPARE(page.slst->currentRow(), 0);
            // Delete takes the entry last chosen, the first after a delete.
            page.cmdDel->click();
            QCOMPARE(page.entries(), QStringList({"www.%s.org"}));
            page.cmdDel->click();
            QCOMPARE(page.entries(), QStringList());
            QVERIFY(!page.cmdDel->isEnabled());
            page.form.Form_Unload();
        }
        QCOMPARE(wineTemplates(m), Values());
        SiteFindPage empty;
        QVERIFY(!empty.cmdDel->isEnabled());
    }

    void aTemplateBeyond254IsRefused() {
        KESTREL_QT_MACHINE(m);
        Dialogs dialogs;
        SiteFindPage page;
        for (int n = 1; n <= 254; ++n)
            page.add(false, QString::number(n));
        QVERIFY(dialogs.messages.isEmpty());
        page.add(false, "255");
        QCOMPARE(dialogs.messages, QStringList({LoadResString(950)}));
        QCOMPARE(page.slst->count(), 254);
        QVERIFY(page.form.isChanged());
        page.form.Form_Unload();
        const Values saved = wineTemplates(m);
        QCOMPARE(saved.size(), 254);
        QCOMPARE(saved.value("1"), QStringLiteral("%s.1"));
        QCOMPARE(saved.value("254"), QStringLiteral("%s.254"));
        QVERIFY(!saved.contains("255"));
    }
};

QTEST_MAIN(SiteFindTest)
#include "SiteFindTest.moc"
