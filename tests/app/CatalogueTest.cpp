// The text catalogue: every id the program uses exists in English and in Russian, the texts keep
// their line breaks and blanks, and the language follows the user's.

#include "resources/Catalogue.h"

#include <QProcess>
#include <QtTest>
#include <cstdio>

using namespace kestrel;

namespace {

// The ids of the catalogue, block by block as the pages use them.
QList<int> expectedIds() {
    QList<int> ids = {101, 102, 103, 111, 112, 114, 115, 116, 117, 119, 136, 164, 176, 300,
                      310, 337, 340, 341, 350, 360, 367, 368, 386, 398, 399, 450, 460, 104,
                      105, 118, 127, 113, 128, 130, 338, 339, 385, 387, 388, 396, 397};
    const QList<QPair<int, int>> ranges = {
        {106, 108}, {177, 179}, {109, 110}, {120, 126}, {160, 163}, {180, 184},
        {200, 217}, {220, 237}, {240, 253}, {260, 264}, {280, 287}, {301, 304},
        {311, 322}, {330, 336}, {342, 347}, {351, 356}, {361, 366}, {370, 377},
        {380, 384}, {400, 448}, {451, 453}, {455, 457}, {461, 469}, {970, 970}};
    for (const auto& [first, last] : ranges)
        for (int id = first; id <= last; ++id)
            ids << id;
    std::sort(ids.begin(), ids.end());
    return ids;
}

QString textIn(Language language, int id) {
    const Language before = Catalogue::language();
    Catalogue::setLanguage(language);
    const QString text = LoadResString(id);
    Catalogue::setLanguage(before);
    return text;
}

// Runs this test program again to print one string with the given environment.
QString stringInChild(const QMap<QString, QString>& env, int id) {
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name : {"LANG", "LC_ALL", "LC_MESSAGES", "LANGUAGE"})
        environment.remove(name);
    for (auto it = env.begin(); it != env.end(); ++it)
        environment.insert(it.key(), it.value());
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--print-string"), QString::number(id)});
    if (!child.waitForFinished(30000))
        return QStringLiteral("<child did not finish>");
    return QString::fromUtf8(child.readAllStandardOutput());
}

} // namespace

class CatalogueTest : public QObject {
    Q_OBJECT

private slots:
    void everyIdExistsInBothLanguages() {
        const QList<int> expected = expectedIds();
        QCOMPARE(expected.size(), 247);
        QCOMPARE(Catalogue::ids(Language::English), expected);
        QCOMPARE(Catalogue::ids(Language::Russian), expected);
        for (int id : expected) {
            QVERIFY2(!textIn(Language::English, id).trimmed().isEmpty(),
                     qPrintable(QString::number(id)));
            QVERIFY2(!textIn(Language::Russian, id).trimmed().isEmpty(),
                     qPrintable(QString::number(id)));
        }
    }

    void russianTextsAreTranslations() {
        // Apart from the title and a few technical names, the Russian texts differ from the
        // English ones and are written in Cyrillic.
        const QList<int> same = {101, 119, 342, 343, 344};
        for (int id : expectedIds()) {
            const QString ru = textIn(Language::Russian, id);
            if (same.contains(id)) {
                QCOMPARE(ru, textIn(Language::English, id));
                continue;
            }
            bool cyrillic = false;
            for (QChar c : ru)
                cyrillic = cyrillic || (c.unicode() >= 0x0400 && c.unicode() <= 0x04FF);
            QVERIFY2(cyrillic || id == 446, qPrintable(QString::number(id) + ": " + ru));
        }
    }

    void textsKeepBreaksBlanksAndSpecialCharacters() {
        const QString help = textIn(Language::English, 113);
        QVERIFY(help.endsWith(QStringLiteral("\r\n")));
        QCOMPARE(help.count(QStringLiteral("\r\n")), 2);
        QVERIFY(help.startsWith("If you check this option, then you can see message before LogOn "
                                "Windows.\r\n(Family logon only)"));
        QCOMPARE(textIn(Language::English, 451),
                 QStringLiteral("This option add your domain to IE domain list\r\n%s - Domain"));
        QVERIFY(textIn(Language::Russian, 451).contains(QStringLiteral("%s")));
        QCOMPARE(textIn(Language::English, 177), QStringLiteral("Computer Name: "));
        QCOMPARE(textIn(Language::English, 179), QStringLiteral("Windows Started - "));
        QCOMPARE(textIn(Language::English, 382), QStringLiteral("You want delete - "));
        for (int id : {177, 179, 382})
            QVERIFY(textIn(Language::Russian, id).endsWith(QLatin1Char(' ')));
        QCOMPARE(textIn(Language::English, 377),
                 QStringLiteral("Folder Path (without \"\\\" on end)"));
        QCOMPARE(textIn(Language::English, 214),
                 QStringLiteral("Removes the \"For Netscape Users\" menu item"));
        QCOMPARE(textIn(Language::English, 362), QStringLiteral("Un Mounting  VHDD"));
        QCOMPARE(textIn(Language::English, 408), QStringLiteral("Hard Disk Drive  (HDD)"));
        QCOMPARE(textIn(Language::English, 366),
                 QStringLiteral("P.S.\r\nThis function can't unmount \"Real\" disks\r\n"));
        QCOMPARE(textIn(Language::English, 101), QStringLiteral("Kestrel"));
        QCOMPARE(textIn(Language::Russian, 101), QStringLiteral("Kestrel"));
        QVERIFY(textIn(Language::Russian, 263).contains(QStringLiteral("regedit.exe")));
        QVERIFY(textIn(Language::Russian, 346).contains(QStringLiteral("1500")));
    }

    void russianUserGetsRussianTexts() {
        QCOMPARE(stringInChild({{"LANG", "ru_RU.UTF-8"}}, 102), QStringLiteral("Система"));
        QCOMPARE(stringInChild({{"LC_ALL", "ru_RU.UTF-8"}, {"LANG", "en_US.UTF-8"}}, 102),
                 QStringLiteral("Система"));
        QCOMPARE(stringInChild({{"LC_MESSAGES", "ru_RU.UTF-8"}, {"LANG", "en_US.UTF-8"}}, 102),
                 QStringLiteral("Система"));
        QCOMPARE(stringInChild({{"LANG", "ru_RU.UTF-8"}, {"LC_MESSAGES", "en_US.UTF-8"}}, 102),
                 QStringLiteral("System"));
        QCOMPARE(stringInChild({{"LANG", "en_US.UTF-8"}}, 102), QStringLiteral("System"));
        QCOMPARE(stringInChild({{"LANG", "de_DE.UTF-8"}}, 102), QStringLiteral("System"));
        QCOMPARE(stringInChild({{"LANG", "C"}}, 102), QStringLiteral("System"));
        QCOMPARE(stringInChild({}, 102), QStringLiteral("System"));
    }

    void stockIconsAre32Pixels() {
        for (const char* name : {"DEFAULT", "FOLDER", "APP"}) {
            const QIcon icon = LoadResPicture(QLatin1String(name));
            QVERIFY2(!icon.isNull(), name);
            QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
        }
        QVERIFY(LoadResPicture(QStringLiteral("default")).availableSizes().contains(QSize(32, 32)));
    }
};

int main(int argc, char** argv) {
    if (argc == 3 && qstrcmp(argv[1], "--print-string") == 0) {
        QCoreApplication app(argc, argv);
        const QByteArray text = LoadResString(QByteArray(argv[2]).toInt()).toUtf8();
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        return 0;
    }
    QApplication app(argc, argv);
    CatalogueTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "CatalogueTest.moc"
