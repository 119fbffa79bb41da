#pragma once
// What the page tests (Qt Test, offscreen) share: a throw-away prefix with a machine on it, the
// dialogs answered without a person, the prefix's files by DOS path, and Wine's own view through
// the win32probe program.

#include "MachineOnPrefix.h"
#include "app/Module.h"

#include <QString>
#include <QStringList>
#include <QTest>
#include <fstream>
#include <iterator>
#include <sstream>

// A fresh prefix made the current machine in a variable; without Wine the test fails on CI and
// is skipped elsewhere.
#define KESTREL_QT_MACHINE(var)                                                                    \
    std::string var##_reason;                                                                      \
    auto var##_made = ::kestrel::testing::TestPrefix::make(var##_reason);                          \
    if (!var##_made) {                                                                             \
        if (::kestrel::testing::wineRequired())                                                    \
            QFAIL(var##_reason.c_str());                                                           \
        QSKIP(var##_reason.c_str());                                                               \
    }                                                                                              \
    ::kestrel::testing::MachineOnPrefix var(std::move(*var##_made))

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

inline std::string hostPath(MachineOnPrefix& on, const std::string& dosPath) {
    return on.machine().hostPathFromDos(dosPath);
}

inline std::string readHost(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeHost(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

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

// Wine's GetFileAttributesA of one path.
inline std::uint32_t wineAttributes(MachineOnPrefix& on, const std::string& dosPath) {
    const QStringList lines = probe(on, {"attr", dosPath});
    return lines.isEmpty() ? 0xFFFFFFFFu : lines.last().toUInt(nullptr, 16);
}

// Wine's GetDriveTypeA of every letter from C: to Z:, as "C=3".
inline unsigned wineDriveType(MachineOnPrefix& on, char letter) {
    for (const QString& line : probe(on, {"drives"}))
        if (line.size() > 2 && line[0] == QLatin1Char(letter) && line[1] == QLatin1Char('='))
            return line.mid(2).toUInt();
    return 0;
}

} // namespace kestrel::testing
