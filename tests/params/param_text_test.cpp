// Value texts of the parameter grid: display format, conversion of typed text, key rules.
#include "Param_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <optional>

// Faults caught: digits lost or invented, wrong rounding of a half, the exponent form at the
// wrong size, the wrong separator, a text that does not read back as the same float.
TEST(ParamValueText, FifteenDigitsOfTheFloatPlainOrWithExponentAndBackAgain)
{
    const struct {
        float value;
        char16_t separator;
        const char* text;
    } cases[] = {
        {0.1f, '.', "0.100000001490116"},
        {0.0f, '.', "0"},
        {-0.0f, '.', "0"},
        {-2.5f, '.', "-2.5"},
        {12.0f, '.', "12"},
        {123456789.0f, '.', "123456792"},
        {0.001f, '.', "0.00100000004749745"},
        {0.0001f, '.', "9.99999974737875E-5"}, // just below 0.0001
        // 2^-22 = 2.384185791015625e-7: the 16th digit is an exact half and rounds away from zero.
        {std::ldexp(1.0f, -22), '.', "2.38418579101563E-7"},
        {-std::ldexp(1.0f, -22), '.', "-2.38418579101563E-7"},
        {1e15f, '.', "999999986991104"},
        {1e20f, '.', "1.00000002004088E20"},
        {FLT_MAX, '.', "3.40282346638529E38"},
        {std::ldexp(1.0f, -149), '.', "1.40129846432482E-45"},
        {std::ldexp(1.0f, 50), '.', "1.12589990684262E15"}, // sixteen integer digits do not fit
        {-1.25f, ',', "-1,25"},
        {1e-5f, ',', "9,99999974737875E-6"},
    };
    // Each text converts back to the same float.
    for (const auto& c : cases) {
        EXPECT_EQ(param_value_text(c.value, QChar(c.separator)), c.text) << c.value;
        EXPECT_EQ(param_text_value(QString::fromLatin1(c.text), QChar(c.separator)), c.value)
            << c.text;
    }
}

TEST(ParamTextValue, TextsThatAreNoFloatHaveNoValue)
{
    // Incomplete texts, texts that are no number and numbers beyond the float range (never
    // stored as infinity nor as 0).
    for (const char* text : {"", ".", "-.", "-", "abc", "E", "1.2.3", "--5", "inf", "nan", "-inf",
                             " 5", "1e", "E5", "1,5", "-1E39", "3.5E38", "1E40"})
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

// Faults caught: a sign key that does not toggle (or toggles an exponent's minus), a second
// separator let in, digits or editing keys dropped, letters let through.
TEST(ParamKey, SignSeparatorDigitsAndEditingKeys)
{
    const struct {
        const char* text;
        char16_t key;
        ParamKey result;
        const char* after;
    } cases[] = {
        {"12", u'-', ParamKey::Toggled, "-12"},     {"-12", u'-', ParamKey::Toggled, "12"},
        {"1E-6", u'-', ParamKey::Toggled, "-1E-6"}, {"-1E-6", u'-', ParamKey::Toggled, "1E-6"},
        {"1", u'.', ParamKey::Pass, "1"},           {"1.5", u'.', ParamKey::Discard, "1.5"},
        {"1.5", u'0', ParamKey::Pass, "1.5"},       {"1.5", u'9', ParamKey::Pass, "1.5"},
        {"1.5", 8, ParamKey::Pass, "1.5"},          {"1.5", 13, ParamKey::Enter, "1.5"},
        {"1.5", u'a', ParamKey::Discard, "1.5"},    {"1.5", u'E', ParamKey::Discard, "1.5"},
        {"1.5", u'+', ParamKey::Discard, "1.5"},    {"1.5", u' ', ParamKey::Discard, "1.5"},
    };
    for (const auto& c : cases) {
        QString text = QString::fromLatin1(c.text);
        EXPECT_EQ(param_key(QChar(c.key), text, u'.'), c.result) << c.text << " " << int(c.key);
        EXPECT_EQ(text, c.after) << c.text << " " << int(c.key);
    }
}
