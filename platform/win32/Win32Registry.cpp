#include "Win32Registry.h"

// Our own constants first; from here on the names below are the Windows macros of the same value.
#include <windows.h>

namespace kestrel::win32 {

namespace {

// The security record every key creation passes: no descriptor of its own (the key inherits
// its parent's), and a handle that child processes may inherit. Set before each use.
SECURITY_ATTRIBUTES securityRecord;

SECURITY_ATTRIBUTES* preparedSecurityRecord() {
    securityRecord.nLength = sizeof(SECURITY_ATTRIBUTES);
    securityRecord.lpSecurityDescriptor = nullptr;
    securityRecord.bInheritHandle = TRUE;
    return &securityRecord;
}

// Kestrel names the predefined roots by their 32-bit values (0x80000001 …); on 64-bit Windows
// the HKEY of a root is that value sign-extended. Other handles pass through unchanged.
HKEY toHkey(RegHandle handle) {
    if (handle >= 0x80000000u && handle <= 0xFFFFFFFFu) {
        const auto value = static_cast<LONG>(static_cast<std::uint32_t>(handle));
        return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(value));
    }
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(handle));
}

RegHandle fromHkey(HKEY key) {
    const auto value =
        static_cast<std::uint64_t>(static_cast<std::int64_t>(reinterpret_cast<LONG_PTR>(key)));
    if (value >= 0xFFFFFFFF80000000ull)
        return value & 0xFFFFFFFFu;
    return value;
}

bool isPredefinedRoot(RegHandle handle) {
    return handle >= 0x80000000u && handle <= 0xFFFFFFFFu;
}

// Deletes parent\subKey and everything below it, children first: RegDeleteKeyA removes only
// keys without subkeys on the NT family.
long deleteTree(HKEY parent, const char* subKey) {
    HKEY key = nullptr;
    long status = RegOpenKeyExA(parent, subKey, 0, KEY_READ, &key);
    if (status != ERROR_SUCCESS)
        return status;
    for (;;) {
        // Always the first child: deleting one moves the others up.
        char name[256];
        DWORD length = sizeof(name);
        status = RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status == ERROR_SUCCESS)
            status = deleteTree(key, name);
        if (status != ERROR_SUCCESS) {
            RegCloseKey(key);
            return status;
        }
    }
    RegCloseKey(key);
    return RegDeleteKeyA(parent, subKey);
}

} // namespace

long Win32Registry::openKey(RegHandle key, const std::string& subKey, std::uint32_t access,
                            RegHandle& result) {
    HKEY opened = nullptr;
    const long status = RegOpenKeyExA(toHkey(key), subKey.c_str(), 0, access, &opened);
    result = status == ERROR_SUCCESS ? fromHkey(opened) : 0;
    return status;
}

long Win32Registry::createKey(RegHandle key, const std::string& subKey, std::uint32_t access,
                              RegHandle& result) {
    char noClass[] = "";
    HKEY created = nullptr;
    const long status =
        RegCreateKeyExA(toHkey(key), subKey.c_str(), 0, noClass, REG_OPTION_NON_VOLATILE, access,
                        preparedSecurityRecord(), &created, nullptr);
    result = status == ERROR_SUCCESS ? fromHkey(created) : 0;
    return status;
}

long Win32Registry::queryValue(RegHandle key, const std::string& name, std::uint32_t& type,
                               std::uint8_t* data, std::uint32_t& size) {
    DWORD valueType = REG_NONE;
    DWORD length = size;
    const long status =
        RegQueryValueExA(toHkey(key), name.c_str(), nullptr, &valueType, data, &length);
    type = valueType;
    size = length;
    return status;
}

long Win32Registry::setValue(RegHandle key, const std::string& name, std::uint32_t type,
                             const std::uint8_t* data, std::uint32_t size) {
    return RegSetValueExA(toHkey(key), name.c_str(), 0, type, data, size);
}

long Win32Registry::deleteValue(RegHandle key, const std::string& name) {
    return RegDeleteValueA(toHkey(key), name.c_str());
}

long Win32Registry::deleteKey(RegHandle key, const std::string& subKey) {
    // An empty name would make Windows delete the open key itself.
    if (subKey.empty())
        return ERROR_INVALID_PARAMETER;
    return deleteTree(toHkey(key), subKey.c_str());
}

long Win32Registry::enumKey(RegHandle key, std::uint32_t index, std::string& name) {
    char buffer[256];
    DWORD length = sizeof(buffer);
    const long status =
        RegEnumKeyExA(toHkey(key), index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_SUCCESS)
        name.assign(buffer, length);
    else
        name.clear();
    return status;
}

long Win32Registry::enumValue(RegHandle key, std::uint32_t index, std::string& name,
                              std::uint32_t& type, std::string& data) {
    // Value names are at most 16383 characters; the data is asked for its size first.
    std::string buffer(16384, '\0');
    DWORD nameLength = DWORD(buffer.size());
    DWORD valueType = 0;
    DWORD size = 0;
    long status = RegEnumValueA(toHkey(key), index, buffer.data(), &nameLength, nullptr, &valueType,
                                nullptr, &size);
    if (status != ERROR_SUCCESS)
        return status;
    name.assign(buffer.data(), nameLength);
    data.assign(size, '\0');
    nameLength = DWORD(buffer.size());
    status = RegEnumValueA(toHkey(key), index, buffer.data(), &nameLength, nullptr, &valueType,
                           reinterpret_cast<BYTE*>(data.data()), &size);
    if (status != ERROR_SUCCESS)
        return status;
    data.resize(size);
    type = valueType;
    return ERROR_SUCCESS;
}

long Win32Registry::closeKey(RegHandle key) {
    // The roots stay open for the whole process: closing one succeeds and changes nothing (on
    // Windows it would only drop a cached handle).
    if (isPredefinedRoot(key))
        return ERROR_SUCCESS;
    return RegCloseKey(toHkey(key));
}

} // namespace kestrel::win32
