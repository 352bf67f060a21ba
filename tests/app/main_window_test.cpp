// The main window: the trigger mode handling, closing while the test buttons run, settings
// kept across a restart.

#include "Diagramx.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>

namespace {

using MainWindowTest = WindowFixture;

TEST_F(MainWindowTest, EventControlsFollowTheTriggerModeOnceTheFieldsAreFilled)
{
    Panel* panel = window->Panel_event_type;
    QComboBox* combo = window->ComboBox_event_type;
    EXPECT_FALSE(combo->isEnabled()); // "Rolling Data": the event greyed

    // The user's choice of mode, through the radio buttons.
    const QList<QRadioButton*> radios =
        window->RadioGroup_trigger_type->findChildren<QRadioButton*>();
    ASSERT_EQ(radios.size(), 3);
    for (int mode : {1, 2, 0, 2}) {
        SCOPED_TRACE(mode);
        QTest::mouseClick(radios[mode], Qt::LeftButton, {}, QPoint(5, radios[mode]->height() / 2));
        EXPECT_EQ(link_state.settings.trigger_mode, mode);
        EXPECT_EQ(panel->isEnabled(), mode != 0);
        EXPECT_EQ(combo->isEnabled(), mode != 0);
        EXPECT_EQ(panel->captionColor(), mode != 0 ? clBlack : clGray);
    }

    // While the window fills its fields a mode change is ignored; the event selection is not
    // guarded: a user's choice always counts.
    fields_ready = 0;
    window->RadioGroup_trigger_type->setItemIndex(0);
    EXPECT_EQ(link_state.settings.trigger_mode, 2);
    combo->setCurrentIndex(7);
    emit combo->activated(7);
    EXPECT_EQ(link_state.settings.event_channel, 7);
    fields_ready = 1;
}

// The hidden test buttons feed the diagram from the built-in generator; closing while they
// run stops every timer, and handlers run afterwards find the diagram gone.
TEST_F(MainWindowTest, TestButtonsFeedTheDiagramAndClosingStopsEveryTimer)
{
    Diagramx* d = live_diagram;
    ASSERT_NE(d, nullptr);
    const std::uint64_t paints = d->paintCount();
    window->BitBtn2->click();
    EXPECT_EQ(d->SampleCount(), 1u);
    EXPECT_GT(d->paintCount(), paints);
    window->BitBtn1->click();
    EXPECT_EQ(d->SampleCount(), d->capacity - 1000);
    EXPECT_NEAR(d->samples[d->RingBack(d->tail, 1)].t, (d->capacity - 1001) * 0.001, 1e-9);
    // The test time is the generator's own; the diagram's live time stamp is untouched.
    EXPECT_DOUBLE_EQ(d->nextTime, 0.0);

    window->Button_start_stopClick();
    EXPECT_EQ(link_state.acquisition_on, 1);
    EXPECT_TRUE(window->Timer_Diagram->isActive());
    EXPECT_EQ(window->Button_start_stop->text(), "Stop");
    window->Timer_Diagram_Test->start();
    window->Timer_set_fix_scale->start();

    window->Menu_Chiudi_Main->trigger();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(live_diagram, nullptr);
    for (QTimer* t : window->findChildren<QTimer*>(QString(), Qt::FindDirectChildrenOnly))
        EXPECT_FALSE(t->isActive()) << t->objectName().toStdString();
    QTest::qWait(30);
    window->Timer_DiagramTimer();
    window->Button_F3Click();
    window->BitBtn2Click();
    window->BitBtn1Click();
    window->close();
    EXPECT_EQ(live_diagram, nullptr);
}

// Choices made while running are saved at close and shown again at the next start (the
// settings file itself: netif/settings_file_test.cpp).
TEST_F(MainWindowTest, ChoicesSurviveARestart)
{
    window->RadioGroup_trigger_type->setItemIndex(2);
    window->ComboBox_event_type->setCurrentIndex(13);
    window->ComboBox_event_typeChange();
    window->CheckBox_scala_asse_y->click();
    typeInto(window->Memo_asse_y_max_scale, "1234");
    typeInto(window->Memo_asse_y_min_scale, "56-"); // the minus key toggles the sign
    settleScale();
    window->close();
    window.reset();

    openWindow();
    EXPECT_EQ(window->RadioGroup_trigger_type->itemIndex(), 2);
    EXPECT_EQ(window->ComboBox_event_type->currentIndex(), 13);
    EXPECT_TRUE(window->ComboBox_event_type->isEnabled());
    EXPECT_TRUE(window->CheckBox_scala_asse_y->isChecked());
    EXPECT_EQ(window->Memo_asse_y_min_scale->text(), "-56");
    EXPECT_EQ(live_diagram->view.fixedScale, 1);
    EXPECT_EQ(live_diagram->view.fixedYMax, 1234);
    EXPECT_EQ(live_diagram->view.fixedYMin, -56);
}

} // namespace
