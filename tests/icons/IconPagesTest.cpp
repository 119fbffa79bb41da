// Icons read out of Windows files, and the drive icon, file type icon and system icon pages, on
// a throw-away prefix. Wine's ExtractIconExA + DrawIcon (the win32probe program) and
// "wine reg query" are the judges.

#include "pages/icons/frmDrvIco.h"
#include "pages/icons/frmFIcon.h"
#include "pages/icons/frmShell32.h"
#include "tests/support/PageTestKit.h"
#include "ui/FileIcon.h"
#include "ui/controls/DriveListBox.h"

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <filesystem>

using namespace kestrel;
using namespace kestrel::testing;
namespace fs = std::filesystem;

namespace {

const QString Shell32 = QStringLiteral("C:\\windows\\system32\\shell32.dll");
const QRgb Background = qRgb(0x40, 0x80, 0xc0);

// What Kestrel draws for icon `index` of a file on the background.
QImage kestrelDraws(const QString& file, int index) {
    QPixmap canvas(IconSide, IconSide);
    canvas.fill(QColor::fromRgb(Background));
    DrawFileIcon(file, index, canvas);
    return canvas.toImage().convertToFormat(QImage::Format_RGB32);
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
        QImage picture(IconSide, IconSide, QImage::Format_RGB32);
        for (int p = 0; p < IconSide * IconSide; ++p)
            picture.setPixel(p % IconSide, p / IconSide,
                             0xFF000000u | lines[i].mid(p * 6, 6).toUInt(nullptr, 16));
        pictures << picture;
    }
    return {ok ? count : -1, pictures};
}

// The first pixel where two pictures differ, as text; empty when they are equal.
QString firstDifference(const QImage& a, const QImage& b) {
    for (int p = 0; p < IconSide * IconSide; ++p)
        if (a.pixel(p % IconSide, p / IconSide) != b.pixel(p % IconSide, p / IconSide))
            return QStringLiteral("(%1,%2): %3 vs %4")
                .arg(p % IconSide)
                .arg(p / IconSide)
                .arg(a.pixel(p % IconSide, p / IconSide) & 0xFFFFFF, 6, 16)
                .arg(b.pixel(p % IconSide, p / IconSide) & 0xFFFFFF, 6, 16);
    return {};
}

std::string hostFile(MachineOnPrefix& on, const QString& dos) {
    return hostPath(on, dos.toStdString());
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

// A field's text and whether a button is enabled, as "TEXT on" or "TEXT off".
QString state(const QLineEdit* field, const QPushButton* button) {
    return field->text() + (button->isEnabled() ? " on" : " off");
}

} // namespace

