#pragma once
// What the page tests (Qt Test, offscreen) share: a throw-away prefix with a machine on it, the
// dialogs answered without a person, a page loaded with its controls found by name, the prefix's
// files by DOS path, and Wine's own view (wine reg query and the win32probe program).

#include "MachineOnPrefix.h"
#include "platform/Registry.h"
#include "ui/MdlStart.h"
#include "ui/Module.h"
#include "ui/RegQt.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QPushButton>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTest>
#include <fstream>
#include <optional>

// A fresh prefix made the current machine in a variable, the version key chosen from it; without
// Wine the test fails on CI and is skipped elsewhere.
#define KESTREL_QT_MACHINE(var)                                                                    \
    std::string var##_reason;                                                                      \
    auto var##_made = ::kestrel::testing::TestPrefix::make(var##_reason);                          \
    if (!var##_made) {                                                                             \
        if (::kestrel::testing::wineRequired())                                                    \
            QFAIL(var##_reason.c_str());                                                           \
        QSKIP(var##_reason.c_str());                                                               \
    }                                                                                              \
    ::kestrel::testing::MachineOnPrefix var(std::move(*var##_made));                               \
    ::kestrel::MdlStart::setWinVerKeyFromPlatform()

namespace kestrel::testing {

// Answers the save prompt, the message box and the file dialog, and remembers what they showed.
struct Dialogs {
    bool answer = true;
    QString chosenFile;
    QStringList questions;
    QStringList titles;
    QStringList messages;
    QStringList captions;
    QStringList filters;

    Dialogs() {
        setPromptHandler([this](const QString& question, const QString& title) {
            questions << question;
            titles << title;
            return answer;
        });
        setMessageHandler([this](const QString& text) { messages << text; });
        setFileChooser([this](const QString& caption, const QString& filter) {
            captions << caption;
            filters << filter;
            return chosenFile;
        });
    }
    ~Dialogs() {
        setPromptHandler({});
        setMessageHandler({});
        setFileChooser({});
    }
    Dialogs(const Dialogs&) = delete;
    Dialogs& operator=(const Dialogs&) = delete;
};

// A page loaded at a size, for fixtures that drive its controls directly; the fixture's control
// members are looked up after the load.
template <class P> struct LoadedForm {
    P form;
    explicit LoadedForm(int width, int height) {
        form.resize(width, height);
        form.Form_Load();
    }
};

// A page loaded at a size with its dialogs answered, for tests that find its controls by name.
template <class P> struct OpenPage {
    Dialogs dialogs;
    P page;
    explicit OpenPage(int width = 700, int height = 600) {
        page.resize(width, height);
        page.Form_Load();
    }
    template <class T = QPushButton> T* get(const char* name) {
        return page.template findChild<T*>(QLatin1String(name));
    }
    void click(const char* button) { get(button)->click(); }
};

// Makes the prefix report Windows 98, as Wine does for this setting, and follows it.
inline void makeWindows98() {
    Reg::SaveString(HKEY_CURRENT_USER, "Software\\Wine", "Version", "win98");
    MdlStart::setWinVerKeyFromPlatform();
}

inline std::string hostPath(MachineOnPrefix& on, const std::string& dosPath) {
    return on.machine().hostPathFromDos(dosPath);
}

inline void writeHost(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Types into a field as the user does: selects what it holds, then one key at a time.
inline void typeInto(QLineEdit* field, const QString& text) {
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

// The entries of a combo box or a list, top to bottom.
template <class Box> QStringList items(const Box* box) {
    QStringList list;
    for (int i = 0; i < box->model()->rowCount(); ++i)
        list << box->model()->index(i, 0).data().toString();
    return list;
}

// The program's own registry layer: a value's text, nothing when it cannot be read.
inline std::optional<QString> regValue(RootKey root, const QString& path, const QString& name) {
    QString text;
    if (!Reg::GetString(root, path, name, text))
        return std::nullopt;
    return text;
}

inline QStringList subkeys(RootKey root, const QString& path) {
    QStringList names;
    Reg::EnumKeys(names, root, path);
    return names;
}

// What "wine reg query KEY ARGS..." prints; nothing when the key or value is missing. Wine is the
// judge here. A server left running would save its own copy of the registry over later edits, so
// it is stopped.
inline std::optional<QString> wineReg(MachineOnPrefix& on, const QString& key,
                                      const std::vector<std::string>& args = {}) {
    std::vector<std::string> command{"reg", "query", key.toStdString()};
    command.insert(command.end(), args.begin(), args.end());
    const auto result = on.prefix().wine(command);
    on.prefix().stopWineServer();
    if (result.exitCode != 0)
        return std::nullopt;
    return QString::fromStdString(result.output);
}

// "wine reg query KEY /v NAME" (or /ve for the default value): the data as the query prints it
// ("text", "0x1", upper-case hex bytes for REG_BINARY), or nothing when the key or value is
// missing or, when `type` is given, of another type.
inline std::optional<QString> wineQuery(MachineOnPrefix& on, const QString& key,
                                        const QString& name = {}, const QString& type = {}) {
    const auto output =
        wineReg(on, key,
                name.isEmpty() ? std::vector<std::string>{"/ve"}
                               : std::vector<std::string>{"/v", name.toStdString()});
    // Lines look like "    NAME    REG_SZ    DATA".
    static const QRegularExpression typed(QStringLiteral("\\s(REG_[A-Z_]+)( {4}|$)"));
    for (const QString& line : output.value_or(QString()).split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match = typed.match(line.trimmed());
        if (match.hasMatch() && (type.isEmpty() || match.captured(1) == type))
            return line.trimmed().mid(match.capturedEnd()).trimmed();
    }
    return std::nullopt;
}

inline std::optional<QString> wineBinary(MachineOnPrefix& on, const QString& key,
                                         const QString& name) {
    return wineQuery(on, key, name, QStringLiteral("REG_BINARY"));
}

// What "wine reg query KEY" prints; empty when the key is missing.
inline QString wineListing(MachineOnPrefix& on, const QString& key) {
    return wineReg(on, key).value_or(QString());
}

// The string values of a key and its subkeys as "wine reg query KEY /s" prints them: the value's
// path below KEY ("Main\\Window Title", "Version") mapped to its data. Empty when KEY is missing.
inline QMap<QString, QString> wineValues(MachineOnPrefix& on, const QString& key) {
    QMap<QString, QString> values;
    QString top, below; // the first key printed is KEY itself
    for (QString line : wineReg(on, key, {"/s"}).value_or(QString()).split('\n')) {
        line.remove(QLatin1Char('\r'));
        // Key lines only: anything else Wine may print (a message of its own) is no key.
        if (line.startsWith(QStringLiteral("HKEY_"))) {
            top = top.isEmpty() ? line : top;
            below = line.mid(top.size() + 1);
        }
        // "    NAME    REG_SZ    DATA"; the name may hold single blanks.
        const int at = line.indexOf(QStringLiteral("    REG_SZ"));
        if (line.startsWith(QLatin1Char(' ')) && at >= 0)
            values.insert((below.isEmpty() ? QString() : below + QLatin1Char('\\')) +
                              line.mid(4, at - 4),
                          line.mid(at + 14));
    }
    return values;
}

inline bool wineKeyExists(MachineOnPrefix& on, const QString& key) {
    return !wineListing(on, key).isEmpty();
}

#ifdef KESTREL_WIN32PROBE
// Runs win32probe under Wine on this prefix and gives its output lines.
inline QStringList probe(MachineOnPrefix& on, const std::vector<std::string>& args) {
    std::vector<std::string> command{KESTREL_WIN32PROBE};
    command.insert(command.end(), args.begin(), args.end());
    const auto result = on.prefix().wine(command);
    // Wine writes its registry back when its server ends; let it end before Kestrel edits more.
    on.prefix().stopWineServer();
    QString text = QString::fromLocal8Bit(result.output.c_str());
    text.remove(QLatin1Char('\r'));
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

#endif

} // namespace kestrel::testing
