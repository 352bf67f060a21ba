#include "NumberFormat.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

QString fmt(double v, const char* pattern, QChar sep = u'.')
{
    return format_number(v, QString::fromLatin1(pattern), sep);
}

} // namespace

TEST(NumberFormat, FixedPatternsPadAndRoundHalfAwayFromZero)
{
    EXPECT_EQ(fmt(2, "0."), "2");
    EXPECT_EQ(fmt(0.25, "0.00"), "0.25");
    EXPECT_EQ(fmt(2.5, "0.0"), "2.5");
    EXPECT_EQ(fmt(5, "0.0"), "5.0");
    EXPECT_EQ(fmt(0.005, "0.000"), "0.005");
    EXPECT_EQ(fmt(-0.015, "0.000"), "-0.015");
    EXPECT_EQ(fmt(1.5, "0."), "2");
    EXPECT_EQ(fmt(2.5, "0."), "3");
    EXPECT_EQ(fmt(-2.5, "0."), "-3");
    EXPECT_EQ(fmt(0.125, "0.00"), "0.13");
    EXPECT_EQ(fmt(-0.125, "0.00"), "-0.13");
    // Rounds as the value reads, not as its binary neighbour below.
    EXPECT_EQ(fmt(2.675, "0.00"), "2.68");
    EXPECT_EQ(fmt(9.9996, "0.000"), "10.000");
    EXPECT_EQ(fmt(123456789.0, "0."), "123456789");
    EXPECT_EQ(fmt(0.5000000, "0.0000000"), "0.5000000");
    EXPECT_EQ(fmt(-12.3456789, "0.0000000"), "-12.3456789");
    EXPECT_EQ(fmt(7, "00"), "07");
    EXPECT_EQ(fmt(31, "00"), "31");
}

TEST(NumberFormat, ZeroAndNearZeroNeverShowAMinusSignOrResidue)
{
    EXPECT_EQ(fmt(0, "0.0"), "0.0");
    EXPECT_EQ(fmt(-0.0, "0."), "0");
    EXPECT_EQ(fmt(5.551115123125783e-17, "0.00"), "0.00");
    EXPECT_EQ(fmt(-5.551115123125783e-17, "0.###e+"), "0e+0");
    EXPECT_EQ(fmt(-0.0004, "0.000"), "0.000");
    EXPECT_EQ(fmt(-0.0004, "0.00"), "0.00");
}

TEST(NumberFormat, ScientificShowsExponentSignAndDropsTrailingZeros)
{
    EXPECT_EQ(fmt(12345, "0.###e+"), "1.235e+4");
    EXPECT_EQ(fmt(1000, "0.###e+"), "1e+3");
    EXPECT_EQ(fmt(-1500, "0.###e+"), "-1.5e+3");
    EXPECT_EQ(fmt(0.00025, "0.###e+"), "2.5e-4");
    EXPECT_EQ(fmt(99999, "0.###e+"), "1e+5"); // carry into the exponent
    EXPECT_EQ(fmt(1.23456e-12, "0.###e+"), "1.235e-12");
    EXPECT_EQ(fmt(5e200, "0.###e+"), "5e+200");
    EXPECT_EQ(fmt(0, "0.###e+"), "0e+0");
}

TEST(NumberFormat, DecimalSeparatorComesFromTheCaller)
{
    EXPECT_EQ(fmt(2.5, "0.0", u','), "2,5");
    EXPECT_EQ(fmt(1500, "0.###e+", u','), "1,5e+3");
    EXPECT_EQ(fmt(2, "0.", u','), "2"); // no digit after the separator: none shown
}

TEST(NumberFormat, LocaleSeparatorFollowsTheDefaultLocale)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    EXPECT_EQ(locale_decimal_separator(), QChar(u','));
    EXPECT_EQ(format_number(0.25, u"0.00"), "0,25");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(format_number(0.25, u"0.00"), "0.25");
    QLocale::setDefault(saved);
}

TEST(NumberFormat, NonFiniteValuesGiveAShortTextAndLongResultsAreCut)
{
    EXPECT_EQ(fmt(std::numeric_limits<double>::quiet_NaN(), "0.0"), "NaN");
    EXPECT_EQ(fmt(-HUGE_VAL, "0.0"), "-Inf");
    char16_t buf[4];
    EXPECT_EQ(format_number(123456.0, u"0.000", u'.', buf, 4), 4);
    EXPECT_EQ(QString(reinterpret_cast<QChar*>(buf), 4), "1234");
}
