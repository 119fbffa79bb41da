// The shell on a real Wine prefix: which prefix start-up accepts, and switching from a prefix of
// the NT family to one that reports Windows 98 in the running window.

#include "app/PrefixChooser.h"
#include "app/StartUp.h"
#include "app/frmStart.h"
#include "app/frmTR.h"
#include "pages/restrictions/RestrictionPage.h"
#include "platform/wine/WinePrefix.h"
#include "resources/Catalogue.h"
#include "tests/support/PageTestKit.h"
#include "ui/MdlStart.h"
#include "ui/RegQt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <fstream>

using namespace kestrel;

namespace {

int nodeCount(const frmTR& tr) {
    int count = 0;
    for (QTreeWidgetItemIterator it(tr.TR); *it; ++it)
        ++count;
    return count;
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

    void switchingAsksToSaveFirstThenRebuildsTheTree() {
        KESTREL_QT_MACHINE(on); // the NT family
        std::string reason;
        auto other = testing::TestPrefix::make(reason);
        QVERIFY2(other, reason.c_str());
        {
            wine::WineMachine machine(other->path());
            Machine::setCurrent(&machine);
            const bool set =
                Reg::SaveString(HKEY_CURRENT_USER, "Software\\Wine", "Version", "win98");
            Machine::setCurrent(&on.machine());
            QVERIFY(set);
        }
        testing::Dialogs dialogs;
        MdlStart::setWinVerKeyFromPlatform();
        frmStart window;
        window.showPage(QStringLiteral("StartMenu"));
        auto* page = qobject_cast<RestrictionPage*>(window.curPage());
        QVERIFY(page);
        page->chk(0)->click(); // "NoRecentDocsMenu", not saved yet

        // A folder that is not a prefix is refused as at start-up; the page keeps its change.
        const QString documents = home_.filePath(QStringLiteral("documents"));
        QVERIFY(QDir().mkpath(documents));
        std::ofstream((documents + QStringLiteral("/letter.txt")).toStdString()) << "keep me";
        QVERIFY(!window.switchPrefix(documents));
        QCOMPARE(dialogs.messages, QStringList{LoadResString(903).arg(documents)});
        QVERIFY(dialogs.questions.isEmpty());
        QCOMPARE(window.curPage(), page);
        QCOMPARE(&Machine::current(), &on.machine());

        // The switch asks first and saves into the prefix the page was read from.
        QVERIFY(window.switchPrefix(QString::fromStdString(other->path())));
        QCOMPARE(dialogs.questions, QStringList{LoadResString(109)});
        const auto query = on.prefix().wine(
            {"reg", "query",
             "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", "/v",
             "NoRecentDocsMenu"});
        QVERIFY2(query.output.find("0x1") != std::string::npos, query.output.c_str());

        // The Windows 98 prefix has its own tree and version key, and the page opened again on it.
        auto* now = currentPrefixMachine();
        QVERIFY(now && now->prefixPath() == other->path());
        QCOMPARE(nodeCount(*window.navigation()), 28);
        QVERIFY(window.navigation()->node("Optim"));
        QCOMPARE(MdlStart::WinVerKey,
                 QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion"));
        QCOMPARE(window.curForm(), QStringLiteral("frmPusk"));
        page = qobject_cast<RestrictionPage*>(window.curPage());
        QVERIFY(page && !page->chk(0)->isChecked());
        QVERIFY(window.statb()->machineText().contains(QString::fromStdString(other->path())));
        QCOMPARE(window.chooser()->cboPrefix->toolTip(), QString::fromStdString(other->path()));
        // The chooser names the prefix with the version it reports, read in the background.
        QTRY_VERIFY(
            window.chooser()->cboPrefix->currentText().endsWith(QStringLiteral("Windows 98")));
        QCOMPARE(PrefixChooser::recentPrefixes().value(1),
                 QString::fromStdString(on.prefix().path()));
    }

    void windowShowsWhichPrefixIsEdited() {
        KESTREL_QT_MACHINE(on);
        const QString path = QString::fromStdString(on.prefix().path());
        for (const Language language : {Language::English, Language::Russian}) {
            Catalogue::setLanguage(language);
            frmStart window;
            QCOMPARE(window.statb()->machineText(), LoadResString(905).arg(path));
        }
        QVERIFY(LoadResString(905).startsWith(QStringLiteral("Префикс Wine")));
        Catalogue::setLanguage(Language::English);
    }

    void startUpRefusesAFolderThatIsNotAPrefix() {
        QTemporaryDir home;
        const std::string folder = home.filePath("documents").toStdString();
        QVERIFY(QDir().mkpath(QString::fromStdString(folder)));
        std::ofstream(folder + "/letter.txt") << "keep me";
        const OpenedMachine opened = openPrefix(folder);
        QVERIFY(!opened.machine);
        QCOMPARE(opened.exitCode, 2);
        QCOMPARE(opened.error, LoadResString(903).arg(QString::fromStdString(folder)));
        // Nothing was added to the folder.
        QCOMPARE(
            QDir(QString::fromStdString(folder)).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
            QStringList{"letter.txt"});
    }

    void startUpCreatesAMissingPrefix() {
        QTemporaryDir home;
        const std::string path = home.filePath("new-prefix").toStdString();
        const OpenedMachine opened = openPrefix(path);
        QVERIFY2(opened.machine, opened.detail.c_str());
        QCOMPARE(wine::prefixState(path), wine::PrefixState::Ready);
        QVERIFY(opened.machine->description().find(path) != std::string::npos);
        // An empty folder (made for the purpose) becomes a prefix too.
        const std::string empty = home.filePath("empty").toStdString();
        QVERIFY(QDir().mkpath(QString::fromStdString(empty)));
        QVERIFY2(openPrefix(empty).machine, "empty folder refused");
        QCOMPARE(wine::prefixState(empty), wine::PrefixState::Ready);
        // A second start finds it ready and opens it as it is.
        const OpenedMachine again = openPrefix(path);
        QVERIFY(again.machine);
        QCOMPARE(again.exitCode, 0);
    }
};

QTEST_MAIN(PrefixTest)
#include "PrefixTest.moc"
