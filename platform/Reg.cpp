#include "Reg.h"

#include "Codepage.h"
#include "Machine.h"
#include "Registry.h"

#include <array>

namespace kestrel::Reg {

namespace {

constexpr std::uint32_t ReadBufferSize = 1024;

std::string ansi(const std::wstring& text) {
    return codepage::fromWide(text, Machine::current().ansiCodePage());
}

std::wstring wide(const std::string& bytes) {
    return codepage::toWide(bytes, Machine::current().ansiCodePage());
}

// Create-or-open root\path for writing, run one operation on the key, close it.
template <typename Operation>
bool withWritableKey(RootKey root, const std::wstring& path, Operation operation) {
    Registry& registry = Machine::current().registry();
    RegHandle key = 0;
    if (registry.createKey(root, ansi(path), KEY_WRITE, key) != ERROR_SUCCESS) {
        registry.closeKey(key);
        return false;
    }
    const long status = operation(registry, key);
    registry.closeKey(key);
    return status == ERROR_SUCCESS;
}

} // namespace

bool GetString(RootKey root, const std::wstring& path, const std::wstring& name,
               std::wstring& text) {
    Registry& registry = Machine::current().registry();
    RegHandle key = 0;
    long status = registry.openKey(root, ansi(path), KEY_ALL_ACCESS, key);
    if (status == ERROR_SUCCESS) {
        std::array<std::uint8_t, ReadBufferSize> buffer{};
        std::uint32_t type = REG_NONE;
        std::uint32_t size = ReadBufferSize;
        status = registry.queryValue(key, ansi(name), type, buffer.data(), size);
        if (status == ERROR_SUCCESS) {
            std::string chars(reinterpret_cast<const char*>(buffer.data()), size);
            if (!chars.empty() && chars.back() == '\0')
                chars.pop_back();
            if (type == REG_SZ || type == REG_BINARY)
                text = wide(chars);
            else if (type == REG_DWORD)
                text = size > 0 ? std::to_wstring(buffer[0]) : std::wstring();
            registry.closeKey(key);
            return true;
        }
    }
    text.clear();
    registry.closeKey(key);
    return false;
}

bool SaveDWord(RootKey root, const std::wstring& path, const std::wstring& name,
               std::int32_t data) {
    const auto value = static_cast<std::uint32_t>(data);
    const std::array<std::uint8_t, 4> bytes = {
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    return withWritableKey(root, path, [&](Registry& registry, RegHandle key) {
        return registry.setValue(key, ansi(name), REG_DWORD, bytes.data(), 4);
    });
}

bool SaveString(RootKey root, const std::wstring& path, const std::wstring& name,
                const std::wstring& data) {
    const std::string bytes = ansi(data);
    return withWritableKey(root, path, [&](Registry& registry, RegHandle key) {
        // The terminator is part of the data: length in characters plus one.
        return registry.setValue(key, ansi(name), REG_SZ,
                                 reinterpret_cast<const std::uint8_t*>(bytes.c_str()),
                                 static_cast<std::uint32_t>(data.size() + 1));
    });
}

bool SaveBinary(RootKey root, const std::wstring& path, const std::wstring& name,
                const std::wstring& data) {
    const std::string bytes = ansi(data);
    return withWritableKey(root, path, [&](Registry& registry, RegHandle key) {
        return registry.setValue(key, ansi(name), REG_BINARY,
                                 reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                 static_cast<std::uint32_t>(bytes.size()));
    });
}

bool DeleteValue(RootKey root, const std::wstring& path, const std::wstring& name) {
    return withWritableKey(root, path, [&](Registry& registry, RegHandle key) {
        return registry.deleteValue(key, ansi(name));
    });
}

bool EnumKeys(std::vector<std::wstring>& names, RootKey root, const std::wstring& path) {
    names.clear();
    Registry& registry = Machine::current().registry();
    RegHandle key = 0;
    if (registry.openKey(root, ansi(path), KEY_ALL_ACCESS, key) != ERROR_SUCCESS) {
        registry.closeKey(key);
        return false;
    }
    std::string name;
    for (std::uint32_t index = 0; registry.enumKey(key, index, name) == ERROR_SUCCESS; ++index)
        names.push_back(wide(name));
    registry.closeKey(key);
    return true;
}

} // namespace kestrel::Reg
