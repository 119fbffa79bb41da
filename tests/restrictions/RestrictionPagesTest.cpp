// The seven restriction and logon pages, opened from the running main window on throw-away
// prefixes: every box reads and writes its own value (names and keys checked against the list
// below, not against the pages' tables) and greys or hides what it should in both Windows
// families; the check-box engine; the column's look; the logon message page's two values.

#include "app/frmStart.h"
#include "pages/restrictions/RestrictionPage.h"
#include "pages/restrictions/frmStartUp.h"
#include "resources/Catalogue.h"
#include "tests/support/PageTestKit.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QtEndian>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

// Each page's values in box order, "K.Name": K is where the value lives, E, S, N, A = the
// Explorer, System, Network and ActiveDesktop policy keys, B = the browser restrictions key,
// U = HKEY_LOCAL_MACHINE's Update key. Then how the page looks with all its values 0 on the NT
// family and on Windows 98 (see look()), and its master boxes with the last box each greys.
const struct PageRows {
    QString node;
    const char* values;
    QString idleNT, idle98;
    QString masters; // "MASTER-LAST ..."
} pages[] = {
    {"Kestrel", "E.NoDesktop E.NoNetHood E.NoSaveSettings S.DisableRegistryTools U.UpdateMode",
     "00000", "00000", ""},
    {"StartMenu",
     "E.NoRecentDocsMenu E.NoSMHelp E.NoClose E.NoRun E.ClearRecentDocsOnExit E.NoSMMyDocs "
     "E.NoFind E.NoSetActiveDesktop E.NoChangeStartMenu E.NoSetFolders E.NoSetTaskbar "
     "E.NoControlPanel E.NoFavoritesMenu E.NoLogOff",
     "00000000o00000", "0o000o00000000", ""},
    {"ControlPanel",
     "S.NoDispCPL S.NoDispAppearancePage S.NoDispBackgroundPage S.NoDispScrSavPage "
     "S.NoDispSettingsPage S.NoSystem S.NoDevMgrPage S.NoConfigPage S.NoFileSysPage "
     "S.NoVirtMemPage N.NoNetSetup N.NoFileSharingControl N.NoNetSetupIDPage "
     "N.NoNetSetupSecurityPage S.NoSecCPL S.NoPwdPage S.NoAdminPage S.NoProfilePage",
     "00000-------------", "00000o000000000000", "0-4 10-13 14-17"},
    {"Explorer",
     "E.NoFileMenu E.NoViewContextMenu B.NoBrowserClose E.NoExpandedNewMenu E.NoFolderOptions",
     "00000", "0o000", ""},
    {"IERes",
     "B.NoBrowserClose B.NoBrowserContextMenu B.NoBrowserOptions B.NoBrowserSaveAs "
     "B.NoFavorites B.NoFileNew B.NoFileOpen B.NoFindFiles B.NoSelectDownloadDir "
     "B.NoTheaterMode B.NoAddressBar B.NoToolBar B.NoLinksBar B.NoHelpMenu "
     "B.NoHelpItemNetscapeHelp B.NoHelpItemSendFeedback B.NoHelpItemTipOfTheDay "
     "B.NoHelpItemTutorial",
     "000000000000000000", "000000000000000000", "13-17"},
    {"ActiveDesktop",
     "E.NoActiveDesktopChanges A.NoChangingWallpaper A.NoComponents A.NoAddingComponents "
     "A.NoDeletingComponents A.NoEditingComponents A.NoCloseDragDropBands A.NoMovingBands",
     "00000000", "00000000", "2-5"},
};

// A value as the registry holds it: "#N" for a REG_DWORD N, the text of a REG_SZ, "?" for
// another type; nothing when it is missing.
std::optional<QString> stored(RootKey root, const QString& path, const QString& name) {
    Registry& registry = Machine::current().registry();
    RegHandle key = 0;
    std::uint8_t data[4096] = {};
    std::uint32_t size = sizeof data - 1, type = REG_NONE;
    if (registry.openKey(root, path.toStdString(), KEY_READ, key) != ERROR_SUCCESS)
        return std::nullopt;
    const long rc = registry.queryValue(key, name.toStdString(), type, data, size);
    registry.closeKey(key);
    if (rc != ERROR_SUCCESS)
        return std::nullopt;
    if (type == REG_DWORD && size == 4)
        return '#' + QString::number(qFromLittleEndian<quint32>(data));
    return type == REG_SZ ? QString::fromLatin1(reinterpret_cast<const char*>(data)) : "?";
}

struct Value {
    RootKey root;
    QString path, name;
    bool write(std::uint32_t value) const { return Reg::SaveDWord(root, path, name, value); }
};

