// The folder icon page and the drive and folder lists, on a throw-away prefix, with Wine's
// GetFileAttributesA and GetPrivateProfileStringA as judges.

#include "pages/icons/frmFldIco.h"
#include "tests/support/PageTestKit.h"
#include "ui/RegQt.h"
#include "ui/controls/DirListBox.h"
#include "ui/controls/DriveListBox.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>

using namespace kestrel;
using namespace kestrel::testing;
namespace fs = std::filesystem;

namespace {

const QString SettingsKey = QStringLiteral("Software\\Pellmark\\Kestrel");

// The page on a prefix with the folders C:\Work and C:\Icons and the icon C:\Icons\a.ico.
struct Fixture {
    MachineOnPrefix& on;
    Dialogs dialogs;
    frmFldIco page;
    std::string icon = iconFile(qRgb(200, 30, 30));

    explicit Fixture(MachineOnPrefix& prefix) : on(prefix) {
        fs::create_directories(host("C:\\Work"));
        fs::create_directories(host("C:\\Icons"));
        writeHost(host("C:\\Icons") + "/a.ico", icon);
        page.resize(700, 600);
        page.Form_Load();
    }
    std::string host(const std::string& dos) { return hostPath(on, dos); }
    template <class T> T* control(const char* name) {
        return page.findChild<T*>(QLatin1String(name));
    }
    DirListBox* dir() { return control<DirListBox>("Dir1"); }
    void selectFolder(const QString& path) {
        QVERIFY(dir()->setPath(path));
        dir()->setCurrentItem(nullptr);
        QVERIFY(dir()->select(path));
    }
    void browse(const QString& file) {
        dialogs.chosenFile = file;
        control<QPushButton>("cmdbrowse")->click();
    }
    void apply() { QMetaObject::invokeMethod(&page, "cdmApply_Click"); }
    QString iniValue(const char* key, const char* file = "C:\\Work\\Desktop.ini") {
        const QStringList lines = probe(on, {"ini", file, ".ShellClassInfo", key, "(none)", "260"});
        if (lines.isEmpty())
            return QStringLiteral("(probe failed)");
        const QString line = lines.last();
        const int open = line.indexOf(QLatin1Char('['));
        return line.mid(open + 1, line.size() - open - 2);
    }
    QString counter() {
        QString text;
        Reg::GetString(HKEY_LOCAL_MACHINE, SettingsKey, QStringLiteral("IconCount"), text);
        return text;
    }
};

} // namespace

