// The numeric field on a real line edit, wired the way a window wires it: keys typed into
// the line edit, focus moving away, the arrow buttons, the clipboard keys and the flashes.

#include "Palette.h"
#include "UpDown.h"
#include "field_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <QWidget>

#include <memory>

namespace {

class DatoShortWidgetTest : public FieldTest {
protected:
    void SetUp() override
    {
        FieldTest::SetUp();
        window = std::make_unique<QWidget>();
        auto* row = new QHBoxLayout(window.get());
        memo = new QLineEdit(QStringLiteral("0"), window.get());
        arrows = new UpDown(window.get());
        other = new QLineEdit(window.get());
        row->addWidget(memo);
        row->addWidget(arrows);
        row->addWidget(other);
    }
    void TearDown() override
    {
        window.reset();
        FieldTest::TearDown();
    }

    // Binds `field` to the memo and the arrows as the window does, and shows the window with
    // the focus in the memo.
    void wire(Dato_short& field, const QString& label)
    {
        field.attach(memo, arrows);
        QObject::connect(memo, &QLineEdit::textChanged, memo,
                         [this, &field] { field.on_change(memo); });
        QObject::connect(arrows, &UpDown::changing, memo, [this, &field](UpDown::Direction d) {
            bool allow = true;
            field.on_updown(memo, d, allow);
            EXPECT_FALSE(allow);
        });
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        other->setFocus(Qt::OtherFocusReason);
        bind_field_events(
            memo, [this, &field] { field.on_enter(memo); },
            [this, &field] {
                ++exits;
                field.on_exit(memo);
            },
            [this, &field, label](QChar& key) { field.on_key_press(memo, label, key); });
        memo->setFocus(Qt::MouseFocusReason);
    }
    MemoLook look() const { return LineEditMemo(memo).look(); }
    std::uint32_t shown_colour() const
    {
        const QColor c = memo->palette().color(QPalette::Active, QPalette::Text);
        return std::uint32_t(c.red()) | std::uint32_t(c.green()) << 8
               | std::uint32_t(c.blue()) << 16;
    }
    void wait_for_flash_end() { QTRY_VERIFY_WITH_TIMEOUT(!memo_is_flashing(memo), 1000); }

