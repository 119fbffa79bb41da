#pragma once
// The registry procedures every page uses. Each opens (or creates) the key it needs, does one
// thing, closes the key and reports success as a Boolean; nothing is cached and nothing is shown.
// They work on Machine::current() and convert between wide strings and its ANSI code page.

#include "Win32Types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel {
class Registry;
}

namespace kestrel::Reg {

// Reads one value as text. REG_SZ and REG_BINARY give their bytes as characters (one trailing
// zero byte dropped); REG_DWORD gives the decimal text of its lowest-order byte; any other type
// leaves text as it was and still succeeds. On failure (missing key or value, data over 1024
// bytes) text becomes empty and the result is false.
bool GetString(RootKey root, const std::wstring& path, const std::wstring& name,
               std::wstring& text);

// The writers create the key, and every missing key above it, first.
bool SaveDWord(RootKey root, const std::wstring& path, const std::wstring& name, std::int32_t data);
bool SaveString(RootKey root, const std::wstring& path, const std::wstring& name,
                const std::wstring& data);
// Each character becomes one byte of the ANSI code page; no terminator is added.
bool SaveBinary(RootKey root, const std::wstring& path, const std::wstring& name,
                const std::wstring& data);
// Creates the key when missing (leaving it empty) and deletes the value; true when a value
// was deleted.
bool DeleteValue(RootKey root, const std::wstring& path, const std::wstring& name);

// Replaces names with the key's subkeys in the order the registry enumerates them; true when
// the key could be opened, even without subkeys.
bool EnumKeys(std::vector<std::wstring>& names, RootKey root, const std::wstring& path);

} // namespace kestrel::Reg
