// The About page: the texts it builds for given uptimes and display modes, what it shows when
// loaded, its live uptime and the web address.

#include "FakeMachine.h"
#include "app/frmAbout.h"
#include "resources/Catalogue.h"

#include <QLabel>
#include <QTimer>
#include <QtTest>

using namespace kestrel;

class AboutTest : public QObject {
    Q_OBJECT

private slots:
    void init() { Catalogue::setLanguage(Language::English); }

    void uptimeText_data() {
        QTest::addColumn<quint32>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("start") << 0u << "0 ч. 00 м. 00 с.";
        QTest::newRow("just under a minute") << 59999u << "0 ч. 00 м. 59 с.";
        QTest::newRow("one hour") << 3600000u << "1 ч. 00 м. 00 с.";
        QTest::newRow("3:07:09") << 11229000u << "3 ч. 07 м. 09 с.";
        QTest::newRow("100 hours, not split into days") << 360000000u << "100 ч. 00 м. 00 с.";
        // Past 2^31 ms the count keeps going up, as an unsigned tick count does.
        QTest::newRow("2^31 ms") << 2147483648u << "596 ч. 31 м. 23 с.";
        QTest::newRow("last tick before wrapping") << 4294967295u << "1193 ч. 02 м. 47 с.";
    }
    void uptimeText() {
        QFETCH(quint32, ms);
        QFETCH(QString, text);
        QCOMPARE(frmAbout::uptimeText(ms), text);
    }

    void displayModeText_data() {
        QTest::addColumn<quint32>("width");
        QTest::addColumn<quint32>("height");
        QTest::addColumn<quint32>("bits");
        QTest::addColumn<QString>("text");
        QTest::newRow("16 bits")
            << 1024u << 768u << 16u
            << "Current Resolution 1024x768 Color depth is 16 (65536) Bit (Colors)";
        QTest::newRow("32 bits")
            << 1280u << 1024u << 32u
            << "Current Resolution 1280x1024 Color depth is 32 (4294967296) Bit (Colors)";
        QTest::newRow("8 bits") << 640u << 480u << 8u
                                << "Current Resolution 640x480 Color depth is 8 (256) Bit (Colors)";
        QTest::newRow("unknown mode")
            << 0u << 0u << 0u << "Current Resolution 0x0 Color depth is 0 (1) Bit (Colors)";
        QTest::newRow("64 bits")
            << 1u << 1u << 64u
            << "Current Resolution 1x1 Color depth is 64 (18446744073709551616) Bit (Colors)";
    }
    void displayModeText() {
        QFETCH(quint32, width);
        QFETCH(quint32, height);
        QFETCH(quint32, bits);
        QFETCH(QString, text);
        QCOMPARE(frmAbout::displayModeText({width, height, bits}), text);
    }

    void versionAndBuildTexts() {
        QCOMPARE(frmAbout::versionText(), QStringLiteral("Kestrel  Version is 1.05"));
        QCOMPARE(frmAbout::buildText(), QStringLiteral("Build #0088  from  17.01.2002"));
    }

    void russianTextsKeepUnitMarksAndDate() {
        Catalogue::setLanguage(Language::Russian);
        QCOMPARE(frmAbout::versionText(), QStringLiteral("Kestrel  Версия 1.05"));
        QVERIFY(frmAbout::buildText().endsWith(QStringLiteral("  17.01.2002")));
        QVERIFY(frmAbout::buildText().startsWith(LoadResString(105) + " #0088  "));
        QCOMPARE(frmAbout::uptimeText(11229000), QStringLiteral("3 ч. 07 м. 09 с."));
        QCOMPARE(frmAbout::displayModeText({1024, 768, 16}),
                 LoadResString(455) + " 1024x768 " + LoadResString(457) + " 16 (65536) " +
                     LoadResString(456));
    }

