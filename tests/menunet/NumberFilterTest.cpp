// The number filter of numeric fields, as a pure function.

#include "ui/NumberFilter.h"

#include <gtest/gtest.h>

using namespace kestrel::numberfilter;

namespace {
std::string filter(const char* text) {
    return filtered(QString::fromUtf8(text)).toStdString();
}
} // namespace

TEST(NumberFilter, KeepsThePlainNumberAtTheStart) {
    EXPECT_EQ(filter("1500"), "1500");
    EXPECT_EQ(filter("012"), "12");
    EXPECT_EQ(filter("5x"), "5");
    EXPECT_EQ(filter("576 bytes"), "576");
    EXPECT_EQ(filter("  64"), "64");
    EXPECT_EQ(filter("+7"), "7");
    EXPECT_EQ(filter("-5"), "-5");
    EXPECT_EQ(filter("-05"), "-5");
}

TEST(NumberFilter, ZeroStaysOnlyAsExactlyZero) {
    EXPECT_EQ(filter("0"), "0");
    EXPECT_EQ(filter("00"), "");
    EXPECT_EQ(filter("0.0"), "");
    EXPECT_EQ(filter("0x1F"), "");
    EXPECT_EQ(filter(" 0"), "");
    EXPECT_EQ(filter("abc"), "");
    EXPECT_EQ(filter("Default=1500"), "");
    EXPECT_EQ(filter("-"), "");
    EXPECT_EQ(filter(""), "");
}

TEST(NumberFilter, DecimalsAndExponents) {
    EXPECT_EQ(filter("1.5"), "1.5");
    EXPECT_EQ(filter("1.50"), "1.5");
    EXPECT_EQ(filter("1."), "1");
    EXPECT_EQ(filter(".5"), "0.5");
    EXPECT_EQ(filter("-0.25"), "-0.25");
    EXPECT_EQ(filter("1e3"), "1000");
    EXPECT_EQ(filter("15E2"), "1500");
    EXPECT_EQ(filter("25e-1"), "2.5");
    // An exponent mark without digits is not part of the number.
    EXPECT_EQ(filter("5e"), "5");
    EXPECT_EQ(filter("5e+"), "5");
    EXPECT_EQ(filter("9e99"), "9" + std::string(99, '0'));
    // A number too large to hold is no number.
    EXPECT_EQ(filter("1e999"), "");
}

TEST(NumberFilter, FilteredTextFiltersToItself) {
    for (const char* text : {"007", "5x", "1.50", "1e3", "-5", "0", "abc", ".5", "25e-1"}) {
        const QString once = filtered(QString::fromUtf8(text));
        EXPECT_EQ(filtered(once), once) << text;
    }
}

TEST(NumberFilter, PlainDecimalHasNoExponent) {
    EXPECT_EQ(plainDecimal(536).toStdString(), "536");
    EXPECT_EQ(plainDecimal(-40).toStdString(), "-40");
    EXPECT_EQ(plainDecimal(0).toStdString(), "0");
    EXPECT_EQ(plainDecimal(1e20).toStdString(), "100000000000000000000");
    EXPECT_EQ(plainDecimal(0.0001).toStdString(), "0.0001");
    EXPECT_EQ(plainDecimal(-38.5).toStdString(), "-38.5");
    EXPECT_EQ(plainDecimal(1.5e-7).toStdString(), "0.00000015");
    EXPECT_EQ(plainDecimal(-1.25e17).toStdString(), "-125000000000000000");
}
