// The parameter grid window: typing into value cells, Enter sending the parameter write,
// values kept between openings, the comma locale, and the drawn grid.
#include "Var_dati.h"

#include "Globvar.h"
#include "Netcom.h"
#include "message_box.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <functional>
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

    TForm_var_dati& open()
    {
        window = std::make_unique<TForm_var_dati>();
        window->show();
        return *window;
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

TEST_F(VarDatiTest, OpensOnTheFirstValueCellAndOnlyValueCellsTakeTheCursor)
{
    open();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTableWidget* grid = window->StringGrid_var_dati;
    EXPECT_EQ(grid->rowCount(), int(PARAM_COUNT));
    EXPECT_EQ(window->cellText(1, 201), "wom");
    EXPECT_EQ(window->cellText(0, 201), "201");
    EXPECT_EQ(editor().text(), "0");
    EXPECT_TRUE(editor().hasSelectedText()) << "typing replaces the shown value";
    EXPECT_EQ(queue_count(), 0);

    // A click on a fixed cell leaves the cursor where it was.
    const QRect name = grid->visualRect(grid->model()->index(3, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, name.center());
    EXPECT_EQ(window->grid_col, 2);
    EXPECT_EQ(window->grid_row, 1);
    const QRect value = grid->visualRect(grid->model()->index(3, 2));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, value.center());
    EXPECT_EQ(window->grid_row, 4);
    QTest::keyClick(&editor(), Qt::Key_Down);
    EXPECT_EQ(window->grid_row, 5);
    QTest::keyClicks(&editor(), "8");
    EXPECT_EQ(window->cellText(2, 5), "8");
    EXPECT_EQ(link_state.param_values[4], 8.0f);

    // Tab leaves the grid for the button and comes back to the editor, on the same cell.
    ASSERT_TRUE(editor().hasFocus());
    QTest::keyClick(&editor(), Qt::Key_Tab);
    EXPECT_TRUE(window->BitBtn_close->hasFocus());
    QTest::keyClick(window->BitBtn_close, Qt::Key_Backtab);
    EXPECT_TRUE(editor().hasFocus());
    EXPECT_EQ(window->grid_row, 5);
    QTest::keyClick(&editor(), Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible()) << "no key in the grid closes the window";
}

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

// Values kept between openings: the stored values shown on opening are caught by the comma
// and refusal tests, a typed value kept without Enter by the first test, which also finds
// nothing sent on opening.

TEST_F(VarDatiTest, CommaLocaleTypesAndShowsWithTheComma)
{
    MessageRecorder recorder;
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    link_state.param_values[1] = 0.5f;
    open();
    EXPECT_EQ(window->cellText(2, 2), "0,5");
    type("1.5"); // the point is not this locale's separator
    EXPECT_EQ(editor().text(), "15");
    type("1,5,");
    EXPECT_EQ(editor().text(), "1,5");
    enter();
    EXPECT_EQ(link_state.param_values[0], 1.5f);
    window->selectValueCell(2);
    enter(); // the shown "0,5" converts back
    EXPECT_TRUE(recorder.messages().empty());
    EXPECT_EQ(take_queue(),
              (std::vector<Bytes>{{0x00, 0x06, 0x00, 0x0A, 0x00, 0x00, 0x3F, 0xC0, 0x00, 0x00},
                                  {0x00, 0x06, 0x00, 0x0A, 0x00, 0x01, 0x3F, 0x00, 0x00, 0x00}}));
}

// Text that is no number in float range never reaches the controller as some other value:
// Enter sends nothing, keeps the cell and the stored value, and says why.
TEST_F(VarDatiTest, EnterOnTextThatIsNoFloatSendsNothingAndSaysSo)
{
    MessageRecorder recorder;
    link_state.param_values[1] = 1e20f; // shown as "1.00000002004088E20"
    open();
    QGuiApplication::clipboard()->setText("abc");
    const struct {
        const char* what;
        int row;
        std::function<void()> edit;
    } cases[] = {
        {"a sign and a separator only", 1, [&] { type("-."); }},
        {"the exponent raised beyond the float range", 2,
         [&] {
             QTest::keyClick(&editor(), Qt::Key_End);
             QTest::keyClick(&editor(), Qt::Key_Backspace);
             QTest::keyClick(&editor(), Qt::Key_Backspace);
             QTest::keyClicks(&editor(), "40");
         }},
        {"the mantissa deleted", 2,
         [&] {
             QTest::keyClick(&editor(), Qt::Key_Home);
             for (int i = 0; i < 30 && !editor().text().startsWith(u'E'); ++i)
                 QTest::keyClick(&editor(), Qt::Key_Delete);
         }},
        {"letters pasted or set behind the key filter's back", 3,
         [&] {
             type("");
             QTest::keyClick(&editor(), Qt::Key_V, Qt::ControlModifier);
             EXPECT_EQ(editor().text(), "");
             window->setCellText(2, 3, "abc");
         }},
    };
    for (const auto& c : cases) {
        window->selectValueCell(c.row);
        c.edit();
        const QString shown = window->cellText(2, c.row);
        const float stored = link_state.param_values[std::size_t(c.row - 1)];
        recorder.clear();
        enter();
        EXPECT_EQ(queue_count(), 0) << c.what;
        EXPECT_EQ(window->cellText(2, c.row), shown) << c.what;
        EXPECT_EQ(link_state.param_values[std::size_t(c.row - 1)], stored) << c.what;
        const auto messages = recorder.messages();
        ASSERT_EQ(messages.size(), 1u) << c.what;
        EXPECT_EQ(messages[0].title + ": " + messages[0].text,
                  "Attenzione: Valore non valido! Il valore deve essere compreso tra : "
                  "[-3.40282346638529E38  e  3.40282346638529E38] !");
    }
    EXPECT_EQ(window->cellText(2, 2), "E40");
    EXPECT_NE(link_state.param_values[1], 0.0f)
        << "a refused text is not stored as 0 while it is typed";

    // What the key filter cleans is a number and goes out.
    recorder.clear();
    window->selectValueCell(1);
    type("ab1.2.3xyz");
    EXPECT_EQ(editor().text(), "1.23");
    enter();
    EXPECT_TRUE(recorder.messages().empty());
    EXPECT_EQ(link_state.param_values[0], 1.23f);
    EXPECT_EQ(take_queue(),
              (std::vector<Bytes>{{0x00, 0x06, 0x00, 0x0A, 0x00, 0x00, 0x3F, 0x9D, 0x70, 0xA4}}));
}

TEST_F(VarDatiTest, HiddenInstanceTouchesNothing)
{
    link_state.param_values[7] = 3.0f;
    {
        TForm_var_dati hidden;
        Form_var_dati = &hidden;
    }
    EXPECT_EQ(Form_var_dati, nullptr) << "the pointer is reset when its window goes";
    EXPECT_EQ(link_state.param_values[7], 3.0f);
    EXPECT_EQ(queue_count(), 0);
}

namespace {

template <typename Match>
bool has_pixel(const QImage& image, const QRect& r, Match match)
{
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (match(image.pixelColor(x, y)))
                return true;
    return false;
}

auto darker(int lightness)
{
    return [lightness](QColor c) { return c.lightness() < lightness; };
}

} // namespace

TEST_F(VarDatiTest, DrawsHeaderNamesAndValues)
{
    link_state.param_values[1] = -2.5f;
    link_state.param_values[2] = -FLT_MAX;
    open();
    QTableWidget* grid = window->StringGrid_var_dati;
    const QImage shot = grid->grab().toImage();
    // GRAFION_SHOT_DIR=<dir> keeps a picture of the whole window for a look by eye.
    if (const QString dir = qEnvironmentVariable("GRAFION_SHOT_DIR"); !dir.isEmpty())
        window->grab().save(dir + QStringLiteral("/var_dati.png"));
    const int headerHeight = grid->horizontalHeader()->height();
    const QPoint origin = grid->viewport()->mapTo(grid, QPoint(0, 0));
    auto cell = [&](int row, int column) {
        return grid->visualRect(grid->model()->index(row, column)).translated(origin);
    };
    // Header "Dato": blue text on the face.
    const QRect head(origin.x() + grid->columnViewportPosition(2), origin.y() - headerHeight,
                     grid->columnWidth(2), headerHeight);
    EXPECT_TRUE(has_pixel(shot, head, [](QColor c) { return c.blue() > 200 && c.red() < 60; }));
    // Names in navy.
    EXPECT_TRUE(has_pixel(shot, cell(0, 1), [](QColor c) {
        return c.blue() > 90 && c.blue() < 170 && c.red() < 40 && c.green() < 40;
    }));
    // A value right-aligned 4 pixels from the cell's edge: black near the right, nothing in
    // the last 4 pixels, white on the left.
    const QRect value = cell(1, 2);
    EXPECT_TRUE(
        has_pixel(shot, QRect(value.right() - 12, value.top(), 8, value.height()), darker(80)));
    EXPECT_FALSE(
        has_pixel(shot, QRect(value.right() - 3, value.top(), 4, value.height()), darker(200)));
    EXPECT_FALSE(
        has_pixel(shot, QRect(value.left(), value.top(), 20, value.height()), darker(200)));
    // The longest texts still fit whole, sign included.
    const QRect longest = cell(2, 2);
    EXPECT_TRUE(
        has_pixel(shot, QRect(longest.left(), longest.top(), longest.width() / 4, longest.height()),
                  darker(80)));
    EXPECT_FALSE(
        has_pixel(shot, QRect(longest.left(), longest.top(), 1, longest.height()), darker(200)));
}
