// The main window: the navigation tree on both Windows families, the page protocol (unload the
// old page, then load the new one), the layout in thirds and the status strip; and the About
// page: the texts it builds for given uptimes and display modes, what it shows, its live uptime
// and the web address.

#include "FakeMachine.h"
#include "app/StatusText.h"
#include "app/frmAbout.h"
#include "app/frmStart.h"
#include "app/frmTR.h"
#include "resources/Catalogue.h"
#include "ui/MdlStart.h"
#include "ui/Module.h"
#include "ui/Page.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

using namespace kestrel;

namespace {

// What the test pages did, in order.
QStringList journal;

// A page that records its handlers and has a text field to take the focus.
class RecordingPage : public SavingPage {
public:
    explicit RecordingPage(const char* form) : form_(QLatin1String(form)) {
        field = new QLineEdit(this);
        field->setGeometry(10, 10, 200, 24);
        connect(field, &QLineEdit::textEdited, this, [this] { markChanged(); });
    }
    void Form_Load() override {
        journal << form_ + QStringLiteral(":load");
        clearChanged();
    }
    void Form_Unload() override {
        journal << form_ + QStringLiteral(":unload");
        SavingPage::Form_Unload();
    }
    QLineEdit* field = nullptr;

protected:
    void save() override { journal << form_ + QStringLiteral(":save"); }

private:
    QString form_;
};

const std::vector<PageRow>& testPages() {
    static const std::vector<PageRow> rows = {
        {"StartMenu", "frmPusk", [] { return new RecordingPage("frmPusk"); }},
        {"Explorer", "frmExplorer", [] { return new RecordingPage("frmExplorer"); }},
    };
    return rows;
}

const PageRow* testLookup(const QString& key) {
    for (const PageRow& row : testPages())
        if (key == QLatin1String(row.key))
            return &row;
    return nullptr;
}

// Keys of the tree in display order, with parent keys and image keys.
struct Node {
    QString parent, key, text, image;
};
QList<Node> treeNodes(const frmTR& tr) {
    QList<Node> nodes;
    for (QTreeWidgetItemIterator it(tr.TR); *it; ++it)
        nodes.append(
            {frmTR::key((*it)->parent()), frmTR::key(*it), (*it)->text(0), frmTR::imageKey(*it)});
    return nodes;
}

// Counts the events of the given types an object receives.
struct EventCounter : QObject {
    QList<QEvent::Type> types;
    int count = 0;
    explicit EventCounter(QList<QEvent::Type> t) : types(std::move(t)) {}
    bool eventFilter(QObject*, QEvent* e) override {
        count += types.contains(e->type());
        return false;
    }
};

QList<Page*> visiblePages(const frmStart& w) {
    QList<Page*> pages;
    for (Page* page : w.client()->findChildren<Page*>(Qt::FindDirectChildrenOnly))
        if (page->isVisible())
            pages << page;
    return pages;
}

} // namespace

class ShellTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<testing::CurrentFake> fake;
    QStringList prompts;

    std::unique_ptr<frmStart> openWindow() {
        auto w = std::make_unique<frmStart>(testLookup);
        w->show();
        w->arrangePage();
        if (!QTest::qWaitForWindowExposed(w.get()))
            qWarning("window not exposed");
        w->navigation()->TR->expandAll();
        return w;
    }

    static void click(frmStart& w, const QString& key) {
        QTreeWidget* tree = w.navigation()->TR;
        QTreeWidgetItem* item = w.navigation()->node(key);
        QVERIFY2(item, qPrintable(key));
        tree->scrollToItem(item);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                          tree->visualItemRect(item).center());
    }

