// The shared window helpers: the save prompt and the file dialog's filter.

#include "ui/Module.h"

#include "FakeMachine.h"
#include "resources/Catalogue.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace kestrel;

namespace {
QString withZeros(const char* text) {
    QString s = QString::fromUtf8(text);
    s.replace(QLatin1Char('|'), QChar(u'\0'));
    return s;
}
} // namespace

class ModuleTest : public QObject {
    Q_OBJECT

private slots:
    void init() { Catalogue::setLanguage(Language::English); }
    void cleanup() {
        kestrel::testing::setPromptHandler({});
        kestrel::testing::setFileChooser({});
    }

    void makeFilter_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("made");
        QTest::newRow("default") << "All Files(*.*)|*.*" << withZeros("All Files(*.*)|*.*||");
        QTest::newRow("empty") << "" << withZeros("||");
        QTest::newRow("several patterns") << "All Pictures|*.bmp;*.jpg;*.jpeg;*.gif"
                                          << withZeros("All Pictures|*.bmp;*.jpg;*.jpeg;*.gif||");
        QTest::newRow("two entries") << "Icons|*.ico|All|*.*" << withZeros("Icons|*.ico|All|*.*||");
    }
    void makeFilter() {
        QFETCH(QString, filter);
        QFETCH(QString, made);
        QCOMPARE(DialogBox::MakeFilter(filter), made);
    }

    void qtFilterShowsEveryEntryWithItsPatterns() {
        QCOMPARE(DialogBox::qtFilter("All Files(*.*)|*.*"), QStringLiteral("All Files(*.*) (*.*)"));
        QCOMPARE(DialogBox::qtFilter("All Pictures|*.bmp;*.jpg;*.jpeg;*.gif"),
                 QStringLiteral("All Pictures (*.bmp *.jpg *.jpeg *.gif)"));
        QCOMPARE(DialogBox::qtFilter("Icons|*.ico|All|*.*"),
                 QStringLiteral("Icons (*.ico);;All (*.*)"));
    }

    void askSaveQuestionAndTitle() {
        QString question, title;
        kestrel::testing::setPromptHandler([&](const QString& q, const QString& t) {
            question = q;
            title = t;
            return true;
        });
        QVERIFY(AskSave(QStringLiteral("None")));
        QCOMPARE(question, QStringLiteral("Save Changes ?"));
        QCOMPARE(title, QStringLiteral("Saving..."));
        AskSave(QStringLiteral("none")); // only "None" exactly stands for the standard question
        QCOMPARE(question, QStringLiteral("none"));
        AskSave(QStringLiteral("You want delete - Foo ?"));
        QCOMPARE(question, QStringLiteral("You want delete - Foo ?"));
        Catalogue::setLanguage(Language::Russian);
        AskSave(QStringLiteral("None"));
        QCOMPARE(question, LoadResString(109));
        QCOMPARE(title, LoadResString(110));
        QVERIFY(question != QStringLiteral("Save Changes ?"));
    }

    void askSaveMessageBoxHasYesDefaultAndQuestionIcon() {
        // The real message box: check it, then answer with the keyboard.
        for (const bool yes : {true, false}) {
            bool checked = false;
            QTimer::singleShot(0, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                QVERIFY(box);
                QCOMPARE(box->windowTitle(), QStringLiteral("Saving..."));
                QCOMPARE(box->text(), QStringLiteral("Save Changes ?"));
                QCOMPARE(box->icon(), QMessageBox::Question);
                QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
                QCOMPARE(box->defaultButton(), box->button(QMessageBox::Yes));
                checked = true;
                if (yes)
                    QTest::keyClick(box, Qt::Key_Return); // the default button
                else
                    box->button(QMessageBox::No)->click();
            });
            QCOMPARE(AskSave(QStringLiteral("None")), yes);
            QVERIFY(checked);
        }
    }

    void openFileDefaultsAndCancel() {
        QString caption, filter;
        QString answer = QStringLiteral("C:\\icons\\a.ico");
        kestrel::testing::setFileChooser([&](const QString& c, const QString& f) {
            caption = c;
            filter = f;
            return answer;
        });
        DialogBox dialog;
        QCOMPARE(dialog.OpenFile(), answer);
        QCOMPARE(caption, QStringLiteral("Open file..."));
        QCOMPARE(filter, QStringLiteral("All Files(*.*)|*.*"));
        dialog.SaveFile(QString());
        QCOMPARE(caption, QStringLiteral("Save file..."));
        answer.clear(); // cancelled
        QCOMPARE(dialog.OpenFile(QStringLiteral("Select Icon File..."), "Icon Files(*.ico)|*.ico"),
                 QString());
        QCOMPARE(caption, QStringLiteral("Select Icon File..."));
        QCOMPARE(filter, QStringLiteral("Icon Files(*.ico)|*.ico"));
    }

    void machineNamesForTheAboutPage() {
        testing::CurrentFake fake;
        fake.machine.computer = " BOX ";
        fake.machine.user = "user";
        QCOMPARE(GetCompName(), QStringLiteral("BOX"));
        QCOMPARE(GetUser(), QStringLiteral("user"));
        fake.machine.platform = VER_PLATFORM_WIN32_WINDOWS;
        QVERIFY(!IsWinNT());
        fake.machine.platform = VER_PLATFORM_WIN32_NT;
        QVERIFY(IsWinNT());
        QCOMPARE(GetSysDir(), QStringLiteral("C:\\windows\\system32"));
    }
};

QTEST_MAIN(ModuleTest)
#include "ModuleTest.moc"
