#pragma once
// What the restriction page tests share: a throw-away prefix as the current machine, a save
// prompt that answers by itself and counts, opening and closing a page the way the shell does,
// and reading values back with their types.

#include "ui/MdlStart.h"
#include "ui/Module.h"
#include "ui/RegQt.h"
#include "platform/Machine.h"
#include "platform/Registry.h"
#include "tests/support/MachineOnPrefix.h"

#include <QFile>
#include <QString>
#include <QTest>
#include <cstdint>
#include <memory>
#include <optional>

// A fresh prefix in var (a MachineOnPrefix made current), or the test fails (CI) or skips.
#define KESTREL_QT_MACHINE(var)                                                                    \
    std::string var##_reason;                                                                      \
    auto var##_made = ::kestrel::testing::TestPrefix::make(var##_reason);                          \
    if (!var##_made) {                                                                             \
        if (::kestrel::testing::wineRequired())                                                    \
            QFAIL(var##_reason.c_str());                                                           \
        else                                                                                       \
            QSKIP(var##_reason.c_str());                                                           \
    }                                                                                              \
    ::kestrel::testing::MachineOnPrefix var(std::move(*var##_made));                               \
    ::kestrel::MdlStart::setWinVerKeyFromPlatform()

namespace kestrel::testing {

// Answers the save prompt with answer and counts how often it was asked.
class Prompts {
public:
    explicit Prompts(bool answer = true) : answer_(answer) {
        setPromptHandler([this](const QString& question, const QString& title) {
            ++count;
            lastQuestion = question;
            lastTitle = title;
            return answer_;
        });
    }
    ~Prompts() { setPromptHandler(nullptr); }
    void answer(bool yes) { answer_ = yes; }

    int count = 0;
    QString lastQuestion;
    QString lastTitle;

private:
    bool answer_;
};

// Opens a page as the shell does: create, load, place, show.
template <class P> std::unique_ptr<P> openPage(int width = 640, int height = 480) {
    auto page = std::make_unique<P>();
    page->Form_Load();
    page->resize(width, height);
    page->show();
    return page;
}

// Closes it as the shell does: the unload handler runs, then the page is destroyed.
template <class P> void closePage(std::unique_ptr<P>& page) {
    page->Form_Unload();
    page.reset();
}

// A value as the registry holds it.
struct StoredValue {
    std::uint32_t type = REG_NONE;
    std::string data;
};

inline std::optional<StoredValue> stored(RootKey root, const QString& path, const QString& name) {
    Registry& registry = Machine::current().registry();
    RegHandle key = 0;
    if (registry.openKey(root, path.toStdString(), KEY_READ, key) != ERROR_SUCCESS)
        return std::nullopt;
    StoredValue value;
    std::uint8_t buffer[4096];
    std::uint32_t size = sizeof buffer;
    const long rc = registry.queryValue(key, name.toStdString(), value.type, buffer, size);
    registry.closeKey(key);
    if (rc != ERROR_SUCCESS)
        return std::nullopt;
    value.data.assign(reinterpret_cast<const char*>(buffer), size);
    return value;
}

// The value when it is a REG_DWORD, else nothing.
inline std::optional<std::uint32_t> dword(RootKey root, const QString& path, const QString& name) {
    const auto value = stored(root, path, name);
    if (!value || value->type != REG_DWORD || value->data.size() != 4)
        return std::nullopt;
    const auto* b = reinterpret_cast<const unsigned char*>(value->data.data());
    return b[0] | b[1] << 8 | b[2] << 16 | std::uint32_t(b[3]) << 24;
}

// The text when the value is a REG_SZ (its terminating zero dropped), else nothing.
inline std::optional<QString> sz(RootKey root, const QString& path, const QString& name) {
    auto value = stored(root, path, name);
    if (!value || value->type != REG_SZ)
        return std::nullopt;
    if (!value->data.empty() && value->data.back() == '\0')
        value->data.pop_back();
    return QString::fromLatin1(value->data);
}

inline QByteArray fileBytes(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The data column of "wine reg query KEY /v NAME" ("0x1", "text"); nothing when Wine finds none.
inline std::optional<QString> wineQuery(const TestPrefix& prefix, const QString& key,
                                        const QString& name) {
    const auto result = prefix.wine({"reg", "query", key.toStdString(), "/v", name.toStdString()});
    if (result.exitCode != 0)
        return std::nullopt;
    for (const QString& line : QString::fromStdString(result.output).split(QLatin1Char('\n'))) {
        const QStringList cells = line.trimmed().split(QStringLiteral("    "));
        if (cells.size() >= 2 && cells[0].compare(name, Qt::CaseInsensitive) == 0)
            return cells.size() >= 3 ? cells[2].trimmed() : QString();
    }
    return std::nullopt;
}

} // namespace kestrel::testing
