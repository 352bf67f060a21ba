// The settings column both windows show, bound to a diagram: channel visibility, the fixed Y
// scale with its two limit fields and the timer that carries new limits into the diagram,
// and the cursor switches.

#include "ColumnBinding.h"
#include "Dato_short.h"
#include "Diagramx.h"
#include "SettingsColumn.h"
#include "message_box.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

namespace {

const ColumnStyle kStyle = {"column",
                            200,
                            13,
                            true,
                            ColourStates::Every,
                            {"channels", "scale", "cursors"},
                            ChannelLabel::Name,
                            nullptr,
                            22,
                            Panel::Bevel::Raised,
                            19,
                            0,
                            nullptr,
                            QString(),
                            false};

class SettingsColumnTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        timer.setInterval(1);
        host.setGeometry(200, 0, 400, 300);
        binding = new ColumnBinding(*column, diagram, timer,
                                    ScaleValues{flags, y_max, y_min, max_field, min_field, ready});
        binding->attach_fields();
        binding->apply();
        binding->update_fields();
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void TearDown() override { delete diagram; }

    // Lets the timer that carries new limits into the diagram run until it stops itself.
    void settle()
    {
        for (int i = 0; i < 200 && timer.isActive(); ++i)
            QTest::qWait(2);
    }
    void typeInto(QLineEdit* memo, const QString& text)
    {
        window.activateWindow();
        memo->setFocus();
        QApplication::processEvents();
        memo->selectAll();
        QTest::keyClicks(memo, text);
        QTest::keyClick(memo, Qt::Key_Return);
    }

    std::uint32_t flags = 0;
    std::int16_t y_max = 2000;
    std::int16_t y_min = -2000;
    std::uint8_t ready = 1;
    Dato_short max_field{y_max, 10000, 1, 0};
    Dato_short min_field{y_min, -1, -10000, 0};
    MessageRecorder recorder;
    QTimer timer; // outlives the column, as a window's timer does
    QWidget window;
    SettingsColumn* column = new SettingsColumn(&window, kStyle);
    QWidget host{&window};
    Diagramx* diagram = new Diagramx(&host, 8, 5000, 20001);
    ColumnBinding* binding = nullptr;
};

} // namespace

TEST_F(SettingsColumnTest, FixedScaleSwitchGreysTheLimitFieldsAndNewLimitsRepaintOnce)
{
    // Off, the fields are greyed; on, they take input and the diagram their limits; off
    // again, the pending limit timer is stopped.
    EXPECT_FALSE(column->Memo_asse_y_max_scale->isEnabled());
    for (bool on : {true, false}) {
        SCOPED_TRACE(on);
        timer.start();
        column->CheckBox_scala_asse_y->click();
        EXPECT_EQ(std::tuple(flags & 1u, diagram->view.fixedScale),
                  std::tuple(on ? 1u : 0u, on ? 1 : 0));
        EXPECT_EQ(column->Memo_asse_y_max_scale->isEnabled(), on);
        EXPECT_EQ(column->UpDown_asse_y_min_scale->isEnabled(), on);
        EXPECT_TRUE(on || !timer.isActive()); // switched off: no pending limits
    }
    EXPECT_EQ(std::tuple(diagram->view.fixedYMax, diagram->view.fixedYMin),
              std::tuple(2000, -2000));

    column->CheckBox_scala_asse_y->click();
    settle();
    const auto before = diagram->paintCount();
    typeInto(column->Memo_asse_y_max_scale, "350");
    // Not drawn yet: the timer takes it over.
    EXPECT_EQ(std::tuple(y_max, diagram->view.fixedYMax, timer.isActive()),
              std::tuple(350, 2000, true));
    settle();
    EXPECT_EQ(std::tuple(diagram->view.fixedYMax, diagram->paintCount()),
              std::tuple(350, before + 1));

    // One arrow step on the minimum: one unit, one repaint.
    column->UpDown_asse_y_min_scale->upButton()->click();
    settle();
    EXPECT_EQ(std::tuple(y_min, diagram->view.fixedYMin, diagram->paintCount()),
              std::tuple(-1999, -1999, before + 2));
    EXPECT_EQ(column->Memo_asse_y_min_scale->text(), QStringLiteral("-1999"));
    EXPECT_TRUE(recorder.messages().empty());
}

TEST_F(SettingsColumnTest, ChannelAndCursorSwitchesActOnTheDiagram)
{
    for (int visible : {0, 1}) {
        column->CheckBox_Dat_Mis_[2]->click();
        EXPECT_EQ(diagram->channelVisible[2], visible);
    }
    for (bool on : {true, false}) {
        SCOPED_TRACE(on);
        const auto before = diagram->paintCount();
        column->CheckBox_cursor_asseT->click();
        EXPECT_EQ(diagram->showTCursors, on ? 1 : 0);
        column->CheckBox_cursor_asseY->click();
        EXPECT_EQ(diagram->showYCursors, on ? 1 : 0);
        EXPECT_EQ(diagram->paintCount(), before + 2);
        EXPECT_EQ(column->Panel_cursor_asseY_on_off->caption(), on ? "On" : "Off");
    }

    // Without a diagram (the window closing) the switches still show their state.
    delete diagram;
    diagram = nullptr;
    column->CheckBox_cursor_asseT->click();
    column->CheckBox_scala_asse_y->click();
    column->CheckBox_Dat_Mis_[0]->click();
    binding->scale_tick();
    EXPECT_EQ(column->Panel_cursor_asseT_on_off->caption(), "On");
}
