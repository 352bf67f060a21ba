// The numeric field's rules, run against a stand-in memo: parsing, display, the key filter,
// taking a value on Enter and on leaving, and the arrows.

#include "field_fixture.h"

#include <limits>
#include <tuple>

namespace {

using Log = std::vector<std::string>;

class DatoShortTest : public FieldTest {
protected:
    FakeMemo memo;

    // The character left by the key filter (null: swallowed).
    QChar press(Dato_short& field, QChar key, const QString& label = "MAX Asse Y")
    {
        field.on_key_press(memo, label, key);
        return key;
    }
};

TEST(TextToScaled, TruncatesSurplusDecimalsPadsMissingOnesAndHoldsAtTheLimits)
{
    EXPECT_EQ(text_to_scaled("1.5", 2, '.'), 150);
    EXPECT_EQ(text_to_scaled("1.567", 2, '.'), 156);
    EXPECT_EQ(text_to_scaled("-2", 2, '.'), -200);
    EXPECT_EQ(text_to_scaled("-0.05", 2, '.'), -5);
    EXPECT_EQ(text_to_scaled(".5", 1, '.'), 5);
    EXPECT_EQ(text_to_scaled("7.", 3, '.'), 7000);
    EXPECT_EQ(text_to_scaled("1,25", 2, ','), 125);
    EXPECT_EQ(text_to_scaled("", 2, '.'), 0);
    // A minus negates the digits to its right.
    EXPECT_EQ(text_to_scaled("1-2", 0, '.'), 8);
    // Huge numbers hold at the 32-bit limits instead of wrapping.
    EXPECT_EQ(text_to_scaled("4294967296", 0, '.'), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(text_to_scaled("99999999999999999999999", 4, '.'),
              std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(text_to_scaled("-9999999999999999999", 4, '.'),
              std::numeric_limits<std::int32_t>::min());
    // Only the first 19 characters count, however long the text.
    EXPECT_EQ(text_to_scaled(QString(19, '0') + QString(500, '9'), 0, '.'), 0);
}

TEST_F(DatoShortTest, FormatsWithTheLocaleSeparatorAndFixedDecimals)
{
    EXPECT_EQ(dec_field.format(-200), "-2.00");
    EXPECT_EQ(dec_field.format(-5), "-0.05");
    std::int16_t v = 0;
    EXPECT_EQ(Dato_short(v, 32767, -32768, 4).format(-32768), "-3.2768");
    EXPECT_EQ(Dato_short(v, 100, 0, 9).format(12345), "1.2345"); // at most 4 decimals
}

TEST_F(DatoShortTest, KeyTablePassesDigitsBackspaceAndClipboardKeysAndSwallowsTheRest)
{
    memo.text_ = "12";
    for (char c = '0'; c <= '9'; ++c)
        EXPECT_EQ(press(min_field, QChar(c)), QChar(c));
    for (char16_t c : {3, 8, 22, 26}) // Ctrl+C, Backspace, Ctrl+V, Ctrl+Z
        EXPECT_EQ(press(min_field, QChar(c)), QChar(c)) << int(c);
    for (char16_t c = 0; c < 32; ++c) {
        if (c == 3 || c == 8 || c == 13 || c == 22 || c == 26)
            continue;
        EXPECT_TRUE(press(min_field, QChar(c)).isNull()) << "control character " << int(c);
    }
    // A point or comma where there are no decimals, too.
    for (QChar c : QStringLiteral(" +eE x/\u00F7\u0663.,\u007F"))
        EXPECT_TRUE(press(min_field, c).isNull()) << int(c.unicode());
    EXPECT_EQ(memo.text_, "12");
    EXPECT_TRUE(recorder.messages().empty());
}

TEST_F(DatoShortTest, PointOrCommaTypeTheLocaleSeparatorOnceWhereThereAreDecimals)
{
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    memo.text_ = "1";
    EXPECT_EQ(press(dec_field, '.'), QChar(','));
    memo.text_ = "1,5";
    EXPECT_TRUE(press(dec_field, ',').isNull());
    memo.text_ = "2,567";
    dec_field.on_exit(memo);
    EXPECT_EQ(std::tuple(hundredths, memo.text_), std::tuple(256, QString("2,56")));
}

TEST_F(DatoShortTest, MinusTogglesTheSignInFrontAndKeepsTheCaretOnItsDigit)
{
    const struct {
        Dato_short& field;
        const char* text;
        int caret;
        const char* toggled;
        int caret_after;
    } cases[] = {
        {min_field, "12", 2, "-12", 3},
        {min_field, "-12", 3, "12", 2},
        {min_field, "-12", 0, "12", 0},
        {max_field, "12", 1, "12", 1}, // the lower limit is not negative: nothing happens
    };
    for (const auto& c : cases) {
        memo.text_ = c.text;
        memo.caret_ = c.caret;
        EXPECT_TRUE(press(c.field, '-').isNull());
        EXPECT_EQ(memo.text_, c.toggled) << c.text;
        EXPECT_EQ(memo.caret_, c.caret_after) << c.text;
    }
}

// Leaving takes a value in range (surplus decimals dropped) and shows it formatted; a value
// out of range is reported and the stored one shown again; an empty, lone-sign or malformed
// text stands for the stored value without a message. The memo flashes red each time, then
// turns black and normal.
TEST_F(DatoShortTest, LeavingTakesAValueInRangeOrShowsTheStoredValueAgain)
{
    const QString out_of_max = "Il valore deve essere compreso tra : [1  e  10000] !";
    const QString out_of_dec = "Il valore deve essere compreso tra : [0.01  e  99.99] !";
    const struct {
        Dato_short& field;
        const std::int16_t& value;
        const char* text;
        int stored;
        const char* shown;
        QString message; // empty: none
    } cases[] = {
        {max_field, y_max, "", 2000, "2000", ""},
        {max_field, y_max, "5a", 2000, "2000", ""},
        {max_field, y_max, "1-", 2000, "2000", ""},
        {max_field, y_max, "1.5", 2000, "2000", ""}, // a separator without decimals is malformed
        {dec_field, hundredths, "", 100, "1.00", ""},
        {dec_field, hundredths, ".", 100, "1.00", ""},
        {dec_field, hundredths, "1.2.3", 100, "1.00", ""},
        {dec_field, hundredths, "1,5", 100, "1.00", ""},
        {dec_field, hundredths, "1.567", 156, "1.56", ""},
        {dec_field, hundredths, "0.00", 156, "1.56", out_of_dec},
        {max_field, y_max, "0", 2000, "2000", out_of_max},
        {max_field, y_max, "10001", 2000, "2000", out_of_max},
    };
    for (const auto& c : cases) {
        recorder.clear();
        memo.log_.clear();
        memo.text_ = c.text;
        c.field.on_exit(memo);
        EXPECT_EQ(c.value, c.stored) << c.text;
        EXPECT_EQ(memo.text_, c.shown) << c.text;
        EXPECT_EQ(memo.log_, (Log{"flash 25", "idle"})) << c.text;
        const auto got = recorder.messages();
        ASSERT_EQ(got.size(), c.message.isEmpty() ? 0u : 1u) << c.text;
        if (!got.empty()) {
            EXPECT_EQ(got[0].text, c.message);
            EXPECT_EQ(got[0].title, "Attenzione");
            EXPECT_EQ(got[0].icon, MessageIcon::Stop);
        }
    }
    // Backspace characters pasted into the text are tolerated.
    memo.text_ = QStringLiteral("-3\b5");
    EXPECT_EQ(min_field.read_text(memo), -35);
}

TEST_F(DatoShortTest, ArrowsStepOneUnitFromTheTypedTextAndClampWithoutMessage)
{
    using enum UpDown::Direction;
    const struct {
        Dato_short& field;
        const std::int16_t& value;
        const char* text;
        UpDown::Direction direction;
        int stepped;
    } cases[] = {
        {max_field, y_max, "2000", Up, 2001},
        {max_field, y_max, "50", Down, 49},
        {max_field, y_max, "10000", Up, 10000}, // at the limit the value stays
        {max_field, y_max, "99999", Up, 10000}, // above it, it is clamped
        {min_field, y_min, "-10000", Down, -10000},
        {min_field, y_min, "0", Down, -2},    // clamped to -1, then one step down
        {dec_field, hundredths, "", Up, 101}, // empty: from the stored value, one hundredth
    };
    for (const auto& c : cases) {
        bool allow = true;
        memo.text_ = c.text;
        c.field.on_updown(memo, c.direction, allow);
        EXPECT_FALSE(allow);
        EXPECT_EQ(c.value, c.stepped) << c.text;
        EXPECT_EQ(memo.text_, c.field.format(c.stepped)) << c.text;
    }
    // Blue and bold at the first step, then a short red flash at each.
    Log expected(std::size(cases), "flash 1");
    expected.insert(expected.begin(), "editing");
    EXPECT_EQ(memo.log_, expected);
    EXPECT_TRUE(recorder.messages().empty());
}

TEST_F(DatoShortTest, LimitsBeyondTheBoundVariableAreNeverStoredWrapped)
{
    std::int16_t v = 0;
    Dato_short wide(v, 40000, -40000, 0);
    memo.text_ = "35000";
    wide.on_exit(memo);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(recorder.messages().size(), 1u);
    bool allow = true;
    memo.text_ = "35000";
    wide.on_updown(memo, UpDown::Direction::None, allow);
    EXPECT_EQ(v, 32767);
}

} // namespace
