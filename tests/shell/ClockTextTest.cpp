// The clock text page on a throw-away prefix: what loading makes of the stored texts and format,
// what Apply writes (read back by "wine reg query"), and Wine's own GetTimeFormatA agreeing with
// the page's preview after Apply.

#include "pages/shell/frmClockText.h"
#include "resources/Catalogue.h"
#include "tests/support/PageTestKit.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

const QString International = QStringLiteral("Control Panel\\International");
const QString WineKey = QStringLiteral("HKCU\\Control Panel\\International");
// Stands for "no such value" in the tables.
const char* const Missing = "<missing>";

void store(const QString& name, const QString& value) {
    if (value == Missing)
        Reg::DeleteValue(HKEY_CURRENT_USER, International, name);
    else
        QVERIFY(Reg::SaveString(HKEY_CURRENT_USER, International, name, value));
}

struct ClockPage {
    frmClockText form;
    QLineEdit* txtAM = form.findChild<QLineEdit*>(QStringLiteral("txtAM"));
    QLineEdit* txtPM = form.findChild<QLineEdit*>(QStringLiteral("txtPM"));
    QCheckBox* chkOne = form.findChild<QCheckBox*>(QStringLiteral("chkOne"));
    QLabel* lbl1 = form.findChild<QLabel*>(QStringLiteral("lbl1"));
    QLabel* lbl2 = form.findChild<QLabel*>(QStringLiteral("lbl2"));
    QPushButton* cmdAP = form.findChild<QPushButton*>(QStringLiteral("cmdAP"));

    ClockPage() { form.Form_Load(); }
    QRadioButton* option(const QString& name) const { return form.findChild<QRadioButton*>(name); }
    QString selected() const {
        for (const char* name : {"optL", "optR", "optS"})
            if (option(name)->isChecked())
                return name;
        return {};
    }
};

// Stored values, what the page shows, and what Apply then writes without further edits.
struct LoadCase {
    const char* name;
    const char *morning, *afternoon, *format;
    bool oneText;
    const char *option, *line1, *line2, *writtenAfternoon, *writtenFormat;
};
const LoadCase loadCases[] = {
    {"equal texts", "Zulu", "Zulu", "HH:mm:ss tt", true, "optR", "05:41 Zulu", "14:26 Zulu", "Zulu",
     "HH:mm:ss tt"},
    {"12-hour format", "AM", "PM", "h:mm:ss tt", false, "optR", "05:41 AM", "14:26 PM", "PM",
     "HH:mm:ss tt"},
    {"no tt", "AM", "PM", "HH:mm:ss", false, "", "05:41", "14:26", "PM", "HH:mm:ss tt"},
    {"upper-case TT", "AM", "PM", "TT HH:mm", false, "", "05:41", "14:26", "PM", "HH:mm:ss tt"},
    {"leading tt", "Mor", "Eve", "tt H:mm", false, "optL", "Mor 05:41", "Eve 14:26", "Eve",
     "tt HH:mm:ss"},
    {"both sides", "<", ">", "tt HH:mm tt", false, "optS", "< 05:41 <", "> 14:26 >", ">",
     "tt HH:mm:ss tt"},
    {"all missing", Missing, Missing, Missing, true, "", "05:41", "14:26", "", "HH:mm:ss tt"},
};

} // namespace

class ClockTextTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Catalogue::setLanguage(Language::English); }

    void loadsAndAppliesTheStoredSettings_data() {
        QTest::addColumn<int>("row");
        for (int row = 0; row < int(std::size(loadCases)); ++row)
            QTest::newRow(loadCases[row].name) << row;
    }
    void loadsAndAppliesTheStoredSettings() {
        QFETCH(int, row);
        const LoadCase& c = loadCases[row];
        KESTREL_QT_MACHINE(m);
        store("s1159", c.morning);
        store("s2359", c.afternoon);
        store("sTimeFormat", c.format);
        const QString morning = c.morning == Missing ? "" : c.morning;

        Dialogs dialogs;
        ClockPage page;
        QCOMPARE(page.txtAM->text(), morning);
        QCOMPARE(page.chkOne->isChecked(), c.oneText);
        QCOMPARE(page.txtPM->isEnabled(), !c.oneText);
        QCOMPARE(page.selected(), QString(c.option));
        QCOMPARE(page.lbl1->text(), QString(c.line1));
        QCOMPARE(page.lbl2->text(), QString(c.line2));
        QVERIFY(!page.cmdAP->isEnabled());

        // Refused at the prompt: nothing written. Agreed: the loaded texts and the option's
        // format (the right-hand one when none was selected).
        page.cmdAP->setEnabled(true);
        dialogs.answer = false;
        page.cmdAP->click();
        QCOMPARE(regValue(HKEY_CURRENT_USER, International, "s2359"),
                 c.afternoon == Missing ? std::nullopt : std::optional<QString>(c.afternoon));
        dialogs.answer = true;
        page.cmdAP->click();
        QCOMPARE(dialogs.questions, QStringList(2, "Save Changes ?"));
        QCOMPARE(dialogs.titles, QStringList(2, "Saving..."));
        QCOMPARE(wineQuery(m, WineKey, "s1159"), morning);
        QCOMPARE(wineQuery(m, WineKey, "s2359"), QString(c.writtenAfternoon));
        QCOMPARE(wineQuery(m, WineKey, "sTimeFormat"), QString(c.writtenFormat));
        QVERIFY(page.cmdAP->isEnabled());
    }

    // Wine formats times with the user's regional settings as the preview promised; with one
    // text, the morning text serves both halves of the day.
    void wineFormatsTimesAsThePreviewShows_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<bool>("oneText");
        QTest::newRow("Left") << "optL" << false;
        QTest::newRow("Right") << "optR" << false;
        QTest::newRow("Left & Right, one text") << "optS" << true;
    }
    void wineFormatsTimesAsThePreviewShows() {
        QFETCH(QString, option);
        QFETCH(bool, oneText);
        KESTREL_QT_MACHINE(m);
        Dialogs dialogs;
        ClockPage page;
        if (page.chkOne->isChecked())
            page.chkOne->click();
        QTest::keyClicks(page.txtPM, "Aft");
        page.txtAM->setText(QStringLiteral("Morn"));
        if (oneText)
            page.chkOne->click();
        page.option(option)->click();
        page.cmdAP->click();
        QCOMPARE(probe(m, {"time", "5", "41", "14", "26"}),
                 (QStringList{page.lbl1->text(), page.lbl2->text()}));
    }
};

QTEST_MAIN(ClockTextTest)
#include "ClockTextTest.moc"
