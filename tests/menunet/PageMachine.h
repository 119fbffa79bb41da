#pragma once
// What the page tests of this folder share: a throw-away machine made current for one test, and
// the save prompt and message box answered without a person.

#include "app/Module.h"
#include "app/RegQt.h"
#include "tests/support/MachineOnPrefix.h"

#include <QStringList>
#include <QTest>
#include <memory>
#include <optional>

namespace kestrel::testing {

// A fresh prefix with a WineMachine on it, current until destroyed.
class PageMachine {
public:
    // Empty (with reason) when no prefix can be had.
    static std::unique_ptr<PageMachine> make(QString& reason) {
        std::string why;
        auto prefix = TestPrefix::make(why);
        if (!prefix) {
            reason = QString::fromStdString(why);
            return nullptr;
        }
        return std::unique_ptr<PageMachine>(new PageMachine(std::move(*prefix)));
    }

    TestPrefix& prefix() { return onPrefix_.prefix(); }
    Machine& machine() { return onPrefix_.machine(); }

    // "wine reg query KEY /v NAME" (or /ve for the default value): the value's data as the
    // query prints it, or nothing when the key or value is missing. Wine is the judge here.
    std::optional<QString> wineQuery(const QString& key, const QString& name = {}) {
        onPrefix_.prefix().stopWineServer();
        std::vector<std::string> args{"reg", "query", key.toStdString()};
        if (name.isEmpty()) {
            args.push_back("/ve");
        } else {
            args.push_back("/v");
            args.push_back(name.toStdString());
        }
        const auto result = onPrefix_.prefix().wine(args);
        // A server left running would save its own copy of the registry over later edits.
        onPrefix_.prefix().stopWineServer();
        if (result.exitCode != 0)
            return std::nullopt;
        // Lines look like "    NAME    REG_SZ    DATA".
        for (const QString& line : QString::fromStdString(result.output).split(QLatin1Char('\n'))) {
            const int at = line.indexOf(QStringLiteral("REG_SZ"));
            if (at >= 0)
                return line.mid(at + 6).trimmed();
        }
        return std::nullopt;
    }
    // What "wine reg query KEY" prints; empty when the key is missing.
    QString wineListing(const QString& key) {
        const auto result = onPrefix_.prefix().wine({"reg", "query", key.toStdString()});
        onPrefix_.prefix().stopWineServer();
        return result.exitCode == 0 ? QString::fromStdString(result.output) : QString();
    }
    // True when "wine reg query KEY" finds the key.
    bool wineKeyExists(const QString& key) {
        const auto result = onPrefix_.prefix().wine({"reg", "query", key.toStdString()});
        onPrefix_.prefix().stopWineServer();
        return result.exitCode == 0;
    }

private:
    explicit PageMachine(TestPrefix&& prefix) : onPrefix_(std::move(prefix)) {}
    MachineOnPrefix onPrefix_;
};

// Answers the save prompt and records every question and message.
struct Dialogs {
    bool answer = true;
    QStringList questions;
    QStringList titles;
    QStringList messages;

    Dialogs() {
        kestrel::testing::setPromptHandler([this](const QString& question, const QString& title) {
            questions << question;
            titles << title;
            return answer;
        });
        kestrel::testing::setMessageHandler([this](const QString& text) { messages << text; });
    }
    ~Dialogs() {
        kestrel::testing::setPromptHandler(nullptr);
        kestrel::testing::setMessageHandler(nullptr);
    }
    Dialogs(const Dialogs&) = delete;
    Dialogs& operator=(const Dialogs&) = delete;
};

// The value's text through the program's own registry layer; nothing when it cannot be read.
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

} // namespace kestrel::testing

// Makes the machine for one Qt test function: fails under CI without Wine, else skips.
#define PAGE_MACHINE(var)                                                                          \
    QString var##_reason;                                                                          \
    auto var##_made = ::kestrel::testing::PageMachine::make(var##_reason);                         \
    if (!var##_made) {                                                                             \
        if (::kestrel::testing::wineRequired())                                                    \
            QFAIL(qPrintable(var##_reason));                                                       \
        QSKIP(qPrintable(var##_reason));                                                           \
    }                                                                                              \
    ::kestrel::testing::PageMachine& var = *var##_made
