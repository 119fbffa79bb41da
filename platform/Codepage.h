#pragma once
// Conversions between the program's wide strings and the machine's ANSI code page.

#include <string>

namespace kestrel::codepage {

// UTF-8 as a code page (CP_UTF8): every character has its bytes.
constexpr unsigned Utf8 = 65001;

// UTF-8, Windows-1252 (Western) and Windows-1251 (Cyrillic) are built in; any other code page
// number is treated as 1252, except on Windows, which converts its other code pages itself.
// Characters the code page cannot hold become '?', as Windows' default character.
std::string fromWide(const std::wstring& text, unsigned codePage);
std::wstring toWide(const std::string& bytes, unsigned codePage);

// The ANSI code page Wine chooses for a POSIX locale name such as "ru_RU.UTF-8".
unsigned forLocale(const std::string& locale);
// The same for this process's environment (LC_ALL, then LC_CTYPE, then LANG).
unsigned forEnvironment();

std::string toUtf8(const std::wstring& text);
std::wstring fromUtf8(const std::string& bytes);

} // namespace kestrel::codepage
