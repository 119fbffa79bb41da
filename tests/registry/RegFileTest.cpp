// The .reg file as text: what is kept, what a change rewrites, where new keys go, and the exact
// form Wine writes values in.

#include "platform/wine/RegFile.h"

#include <gtest/gtest.h>

namespace kestrel::wine {
namespace {

std::string utf16(std::u16string_view text) {
    std::string bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

RegValue stringValue(std::u16string name, std::u16string text, std::uint32_t type = 1) {
    text.push_back(u'\0');
    return {std::move(name), type, utf16(text)};
}

RegValue dwordValue(std::u16string name, std::uint32_t v) {
    std::string data;
    for (int i = 0; i < 4; ++i)
        data.push_back(static_cast<char>(v >> (8 * i)));
    return {std::move(name), 4, data};
}

// 2026-01-01 00:00:00 UTC as FILETIME.
constexpr std::uint64_t Jan2026 = 116444736000000000ull + 1767225600ull * 10000000ull;

const std::string Sample = "WINE REGISTRY Version 2\n"
                           ";; All keys relative to REGISTRY\\\\Machine\n"
                           "\n"
                           "#arch=win64\n"
                           "\n"
                           "[Alpha] 1700000000\n"
                           "#time=1da1a1a1a1a1a1a\n"
                           "\"A\"=\"1\"\n"
                           "\"C\"=dword:00000003\n"
                           "\n"
                           "[Beta\\\\One] 1700000000\n"
                           "#time=1da1a1a1a1a1a1a\n"
                           "@=\"one\"\n"
                           "\n"
                           "[Gamma] 1700000000\n"
                           "#time=1da1a1a1a1a1a1a\n"
                           "\"G\"=hex:01,02\n";

std::string bytes(int from, int to) {
    std::string out;
    for (int i = from; i < to; ++i)
        out.push_back(static_cast<char>(i));
    return out;
}

// A value line as Wine writes it and the value it stands for; lines Wine does not write itself
// but reads are only read.
const struct {
    const char* line;
    RegValue value;
    bool written;
} ValueLines[] = {
    // A character above 0x7F followed by a hex digit is padded to four digits.
    {"@=\"\\x00e9a\\xe9g\"\n", stringValue(u"", u"\u00e9a\u00e9g"), true},
    {"\"Qword\"=hex(b):88,77,66,55,44,33,22,11\n",
     {u"Qword", 11, "\x88\x77\x66\x55\x44\x33\x22\x11"},
     true},
    // A string without its terminator, or a DWORD of the wrong size, is written as hex.
    {"\"Bare\"=hex(1):61,00,62,00\n", {u"Bare", 1, utf16(u"ab")}, true},
    {"\"Short\"=hex(4):01\n", {u"Short", 4, "\x01"}, true},
    {"\"Utf8\"=\"\xD0\x96\"\n", stringValue(u"Utf8", u"\u0416"), false},
    {"\"Octal\"=\"\\101\\0\"\n", stringValue(u"Octal", std::u16string(u"A\0", 2)), false},
    {"\"Cut\"=hex:00,01,\\\n  02,03\r\n", {u"Cut", 3, bytes(0, 4)}, false},
};

TEST(RegFile, ValuesAreReadAndWrittenAsWineDoes) {
    for (const auto& row : ValueLines) {
        RegFile file;
        file.load("WINE REGISTRY Version 2\n\n[Software\\\\Wine\\\\Example] "
                  "1\n#time=1\n" +
                  std::string(row.line));
        // Names are found whatever their case.
        std::u16string upper = row.value.name;
        for (auto& c : upper)
            c = c >= u'a' && c <= u'z' ? c - 32 : c;
        const auto value = file.value({u"software", u"WINE", u"example"}, upper);
        ASSERT_TRUE(value) << row.line;
        EXPECT_EQ(value->name, row.value.name) << row.line;
        EXPECT_EQ(value->type, row.value.type) << row.line;
        EXPECT_EQ(value->data, row.value.data) << row.line;
        if (row.written)
            EXPECT_EQ(RegFile::formatValue(row.value), row.line);
    }
}

TEST(RegFile, KeepsWhatItCannotReadThroughChanges) {
    const std::string text = "WINE REGISTRY Version 2\r\n"
                             ";; a comment\r\n"
                             "\r\n"
                             "[Key] 1700000000\r\n"
                             "#time=1da1a1a1a1a1a1a\r\n"
                             "#class=\"cls\"\r\n"
                             "\"Good\"=\"1\"\r\n"
                             "this line means nothing\r\n"
                             "\"Broken\"=dword:zz\r\n"
                             "\"Cut\"=hex:01,02,\\\r\n"
                             "[Unclosed\\\\Header 1700000000\n"
                             "\"Orphan\"=\"kept\"\n"
                             "\n"
                             "[Other] 1700000000\n"
                             "\"X\"=\"y\""; // no line break at the end
    RegFile file;
    file.load(text);
    ASSERT_EQ(file.text(), text);
    // A value Wine cannot read is an empty REG_NONE, as Wine loads it.
    ASSERT_TRUE(file.value({u"Key"}, u"Broken"));
    EXPECT_EQ(file.value({u"Key"}, u"Broken")->type, 0u);
    EXPECT_TRUE(file.value({u"Key"}, u"Broken")->data.empty());
    EXPECT_FALSE(file.keyExists({u"Unclosed"}));

    file.setValue({u"Key"}, dwordValue(u"New", 5), Jan2026);
    file.setValue({u"Other"}, dwordValue(u"Z", 1), Jan2026);
    const std::string changed = file.text();
    for (const char* kept :
         {";; a comment\r\n", "#class=\"cls\"\r\n", "this line means nothing\r\n",
          "\"Broken\"=dword:zz\r\n", "\"Cut\"=hex:01,02,\\\r\n",
          "[Unclosed\\\\Header 1700000000\n\"Orphan\"=\"kept\"\n", "\"X\"=\"y\"\n"})
        EXPECT_NE(changed.find(kept), std::string::npos) << kept;
    // Never right after a line that continues: Wine would read the new line as its data.
    EXPECT_NE(changed.find("\"Cut\"=hex:01,02,\\\r\n\n\"New\"=dword:00000005\n"),
              std::string::npos);
    EXPECT_NE(changed.find("\"X\"=\"y\"\n\"Z\"=dword:00000001\n"), std::string::npos);
}

TEST(RegFile, AChangeRewritesOnlyItsKeysLinesAndTimes) {
    RegFile file;
    file.load(Sample);
    // The key's header and #time= lines take the new time, "b" goes between "A" and "C" (sorted
    // without regard to case), and the rest of the file stays.
    file.setValue({u"alpha"}, dwordValue(u"b", 2), Jan2026);
    const std::string alpha = "[Alpha] 1700000000\n#time=1da1a1a1a1a1a1a\n\"A\"=\"1\"\n";
    std::string expected = Sample;
    expected.replace(
        expected.find(alpha), alpha.size(),
        "[Alpha] 1767225600\n#time=1dc7ab192810000\n\"A\"=\"1\"\n\"b\"=dword:00000002\n");
    EXPECT_EQ(file.text(), expected);

    // Changing a value in place replaces its line.
    file.setValue({u"GAMMA"}, {u"g", 3, "\xff"}, Jan2026);
    EXPECT_NE(file.text().find("[Gamma] 1767225600\n#time=1dc7ab192810000\n\"G\"=hex:ff"),
              std::string::npos);
    EXPECT_EQ(file.values({u"Gamma"}).size(), 1u);
    EXPECT_EQ(file.values({u"Gamma"})[0].name, u"G");

    // Deleting one: its line goes, the rest of the file stays.
    EXPECT_TRUE(file.deleteValue({u"Alpha"}, u"C", Jan2026));
    EXPECT_FALSE(file.deleteValue({u"Alpha"}, u"C", Jan2026));
    EXPECT_EQ(file.text().find("\"C\"=dword:00000003"), std::string::npos);
    EXPECT_NE(file.text().find("[Beta\\\\One] 1700000000\n"), std::string::npos);
}

TEST(RegFile, SectionsFollowWhatWineWouldWrite) {
    RegFile file;
    file.load(Sample);
    // An empty key gets a section; once it has a subkey and still no values it needs none.
    EXPECT_TRUE(file.createKey({u"Empty"}, Jan2026));
    EXPECT_FALSE(file.createKey({u"EMPTY"}, Jan2026));
    EXPECT_NE(file.text().find("[Empty] 1767225600\n#time=1dc7ab192810000\n\n[Gamma]"),
              std::string::npos);
    file.createKey({u"Empty", u"Child"}, Jan2026);
    EXPECT_EQ(file.text().find("[Empty]"), std::string::npos);
    EXPECT_NE(file.text().find("[Empty\\\\Child]"), std::string::npos);

    // Deleting a key removes its whole subtree; a parent left without subkeys gets a section.
    file.setValue({u"Beta", u"One", u"Two"}, dwordValue(u"v", 1), Jan2026);
    EXPECT_TRUE(file.deleteKey({u"BETA", u"one"}));
    EXPECT_FALSE(file.keyExists({u"Beta", u"One", u"Two"}));
    EXPECT_EQ(file.text().find("One"), std::string::npos);
    EXPECT_NE(file.text().find("[Beta] "), std::string::npos);
    EXPECT_FALSE(file.deleteKey({u"Beta", u"One"}));
    EXPECT_FALSE(file.deleteKey({}));

    // Deleting the last key leaves no stray blank line at the end.
    EXPECT_TRUE(file.deleteKey({u"Gamma"}));
    EXPECT_NE(file.text().substr(file.text().size() - 2), "\n\n");
}

TEST(RegFile, AKeyWrittenInTwoSpellingsIsOneKey) {
    RegFile file;
    file.load("WINE REGISTRY Version 2\n\n"
              "[Dup] 1\n\"A\"=\"first\"\n\"B\"=\"b\"\n\n"
              "[DUP] 1\n\"a\"=\"second\"\n");
    EXPECT_EQ(file.subkeys({}), std::vector<std::u16string>{u"Dup"});
    EXPECT_EQ(file.value({u"dup"}, u"A")->data, utf16(u"second") + std::string(2, '\0'));
    EXPECT_EQ(file.values({u"Dup"}).size(), 2u);
    file.setValue({u"Dup"}, stringValue(u"A", u"third"), Jan2026);
    EXPECT_EQ(file.value({u"dup"}, u"A")->data, utf16(u"third") + std::string(2, '\0'));
    EXPECT_NE(file.text().find("\"A\"=\"first\""),
              std::string::npos); // overridden, as in Wine
}

TEST(RegFile, KeysInAnyOrderAreListedAsWineSortsThemWhileTheyComeAndGo) {
    RegFile file;
    file.load("WINE REGISTRY Version 2\n\n[b\\\\Z] 1\n\n[A\\\\y] 1\n\n[a\\\\X] 1\n\n"
              "[B\\\\_u] 1\n\n[C] 1\n");
    using Names = std::vector<std::u16string>;
    EXPECT_EQ(file.subkeys({}), (Names{u"A", u"b", u"C"}));
    EXPECT_EQ(file.subkeys({u"B"}), (Names{u"_u", u"Z"}));
    // Enumerating one by one, as RegEnumKey does, sees every change made between two steps.
    std::u16string name;
    ASSERT_TRUE(file.subkeyAt({}, 1, name));
    EXPECT_EQ(name, u"b");
    file.createKey({u"Ab"}, Jan2026);
    ASSERT_TRUE(file.subkeyAt({}, 2, name));
    EXPECT_EQ(name, u"b");
    // Deleting the first subkey until none is left, as a recursive delete does.
    Names deleted;
    for (int guard = 0; guard < 10 && file.subkeyAt({}, 0, name); ++guard) {
        deleted.push_back(name);
        EXPECT_TRUE(file.deleteKey({name}));
    }
    EXPECT_EQ(deleted, (Names{u"A", u"Ab", u"b", u"C"}));
    EXPECT_EQ(file.subkeyCount({}), 0u);
}

TEST(RegFile, TellsAFileWineWouldReject) {
    RegFile file;
    for (const char* text : {"\xEF\xBB\xBFWINE REGISTRY Version 2\n", "REGEDIT4\n", ""}) {
        file.load(text);
        EXPECT_FALSE(file.hasWineHeader()) << text;
    }
    file.loadEmpty("REGISTRY\\\\Machine");
    EXPECT_TRUE(file.hasWineHeader());
    file.setValue({u"A"}, dwordValue(u"v", 1), Jan2026);
    EXPECT_EQ(file.text(), "WINE REGISTRY Version 2\n"
                           ";; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n\n"
                           "[A] 1767225600\n#time=1dc7ab192810000\n\"v\"=dword:00000001\n");
}

} // namespace
} // namespace kestrel::wine
