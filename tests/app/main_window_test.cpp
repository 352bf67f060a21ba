// The main window: its controls and their start states, the tool bar and client area
// geometry, the event and channel selectors, the trigger mode handling, the keyboard
// shortcuts, closing, settings kept across a restart, and the built-in test signal.

#include "Diagramx.h"
#include "Globvar.h"
#include "window_fixture.h"
#include "Net_cnx.h"
#include "TestSignal.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

#include <gmock/gmock.h>

#include <cmath>
#include <numbers>

namespace {

using MainWindowTest = WindowFixture;

TEST_F(MainWindowTest, ToolBarButtonsInOrderWithTheirStartStates)
{
    EXPECT_EQ(Form_net, window.get());
    EXPECT_EQ(window->centralWidget()->size(), QSize(799, 682));
    const struct {
        const char* name;
        bool enabled;
    } buttons[] = {
        {"BitBtn_connect", true}, {"BitBtn_disconnect", false}, {"BitBtn_set_port_com", true},
        {"BitBtn_start_CMP_force", false}, {"BitBtn_start_CMP", false}, {"BitBtn_stop_CMP", false},
        {"BitBtn_clear", true}, {"BitBtn_Refresh", true}, {"BitBtn_print", true},
        {"BitBtn_preview", true}, {"BitBtn_save", true}, {"BitBtn_load_dat", true},
        {"BitBtn_var_dati", true},
    };
    QWidget* bar = child<QWidget>("ToolBar_net_comt");
    int lastX = -1;
    for (const auto& b : buttons) {
        SCOPED_TRACE(b.name);
        auto* w = child<QAbstractButton>(b.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->parentWidget(), bar);
        EXPECT_EQ(w->isEnabled(), b.enabled);
        EXPECT_TRUE(w->isVisible());
        EXPECT_GT(w->x(), lastX); // left to right in the order of the table
        lastX = w->x();
        EXPECT_TRUE(!w->text().isEmpty() || !w->icon().isNull()); // a button without a caption shows its picture
    }
    // The test controls exist but are hidden.
    for (const char* name : {"Button_start_stop", "Button_F1", "Button_F2", "Button_F3", "Panel_debugx"})
        EXPECT_FALSE(child<QWidget>(name)->isVisible()) << name;

    // The tool bar follows its container's width.
    auto* container = child<QWidget>("ControlBar_load_dat");
    for (int w : {1000, 640, 900}) {
        window->resize(w, window->height());
        QApplication::processEvents();
        EXPECT_EQ(container->width(), window->centralWidget()->width());
        EXPECT_EQ(bar->width(), container->width()) << w;
    }
}

TEST_F(MainWindowTest, MenusHoldTheirCommandsInOrderWithDisconnectGreyed)
{
    const QStringList menus[] = {
        {"Menu_Salva", "N2", "Menu_Chiudi_Main"},
        {"Menu_connect", "Menu_disconnect", "N1", "Menu_Refresh", "Menu_Clear"},
        {"Menu_Stampa", "Menu_Print_preview"},
    };
    const QList<QAction*> bar = window->menuBar()->actions();
    ASSERT_EQ(bar.size(), 3);
    for (int m = 0; m < 3; ++m) {
        ASSERT_NE(bar[m]->menu(), nullptr);
        QStringList names;
        for (QAction* item : bar[m]->menu()->actions()) {
            names << item->objectName();
            EXPECT_EQ(item->isSeparator(), item->objectName().startsWith('N')) << item->objectName().toStdString();
            EXPECT_EQ(item->isEnabled(), item != window->Menu_disconnect) << item->objectName().toStdString();
        }
        EXPECT_EQ(names, menus[m]);
    }
}

TEST_F(MainWindowTest, ClientAreaBandsStatusPanelsAndDebugPanel)
{
    auto* bottom = child<QWidget>("Panel23");
    EXPECT_EQ(child<QWidget>("ControlBar_load_dat")->geometry(), QRect(0, 0, 799, 44));
    EXPECT_EQ(bottom->height(), 31);
    EXPECT_EQ(bottom->geometry().bottom(), window->centralWidget()->height() - 1);
    EXPECT_EQ(child<QWidget>("v")->geometry().left(), 0);
    EXPECT_EQ(child<QWidget>("v")->width(), 200);
    Panel* graph = window->Panel_graph;
    EXPECT_GE(graph->mapTo(window.get(), QPoint(0, 0)).x(), 200);
    EXPECT_EQ(live_diagram->host, graph);

    // Six status panels; each paint asks for the four drawn ones, each with its own
    // rectangle, and what the hook paints lands there.
    StatusBarPanels* bar = window->StatusBar_net_com;
    EXPECT_EQ(bar->parentWidget(), bottom);
    ASSERT_EQ(bar->panelCount(), 6);
    const int widths[] = {165, 165, 100, 120, 50, 50};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(bar->panelRect(i).width(), widths[i] - 2);
        if (i > 0) {
            EXPECT_GT(bar->panelRect(i).left(), bar->panelRect(i - 1).right());
        }
    }
    std::vector<std::pair<int, QRect>> calls;
    bar->onDrawPanel = [&](Canvas& canvas, int index, const QRect& rect) {
        calls.emplace_back(index, rect);
        FillBox(canvas, rect.left(), rect.top(), rect.width(), rect.height(), 0x0000FF);
    };
    const QImage shot = bar->grab().toImage();
    ASSERT_EQ(calls.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(calls[std::size_t(i)], std::make_pair(i, bar->panelRect(i)));
        EXPECT_EQ(shot.pixelColor(bar->panelRect(i).center()), QColor(255, 0, 0));
    }
    EXPECT_NE(shot.pixelColor(bar->panelRect(4).center()), QColor(255, 0, 0));

