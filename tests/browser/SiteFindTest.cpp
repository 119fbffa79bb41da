// The domain search page on a throw-away prefix: gaps in the numbering on loading and saving,
// Add and its duplicate rule, Delete, and the 254-entry limit; Wine reads back what was saved.

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
    QPushButton* cmdDel = form.findChild<QPushButton*>("cmdDel");

    explicit SiteFindPage(const Values& before = {}) {
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
        const Values before = {{"1", "www.%s.com"}};
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
        QCOMPARE(wineTemplates(m), Values());
        QVERIFY(!SiteFindPage().cmdDel->isEnabled());
    }

    void aTemplateBeyond254IsRefused() {
        KESTREL_QT_MACHINE(m);
        Dialogs dialogs;
        SiteFindPage page;
        for (int n = 1; n <= 255; ++n)
            page.add(false, QString::number(n));
        QCOMPARE(dialogs.messages, QStringList({LoadResString(950)}));
        QCOMPARE(page.slst->count(), 254);
        page.form.Form_Unload();
        const Values saved = wineTemplates(m);
        QCOMPARE(saved.size(), 254);
        QCOMPARE(saved.value("254"), QStringLiteral("%s.254"));
    }
};

QTEST_MAIN(SiteFindTest)
#include "SiteFindTest.moc"
