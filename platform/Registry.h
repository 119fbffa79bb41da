#pragma once
// The registry of the machine being edited, in the shape of the Win32 "A" registry calls.
//
// Names, paths and string data cross this interface as bytes in the machine's ANSI code page
// (Machine::ansiCodePage()), exactly as RegQueryValueExA and friends see them. Every call returns
// a Win32 error code (ERROR_SUCCESS on success) and never throws.

#include "Win32Types.h"

#include <cstdint>
#include <string>

namespace kestrel {

// An open key. The predefined roots are valid handles with their own values (HKEY_CURRENT_USER
// …); 0 is "no key". Handles returned by openKey/createKey must be closed with closeKey.
using RegHandle = std::uint64_t;

class Registry {
public:
    virtual ~Registry() = default;

    // RegOpenKeyExA: open key\subKey, which must exist. An empty subKey opens key itself again.
    virtual long openKey(RegHandle key, const std::string& subKey, std::uint32_t access,
                         RegHandle& result) = 0;

    // RegCreateKeyExA: open key\subKey, creating it and every missing key above it.
    virtual long createKey(RegHandle key, const std::string& subKey, std::uint32_t access,
                           RegHandle& result) = 0;

    // RegQueryValueExA. On entry size is the capacity of data (data may be null to ask for the
    // size only); on return it is the length of the value's data in bytes. A value larger than the
    // buffer gives ERROR_MORE_DATA. String types are converted to the ANSI code page with their
    // terminating zero, as the "A" call does. The empty name is the key's default value.
    virtual long queryValue(RegHandle key, const std::string& name, std::uint32_t& type,
                            std::uint8_t* data, std::uint32_t& size) = 0;

    // RegSetValueExA. String types arrive in the ANSI code page.
    virtual long setValue(RegHandle key, const std::string& name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t size) = 0;

    // RegDeleteValueA.
    virtual long deleteValue(RegHandle key, const std::string& name) = 0;

    // RegDeleteKeyA: deletes key\subKey together with all its subkeys (as Windows 95 does; the
    // pages that delete keys rely on it). subKey must not be empty.
    virtual long deleteKey(RegHandle key, const std::string& subKey) = 0;

    // RegEnumKeyExA: the name of the index-th subkey, ERROR_NO_MORE_ITEMS past the last.
    virtual long enumKey(RegHandle key, std::uint32_t index, std::string& name) = 0;

    // RegCloseKey. Closing 0 or a predefined root does nothing and fails harmlessly.
    virtual long closeKey(RegHandle key) = 0;

    // RegEnumValueA: the index-th value's name, type and data (as queryValue returns it);
    // ERROR_NO_MORE_ITEMS past the last. A backend without it answers ERROR_INVALID_FUNCTION.
    virtual long enumValue(RegHandle key, std::uint32_t index, std::string& name,
                           std::uint32_t& type, std::string& data) {
        (void)key, (void)index, (void)name, (void)type, (void)data;
        return 1; // ERROR_INVALID_FUNCTION
    }
};

} // namespace kestrel