QList<Value> valuesOf(const QString& list) {
    const QString policies = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\";
    const QMap<QChar, QString> keys{
        {'E', policies + "Explorer"},
        {'S', policies + "System"},
        {'N', policies + "Network"},
        {'A', policies + "ActiveDesktop"},
        {'B', "Software\\Policies\\Microsoft\\Internet Explorer\\Restrictions"},
        {'U', "SYSTEM\\CurrentControlSet\\Control\\Update"}};
    QList<Value> values;
    for (const QString& item : list.split(' ', Qt::SkipEmptyParts))
        values.append(
            {item[0] == 'U' ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, keys[item[0]], item.mid(2)});
    return values;
}

// The values as digits: "1", "0", or "-" for a missing one or one of another type or number.
QString digits(const QList<Value>& values) {
    QString text;
    for (const Value& v : values) {
        const auto read = stored(v.root, v.path, v.name);
        text += read == "#1" ? '1' : read == "#0" ? '0' : '-';
    }
    return text;
}

// Each box as one character: 1 or 0 ticked or not, i or o the same greyed, - hidden.
QString look(const RestrictionPage& page) {
    QString text;
    for (int i = 0; i < page.count(); ++i) {
        const QCheckBox* box = page.chk(i);
        text += box->isVisible() ? QString("oi01")[box->isChecked() + 2 * box->isEnabled()]
                                 : QLatin1Char('-');
    }
    return text;
}

// The main window on the current machine; leaving a page shows About, as closing it does.
struct Window {
    frmStart window;
    Window() {
        window.resize(1000, 700);
        MdlStart::setShell(&window);
        window.show();
        leave();
    }
    ~Window() {
        window.close();
        MdlStart::setShell(nullptr);
    }
    template <class P = RestrictionPage> P* show(const QString& node) {
        window.showPage(node);
        return qobject_cast<P*>(window.curPage());
    }
    void leave() { window.showPage("About"); }
};

} // namespace

class RestrictionPagesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Catalogue::setLanguage(Language::English); }

    void everyBoxReadsAndWritesItsOwnValue() {
        KESTREL_QT_MACHINE(env);
        Dialogs dialogs;
        std::optional<Window> w;
        for (const bool windows98 : {false, true}) {
            if (windows98)
                makeWindows98();
            w.emplace();
            for (const PageRows& rows : pages) {
                const QList<Value> values = valuesOf(rows.values);
                const QString idle = windows98 ? rows.idle98 : rows.idleNT;
                for (int i = 0; i < values.size(); ++i) {
                    const QString where = rows.node + " box " + QString::number(i) + ": ";
                    // Only value i is 1, the others 0. The box shows ticked (the control panel's
                    // system box never does); a ticked master greys its boxes.
                    for (int j = 0; j < values.size(); ++j)
                        QVERIFY(values[j].write(j == i ? 1 : 0));
                    const bool neverTicked = rows.node == "ControlPanel" && i == 5;
                    QString loaded = idle;
                    if (!neverTicked)
                        loaded[i] = QString("1i-")[QString("0o-").indexOf(idle[i])];
                    for (const QString& range : rows.masters.split(' ', Qt::SkipEmptyParts))
                        if (range.section('-', 0, 0).toInt() == i)
                            for (int j = i + 1; j <= range.section('-', 1).toInt(); ++j)
                                loaded[j] = loaded[j] == '0' ? 'o' : loaded[j];
                    RestrictionPage* page = w->show(rows.node);
                    QVERIFY2(page && page->count() == values.size(), qPrintable(where));
                    QVERIFY2(look(*page) == loaded, qPrintable(where + look(*page)));
                    // With every box shown, the boxes stand one below the other without
                    // overlapping, each wide enough for its caption.
                    QList<QRect> boxes;
                    for (int j = 0; windows98 && i == 0 && j < page->count(); ++j) {
                        QVERIFY2(page->chk(j)->width() >= page->chk(j)->sizeHint().width(),
                                 qPrintable(where));
                        boxes << page->chk(j)->geometry();
                    }
                    std::sort(boxes.begin(), boxes.end(),
                              [](const QRect& a, const QRect& b) { return a.top() < b.top(); });
                    for (int j = 1; j < boxes.size(); ++j)
                        QVERIFY2(boxes[j].top() > boxes[j - 1].bottom(), qPrintable(where));

                    // Untick it by a click where the user can; elsewhere change another box twice,
                    // so that the page saves and writes box i with the state it was loaded with.
                    QString saved(values.size(), '0');
                    QCheckBox* box = page->chk(i);
                    if (box->isEnabled() && box->isVisible()) {
                        box->click();
                        QVERIFY2(look(*page) == idle, qPrintable(where + look(*page)));
                    } else {
                        saved[i] = neverTicked ? '0' : '1';
                        int other = 0;
                        while (!page->chk(other)->isEnabled() || !page->chk(other)->isVisible())
                            ++other;
                        page->chk(other)->click();
                        page->chk(other)->click();
                    }
                    const qsizetype asked = dialogs.questions.size();
                    w->leave();
                    QCOMPARE(dialogs.questions.size(), asked + 1);
                    QVERIFY2(digits(values) == saved, qPrintable(where + digits(values)));
                }
            }
        }
    }

    // The engine, through the administrative page (one row under HKEY_LOCAL_MACHINE).
    void onlyAnExactOneTicksAndOnlyAChangeAsks() {
        KESTREL_QT_MACHINE(env);
        const QList<Value> admin = valuesOf(pages[0].values);
        // 257 reads as its low byte, 1; 2 is not 1; a string "1" is; a binary 01 byte is not,
        // nor is the string "1 ".
        QVERIFY(admin[0].write(257));
        QVERIFY(admin[1].write(2));
        QVERIFY(Reg::SaveString(admin[2].root, admin[2].path, admin[2].name, "1"));
        QVERIFY(Reg::SaveBinary(admin[3].root, admin[3].path, admin[3].name, QString(QChar(1))));
        QVERIFY(Reg::SaveString(admin[4].root, admin[4].path, admin[4].name, "1 "));
        const auto hives = [&] {
            return readHostFile(env.prefix().file("user.reg")) +
                   readHostFile(env.prefix().file("system.reg"));
        };
        const std::string before = hives();

        // Loading ticks boxes, which raises clicks; the page still counts as unchanged.
        Dialogs dialogs;
        Window w;
        QCOMPARE(look(*w.show("Kestrel")), "10100");
        QVERIFY(!w.show("Kestrel")->isChanged());
        w.leave();
        QVERIFY(dialogs.questions.isEmpty());

        // A tick and an untick are a change: the page asks, No writes nothing, Yes writes every
        // row as a DWORD 1 or 0, both roots in the same save.
        for (const bool yes : {false, true}) {
            dialogs.answer = yes;
            RestrictionPage* page = w.show("Kestrel");
            page->chk(3)->click();
            page->chk(3)->click();
            w.leave();
            if (!yes) {
                QCOMPARE(dialogs.questions + dialogs.titles,
                         QStringList({LoadResString(109), LoadResString(110)}));
                QCOMPARE(hives(), before);
            }
        }
        QCOMPARE(digits(admin), "10100");
        QCOMPARE(wineQuery(env, "HKCU\\" + admin[0].path, "NoDesktop"), "0x1");
        QCOMPARE(wineQuery(env, "HKLM\\" + admin[4].path, "UpdateMode"), "0x0");

        // A check box would take the '&' as a shortcut mark and hide it; the text shows it. On
        // the start menu page box 5 stands above box 4.
        RestrictionPage* page = w.show("ActiveDesktop");
        QCOMPARE(page->chk(6)->text(), "Disable the ability to close Drag&&Drop Bands");
        QVERIFY(page->chk(6)->shortcut().isEmpty());
        page = w.show("StartMenu");
        QCOMPARE(page->chk(3)->text(), "Remove the Run Command from the Start Menu");
        QVERIFY(page->chk(5)->y() < page->chk(4)->y());
    }

    // Ticking a master greys its boxes and keeps their ticks; greyed boxes are written back as
    // they are; values beside the page's own are neither read nor written.
    void mastersGreyTheirBoxes() {
        const struct {
            bool windows98;
            const PageRows& page;
            QString preset; // the values set to 1 before the page opens
            QString clicks;
            QString clicked; // look() after the clicks
            QString also;    // more values, read after the save
            QString saved;   // digits() of the page's values, then of `also`
        } rows[] = {
            // Loading unticks the system box, which raises a click: still no change.
            {true, pages[2], "N.NoNetSetup N.NoNetSetupIDPage S.NoSystem S.NoDevMgrPage",
             "2 0 0 14 0 10", "1oiooo100000101ooo", "", "101000100000101000"},
            {false, pages[5], "A.NoComponents A.NoEditingComponents A.NoActiveDesktopChanges",
             "2 3 2 0", "101ioi00", "A.NoActiveDesktopChanges E.NoMovingBands", "101101001-"},
        };
        for (const auto& row : rows) {
            KESTREL_QT_MACHINE(env);
            for (const Value& value : valuesOf(row.preset))
                QVERIFY(value.write(1));
            if (row.windows98)
                makeWindows98();
            Dialogs dialogs;
            Window w;
            RestrictionPage* page = w.show(row.page.node);
            QVERIFY(!page->isChanged());
            for (const QString& box : row.clicks.split(' '))
                page->chk(box.toInt())->click();
            QCOMPARE(look(*page), row.clicked);
            w.leave();
            QCOMPARE(digits(valuesOf(row.page.values + QLatin1Char(' ') + row.also)), row.saved);
        }
    }

    void logonNotice() {
        KESTREL_QT_MACHINE(env);
        const QString key = MdlStart::WinVerKey + "\\Winlogon";
        QCOMPARE(key, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon");
        // The caption and the text as stored ("-" when missing), and as Wine reads them.
        const auto notice = [&] {
            return stored(HKEY_LOCAL_MACHINE, key, "LegalNoticeCaption").value_or("-") + '|' +
                   stored(HKEY_LOCAL_MACHINE, key, "LegalNoticeText").value_or("-");
        };
        const auto wine = [&](const char* name) { return wineQuery(env, "HKLM\\" + key, name); };
        const auto store = [&](const char* name, const char* text) {
            QVERIFY(Reg::SaveString(HKEY_LOCAL_MACHINE, key, name, text));
        };
        Dialogs dialogs;
        std::optional<Window> w(std::in_place);
        frmStartUp* page = nullptr;
        // The page: the box ticked, the two fields enabled, the title and the text.
        const auto open = [&] {
            page = w->show<frmStartUp>("StartUp");
            return QString("%1%2%3 %4|%5")
                .arg(page->chkYN()->isChecked())
                .arg(page->txtTitle()->isEnabled())
                .arg(page->txtText()->isEnabled())
                .arg(page->txtTitle()->text(), page->txtText()->toPlainText());
        };
        // No caption: the notice is off and its text is not read; OK leaves without asking.
        store("LegalNoticeText", "Authorised users only");
        QCOMPARE(open(), "000 Windows|");
        QCOMPARE(page->cmdOk()->text(), "Ok");
        QVERIFY(page->lblHelp()->text().startsWith("If you check this option"));
        QTest::mouseClick(page->cmdOk(), Qt::LeftButton);
        QCOMPARE(w->window.curForm() + QString::number(dialogs.questions.size()), "frmAbout0");

        // Ticking alone writes the initial title and an empty text where Wine reads them; OK
        // asks and saves.
        open();
        page->chkYN()->click();
        QVERIFY(page->txtTitle()->isEnabled() && page->txtText()->isEnabled());
        QTest::mouseClick(page->cmdOk(), Qt::LeftButton);
        QCOMPARE(w->window.curForm() + QString::number(dialogs.questions.size()), "frmAbout1");
        QCOMPARE(wine("LegalNoticeCaption").value_or("-") + '|' +
                     wine("LegalNoticeText").value_or("-"),
                 "Windows|");

        // An empty caption opens the notice on, its line breaks shown as lines; closing
        // unchanged asks nothing.
        store("LegalNoticeCaption", "");
        store("LegalNoticeText", "First line\r\nSecond line");
        QCOMPARE(open(), "111 |First line\nSecond line");
        w->leave();
        QCOMPARE(dialogs.questions.size(), 1);

        // A typed and removed letter is still a change; No keeps the values.
        dialogs.answer = false;
        open();
        page->txtTitle()->setFocus();
        QTest::keyClick(page->txtTitle(), Qt::Key_X);
        QTest::keyClick(page->txtTitle(), Qt::Key_Backspace);
        w->leave();
        QCOMPARE(dialogs.questions.size(), 2);
        QCOMPARE(notice(), "|First line\r\nSecond line");

        // Added lines are kept with Windows line breaks; a text with bare LF breaks that the
        // user did not touch is written back exactly.
        dialogs.answer = true;
        open();
        page->txtText()->appendPlainText("Third line");
        w->leave();
        QCOMPARE(notice(), "|First line\r\nSecond line\r\nThird line");
        store("LegalNoticeText", "One\nTwo\r\nThree\n");
        open();
        page->txtTitle()->setText("Changed");
        w->leave();
        QCOMPARE(notice(), "Changed|One\nTwo\r\nThree\n");

        // Unticking deletes both values, whatever was typed.
        open();
        page->txtTitle()->setText("Changed but not kept");
        page->chkYN()->click();
        w->leave();
        QCOMPARE(notice(), "-|-");
        QCOMPARE(wine("LegalNoticeCaption"), std::nullopt);

        // Windows 98 has its own version key.
        makeWindows98();
        open();
        page->chkYN()->click();
        page->txtText()->setPlainText("Family logon");
        w->leave();
        QCOMPARE(stored(HKEY_LOCAL_MACHINE,
                        "Software\\Microsoft\\Windows\\CurrentVersion\\Winlogon",
                        "LegalNoticeText"),
                 "Family logon");

        // A changed page asks when the main window closes.
        w->show("Kestrel")->chk(1)->click();
        w.reset();
        QCOMPARE(dialogs.questions.size(), 7);
        QCOMPARE(digits(valuesOf("E.NoNetHood")), "1");
    }
};

QTEST_MAIN(RestrictionPagesTest)
#include "RestrictionPagesTest.moc"
