// The shell on real Wine prefixes: which folder start-up accepts, switching from a prefix of the
// NT family to one that reports Windows 98 in the running window, and there the History view on
// a page's save: listed under its page, undone (Wine's reg.exe judges), and exported.

#include "app/PrefixChooser.h"
#include "app/StartUp.h"
#include "app/frmStart.h"
#include "app/frmTR.h"
#include "pages/restrictions/RestrictionPage.h"
#include "platform/wine/WinePrefix.h"
#include "resources/Catalogue.h"
#include "tests/support/PageTestKit.h"
#ifdef KESTREL_HISTORY
#include "app/frmHistory.h"
#include "platform/history/RecordingMachine.h"
#endif

#include <QCheckBox>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <fstream>

using namespace kestrel;

namespace {

// Whether "NoRecentDocsMenu" is set in the prefix, as Wine's reg.exe sees it.
bool noRecentDocs(testing::MachineOnPrefix& on) {
    return testing::wineQuery(
               on, "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer",
               "NoRecentDocsMenu") == "0x1";
}

} // namespace

class PrefixTest : public QObject {
    Q_OBJECT

    // The chooser's own settings and the home folder it searches are throw-away ones.
    QTemporaryDir home_;

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", home_.filePath(QStringLiteral("config")).toLocal8Bit());
        PrefixChooser::setHomeForTests(home_.path());
    }

    // In a Russian run, so that the texts shown are seen to come from the catalogue.
    void switchingAsksToSaveFirstThenRebuildsTheTree() {
        KESTREL_QT_MACHINE(on); // the NT family
        KESTREL_QT_MACHINE(other);
        testing::makeWindows98();
        Machine::setCurrent(&on.machine());
        const QString otherPath = QString::fromStdString(other.prefix().path());
        Catalogue::setLanguage(Language::Russian);
        testing::Dialogs dialogs;
        MdlStart::setWinVerKeyFromPlatform();
        frmStart window;
        window.showPage(QStringLiteral("StartMenu"));
        auto* page = qobject_cast<RestrictionPage*>(window.curPage());
        QVERIFY(page);
        page->chk(0)->click(); // "NoRecentDocsMenu", not saved yet

        // A folder that is not a prefix is refused as at start-up, and left as it was; the page
        // keeps its change.
        const QString documents = home_.filePath(QStringLiteral("documents"));
        QVERIFY(QDir().mkpath(documents));
        std::ofstream((documents + QStringLiteral("/letter.txt")).toStdString()) << "keep me";
        QCOMPARE(openPrefix(documents.toStdString()).exitCode, 2);
        QVERIFY(!window.switchPrefix(documents));
        QCOMPARE(dialogs.messages, QStringList{LoadResString(903).arg(documents)});
        QCOMPARE(QDir(documents).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList{"letter.txt"});
        QVERIFY(dialogs.questions.isEmpty());
        QCOMPARE(window.curPage(), page);
        QCOMPARE(&Machine::current(), &on.machine());

        // The switch asks first and saves into the prefix the page was read from.
        QVERIFY(window.switchPrefix(otherPath));
        QCOMPARE(dialogs.questions, QStringList{LoadResString(109)});
        QVERIFY(noRecentDocs(on));

        // The Windows 98 prefix has its own tree and version key, and the page opened again on it.
        auto* now = currentPrefixMachine();
        QVERIFY(now && now->prefixPath() == other.prefix().path());
        QVERIFY(window.navigation()->node("Optim"));
        QCOMPARE(MdlStart::WinVerKey,
                 QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion"));
        QCOMPARE(window.curForm(), QStringLiteral("frmPusk"));
        page = qobject_cast<RestrictionPage*>(window.curPage());
        QVERIFY(page && !page->chk(0)->isChecked());
        QCOMPARE(window.statb()->machineText(), LoadResString(905).arg(otherPath));
        QCOMPARE(window.chooser()->cboPrefix->toolTip(), otherPath);
        // The chooser names the prefix with the version it reports, read in the background.
        QTRY_VERIFY(
            window.chooser()->cboPrefix->currentText().endsWith(QStringLiteral("Windows 98")));
        QCOMPARE(PrefixChooser::recentPrefixes().value(1),
                 QString::fromStdString(on.prefix().path()));

#ifdef KESTREL_HISTORY
        // A save there is recorded under the page's node, can be exported, undone, and the undo
        // undone.
        page->chk(0)->click();
        window.showPage(QStringLiteral("About")); // asks, and saves
        QVERIFY(noRecentDocs(other));
        auto* recording = dynamic_cast<history::RecordingMachine*>(&Machine::current());
        QVERIFY(recording);
        int reloads = 0;
        frmHistory view(*recording, [&] { ++reloads; });
        QCOMPARE(view.lstHistory->topLevelItemCount(), 1);
        QCOMPARE(view.lstHistory->topLevelItem(0)->text(1), LoadResString(116)); // "Start Menu"
        const QString file = home_.filePath(QStringLiteral("save.reg"));
        QVERIFY(view.exportSelected(file));
        QVERIFY(testing::readHostFile(file.toStdString())
                    .find("\"NoRecentDocsMenu\"=dword:00000001\r\n") != std::string::npos);
        QVERIFY(view.undoSelected());
        QCOMPARE(reloads, 2); // the page closes before and opens again after
        QVERIFY(!noRecentDocs(other));
        QCOMPARE(view.lstHistory->topLevelItemCount(), 2);
        QCOMPARE(view.lstHistory->topLevelItem(0)->text(1), LoadResString(1020).arg(1));
        QVERIFY(view.undoSelected()); // the undo, undone
        QVERIFY(noRecentDocs(other));
#endif
    }

    // A missing folder, or an empty one, becomes a prefix; a second start opens it as it is.
    void startUpCreatesAMissingPrefix() {
        QTemporaryDir home;
        QVERIFY(QDir().mkpath(home.filePath(QStringLiteral("empty"))));
        for (const char* name : {"new-prefix", "empty"}) {
            const std::string path = home.filePath(QLatin1String(name)).toStdString();
            const OpenedMachine opened = openPrefix(path);
            QVERIFY2(opened.machine, opened.detail.c_str());
            QCOMPARE(wine::prefixState(path), wine::PrefixState::Ready);
            QVERIFY(opened.machine->description().find(path) != std::string::npos);
        }
        const OpenedMachine again =
            openPrefix(home.filePath(QStringLiteral("new-prefix")).toStdString());
        QVERIFY(again.machine);
        QCOMPARE(again.exitCode, 0);
    }
};

QTEST_MAIN(PrefixTest)
#include "PrefixTest.moc"
