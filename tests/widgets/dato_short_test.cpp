// The numeric field's rules, run against a stand-in memo: parsing, display, the key filter,
// taking a value on Enter and on leaving, and the arrows.

#include "Dato_short.h"
#include "fake_memo.h"
#include "message_box.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <limits>

namespace {

using Log = std::vector<std::string>;

class DatoShortTest : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale::c()); }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    // The Y-scale limits as the main window has them.
    std::int16_t y_max = 2000;
    std::int16_t y_min = -2000;
    Dato_short max_field{y_max, 10000, 1, 0};
    Dato_short min_field{y_min, -1, -10000, 0};
    // A field with two decimals, 0.01 .. 99.99.
    std::int16_t hundredths = 100;
    Dato_short dec_field{hundredths, 9999, 1, 2};

    FakeMemo memo;
    MessageRecorder recorder;

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
    EXPECT_EQ(dec_field.format(150), "1.50");
    EXPECT_EQ(dec_field.format(-200), "-2.00");
    EXPECT_EQ(dec_field.format(-5), "-0.05");
    EXPECT_EQ(max_field.format(-10000), "-10000");
    std::int16_t v = 0;
    EXPECT_EQ(Dato_short(v, 32767, -32768, 4).format(-32768), "-3.2768");
    EXPECT_EQ(Dato_short(v, 100, 0, 9).format(12345), "1.2345"); // at most 4 decimals
}

TEST_F(DatoShortTest, AttachSetsLengthHintAndText)
{
    max_field.attach(memo);
    EXPECT_EQ(memo.max_length_, 5);
    EXPECT_EQ(memo.hint_, QString::fromUtf8("Range: [1 \u00F7 10000]"));
    EXPECT_EQ(memo.text_, "2000");
    EXPECT_GE(memo.repaints_, 1);

    min_field.attach(memo);
    EXPECT_EQ(memo.max_length_, 6);
    EXPECT_EQ(memo.hint_, QString::fromUtf8("Range: [-10000 \u00F7 -1]"));
    EXPECT_EQ(memo.text_, "-2000");

    y_max = 345;
    max_field.show(memo);
    EXPECT_EQ(memo.text_, "345");
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
    for (QChar c : QStringLiteral(" +eE x/\u00F7\u0663"))
        EXPECT_TRUE(press(min_field, c).isNull()) << int(c.unicode());
    EXPECT_TRUE(press(min_field, QChar(127)).isNull());
    EXPECT_EQ(memo.text_, "12");
    EXPECT_TRUE(recorder.messages().empty());
}

TEST_F(DatoShortTest, PointOrCommaBecomesTheSeparatorOnceAndOnlyWithDecimals)
{
    memo.text_ = "1";
    EXPECT_TRUE(press(max_field, '.').isNull());
    EXPECT_TRUE(press(max_field, ',').isNull());

    EXPECT_EQ(press(dec_field, ','), QChar('.'));
    EXPECT_EQ(press(dec_field, '.'), QChar('.'));
    memo.text_ = "1.";
    EXPECT_TRUE(press(dec_field, '.').isNull());
    EXPECT_TRUE(press(dec_field, ',').isNull());
}

TEST_F(DatoShortTest, MinusTogglesTheSignInFrontAndKeepsTheCaretOnItsDigit)
{
    memo.text_ = "12";
    memo.caret_ = 2;
    EXPECT_TRUE(press(min_field, '-').isNull());
    EXPECT_EQ(memo.text_, "-12");
    EXPECT_EQ(memo.caret_, 3);
    EXPECT_TRUE(press(min_field, '-').isNull());
    EXPECT_EQ(memo.text_, "12");
    EXPECT_EQ(memo.caret_, 2);

    memo.text_ = "-12";
    memo.caret_ = 0;
    press(min_field, '-');
    EXPECT_EQ(memo.text_, "12");
    EXPECT_EQ(memo.caret_, 0);

    // Where the lower limit is not negative the minus does nothing.
    memo.text_ = "12";
    memo.caret_ = 1;
    EXPECT_TRUE(press(max_field, '-').isNull());
    EXPECT_EQ(memo.text_, "12");
    EXPECT_EQ(memo.caret_, 1);
}

TEST_F(DatoShortTest, AMinusAnywhereMovesToTheFront)
{
    memo.on_set_text = [this] { min_field.on_change(memo); };
    for (const char* pasted : {"1-2", "12-", "-12"}) {
        memo.set_text(pasted);
        EXPECT_EQ(memo.text_, "-12") << pasted;
    }
    memo.set_text("12");
    EXPECT_EQ(memo.text_, "12");
}

TEST_F(DatoShortTest, LeavingTakesTheValueTruncatedAndShowsItFormatted)
{
    memo.text_ = "1.5";
    dec_field.on_exit(memo);
    EXPECT_EQ(hundredths, 150);
    EXPECT_EQ(memo.text_, "1.50");

    memo.text_ = "1.567";
    dec_field.on_exit(memo);
    EXPECT_EQ(hundredths, 156);
    EXPECT_EQ(memo.text_, "1.56");
    EXPECT_TRUE(recorder.messages().empty());
    // Red for a moment, then black and normal.
    EXPECT_EQ(memo.log_, (Log{"flash 25", "idle", "flash 25", "idle"}));
}

