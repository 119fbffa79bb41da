#include "platform/Codepage.h"

#include <gtest/gtest.h>

namespace cp = kestrel::codepage;

TEST(Codepage, RoundTripsEveryByteOfBothCodePages) {
    for (unsigned page : {1251u, 1252u}) {
        std::string all;
        for (int b = 1; b < 256; ++b)
            all.push_back(static_cast<char>(b));
        EXPECT_EQ(cp::fromWide(cp::toWide(all, page), page), all) << page;
    }
}

TEST(Codepage, CyrillicNeedsCodePage1251) {
    const std::wstring word = L"Система";
    EXPECT_EQ(cp::fromWide(word, 1251), "\xD1\xE8\xF1\xF2\xE5\xEC\xE0");
    EXPECT_EQ(cp::fromWide(word, 1252), "???????");
    EXPECT_EQ(cp::toWide("\x80", 1252), L"\u20AC");
    EXPECT_EQ(cp::toWide("\x80", 1251), L"\u0402");
}

TEST(Codepage, LocaleChoosesCodePageAsWineDoes) {
    EXPECT_EQ(cp::forLocale("ru_RU.UTF-8"), 1251u);
    EXPECT_EQ(cp::forLocale("uk_UA"), 1251u);
    EXPECT_EQ(cp::forLocale("en_US.UTF-8"), 1252u);
    EXPECT_EQ(cp::forLocale("C.UTF-8"), 1252u);
    EXPECT_EQ(cp::forLocale("de_DE@euro"), 1252u);
}

TEST(Codepage, Utf8RoundTrip) {
    const std::wstring text = L"a\u00e9\u0416\u20AC\U0001F600";
    EXPECT_EQ(cp::fromUtf8(cp::toUtf8(text)), text);
    EXPECT_EQ(cp::toUtf8(L"\u0416"), "\xD0\x96");
}
