// Private-profile reading and line-preserving writing, on bytes (Wine's own reading is compared
// in WineOracleTest).
#include "platform/wine/ProfileFile.h"

#include <gtest/gtest.h>

namespace kestrel::wine::profile {
namespace {

struct Read {
    std::uint32_t length;
    std::string value;
};

Read get(const std::string* file, const std::string& section, const std::string& key,
         const std::string& def = "0", std::uint32_t size = 127) {
    Read r;
    r.length = getString(file, section, key, def, r.value, size, 1252);
    return r;
}

const std::string desktopIni = "; written by hand\r\n"
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

TEST(ProfileRead, SectionsAndKeysMatchWithoutCaseOrSurroundingBlanks) {
    EXPECT_EQ(get(&desktopIni, ".ShellClassInfo", "IconFile").value, "C:\\Icons\\a.ico");
    EXPECT_EQ(get(&desktopIni, "  .SHELLCLASSINFO ", " iconfile ").value, "C:\\Icons\\a.ico");
    EXPECT_EQ(get(&desktopIni, "other", "ICONFILE").value, "other.ico");
}

TEST(ProfileRead, OnlyTheFirstSectionOfANameIsSearched) {
    EXPECT_EQ(get(&desktopIni, ".ShellClassInfo", "Second", "none").value, "none");
}

TEST(ProfileRead, DefaultWhenKeyOrSectionIsMissingOrKeyHasNoValue) {
    EXPECT_EQ(get(&desktopIni, ".ShellClassInfo", "Missing").value, "0");
    EXPECT_EQ(get(&desktopIni, "NoSuchSection", "IconFile", "dflt").value, "dflt");
    EXPECT_EQ(get(&desktopIni, ".ShellClassInfo", "BareName", "dflt").value, "dflt");
    // An empty value is a value.
    const Read empty = get(&desktopIni, ".ShellClassInfo", "Empty", "dflt");
    EXPECT_EQ(empty.value, "");
    EXPECT_EQ(empty.length, 0u);
    // Trailing blanks of the default are dropped.
    EXPECT_EQ(get(&desktopIni, "x", "y", "dflt   ").value, "dflt");
}

TEST(ProfileRead, MatchingQuotesAreDropped) {
    EXPECT_EQ(get(&desktopIni, ".ShellClassInfo", "Quoted").value, "spaced value");
    EXPECT_EQ(get(&desktopIni, ".ShellClassInfo", "Single").value, "x");
}

TEST(ProfileRead, BufferSizeLimitsTheCopyAndTheReturnedLength) {
    // "C:\Icons\a.ico" has 14 characters.
    const Read full = get(&desktopIni, ".ShellClassInfo", "IconFile", "0", 15);
    EXPECT_EQ(full.value, "C:\\Icons\\a.ico");
    EXPECT_EQ(full.length, 14u);
    const Read cut = get(&desktopIni, ".ShellClassInfo", "IconFile", "0", 6);
    EXPECT_EQ(cut.value, "C:\\Ic");
    EXPECT_EQ(cut.length, 5u);
    EXPECT_EQ(get(&desktopIni, ".ShellClassInfo", "IconFile", "0", 1).length, 0u);
    EXPECT_EQ(get(&desktopIni, ".ShellClassInfo", "IconFile", "0", 0).length, 0u);
}

TEST(ProfileRead, MissingFileGivesTheDefaultCutToTheBuffer) {
    const Read r = get(nullptr, ".ShellClassInfo", "IconFile", "default", 4);
    EXPECT_EQ(r.value, "def");
    EXPECT_EQ(r.length, 3u);
}

TEST(ProfileWrite, ReplacingAValueChangesOnlyThatLine) {
    const std::string after = setString(desktopIni, ".SHELLCLASSINFO", "iconfile", "b.ico", 1252);
    std::string expected = desktopIni;
    expected.replace(expected.find("  IconFile = C:\\Icons\\a.ico  "), 29, "IconFile=b.ico");
    EXPECT_EQ(after, expected);
}

TEST(ProfileWrite, SameValueLeavesTheFileUntouched) {
    EXPECT_EQ(setString(desktopIni, ".ShellClassInfo", "IconIndex", "0", 1252), desktopIni);
    EXPECT_EQ(setString(desktopIni, ".ShellClassInfo", "IconIndex", "   0", 1252), desktopIni);
}

TEST(ProfileWrite, NewKeyGoesAfterTheSectionsLastLineBeforeTheBlankLine) {
    const std::string after = setString(desktopIni, ".ShellClassInfo", "ConfirmFileOp", "0", 1252);
    std::string expected = desktopIni;
    expected.insert(expected.find("BareName\r\n") + 10, "ConfirmFileOp=0\r\n");
    EXPECT_EQ(after, expected);
}

TEST(ProfileWrite, NewSectionIsAppendedWithTheFilesLineBreaks) {
    const std::string lf = "[a]\nx=1\n";
    EXPECT_EQ(setString(lf, "b", "y", "2", 1252), "[a]\nx=1\n\n[b]\ny=2\n");
    // A last line without a line break gets one first.
    EXPECT_EQ(setString("[a]\r\nx=1", "a", "y", "2", 1252), "[a]\r\nx=1\r\ny=2\r\n");
    EXPECT_EQ(setString("[a]\r\nx=1", "b", "y", "2", 1252), "[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n");
}

TEST(ProfileWrite, NewFileGetsSectionAndKey) {
    EXPECT_EQ(setString("", " .ShellClassInfo ", "IconFile", "  KestrelFld0.ico", 1252),
              "[.ShellClassInfo]\r\nIconFile=KestrelFld0.ico\r\n");
}

TEST(ProfileWrite, KeysBeforeTheFirstSectionHaveTheNamelessSection) {
    const std::string text = "top=1\r\n[s]\r\nk=v\r\n";
    EXPECT_EQ(get(&text, "", "top").value, "1");
    EXPECT_EQ(setString(text, "", "more", "2", 1252), "top=1\r\nmore=2\r\n[s]\r\nk=v\r\n");
    EXPECT_EQ(setString("[s]\r\n", "", "first", "1", 1252), "first=1\r\n[s]\r\n");
}

TEST(ProfileWrite, Utf16FileStaysUtf16AndKeepsItsOtherBytes) {
    auto utf16 = [](const std::string& ascii) {
        std::string out = "\xFF\xFE";
        for (char c : ascii) {
            out += c;
            out += '\0';
        }
        return out;
    };
    const std::string file = utf16("[.ShellClassInfo]\r\nIconFile=a.ico\r\nKeep=me\r\n");
    EXPECT_EQ(get(&file, ".shellclassinfo", "keep").value, "me");
    EXPECT_EQ(setString(file, ".ShellClassInfo", "IconFile", "b.ico", 1252),
              utf16("[.ShellClassInfo]\r\nIconFile=b.ico\r\nKeep=me\r\n"));
}

TEST(ProfileRead, AnsiNamesMatchWithoutCaseInTheirCodePage) {
    // "[Ïàïêà]" and the key "Èìÿ" in Windows-1251 (Cyrillic), read with upper-case names.
    const std::string file = "[\xCF\xE0\xEF\xEA\xE0]\r\n\xC8\xEC\xFF=1\r\n";
    std::string value;
    EXPECT_EQ(getString(&file, "\xCF\xC0\xCF\xCA\xC0", "\xC8\xCC\xDF", "0", value, 10, 1251), 1u);
    EXPECT_EQ(value, "1");
}

} // namespace
} // namespace kestrel::wine::profile
