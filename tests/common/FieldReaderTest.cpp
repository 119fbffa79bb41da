#include "platform/FieldReader.h"

#include <gtest/gtest.h>

using kestrel::FieldReader;

namespace {
std::vector<std::string> readAll(const std::string& text) {
    FieldReader reader(text);
    std::vector<std::string> entries;
    while (!reader.atEnd())
        entries.push_back(reader.next());
    return entries;
}
} // namespace

TEST(FieldReader, SplitsAtCommasAndLineEnds) {
    EXPECT_EQ(readAll("E:C:\\Games\r\nF:D:\\Work\r\n"),
              (std::vector<std::string>{"E:C:\\Games", "F:D:\\Work"}));
    EXPECT_EQ(readAll("# a, b,c\r\n10.0.0.1\tserver\r\n"),
              (std::vector<std::string>{"# a", "b", "c", "10.0.0.1\tserver"}));
    // LF-only and a missing final line break read the same.
    EXPECT_EQ(readAll("one\ntwo"), (std::vector<std::string>{"one", "two"}));
}

TEST(FieldReader, SkipsLeadingBlanksAndEmptyLines) {
    EXPECT_EQ(readAll("\r\n\r\n   a\r\n\r\n  b  \r\n\r\n"), (std::vector<std::string>{"a", "b  "}));
    EXPECT_TRUE(readAll("").empty());
    EXPECT_TRUE(readAll(" \r\n \r\n").empty());
}

TEST(FieldReader, QuotedEntryRunsToClosingQuote) {
    EXPECT_EQ(readAll("\"a, b\",c\r\n\"x\r\ny\"\r\n"),
              (std::vector<std::string>{"a, b", "c", "x\r\ny"}));
    // An unterminated quote runs to the end of the text.
    EXPECT_EQ(readAll("\"open, to the end"), (std::vector<std::string>{"open, to the end"}));
}