    void loadFillsEveryLabelFromTheMachine() {
        testing::CurrentFake fake;
        fake.machine.computer = "  WORKSTATION  ";
        fake.machine.user = "anna";
        fake.machine.ticks = 11229000;
        fake.machine.display = {1024, 768, 16};
        frmAbout page;
        page.Form_Load();
        QCOMPARE(page.lblVersion->text(), QStringLiteral("Kestrel  Version is 1.05"));
        QCOMPARE(page.lblBild->text(), QStringLiteral("Build #0088  from  17.01.2002"));
        // 177 ends in a blank and one more follows: two blanks before the name.
        QCOMPARE(page.lblCN->text(), QStringLiteral("Computer Name:  WORKSTATION"));
        QCOMPARE(page.lblUsr->text(), QStringLiteral("User Name: anna"));
        QCOMPARE(page.lblwo->text(), QStringLiteral("Windows Started - "));
        QCOMPARE(page.lblProgrammer->text(), LoadResString(127));
        QVERIFY(!page.lblProgrammer->text().isEmpty());
        QCOMPARE(
            page.lblDisp->text(),
            QStringLiteral("Current Resolution 1024x768 Color depth is 16 (65536) Bit (Colors)"));
        QCOMPARE(page.picWinOn->text(), QStringLiteral("3 ч. 07 м. 09 с."));
        QVERIFY(!page.AppImg->pixmap().isNull());
        QVERIFY(!page.lblurl->text().isEmpty());
    }

    void timersRunWhileLoadedAndRefreshTheTexts() {
        testing::CurrentFake fake;
        fake.machine.ticks = 1000;
        frmAbout page;
        page.show();
        page.Form_Load();

        fake.machine.ticks = 2000;
        QTRY_COMPARE_WITH_TIMEOUT(page.picWinOn->text(), QStringLiteral("0 ч. 00 м. 02 с."), 1000);
        fake.machine.display = {800, 600, 8};
        QTRY_COMPARE_WITH_TIMEOUT(
            page.lblDisp->text(),
            QStringLiteral("Current Resolution 800x600 Color depth is 8 (256) Bit (Colors)"), 7000);
        page.Form_Unload();
        QVERIFY(!page.tmr->isActive() && !page.tmrD->isActive());
    }

    void uptimeIsRedrawnOnlyWhenItChanges() {
        testing::CurrentFake fake;
        fake.machine.ticks = 5000;
        frmAbout page;
        page.Form_Load();
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        QTest::qWait(150);
        int paints = 0;
        struct PaintCounter : QObject {
            int* count;
            explicit PaintCounter(int* c) : count(c) {}
            bool eventFilter(QObject*, QEvent* e) override {
                if (e->type() == QEvent::Paint)
                    ++*count;
                return false;
            }
        } counter(&paints);
        page.picWinOn->installEventFilter(&counter);
        fake.machine.ticks = 5900; // the same second: several timer ticks, nothing to draw
        QTest::qWait(350);
        QCOMPARE(paints, 0);
        QVERIFY(!page.picWinOn->setText(QStringLiteral("0 ч. 00 м. 05 с.")));
        fake.machine.ticks = 6000;
        QTRY_VERIFY(paints > 0);
        QCOMPARE(page.picWinOn->text(), QStringLiteral("0 ч. 00 м. 06 с."));
    }

    void doubleClickOnTheAddressOpensItInTheBrowser() {
        testing::CurrentFake fake;
        frmAbout page;
        page.Form_Load();
        page.show();
        QTest::mouseDClick(page.lblurl, Qt::LeftButton);
        QCOMPARE(fake.machine.commands.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(fake.machine.commands[0].first),
                 QStringLiteral("explorer ") + frmAbout::webAddress());
        QCOMPARE(fake.machine.commands[0].second, 1);
        QVERIFY(frmAbout::webAddress().startsWith(QStringLiteral("https://")));
        // A single click opens nothing.
        QTest::mouseClick(page.lblurl, Qt::LeftButton);
        QCOMPARE(fake.machine.commands.size(), std::size_t(1));
    }
};

QTEST_MAIN(AboutTest)
#include "AboutTest.moc"
