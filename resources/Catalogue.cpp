#include "Catalogue.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QLibraryInfo>
#include <QLocale>
#include <QTextStream>
#include <QTranslator>

// The resources live in a static library: nothing refers to them from outside, so the linker
// would leave them out unless they are registered by name.
static void registerResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    (void)registered;
}

namespace kestrel {

namespace {

Language currentLanguage = Catalogue::languageFromEnvironment();

// strings/<lang>.txt: one "id<TAB>text" per line; "\n" in a text is a line break (CR LF),
// "\t" a tab and "\\" a backslash. Lines starting with '#' are comments.
QHash<int, QString> loadTable(Language language) {
    registerResources();
    QHash<int, QString> table;
    QFile file(language == Language::Russian ? QStringLiteral(":/strings/ru.txt")
                                             : QStringLiteral(":/strings/en.txt"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return table;
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const int tab = line.indexOf(QLatin1Char('\t'));
        bool ok = false;
        const int id = line.left(tab).toInt(&ok);
        if (tab < 0 || !ok)
            continue;
        QString text;
        const QString raw = line.mid(tab + 1);
        for (int i = 0; i < raw.size(); ++i) {
            if (raw[i] == QLatin1Char('\\') && i + 1 < raw.size()) {
                const QChar next = raw[++i];
                if (next == QLatin1Char('n'))
                    text += QStringLiteral("\r\n");
                else if (next == QLatin1Char('t'))
                    text += QLatin1Char('\t');
                else
                    text += next;
            } else {
                text += raw[i];
            }
        }
        table.insert(id, text);
    }
    return table;
}

const QHash<int, QString>& table(Language language) {
    static const QHash<int, QString> english = loadTable(Language::English);
    static const QHash<int, QString> russian = loadTable(Language::Russian);
    return language == Language::Russian ? russian : english;
}

} // namespace

namespace {
QList<int> missingIds;
}

QString LoadResString(int id) {
    const auto& texts = table(currentLanguage);
    const auto found = texts.constFind(id);
    if (found == texts.constEnd()) {
        if (!missingIds.contains(id))
            missingIds.append(id);
        return {};
    }
    return *found;
}

QIcon LoadResPicture(const QString& name) {
    // Pictures are decoded once: the About page and the window icon ask for the program's
    // icon (six sizes) again and again. Pictures are asked for on the GUI thread only.
    static QHash<QString, QIcon> pictures;
    if (const auto found = pictures.constFind(name); found != pictures.constEnd())
        return *found;
    registerResources();
    const QString base = QStringLiteral(":/icons/") + name.toLower();
    QIcon icon(base + QStringLiteral(".png"));
    // The program's icon also comes in the sizes desktops ask for.
    for (int size : {16, 48, 64, 128, 256}) {
        const QString file = base + QStringLiteral("-%1.png").arg(size);
        if (QFile::exists(file))
            icon.addFile(file, QSize(size, size));
    }
    pictures.insert(name, icon);
    return icon;
}

QByteArray LoadResData(const QString& name, const QString& type) {
    registerResources();
    QFile file(QStringLiteral(":/data/") + type.toUpper() + QLatin1Char('/') + name.toUpper());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

namespace Catalogue {

Language languageFromEnvironment() {
    // The language of messages (LANGUAGE, else LC_ALL, LC_MESSAGES, LANG on Unix; the user's
    // display language on Windows), not the one of number formats.
    const QStringList languages = QLocale::system().uiLanguages();
    const QLocale preferred = languages.isEmpty() ? QLocale::system() : QLocale(languages.first());
    return preferred.language() == QLocale::Russian ? Language::Russian : Language::English;
}

Language language() {
    return currentLanguage;
}
void setLanguage(Language language) {
    currentLanguage = language;
}

bool installQtTranslations() {
    static QTranslator* installed = nullptr;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }
    if (currentLanguage == Language::English)
        return true;
    auto* translator = new QTranslator;
    if (!translator->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    installed = translator;
    return true;
}

QList<int> missing() {
    return missingIds;
}

QList<int> ids(Language language) {
    QList<int> keys = table(language).keys();
    std::sort(keys.begin(), keys.end());
    return keys;
}

} // namespace Catalogue
} // namespace kestrel
