// The main window: its commands and their start states, the client area, the trigger mode
// handling, the keyboard shortcuts, closing, settings kept across a restart, and the
// built-in test signal.

#include "Diagramx.h"
#include "TestSignal.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

#include <gmock/gmock.h>

#include <cmath>
#include <numbers>

namespace {

using MainWindowTest = WindowFixture;

TEST_F(MainWindowTest, StartsWithItsCommandsInOrderAndOnlyTheUsableOnesEnabled)
{
    // The diagram lies right of the settings column.
    ASSERT_EQ(live_diagram->host, window->Panel_graph);
    EXPECT_GE(window->Panel_graph->mapTo(window.get(), QPoint(0, 0)).x(), 200);
    // Every button without a caption names its command in a tool tip.
    const struct {
        const char* name;
        bool enabled;
        const char* toolTip;
    } buttons[] = {
        {"BitBtn_connect", true, "Connetti"},
        {"BitBtn_disconnect", false, "Disconnetti"},
        {"BitBtn_set_port_com", true, "Imposta Connessione"},
        {"BitBtn_start_CMP_force", false, "Forza Start Acquisizione"},
        {"BitBtn_start_CMP", false, "Start Acquisizione"},
        {"BitBtn_stop_CMP", false, "Stop Acquisizione"},
        {"BitBtn_record", false, "Registra su File"},
        {"BitBtn_clear", true, "Clear"},
        {"BitBtn_Refresh", true, "Refresh"},
        {"BitBtn_print", true, "Stampa"},
        {"BitBtn_preview", true, "Anteprima di Stampa"},
        {"BitBtn_save", true, "Salva"},
        {"BitBtn_load_dat", true, "Carica"},
        {"BitBtn_var_dati", true, ""}, // its caption says "Dati"
    };
    int lastX = -1;
    for (const auto& b : buttons) {
        SCOPED_TRACE(b.name);
        auto* w = window->findChild<QAbstractButton*>(b.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->isEnabled(), b.enabled);
        EXPECT_EQ(w->toolTip().toStdString(), b.toolTip);
        EXPECT_TRUE(w->isVisible());
        EXPECT_GT(w->x(), lastX); // left to right in the order of the table
        lastX = w->x();
    }
    // The test controls exist but are hidden.
    for (const char* name :
         {"Button_start_stop", "Button_F1", "Button_F2", "Button_F3", "Panel_debugx"}) {
        ASSERT_NE(window->findChild<QWidget*>(name), nullptr) << name;
        EXPECT_FALSE(window->findChild<QWidget*>(name)->isVisible()) << name;
    }
    // The tool bar follows the window's width.
    window->resize(640, window->height());
    QApplication::processEvents();
    EXPECT_EQ(window->ToolBar_net_comt->width(), window->centralWidget()->width());

    // Of the menu commands only Disconnect and Registra (which needs a connection) start
    // greyed.
    for (QAction* menu : window->menuBar()->actions())
        for (QAction* item : menu->menu()->actions())
            EXPECT_EQ(item->isEnabled(),
                      item != window->Menu_disconnect && item != window->Menu_Registra)
                << item->objectName().toStdString();

    // Each status bar paint asks for the four drawn panels, each with its own rectangle, and
    // what the hook paints lands there.
    StatusBarPanels* status = window->StatusBar_net_com;
    ASSERT_EQ(status->panelCount(), 6);
    std::vector<std::pair<int, QRect>> calls;
    status->onDrawPanel = [&](Canvas& canvas, int index, const QRect& rect) {
        calls.emplace_back(index, rect);
        FillBox(canvas, rect.left(), rect.top(), rect.width(), rect.height(), clRed);
    };
    const QImage shot = status->grab().toImage();
    ASSERT_EQ(calls.size(), std::size_t(kStatusPanels));
    for (int i = 0; i < kStatusPanels; ++i) {
        EXPECT_GT(status->panelRect(i + 1).left(), status->panelRect(i).right());
        EXPECT_EQ(calls[std::size_t(i)], std::make_pair(i, status->panelRect(i)));
        EXPECT_EQ(shot.pixelColor(status->panelRect(i).center()), QColor(255, 0, 0));
    }
    EXPECT_NE(shot.pixelColor(status->panelRect(kStatusPanels).center()), QColor(255, 0, 0));

    // The channel rows, each showing its own quantity and its trace's colour.
    for (int n = 0; n < 8; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(window->ComboBox_select_dat_mis[n]->currentIndex(), n);
        EXPECT_EQ(link_state.channel_select[n], n);
        const QColor trace = to_qcolor(live_diagram->channelColor[n]);
        EXPECT_EQ(window->Panel_Dat_Mis_[n]->grab().toImage().pixelColor(2, 2), trace);
    }
    EXPECT_EQ(fields_ready, 1);
}

TEST_F(MainWindowTest, EventControlsFollowTheTriggerModeOnceTheFieldsAreFilled)
{
    Panel* panel = window->Panel_event_type;
    QComboBox* combo = window->ComboBox_event_type;
    EXPECT_FALSE(combo->isEnabled()); // "Rolling Data": the event greyed
    EXPECT_EQ(panel->captionColor(), clGray);

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

// Saving and printing keys are greyed with their menu items while acquiring; each key runs
// what its menu item runs; Ctrl+Q closes as "Chiudi" does.
TEST_F(MainWindowTest, KeysRunTheirMenuCommandsOnlyWhileTheseAreEnabled)
{
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    for (bool acquiring : {true, false}) {
        window->Button_start_stopClick();
        window->Timer_monitorTimer();
        ASSERT_EQ(window->Menu_Salva->isEnabled(), !acquiring);
        QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
        QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
    }
    // Only the keys pressed while stopped ran: with nothing captured, each says so
    // (printing first says that there is no printer, where the machine has none).
    const auto got = recorder.messages();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].text, "Nessun dato da Salvare!");
    EXPECT_THAT(got[1].text.toStdString(),
                ::testing::AnyOf("Nessun dato da Stampare!", "Nessuna Stampante Rilevata!"));

