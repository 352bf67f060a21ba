// The numeric field on a real line edit, wired the way a window wires it: focus moving away
// and the flashes.

#include "UpDown.h"
#include "field_fixture.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QTest>
#include <QWidget>

#include <memory>
#include <tuple>

namespace {

class DatoShortWidgetTest : public FieldTest {
protected:
    void TearDown() override
    {
        window.reset();
        FieldTest::TearDown();
    }

    // Binds `field` to the memo as a window does and shows the window, the focus in the memo.
    void wire(Dato_short& field, const QString& label)
    {
        auto* row = new QHBoxLayout(window.get());
        row->addWidget(memo);
        row->addWidget(arrows);
        row->addWidget(other);
        field.attach(memo, arrows);
        QObject::connect(memo, &QLineEdit::textChanged, memo,
                         [this, &field] { field.on_change(memo); });
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
    QColor shown_colour() const { return memo->palette().color(QPalette::Active, QPalette::Text); }

    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    QLineEdit* memo = new QLineEdit(QStringLiteral("0"), window.get());
    UpDown* arrows = new UpDown(window.get());
    QLineEdit* other = new QLineEdit(window.get());
    int exits = 0; // leaving the memo, as the window counts it
};

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
    EXPECT_EQ(recorder.messages().size(), 2u);
    EXPECT_EQ(std::tuple(y_max, memo->text()), std::tuple(2000, QString("2000")));
    EXPECT_EQ(shown_colour(), QColor(Qt::red)); // the flash on leaving
}

} // namespace
