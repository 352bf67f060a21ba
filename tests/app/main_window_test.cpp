// The main window: closing while the test buttons run, settings kept across a restart.

#include "Diagramx.h"
#include "window_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>

namespace {

using MainWindowTest = WindowFixture;

// Closing while the hidden test buttons' generator runs stops every timer, and handlers run
// afterwards find the diagram gone.
TEST_F(MainWindowTest, ClosingWhileTheTestButtonsRunStopsEveryTimer)
{
    window->BitBtn1->click();
    window->Button_start_stopClick();
    EXPECT_TRUE(window->Timer_Diagram->isActive());
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
    EXPECT_TRUE(window->CheckBox_scala_asse_y->isChecked());
    EXPECT_EQ(window->Memo_asse_y_min_scale->text(), "-56");
    EXPECT_EQ(live_diagram->view.fixedScale, 1);
    EXPECT_EQ(live_diagram->view.fixedYMax, 1234);
    EXPECT_EQ(live_diagram->view.fixedYMin, -56);
}

} // namespace
