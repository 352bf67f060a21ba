// Value texts of the parameter grid: display format, conversion of typed text, key rules.
#include "Param_names.h"
#include "Param_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <set>
#include <string>

TEST(ParamNames, TableHasTwoHundredAndOneDistinctNames)
{
    ASSERT_EQ(param_names.size(), 201u);
    std::set<std::string> seen;
    for (const char* name : param_names) {
        ASSERT_NE(name, nullptr);
        EXPECT_GT(std::strlen(name), 0u);
        seen.insert(name);
    }
    EXPECT_EQ(seen.size(), 201u) << "names repeat";
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

TEST(ParamTextValue, IncompleteTextsCountAsZero)
{
    for (const char* text : {"", ".", "-.", "-"})
        EXPECT_EQ(normalize_number_text(QString::fromLatin1(text)), "0") << text;
    EXPECT_EQ(normalize_number_text("-0."), "-0.");
    EXPECT_EQ(normalize_number_text("12"), "12");
    for (const char* text : {"", ".", "-.", "-"})
        EXPECT_EQ(param_text_value(QString::fromLatin1(text), u'.'), 0.0f) << text;
    // The same forms with the locale's own separator.
    EXPECT_EQ(param_text_value(",", u','), 0.0f);
    EXPECT_EQ(param_text_value("-,", u','), 0.0f);
    // Complete texts convert with either separator.
    EXPECT_EQ(param_text_value("5.", u'.'), 5.0f);
    EXPECT_EQ(param_text_value(".25", u'.'), 0.25f);
    EXPECT_EQ(param_text_value("-,5", u','), -0.5f);
}

TEST(ParamTextValue, TextThatIsNoNumberGivesZero)
{
    for (const char* text : {"abc", "1.2.3", "--5", "inf", "nan", "-inf", " 5", "1e", "E5",
                             "1,5"})
        EXPECT_EQ(param_text_value(QString::fromLatin1(text), u'.'), 0.0f) << text;
    // Beyond the float range: not stored as infinity.
    EXPECT_EQ(param_text_value(QString(50, u'9'), u'.'), 0.0f);
    EXPECT_EQ(param_text_value("-1E39", u'.'), 0.0f);
    EXPECT_EQ(param_text_value("3.5E38", u'.'), 0.0f);
    // What still rounds to the largest float is that float.
    EXPECT_EQ(param_text_value("3.40282346638529E38", u'.'), FLT_MAX);
    EXPECT_EQ(param_text_value("-3.4028235E38", u'.'), -FLT_MAX);
    EXPECT_EQ(param_text_value(QString(400, u'9'), u'.'), 0.0f);
    // Too small for a float is just zero (or the nearest tiny value), never garbage.
    EXPECT_EQ(param_text_value("1E-60", u'.'), 0.0f);
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
    text = "";
    param_key(u'-', text, u'.');
    EXPECT_EQ(text, "-");
    // An exponent's minus is not the sign.
    text = "1E-6";
    param_key(u'-', text, u'.');
    EXPECT_EQ(text, "-1E-6");
    param_key(u'-', text, u'.');
    EXPECT_EQ(text, "1E-6");
}

TEST(ParamKey, OneSeparatorDigitsBackspaceAndEnter)
{
    QString text = "1";
    EXPECT_EQ(param_key(u'.', text, u'.'), ParamKey::Pass);
    text = "1.5";
    EXPECT_EQ(param_key(u'.', text, u'.'), ParamKey::Discard);
    // With a comma locale the comma is the separator and the point is just another character.
    text = "1";
    EXPECT_EQ(param_key(u',', text, u','), ParamKey::Pass);
    EXPECT_EQ(param_key(u'.', text, u','), ParamKey::Discard);
    text = "1,5";
    EXPECT_EQ(param_key(u',', text, u','), ParamKey::Discard);

    for (char16_t c = u'0'; c <= u'9'; ++c)
        EXPECT_EQ(param_key(QChar(c), text, u'.'), ParamKey::Pass);
    EXPECT_EQ(param_key(QChar(8), text, u'.'), ParamKey::Pass);
    EXPECT_EQ(param_key(QChar(13), text, u'.'), ParamKey::Enter);
    for (QChar c : QStringLiteral("aE+ /*x\t"))
        EXPECT_EQ(param_key(c, text, u'.'), ParamKey::Discard) << int(c.unicode());
    EXPECT_EQ(text, "1,5"); // none of these touched the text
}
