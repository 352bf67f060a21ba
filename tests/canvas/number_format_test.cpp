#include "NumberFormat.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(NumberFormat, PatternsRoundingSignsAndSeparators)
{
    const struct {
        double value;
        const char* pattern;
        char16_t separator;
        const char* text;
    } cases[] = {
        // Fixed patterns pad and round half away from zero, as the value reads (2.675 is
        // stored a little below), not as its binary neighbour.
        {2, "0.", '.', "2"},
        {-0.015, "0.000", '.', "-0.015"},
        {2.5, "0.", '.', "3"},
        {0.125, "0.00", '.', "0.13"},
        {2.675, "0.00", '.', "2.68"},
        {9.9996, "0.000", '.', "10.000"},
        {-12.3456789, "0.0000000", '.', "-12.3456789"},
        // Zero and near zero never show a minus sign or residue.
        {-0.0, "0.", '.', "0"},
        {5.551115123125783e-17, "0.00", '.', "0.00"},
        {-5.551115123125783e-17, "0.###e+", '.', "0e+0"},
        // Scientific: exponent sign, trailing zeros dropped, carry into the exponent.
        {12345, "0.###e+", '.', "1.235e+4"},
        {0.00025, "0.###e+", '.', "2.5e-4"},
        {99999, "0.###e+", '.', "1e+5"},
        // The caller's separator; none without a digit after it.
        {2.5, "0.0", ',', "2,5"},
        {1500, "0.###e+", ',', "1,5e+3"},
        {std::numeric_limits<double>::quiet_NaN(), "0.0", '.', "NaN"},
        {-HUGE_VAL, "0.0", '.', "-Inf"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(format_number(c.value, QString::fromLatin1(c.pattern), QChar(c.separator)),
                  c.text)
            << c.value << " " << c.pattern;

    // A result longer than the buffer is cut.
    char16_t buf[4];
    EXPECT_EQ(format_number(123456.0, u"0.000", u'.', buf, 4), 4);
    EXPECT_EQ(QString(reinterpret_cast<QChar*>(buf), 4), "1234");
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
