// The texts the user sees: the catalogue in both languages, the language chosen from the user's
// environment, a Russian run of every page and of Qt's own dialogs, and the shared dialogs (save
// prompt, file dialog) as the user meets them.

#include "app/PageTable.h"
#include "app/frmAbout.h"
#include "app/frmTR.h"
#include "resources/Catalogue.h"
#include "tests/support/PageTestKit.h"
#include "ui/Page.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

// Runs this test program again to print one string with the given environment ("NAME=value"
// pairs, blank-separated).
QString stringInChild(const QString& env, int id) {
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name : {"LANG", "LC_ALL", "LC_MESSAGES", "LANGUAGE"})
        environment.remove(name);
    for (const QString& pair : env.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        environment.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    environment.insert(QStringLiteral("KESTREL_PRINT_STRING"), QString::number(id));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {"-o", "/dev/null,txt"});
    child.waitForFinished(30000); // one that does not finish prints nothing that matches
    return QString::fromUtf8(child.readAllStandardOutput());
}

bool hasCyrillic(const QString& text) {
    static const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
    return text.contains(cyrillic);
}

// Texts a user reads on a widget and its children: labels, buttons and frames (trees and lists
// show the machine's data).
QStringList visibleTexts(QWidget* root) {
    QStringList texts;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(root))
            continue;
        if (auto* label = qobject_cast<QLabel*>(w))
            texts << label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            texts << button->text();
        else if (auto* frame = qobject_cast<QGroupBox*>(w))
            texts << frame->title();
    }
    return texts;
}

// English words in texts that should be Russian. Names stay as they are in both languages:
// the program's and Windows' own, product names, the TCP/IP values' names, and the machine's
// names and its time designators (the clock page previews the machine's own "AM" and "PM"); a
// web address too.
QStringList englishWords(const QStringList& texts) {
    static const QStringList kept = {
        "Kestrel", "Ok", "Internet", "Explorer", "Windows", "Uninstall", "Active", "Desktop", "MTU",
        "MaxMTU", "MaxMSS", "Default", "DefaultTTL", "MSS", "TTL", "IE", "regedit", "exe", "DOS",
        "HDD", "VHDD", "Family", "logon", "Netscape", "Drag", "Drop", "IP", "Ethernet", "AM", "PM",
        "WWW", "Wine", "WINEPREFIX",
        // the command line and registry path that start a Wine desktop with a taskbar
        "wine", "explorer", "desktop", "shell", "EnableShell", "DWORD", "HKEY", "CURRENT", "USER",
        "Software", "Desktops"};
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{2,}"));
    QStringList found;
    for (const QString& text : texts)
        for (auto it = word.globalMatch(text);
             it.hasNext() && !text.contains(QLatin1String("://"));) {
            const QString w = it.next().captured();
            if (!kept.contains(w) && w != GetCompName() && w != GetUser())
                found << w + QStringLiteral(" in \"") + text + QLatin1Char('"');
        }
    return found;
}

// Calls act once the next modal dialog, of the given class, is up.
template <class Dialog> void whenModal(std::function<void(Dialog*)> act) {
    QTimer::singleShot(0, [act = std::move(act)] {
        QTRY_VERIFY(QApplication::activeModalWidget());
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        act(dialog);
    });
}

} // namespace

class TextsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // Run again by stringInChild: print one string in the language chosen at start, and end.
        if (const int id = qEnvironmentVariableIntValue("KESTREL_PRINT_STRING")) {
            std::fputs(LoadResString(id).toUtf8().constData(), stdout);
            std::exit(0);
        }
    }
    void init() {
        Catalogue::setLanguage(Language::English);
        Catalogue::installQtTranslations();
    }

    void bothLanguagesHoldTheSameIdsWithTexts() {
        const QList<int> ids = Catalogue::ids(Language::English);
        QCOMPARE(Catalogue::ids(Language::Russian), ids);
        // Apart from the title, a few technical names and the names of the prefix tools, the
        // Russian texts are translations.
        const QList<int> same = {101, 119, 342, 343, 344, 446, 983,
                                 984, 985, 986, 987, 988, 989, 995};
        for (int id : ids) {
            const QString en = LoadResString(id);
            Catalogue::setLanguage(Language::Russian);
            const QString ru = LoadResString(id);
            Catalogue::setLanguage(Language::English);
            QVERIFY2(!en.trimmed().isEmpty(), qPrintable(QString::number(id)));
            QVERIFY2(same.contains(id) || hasCyrillic(ru), qPrintable(QString::number(id)));
            // Formatting marks and trailing blanks mean the same in both.
            QCOMPARE(ru.count(QStringLiteral("%s")), en.count(QStringLiteral("%s")));
            QCOMPARE(ru.endsWith(QLatin1Char(' ')), en.endsWith(QLatin1Char(' ')));
        }
        // Line breaks, marks and quotes are read as written.
        QCOMPARE(LoadResString(113).count(QStringLiteral("\r\n")), 2);
        QCOMPARE(LoadResString(451),
                 QStringLiteral("This option add your domain to IE domain list\r\n%s - Domain"));
        QCOMPARE(LoadResString(377), QStringLiteral("Folder Path (without \"\\\" on end)"));
    }

    // The language follows the user's messages: LC_ALL, then LC_MESSAGES, then LANG.
    void languageFollowsTheUsersMessages() {
        const QList<QPair<QString, QString>> rows = {
            {"LANG=ru_RU.UTF-8", "Система"},
            {"LC_ALL=ru_RU.UTF-8 LANG=en_US.UTF-8", "Система"},
            {"LC_MESSAGES=ru_RU.UTF-8 LANG=en_US.UTF-8", "Система"},
            {"LANG=ru_RU.UTF-8 LC_MESSAGES=en_US.UTF-8", "System"},
            {"LANG=de_DE.UTF-8", "System"},
            {"", "System"},
        };
        for (const auto& [env, text] : rows)
            QVERIFY2(stringInChild(env, 102) == text, qPrintable(env));
    }

    void russianRunShowsNoEnglish() {
        KESTREL_QT_MACHINE(on);
        // Windows 98, so that every node and page is there.
        QVERIFY(Reg::SaveString(HKEY_CURRENT_USER, "Software\\Wine", "Version", "win98"));
        Catalogue::setLanguage(Language::Russian);
        QVERIFY(Catalogue::installQtTranslations());
        Dialogs dialogs;

        frmTR tree;
        QCOMPARE(tree.node("Windows")->text(0), QStringLiteral("Система"));
        // Product names stay as they are.
        QCOMPARE(tree.node("IE")->text(0), QStringLiteral("Internet Explorer"));
        QCOMPARE(tree.node("Uninstall")->text(0), QStringLiteral("Windows Uninstall"));
        QStringList english;
        for (QTreeWidgetItemIterator it(tree.TR); *it; ++it)
            english << englishWords({(*it)->text(0)});
        std::vector<PageRow> rows = pageTable();
        rows.push_back({"About", "frmAbout", [] { return new frmAbout; }});
        for (const PageRow& row : rows) {
            std::unique_ptr<Page> page(row.create());
            page->resize(640, 480);
            page->Form_Load();
            page->show();
            for (const QString& w : englishWords(visibleTexts(page.get())))
                english << QLatin1String(row.form) + QStringLiteral(": ") + w;
            page->Form_Unload();
        }
        QVERIFY2(english.isEmpty(), qPrintable(english.join(QLatin1Char('\n'))));
        QVERIFY(dialogs.messages.isEmpty());
        // Every text the pages asked for is in the catalogue.
        QCOMPARE(Catalogue::missing(), QList<int>{});
    }

    // The save prompt: a question with Yes the default (Return answers it), the text as given
    // unless it is "None" exactly, all of it Russian in a Russian run (where "None" stands for
    // the standard question).
    void askSaveQuestionTitleAndButtons() {
        QStringList seen;
        for (const bool english : {true, false}) {
            Catalogue::setLanguage(english ? Language::English : Language::Russian);
            QVERIFY(Catalogue::installQtTranslations());
            whenModal<QMessageBox>([&seen, english](QMessageBox* box) {
                seen << box->windowTitle() << box->text() << box->button(QMessageBox::Yes)->text()
                     << box->button(QMessageBox::No)->text();
                QCOMPARE(box->icon(), QMessageBox::Question);
                QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
                QCOMPARE(box->defaultButton(), box->button(QMessageBox::Yes));
                if (english)
                    QTest::keyClick(box, Qt::Key_Return);
                else
                    box->button(QMessageBox::No)->click();
            });
            QCOMPARE(AskSave(english ? QStringLiteral("none") : QStringLiteral("None")), english);
        }
        QCOMPARE(seen.mid(0, 2), (QStringList{"Saving...", "none"}));
        QCOMPARE(seen.size(), 8);
        for (const QString& text : seen.mid(4))
            QVERIFY2(hasCyrillic(text) && englishWords({text}).isEmpty(), qPrintable(text));
    }

    void stockIconsAre32Pixels() {
        for (const char* name : {"DEFAULT", "FOLDER", "APP", "folder"})
            QVERIFY2(LoadResPicture(QLatin1String(name)).availableSizes().contains(QSize(32, 32)),
                     name);
    }

    void saveFileDialogGivesTheDosPathOfTheChosenHostFile() {
        KESTREL_QT_MACHINE(on);
        const std::string folder = hostPath(on, "C:\\");
        std::filesystem::create_directories(folder + "/Icons Here");
        writeHost(folder + "/Icons Here/caf\xc3\xa9.ico", "icon");
        whenModal<QFileDialog>([&](QFileDialog* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Select Icon File..."));
            // Every entry of the filter with its patterns, the first one chosen.
            QCOMPARE(dialog->nameFilters() << dialog->selectedNameFilter(),
                     (QStringList{"Icon Files(*.ico) (*.ico)", "All (*.bmp *.jpg)",
                                  "Icon Files(*.ico) (*.ico)"}));
            // The dialog starts in the machine's C: drive.
            QCOMPARE(std::filesystem::canonical(dialog->directory().absolutePath().toStdString()),
                     std::filesystem::canonical(folder));
            dialog->selectFile(QString::fromStdString(folder + "/Icons Here/caf\xc3\xa9.ico"));
            static_cast<QDialog*>(dialog)->accept();
        });
        QCOMPARE(DialogBox().OpenFile(QStringLiteral("Select Icon File..."),
                                      QStringLiteral("Icon Files(*.ico)|*.ico|All|*.bmp;*.jpg")),
                 QStringLiteral("C:\\Icons Here\\café.ico"));

        // A file outside the drives the prefix maps gives its path on drive Z:, the host's root.
        // In a Russian run Qt's own dialog shows no English.
        Catalogue::setLanguage(Language::Russian);
        QVERIFY(Catalogue::installQtTranslations());
        QStringList texts;
        whenModal<QFileDialog>([&](QFileDialog* dialog) {
            texts = visibleTexts(dialog);
            dialog->selectFile(QStringLiteral("/tmp/outside.txt"));
            static_cast<QDialog*>(dialog)->accept();
        });
        QCOMPARE(DialogBox().SaveFile(QString()), QStringLiteral("Z:\\tmp\\outside.txt"));
        QVERIFY(std::count_if(texts.begin(), texts.end(), hasCyrillic) >= 3);
        QCOMPARE(englishWords(texts), QStringList());
    }
};

QTEST_MAIN(TextsTest)

#include "TextsTest.moc"
