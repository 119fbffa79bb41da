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
    QPushButton* button(const char* name) { return control<QPushButton>(name); }
    DirListBox* dir() { return control<DirListBox>("Dir1"); }
    void selectFolder(const QString& path) {
        QVERIFY(dir()->setPath(path));
        dir()->setCurrentItem(nullptr);
        QVERIFY(dir()->select(path));
    }
    void browse(const QString& file) {
        dialogs.chosenFile = file;
        button("cmdbrowse")->click();
    }
    void apply() { QMetaObject::invokeMethod(&page, "cdmApply_Click"); }
    // Wine's GetPrivateProfileStringA of "SECTION KEY" pairs of a file (260 characters, default
    // "(none)"), the values joined by '|'.
    QString ini(const std::vector<std::string>& keys, const char* file = "C:\\Work\\Desktop.ini") {
        std::vector<std::string> args{"ini", file};
        for (const std::string& key : keys)
            for (const std::string& part :
                 {key.substr(0, key.find(' ')), key.substr(key.find(' ') + 1),
                  std::string("(none)"), std::string("260")})
                args.push_back(part);
        QStringList values;
        for (const QString& line : probe(on, args))
            values << line.mid(line.indexOf('[') + 1).chopped(1);
        return values.join('|');
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
    void IsFullPath() {
        const std::pair<const char*, bool> paths[] = {
            {"C:\\Icons\\a.ico", true}, {"C:a.ico", true}, {"\\\\server\\share\\a.ico", false},
            {"Icons\\a.ico", false},    {"C", false},      {"%SystemRoot%\\a.ico", false}};
        for (const auto& [path, full] : paths)
            QVERIFY2(frmFldIco::IsFullPath(path) == full, path);
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

        // On the page, a drive letter whose folder is gone cannot be listed: C:\ is shown.
        fs::create_symlink("/nonexistent-kestrel-drive", on.prefix().file("dosdevices/q:"));
        Fixture f(on);
        QVERIFY(f.dir()->setPath(QStringLiteral("C:\\windows")));
        f.control<DriveListBox>("Drv")->Refresh();
        QVERIFY(f.control<DriveListBox>("Drv")->setDrive(QStringLiteral("q:")));
        QCOMPARE(f.dir()->Path(), QStringLiteral("C:\\"));
        QVERIFY(f.dialogs.messages.isEmpty());
    }

    // The buttons follow the folder and the file; No, and the root even after Yes, change
    // nothing; Yes writes the desktop.ini and the attributes; removing clears the attributes.
    void changeAndRemoveAFolderIcon() {
        KESTREL_QT_MACHINE(on);
        Fixture f(on);
        QCOMPARE(f.button("cdmApply")->text(), QStringLiteral("Change Icon"));
        QCOMPARE(f.button("cmdNoIco")->text(), QStringLiteral("Remove Icon"));
        QCOMPARE(f.control<QCheckBox>("chk")->text(), QStringLiteral("Copy icon to folder"));
        QVERIFY(!f.button("cdmApply")->isEnabled());
        QCOMPARE(f.page.shownIcon(), QStringLiteral("FOLDER"));
        f.browse(QStringLiteral("C:\\Icons\\a.ico"));
        QCOMPARE(f.dialogs.captions, QStringList{QStringLiteral("Select Icon File...")});
        QCOMPARE(f.dialogs.filters, QStringList{QStringLiteral("Icon Files(*.ico)|*.ico")});
        // The root is selected: no icon for it.
        QVERIFY(!f.button("cdmApply")->isEnabled());
        f.selectFolder(QStringLiteral("C:\\Work"));
        QVERIFY(f.button("cdmApply")->isEnabled());
        // A cancelled dialog empties the field and disables the button.
        f.browse(QString());
        QVERIFY(f.control<QLineEdit>("txtIco")->text().isEmpty());
        QVERIFY(!f.button("cdmApply")->isEnabled());

        // A read-only hidden folder with a desktop.ini of its own.
        writeHost(f.host("C:\\Work") + "/Desktop.ini",
                  "[Other]\r\nA=1\r\n[.ShellClassInfo]\r\nInfoTip=my work\r\nIconFile=old.ico\r\n"
                  "[ViewState]\r\nMode=4\r\n");
        const std::string before = readHostFile(f.host("C:\\Work\\Desktop.ini"));
        QVERIFY(on.machine().setFileAttributes("C:\\Work",
                                               FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
        f.selectFolder(QStringLiteral("C:\\Work"));
        QVERIFY(!f.button("cmdNoIco")->isEnabled());
        f.browse(QStringLiteral("C:\\Icons\\a.ico"));
        f.dialogs.answer = false;
        f.button("cdmApply")->click();
        QCOMPARE(f.dialogs.questions,
                 QStringList{QStringLiteral("Change icon for folder C:\\Work ?")});
        QCOMPARE(f.dialogs.titles, QStringList{QStringLiteral("Saving...")});
        QCOMPARE(readHostFile(f.host("C:\\Work\\Desktop.ini")), before);
        QCOMPARE(wineAttributes(on, "C:\\Work") & 0x24u, 0u); // not made system

        f.dialogs.answer = true;
        f.selectFolder(QStringLiteral("C:\\"));
        QVERIFY(!f.button("cdmApply")->isEnabled());
        const std::uint32_t root = wineAttributes(on, "C:\\");
        f.apply();
        QCOMPARE(f.dialogs.questions.last(), QStringLiteral("Change icon for folder C:\\ ?"));
        QVERIFY(!fs::exists(f.host("C:\\") + "/Desktop.ini"));
        QVERIFY(!fs::exists(f.host("C:\\") + "/desktop.ini"));
        QCOMPARE(wineAttributes(on, "C:\\"), root);

        // The old icon is replaced; other sections and keys survive; the folder becomes system
        // only and the icon file hidden + system, for Wine too. No copy: no counter.
        f.selectFolder(QStringLiteral("C:\\Work"));
        f.apply();
        QCOMPARE(f.ini({".ShellClassInfo IconFile", ".ShellClassInfo IconIndex",
                        ".ShellClassInfo OriginalIcon", ".ShellClassInfo ConfirmFileOp",
                        ".ShellClassInfo InfoTip", "Other A", "ViewState Mode"}),
                 QStringLiteral("C:\\Icons\\a.ico|0|%|0|my work|1|4"));
        QCOMPARE(wineAttributes(on, "C:\\Icons\\a.ico") & 0x7u, 0x6u);
        QCOMPARE(wineAttributes(on, "C:\\Work") & 0x27u, 0x4u);
        QVERIFY(f.counter().isEmpty());
        // The keys stand once each, in the order they were written.
        const std::string ini = readHostFile(f.host("C:\\Work\\Desktop.ini"));
        std::size_t at = ini.find("[.ShellClassInfo]");
        for (const char* key : {"IconFile=", "IconIndex=", "OriginalIcon=", "ConfirmFileOp="}) {
            QVERIFY2(ini.find(key) != std::string::npos && ini.find(key) > at, key);
            at = ini.find(key);
        }
        QCOMPARE(ini.find("IconFile="), ini.rfind("IconFile="));

        f.selectFolder(QStringLiteral("C:\\Work"));
        QVERIFY(f.button("cmdNoIco")->isEnabled());
        QCOMPARE(f.page.shownIcon(), QStringLiteral("C:\\Icons\\a.ico"));
        f.dialogs.questions.clear();
        f.button("cmdNoIco")->click();
        QCOMPARE(f.dialogs.questions, QStringList{QStringLiteral("Save Changes ?")});
        QCOMPARE(wineAttributes(on, "C:\\Work") & 0x27u, 0u);
        QVERIFY(!f.button("cmdNoIco")->isEnabled());
        // The desktop.ini stays.
        QCOMPARE(f.ini({".ShellClassInfo IconFile"}), QStringLiteral("C:\\Icons\\a.ico"));
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
        QCOMPARE(f.ini({".ShellClassInfo IconFile"}), QStringLiteral("KestrelFld0.ico"));
        f.apply();
        QVERIFY(fs::exists(f.host("C:\\Work\\KestrelFld1.ico")));
        QCOMPARE(f.counter(), QStringLiteral("1"));
        QCOMPARE(f.ini({".ShellClassInfo IconFile"}), QStringLiteral("KestrelFld1.ico"));

        QVERIFY(Reg::SaveDWord(HKEY_LOCAL_MACHINE, SettingsKey, QStringLiteral("IconCount"), 255));
        f.apply();
        QVERIFY(fs::exists(f.host("C:\\Work\\KestrelFld256.ico")));
        // 256 is stored whole but reads as its lowest byte, 0: the next copy is number 1.
        QCOMPARE(f.counter(), QStringLiteral("0"));
        fs::remove(f.host("C:\\Work\\KestrelFld1.ico"));
        f.apply();
        QVERIFY(fs::exists(f.host("C:\\Work\\KestrelFld1.ico")));
        QCOMPARE(f.counter(), QStringLiteral("1"));
        // The copy is hidden + system for Wine too.
        QCOMPARE(wineAttributes(on, "C:\\Work\\KestrelFld1.ico") & 0x7u, 0x6u);
    }

    // Which picture a customised (system) folder shows, by its desktop.ini's IconFile.
    void iconFileLookups() {
        KESTREL_QT_MACHINE(on);
        Fixture f(on);
        const struct {
            const char* folder;
            const char* iconFile; // nothing: the folder has no desktop.ini
            const char* made;     // a file made below the folder
            const char* shown;
        } cases[] = {
            {"Rel", "icons\\f.ico", "icons/f.ico", "C:\\Rel\\icons\\f.ico"},
            {"Full", "C:\\Icons\\a.ico", nullptr, "C:\\Icons\\a.ico"},
            // Two leading backslashes are not a full path: the name is looked up in the folder.
            {"Net", "\\\\server\\share\\n.ico", "server/share/n.ico",
             "C:\\Net\\\\\\server\\share\\n.ico"},
            {"Zero", "0", nullptr, "FOLDER"},
            // A missing file leaves the picture as it was.
            {"Full", "C:\\Icons\\a.ico", nullptr, "C:\\Icons\\a.ico"},
            {"Missing", "C:\\Icons\\gone.ico", nullptr, "C:\\Icons\\a.ico"},
            {"MissingRel", "gone.ico", nullptr, "C:\\Icons\\a.ico"},
            // Not a picture, on a drive that is not there, or no desktop.ini: the stock icon.
            {"NotIcon", "junk.ico", "junk.ico", "FOLDER"},
            {"Full", "C:\\Icons\\a.ico", nullptr, "C:\\Icons\\a.ico"},
            {"NoDrive", "Q:\\icons\\q.ico", nullptr, "FOLDER"},
            {"Full", "C:\\Icons\\a.ico", nullptr, "C:\\Icons\\a.ico"},
            {"Bare", nullptr, nullptr, "FOLDER"},
        };
        const std::string green = iconFile(qRgb(20, 160, 20));
        for (const auto& c : cases) {
            const std::string dos = std::string("C:\\") + c.folder;
            fs::create_directories(f.host(dos));
            if (c.iconFile)
                QVERIFY(on.machine().writePrivateProfileString(".ShellClassInfo", "IconFile",
                                                               c.iconFile, dos + "\\Desktop.ini"));
            QVERIFY(on.machine().setFileAttributes(dos, FILE_ATTRIBUTE_SYSTEM));
            if (c.made) {
                const fs::path made = f.host(dos) + "/" + c.made;
                fs::create_directories(made.parent_path());
                writeHost(made, c.made == std::string("junk.ico") ? "MZ no picture" : green);
            }
            f.selectFolder(QString::fromStdString(dos));
            QVERIFY2(f.page.shownIcon() == QLatin1String(c.shown), c.folder);
        }

        // 127 characters are read as 126: the file with the shorter name is the one shown.
        const std::string longName = std::string(123, 'n') + ".ico"; // 127 characters
        fs::create_directories(f.host("C:\\Long"));
        QVERIFY(on.machine().writePrivateProfileString(".ShellClassInfo", "IconFile", longName,
                                                       "C:\\Long\\Desktop.ini"));
        QVERIFY(on.machine().setFileAttributes("C:\\Long", FILE_ATTRIBUTE_SYSTEM));
        writeHost(f.host("C:\\Long") + "/" + longName.substr(0, 126), green);
        writeHost(f.host("C:\\Long") + "/" + longName, green);
        f.selectFolder(QStringLiteral("C:\\Long"));
        QCOMPARE(f.page.shownIcon(),
                 QStringLiteral("C:\\Long\\") + QString::fromStdString(longName.substr(0, 126)));
        QCOMPARE(f.ini({".ShellClassInfo IconFile"}, "C:\\Long\\Desktop.ini").size(), 127);
        const QStringList wine127 =
            probe(on, {"ini", "C:\\Long\\Desktop.ini", ".ShellClassInfo", "IconFile", "0", "127"});
        QVERIFY(!wine127.isEmpty());
        QVERIFY2(wine127.last().startsWith(QStringLiteral("126 [")), qPrintable(wine127.last()));
    }
};

QTEST_MAIN(FolderIconTest)
#include "FolderIconTest.moc"
