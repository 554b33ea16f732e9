#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/NumberText.h"

using namespace telbo;

TEST(NumberText, RoundsHalfToEvenAndNearestOtherwise) {
    const struct {
        const char16_t* text;
        long long expected;
    } cases[] = {
        {u"0.5", 0},   {u"1.5", 2},   {u"2.5", 2},     {u"3.5", 4},       {u"-2.5", -2},
        {u"-3.5", -4}, {u"2.51", 3},  {u"2.5000", 2},  {u"2.50001", 3},   {u"2.49999", 2},
        {u"-0.4", 0},  {u"7", 7},     {u" 12 ", 12},   {u"+5", 5},        {u".5", 0},
        {u"5.", 5},    {u"007", 7},   {u"\t-3\t", -3}, {u"99.9", 100},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseRoundedInteger(c.text), c.expected) << QString::fromUtf16(c.text).toStdString();
}

TEST(NumberText, RefusesWhatIsNotPlainDecimal) {
    for (const char16_t* bad : {u"", u" ", u"-", u".", u"1e3", u"0x10", u"1 2", u"abc", u"inf",
                                u"nan", u"1,5", u"--1", u"1.2.3", u"\u0661"})
        EXPECT_FALSE(ParseRoundedInteger(bad).has_value()) << QString::fromUtf16(bad).toStdString();
}

TEST(NumberText, HugeNumbersSaturateInsteadOfOverflowing) {
    const QString digits(5000, u'9');
    EXPECT_EQ(ParseRoundedInteger(digits), 1'000'000'000'000'000LL);
    EXPECT_EQ(ParseRoundedInteger(QStringLiteral("-") + digits), -1'000'000'000'000'000LL);
    EXPECT_FALSE(ParseInt16(digits).has_value());
}

TEST(NumberText, Int16RangeAppliesAfterRounding) {
    EXPECT_EQ(ParseInt16(u"32767"), 32767);
    EXPECT_EQ(ParseInt16(u"32767.4"), 32767);
    EXPECT_FALSE(ParseInt16(u"32767.5").has_value()); // rounds to 32768
    EXPECT_EQ(ParseInt16(u"-32768.5"), -32768);      // half to even stays in range
    EXPECT_FALSE(ParseInt16(u"-32769").has_value());
}

TEST(NumberText, DecimalsAreLocaleFreeAndFinite) {
    EXPECT_EQ(ParseDecimal(u"1234"), 1234.0);
    EXPECT_EQ(ParseDecimal(u" -12.25 "), -12.25);
    EXPECT_EQ(ParseDecimal(u".5"), 0.5);
    EXPECT_FALSE(ParseDecimal(u"1,5").has_value());
    EXPECT_FALSE(ParseDecimal(u"1e5").has_value());
    EXPECT_FALSE(ParseDecimal(QString(400, u'9')).has_value()); // beyond double
    const auto negativeZero = ParseDecimal(u"-0");
    ASSERT_TRUE(negativeZero);
    EXPECT_FALSE(std::signbit(*negativeZero));
}

TEST(NumberText, BooleansFromWordsOrNumbers) {
    EXPECT_EQ(ParseBoolean(u"TRUE"), true);
    EXPECT_EQ(ParseBoolean(u" True "), true);
    EXPECT_EQ(ParseBoolean(u"0.000"), false);
    EXPECT_EQ(ParseBoolean(u"0.4"), true);
    EXPECT_FALSE(ParseBoolean(u"yes").has_value());
    EXPECT_FALSE(ParseBoolean(u"").has_value());
}

TEST(NumberText, TwipsAreWholeWithoutPointOrShortestFraction) {
    EXPECT_EQ(FormatTwips(1234), u"1234");
    EXPECT_EQ(FormatTwips(-15), u"-15");
    EXPECT_EQ(FormatTwips(12.5), u"12.5");
    EXPECT_EQ(FormatTwips(0.1), u"0.1");
    EXPECT_EQ(FormatTwips(-0.0), u"0");
    EXPECT_EQ(FormatTwips(1e20), u"100000000000000000000"); // never an exponent
    EXPECT_EQ(FormatTwips(std::numeric_limits<double>::quiet_NaN()), u"0");
    for (double v : {0.1, 1.0 / 3, -7654.321, 1e-7})
        EXPECT_EQ(ParseDecimal(FormatTwips(v)), v) << v;
}
