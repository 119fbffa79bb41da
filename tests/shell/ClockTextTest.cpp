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
const QString Missing = QStringLiteral("<missing>");

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
    QRadioButton* optL = form.findChild<QRadioButton*>(QStringLiteral("optL"));
    QRadioButton* optR = form.findChild<QRadioButton*>(QStringLiteral("optR"));
    QRadioButton* optS = form.findChild<QRadioButton*>(QStringLiteral("optS"));
    QLabel* lbl1 = form.findChild<QLabel*>(QStringLiteral("lbl1"));
    QLabel* lbl2 = form.findChild<QLabel*>(QStringLiteral("lbl2"));
    QPushButton* cmdAP = form.findChild<QPushButton*>(QStringLiteral("cmdAP"));

    ClockPage() {
        form.resize(640, 300);
        form.Form_Load();
    }
    QString selected() const {
        for (QRadioButton* option : {optL, optR, optS})
            if (option->isChecked())
                return option->objectName();
        return {};
    }
    QRadioButton* option(const QString& name) const { return form.findChild<QRadioButton*>(name); }
};

} // namespace

class ClockTextTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Catalogue::setLanguage(Language::English); }

    void loadsAndAppliesTheStoredSettings_data() {
        QTest::addColumn<QString>("morning");
        QTest::addColumn<QString>("afternoon");
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("oneText");
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("line1");
        QTest::addColumn<QString>("line2");
        QTest::addColumn<QString>("writtenFormat");
        QTest::addColumn<QString>("writtenAfternoon");

        QTest::newRow("equal texts") << "Zulu"
                                     << "Zulu"
                                     << "HH:mm:ss tt" << true << "optR"
                                     << "05:41 Zulu"
                                     << "14:26 Zulu"
                                     << "HH:mm:ss tt"
                                     << "Zulu";
        QTest::newRow("12-hour format") << "AM"
                                        << "PM"
                                        << "h:mm:ss tt" << false << "optR"
                                        << "05:41 AM"
                                        << "14:26 PM"
                                        << "HH:mm:ss tt"
                                        << "PM";
        QTest::newRow("no tt") << "AM"
                               << "PM"
                               << "HH:mm:ss" << false << ""
                               << "05:41"
                               << "14:26"
                               << "HH:mm:ss tt"
                               << "PM";
        QTest::newRow("upper-case TT is no tt") << "AM"
                                                << "PM"
                                                << "TT HH:mm" << false << ""
                                                << "05:41"
                                                << "14:26"
                                                << "HH:mm:ss tt"
                                                << "PM";
        QTest::newRow("leading tt") << "Mor"
                                    << "Eve"
                                    << "tt H:mm" << false << "optL"
                                    << "Mor 05:41"
                                    << "Eve 14:26"
                                    << "tt HH:mm:ss"
                                    << "Eve";
        QTest::newRow("both sides") << "<"
                                    << ">"
                                    << "tt HH:mm tt" << false << "optS"
                                    << "< 05:41 <"
                                    << "> 14:26 >"
                                    << "tt HH:mm:ss tt"
                                    << ">";
        QTest::newRow("all missing") << Missing << Missing << Missing << true << ""
                                     << "05:41"
                                     << "14:26"
                                     << "HH:mm:ss tt"
                                     << "";
    }
    void loadsAndAppliesTheStoredSettings() {
        QFETCH(QString, morning);
        QFETCH(QString, afternoon);
        QFETCH(QString, format);
        QFETCH(bool, oneText);
        QFETCH(QString, option);
        QFETCH(QString, line1);
        QFETCH(QString, line2);
        QFETCH(QString, writtenFormat);
        QFETCH(QString, writtenAfternoon);
        KESTREL_QT_MACHINE(m);
        store("s1159", morning);
        store("s2359", afternoon);
        store("sTimeFormat", format);

        Dialogs dialogs;
        ClockPage page;
        QCOMPARE(page.txtAM->text(), morning == Missing ? QString() : morning);
        QCOMPARE(page.chkOne->isChecked(), oneText);
        QCOMPARE(page.txtPM->isEnabled(), !oneText);
        QCOMPARE(page.selected(), option);
        QCOMPARE(page.lbl1->text(), line1);
        QCOMPARE(page.lbl2->text(), line2);
        QVERIFY(!page.cmdAP->isEnabled());

        // Apply without touching anything writes the loaded texts and the format of the option
        // (the right-hand one when none was selected).
        page.cmdAP->setEnabled(true);
        page.cmdAP->click();
        QCOMPARE(dialogs.questions, QStringList{"Save Changes ?"});
        QCOMPARE(dialogs.titles, QStringList{"Saving..."});
        QCOMPARE(wineQuery(m, WineKey, "s1159"), morning == Missing ? QString() : morning);
        QCOMPARE(wineQuery(m, WineKey, "s2359"), writtenAfternoon);
        QCOMPARE(wineQuery(m, WineKey, "sTimeFormat"), writtenFormat);
        QVERIFY(page.cmdAP->isEnabled());
    }

    void editingAsksBeforeWritingAndOneTextFillsBoth() {
        KESTREL_QT_MACHINE(m);
        store("s1159", "AM");
        store("s2359", "PM");
        store("sTimeFormat", "h:mm:ss tt");
        Dialogs dialogs;
        {
            // Edits left unapplied, or refused at the prompt, write nothing.
            ClockPage page;
            QTest::keyClicks(page.txtPM, "X");
            QVERIFY(page.cmdAP->isEnabled());
            page.optL->click();
            QCOMPARE(page.lbl2->text(), QStringLiteral("PMX 14:26"));
            dialogs.answer = false;
            page.cmdAP->click();
            page.form.Form_Unload();
        }
        QCOMPARE(dialogs.questions.size(), 1);
        QCOMPARE(regValue(HKEY_CURRENT_USER, International, "s2359"), QStringLiteral("PM"));
        QCOMPARE(regValue(HKEY_CURRENT_USER, International, "sTimeFormat"),
                 QStringLiteral("h:mm:ss tt"));

        ClockPage page;
        page.chkOne->click();
        QVERIFY(!page.txtPM->isEnabled());
        QCOMPARE(page.txtPM->text(), QStringLiteral("AM"));
        page.txtAM->setText(QStringLiteral("Tea"));
        QCOMPARE(page.txtPM->text(), QStringLiteral("Tea"));
        QCOMPARE(page.lbl1->text(), QStringLiteral("05:41 Tea"));
        QCOMPARE(page.lbl2->text(), QStringLiteral("14:26 Tea"));
        dialogs.answer = true;
        page.cmdAP->click();
        QCOMPARE(wineQuery(m, WineKey, "s1159"), QStringLiteral("Tea"));
        QCOMPARE(wineQuery(m, WineKey, "s2359"), QStringLiteral("Tea"));
    }

    // Wine formats times with the user's regional settings as the preview promised.
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
        page.txtAM->setText(QStringLiteral("Morn"));
        if (page.chkOne->isChecked() != oneText)
            page.chkOne->click();
        if (!oneText)
            page.txtPM->setText(QStringLiteral("Aft"));
        page.option(option)->click();
        page.cmdAP->click();
        QCOMPARE(probe(m, {"time", "5", "41", "14", "26"}),
                 (QStringList{page.lbl1->text(), page.lbl2->text()}));
    }
};

QTEST_MAIN(ClockTextTest)
#include "ClockTextTest.moc"
