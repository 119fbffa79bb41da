// Private-profile reading and line-preserving writing, on bytes (Wine's own reading is compared
// in WineOracleTest).
#include "platform/wine/ProfileFile.h"

#include <gtest/gtest.h>

namespace kestrel::wine::profile {
namespace {

const std::string Ini = "; written by hand\r\n"
                        "[.ShellClassInfo]\r\n"
                        "  IconFile = C:\\Icons\\a.ico  \r\n"
                        "IconIndex=0\r\n"
                        "Quoted=\"spaced value\"\r\n"
                        "Single='x'\r\n"
                        "Empty=\r\n"
                        "BareName\r\n"
                        "\r\n"
                        "[Other]\r\n"
                        "IconFile=other.ico\r\n"
                        "[.shellclassinfo]\r\n"
                        "Second=found only in the second section\r\n";

std::string utf16(const std::string& ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii)
        out += std::string{c, '\0'};
    return out;
}

TEST(Profile, Reads) {
    const std::string top = "top=1\r\n[s]\r\nk=v\r\n";
    const std::string wide = utf16("[.ShellClassInfo]\r\nKeep=me\r\n");
    // "[Ïàïêà]" and the key "Èìÿ" in Windows-1251, read with upper-case names.
    const std::string cyrillic = "[\xCF\xE0\xEF\xEA\xE0]\r\n\xC8\xEC\xFF=1\r\n";
    struct Case {
        const std::string* file;
        std::string section, key, def;
        std::uint32_t size;
        unsigned codePage;
        std::uint32_t length;
        std::string value;
    } cases[] = {
        {&Ini, "  .SHELLCLASSINFO ", " iconfile ", "0", 127, 1252, 14, "C:\\Icons\\a.ico"},
        {&Ini, "other", "ICONFILE", "0", 127, 1252, 9, "other.ico"},
        {&Ini, ".ShellClassInfo", "Second", "none", 127, 1252, 4, "none"}, // first section only
        {&Ini, "NoSuchSection", "IconFile", "dflt", 127, 1252, 4, "dflt"},
        {&Ini, ".ShellClassInfo", "BareName", "dflt", 127, 1252, 4, "dflt"},
        {&Ini, ".ShellClassInfo", "Empty", "dflt", 127, 1252, 0, ""},
        {&Ini, "x", "y", "dflt   ", 127, 1252, 4, "dflt"},
        {&Ini, ".ShellClassInfo", "Quoted", "0", 127, 1252, 12, "spaced value"},
        {&Ini, ".ShellClassInfo", "Single", "0", 127, 1252, 1, "x"},
        {&Ini, ".ShellClassInfo", "IconFile", "0", 15, 1252, 14, "C:\\Icons\\a.ico"},
        {&Ini, ".ShellClassInfo", "IconFile", "0", 6, 1252, 5, "C:\\Ic"},
        {&Ini, ".ShellClassInfo", "IconFile", "0", 1, 1252, 0, ""},
        {&Ini, ".ShellClassInfo", "IconFile", "0", 0, 1252, 0, ""},
        {nullptr, ".ShellClassInfo", "IconFile", "default", 4, 1252, 3, "def"},
        {&top, "", "top", "0", 127, 1252, 1, "1"},
        {&wide, ".shellclassinfo", "keep", "0", 127, 1252, 2, "me"},
        {&cyrillic, "\xCF\xC0\xCF\xCA\xC0", "\xC8\xCC\xDF", "0", 10, 1251, 1, "1"},
    };
    for (const Case& c : cases) {
        std::string value;
        EXPECT_EQ(getString(c.file, c.section, c.key, c.def, value, c.size, c.codePage), c.length)
            << c.section << "/" << c.key << " size " << c.size;
        EXPECT_EQ(value, c.value) << c.section << "/" << c.key << " size " << c.size;
    }
}

TEST(Profile, WritesChangeOnlyTheirLine) {
    auto replaced = [](std::string text, const std::string& from, const std::string& to) {
        return text.replace(text.find(from), from.size(), to);
    };
    struct Case {
        std::string before, section, key, value, after;
    } cases[] = {
        {Ini, ".SHELLCLASSINFO", "iconfile", "b.ico",
         replaced(Ini, "  IconFile = C:\\Icons\\a.ico  ", "IconFile=b.ico")},
        {Ini, ".ShellClassInfo", "IconIndex", "   0", Ini}, // the same value: untouched
        // A new key goes after the section's last line, before its blank line.
        {Ini, ".ShellClassInfo", "ConfirmFileOp", "0",
         replaced(Ini, "BareName\r\n", "BareName\r\nConfirmFileOp=0\r\n")},
        // A new section is appended with the file's own line breaks.
        {"[a]\nx=1\n", "b", "y", "2", "[a]\nx=1\n\n[b]\ny=2\n"},
        {"[a]\r\nx=1", "a", "y", "2", "[a]\r\nx=1\r\ny=2\r\n"},
        {"[a]\r\nx=1", "b", "y", "2", "[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n"},
        {"", " .ShellClassInfo ", "IconFile", "  KestrelFld0.ico",
         "[.ShellClassInfo]\r\nIconFile=KestrelFld0.ico\r\n"},
        // Keys before the first section have the nameless section.
        {"top=1\r\n[s]\r\nk=v\r\n", "", "more", "2", "top=1\r\nmore=2\r\n[s]\r\nk=v\r\n"},
        {"[s]\r\n", "", "first", "1", "first=1\r\n[s]\r\n"},
        // A UTF-16 file stays UTF-16.
        {utf16("[.ShellClassInfo]\r\nIconFile=a.ico\r\nKeep=me\r\n"), ".ShellClassInfo", "IconFile",
         "b.ico", utf16("[.ShellClassInfo]\r\nIconFile=b.ico\r\nKeep=me\r\n")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(setString(c.before, c.section, c.key, c.value, 1252), c.after)
            << c.section << "/" << c.key;
}

} // namespace
} // namespace kestrel::wine::profile
