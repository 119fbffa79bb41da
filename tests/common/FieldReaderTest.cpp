#include "platform/FieldReader.h"

#include <gtest/gtest.h>

using kestrel::FieldReader;

namespace {

struct Case {
    const char* text;
    std::vector<std::string> entries;
};

const Case Cases[] = {
    // Entries end at commas and line ends; LF-only and a missing last line break read the same.
    {"E:C:\\Games\r\nF:D:\\Work\r\n", {"E:C:\\Games", "F:D:\\Work"}},
    {"# a, b,c\r\n10.0.0.1\tserver\r\n", {"# a", "b", "c", "10.0.0.1\tserver"}},
    {"one\ntwo", {"one", "two"}},
    // Leading blanks (spaces and tabs) and empty lines are skipped; trailing ones stay.
    {"\r\n\r\n   a\r\n\r\n  b  \r\n\r\n", {"a", "b  "}},
    {"\t\tE:C:\\Games\r\n \tF:D:\\Work\r\n", {"E:C:\\Games", "F:D:\\Work"}},
    {"a,\tb", {"a", "b"}},
    {"", {}},
    {" \r\n \r\n", {}},
    {"\t\r\n\t \t\r\n", {}},
    {"a\r\n\t\r\nb", {"a", "b"}},
    // A quoted entry runs to the closing quote; an unterminated one to the end of the text.
    {"\"a, b\",c\r\n\"x\r\ny\"\r\n", {"a, b", "c", "x\r\ny"}},
    {"\t\"q, r\"", {"q, r"}},
    {"\"open, to the end", {"open, to the end"}},
};

} // namespace

TEST(FieldReader, ReadsEveryEntry) {
    for (const Case& c : Cases) {
        FieldReader reader(c.text);
        std::vector<std::string> entries;
        while (!reader.atEnd())
            entries.push_back(reader.next());
        EXPECT_EQ(entries, c.entries) << "text: " << testing::PrintToString(std::string(c.text));
    }
}