class IconPagesTest : public QObject {
    Q_OBJECT
private slots:
    void iconsLikeWine_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QList<int>>("indexes");
        QTest::newRow("shell32.dll") << Shell32 << QList<int>{0, 3, 8, 31, 183};
        QTest::newRow("icon file") << QStringLiteral("C:\\red.ico") << QList<int>{0};
    }
    void iconsLikeWine() {
        QFETCH(QString, file);
        QFETCH(QList<int>, indexes);
        KESTREL_QT_MACHINE(on);
        writeHost(hostFile(on, QStringLiteral("C:\\red.ico")), iconFile(qRgb(200, 30, 30)));
        const auto [count, pictures] = wineDraws(on, file, indexes);
        QVERIFY(count >= 0);
        QPixmap none;
        QCOMPARE(DrawFileIcon(file, -1, none), count);
        for (qsizetype i = 0; i < indexes.size(); ++i) {
            const QString difference = firstDifference(kestrelDraws(file, indexes[i]), pictures[i]);
            QVERIFY2(difference.isEmpty(),
                     qPrintable(QString::number(indexes[i]) + ' ' + difference));
        }
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
        std::string bytes = readHostFile(hostFile(on, Shell32));
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
        fs::remove(hostFile(on, Shell32));
        if (damage != "missing")
            writeHost(hostFile(on, Shell32), bytes);

        QPixmap canvas(IconSide, IconSide);
        canvas.fill(QColor::fromRgb(Background));
        QCOMPARE(DrawFileIcon(Shell32, 0, canvas), 0);
        QCOMPARE(canvas.toImage().pixel(16, 16), Background);
        std::string ico;
        QVERIFY(!on.machine().extractIcon(Shell32.toStdString(), 0, ico));
        frmShell32 page;
        page.Form_Load();
        QCOMPARE(page.findChild<QListWidget*>(QStringLiteral("lstSI"))->count(), 0);
    }

    void driveIconWrittenForItsLetter() {
        KESTREL_QT_MACHINE(on);
        Dialogs dialogs;
        frmDrvIco page;
        page.resize(500, 400);
        page.Form_Load();
        auto* drv = page.findChild<DriveListBox*>(QStringLiteral("Drv"));
        auto* text = page.findChild<QLineEdit*>(QStringLiteral("txtIcoP"));
        auto* apply = page.findChild<QPushButton*>(QStringLiteral("cmdAP"));
        const auto browse = [&](const QString& chosen) {
            dialogs.chosenFile = chosen;
            page.findChild<QPushButton*>(QStringLiteral("cmdbrowse"))->click();
        };
        QCOMPARE(drv->Drive(), QStringLiteral("c:"));
        QCOMPARE(state(text, apply), QStringLiteral("None off"));

        browse(QStringLiteral("C:\\Icons\\disk.ico"));
        QCOMPARE(dialogs.captions, QStringList{QStringLiteral("Change icon file:")});
        QCOMPARE(dialogs.filters, QStringList{QStringLiteral("Icon Files (*.ico)|*.ico")});
        QCOMPARE(state(text, apply), QStringLiteral("C:\\Icons\\disk.ico on"));
        apply->click();
        QCOMPARE(dialogs.questions, QStringList{QStringLiteral("Save Changes ?")});
        const QString root =
            QStringLiteral("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\explorer\\"
                           "DriveIcons\\");
        QCOMPARE(wineQuery(on, root + QStringLiteral("C\\DefaultIcon")), dialogs.chosenFile);
        QVERIFY(!wineKeyExists(on, root + QStringLiteral("Z")));

        // Another drive has no icon; coming back shows the one written.
        QVERIFY(drv->setDrive(QStringLiteral("z:")));
        QCOMPARE(state(text, apply), QStringLiteral("None off"));
        QVERIFY(drv->setDrive(QStringLiteral("c:")));
        QCOMPARE(state(text, apply), QStringLiteral("C:\\Icons\\disk.ico on"));
        // A cancelled dialog shows "None" although the value stays.
        browse(QString());
        QCOMPARE(state(text, apply), QStringLiteral("None off"));
    }

    void GetFIP() {
        const std::pair<const char*, const char*> specs[] = {
            {"%1", "Error"},
            {"a,b", "Error"},
            {"C:\\a.ico", "C:\\a.ico"},
            {",abcd", ""},
            {"C:\\x.dll,-3", "C:\\x.dll"},
            {"C:\\a,b.ico,2", "C:\\a,b.ico"}}; // the last comma counts
        for (const auto& [spec, file] : specs)
            QVERIFY2(frmFIcon::GetFIP(spec) == QLatin1String(file), spec);
    }

    void fileTypeChainForANewExtension() {
        KESTREL_QT_MACHINE(on);
        fs::create_directories(hostFile(on, QStringLiteral("C:\\Icons")));
        writeHost(hostFile(on, QStringLiteral("C:\\Icons")) + "/i.ico", iconFile(qRgb(0, 0, 255)));
        Dialogs dialogs;
        frmFIcon page;
        page.Form_Load();
        const auto field = [&](const char* name) { return page.findChild<QLineEdit*>(name); };
        const auto browse = [&](const QString& chosen) {
            dialogs.chosenFile = chosen;
            page.findChild<QPushButton*>(QStringLiteral("cmdbrowse"))->click();
        };
        // The type, the current icon and the picture shown for it.
        const auto current = [&] {
            return field("TxtFileInf")->text() + '|' + field("TxtCurIco")->text() + '|' +
                   page.shownCurrent();
        };
        auto* change = page.findChild<QPushButton*>(QStringLiteral("cmdNewIco"));
        QCOMPARE(field("TxtRas")->text(), QStringLiteral("txt"));

        field("TxtRas")->setText(QStringLiteral("xyz"));
        QCOMPARE(current(), QStringLiteral("||DEFAULT"));
        // Nothing chosen yet: a message, and nothing written.
        change->click();
        QCOMPARE(dialogs.messages, QStringList{QStringLiteral("Please Select icon file...")});
        QVERIFY(!wineKeyExists(on, QStringLiteral("HKCR\\.xyz")));

        browse(QStringLiteral("C:\\Icons\\i.ico"));
        QCOMPARE(dialogs.captions, QStringList{QStringLiteral("Please select icon file...")});
        QCOMPARE(page.shownSelected(), dialogs.chosenFile);
        change->click();
        QCOMPARE(wineQuery(on, QStringLiteral("HKCR\\.xyz")), QStringLiteral("xyz_kestrel_file"));
        QCOMPARE(wineQuery(on, QStringLiteral("HKCR\\xyz_kestrel_file\\DefaultIcon")),
                 QStringLiteral("C:\\Icons\\i.ico,0"));
        QCOMPARE(current(), QStringLiteral("xyz_kestrel_file|C:\\Icons\\i.ico,0|C:\\Icons\\i.ico"));

        // A library is no picture: the stock icon. A cancelled dialog keeps img2's picture.
        QVERIFY(Reg::SaveString(HKEY_CLASSES_ROOT, QStringLiteral("xyz_kestrel_file\\DefaultIcon"),
                                QString(), Shell32 + QStringLiteral(",3")));
        field("TxtRas")->setText(QStringLiteral("xy"));
        field("TxtRas")->setText(QStringLiteral("xyz"));
        QCOMPARE(page.shownCurrent(), QStringLiteral("DEFAULT"));
        browse(QString());
        QVERIFY(field("TxtSelIco")->text().isEmpty());
        QCOMPARE(page.shownSelected(), QStringLiteral("C:\\Icons\\i.ico"));
    }

    void systemIconChangedThenRestored() {
        KESTREL_QT_MACHINE(on);
        fs::create_directories(hostFile(on, QStringLiteral("C:\\Icons")));
        writeHost(hostFile(on, QStringLiteral("C:\\Icons")) + "/a.ico",
                  iconFile(qRgb(200, 30, 30)));
        Dialogs dialogs;
        frmShell32 page;
        page.resize(600, 400);
        page.Form_Load();
        auto* list = page.findChild<QListWidget*>(QStringLiteral("lstSI"));
        auto* picture = page.findChild<QLabel*>(QStringLiteral("picI"));
        auto* back = page.findChild<QPushButton*>(QStringLiteral("cmdBack"));
        const auto shown = [&] {
            return picture->pixmap().toImage().convertToFormat(QImage::Format_ARGB32).pixel(20, 20);
        };
        const auto drawn = [&](const QString& file, int index) {
            QPixmap canvas(IconSide, IconSide);
            canvas.fill(Qt::transparent);
            DrawFileIcon(file, index, canvas);
            return canvas.toImage().convertToFormat(QImage::Format_ARGB32).pixel(20, 20);
        };
        QCOMPARE(list->count(), int(on.machine().iconCount(Shell32.toStdString())));
        QCOMPARE(list->item(8)->text(), QStringLiteral("8\tHard Disk Drive  (HDD)"));
        QCOMPARE(list->item(46)->text(), QStringLiteral("46\tWindows Update (Start Menu)"));
        QCOMPARE(list->item(47)->text(), QStringLiteral("47\tOther"));
        QCOMPARE(list->currentRow(), -1);
        QVERIFY(back->isHidden());
        QCOMPARE(shown(), drawn(Shell32, 0));

        list->setCurrentRow(3);
        dialogs.chosenFile = QStringLiteral("C:\\Icons\\a.ico");
        page.findChild<QPushButton*>(QStringLiteral("cmdCH"))->click();
        QCOMPARE(dialogs.captions, QStringList{QStringLiteral("Select Icon File...")});
        QCOMPARE(dialogs.questions, QStringList{QStringLiteral("Replace Icon ?")});
        const QString key = QStringLiteral("HKLM\\") + frmShell32::ShellIconsKey;
        QCOMPARE(wineQuery(on, key, QStringLiteral("3")), QStringLiteral("C:\\Icons\\a.ico,0"));
        QVERIFY(!back->isHidden());
        QCOMPARE(shown(), qRgb(200, 30, 30));

        dialogs.questions.clear();
        back->click();
        QCOMPARE(dialogs.questions,
                 QStringList{QStringLiteral("Replace current icon to default icon ?")});
        QCOMPARE(wineQuery(on, key, QStringLiteral("3")), std::nullopt);
        QVERIFY(back->isHidden());
        QCOMPARE(shown(), drawn(Shell32, 3));

        // Values written by others: the file before the first comma, the number after it.
        const struct {
            const char* value;
            QString file;
            int index;
        } values[] = {{"C:\\Icons\\a.ico", QStringLiteral("C:\\Icons\\a.ico"), 0},
                      {"C:\\windows\\system32\\shell32.dll,12", Shell32, 12},
                      {"C:\\windows\\system32\\shell32.dll,twelve", Shell32, 0}};
        for (const auto& v : values) {
            QVERIFY(Reg::SaveString(HKEY_LOCAL_MACHINE, frmShell32::ShellIconsKey,
                                    QStringLiteral("5"), QLatin1String(v.value)));
            list->setCurrentRow(4);
            list->setCurrentRow(5);
            QVERIFY2(shown() == drawn(v.file, v.index), v.value);
        }
    }
};

QTEST_MAIN(IconPagesTest)
#include "IconPagesTest.moc"
