// The mounting page on a throw-away prefix: which letters it offers, the command lines it
// starts, the one-second wait, and Wine's GetDriveTypeA on the result.

#include "pages/drives/frmVHDD.h"
#include "tests/support/PageTestKit.h"
#include "ui/controls/DirListBox.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <filesystem>

using namespace kestrel;
using namespace kestrel::testing;
namespace fs = std::filesystem;

namespace {

// The letters from C: to Z: of the given Wine drive type, as "E:".
QStringList wineLetters(MachineOnPrefix& on, unsigned type) {
    QStringList list;
    for (const QString& line : probe(on, {"drives"}))
        if (line.size() > 2 && line.mid(2).toUInt() == type)
            list << line.left(1) + QLatin1Char(':');
    return list;
}

// The machine on the test's prefix, remembering the command lines the page starts; current for
// as long as it lives.
class Recording : public wine::WineMachine {
public:
    explicit Recording(MachineOnPrefix& on) : WineMachine(on.prefix().path()), on_(on) {
        Machine::setCurrent(this);
    }
    ~Recording() override { Machine::setCurrent(&on_.machine()); }
    bool winExec(const std::string& line, int show) override {
        commands.push_back(line + " /show:" + std::to_string(show));
        return WineMachine::winExec(line, show);
    }
    std::vector<std::string> commands;

private:
    MachineOnPrefix& on_;
};

// The loaded page and its controls.
struct VhddPage {
    Dialogs dialogs;
    frmVHDD page;
    VhddPage() { page.Form_Load(); }
    template <class T> T* get(const char* name) { return page.findChild<T*>(QLatin1String(name)); }
    QComboBox* cbDrive() { return get<QComboBox>("cbDrive"); }
    QComboBox* cbUm() { return get<QComboBox>("cbUm"); }
    QPushButton* cmdMount() { return get<QPushButton>("cmdMount"); }
    QPushButton* cmdUm() { return get<QPushButton>("cmdUm"); }
    // Whether the two lists and the two buttons are enabled, as digits.
    QString enabled() {
        QString digits;
        for (QWidget* control : {static_cast<QWidget*>(cbDrive()), static_cast<QWidget*>(cbUm()),
                                 static_cast<QWidget*>(cmdMount()), static_cast<QWidget*>(cmdUm())})
            digits += control->isEnabled() ? '1' : '0';
        return digits;
    }
};

} // namespace

class VirtualDriveTest : public QObject {
    Q_OBJECT
private slots:
    void lettersAsWineSeesThem() {
        KESTREL_QT_MACHINE(on);
        // A CD drive is in neither list; a folder linked as a letter is a fixed disk.
        fs::create_directories(hostPath(on, "C:\\") + "/cd");
        fs::create_directories(hostPath(on, "C:\\") + "/disk");
        fs::create_symlink(hostPath(on, "C:\\") + "/cd", on.prefix().file("dosdevices/h:"));
        fs::create_symlink(hostPath(on, "C:\\") + "/disk", on.prefix().file("dosdevices/k:"));
        on.prefix().wine(
            {"reg", "add", "HKLM\\Software\\Wine\\Drives", "/v", "h:", "/d", "cdrom", "/f"});
        on.prefix().stopWineServer();

        Recording recording(on);
        VhddPage p;
        const QStringList free = wineLetters(on, DRIVE_NO_ROOT_DIR);
        const QStringList fixed = wineLetters(on, DRIVE_FIXED);
        QVERIFY(!free.contains(QStringLiteral("H:")) && !fixed.contains(QStringLiteral("H:")));
        QVERIFY(fixed.contains(QStringLiteral("C:")) && fixed.contains(QStringLiteral("K:")));
        QCOMPARE(items(p.cbDrive()), free);
        QCOMPARE(items(p.cbUm()), fixed);
        QCOMPARE(p.cbDrive()->currentIndex(), 0);
        QCOMPARE(p.cbUm()->currentIndex(), 0);
        QVERIFY(!p.cbDrive()->isEditable() && !p.cbUm()->isEditable());
        QCOMPARE(p.enabled(), QStringLiteral("1111"));

        // With every letter taken the mount list is empty and its button does nothing.
        for (char letter = 'd'; letter <= 'z'; ++letter) {
            const std::string link = on.prefix().file(std::string("dosdevices/") + letter + ":");
            if (!fs::exists(fs::symlink_status(link)))
                fs::create_symlink(hostPath(on, "C:\\") + "/disk", link);
        }
        VhddPage full;
        QCOMPARE(full.cbDrive()->count(), 0);
        full.cmdMount()->click();
        QVERIFY(recording.commands.empty());
        QCOMPARE(full.enabled(), QStringLiteral("1111"));
    }

    void mountAndUnmountAFolderWithBlanks() {
        KESTREL_QT_MACHINE(on);
        fs::create_directories(hostPath(on, "C:\\") + "/Path With Blanks");
        Recording recording(on);
        VhddPage p;
        QVERIFY(p.get<DirListBox>("DirTH")->setPath(QStringLiteral("C:\\")));
        QVERIFY(p.get<DirListBox>("DirTH")->select(QStringLiteral("C:\\Path With Blanks")));
        p.cbDrive()->setCurrentIndex(p.cbDrive()->findText(QStringLiteral("E:")));
        QCOMPARE(p.cbDrive()->currentText(), QStringLiteral("E:"));

        // Each command greys the controls for the wait, then the lists follow Wine's drives.
        p.cmdMount()->click();
        QCOMPARE(recording.commands,
                 std::vector<std::string>{"Subst E: \"C:\\Path With Blanks\" /show:0"});
        QCOMPARE(p.enabled(), QStringLiteral("0000"));
        QTest::qWait(frmVHDD::RefreshDelay / 2);
        QCOMPARE(p.enabled(), QStringLiteral("0000"));
        QTRY_COMPARE_WITH_TIMEOUT(p.enabled(), QStringLiteral("1111"), 3 * frmVHDD::RefreshDelay);
        QVERIFY(!items(p.cbDrive()).contains(QStringLiteral("E:")));
        QVERIFY(items(p.cbUm()).contains(QStringLiteral("E:")));
        QCOMPARE(wineDriveType(on, 'E'), DRIVE_FIXED);
        // Wine finds the folder's contents through the new letter.
        writeHost(hostPath(on, "C:\\Path With Blanks") + "/seen.txt", "through E:");
        QCOMPARE(probe(on, {"read", "E:\\seen.txt"}).value(0), QStringLiteral("through E:"));

        p.cbUm()->setCurrentIndex(p.cbUm()->findText(QStringLiteral("E:")));
        p.cmdUm()->click();
        QCOMPARE(recording.commands.back(), std::string("Subst /D E: /show:0"));
        QCOMPARE(p.enabled(), QStringLiteral("0000"));
        QTRY_COMPARE_WITH_TIMEOUT(p.enabled(), QStringLiteral("1111"), 3 * frmVHDD::RefreshDelay);
        QVERIFY(items(p.cbDrive()).contains(QStringLiteral("E:")));
        QVERIFY(!items(p.cbUm()).contains(QStringLiteral("E:")));
        QCOMPARE(wineDriveType(on, 'E'), DRIVE_NO_ROOT_DIR);
        // The folder itself is untouched.
        QVERIFY(fs::exists(hostPath(on, "C:\\Path With Blanks") + "/seen.txt"));
    }
};

QTEST_MAIN(VirtualDriveTest)
#include "VirtualDriveTest.moc"
