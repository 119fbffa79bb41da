// Icons read out of Windows files, the drive and folder lists, and the folder, drive, file type
// and system icon pages, on throw-away prefixes. Wine is the judge: its ExtractIconExA + DrawIcon,
// GetFileAttributesA and GetPrivateProfileStringA (the win32probe program) and "wine reg query".

#include "pages/icons/frmDrvIco.h"
#include "pages/icons/frmFIcon.h"
#include "pages/icons/frmFldIco.h"
#include "pages/icons/frmShell32.h"
#include "tests/support/PageTestKit.h"
#include "ui/FileIcon.h"
#include "ui/controls/DirListBox.h"
#include "ui/controls/DriveListBox.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <filesystem>

using namespace kestrel;
using namespace kestrel::testing;
namespace fs = std::filesystem;

namespace {

const QString Shell32 = "C:\\windows\\system32\\shell32.dll";
const QString SettingsKey = "Software\\Pellmark\\Kestrel";
const QRgb Background = qRgb(0x40, 0x80, 0xc0);
const QRgb Red = qRgb(200, 30, 30);

// A page loaded on a prefix that holds the folders C:\Work and C:\Icons and a red icon
// C:\Icons\a.ico, its dialogs answered.
template <class P> struct Loaded {
    MachineOnPrefix& on;
    Dialogs dialogs;
    P page;
    std::string icon = iconFile(Red);

    explicit Loaded(MachineOnPrefix& prefix) : on(prefix) {
        fs::create_directories(host("C:\\Work"));
        fs::create_directories(host("C:\\Icons"));
        writeHost(host("C:\\Icons") + "/a.ico", icon);
        page.resize(700, 600);
        page.Form_Load();
    }
    std::string host(const std::string& dos) { return hostPath(on, dos); }
    template <class T = QPushButton> T* get(const char* name) {
        return page.template findChild<T*>(QLatin1String(name));
    }
    void browse(const QString& file) {
        dialogs.chosenFile = file;
        get("cmdbrowse")->click();
    }
    // A field's text and whether a button is enabled, as "TEXT on" or "TEXT off".
    QString state(const char* field, const char* button) {
        return get<QLineEdit>(field)->text() + (get(button)->isEnabled() ? " on" : " off");
    }
    // The folder page: highlights a folder of the list.
    void selectFolder(const QString& path) {
        auto* dir = get<DirListBox>("Dir1");
        QVERIFY(dir->setPath(path));
        dir->setCurrentItem(nullptr);
        QVERIFY(dir->select(path));
    }
    // Wine's GetPrivateProfileStringA of "SECTION KEY" pairs of a file (260 characters, default
    // "(none)"), the values joined by '|'.
    QString ini(const std::vector<std::string>& keys, const char* file = "C:\\Work\\Desktop.ini") {
        std::vector<std::string> args{"ini", file};
        for (const std::string& key : keys)
            args.insert(args.end(), {key.substr(0, key.find(' ')), key.substr(key.find(' ') + 1),
                                     "(none)", "260"});
        QStringList values;
        for (const QString& line : probe(on, args))
            values << line.mid(line.indexOf('[') + 1).chopped(1);
        return values.join('|');
    }
};
using FolderPage = Loaded<frmFldIco>;

void apply(FolderPage& f) {
    QMetaObject::invokeMethod(&f.page, "cdmApply_Click");
}
QString counter() {
    QString text;
    Reg::GetString(HKEY_LOCAL_MACHINE, SettingsKey, "IconCount", text);
    return text;
}

// What Kestrel draws for icon `index` of a file on a background.
QImage kestrelDraws(const QString& file, int index, QColor background = Background) {
    QPixmap canvas(IconSide, IconSide);
    canvas.fill(background);
    DrawFileIcon(file, index, canvas);
    return canvas.toImage().convertToFormat(QImage::Format_ARGB32);
}

// Wine's icon count of a file, then what its DrawIcon paints for each index, 32 by 32.
std::pair<int, QList<QImage>> wineDraws(MachineOnPrefix& on, const QString& file,
                                        const QList<int>& indexes) {
    std::vector<std::string> args{"icons", file.toStdString(),
                                  QString::number(Background & 0xFFFFFF, 16).toStdString()};
    for (int index : indexes)
        args.push_back(std::to_string(index));
    const QStringList lines = probe(on, args);
    bool ok = lines.size() == indexes.size() + 1;
    const int count = ok ? lines[0].toInt(&ok) : -1;
    QList<QImage> pictures;
    for (qsizetype i = 1; ok && i < lines.size(); ++i) {
        QImage picture(IconSide, IconSide, QImage::Format_ARGB32);
        for (int p = 0; p < IconSide * IconSide; ++p)
            picture.setPixel(p % IconSide, p / IconSide,
                             0xFF000000u | lines[i].mid(p * 6, 6).toUInt(nullptr, 16));
        pictures << picture;
    }
    return {ok ? count : -1, pictures};
}

// The file offset of a PE file's resource section.
std::size_t resourceSection(const std::string& pe) {
    const auto u16 = [&](std::size_t at) {
        return static_cast<std::size_t>(static_cast<unsigned char>(pe[at]) |
                                        static_cast<unsigned char>(pe[at + 1]) << 8);
    };
    const auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
    const std::size_t header = u32(0x3C);
    const std::size_t table = header + 24 + u16(header + 20);
    for (std::size_t i = 0; i < u16(header + 6); ++i)
        if (pe.compare(table + i * 40, 6, ".rsrc") == 0)
            return u32(table + i * 40 + 20);
    return 0;
}

// The entries of a folder list, depth first, each after a dot per level below the root.
QString tree(const QTreeWidgetItem* item, int depth = 0) {
    QString text = QString(depth, '.') + item->text(0);
    for (int i = 0; i < item->childCount(); ++i)
        text += '|' + tree(item->child(i), depth + 1);
    return text;
}

} // namespace

