// The main window: the navigation tree on both Windows families, the page protocol (unload the
// old page, asking to save a change, then load the new one), the layout in thirds and the status
// strip; and the About page: its texts, its live uptime and display mode, and the web address.

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
#include <QTreeWidget>
#include <QtTest>
#include <tuple>

using namespace kestrel;

namespace {

// What the test pages did, in order, and the save prompts' questions.
QStringList journal;

// Answers the save prompt, noting its question in the journal.
void answerPrompts(bool yes) {
    testing::setPromptHandler([yes](const QString& question, const QString&) {
        journal << question;
        return yes;
    });
}

// Compares what the pages did since the last check.
void took(const QStringList& expected) {
    QCOMPARE(journal, expected);
    journal.clear();
}

// A page that records its handlers and has a text field to take the focus.
class RecordingPage : public SavingPage {
public:
    explicit RecordingPage(const char* form) {
        setObjectName(QLatin1String(form));
        field->setGeometry(10, 10, 200, 24);
        connect(field, &QLineEdit::textEdited, this, [this] { markChanged(); });
    }
    void Form_Load() override {
        journal << objectName() + QStringLiteral(":load");
        clearChanged();
    }
    void Form_Unload() override {
        journal << objectName() + QStringLiteral(":unload");
        SavingPage::Form_Unload();
    }
    QLineEdit* field = new QLineEdit(this);

protected:
    void save() override { journal << objectName() + QStringLiteral(":save"); }
};

const PageRow* testLookup(const QString& key) {
    static const PageRow rows[] = {
        {"StartMenu", "frmPusk", [] { return new RecordingPage("frmPusk"); }},
        {"Explorer", "frmExplorer", [] { return new RecordingPage("frmExplorer"); }},
    };
    for (const PageRow& row : rows)
        if (key == QLatin1String(row.key))
            return &row;
    return nullptr;
}

struct PaintCounter : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        count += e->type() == QEvent::Paint;
        return false;
    }
};

RecordingPage* shown(const frmStart& w) {
    return static_cast<RecordingPage*>(w.curPage());
}

} // namespace

class ShellTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<testing::FakeMachine> fake;

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
        fake = std::make_unique<testing::FakeMachine>();
        journal.clear();
        Catalogue::setLanguage(Language::English);
        answerPrompts(true);
    }
    void cleanup() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        fake.reset();
    }

    // The tree and the version key follow the family; a failed version query counts as not NT.
    void treeFollowsTheWindowsFamily() {
        const QString key = QStringLiteral("Software\\Microsoft\\Windows%1\\CurrentVersion");
        const std::tuple<quint32, int, QStringList, QString> rows[] = {
            {VER_PLATFORM_WIN32_NT, 27, {"ieSF"}, key.arg(" NT")},
            {0, 28, {"ieSF", "Optim"}, key.arg("")}};
        for (const auto& [platform, nodes, internet, winVerKey] : rows) {
            fake->platform = platform;
            MdlStart::setWinVerKeyFromPlatform();
            QCOMPARE(MdlStart::WinVerKey, winVerKey);
            frmTR tr;
            QStringList children;
            for (int i = 0; i < tr.node("Internet")->childCount(); ++i)
                children << frmTR::key(tr.node("Internet")->child(i));
            QCOMPARE(children, internet);
            // Every node has a text and a 16×16 picture, and starts collapsed.
            int count = 0;
            for (QTreeWidgetItemIterator it(tr.TR); *it; ++it, ++count) {
                QVERIFY2(!(*it)->text(0).isEmpty(), qPrintable(frmTR::key(*it)));
                QCOMPARE(nodeImage(frmTR::imageKey(*it)).availableSizes().value(0), QSize(16, 16));
                QVERIFY(!(*it)->isExpanded());
            }
            QCOMPARE(count, nodes);
        }
    }

    // The window opens on About. Clicks, the keyboard and the pages' own calls open pages: the
    // old page unloads (asking to save a change first) before the new one loads, and only the
    // page shown is visible; closing the window unloads the page too.
    void pagesOpenOneAtATime() {
        fake->computer = "  WORKSTATION  ";
        fake->user = "anna";
        fake->ticks = 11229000;
        fake->display = {1024, 768, 16};
        auto w = std::make_unique<frmStart>(testLookup);
        w->show();
        w->arrangePage();
        (void)QTest::qWaitForWindowExposed(w.get());
        QTreeWidget* tree = w->navigation()->TR;
        tree->expandAll();
        // The strip's texts are there from the start, the machine's name right of the clock.
        StatusStrip* strip = w->statb();
        QVERIFY(!strip->lastTime().isEmpty());
        QCOMPARE(strip->lastPos().size(), 9);
        QCOMPARE(strip->machineText(), QStringLiteral("test machine"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Kestrel"));
        QPointer<frmAbout> about = qobject_cast<frmAbout*>(w->curPage());
        QVERIFY(about && about->isVisible());
        QCOMPARE(MdlStart::CurPage(), w->curPage());

        // The About page shows the machine's facts, keeps uptime (redrawn only when its text
        // changed) and display mode current while loaded, and opens its address on a double
        // click.
        QCOMPARE(about->lblVersion->text(), QStringLiteral("Kestrel  Version is 1.05"));
        QCOMPARE(about->lblBild->text(), QStringLiteral("Build #0088  from  17.01.2002"));
        // 177 ends in a blank and one more follows: two blanks before the name.
        QCOMPARE(about->lblCN->text(), QStringLiteral("Computer Name:  WORKSTATION"));
        QCOMPARE(about->lblUsr->text(), QStringLiteral("User Name: anna"));
        QCOMPARE(about->lblwo->text(), QStringLiteral("Windows Started - "));
        QCOMPARE(about->lblProgrammer->text(), LoadResString(127));
        QCOMPARE(
            about->lblDisp->text(),
            QStringLiteral("Current Resolution 1024x768 Color depth is 16 (65536) Bit (Colors)"));
        QCOMPARE(about->picWinOn->text(), QStringLiteral("3 ч. 07 м. 09 с."));
        QVERIFY(!about->AppImg->pixmap().isNull());
        QCOMPARE(about->lblurl->text(), frmAbout::webAddress());

        QTest::qWait(150);
        PaintCounter paints;
        about->picWinOn->installEventFilter(&paints);
        fake->ticks = 11229900; // the same second: several timer ticks, nothing to draw
        QTest::qWait(350);
        QCOMPARE(paints.count, 0);
        fake->ticks = 11230000;
        QTRY_VERIFY(paints.count > 0);
        QCOMPARE(about->picWinOn->text(), QStringLiteral("3 ч. 07 м. 10 с."));
        fake->display = {800, 600, 8};
        QTRY_COMPARE_WITH_TIMEOUT(
            about->lblDisp->text(),
            QStringLiteral("Current Resolution 800x600 Color depth is 8 (256) Bit (Colors)"), 7000);

        QTest::mouseClick(about->lblurl, Qt::LeftButton); // a single click opens nothing
        QTest::mouseDClick(about->lblurl, Qt::LeftButton);
        QVERIFY(fake->commands == (decltype(fake->commands){
                                      {"explorer " + frmAbout::webAddress().toStdString(), 1}}));
        QVERIFY(frmAbout::webAddress().startsWith(QStringLiteral("https://")));

        click(*w, "StartMenu");
        took({"frmPusk:load"});
        QVERIFY(about && !about->tmr->isActive() && !about->tmrD->isActive());
        QTest::keyClicks(shown(*w)->field, "x");
        click(*w, "Explorer");
        took({"frmPusk:unload", "Save Changes ?", "frmPusk:save", "frmExplorer:load"});
        for (Page* page : w->client()->findChildren<Page*>(Qt::FindDirectChildrenOnly))
            QCOMPARE(page->isVisible(), page == w->curPage());

        // Clicking the page shown opens it from scratch, after the prompt for a change.
        QPointer<Page> first = w->curPage();
        click(*w, "Explorer");
        took({"frmExplorer:unload", "frmExplorer:load"});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first.isNull());
        QTest::keyClicks(shown(*w)->field, "z");
        click(*w, "Explorer");
        took({"frmExplorer:unload", "Save Changes ?", "frmExplorer:save", "frmExplorer:load"});
        QVERIFY(shown(*w)->field->text().isEmpty());

        // A page returning to About (the logon page's OK) moves the selection, opening no more.
        MdlStart::ShowPage(QStringLiteral("About"));
        took({"frmExplorer:unload"});
        QCOMPARE(frmTR::key(tree->currentItem()), QStringLiteral("About"));

        // Group nodes and pages not built yet open About; keys are compared exactly.
        for (const char* key :
             {"About", "Windows", "IE", "GUI", "Internet", "Other", "VHDD", "Clock"}) {
            click(*w, "StartMenu");
            click(*w, key);
            took({"frmPusk:load", "frmPusk:unload"});
            QVERIFY2(qobject_cast<frmAbout*>(w->curPage()), key);
        }
        w->showPage(QStringLiteral("startmenu"));
        QCOMPARE(w->curForm(), QStringLiteral("frmAbout"));

        // The keyboard opens pages like a click, and a click on that node reloads it once.
        tree->setFocus();
        tree->setCurrentItem(w->navigation()->node("Kestrel"));
        QTest::keyClick(tree, Qt::Key_Down); // Kestrel → StartMenu
        QTest::keyClick(tree, Qt::Key_Down); // → Explorer
        took({"frmPusk:load", "frmPusk:unload", "frmExplorer:load"});
        QTest::keyClicks(tree, "Start M"); // the first letters of a node's text
        QCOMPARE(frmTR::key(tree->currentItem()), QStringLiteral("StartMenu"));
        took({"frmExplorer:unload", "frmPusk:load"});
        click(*w, "StartMenu");
        took({"frmPusk:unload", "frmPusk:load"});

        // Tab moves from the tree into the page.
        w->activateWindow();
        tree->setFocus();
        QTRY_VERIFY(tree->hasFocus());
        QTest::keyClick(tree, Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(shown(*w)->field));

        // The tree takes the left third and the page the rest above the status strip, at any size
        // down to the minimum of 10000 × 6000 twips (15 twips a pixel); the strip draws only when
        // one of its texts changed.
        w->resize(300, 200);
        QCOMPARE(w->size(), QSize(w->minimumWidth(), w->minimumHeight()));
        QVERIFY(w->minimumWidth() >= 667 && w->minimumHeight() >= 400);
        for (const QSize size : {QSize(900, 600), QSize(1201, 700), QSize(1000, 800)}) {
            w->resize(size);
            QCoreApplication::processEvents();
            const QSize client = w->clientSize();
            QCOMPARE(client.width(), size.width());
            QVERIFY(client.height() < size.height()); // the status strip is below
            // A third rounded to the nearest pixel (never a half: widths are whole), the rest.
            const int third = qRound(client.width() / 3.0);
            const QRect nav(0, 0, third, client.height());
            QCOMPARE(w->navigation()->geometry(), nav);
            QCOMPARE(tree->geometry(), nav);
            QCOMPARE(w->curPage()->geometry(),
                     QRect(third, 0, client.width() - third, nav.height()));
            QCOMPARE(strip->geometry().top(), w->client()->geometry().bottom() + 1);
        }
        QCursor::setPos(100, 200);
        strip->tick();
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
        QVERIFY(strip->redraws() > before);

        // Closing the window unloads the page; answered No, the prompt saves nothing.
        QTest::keyClicks(shown(*w)->field, "y");
        answerPrompts(false);
        QVERIFY(w->close());
        took({"frmPusk:unload", "Save Changes ?"});
        QVERIFY(!w->curPage());
    }

    // The texts built from numbers: the pointer position counted from 1, the clock, the uptime
    // (hours not split into days, the tick count unsigned) and the display mode.
    void textsBuiltFromNumbers() {
        const QList<QPair<QString, QString>> rows = {
            {StatusText::cursorText(12344, 9), "12345x0010"},
            {StatusText::cursorText(-6, -1), "-0005x0000"}, // a screen left of the primary
            {StatusText::clockText(QTime(14, 5, 9)), "14:05:09"},
            {StatusText::clockText(QTime(0, 0, 0)), "00:00:00"},
            {frmAbout::uptimeText(59999), "0 ч. 00 м. 59 с."},
            {frmAbout::uptimeText(360000000), "100 ч. 00 м. 00 с."},
            {frmAbout::uptimeText(4294967295u), "1193 ч. 02 м. 47 с."},
            {frmAbout::displayModeText({1280, 1024, 32}),
             "Current Resolution 1280x1024 Color depth is 32 (4294967296) Bit (Colors)"},
            {frmAbout::displayModeText({0, 0, 0}),
             "Current Resolution 0x0 Color depth is 0 (1) Bit (Colors)"},
            {frmAbout::displayModeText({1, 1, 64}),
             "Current Resolution 1x1 Color depth is 64 (18446744073709551616) Bit (Colors)"},
        };
        for (const auto& [text, expected] : rows)
            QCOMPARE(text, expected);
    }
};

QTEST_MAIN(ShellTest)
#include "ShellTest.moc"