    ASSERT_NE(live_diagram, nullptr);
    live_diagram->view.followLatest = 0;
    QTest::keyClick(window.get(), Qt::Key_F5);
    EXPECT_EQ(live_diagram->view.followLatest, 1);

    QTest::keyClick(window.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(live_diagram, nullptr);
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

// Choices made while running are saved at close and shown again at the next start.
TEST_F(MainWindowTest, FirstStartWritesDefaultSettingsAndChoicesSurviveARestart)
{
    // A first start in an empty folder writes the defaults, with a zero check byte.
    QFile file(folder.filePath("ethernet_set.dat"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray first = file.readAll();
    ASSERT_EQ(first.size(), 29);
    char check = 0;
    for (char c : first)
        check ^= c;
    EXPECT_EQ(check, 0);

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

TEST(TestSignal, TableSineAndCosineFollowTheCurvesAndThePhaseCounterWraps)
{
    // Every phase within one unit of the curves.
    for (unsigned p = 0; p < 16384; ++p) {
        const double angle = 2 * std::numbers::pi * p / 16384;
        ASSERT_NEAR(table_sin(p), 32767 * std::sin(angle), 1.0) << p;
        ASSERT_NEAR(table_cos(p), 32767 * std::cos(angle), 1.0) << p;
    }

    TestSignal signal;
    double values[8];
    signal.counter = 0xFFFF;
    signal.test_sample(values); // counter wraps to 0: phase 0
    EXPECT_EQ(signal.counter, 0);
    EXPECT_DOUBLE_EQ(values[1], 32767 * 0.001);
    // Pair k is k * 256 steps on; the last pair wraps past a full turn when it must.
    signal.counter = 2040; // next phase 16328: the pairs pass 16384
    signal.test_sample(values);
    EXPECT_DOUBLE_EQ(values[2], table_sin((16328 + 256) & 0x3FFF) * 0.001);
    EXPECT_DOUBLE_EQ(values[7], table_cos((16328 + 768) & 0x3FFF) * 0.001);
}

} // namespace
