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
#include <cstring>
#include <filesystem>
#include <functional>

using namespace kestrel;
using namespace kestrel::testing;
namespace fs = std::filesystem;

namespace {

const QString Shell32 = "C:\\windows\\system32\\shell32.dll";
const QString SettingsKey = "Software\\Pellmark\\Kestrel";
const QRgb Background = qRgb(0x40, 0x80, 0xc0);
const QRgb Red = qRgb(200, 30, 30);

// The folders C:\Work and C:\Icons and a red icon C:\Icons\a.ico, 32 by 32 with a transparent
// 8 by 8 corner at the top left, made before the page loads.
struct Files {
    MachineOnPrefix& on;
    std::string icon;
    explicit Files(MachineOnPrefix& prefix) : on(prefix) {
        fs::create_directories(host("C:\\Work"));
        fs::create_directories(host("C:\\Icons"));
        QImage image(32, 32, QImage::Format_ARGB32);
        image.fill(Red);
        for (int p = 0; p < 64; ++p)
            image.setPixel(p % 8, p / 8, qRgba(0, 0, 0, 0));
        image.save(QString::fromStdString(host("C:\\Icons") + "/a.ico"), "ICO");
        icon = readHostFile(host("C:\\Icons\\a.ico"));
    }
    std::string host(const std::string& dos) { return hostPath(on, dos); }
};

template <class P> struct Loaded : Files, OpenPage<P> {
    explicit Loaded(MachineOnPrefix& prefix) : Files(prefix) {}
    void browse(const QString& file) {
        this->dialogs.chosenFile = file;
        this->click("cmdbrowse");
    }
    // A field's text and whether a button is enabled, as "TEXT on" or "TEXT off".
    QString state(const char* field, const char* button) {
        return this->template get<QLineEdit>(field)->text() +
               (this->get(button)->isEnabled() ? " on" : " off");
    }
    // The folder page: highlights a folder of the list.
    void selectFolder(const QString& path) {
        auto* dir = this->template get<DirListBox>("Dir1");
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
        // Lines "LENGTH [VALUE]"; Wine may add messages of its own.
        for (const QString& line : probe(on, args).filter(QRegularExpression("^\\d+ \\[")))
            values << line.mid(line.indexOf('[') + 1).chopped(1);
        return values.join('|');
    }
};
using FolderPage = Loaded<frmFldIco>;

void apply(FolderPage& f) {
    QMetaObject::invokeMethod(&f.page, "cdmApply_Click");
}
QString counter() {
    return regValue(HKEY_LOCAL_MACHINE, SettingsKey, "IconCount").value_or(QString());
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
    QList<QImage> pictures;
    for (const QString& line : lines.mid(1)) {
        QImage picture(IconSide, IconSide, QImage::Format_ARGB32);
        for (int p = 0; p < IconSide * IconSide; ++p)
            picture.setPixel(p % IconSide, p / IconSide,
                             0xFF000000u | line.mid(p * 6, 6).toUInt(nullptr, 16));
        pictures << picture;
    }
    bool ok = false;
    const int count = lines.value(0).toInt(&ok);
    return {ok && lines.size() == indexes.size() + 1 ? count : -1, pictures};
}

// Wine's GetFileAttributesA of one path.
std::uint32_t wineAttributes(MachineOnPrefix& on, const std::string& dosPath) {
    const QStringList lines = probe(on, {"attr", dosPath});
    return lines.isEmpty() ? 0xFFFFFFFFu : lines.last().toUInt(nullptr, 16);
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
    void iconsLikeWine() {
        KESTREL_QT_MACHINE(on);
        FolderPage f(on);
        for (const auto& [file, indexes] :
             {std::pair<QString, QList<int>>{Shell32, {0, 3, 8, 31, 183}},
              {"C:\\Icons\\a.ico", {0}}}) {
            const auto [count, pictures] = wineDraws(on, file, indexes);
            QVERIFY2(count >= 0, qPrintable(file));
            QPixmap none;
            QCOMPARE(DrawFileIcon(file, -1, none), count);
            for (qsizetype i = 0; i < indexes.size(); ++i)
                QVERIFY2(kestrelDraws(file, indexes[i]) == pictures[i],
                         qPrintable(file + ' ' + QString::number(indexes[i])));
        }
    }

    // A damaged or missing shell32.dll: no icons, nothing drawn, and the system icon page lists
    // none.
    void damagedFilesHoldNoIcons() {
        KESTREL_QT_MACHINE(on);
        const std::string file = hostPath(on, Shell32.toStdString());
        const std::string whole = readHostFile(file);
        QVERIFY(whole.size() > 1000000);
        const std::pair<const char*, std::function<void(std::string&)>> damages[] = {
            {"missing", nullptr},
            {"text",
             [](std::string& b) { b = "These are not the icons you are looking for.\r\n"; }},
            {"MZ and nothing else", [](std::string& b) { b = "MZ"; }},
            {"headers only", [](std::string& b) { b.resize(4096); }},
            {"cut in its resources", [](std::string& b) { b.resize(b.size() / 2); }},
            {"PE header past the end",
             [](std::string& b) { b.replace(0x3C, 4, "\xF0\xFF\xFF\x7F", 4); }},
            {"DOS header garbled",
             [](std::string& b) { b.replace(0, 64, std::string(64, '\xFF')); }},
            {"resource directory garbled", [](std::string& b) {
                 const std::size_t header = b.find(std::string(".rsrc\0\0\0", 8));
                 QVERIFY(header < 4096);
                 std::uint32_t raw = 0;
                 std::memcpy(&raw, b.data() + header + 20, 4);
                 b.replace(raw, 64, std::string(64, '\xFF'));
             }}};
        for (const auto& [damage, make] : damages) {
            // The file in the prefix is shared with the base prefix: replace it, never change it.
            std::string bytes = whole;
            fs::remove(file);
            if (make) {
                make(bytes);
                writeHost(file, bytes);
            }
            QPixmap canvas(IconSide, IconSide);
            QVERIFY2(DrawFileIcon(Shell32, 0, canvas) == 0, damage);
            QVERIFY2(kestrelDraws(Shell32, 0).pixel(16, 16) == Background, damage);
            std::string ico;
            QVERIFY2(!on.machine().extractIcon(Shell32.toStdString(), 0, ico), damage);
            Loaded<frmShell32> p(on);
            QVERIFY2(p.get<QListWidget>("lstSI")->count() == 0, damage);
        }
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
        QCOMPARE(f.get<DirListBox>("Dir1")->Path() + f.dialogs.messages.join('|'), "C:\\");
    }

    void IsFullPathAndGetFIP() {
        QString full;
        for (const char* path : {"C:\\Icons\\a.ico", "C:a.ico", "\\\\server\\share\\a.ico",
                                 "Icons\\a.ico", "C", "%SystemRoot%\\a.ico"})
            full += frmFldIco::IsFullPath(path) ? '1' : '0';
        QCOMPARE(full, "110000");
        // The last comma counts.
        QStringList files;
        for (const char* location :
             {"%1", "a,b", "C:\\a.ico", ",abcd", "C:\\x.dll,-3", "C:\\a,b.ico,2"})
            files << frmFIcon::GetFIP(location);
        QCOMPARE(files.join('|'), "Error|Error|C:\\a.ico||C:\\x.dll|C:\\a,b.ico");
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
        QCOMPARE(f.dialogs.captions + f.dialogs.filters,
                 QStringList({"Select Icon File...", "Icon Files(*.ico)|*.ico"}));
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
        f.click("cdmApply");
        QCOMPARE(f.dialogs.questions + f.dialogs.titles,
                 QStringList({"Change icon for folder C:\\Work ?", "Saving..."}));
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
        f.click("cmdNoIco");
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
        // One more copy: the counter and the desktop.ini's IconFile, when the copy is the icon.
        const auto copy = [&](const std::string& name) {
            apply(f);
            return readHostFile(f.host("C:\\Work\\" + name)) != f.icon
                       ? "no copy"
                       : counter() + ' ' + f.ini({".ShellClassInfo IconFile"});
        };
        QCOMPARE(copy("KestrelFld0.ico"), "0 KestrelFld0.ico");
        QCOMPARE(copy("KestrelFld1.ico"), "1 KestrelFld1.ico");
        QVERIFY(Reg::SaveDWord(HKEY_LOCAL_MACHINE, SettingsKey, "IconCount", 255));
        // 256 is stored whole but reads as its lowest byte, 0: the next copy is number 1.
        QCOMPARE(copy("KestrelFld256.ico"), "0 KestrelFld256.ico");
        fs::remove(f.host("C:\\Work\\KestrelFld1.ico"));
        QCOMPARE(copy("KestrelFld1.ico"), "1 KestrelFld1.ico");
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
        QCOMPARE(drv->Drive() + ' ' + p.state("txtIcoP", "cmdAP"), "c: None off");

        p.browse("C:\\Icons\\disk.ico");
        QCOMPARE(p.dialogs.captions + p.dialogs.filters,
                 QStringList({"Change icon file:", "Icon Files (*.ico)|*.ico"}));
        QCOMPARE(p.state("txtIcoP", "cmdAP"), "C:\\Icons\\disk.ico on");
        p.click("cmdAP");
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
        p.click("cmdNewIco");
        QCOMPARE(p.dialogs.messages, QStringList{"Please Select icon file..."});
        QVERIFY(!wineKeyExists(on, "HKCR\\.xyz"));

        p.browse("C:\\Icons\\a.ico");
        QCOMPARE(p.dialogs.captions, QStringList{"Please select icon file..."});
        QCOMPARE(p.page.shownSelected(), "C:\\Icons\\a.ico");
        p.click("cmdNewIco");
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
        QVERIFY(list->currentRow() == -1 && back->isHidden());
        QCOMPARE(shown(), drawn(Shell32, 0));

        list->setCurrentRow(3);
        p.dialogs.chosenFile = "C:\\Icons\\a.ico";
        p.click("cmdCH");
        QCOMPARE(p.dialogs.captions + p.dialogs.questions,
                 QStringList({"Select Icon File...", "Replace Icon ?"}));
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
        for (const auto& [value, file, index] :
             {std::tuple<QString, QString, int>{"C:\\Icons\\a.ico", "C:\\Icons\\a.ico", 0},
              {Shell32 + ",12", Shell32, 12},
              {Shell32 + ",twelve", Shell32, 0}}) {
            QVERIFY(Reg::SaveString(HKEY_LOCAL_MACHINE, frmShell32::ShellIconsKey, "5", value));
            list->setCurrentRow(4);
            list->setCurrentRow(5);
            QVERIFY2(shown() == drawn(file, index), qPrintable(value));
        }
    }
};

QTEST_MAIN(IconPagesTest)
#include "IconPagesTest.moc"