class IconPagesTest : public QObject {
    Q_OBJECT
private slots:
    void iconsLikeWine_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QList<int>>("indexes");
        QTest::newRow("shell32.dll") << Shell32 << QList<int>{0, 3, 8, 31, 183};
        QTest::newRow("icon file") << "C:\\Icons\\a.ico" << QList<int>{0};
    }
    void iconsLikeWine() {
        QFETCH(QString, file);
        QFETCH(QList<int>, indexes);
        KESTREL_QT_MACHINE(on);
        FolderPage f(on);
        const auto [count, pictures] = wineDraws(on, file, indexes);
        QVERIFY(count >= 0);
        QPixmap none;
        QCOMPARE(DrawFileIcon(file, -1, none), count);
        for (qsizetype i = 0; i < indexes.size(); ++i)
            QVERIFY2(kestrelDraws(file, indexes[i]) == pictures[i],
                     qPrintable(QString::number(indexes[i])));
    }

    // A damaged or missing shell32.dll: no icons, nothing drawn, and the system icon page lists
    // none.
    void damagedFilesHoldNoIcons_data() {
        QTest::addColumn<QString>("damage");
        for (const char* damage :
             {"missing", "text", "MZ and nothing else", "headers only", "cut in its resources",
              "PE header past the end", "resource directory garbled"})
            QTest::newRow(damage) << damage;
    }
    void damagedFilesHoldNoIcons() {
        QFETCH(QString, damage);
        KESTREL_QT_MACHINE(on);
        std::string bytes = readHostFile(hostPath(on, Shell32.toStdString()));
        QVERIFY(bytes.size() > 1000000);
        if (damage == "text")
            bytes = "These are not the icons you are looking for.\r\n";
        else if (damage == "MZ and nothing else")
            bytes = "MZ";
        else if (damage == "headers only")
            bytes.resize(4096);
        else if (damage == "cut in its resources")
            bytes.resize(bytes.size() / 2);
        else if (damage == "PE header past the end")
            bytes.replace(0x3C, 4, "\xF0\xFF\xFF\x7F", 4);
        else if (damage == "resource directory garbled")
            bytes.replace(resourceSection(bytes), 64, std::string(64, '\xFF'));
        // The file in the prefix is shared with the base prefix: replace it, never change it.
        fs::remove(hostPath(on, Shell32.toStdString()));
        if (damage != "missing")
            writeHost(hostPath(on, Shell32.toStdString()), bytes);
        QPixmap canvas(IconSide, IconSide);
        QCOMPARE(DrawFileIcon(Shell32, 0, canvas), 0);
        QCOMPARE(kestrelDraws(Shell32, 0).pixel(16, 16), Background);
        std::string ico;
        QVERIFY(!on.machine().extractIcon(Shell32.toStdString(), 0, ico));
        Loaded<frmShell32> p(on);
        QCOMPARE(p.get<QListWidget>("lstSI")->count(), 0);
    }

    void driveAndFolderLists() {
        KESTREL_QT_MACHINE(on);
        fs::create_directories(hostPath(on, "C:\\Work") + "/beta");
        fs::create_directories(hostPath(on, "C:\\Work") + "/Alpha");
        DriveListBox drives;
        QCOMPARE(drives.Drive(), "c:");
        QVERIFY(drives.findText("z:") >= 0);
        QVERIFY(!drives.setDrive("q:"));

        // Names match without regard to case and show as stored: the root, the open folder,
        // then its subfolders sorted without regard to case.
        DirListBox folders;
        QVERIFY(folders.setPath("c:\\WORK"));
        QCOMPARE(folders.Path() + ' ' + folders.selectedPath(), "C:\\Work C:\\Work");
        QCOMPARE(tree(folders.topLevelItem(0)), "c:\\|.Work|..Alpha|..beta");
        QVERIFY(folders.select("C:\\Work\\beta"));
        QCOMPARE(folders.selectedPath(), "C:\\Work\\beta");
        QVERIFY(!folders.setPath("C:\\Missing"));
        QCOMPARE(folders.Path(), "C:\\Work");

        // On the folder page, a drive letter whose folder is gone cannot be listed: C:\ is
        // shown.
        fs::create_symlink("/nonexistent-kestrel-drive", on.prefix().file("dosdevices/q:"));
        FolderPage f(on);
        QVERIFY(f.get<DirListBox>("Dir1")->setPath("C:\\windows"));
        f.get<DriveListBox>("Drv")->Refresh();
        QVERIFY(f.get<DriveListBox>("Drv")->setDrive("q:"));
        QCOMPARE(f.get<DirListBox>("Dir1")->Path(), "C:\\");
        QVERIFY(f.dialogs.messages.isEmpty());
    }

    void IsFullPathAndGetFIP() {
        const std::pair<const char*, bool> paths[] = {
            {"C:\\Icons\\a.ico", true}, {"C:a.ico", true}, {"\\\\server\\share\\a.ico", false},
            {"Icons\\a.ico", false},    {"C", false},      {"%SystemRoot%\\a.ico", false}};
        for (const auto& [path, full] : paths)
            QVERIFY2(frmFldIco::IsFullPath(path) == full, path);
        // The last comma counts.
        const std::pair<const char*, const char*> specs[] = {{"%1", "Error"},
                                                             {"a,b", "Error"},
                                                             {"C:\\a.ico", "C:\\a.ico"},
                                                             {",abcd", ""},
                                                             {"C:\\x.dll,-3", "C:\\x.dll"},
                                                             {"C:\\a,b.ico,2", "C:\\a,b.ico"}};
        for (const auto& [spec, file] : specs)
            QVERIFY2(frmFIcon::GetFIP(spec) == QLatin1String(file), spec);
    }

    // The buttons follow the folder and the file; No, and the root even after Yes, change
    // nothing; Yes writes the desktop.ini and the attributes; removing clears the attributes.
    void changeAndRemoveAFolderIcon() {
        KESTREL_QT_MACHINE(on);
        FolderPage f(on);
        QCOMPARE(f.get("cdmApply")->text() + '|' + f.get("cmdNoIco")->text() + '|' +
                     f.get<QCheckBox>("chk")->text(),
                 "Change Icon|Remove Icon|Copy icon to folder");
        QCOMPARE(f.state("txtIco", "cdmApply"), " off");
        QCOMPARE(f.page.shownIcon(), "FOLDER");
        f.browse("C:\\Icons\\a.ico");
        QCOMPARE(f.dialogs.captions, QStringList{"Select Icon File..."});
        QCOMPARE(f.dialogs.filters, QStringList{"Icon Files(*.ico)|*.ico"});
        // The root is selected: no icon for it.
        QCOMPARE(f.state("txtIco", "cdmApply"), "C:\\Icons\\a.ico off");
        f.selectFolder("C:\\Work");
        QCOMPARE(f.state("txtIco", "cdmApply"), "C:\\Icons\\a.ico on");
        // A cancelled dialog empties the field and disables the button.
        f.browse(QString());
        QCOMPARE(f.state("txtIco", "cdmApply"), " off");

        // A read-only hidden folder with a desktop.ini of its own.
        writeHost(f.host("C:\\Work") + "/Desktop.ini",
                  "[Other]\r\nA=1\r\n[.ShellClassInfo]\r\nInfoTip=my work\r\nIconFile=old.ico\r\n"
                  "[ViewState]\r\nMode=4\r\n");
        const std::string before = readHostFile(f.host("C:\\Work\\Desktop.ini"));
        QVERIFY(on.machine().setFileAttributes("C:\\Work",
                                               FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
        f.selectFolder("C:\\Work");
        QVERIFY(!f.get("cmdNoIco")->isEnabled());
        f.browse("C:\\Icons\\a.ico");
        f.dialogs.answer = false;
        f.get("cdmApply")->click();
        QCOMPARE(f.dialogs.questions, QStringList{"Change icon for folder C:\\Work ?"});
        QCOMPARE(f.dialogs.titles, QStringList{"Saving..."});
        QCOMPARE(readHostFile(f.host("C:\\Work\\Desktop.ini")), before);
        QCOMPARE(wineAttributes(on, "C:\\Work") & 0x24u, 0u); // not made system

        f.dialogs.answer = true;
        f.selectFolder("C:\\");
        QVERIFY(!f.get("cdmApply")->isEnabled());
        const std::uint32_t root = wineAttributes(on, "C:\\");
        apply(f);
        QCOMPARE(f.dialogs.questions.last(), "Change icon for folder C:\\ ?");
        QVERIFY(!fs::exists(f.host("C:\\") + "/Desktop.ini"));
        QVERIFY(!fs::exists(f.host("C:\\") + "/desktop.ini"));
        QCOMPARE(wineAttributes(on, "C:\\"), root);

        // The old icon is replaced; other sections and keys survive; the folder becomes system
        // only and the icon file hidden + system, for Wine too. No copy: no counter.
        f.selectFolder("C:\\Work");
        apply(f);
        QCOMPARE(f.ini({".ShellClassInfo IconFile", ".ShellClassInfo IconIndex",
                        ".ShellClassInfo OriginalIcon", ".ShellClassInfo ConfirmFileOp",
                        ".ShellClassInfo InfoTip", "Other A", "ViewState Mode"}),
                 "C:\\Icons\\a.ico|0|%|0|my work|1|4");
        QCOMPARE(wineAttributes(on, "C:\\Icons\\a.ico") & 0x7u, 0x6u);
        QCOMPARE(wineAttributes(on, "C:\\Work") & 0x27u, 0x4u);
        QVERIFY(counter().isEmpty());
        // The keys stand once each, in the order they were written.
        const std::string ini = readHostFile(f.host("C:\\Work\\Desktop.ini"));
        std::size_t at = ini.find("[.ShellClassInfo]");
        for (const char* key : {"IconFile=", "IconIndex=", "OriginalIcon=", "ConfirmFileOp="}) {
            QVERIFY2(ini.find(key) != std::string::npos && ini.find(key) > at, key);
            at = ini.find(key);
        }
        QCOMPARE(ini.find("IconFile="), ini.rfind("IconFile="));

        f.selectFolder("C:\\Work");
        QVERIFY(f.get("cmdNoIco")->isEnabled());
        QCOMPARE(f.page.shownIcon(), "C:\\Icons\\a.ico");
        f.dialogs.questions.clear();
        f.get("cmdNoIco")->click();
        QCOMPARE(f.dialogs.questions, QStringList{"Save Changes ?"});
        QCOMPARE(wineAttributes(on, "C:\\Work") & 0x27u, 0u);
        QVERIFY(!f.get("cmdNoIco")->isEnabled());
        // The desktop.ini stays.
        QCOMPARE(f.ini({".ShellClassInfo IconFile"}), "C:\\Icons\\a.ico");
    }

    void copiesAreCountedAndWrapAfter256() {
        KESTREL_QT_MACHINE(on);
        FolderPage f(on);
        // An older copy of the same name is overwritten.
        writeHost(f.host("C:\\Work") + "/KestrelFld0.ico", "an older copy");
        f.selectFolder("C:\\Work");
        f.browse("C:\\Icons\\a.ico");
        f.get<QCheckBox>("chk")->setChecked(true);
        apply(f);
        QCOMPARE(readHostFile(f.host("C:\\Work\\KestrelFld0.ico")), f.icon);
        QCOMPARE(counter(), "0");
        QCOMPARE(f.ini({".ShellClassInfo IconFile"}), "KestrelFld0.ico");
        apply(f);
        QVERIFY(fs::exists(f.host("C:\\Work\\KestrelFld1.ico")));
        QCOMPARE(counter(), "1");
        QCOMPARE(f.ini({".ShellClassInfo IconFile"}), "KestrelFld1.ico");

        QVERIFY(Reg::SaveDWord(HKEY_LOCAL_MACHINE, SettingsKey, "IconCount", 255));
        apply(f);
        QVERIFY(fs::exists(f.host("C:\\Work\\KestrelFld256.ico")));
        // 256 is stored whole but reads as its lowest byte, 0: the next copy is number 1.
        QCOMPARE(counter(), "0");
        fs::remove(f.host("C:\\Work\\KestrelFld1.ico"));
        apply(f);
        QVERIFY(fs::exists(f.host("C:\\Work\\KestrelFld1.ico")));
        QCOMPARE(counter(), "1");
        // The copy is hidden + system for Wine too.
        QCOMPARE(wineAttributes(on, "C:\\Work\\KestrelFld1.ico") & 0x7u, 0x6u);
    }

    // Which picture a customised (system) folder shows, by its desktop.ini's IconFile.
    void iconFileLookups() {
        KESTREL_QT_MACHINE(on);
        FolderPage f(on);
        const std::string longName = std::string(123, 'n') + ".ico"; // 127 characters
        const struct {
            std::string folder;
            const char* iconFile; // nothing: the folder has no desktop.ini
            std::string made;     // a file made below the folder
            QString shown;
        } cases[] = {
            {"Rel", "icons\\f.ico", "icons/f.ico", "C:\\Rel\\icons\\f.ico"},
            {"Full", "C:\\Icons\\a.ico", "", "C:\\Icons\\a.ico"},
            // Two leading backslashes are not a full path: the name is looked up in the folder.
            {"Net", "\\\\server\\share\\n.ico", "server/share/n.ico",
             "C:\\Net\\\\\\server\\share\\n.ico"},
            {"Zero", "0", "", "FOLDER"},
            // A missing file leaves the picture as it was.
            {"Full", "C:\\Icons\\a.ico", "", "C:\\Icons\\a.ico"},
            {"Missing", "C:\\Icons\\gone.ico", "", "C:\\Icons\\a.ico"},
            {"MissingRel", "gone.ico", "", "C:\\Icons\\a.ico"},
            // Not a picture, on a drive that is not there, or no desktop.ini: the stock icon.
            {"NotIcon", "junk.ico", "junk.ico", "FOLDER"},
            {"Full", "C:\\Icons\\a.ico", "", "C:\\Icons\\a.ico"},
            {"NoDrive", "Q:\\icons\\q.ico", "", "FOLDER"},
            {"Full", "C:\\Icons\\a.ico", "", "C:\\Icons\\a.ico"},
            {"Bare", nullptr, "", "FOLDER"},
            // 127 characters are read as 126: the file with the shorter name is the one shown.
            {"Long", longName.c_str(), longName, ""},
            {"Long", longName.c_str(), longName.substr(0, 126),
             QString::fromStdString("C:\\Long\\" + longName.substr(0, 126))},
        };
        for (const auto& c : cases) {
            const std::string dos = "C:\\" + c.folder;
            fs::create_directories(f.host(dos));
            if (c.iconFile)
                QVERIFY(on.machine().writePrivateProfileString(".ShellClassInfo", "IconFile",
                                                               c.iconFile, dos + "\\Desktop.ini"));
            QVERIFY(on.machine().setFileAttributes(dos, FILE_ATTRIBUTE_SYSTEM));
            if (!c.made.empty()) {
                const fs::path made = f.host(dos) + "/" + c.made;
                fs::create_directories(made.parent_path());
                writeHost(made, c.made == "junk.ico" ? "MZ no picture" : f.icon);
            }
            f.selectFolder(QString::fromStdString(dos));
            QVERIFY2(c.shown.isEmpty() || f.page.shownIcon() == c.shown, c.folder.c_str());
        }
        // Wine reads the whole name with room for it, and 126 characters with room for 127.
        QCOMPARE(f.ini({".ShellClassInfo IconFile"}, "C:\\Long\\Desktop.ini").size(), 127);
        const QStringList wine127 =
            probe(on, {"ini", "C:\\Long\\Desktop.ini", ".ShellClassInfo", "IconFile", "0", "127"});
        QVERIFY2(wine127.value(0).startsWith("126 ["), qPrintable(wine127.value(0)));
    }

    void driveIconWrittenForItsLetter() {
        KESTREL_QT_MACHINE(on);
        Loaded<frmDrvIco> p(on);
        auto* drv = p.get<DriveListBox>("Drv");
        QCOMPARE(drv->Drive(), "c:");
        QCOMPARE(p.state("txtIcoP", "cmdAP"), "None off");

        p.browse("C:\\Icons\\disk.ico");
        QCOMPARE(p.dialogs.captions, QStringList{"Change icon file:"});
        QCOMPARE(p.dialogs.filters, QStringList{"Icon Files (*.ico)|*.ico"});
        QCOMPARE(p.state("txtIcoP", "cmdAP"), "C:\\Icons\\disk.ico on");
        p.get("cmdAP")->click();
        QCOMPARE(p.dialogs.questions, QStringList{"Save Changes ?"});
        const QString root =
            "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\explorer\\DriveIcons\\";
        QCOMPARE(wineQuery(on, root + "C\\DefaultIcon"), "C:\\Icons\\disk.ico");
        QVERIFY(!wineKeyExists(on, root + "Z"));

        // Another drive has no icon; coming back shows the one written.
        QVERIFY(drv->setDrive("z:"));
        QCOMPARE(p.state("txtIcoP", "cmdAP"), "None off");
        QVERIFY(drv->setDrive("c:"));
        QCOMPARE(p.state("txtIcoP", "cmdAP"), "C:\\Icons\\disk.ico on");
        // A cancelled dialog shows "None" although the value stays.
        p.browse(QString());
        QCOMPARE(p.state("txtIcoP", "cmdAP"), "None off");
    }

    void fileTypeChainForANewExtension() {
        KESTREL_QT_MACHINE(on);
        Loaded<frmFIcon> p(on);
        auto* extension = p.get<QLineEdit>("TxtRas");
        // The type, the current icon and the picture shown for it.
        const auto current = [&] {
            return p.get<QLineEdit>("TxtFileInf")->text() + '|' +
                   p.get<QLineEdit>("TxtCurIco")->text() + '|' + p.page.shownCurrent();
        };
        QCOMPARE(extension->text(), "txt");
        extension->setText("xyz");
        QCOMPARE(current(), "||DEFAULT");
        // Nothing chosen yet: a message, and nothing written.
        p.get("cmdNewIco")->click();
        QCOMPARE(p.dialogs.messages, QStringList{"Please Select icon file..."});
        QVERIFY(!wineKeyExists(on, "HKCR\\.xyz"));

        p.browse("C:\\Icons\\a.ico");
        QCOMPARE(p.dialogs.captions, QStringList{"Please select icon file..."});
        QCOMPARE(p.page.shownSelected(), "C:\\Icons\\a.ico");
        p.get("cmdNewIco")->click();
        QCOMPARE(wineQuery(on, "HKCR\\.xyz"), "xyz_kestrel_file");
        QCOMPARE(wineQuery(on, "HKCR\\xyz_kestrel_file\\DefaultIcon"), "C:\\Icons\\a.ico,0");
        QCOMPARE(current(), "xyz_kestrel_file|C:\\Icons\\a.ico,0|C:\\Icons\\a.ico");

        // A library is no picture: the stock icon. A cancelled dialog keeps img2's picture.
        QVERIFY(Reg::SaveString(HKEY_CLASSES_ROOT, "xyz_kestrel_file\\DefaultIcon", QString(),
                                Shell32 + ",3"));
        extension->setText("xy");
        extension->setText("xyz");
        QCOMPARE(p.page.shownCurrent(), "DEFAULT");
        p.browse(QString());
        QVERIFY(p.get<QLineEdit>("TxtSelIco")->text().isEmpty());
        QCOMPARE(p.page.shownSelected(), "C:\\Icons\\a.ico");
    }

    void systemIconChangedThenRestored() {
        KESTREL_QT_MACHINE(on);
        Loaded<frmShell32> p(on);
        auto* list = p.get<QListWidget>("lstSI");
        auto* back = p.get("cmdBack");
        // The picture shown, and the one Kestrel draws for an icon of a file.
        const auto shown = [&] {
            const QImage picture = p.get<QLabel>("picI")->pixmap().toImage();
            return picture.convertToFormat(QImage::Format_ARGB32).pixel(20, 20);
        };
        const auto drawn = [](const QString& file, int index) {
            return kestrelDraws(file, index, Qt::transparent).pixel(20, 20);
        };
        QCOMPARE(list->count(), int(on.machine().iconCount(Shell32.toStdString())));
        QCOMPARE(list->item(8)->text() + '|' + list->item(46)->text() + '|' +
                     list->item(47)->text(),
                 "8\tHard Disk Drive  (HDD)|46\tWindows Update (Start Menu)|47\tOther");
        QCOMPARE(list->currentRow(), -1);
        QVERIFY(back->isHidden());
        QCOMPARE(shown(), drawn(Shell32, 0));

        list->setCurrentRow(3);
        p.dialogs.chosenFile = "C:\\Icons\\a.ico";
        p.get("cmdCH")->click();
        QCOMPARE(p.dialogs.captions, QStringList{"Select Icon File..."});
        QCOMPARE(p.dialogs.questions, QStringList{"Replace Icon ?"});
        const QString key = "HKLM\\" + frmShell32::ShellIconsKey;
        QCOMPARE(wineQuery(on, key, "3"), "C:\\Icons\\a.ico,0");
        QVERIFY(!back->isHidden());
        QCOMPARE(shown(), Red);

        p.dialogs.questions.clear();
        back->click();
        QCOMPARE(p.dialogs.questions, QStringList{"Replace current icon to default icon ?"});
        QCOMPARE(wineQuery(on, key, "3"), std::nullopt);
        QVERIFY(back->isHidden());
        QCOMPARE(shown(), drawn(Shell32, 3));

        // Values written by others: the file before the first comma, the number after it.
        const struct {
            const char* value;
            QString file;
            int index;
        } values[] = {{"C:\\Icons\\a.ico", "C:\\Icons\\a.ico", 0},
                      {"C:\\windows\\system32\\shell32.dll,12", Shell32, 12},
                      {"C:\\windows\\system32\\shell32.dll,twelve", Shell32, 0}};
        for (const auto& v : values) {
            QVERIFY(Reg::SaveString(HKEY_LOCAL_MACHINE, frmShell32::ShellIconsKey, "5",
                                    QLatin1String(v.value)));
            list->setCurrentRow(4);
            list->setCurrentRow(5);
            QVERIFY2(shown() == drawn(v.file, v.index), v.value);
        }
    }
};

QTEST_MAIN(IconPagesTest)
#include "IconPagesTest.moc"