    // Shown, the debug panel takes its height from the bottom of the diagram's area.
    const int graphHeight = graph->height();
    window->Panel_debugx->show();
    QApplication::processEvents();
    EXPECT_EQ(window->Panel_debugx->width(), window->Panel27->width());
    EXPECT_EQ(window->Panel_debugx->y(), graph->geometry().bottom() + 1);
    EXPECT_EQ(window->Panel_debugx->geometry().bottom(), window->Panel27->height() - 1);
    EXPECT_EQ(graph->height(), graphHeight - 144);
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(window->Panel_debugx->isAncestorOf(window->Panel_debx[i])) << i;
}

TEST_F(MainWindowTest, SettingsColumnGroupsAndChannelRowsInOrderWithTheirSwatches)
{
    // The four groups top to bottom in the column, in green, the controls inside not.
    int lastY = -1;
    for (const char* name : {"GroupBox3", "GroupBox1", "GroupBox2", "GroupBox4"}) {
        auto* box = child<QGroupBox>(name);
        EXPECT_EQ(box->parentWidget(), window->v);
        EXPECT_GT(box->y(), lastY);
        lastY = box->geometry().bottom();
        EXPECT_EQ(box->palette().color(QPalette::WindowText), QColor(0, 128, 0));
        for (QWidget* inner : box->findChildren<QCheckBox*>())
            EXPECT_NE(inner->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    }
    EXPECT_LE(lastY, window->v->height());
    EXPECT_EQ(window->RadioGroup_trigger_type->count(), 3);
    EXPECT_EQ(window->ComboBox_event_type->count(), 20);

    // The channel rows, numbered 1 to 8 top to bottom, each with its selector showing its
    // own quantity and a swatch in its trace's colour.
    const char* rows[] = {"Panel30", "Panel48", "Panel42", "Panel37",
                          "Panel32", "Panel28", "Panel25", "Panel19"};
    ASSERT_NE(live_diagram, nullptr);
    lastY = -1;
    for (int n = 0; n < 8; ++n) {
        SCOPED_TRACE(n);
        auto* row = child<Panel>(rows[n]);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->caption(), QString::number(n + 1));
        EXPECT_GT(row->y(), lastY);
        lastY = row->y();
        QComboBox* combo = window->ComboBox_select_dat_mis[n];
        EXPECT_TRUE(row->isAncestorOf(combo));
        EXPECT_EQ(combo->count(), 8);
        EXPECT_EQ(combo->currentIndex(), n);
        EXPECT_EQ(channel_select[n], n);
        EXPECT_EQ(window->CheckBox_Dat_Mis_[n]->parentWidget(), window->Panel_Dat_Mis_[n]);
        EXPECT_GT(window->Panel_Dat_Mis_[n]->x(), combo->geometry().right());
        const QColor trace = to_qcolor(live_diagram->channelColor[n]);
        EXPECT_EQ(window->CheckBox_Dat_Mis_[n]->palette().color(QPalette::Window), trace);
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
    const QList<QRadioButton*> radios = window->RadioGroup_trigger_type->findChildren<QRadioButton*>();
    ASSERT_EQ(radios.size(), 3);
    for (int mode : {1, 2, 0, 2}) {
        SCOPED_TRACE(mode);
        QTest::mouseClick(radios[mode], Qt::LeftButton, {}, QPoint(5, radios[mode]->height() / 2));
        EXPECT_EQ(settings.trigger_mode, mode);
        EXPECT_EQ(panel->isEnabled(), mode != 0);
        EXPECT_EQ(combo->isEnabled(), mode != 0);
        EXPECT_EQ(panel->captionColor(), mode != 0 ? clBlack : clGray);
    }

    // While the window fills its fields a mode change is ignored; the event selection is not
    // guarded: a user's choice always counts.
    fields_ready = 0;
    window->RadioGroup_trigger_type->setItemIndex(0);
    EXPECT_EQ(settings.trigger_mode, 2);
    combo->setCurrentIndex(7);
    emit combo->activated(7);
    EXPECT_EQ(settings.event_channel, 7);
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

TEST_F(MainWindowTest, ClosingDestroysTheDiagramAndStopsEveryTimer)
{
    ASSERT_NE(live_diagram, nullptr);
    // An acquisition is running when the window is closed.
    window->Button_start_stopClick();
    EXPECT_TRUE(window->Timer_Diagram->isActive());
    window->Timer_Diagram_Test->start();
    window->Timer_set_fix_scale->start();

    window->Menu_Chiudi_Main->trigger();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(live_diagram, nullptr);
    for (QTimer* t : window->findChildren<QTimer*>(QString(), Qt::FindDirectChildrenOnly))
        EXPECT_FALSE(t->isActive()) << t->objectName().toStdString();
    // Nothing still scheduled reaches the diagram, and handlers run now find it gone.
    QTest::qWait(30);
    window->Timer_DiagramTimer();
    window->Button_F3Click();
    window->BitBtn2Click();
    window->BitBtn1Click();
    // Closing again does no harm.
    window->close();
    EXPECT_EQ(live_diagram, nullptr);
}

TEST_F(MainWindowTest, TestButtonsToggleTheAcquisitionAndFeedTheDiagram)
{
    QPushButton* button = window->Button_start_stop;
    for (bool on : {true, false}) {
        window->Button_start_stopClick();
        EXPECT_EQ(acquisition_on, on ? 1 : 0);
        EXPECT_EQ(window->Timer_Diagram->isActive(), on);
        EXPECT_EQ(button->text(), on ? "Stop" : "Start");
    }

    Diagramx* d = live_diagram;
    ASSERT_NE(d, nullptr);
    const std::uint64_t paints = d->paintCount();
    window->BitBtn2->click();
    EXPECT_EQ(d->SampleCount(), 1u);
    EXPECT_GT(d->paintCount(), paints);
    // The first sample is the generator's first, at the test time 0.
    TestSignal fresh;
    double want[8];
    fresh.test_sample(want);
    const Sample& first = d->samples[d->head];
    EXPECT_DOUBLE_EQ(first.t, 0.0);
    for (int c = 0; c < 8; ++c)
        EXPECT_DOUBLE_EQ(first.value[c], want[c]) << c;

    window->BitBtn1->click();
    EXPECT_EQ(d->SampleCount(), d->capacity - 1000);
    const Sample& last = d->samples[d->RingBack(d->tail, 1)];
    EXPECT_NEAR(last.t, (d->capacity - 1001) * 0.001, 1e-9);
    // The test time is the generator's own; the diagram's live time stamp is untouched.
    EXPECT_DOUBLE_EQ(d->nextTime, 0.0);

    const std::uint64_t before = d->paintCount();
    window->Button_F3Click();
    EXPECT_GT(d->paintCount(), before);
}

// Choices made while running are saved at close and shown again at the next start.
TEST_F(MainWindowTest, FirstStartWritesDefaultSettingsAndChoicesSurviveARestart)
{
    // A first start in an empty folder writes the defaults, with a zero check byte.
    const QByteArray first = settingsFile();
    ASSERT_EQ(first.size(), 29);
    char check = 0;
    for (char c : first)
        check ^= c;
    EXPECT_EQ(check, 0);
    EXPECT_EQ(window->RadioGroup_trigger_type->itemIndex(), 0);
    EXPECT_EQ(window->ComboBox_event_type->currentIndex(), 0);
    EXPECT_FALSE(window->CheckBox_scala_asse_y->isChecked());

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
    EXPECT_EQ(window->Memo_asse_y_max_scale->text(), "1234");
    EXPECT_EQ(window->Memo_asse_y_min_scale->text(), "-56");
    EXPECT_EQ(live_diagram->view.fixedScale, 1);
    EXPECT_EQ(live_diagram->view.fixedYMax, 1234);
    EXPECT_EQ(live_diagram->view.fixedYMin, -56);
}

TEST(TestSignal, QuarterWaveTableSineAndCosineHaveTheirSymmetries)
{
    EXPECT_EQ(quarter_wave_table()[2048], std::lround(32767 * std::numbers::sqrt2 / 2));
    // The quadrant boundaries exactly; every phase with its symmetries and within one unit.
    const int sines[] = {0, 32767, 0, -32767}, cosines[] = {32767, 0, -32767, 0};
    for (unsigned q = 0; q < 4; ++q) {
        EXPECT_EQ(table_sin(q * 4096), sines[q]) << q;
        EXPECT_EQ(table_cos(q * 4096), cosines[q]) << q;
    }
    for (unsigned p = 0; p < 16384; ++p) {
        SCOPED_TRACE(p);
        EXPECT_EQ(table_sin(p), table_sin((8192 - p) & 0x3FFF));  // sin(pi - x) = sin x
        EXPECT_EQ(table_sin(p), -table_sin((16384 - p) & 0x3FFF)); // odd
        EXPECT_EQ(table_cos(p), table_cos((16384 - p) & 0x3FFF));  // even
        EXPECT_EQ(table_cos(p), table_sin((p + 4096) & 0x3FFF));
        const double angle = 2 * std::numbers::pi * p / 16384;
        EXPECT_NEAR(table_sin(p), 32767 * std::sin(angle), 1.0);
        EXPECT_NEAR(table_cos(p), 32767 * std::cos(angle), 1.0);
    }
}

TEST(TestSignal, PhaseCounterWrapsAndPairsAreAQuarterTurnApart)
{
    TestSignal signal;
    double values[8];
    signal.counter = 0xFFFF;
    signal.test_sample(values); // counter wraps to 0: phase 0
    EXPECT_EQ(signal.counter, 0);
    EXPECT_DOUBLE_EQ(values[0], 0.0);
    EXPECT_DOUBLE_EQ(values[1], 32767 * 0.001);
    signal.counter = 511; // next phase 4096: the first trace, a little larger, at its peak
    signal.test_sample(values);
    EXPECT_DOUBLE_EQ(values[0], 32767 * 0.0011);
    // Pair k is k * 256 steps on; the last pair wraps past a full turn when it must.
    signal.counter = 2047; // next: counter 2048, phase 16384 & 0x3FFF = 0
    signal.test_sample(values);
    EXPECT_DOUBLE_EQ(values[2], table_sin(256) * 0.001);
    signal.counter = 2040; // next phase 16328: the pairs pass 16384
    signal.test_sample(values);
    EXPECT_DOUBLE_EQ(values[2], table_sin((16328 + 256) & 0x3FFF) * 0.001);
    EXPECT_DOUBLE_EQ(values[7], table_cos((16328 + 768) & 0x3FFF) * 0.001);
}

} // namespace