    std::unique_ptr<QWidget> window;
    QLineEdit* memo = nullptr;
    QLineEdit* other = nullptr;
    UpDown* arrows = nullptr;
    int exits = 0; // leaving the memo, as the window counts it
};

TEST_F(DatoShortWidgetTest, TypedDecimalsAreTakenWhenTheFocusMovesOn)
{
    wire(dec_field, "Passo");
    EXPECT_EQ(memo->text(), "1.00");
    EXPECT_EQ(memo->maxLength(), 5);
    EXPECT_EQ(memo->toolTip(), QString::fromUtf8("Range: [0.01 \u00F7 99.99]"));
    EXPECT_EQ(look(), (MemoLook{clBlue, true}));

    memo->clear();
    QTest::keyClicks(memo, "1,5x.7");
    EXPECT_EQ(memo->text(), "1.57");
    QTest::keyClick(memo, Qt::Key_Tab); // Tab is not the field's: the focus moves on
    EXPECT_TRUE(other->hasFocus());
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(hundredths, 157);
    EXPECT_EQ(memo->text(), "1.57");
    EXPECT_EQ(shown_colour(), clRed);
    wait_for_flash_end();
    EXPECT_EQ(look(), (MemoLook{clBlack, false}));
    EXPECT_FALSE(memo->font().bold());
    EXPECT_TRUE(recorder.messages().empty());
}

TEST_F(DatoShortWidgetTest, TheLocaleSeparatorIsTypedShownAndRead)
{
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    wire(dec_field, "Passo");
    EXPECT_EQ(memo->text(), "1,00");
    memo->clear();
    QTest::keyClicks(memo, "2.567");
    EXPECT_EQ(memo->text(), "2,567");
    QTest::keyClick(memo, Qt::Key_Return);
    EXPECT_EQ(hundredths, 256);
    EXPECT_EQ(memo->text(), "2,56");
}

TEST_F(DatoShortWidgetTest, ClipboardKeysReachTheMemoButCutIsSwallowed)
{
    wire(min_field, "MIN Asse Y");
    memo->setText("345");
    memo->selectAll();
    QTest::keyClick(memo, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(memo->text(), "345");

    QApplication::clipboard()->clear();
    memo->selectAll();
    QTest::keyClick(memo, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "345");

    // Pasted text is not filtered; the minus moves to the front.
    QApplication::clipboard()->setText("1-2");
    memo->clear();
    QTest::keyClick(memo, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(memo->text(), "-12");

    memo->setText("77");
    memo->setCursorPosition(2);
    QTest::keyClicks(memo, "1");
    EXPECT_EQ(memo->text(), "771");
    QTest::keyClick(memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(memo->text(), "77");

    // Ctrl+A is a control character the field does not take.
    memo->setCursorPosition(2);
    QTest::keyClick(memo, Qt::Key_A, Qt::ControlModifier);
    EXPECT_FALSE(memo->hasSelectedText());
}

TEST_F(DatoShortWidgetTest, EnterOutOfRangeKeepsTheTextUntilTheMemoIsLeft)
{
    wire(max_field, "MAX Asse Y");
    memo->setText("0");
    QTest::keyClick(memo, Qt::Key_Return);
    ASSERT_EQ(recorder.messages().size(), 1u);
    EXPECT_EQ(recorder.messages()[0].text, "MAX Asse Y deve essere tra : [1  e  10000] !");
    EXPECT_EQ(memo->text(), "0");

    // A modal box or another window taking the focus for a while is not leaving the memo.
    QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(memo, &away);
    QFocusEvent back(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(memo, &back);
    EXPECT_EQ(exits, 0);
    EXPECT_EQ(memo->text(), "0");

    other->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(exits, 1);
    ASSERT_EQ(recorder.messages().size(), 2u);
    EXPECT_EQ(recorder.messages()[1].text, "Il valore deve essere compreso tra : [1  e  10000] !");
    EXPECT_EQ(memo->text(), "2000");
    EXPECT_EQ(y_max, 2000);
}

TEST_F(DatoShortWidgetTest, ArrowClicksStepTheValueAndFlashBackToTheEditingLook)
{
    wire(max_field, "MAX Asse Y");
    other->setFocus(Qt::MouseFocusReason);
    wait_for_flash_end();
    EXPECT_EQ(look(), (MemoLook{clBlack, false}));

    arrows->upButton()->click();
    EXPECT_TRUE(memo->hasFocus());
    EXPECT_EQ(y_max, 2001);
    EXPECT_EQ(memo->text(), "2001");
    EXPECT_EQ(shown_colour(), clRed);
    EXPECT_TRUE(memo->font().bold());
    EXPECT_EQ(look(), (MemoLook{clBlue, true}));
    wait_for_flash_end();
    EXPECT_EQ(shown_colour(), clBlue);

    arrows->downButton()->click();
    arrows->downButton()->click();
    EXPECT_EQ(y_max, 1999);
    EXPECT_EQ(memo->text(), "1999");
    EXPECT_TRUE(recorder.messages().empty());

    // A colour set during a flash is not overwritten when the flash ends.
    LineEditMemo(memo).flash(50);
    QPalette p = memo->palette();
    p.setColor(QPalette::Text, QColor(0x80, 0x80, 0x80));
    memo->setPalette(p);
    wait_for_flash_end();
    EXPECT_EQ(shown_colour(), clGray);
}

TEST(TypedChar, MapsKeysToTheCharactersTheyType)
{
    auto typed = [](int key, Qt::KeyboardModifiers mods, const QString& text = QString()) {
        return typed_char(QKeyEvent(QEvent::KeyPress, key, mods, text));
    };
    EXPECT_EQ(typed(Qt::Key_Return, Qt::NoModifier, "\r"), QChar(13));
    EXPECT_EQ(typed(Qt::Key_Enter, Qt::KeypadModifier), QChar(13));
    EXPECT_EQ(typed(Qt::Key_Backspace, Qt::NoModifier), QChar(8));
    EXPECT_EQ(typed(Qt::Key_C, Qt::ControlModifier, "c"), QChar(3));
    EXPECT_EQ(typed(Qt::Key_X, Qt::ControlModifier, "\x18"), QChar(24));
    EXPECT_EQ(typed(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, "Z"), QChar(26));
    EXPECT_EQ(typed(Qt::Key_5, Qt::NoModifier, "5"), QChar('5'));
    EXPECT_EQ(typed(Qt::Key_Period, Qt::KeypadModifier, ","), QChar(','));
    for (int key : {Qt::Key_Left, Qt::Key_Home, Qt::Key_Delete, Qt::Key_Tab, Qt::Key_F2})
        EXPECT_TRUE(typed(key, Qt::NoModifier, key == Qt::Key_Delete ? "\x7f" : "").isNull());
    EXPECT_TRUE(typed(Qt::Key_Insert, Qt::ShiftModifier).isNull());
    EXPECT_TRUE(typed(Qt::Key_1, Qt::ControlModifier, "1").isNull());
}

} // namespace
