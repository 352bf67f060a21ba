// The parameter grid window: typing into value cells, Enter sending the parameter write or
// refusing text that is no float.
#include "Var_dati.h"

#include "Globvar.h"
#include "Netcom.h"
#include "message_box.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLocale>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

class VarDatiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale::c());
        link_state_reset();
        send_queue_lock_create();
        queue_flush();
    }
    void TearDown() override
    {
        window.reset();
        send_queue_lock_close();
        link_state_reset();
        QLocale::setDefault(QLocale::c());
    }

    void open()
    {
        window = std::make_unique<TForm_var_dati>();
        window->show();
    }

    QLineEdit& editor()
    {
        QLineEdit* e = window->cellEditor();
        EXPECT_NE(e, nullptr);
        return *e;
    }

    // Replaces the current cell's text by typing, as a user would.
    void type(const QString& keys)
    {
        QLineEdit& e = editor();
        e.selectAll();
        QTest::keyClick(&e, Qt::Key_Backspace);
        QTest::keyClicks(&e, keys);
    }

    void enter() { QTest::keyClick(&editor(), Qt::Key_Return); }

    static std::vector<Bytes> take_queue()
    {
        std::vector<Bytes> out;
        while (NetMessage* m = queue_peek()) {
            out.push_back(m->bytes);
            queue_pop();
        }
        return out;
    }

    std::unique_ptr<TForm_var_dati> window;
};

TEST_F(VarDatiTest, EnterSendsTheCellsParameterWriteButNeverAnIncompleteText)
{
    MessageRecorder recorder;
    link_state.param_values[4] = 7.0f;
    open();
    type("1");
    enter();
    window->selectValueCell(201);
    EXPECT_EQ(window->grid_row, 201);
    type("-2.5");
    enter();
    EXPECT_EQ(window->cellEditor()->text(), "-2.5"); // the window stays open on the cell
    // A lone minus (typed with the sign key) is no number: nothing is sent, the value stays.
    window->selectValueCell(5);
    type("");
    QTest::keyClick(&editor(), Qt::Key_Minus);
    EXPECT_EQ(editor().text(), "-");
    enter();

    EXPECT_EQ(link_state.param_values[0], 1.0f);
    EXPECT_EQ(link_state.param_values[200], -2.5f);
    EXPECT_EQ(link_state.param_values[4], 7.0f);
    EXPECT_EQ(recorder.messages().size(), 1u);
    EXPECT_EQ(take_queue(),
              (std::vector<Bytes>{{0x00, 0x06, 0x00, 0x0A, 0x00, 0x00, 0x3F, 0x80, 0x00, 0x00},
                                  {0x00, 0x06, 0x00, 0x0A, 0x00, 0xC8, 0xC0, 0x20, 0x00, 0x00}}));
    EXPECT_TRUE(window->isVisible());
}

// Text that is no number in float range never reaches the controller as some other value:
// Enter sends nothing, keeps the cell and the stored value, and says why.
TEST_F(VarDatiTest, EnterOnTextThatIsNoFloatSendsNothingAndSaysSo)
{
    MessageRecorder recorder;
    link_state.param_values[1] = 1e20f; // shown as "1.00000002004088E20"
    open();
    auto refused = [&](int row, const char* what) {
        const QString shown = window->cellText(2, row);
        const float stored = link_state.param_values[std::size_t(row - 1)];
        recorder.clear();
        enter();
        EXPECT_EQ(queue_count(), 0) << what;
        EXPECT_EQ(window->cellText(2, row), shown) << what;
        EXPECT_EQ(link_state.param_values[std::size_t(row - 1)], stored) << what;
        const auto messages = recorder.messages();
        ASSERT_EQ(messages.size(), 1u) << what;
        EXPECT_EQ(messages[0].title + ": " + messages[0].text,
                  "Attenzione: Valore non valido! Il valore deve essere compreso tra : "
                  "[-3.40282346638529E38  e  3.40282346638529E38] !");
    };
    window->selectValueCell(2);
    QTest::keyClick(&editor(), Qt::Key_End);
    QTest::keyClick(&editor(), Qt::Key_Backspace);
    QTest::keyClick(&editor(), Qt::Key_Backspace);
    QTest::keyClicks(&editor(), "40");
    refused(2, "the exponent raised beyond the float range");
    EXPECT_NE(link_state.param_values[1], 0.0f) << "not stored as 0 while it is typed";

    QGuiApplication::clipboard()->setText("abc");
    window->selectValueCell(3);
    type("");
    QTest::keyClick(&editor(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(editor().text(), "");
    window->setCellText(2, 3, "abc"); // behind the key filter's back
    refused(3, "letters");
}
