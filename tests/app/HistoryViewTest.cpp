// The History view on a real page's save: the save is listed under the page that made it,
// "Undo this save" puts the registry back (Wine's reg.exe judges) and reopens the page, the undo
// is listed and can itself be undone, and a save is exported as REGEDIT4.

#include "app/frmHistory.h"
#include "app/frmStart.h"
#include "pages/restrictions/RestrictionPage.h"
#include "platform/history/RecordingMachine.h"
#include "resources/Catalogue.h"
#include "tests/support/PageTestKit.h"
#include "ui/MdlStart.h"

#include <QCheckBox>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using namespace kestrel;

class HistoryViewTest : public QObject {
    Q_OBJECT

private slots:
    void init() { Catalogue::setLanguage(Language::English); }

    void undoAndExportFromTheWindow() {
        KESTREL_QT_MACHINE(on);
        history::RecordingMachine recording(
            std::make_unique<wine::WineMachine>(on.prefix().path()),
            std::make_unique<history::Store>(history::prefixHistoryFile(on.prefix().path())));
        Machine::setCurrent(&recording);
        const std::vector<std::string> query = {
            "reg", "query",
            "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", "/v",
            "NoRecentDocsMenu"};

        testing::Dialogs dialogs;
        MdlStart::setWinVerKeyFromPlatform();
        frmStart window;
        window.showPage(QStringLiteral("StartMenu"));
        auto* page = qobject_cast<RestrictionPage*>(window.curPage());
        QVERIFY(page);
        page->chk(0)->click();                    // "NoRecentDocsMenu"
        window.showPage(QStringLiteral("About")); // asks, and saves
        QVERIFY(on.prefix().wine(query).output.find("0x1") != std::string::npos);

        int reloads = 0;
        frmHistory view(recording, [&] { ++reloads; });
        QCOMPARE(view.lstHistory->topLevelItemCount(), 1);
        QCOMPARE(view.lstHistory->topLevelItem(0)->text(1), LoadResString(116)); // "Start Menu"

        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("save.reg"));
        QVERIFY(view.exportSelected(file));
        QFile exported(file);
        QVERIFY(exported.open(QIODevice::ReadOnly));
        QVERIFY(exported.readAll().contains("\"NoRecentDocsMenu\"=dword:00000001\r\n"));

        QVERIFY(view.undoSelected());
        QCOMPARE(reloads, 2); // the page closes before and opens again after
        QVERIFY(on.prefix().wine(query).exitCode != 0);
        QCOMPARE(view.lstHistory->topLevelItemCount(), 2);
        QCOMPARE(view.lstHistory->topLevelItem(0)->text(1), LoadResString(1020).arg(1));

        QVERIFY(view.undoSelected()); // the undo, undone
        QVERIFY(on.prefix().wine(query).output.find("0x1") != std::string::npos);
        Machine::setCurrent(nullptr);
    }
};

QTEST_MAIN(HistoryViewTest)
#include "HistoryViewTest.moc"
