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

struct Controls {
    frmVHDD& page;
    template <class T> T* get(const char* name) { return page.findChild<T*>(QLatin1String(name)); }
    QComboBox* cbDrive() { return get<QComboBox>("cbDrive"); }
    QComboBox* cbUm() { return get<QComboBox>("cbUm"); }
    QPushButton* cmdMount() { return get<QPushButton>("cmdMount"); }
    QPushButton* cmdUm() { return get<QPushButton>("cmdUm"); }
    DirListBox* DirTH() { return get<DirListBox>("DirTH"); }
    bool allEnabled() {
        return cbDrive()->isEnabled() && cbUm()->isEnabled() && cmdMount()->isEnabled() &&
               cmdUm()->isEnabled();
    }
    bool noneEnabled() {
        return !cbDrive()->isEnabled() && !cbUm()->isEnabled() && !cmdMount()->isEnabled() &&
               !cmdUm()->isEnabled();
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

        Dialogs dialogs;
        frmVHDD page;
        page.Form_Load();
        Controls c{page};
        const QStringList free = wineLetters(on, DRIVE_NO_ROOT_DIR);
        const QStringList fixed = wineLetters(on, DRIVE_FIXED);
        QVERIFY(!free.contains(QStringLiteral("H:")) && !fixed.contains(QStringLiteral("H:")));
        QVERIFY(fixed.contains(QStringLiteral("C:")) && fixed.contains(QStringLiteral("K:")));
        QCOMPARE(items(c.cbDrive()), free);
        QCOMPARE(items(c.cbUm()), fixed);
        QCOMPARE(c.cbDrive()->currentIndex(), 0);
        QCOMPARE(c.cbUm()->currentIndex(), 0);
        QVERIFY(!c.cbDrive()->isEditable() && !c.cbUm()->isEditable());
        QVERIFY(c.allEnabled());
    }

    void mountAndUnmountAFolderWithBlanks() {
        KESTREL_QT_MACHINE(on);
        fs::create_directories(hostPath(on, "C:\\") + "/Path With Blanks");
        Recording recording(on);
        Dialogs dialogs;
        frmVHDD page;
        page.Form_Load();
        Controls c{page};
        QVERIFY(c.DirTH()->setPath(QStringLiteral("C:\\")));
        QVERIFY(c.DirTH()->select(QStringLiteral("C:\\Path With Blanks")));
        c.cbDrive()->setCurrentIndex(c.cbDrive()->findText(QStringLiteral("E:")));
        QCOMPARE(c.cbDrive()->currentText(), QStringLiteral("E:"));

        c.cmdMount()->click();
        QCOMPARE(recording.commands,
                 std::vector<std::string>{"Subst E: \"C:\\Path With Blanks\" /show:0"});
        QVERIFY(c.noneEnabled());
        QTest::qWait(frmVHDD::RefreshDelay / 2);
        QVERIFY(c.noneEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(c.allEnabled(), 3 * frmVHDD::RefreshDelay);
        QVERIFY(!items(c.cbDrive()).contains(QStringLiteral("E:")));
        QVERIFY(items(c.cbUm()).contains(QStringLiteral("E:")));
        QCOMPARE(wineDriveType(on, 'E'), DRIVE_FIXED);
        // Wine finds the folder's contents through the new letter.
        writeHost(hostPath(on, "C:\\Path With Blanks") + "/seen.txt", "through E:");
        QCOMPARE(probe(on, {"read", "E:\\seen.txt"}).value(0), QStringLiteral("through E:"));

        c.cbUm()->setCurrentIndex(c.cbUm()->findText(QStringLiteral("E:")));
        c.cmdUm()->click();
        QCOMPARE(recording.commands.back(), std::string("Subst /D E: /show:0"));
        QVERIFY(c.noneEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(c.allEnabled(), 3 * frmVHDD::RefreshDelay);
        QVERIFY(items(c.cbDrive()).contains(QStringLiteral("E:")));
        QVERIFY(!items(c.cbUm()).contains(QStringLiteral("E:")));
        QCOMPARE(wineDriveType(on, 'E'), DRIVE_NO_ROOT_DIR);
        // The folder itself is untouched.
        QVERIFY(fs::exists(hostPath(on, "C:\\Path With Blanks") + "/seen.txt"));
    }

    void emptyListLeavesItsButtonIdle() {
        KESTREL_QT_MACHINE(on);
        fs::create_directories(hostPath(on, "C:\\") + "/all");
        for (char letter = 'D'; letter <= 'Y'; ++letter)
            fs::create_symlink(
                hostPath(on, "C:\\") + "/all",
                on.prefix().file(std::string("dosdevices/") + char(letter + ('a' - 'A')) + ":"));
        Recording recording(on);
        frmVHDD page;
        page.Form_Load();
        Controls c{page};
        QCOMPARE(c.cbDrive()->count(), 0);
        c.cmdMount()->click();
        QVERIFY(recording.commands.empty());
        QVERIFY(c.allEnabled());
    }
};

QTEST_MAIN(VirtualDriveTest)
#include "VirtualDriveTest.moc"