class FolderIconTest : public QObject {
    Q_OBJECT
private slots:
    void IsFullPath_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("full");
        QTest::newRow("drive and root") << "C:\\Icons\\a.ico" << true;
        QTest::newRow("drive-relative") << "C:a.ico" << true;
        QTest::newRow("network") << "\\\\server\\share\\a.ico" << false;
        QTest::newRow("relative") << "Icons\\a.ico" << false;
        QTest::newRow("environment") << "%SystemRoot%\\a.ico" << false;
        QTest::newRow("one character") << "C" << false;
    }
    void IsFullPath() {
        QFETCH(QString, path);
        QFETCH(bool, full);
        QCOMPARE(frmFldIco::IsFullPath(path), full);
    }

    void driveAndFolderLists() {
        KESTREL_QT_MACHINE(on);
        fs::create_directories(hostPath(on, "C:\\Work") + "/beta");
        fs::create_directories(hostPath(on, "C:\\Work") + "/Alpha");
        DriveListBox drives;
        QCOMPARE(drives.Drive(), QStringLiteral("c:"));
        QVERIFY(drives.findText(QStringLiteral("z:")) >= 0);
        QVERIFY(!drives.setDrive(QStringLiteral("q:")));

        DirListBox folders;
        QVERIFY(folders.setPath(QStringLiteral("c:\\WORK")));
        QCOMPARE(folders.Path(), QStringLiteral("C:\\Work"));
        QCOMPARE(folders.selectedPath(), QStringLiteral("C:\\Work"));
        // Root, the open folder, then its subfolders sorted without regard to case.
        QTreeWidgetItem* root = folders.topLevelItem(0);
        QCOMPARE(root->text(0), QStringLiteral("c:\\"));
        QCOMPARE(root->childCount(), 1);
        QTreeWidgetItem* work = root->child(0);
        QCOMPARE(work->text(0), QStringLiteral("Work"));
        QCOMPARE(work->childCount(), 2);
        QCOMPARE(work->child(0)->text(0), QStringLiteral("Alpha"));
        QCOMPARE(work->child(1)->text(0), QStringLiteral("beta"));
        QVERIFY(folders.select(QStringLiteral("C:\\Work\\beta")));
        QCOMPARE(folders.selectedPath(), QStringLiteral("C:\\Work\\beta"));
        QVERIFY(!folders.setPath(QStringLiteral("C:\\Missing")));
        QCOMPARE(folders.Path(), QStringLiteral("C:\\Work"));
    }

    void unreadableDriveFallsBackToC() {
        KESTREL_QT_MACHINE(on);
        // A drive letter whose folder is gone cannot be listed.
        fs::create_symlink("/nonexistent-kestrel-drive", on.prefix().file("dosdevices/q:"));
        Dialogs dialogs;
        frmFldIco page;
        page.Form_Load();
        auto* drv = page.findChild<DriveListBox*>(QStringLiteral("Drv"));
        auto* dir = page.findChild<DirListBox*>(QStringLiteral("Dir1"));
        QVERIFY(dir->setPath(QStringLiteral("C:\\windows")));
        drv->Refresh();
        QVERIFY(drv->setDrive(QStringLiteral("q:")));
        QCOMPARE(dir->Path(), QStringLiteral("C:\\"));
        QVERIFY(dialogs.messages.isEmpty());
    }

    void captionsAndStartState() {
        KESTREL_QT_MACHINE(on);
        Fixture f(on);
        QCOMPARE(f.control<QPushButton>("cdmApply")->text(), QStringLiteral("Change Icon"));
        QCOMPARE(f.control<QPushButton>("cmdNoIco")->text(), QStringLiteral("Remove Icon"));
        QCOMPARE(f.control<QCheckBox>("chk")->text(), QStringLiteral("Copy icon to folder"));
        QVERIFY(!f.control<QPushButton>("cdmApply")->isEnabled());
        QCOMPARE(f.page.shownIcon(), QStringLiteral("FOLDER"));

        f.browse(QStringLiteral("C:\\Icons\\a.ico"));
        QCOMPARE(f.dialogs.captions, QStringList{QStringLiteral("Select Icon File...")});
        QCOMPARE(f.dialogs.filters, QStringList{QStringLiteral("Icon Files(*.ico)|*.ico")});
        // The root is selected: no icon for it.
        QVERIFY(!f.control<QPushButton>("cdmApply")->isEnabled());
        f.selectFolder(QStringLiteral("C:\\Work"));
        QVERIFY(f.control<QPushButton>("cdmApply")->isEnabled());
        // A cancelled dialog empties the field and disables the button.
        f.browse(QString());
        QVERIFY(f.control<QLineEdit>("txtIco")->text().isEmpty());
        QVERIFY(!f.control<QPushButton>("cdmApply")->isEnabled());
    }

    void noAndTheRootChangeNothing() {
        KESTREL_QT_MACHINE(on);
        Fixture f(on);
        f.selectFolder(QStringLiteral("C:\\Work"));
        f.browse(QStringLiteral("C:\\Icons\\a.ico"));
        f.dialogs.answer = false;
        f.control<QPushButton>("cdmApply")->click();
        QCOMPARE(f.dialogs.questions,
                 QStringList{QStringLiteral("Change icon for folder C:\\Work ?")});
        QCOMPARE(f.dialogs.titles, QStringList{QStringLiteral("Saving...")});
        QVERIFY(!fs::exists(f.host("C:\\Work") + "/Desktop.ini"));
        QCOMPARE(wineAttributes(on, "C:\\Work") & 0x27u, 0u);

        // The root is refused even after Yes.
        f.dialogs.answer = true;
        f.selectFolder(QStringLiteral("C:\\"));
        QVERIFY(!f.control<QPushButton>("cdmApply")->isEnabled());
        const std::uint32_t before = wineAttributes(on, "C:\\");
        f.apply();
        QCOMPARE(f.dialogs.questions.last(), QStringLiteral("Change icon for folder C:\\ ?"));
        QVERIFY(!fs::exists(f.host("C:\\") + "/Desktop.ini"));
        QVERIFY(!fs::exists(f.host("C:\\") + "/desktop.ini"));
        QCOMPARE(wineAttributes(on, "C:\\"), before);
    }

    void copiesAreCountedAndWrapAfter256() {
        KESTREL_QT_MACHINE(on);
        Fixture f(on);
        // An older copy of the same name is overwritten.
        writeHost(f.host("C:\\Work") + "/KestrelFld0.ico", "an older copy");
        f.selectFolder(QStringLiteral("C:\\Work"));
        f.browse(QStringLiteral("C:\\Icons\\a.ico"));
        f.control<QCheckBox>("chk")->setChecked(true);

        f.apply();
        QCOMPARE(readHostFile(f.host("C:\\Work\\KestrelFld0.ico")), f.icon);
        QCOMPARE(f.counter(), QStringLiteral("0"));
        QCOMPARE(f.iniValue("IconFile"), QStringLiteral("KestrelFld0.ico"));
        f.apply();
        QVERIFY(fs::exists(f.host("C:\\Work\\KestrelFld1.ico")));
        QCOMPARE(f.counter(), QStringLiteral("1"));
        QCOMPARE(f.iniValue("IconFile"), QStringLiteral("KestrelFld1.ico"));

        QVERIFY(Reg::SaveDWord(HKEY_LOCAL_MACHINE, SettingsKey, QStringLiteral("IconCount"), 255));
        f.apply();
        QVERIFY(fs::exists(f.host("C:\\Work\\KestrelFld256.ico")));
        // 256 is stored whole but reads as its lowest byte, 0: the next copy is number 1.
        QCOMPARE(f.counter(), QStringLiteral("0"));
        fs::remove(f.host("C:\\Work\\KestrelFld1.ico"));
        f.apply();
        QVERIFY(fs::exists(f.host("C:\\Work\\KestrelFld1.ico")));
        QCOMPARE(f.counter(), QStringLiteral("1"));

        // The copy is hidden + system for Wine too, the folder system only.
        QCOMPARE(wineAttributes(on, "C:\\Work\\KestrelFld1.ico") & 0x7u, 0x6u);
        QCOMPARE(wineAttributes(on, "C:\\Work") & 0x27u, 0x4u);
    }

    void ownFileWithoutCopy() {
        KESTREL_QT_MACHINE(on);
        Fixture f(on);
        // Other sections and keys of a desktop.ini survive; the old icon is replaced.
        writeHost(f.host("C:\\Work") + "/Desktop.ini",
                  "[Other]\r\nA=1\r\n[.ShellClassInfo]\r\nInfoTip=my work\r\nIconFile=old.ico\r\n"
                  "[ViewState]\r\nMode=4\r\n");
        f.selectFolder(QStringLiteral("C:\\Work"));
        f.browse(QStringLiteral("C:\\Icons\\a.ico"));
        f.apply();
        QCOMPARE(f.iniValue("IconFile"), QStringLiteral("C:\\Icons\\a.ico"));
        QCOMPARE(f.iniValue("IconIndex"), QStringLiteral("0"));
        QCOMPARE(f.iniValue("OriginalIcon"), QStringLiteral("%"));
        QCOMPARE(f.iniValue("ConfirmFileOp"), QStringLiteral("0"));
        QCOMPARE(wineAttributes(on, "C:\\Icons\\a.ico") & 0x7u, 0x6u);
        QCOMPARE(wineAttributes(on, "C:\\Work") & 0x27u, 0x4u);
        QVERIFY(!f.counter().size());
        // The keys stand in the order they were written.
        const std::string ini = readHostFile(f.host("C:\\Work\\Desktop.ini"));
        const auto at = [&](const char* key) { return ini.find(key); };
        QVERIFY(at("[.ShellClassInfo]") < at("IconFile="));
        QVERIFY(at("IconFile=") < at("IconIndex="));
        QVERIFY(at("IconIndex=") < at("OriginalIcon="));
        QVERIFY(at("OriginalIcon=") < at("ConfirmFileOp="));
        QVERIFY(at("ConfirmFileOp=") != std::string::npos);
        QCOMPARE(ini.find("IconFile="), ini.rfind("IconFile="));
        QCOMPARE(f.iniValue("InfoTip"), QStringLiteral("my work"));
        QCOMPARE(
            probe(on, {"ini", "C:\\Work\\Desktop.ini", "Other", "A", "(none)", "260"}).value(0),
            QStringLiteral("1 [1]"));
        QCOMPARE(probe(on, {"ini", "C:\\Work\\Desktop.ini", "ViewState", "Mode", "(none)", "260"})
                     .value(0),
                 QStringLiteral("1 [4]"));
    }

    void readOnlyFolderBecomesSystemOnlyAndRemovalClears() {
        KESTREL_QT_MACHINE(on);
        Fixture f(on);
        QVERIFY(on.machine().setFileAttributes("C:\\Work",
                                               FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
        f.selectFolder(QStringLiteral("C:\\Work"));
        QVERIFY(!f.control<QPushButton>("cmdNoIco")->isEnabled());
        f.browse(QStringLiteral("C:\\Icons\\a.ico"));
        f.apply();
        QCOMPARE(wineAttributes(on, "C:\\Work") & 0x27u, 0x4u);

        f.selectFolder(QStringLiteral("C:\\Work"));
        QVERIFY(f.control<QPushButton>("cmdNoIco")->isEnabled());
        QCOMPARE(f.page.shownIcon(), QStringLiteral("C:\\Icons\\a.ico"));
        f.dialogs.questions.clear();
        f.control<QPushButton>("cmdNoIco")->click();
        QCOMPARE(f.dialogs.questions, QStringList{QStringLiteral("Save Changes ?")});
        QCOMPARE(wineAttributes(on, "C:\\Work") & 0x27u, 0u);
        QVERIFY(!f.control<QPushButton>("cmdNoIco")->isEnabled());
        // The desktop.ini stays.
        QCOMPARE(f.iniValue("IconFile"), QStringLiteral("C:\\Icons\\a.ico"));
    }

    void iconFileLookups() {
        KESTREL_QT_MACHINE(on);
        Fixture f(on);
        const std::string green = iconFile(qRgb(20, 160, 20));
        const auto customise = [&](const std::string& folder, const std::string& file) {
            const std::string dos = "C:\\" + folder;
            fs::create_directories(f.host("C:\\") + "/" + folder);
            QVERIFY(on.machine().writePrivateProfileString(".ShellClassInfo", "IconFile", file,
                                                           dos + "\\Desktop.ini"));
            QVERIFY(on.machine().setFileAttributes(dos, FILE_ATTRIBUTE_SYSTEM));
        };
        const auto shownFor = [&](const char* folder) {
            f.selectFolder(QStringLiteral("C:\\") + QLatin1String(folder));
            return f.page.shownIcon();
        };

        customise("Rel", "icons\\f.ico");
        fs::create_directories(f.host("C:\\Rel") + "/icons");
        writeHost(f.host("C:\\Rel\\icons") + "/f.ico", green);
        QCOMPARE(shownFor("Rel"), QStringLiteral("C:\\Rel\\icons\\f.ico"));

        customise("Full", "C:\\Icons\\a.ico");
        QCOMPARE(shownFor("Full"), QStringLiteral("C:\\Icons\\a.ico"));

        // Two leading backslashes are not a full path: the name is looked up under the folder.
        customise("Net", "\\\\server\\share\\n.ico");
        fs::create_directories(f.host("C:\\Net") + "/server/share");
        writeHost(f.host("C:\\Net") + "/server/share/n.ico", green);
        QCOMPARE(shownFor("Net"), QStringLiteral("C:\\Net\\\\\\server\\share\\n.ico"));

        customise("Zero", "0");
        QCOMPARE(shownFor("Zero"), QStringLiteral("FOLDER"));

        // A missing file leaves the picture as it was.
        QCOMPARE(shownFor("Full"), QStringLiteral("C:\\Icons\\a.ico"));
        customise("Missing", "C:\\Icons\\gone.ico");
        QCOMPARE(shownFor("Missing"), QStringLiteral("C:\\Icons\\a.ico"));
        customise("MissingRel", "gone.ico");
        QCOMPARE(shownFor("MissingRel"), QStringLiteral("C:\\Icons\\a.ico"));

        // 127 characters are read as 126: the file with the shorter name is the one shown.
        const std::string longName = std::string(123, 'n') + ".ico"; // 127 characters
        customise("Long", longName);
        writeHost(f.host("C:\\Long") + "/" + longName.substr(0, 126), green);
        writeHost(f.host("C:\\Long") + "/" + longName, green);
        QCOMPARE(shownFor("Long"),
                 QStringLiteral("C:\\Long\\") + QString::fromStdString(longName.substr(0, 126)));
        QCOMPARE(f.iniValue("IconFile", "C:\\Long\\Desktop.ini").size(), 127);
        const QStringList wine127 =
            probe(on, {"ini", "C:\\Long\\Desktop.ini", ".ShellClassInfo", "IconFile", "0", "127"});
        QVERIFY(!wine127.isEmpty());
        QVERIFY2(wine127.last().startsWith(QStringLiteral("126 [")), qPrintable(wine127.last()));

        // Not a picture, or on a drive that is not there: the stock icon, and the page lives on.
        customise("NotIcon", "junk.ico");
        writeHost(f.host("C:\\NotIcon") + "/junk.ico", "MZ this is no picture");
        QCOMPARE(shownFor("NotIcon"), QStringLiteral("FOLDER"));
        QCOMPARE(shownFor("Full"), QStringLiteral("C:\\Icons\\a.ico"));
        customise("NoDrive", "Q:\\icons\\q.ico");
        QCOMPARE(shownFor("NoDrive"), QStringLiteral("FOLDER"));

        // A customised folder without a desktop.ini shows the stock icon.
        fs::create_directories(f.host("C:\\") + "/Bare");
        QVERIFY(on.machine().setFileAttributes("C:\\Bare", FILE_ATTRIBUTE_SYSTEM));
        QCOMPARE(shownFor("Full"), QStringLiteral("C:\\Icons\\a.ico"));
        QCOMPARE(shownFor("Bare"), QStringLiteral("FOLDER"));
    }
};

QTEST_MAIN(FolderIconTest)
#include "FolderIconTest.moc"
