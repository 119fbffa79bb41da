// The number filter of numeric fields, as a pure function.

#include "ui/NumberFilter.h"

#include <gtest/gtest.h>

using namespace kestrel::numberfilter;

TEST(NumberFilter, LeavesThePlainNumberAtTheStart) {
    const std::pair<const char*, std::string> cases[] = {
        {"1500", "1500"},
        {"012", "12"},
        {"5x", "5"},
        {"576 bytes", "576"},
        {"  64", "64"},
        {"+7", "7"},
        {"-5", "-5"},
        {"-05", "-5"},
        // Zero stays only as exactly "0"; no number at the start empties the field.
        {"0", "0"},
        {"00", ""},
        {"0.0", ""},
        {"0x1F", ""},
        {" 0", ""},
        {"abc", ""},
        {"Default=1500", ""},
        {"-", ""},
        {"", ""},
        // Decimals and exponents; an exponent mark without digits is not part of the number.
        {"1.5", "1.5"},
        {"1.50", "1.5"},
        {"1.", "1"},
        {".5", "0.5"},
        {"-0.25", "-0.25"},
        {"1e3", "1000"},
        {"15E2", "1500"},
        {"25e-1", "2.5"},
        {"5e", "5"},
        {"5e+", "5"},
        {"9e99", "9" + std::string(99, '0')},
        {"1e999", ""}, // too large to hold: no number
    };
    for (const auto& [text, expected] : cases) {
        const QString once = filtered(QString::fromUtf8(text));
        EXPECT_EQ(once.toStdString(), expected) << text;
        EXPECT_EQ(filtered(once), once) << text; // the filtered text filters to itself
    }
}

TEST(NumberFilter, PlainDecimalHasNoExponent) {
    const std::pair<double, const char*> cases[] = {{536, "536"},
                                                    {-40, "-40"},
                                                    {0, "0"},
                                                    {1e20, "100000000000000000000"},
                                                    {0.0001, "0.0001"},
                                                    {-38.5, "-38.5"},
                                                    {1.5e-7, "0.00000015"},
                                                    {-1.25e17, "-125000000000000000"}};
    for (const auto& [value, text] : cases)
        EXPECT_EQ(plainDecimal(value).toStdString(), text) << value;
}
