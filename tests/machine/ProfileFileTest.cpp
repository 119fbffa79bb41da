// Private-profile reading and line-preserving writing, on bytes: what WineOracleTest, where Wine
// reads what Kestrel wrote, does not reach (single quotes, a zero-sized buffer, keys before the
// first section, UTF-16 and Windows-1251 files, other line ends).
#include "platform/wine/ProfileFile.h"

#include <gtest/gtest.h>

namespace kestrel::wine::profile {
namespace {

const std::string Ini = "; written by hand\r\n"
                        "[.ShellClassInfo]\r\n"
                        "  IconFile = C:\\Icons\\a.ico  \r\n"
                        "IconIndex=0\r\n"
                        "Single='x'\r\n"
                        "\r\n"
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
        {&Ini, ".ShellClassInfo", "Single", "0", 127, 1252, 1, "x"},
        {&Ini, ".ShellClassInfo", "IconFile", "0", 0, 1252, 0, ""},
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
    struct Case {
        std::string before, section, key, value, after;
    } cases[] = {
        {Ini, ".ShellClassInfo", "IconIndex", "   0", Ini}, // the same value: untouched
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
