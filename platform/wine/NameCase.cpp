#include "NameCase.h"

namespace kestrel::wine {

wchar_t upcase(wchar_t c) {
    if (c >= L'a' && c <= L'z')
        return c - 0x20;
    if (c < 0xB5)
        return c;
    if (c == 0xB5)
        return 0x39C; // micro sign
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return c - 0x20;
    if (c == 0xFF)
        return 0x178;
    // Latin Extended-A: pairs of capital (even) and small (odd) letters, with a shift in the
    // middle of the block where the pairs start on odd code points.
    if (c >= 0x100 && c <= 0x137)
        return (c & 1) ? c - 1 : c;
    if (c >= 0x139 && c <= 0x148)
        return (c & 1) ? c : c - 1;
    if (c >= 0x14A && c <= 0x177)
        return (c & 1) ? c - 1 : c;
    if (c == 0x17A || c == 0x17C || c == 0x17E)
        return c - 1;
    if (c == 0x192)
        return 0x191;
    // Greek.
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2)
        return c - 0x20;
    if (c == 0x3C2)
        return 0x3A3;
    if (c == 0x3AC)
        return 0x386;
    if (c >= 0x3AD && c <= 0x3AF)
        return c - 0x25;
    if (c == 0x3CC)
        return 0x38C;
    if (c == 0x3CD || c == 0x3CE)
        return c - 0x3F;
    // Cyrillic.
    if (c >= 0x430 && c <= 0x44F)
        return c - 0x20;
    if (c >= 0x450 && c <= 0x45F)
        return c - 0x50;
    if (c >= 0x460 && c <= 0x4BF)
        return (c & 1) ? c - 1 : c;
    if (c >= 0x4D0 && c <= 0x52F)
        return (c & 1) ? c - 1 : c;
    // Fullwidth Latin.
    if (c >= 0xFF41 && c <= 0xFF5A)
        return c - 0x20;
    return c;
}

bool equalNoCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && upcase(a[i]) != upcase(b[i]))
            return false;
    return true;
}

} // namespace kestrel::wine
