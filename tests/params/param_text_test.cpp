// Value texts of the parameter grid: display format, conversion of typed text, key rules.
#include "Param_names.h"
#include "Param_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <set>
#include <string>

TEST(ParamNames, TableHasEveryNameInPlace)
{
    ASSERT_EQ(param_names.size(), 201u);
    std::set<std::string> seen;
    for (const char* name : param_names) {
        ASSERT_NE(name, nullptr);
        EXPECT_GT(std::strlen(name), 0u);
        seen.insert(name);
    }
    EXPECT_EQ(seen.size(), 201u) << "names repeat";
    EXPECT_STREQ(param_names[0], "dummy_1");
    EXPECT_STREQ(param_names[1], "velmab_m");
    EXPECT_STREQ(param_names[41], "vel_xt1");
    EXPECT_STREQ(param_names[100], "dis_antic_c");
    EXPECT_STREQ(param_names[130], "dummy_2");
    EXPECT_STREQ(param_names[164], "diam_set");
    EXPECT_STREQ(param_names[199], "acceme_a1");
    EXPECT_STREQ(param_names[200], "wom");
}

TEST(ParamValueText, FifteenDigitsOfTheFloat)
{
    EXPECT_EQ(param_value_text(0.1f, u'.'), "0.100000001490116");
    EXPECT_EQ(param_value_text(0.0f, u'.'), "0");
    EXPECT_EQ(param_value_text(-0.0f, u'.'), "0");
    EXPECT_EQ(param_value_text(1.0f, u'.'), "1");
    EXPECT_EQ(param_value_text(-2.5f, u'.'), "-2.5");
    EXPECT_EQ(param_value_text(12.0f, u'.'), "12");
    EXPECT_EQ(param_value_text(123456789.0f, u'.'), "123456792");
    EXPECT_EQ(param_value_text(0.001f, u'.'), "0.00100000004749745");
    EXPECT_EQ(param_value_text(0.0001f, u'.'), "9.99999974737875E-5"); // just below 0.0001
    // 2^-22 = 2.384185791015625e-7: the 16th digit is an exact half and rounds away from zero.
    EXPECT_EQ(param_value_text(std::ldexp(1.0f, -22), u'.'), "2.38418579101563E-7");
    EXPECT_EQ(param_value_text(-std::ldexp(1.0f, -22), u'.'), "-2.38418579101563E-7");
}

TEST(ParamValueText, ExponentOutsideThePlainRange)
{
    EXPECT_EQ(param_value_text(1e-5f, u'.'), "9.99999974737875E-6");
    EXPECT_EQ(param_value_text(1e15f, u'.'), "999999986991104");
    EXPECT_EQ(param_value_text(1e20f, u'.'), "1.00000002004088E20");
    EXPECT_EQ(param_value_text(FLT_MAX, u'.'), "3.40282346638529E38");
    EXPECT_EQ(param_value_text(std::ldexp(1.0f, -149), u'.'), "1.40129846432482E-45");
    // Sixteen integer digits no longer fit the plain form.
    EXPECT_EQ(param_value_text(1024.0f * 1024.0f * 1024.0f * 1024.0f * 1024.0f, u'.'),
              "1.12589990684262E15");
}

TEST(ParamValueText, LocaleSeparator)
{
    EXPECT_EQ(param_value_text(0.5f, u','), "0,5");
    EXPECT_EQ(param_value_text(-1.25f, u','), "-1,25");
    EXPECT_EQ(param_value_text(1e-5f, u','), "9,99999974737875E-6");
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
}

TEST(ParamTextValue, ConvertsWithEitherSeparator)
{
    EXPECT_EQ(param_text_value("12", u'.'), 12.0f);
    EXPECT_EQ(param_text_value("-1.5", u'.'), -1.5f);
    EXPECT_EQ(param_text_value("5.", u'.'), 5.0f);
    EXPECT_EQ(param_text_value(".25", u'.'), 0.25f);
    EXPECT_EQ(param_text_value("1,5", u','), 1.5f);
    EXPECT_EQ(param_text_value("-,5", u','), -0.5f);
    EXPECT_EQ(param_text_value("0.1", u'.'), 0.1f);
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
