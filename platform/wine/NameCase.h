#pragma once
// Case-insensitive comparison of file, section and key names, as Windows compares them: one
// wide character at a time, after mapping each to upper case.

#include <string>

namespace kestrel::wine {

// The upper-case form of one character (Latin, Greek and Cyrillic letters; others unchanged).
wchar_t upcase(wchar_t c);

bool equalNoCase(const std::wstring& a, const std::wstring& b);

} // namespace kestrel::wine