private slots:
    void init() {
        fake = std::make_unique<testing::CurrentFake>();
        journal.clear();
        prompts.clear();
        Catalogue::setLanguage(Language::English);
        kestrel::testing::setPromptHandler([this](const QString& question, const QString&) {
            prompts << question;
            journal << QStringLiteral("prompt");
            return true;
        });
    }
    void cleanup() {
        kestrel::testing::setPromptHandler({});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        fake.reset();
    }

    // --- The tree ---------------------------------------------------------------------------

    // The tree and the version key follow the family; a failed version query counts as not NT.
    void treeFollowsTheWindowsFamily_data() {
        QTest::addColumn<quint32>("platform");
        QTest::addColumn<int>("nodes");
        QTest::addColumn<QStringList>("internet");
        QTest::addColumn<QString>("winVerKey");
        const QString nt = "Software\\Microsoft\\Windows NT\\CurrentVersion";
        const QString windows = "Software\\Microsoft\\Windows\\CurrentVersion";
        QTest::newRow("NT") << quint32(VER_PLATFORM_WIN32_NT) << 27 << QStringList{"ieSF"} << nt;
        QTest::newRow("95") << quint32(VER_PLATFORM_WIN32_WINDOWS) << 28
                            << QStringList{"ieSF", "Optim"} << windows;
        QTest::newRow("unknown") << quint32(0) << 28 << QStringList{"ieSF", "Optim"} << windows;
    }
    void treeFollowsTheWindowsFamily() {
        QFETCH(quint32, platform);
        QFETCH(int, nodes);
        QFETCH(QStringList, internet);
        QFETCH(QString, winVerKey);
        fake->machine.platform = platform;
        MdlStart::setWinVerKeyFromPlatform();
        QCOMPARE(MdlStart::WinVerKey, winVerKey);
        frmTR tr;
        QCOMPARE(treeNodes(tr).size(), nodes);
        QStringList children;
        for (int i = 0; i < tr.node("Internet")->childCount(); ++i)
            children << frmTR::key(tr.node("Internet")->child(i));
        QCOMPARE(children, internet);
        // Every node has a text and a 16×16 picture, and starts collapsed.
        for (const Node& n : treeNodes(tr)) {
            QVERIFY2(!n.text.isEmpty(), qPrintable(n.key));
            QCOMPARE(nodeImage(n.image).availableSizes().value(0), QSize(16, 16));
            QVERIFY(!tr.node(n.key)->isExpanded());
        }
    }

    void russianTreeUsesRussianTextsButFixedLiterals() {
        Catalogue::setLanguage(Language::Russian);
        frmTR tr;
        QCOMPARE(tr.node("Windows")->text(0), QStringLiteral("Система"));
        QCOMPARE(tr.node("IE")->text(0), QStringLiteral("Internet Explorer"));
        QCOMPARE(tr.node("Uninstall")->text(0), QStringLiteral("Windows Uninstall"));
    }

    // --- The page protocol ------------------------------------------------------------------

    void startUpShowsTheLoadedAboutPage() {
        auto w = openWindow();
        QCOMPARE(w->windowTitle(), QStringLiteral("Kestrel"));
        QCOMPARE(w->curForm(), QStringLiteral("frmAbout"));
        auto* about = qobject_cast<frmAbout*>(w->curPage());
        QVERIFY(about);
        QVERIFY(about->isVisible());
        QCOMPARE(MdlStart::CurPage(), w->curPage());
        QCOMPARE(visiblePages(*w).size(), 1);
    }

    void nodeClickUnloadsTheOldPageBeforeLoadingTheNew() {
        auto w = openWindow();
        click(*w, "StartMenu");
        QCOMPARE(w->curForm(), QStringLiteral("frmPusk"));
        QCOMPARE(journal, QStringList{"frmPusk:load"});

        // A change on the page: leaving it asks first and saves before the next page loads.
        auto* pusk = static_cast<RecordingPage*>(w->curPage());
        QTest::keyClicks(pusk->field, "x");
        click(*w, "Explorer");
        QCOMPARE(journal, (QStringList{"frmPusk:load", "frmPusk:unload", "prompt", "frmPusk:save",
                                       "frmExplorer:load"}));
        QCOMPARE(prompts, QStringList{"Save Changes ?"});
        QCOMPARE(w->curForm(), QStringLiteral("frmExplorer"));
        QCOMPARE(visiblePages(*w), QList<Page*>{w->curPage()});
    }

    void clickingTheShownPageReloadsIt() {
        auto w = openWindow();
        click(*w, "Explorer");
        QPointer<Page> first = w->curPage();
        journal.clear();
        click(*w, "Explorer");
        QCOMPARE(journal, (QStringList{"frmExplorer:unload", "frmExplorer:load"}));
        QVERIFY(w->curPage() != first.data());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first.isNull()); // the old instance is gone: every opening starts from scratch

        // With unsaved changes the prompt comes first, and the page reloads what was saved.
        QTest::keyClicks(static_cast<RecordingPage*>(w->curPage())->field, "z");
        journal.clear();
        click(*w, "Explorer");
        QCOMPARE(journal, (QStringList{"frmExplorer:unload", "prompt", "frmExplorer:save",
                                       "frmExplorer:load"}));
        QVERIFY(static_cast<RecordingPage*>(w->curPage())->field->text().isEmpty());
    }

    void groupNodesAndPagesNotBuiltYetOpenAbout() {
        auto w = openWindow();
        const QStringList keys = {"About",    "Windows", "IE",   "GUI",
                                  "Internet", "Other",   "VHDD", "Clock"};
        for (const QString& key : keys) {
            click(*w, "StartMenu");
            QCOMPARE(w->curForm(), QStringLiteral("frmPusk"));
            click(*w, key);
            QVERIFY2(w->curForm() == QStringLiteral("frmAbout"), qPrintable(key));
            QVERIFY(qobject_cast<frmAbout*>(w->curPage()));
        }
        w->showPage(QStringLiteral("startmenu")); // keys are compared exactly
        QCOMPARE(w->curForm(), QStringLiteral("frmAbout"));
        MdlStart::ShowPage(QStringLiteral("StartMenu")); // what pages call
        QCOMPARE(w->curForm(), QStringLiteral("frmPusk"));
    }

    void aPageReturningToAboutMovesTheSelectionWithoutReopening() {
        auto w = openWindow();
        click(*w, "StartMenu");
        journal.clear();
        MdlStart::ShowPage(QStringLiteral("About")); // as the logon page's OK button does
        QCOMPARE(w->curForm(), QStringLiteral("frmAbout"));
        QCOMPARE(frmTR::key(w->navigation()->TR->currentItem()), QStringLiteral("About"));
        // Marking the node opened nothing more: frmPusk unloaded once, About loaded once.
        QCOMPARE(journal, QStringList{QStringLiteral("frmPusk:unload")});
    }

    void keyboardSelectionOpensPagesLikeAClick() {
        auto w = openWindow();
        QTreeWidget* tree = w->navigation()->TR;
        tree->setFocus();
        tree->setCurrentItem(w->navigation()->node("Kestrel"));
        journal.clear();
        QTest::keyClick(tree, Qt::Key_Down); // Kestrel → StartMenu
        QCOMPARE(w->curForm(), QStringLiteral("frmPusk"));
        QTest::keyClick(tree, Qt::Key_Down); // → Explorer
        QCOMPARE(w->curForm(), QStringLiteral("frmExplorer"));
        QCOMPARE(journal, (QStringList{"frmPusk:load", "frmPusk:unload", "frmExplorer:load"}));
        // Typing the first letters of a node's text selects and opens it.
        QTest::keyClicks(tree, "Start M");
        QCOMPARE(frmTR::key(tree->currentItem()), QStringLiteral("StartMenu"));
        QCOMPARE(w->curForm(), QStringLiteral("frmPusk"));
        // A click on the node the keyboard selected reloads it once, not twice.
        journal.clear();
        click(*w, "StartMenu");
        QCOMPARE(journal, (QStringList{"frmPusk:unload", "frmPusk:load"}));
    }

    void tabMovesFromTheTreeIntoThePage() {
        auto w = openWindow();
        click(*w, "StartMenu");
        auto* page = static_cast<RecordingPage*>(w->curPage());
        w->activateWindow();
        w->navigation()->TR->setFocus();
        QTRY_VERIFY(w->navigation()->TR->hasFocus());
        QTest::keyClick(w->navigation()->TR, Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(page->field));
    }

    void closingTheWindowUnloadsThePage() {
        for (const bool yes : {true, false}) {
            kestrel::testing::setPromptHandler([yes](const QString&, const QString&) {
                journal << QStringLiteral("prompt");
                return yes;
            });
            auto w = openWindow();
            click(*w, "Explorer");
            QTest::keyClicks(static_cast<RecordingPage*>(w->curPage())->field, "y");
            journal.clear();
            QVERIFY(w->close());
            QStringList expected{"frmExplorer:unload", "prompt"};
            if (yes)
                expected << "frmExplorer:save";
            QCOMPARE(journal, expected);
            QVERIFY(!w->curPage());
        }
    }

    // --- Layout -----------------------------------------------------------------------------

    void windowKeepsItsMinimumSize() {
        auto w = openWindow();
        // 10000 × 6000 twips at 15 twips a pixel.
        QVERIFY(w->minimumWidth() >= 667);
        QVERIFY(w->minimumHeight() >= 400);
        w->resize(300, 200);
        QCOMPARE(w->size(), QSize(w->minimumWidth(), w->minimumHeight()));
    }

    void treeTakesOneThirdAndThePageTwoThirds() {
        auto w = openWindow();
        click(*w, "StartMenu");
        for (const QSize size : {QSize(900, 600), QSize(1201, 700), QSize(1000, 800)}) {
            w->resize(size);
            QCoreApplication::processEvents();
            const QSize client = w->clientSize();
            QCOMPARE(client.width(), size.width());
            QVERIFY(client.height() < size.height()); // the status strip is below
            const QRect nav = w->navigation()->geometry();
            const QRect page = w->curPage()->geometry();
            QCOMPARE(nav.topLeft(), QPoint(0, 0));
            QVERIFY(qAbs(nav.width() - client.width() / 3.0) <= 0.5);
            QCOMPARE(nav.height(), client.height());
            QCOMPARE(page.topLeft(), QPoint(nav.width(), 0));
            QVERIFY(qAbs(page.width() - client.width() * 2 / 3.0) <= 0.5);
            QCOMPARE(page.height(), client.height());
            QCOMPARE(w->navigation()->TR->geometry(), QRect(QPoint(0, 0), nav.size()));
            QCOMPARE(w->statb()->geometry().top(), w->client()->geometry().bottom() + 1);
        }
    }

    void unchangedLayoutMovesNothing() {
        auto w = openWindow();
        click(*w, "StartMenu");
        QCoreApplication::processEvents();
        EventCounter counter({QEvent::Move, QEvent::Resize});
        w->curPage()->installEventFilter(&counter);
        w->navigation()->installEventFilter(&counter);
        w->arrangePage();
        MdlStart::ArrangePage();
        QCoreApplication::processEvents();
        QCOMPARE(counter.count, 0);
    }

    void minimizingAndRestoringKeepsTheLayout() {
        auto w = openWindow();
        w->resize(1000, 700);
        QCoreApplication::processEvents();
        const QRect nav = w->navigation()->geometry();
        const QRect page = w->curPage()->geometry();
        w->showMinimized();
        QCoreApplication::processEvents();
        w->showNormal();
        QCoreApplication::processEvents();
        QCOMPARE(w->navigation()->geometry(), nav);
        QCOMPARE(w->curPage()->geometry(), page);
    }

    // --- Status strip -----------------------------------------------------------------------

    void cursorText_data() {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<QString>("text");
        QTest::newRow("top left") << 0 << 0 << "0001x0001";
        QTest::newRow("bottom right of 1280x1024") << 1279 << 1023 << "1280x1024";
        QTest::newRow("five digits in full") << 12344 << 9 << "12345x0010";
        QTest::newRow("screen left of the primary") << -6 << -1 << "-0005x0000";
    }
    void cursorText() {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(QString, text);
        QCOMPARE(StatusText::cursorText(x, y), text);
    }

    void clockTextIs24HourWithSeconds() {
        QCOMPARE(StatusText::clockText(QTime(14, 5, 9)), QStringLiteral("14:05:09"));
        QCOMPARE(StatusText::clockText(QTime(0, 0, 0)), QStringLiteral("00:00:00"));
        QCOMPARE(StatusText::clockText(QTime(23, 59, 59)), QStringLiteral("23:59:59"));
    }

    void statusStripDrawsOnlyWhenATextChanged() {
        auto w = openWindow();
        StatusStrip* strip = w->statb();
        // Texts are there from the start, the machine's name right of the clock.
        QVERIFY(!strip->lastTime().isEmpty());
        QCOMPARE(strip->lastPos().size(), 9);
        QCOMPARE(strip->machineText(), QStringLiteral("test machine"));
        QCOMPARE(w->tmrStat()->interval(), 10);
        QVERIFY(w->tmrStat()->isActive());

        QCursor::setPos(100, 200);
        strip->tick();
        QCOMPARE(strip->lastPos(), QStringLiteral("0101x0201"));
        // With the cursor still, ticks within one second draw nothing.
        for (int attempt = 0; attempt < 3; ++attempt) {
            const QString time = strip->lastTime();
            const int before = strip->redraws();
            strip->tick();
            strip->tick();
            if (strip->lastTime() == time) {
                QCOMPARE(strip->redraws(), before);
                break;
            }
        }
        const int before = strip->redraws();
        QCursor::setPos(101, 200);
        strip->tick();
        QCOMPARE(strip->lastPos(), QStringLiteral("0102x0201"));
        QVERIFY(strip->redraws() > before);
        // The clock changes once a second under the running timer.
        const QString time = strip->lastTime();
        QTRY_VERIFY_WITH_TIMEOUT(strip->lastTime() != time, 2500);
    }

    // --- The About page ---------------------------------------------------------------------

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

    void loadFillsEveryLabelFromTheMachine() {
        fake->machine.computer = "  WORKSTATION  ";
        fake->machine.user = "anna";
        fake->machine.ticks = 11229000;
        fake->machine.display = {1024, 768, 16};
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
        fake->machine.ticks = 1000;
        frmAbout page;
        page.show();
        page.Form_Load();

        fake->machine.ticks = 2000;
        QTRY_COMPARE_WITH_TIMEOUT(page.picWinOn->text(), QStringLiteral("0 ч. 00 м. 02 с."), 1000);
        fake->machine.display = {800, 600, 8};
        QTRY_COMPARE_WITH_TIMEOUT(
            page.lblDisp->text(),
            QStringLiteral("Current Resolution 800x600 Color depth is 8 (256) Bit (Colors)"), 7000);
        page.Form_Unload();
        QVERIFY(!page.tmr->isActive() && !page.tmrD->isActive());
    }

    void uptimeIsRedrawnOnlyWhenItChanges() {
        fake->machine.ticks = 5000;
        frmAbout page;
        page.Form_Load();
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        QTest::qWait(150);
        EventCounter paints({QEvent::Paint});
        page.picWinOn->installEventFilter(&paints);
        fake->machine.ticks = 5900; // the same second: several timer ticks, nothing to draw
        QTest::qWait(350);
        QCOMPARE(paints.count, 0);
        QVERIFY(!page.picWinOn->setText(QStringLiteral("0 ч. 00 м. 05 с.")));
        fake->machine.ticks = 6000;
        QTRY_VERIFY(paints.count > 0);
        QCOMPARE(page.picWinOn->text(), QStringLiteral("0 ч. 00 м. 06 с."));
    }

    void doubleClickOnTheAddressOpensItInTheBrowser() {
        frmAbout page;
        page.Form_Load();
        page.show();
        QTest::mouseDClick(page.lblurl, Qt::LeftButton);
        QCOMPARE(fake->machine.commands.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(fake->machine.commands[0].first),
                 QStringLiteral("explorer ") + frmAbout::webAddress());
        QCOMPARE(fake->machine.commands[0].second, 1);
        QVERIFY(frmAbout::webAddress().startsWith(QStringLiteral("https://")));
        // A single click opens nothing.
        QTest::mouseClick(page.lblurl, Qt::LeftButton);
        QCOMPARE(fake->machine.commands.size(), std::size_t(1));
    }
};

QTEST_MAIN(ShellTest)
#include "ShellTest.moc"
