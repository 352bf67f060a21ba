// Value texts of the parameter grid: display format, conversion of typed text, key rules.
#include "Param_names.h"
#include "Param_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <optional>
#include <set>
#include <string>

TEST(ParamNames, EveryNameIsThereAndDistinct)
{
    std::set<std::string> seen;
    for (const char* name : param_names) {
        ASSERT_NE(name, nullptr);
        EXPECT_GT(std::strlen(name), 0u);
        EXPECT_TRUE(seen.insert(name).second) << name << " repeats";
    }
}

TEST(ParamValueText, FifteenDigitsOfTheFloatPlainOrWithExponent)
{
    const struct {
        float value;
        char16_t separator;
        const char* text;
    } cases[] = {
        {0.1f, '.', "0.100000001490116"}, {0.0f, '.', "0"}, {-0.0f, '.', "0"}, {-2.5f, '.', "-2.5"},
        {12.0f, '.', "12"}, {123456789.0f, '.', "123456792"}, {0.001f, '.', "0.00100000004749745"},
        {0.0001f, '.', "9.99999974737875E-5"}, // just below 0.0001
        // 2^-22 = 2.384185791015625e-7: the 16th digit is an exact half and rounds away from zero.
        {std::ldexp(1.0f, -22), '.', "2.38418579101563E-7"},
        {-std::ldexp(1.0f, -22), '.', "-2.38418579101563E-7"},
        {1e15f, '.', "999999986991104"}, {1e20f, '.', "1.00000002004088E20"},
        {FLT_MAX, '.', "3.40282346638529E38"}, {std::ldexp(1.0f, -149), '.', "1.40129846432482E-45"},
        {std::ldexp(1.0f, 50), '.', "1.12589990684262E15"}, // sixteen integer digits do not fit
        {-1.25f, ',', "-1,25"}, {1e-5f, ',', "9,99999974737875E-6"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(param_value_text(c.value, QChar(c.separator)), c.text) << c.value;
}

TEST(ParamTextValue, TextsThatAreNoFloatHaveNoValue)
{
    // Incomplete texts, texts that are no number and numbers beyond the float range (never
    // stored as infinity nor as 0).
    for (const char* text : {"", ".", "-.", "-", "abc", "E", "1.2.3", "--5", "inf", "nan", "-inf", " 5", "1e", "E5",
                             "1,5", "-1E39", "3.5E38", "1E40"})
        EXPECT_EQ(param_text_value(QString::fromLatin1(text), u'.'), std::nullopt) << text;
    for (int nines : {40, 400})
        EXPECT_EQ(param_text_value(QString(nines, u'9'), u'.'), std::nullopt) << nines;
    // Numbers too small for a float are 0 (or the nearest tiny value), never garbage. Texts
    // with a separator at either end are complete; what still rounds to the largest float is
    // that float.
    EXPECT_EQ(param_text_value("1E-60", u'.'), 0.0f);
    EXPECT_EQ(param_text_value("5.", u'.'), 5.0f);
    EXPECT_EQ(param_text_value(".25", u'.'), 0.25f);
    EXPECT_EQ(param_text_value("-0.", u'.'), -0.0f);
    EXPECT_EQ(param_text_value("3.40282346638529E38", u'.'), FLT_MAX);
    EXPECT_EQ(param_text_value("-3.4028235E38", u'.'), -FLT_MAX);
}

TEST(ParamTextValue, ShownTextGivesBackTheSameFloat)
{
    for (float v : {0.1f, -0.3f, 1e-5f, 3.14159265f, 123456789.0f, 1e20f, -FLT_MAX,
                    std::ldexp(1.0f, -149), 7.0e-3f}) {
        EXPECT_EQ(param_text_value(param_value_text(v, u'.'), u'.'), v) << v;
        EXPECT_EQ(param_text_value(param_value_text(v, u','), u','), v) << v;
    }
}

TEST(ParamKey, MinusTogglesALeadingSign)
{
    QString text = "12";
    EXPECT_EQ(param_key(u'-', text, u'.'), ParamKey::Toggled);
    EXPECT_EQ(text, "-12");
    EXPECT_EQ(param_key(u'-', text, u'.'), ParamKey::Toggled);
    EXPECT_EQ(text, "12");
    // An exponent's minus is not the sign.
    text = "1E-6";
    param_key(u'-', text, u'.');
    EXPECT_EQ(text, "-1E-6");
    param_key(u'-', text, u'.');
    EXPECT_EQ(text, "1E-6");
}

// The comma locale's separator: var_dati_test.cpp, CommaLocaleTypesAndShowsWithTheComma.
TEST(ParamKey, OneSeparatorDigitsBackspaceAndEnter)
{
    QString text = "1";
    EXPECT_EQ(param_key(u'.', text, u'.'), ParamKey::Pass);
    text = "1.5";
    EXPECT_EQ(param_key(u'.', text, u'.'), ParamKey::Discard);
    for (char16_t c = u'0'; c <= u'9'; ++c)
        EXPECT_EQ(param_key(QChar(c), text, u'.'), ParamKey::Pass);
    EXPECT_EQ(param_key(QChar(8), text, u'.'), ParamKey::Pass);
    EXPECT_EQ(param_key(QChar(13), text, u'.'), ParamKey::Enter);
    for (QChar c : QStringLiteral("aE+ /*x\t"))
        EXPECT_EQ(param_key(c, text, u'.'), ParamKey::Discard) << int(c.unicode());
    EXPECT_EQ(text, "1.5"); // none of these touched the text
}