TEST_F(DatoShortTest, LeavingWithAValueOutOfRangeReportsItAndShowsTheStoredValue)
{
    memo.text_ = "0";
    max_field.on_exit(memo);
    ASSERT_EQ(recorder.messages().size(), 1u);
    const RecordedMessage m = recorder.messages()[0];
    EXPECT_EQ(m.text, "Il valore deve essere compreso tra : [1  e  10000] !");
    EXPECT_EQ(m.title, "Attenzione");
    EXPECT_EQ(m.icon, MessageIcon::Stop);
    EXPECT_EQ(y_max, 2000);
    EXPECT_EQ(memo.text_, "2000");
    EXPECT_EQ(memo.log_, (Log{"flash 25", "idle"}));

    recorder.clear();
    memo.text_ = "10001";
    max_field.on_exit(memo);
    EXPECT_EQ(recorder.messages().size(), 1u);
    EXPECT_EQ(y_max, 2000);

    recorder.clear();
    memo.text_ = "1.00";
    dec_field.on_exit(memo); // 100 is inside 1..9999 scaled: taken
    memo.text_ = "0.00";
    dec_field.on_exit(memo);
    ASSERT_EQ(recorder.messages().size(), 1u);
    EXPECT_EQ(recorder.messages()[0].text,
              "Il valore deve essere compreso tra : [0.01  e  99.99] !");
    EXPECT_EQ(hundredths, 100);
}

TEST_F(DatoShortTest, EmptyLoneSignAndMalformedTextsStandForTheStoredValueWithoutMessage)
{
    for (const char* text : {"", "-", "5a", "1-", "5 "}) {
        memo.text_ = text;
        max_field.on_exit(memo);
        EXPECT_EQ(memo.text_, "2000") << text;
        EXPECT_EQ(y_max, 2000) << text;
    }
    for (const char* text : {"", "-", ".", "1.2.3", "--5", "1,5"}) {
        memo.text_ = text;
        dec_field.on_exit(memo);
        EXPECT_EQ(memo.text_, "1.00") << text;
    }
    // A separator where there are no decimals is malformed, not a digit boundary.
    memo.text_ = "1.5";
    EXPECT_EQ(max_field.read_text(memo), 2000);
    // Backspace characters pasted into the text are tolerated.
    memo.text_ = QStringLiteral("-3\b5");
    EXPECT_EQ(min_field.read_text(memo), -35);
    EXPECT_TRUE(recorder.messages().empty());
}

TEST_F(DatoShortTest, EnterTakesAValueInRangeAndKeepsTheEditingLook)
{
    memo.look_ = MemoLook{0xFF0000, true};
    memo.text_ = "-350";
    EXPECT_EQ(press(min_field, QChar(13), "MIN Asse Y"), QChar(13));
    EXPECT_EQ(y_min, -350);
    EXPECT_EQ(memo.text_, "-350");
    EXPECT_EQ(memo.log_, (Log{"flash 10"}));
    EXPECT_EQ(memo.look_, (MemoLook{0xFF0000, true}));
    EXPECT_TRUE(recorder.messages().empty());
}

TEST_F(DatoShortTest, ArrowsStepOneUnitAndClampWithoutMessage)
{
    bool allow = true;
    memo.text_ = "2000";
    max_field.on_updown(memo, UpDown::Direction::Up, allow);
    EXPECT_FALSE(allow);
    EXPECT_EQ(y_max, 2001);
    EXPECT_EQ(memo.text_, "2001");
    EXPECT_TRUE(memo.focused_);
    EXPECT_EQ(memo.log_, (Log{"editing", "flash 1"}));

    // The typed text is the starting point.
    memo.text_ = "50";
    max_field.on_updown(memo, UpDown::Direction::Down, allow);
    EXPECT_EQ(y_max, 49);

    // At the limit the value stays; above it, it is clamped.
    memo.text_ = "10000";
    max_field.on_updown(memo, UpDown::Direction::Up, allow);
    EXPECT_EQ(y_max, 10000);
    memo.text_ = "99999";
    max_field.on_updown(memo, UpDown::Direction::Up, allow);
    EXPECT_EQ(y_max, 10000);
    EXPECT_EQ(memo.text_, "10000");
    max_field.on_updown(memo, UpDown::Direction::Up, allow);
    EXPECT_EQ(memo.text_, "10000");

    memo.text_ = "-10000";
    min_field.on_updown(memo, UpDown::Direction::Down, allow);
    EXPECT_EQ(y_min, -10000);
    memo.text_ = "0";
    min_field.on_updown(memo, UpDown::Direction::Down, allow);
    EXPECT_EQ(y_min, -2); // clamped to -1, then one step down

    // One step is one unit of the last decimal; an empty text starts from the stored value.
    memo.text_ = "";
    dec_field.on_updown(memo, UpDown::Direction::Up, allow);
    EXPECT_EQ(hundredths, 101);
    EXPECT_EQ(memo.text_, "1.01");
    EXPECT_TRUE(recorder.messages().empty());
}

TEST_F(DatoShortTest, ArrowStepsLeaveTheirOwnTextAloneAndFocusOnlyAFocusableMemo)
{
    memo.on_set_text = [this] { min_field.on_change(memo); };
    memo.focusable_ = false;
    memo.look_ = MemoLook{0xFF0000, true};
    bool allow = true;
    memo.text_ = "-7";
    min_field.on_updown(memo, UpDown::Direction::Up, allow);
    EXPECT_EQ(memo.text_, "-6");
    EXPECT_FALSE(memo.focused_);
    EXPECT_EQ(memo.log_, (Log{"flash 1"})); // already blue: the look stays
    // The field takes the text's changes again after the step.
    memo.set_text("6-");
    EXPECT_EQ(memo.text_, "-6");
}

TEST_F(DatoShortTest, LimitsBeyondTheBoundVariableAreNeverStoredWrapped)
{
    std::int16_t v = 0;
    Dato_short wide(v, 40000, -40000, 0);
    EXPECT_EQ(wide.upper(), 32767);
    EXPECT_EQ(wide.lower(), -32768);
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
