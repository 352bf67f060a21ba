// The main window: its controls and their start states, the tool bar and client area
// geometry, the event and channel selectors, the trigger mode handling, closing, and the
// built-in test signal.

#include "Diagramx.h"
#include "Globvar.h"
#include "window_fixture.h"
#include "Net_cnx.h"
#include "TestSignal.h"
#include "message_box.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>

namespace {

using MainWindowTest = WindowFixture;

struct ButtonStart {
    const char* name;
    const char* caption;
    const char* hint;
    bool hintShown;
    bool enabled;
};

TEST_F(MainWindowTest, WindowIsRegisteredAndSizedWithItsFont)
{
    EXPECT_EQ(Form_net, window.get());
    EXPECT_EQ(window->windowTitle(), "Grafion (TCP)");
    EXPECT_EQ(window->centralWidget()->size(), QSize(799, 682));
    EXPECT_EQ(window->font().pixelSize(), 11);
    EXPECT_EQ(window->font().family(), "Tahoma");
    EXPECT_EQ(window->menuBar(), window->MainMenu1);
}

TEST_F(MainWindowTest, ToolBarButtonsHaveTheirCaptionsHintsAndStartStates)
{
    const ButtonStart buttons[] = {
        {"BitBtn_connect", "", "Connetti", true, true},
        {"BitBtn_disconnect", "", "Disconnetti", true, false},
        {"BitBtn_set_port_com", "", "Imposta Connessione", true, true},
        {"BitBtn_start_CMP_force", "", "Forza Start Acquisizione", true, false},
        {"BitBtn_start_CMP", "Start", "Start Acquisizione", true, false},
        {"BitBtn_stop_CMP", "Stop", "Stop Acquisizione", true, false},
        {"BitBtn_clear", "", "Clear", false, true},
        {"BitBtn_Refresh", "", "Refresh", true, true},
        {"BitBtn_print", "", "Print", false, true},
        {"BitBtn_preview", "", "Print Preview", false, true},
        {"BitBtn_save", "", "Salva", false, true},
        {"BitBtn_load_dat", "", "Carica", false, true},
        {"BitBtn_var_dati", "Dati", "Dati", false, true},
    };
    QWidget* bar = child<QWidget>("ToolBar_net_comt");
    int lastX = -1;
    for (const ButtonStart& b : buttons) {
        SCOPED_TRACE(b.name);
        auto* w = child<QAbstractButton>(b.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->parentWidget(), bar);
        EXPECT_EQ(w->text(), b.caption);
        EXPECT_EQ(w->property("hint").toString(), b.hint);
        EXPECT_EQ(w->toolTip(), b.hintShown ? QString(b.hint) : QString());
        EXPECT_EQ(w->isEnabled(), b.enabled);
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(w->height(), 36);
        // Left to right in the order of the table.
        EXPECT_GT(w->x(), lastX);
        lastX = w->x();
        if (b.caption[0] == '\0') {
            EXPECT_FALSE(w->icon().isNull());
        }
    }
    for (const char* name : {"ToolButton2", "ToolButton3", "ToolButton1", "ToolButton4"})
        EXPECT_TRUE(child<QWidget>(name)->isVisible()) << name;

    // Start and Stop captions in bold navy and bold red.
    auto* start = child<QToolButton>("BitBtn_start_CMP");
    auto* stop = child<QToolButton>("BitBtn_stop_CMP");
    EXPECT_TRUE(start->font().bold());
    EXPECT_TRUE(stop->font().bold());
    EXPECT_EQ(start->palette().color(QPalette::Active, QPalette::ButtonText), QColor(0, 0, 128));
    EXPECT_EQ(stop->palette().color(QPalette::Active, QPalette::ButtonText), QColor(255, 0, 0));

    // Test controls exist, enabled, but hidden.
    for (const char* name : {"Button_start_stop", "Button_F1", "Button_F2", "Button_F3"}) {
        auto* w = child<QPushButton>(name);
        EXPECT_TRUE(w->isEnabled()) << name;
        EXPECT_FALSE(w->isVisible()) << name;
    }
    EXPECT_EQ(child<QPushButton>("Button_start_stop")->text(), "Start");
    EXPECT_FALSE(child<QWidget>("Panel_debugx")->isVisible());
}

TEST_F(MainWindowTest, MenusHaveTheirItemsInOrder)
{
    struct Item {
        const char* name;
        const char* caption; // "-" for a separator
        bool enabled;
    };
    struct Menu {
        const char* name;
        const char* caption;
        std::vector<Item> items;
    };
    const Menu menus[] = {
        {"File", "File", {{"Menu_Salva", "Salva", true}, {"N2", "-", true},
                          {"Menu_Chiudi_Main", "Chiudi", true}}},
        {"Comandi1", "Comandi", {{"Menu_connect", "Connetti", true},
                                 {"Menu_disconnect", "Disconnetti", false}, {"N1", "-", true},
                                 {"Menu_Refresh", "Refresh", true}, {"Menu_Clear", "Clear", true}}},
        {"Stampe2", "Stampe", {{"Menu_Stampa", "Stampa", true},
                               {"Menu_Print_preview", "Anteprima di Stampa", true}}},
    };
    const QList<QAction*> bar = window->menuBar()->actions();
    ASSERT_EQ(bar.size(), 3);
    for (int m = 0; m < 3; ++m) {
        QMenu* menu = bar[m]->menu();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->objectName(), menus[m].name);
        EXPECT_EQ(menu->title(), menus[m].caption);
        const QList<QAction*> items = menu->actions();
        ASSERT_EQ(items.size(), qsizetype(menus[m].items.size()));
        for (qsizetype i = 0; i < items.size(); ++i) {
            const Item& want = menus[m].items[std::size_t(i)];
            SCOPED_TRACE(want.name);
            EXPECT_EQ(items[i]->objectName(), want.name);
            EXPECT_EQ(items[i]->isSeparator(), QString(want.caption) == "-");
            if (!items[i]->isSeparator()) {
                EXPECT_EQ(items[i]->text(), want.caption);
            }
            EXPECT_EQ(items[i]->isEnabled(), want.enabled);
        }
    }
}

TEST_F(MainWindowTest, TimersHaveTheirIntervalsAndStartStates)
{
    const struct {
        const char* name;
        int interval;
        bool active;
    } timers[] = {{"Timer_Diagram", 1, false}, {"Timer_monitor", 10, true},
                  {"Timer_set_fix_scale", 1, false}, {"Timer_Diagram_Test", 1, false}};
    for (const auto& t : timers) {
        auto* timer = child<QTimer>(t.name);
        ASSERT_NE(timer, nullptr);
        EXPECT_EQ(timer->interval(), t.interval) << t.name;
        EXPECT_EQ(timer->isActive(), t.active) << t.name;
    }
}

TEST_F(MainWindowTest, FrameBandsHaveTheirSizes)
{
    auto* container = child<QWidget>("ControlBar_load_dat");
    EXPECT_EQ(container->height(), 44);
    EXPECT_EQ(container->y(), 0);
    auto* bottom = child<QWidget>("Panel23");
    EXPECT_EQ(bottom->height(), 31);
    EXPECT_EQ(bottom->geometry().bottom(), window->centralWidget()->height() - 1);
    EXPECT_EQ(child<QWidget>("StatusBar_net_com")->parentWidget(), bottom);
    auto* column = child<QWidget>("v");
    EXPECT_EQ(column->width(), 200);
    EXPECT_EQ(column->x(), 0);
    auto* graph = child<QWidget>("Panel_graph");
    EXPECT_GE(graph->mapTo(window.get(), QPoint(0, 0)).x(), 200);
    EXPECT_EQ(child<QWidget>("Panel_debugx")->height(), 144);
    EXPECT_EQ(live_diagram->host, graph);
}

TEST_F(MainWindowTest, ToolBarFollowsItsContainerWidth)
{
    auto* container = child<QWidget>("ControlBar_load_dat");
    auto* bar = child<QWidget>("ToolBar_net_comt");
    EXPECT_EQ(bar->width(), container->width());
    for (int w : {1000, 640, 900}) {
        window->resize(w, window->height());
        QApplication::processEvents();
        EXPECT_EQ(container->width(), window->centralWidget()->width());
        EXPECT_EQ(bar->width(), container->width()) << w;
    }
}

TEST_F(MainWindowTest, StatusBarHasFourDrawnAndTwoPlainPanels)
{
    StatusBarPanels* bar = window->StatusBar_net_com;
    ASSERT_EQ(bar->panelCount(), 6);
    const int widths[] = {165, 165, 100, 120, 50, 50};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(bar->panel(i).width, widths[i]);
        EXPECT_EQ(bar->panel(i).ownerDrawn, i < 4);
        EXPECT_EQ(bar->panelRect(i).width(), widths[i] - 2);
        if (i > 0) {
            EXPECT_GT(bar->panelRect(i).left(), bar->panelRect(i - 1).right());
        }
    }

    // Each paint asks for the four drawn panels, each with its own rectangle, and what the
    // hook paints lands there.
    std::vector<std::pair<int, QRect>> calls;
    bar->onDrawPanel = [&](Canvas& canvas, int index, const QRect& rect) {
        calls.emplace_back(index, rect);
        FillBox(canvas, rect.left(), rect.top(), rect.width(), rect.height(), 0x0000FF);
    };
    const QImage shot = bar->grab().toImage();
    ASSERT_EQ(calls.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(calls[std::size_t(i)].first, i);
        EXPECT_EQ(calls[std::size_t(i)].second, bar->panelRect(i));
        EXPECT_EQ(shot.pixelColor(bar->panelRect(i).center()), QColor(255, 0, 0));
    }
    EXPECT_NE(shot.pixelColor(bar->panelRect(4).center()), QColor(255, 0, 0));
}

TEST_F(MainWindowTest, SettingsColumnHoldsItsGroupsAndRows)
{
    const struct {
        const char* name;
        const char* caption;
    } groups[] = {{"GroupBox3", "Trigger"}, {"GroupBox1", "Canali"},
                  {"GroupBox2", "Scala Asse y "}, {"GroupBox4", "Cursori"}};
    int lastY = -1;
    for (const auto& g : groups) {
        auto* box = child<QGroupBox>(g.name);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->title(), g.caption);
        EXPECT_EQ(box->parentWidget(), window->v);
        EXPECT_GT(box->y(), lastY);
        lastY = box->geometry().bottom();
        EXPECT_EQ(box->palette().color(QPalette::WindowText), QColor(0, 128, 0));
        EXPECT_EQ(box->font().pixelSize(), 19);
        // The controls inside keep the window's font and text colour.
        for (QWidget* inner : box->findChildren<QCheckBox*>()) {
            EXPECT_EQ(inner->font().pixelSize(), 11);
            EXPECT_NE(inner->palette().color(QPalette::WindowText), QColor(0, 128, 0));
        }
    }
    // All four groups fit in the column.
    EXPECT_LE(lastY, window->v->height());

    RadioGroup* trigger = window->RadioGroup_trigger_type;
    ASSERT_EQ(trigger->count(), 3);
    EXPECT_EQ(trigger->itemText(0), "Rolling Data");
    EXPECT_EQ(trigger->itemText(1), "AutoTrigger-Event ");
    EXPECT_EQ(trigger->itemText(2), "Single Shot-Event ");
    EXPECT_EQ(window->Panel_event_type->caption(), "Evento");
    EXPECT_TRUE(window->Panel_event_type->font().bold());

    const char* rows[] = {"Panel30", "Panel48", "Panel42", "Panel37",
                          "Panel32", "Panel28", "Panel25", "Panel19"};
    lastY = -1;
    for (int n = 0; n < 8; ++n) {
        SCOPED_TRACE(n);
        auto* row = child<Panel>(rows[n]);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->caption(), QString::number(n + 1));
        EXPECT_TRUE(row->font().bold());
        EXPECT_GT(row->y(), lastY);
        lastY = row->y();
        auto* combo = child<QComboBox>(qPrintable(QStringLiteral("ComboBox_select_dat_mis%1").arg(n)));
        auto* check = child<QCheckBox>(qPrintable(QStringLiteral("CheckBox_Dat_Mis_%1").arg(n)));
        auto* swatch = child<Panel>(qPrintable(QStringLiteral("Panel_Dat_Mis_%1").arg(n)));
        ASSERT_TRUE(combo && check && swatch);
        EXPECT_TRUE(row->isAncestorOf(combo));
        EXPECT_EQ(check->parentWidget(), swatch);
        EXPECT_TRUE(check->isChecked());
        EXPECT_FALSE(combo->font().bold());
        // The swatch sits at the row's right end.
        EXPECT_GT(swatch->x(), combo->geometry().right());
        ASSERT_EQ(combo->count(), 8);
        EXPECT_EQ(combo->itemText(7), "Dat Mis 8");
    }

    EXPECT_EQ(child<QCheckBox>("CheckBox_scala_asse_y")->text(), "Scala Fissa");
    EXPECT_FALSE(window->CheckBox_scala_asse_y->isChecked());
    EXPECT_EQ(window->Panel_asse_y_max_scale->caption(), "MAX Asse Y");
    EXPECT_EQ(window->Panel_asse_y_min_scale->caption(), "MIN Asse Y");
    // Shown, the fields hold the stored limits (the defaults in a first start).
    EXPECT_EQ(window->Memo_asse_y_max_scale->text(), "2000");
    EXPECT_EQ(window->Memo_asse_y_min_scale->text(), "-2000");
    for (QLineEdit* memo : {window->Memo_asse_y_max_scale, window->Memo_asse_y_min_scale})
        EXPECT_TRUE(memo->alignment() & Qt::AlignRight);
    EXPECT_NE(child<UpDown>("UpDown_asse_y_max_scale"), nullptr);
    EXPECT_NE(child<UpDown>("UpDown_asse_y_min_scale"), nullptr);
    EXPECT_NE(child<Panel>("Panel_scala_asse_y_on_off"), nullptr);
    EXPECT_EQ(child<QCheckBox>("CheckBox_cursor_asseT")->text(), "Cursori Asse T");
    EXPECT_EQ(child<QCheckBox>("CheckBox_cursor_asseY")->text(), "Cursori Asse Y");
    EXPECT_NE(child<Panel>("Panel_cursor_asseT_on_off"), nullptr);
    EXPECT_NE(child<Panel>("Panel_cursor_asseY_on_off"), nullptr);
}

TEST_F(MainWindowTest, DebugPanelHoldsItsTestControls)
{
    auto* strip = child<Panel>("Panel_x1");
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(child<QPushButton>("BitBtn2")->text(), "Step");
    EXPECT_EQ(child<QPushButton>("BitBtn4")->text(), "On/Off");
    EXPECT_EQ(child<QPushButton>("BitBtn1")->text(), "F");
    EXPECT_EQ(child<Panel>("Panel_ledx")->palette().color(QPalette::Window), QColor(255, 0, 0));
    for (int i = 1; i <= 6; ++i) {
        auto* value = child<Panel>(qPrintable(QStringLiteral("Panel_debx%1").arg(i)));
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value, window->Panel_debx[i - 1]);
        EXPECT_TRUE(value->alignment() & Qt::AlignRight);
        EXPECT_TRUE(window->Panel_debugx->isAncestorOf(value));
    }
    // Shown, the debug panel takes its height from the bottom of the diagram's area.
    Panel* graph = window->Panel_graph;
    const int graphHeight = graph->height();
    window->Panel_debugx->show();
    QApplication::processEvents();
    EXPECT_EQ(window->Panel_debugx->width(), window->Panel27->width());
    EXPECT_EQ(window->Panel_debugx->y(), graph->geometry().bottom() + 1);
    EXPECT_EQ(window->Panel_debugx->geometry().bottom(), window->Panel27->height() - 1);
    EXPECT_EQ(graph->height(), graphHeight - 144);
}

TEST_F(MainWindowTest, CreationFillsTheSelectorsAndSwatches)
{
    QComboBox* events = window->ComboBox_event_type;
    ASSERT_EQ(events->count(), 20);
    EXPECT_EQ(events->itemText(0), "Envet-Type 01");
    EXPECT_EQ(events->itemText(9), "Envet-Type 10");
    EXPECT_EQ(events->itemText(19), "Envet-Type 20");
    EXPECT_EQ(events->findText("Dat Mis 1"), -1);
    EXPECT_EQ(events->currentIndex(), 0);
    EXPECT_EQ(window->RadioGroup_trigger_type->itemIndex(), 0);

    ASSERT_NE(live_diagram, nullptr);
    for (int n = 0; n < 8; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(channel_select[n], n);
        EXPECT_EQ(window->ComboBox_select_dat_mis[n]->currentText(),
                  QStringLiteral("Dat Mis %1").arg(n + 1));
        const QColor trace = to_qcolor(live_diagram->channelColor[n]);
        EXPECT_EQ(window->Panel_Dat_Mis_[n]->palette().color(QPalette::Window), trace);
        EXPECT_EQ(window->CheckBox_Dat_Mis_[n]->palette().color(QPalette::Window), trace);
        // And the swatch really shows it.
        const QImage shot = window->Panel_Dat_Mis_[n]->grab().toImage();
        EXPECT_EQ(shot.pixelColor(2, 2), trace);
    }
    EXPECT_EQ(fields_ready, 1);
}

TEST_F(MainWindowTest, EventControlsFollowTheTriggerMode)
{
    Panel* panel = window->Panel_event_type;
    QComboBox* combo = window->ComboBox_event_type;
    // Start: "Rolling Data", event greyed.
    EXPECT_FALSE(panel->isEnabled());
    EXPECT_FALSE(combo->isEnabled());
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
}

TEST_F(MainWindowTest, TriggerModeChangesAreIgnoredWhileTheWindowFillsItsFields)
{
    RadioGroup* group = window->RadioGroup_trigger_type;
    fields_ready = 0;
    group->setItemIndex(1);
    EXPECT_EQ(settings.trigger_mode, 0);
    EXPECT_FALSE(window->Panel_event_type->isEnabled());

    fields_ready = 1;
    group->setItemIndex(2);
    EXPECT_EQ(settings.trigger_mode, 2);
    EXPECT_TRUE(window->Panel_event_type->isEnabled());

    // The event selection is not guarded: a user's choice always counts.
    fields_ready = 0;
    window->ComboBox_event_type->setCurrentIndex(7);
    emit window->ComboBox_event_type->activated(7);
    EXPECT_EQ(settings.event_channel, 7);
    fields_ready = 1;
}

TEST_F(MainWindowTest, ClosingDestroysTheDiagramAndStopsEveryTimer)
{
    ASSERT_NE(live_diagram, nullptr);
    // An acquisition is running when the window is closed.
    window->Button_start_stopClick();
    EXPECT_TRUE(window->Timer_Diagram->isActive());
    EXPECT_EQ(window->Button_start_stop->text(), "Stop");
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

TEST_F(MainWindowTest, StartStopTestButtonTogglesTheAcquisition)
{
    QPushButton* button = window->Button_start_stop;
    window->Button_start_stopClick();
    EXPECT_EQ(acquisition_on, 1);
    EXPECT_TRUE(window->Timer_Diagram->isActive());
    EXPECT_EQ(button->text(), "Stop");
    EXPECT_EQ(button->palette().color(QPalette::ButtonText), QColor(255, 0, 0));
    window->Button_start_stopClick();
    EXPECT_EQ(acquisition_on, 0);
    EXPECT_FALSE(window->Timer_Diagram->isActive());
    EXPECT_EQ(button->text(), "Start");
    EXPECT_EQ(button->palette().color(QPalette::ButtonText), QColor(0, 128, 0));
}

TEST_F(MainWindowTest, TestButtonsFeedTheDiagram)
{
    Diagramx* d = live_diagram;
    ASSERT_NE(d, nullptr);
    const std::uint64_t paints = d->paintCount();
    window->BitBtn2->click();
    EXPECT_EQ(d->SampleCount(), 1u);
    EXPECT_GT(d->paintCount(), paints);
    // The first test sample: counter 1, phase 8, at the test time 0.
    const Sample& first = d->samples[d->head];
    EXPECT_DOUBLE_EQ(first.t, 0.0);
    EXPECT_DOUBLE_EQ(first.value[0], table_sin(8) * 0.0011);
    EXPECT_DOUBLE_EQ(first.value[1], table_cos(8) * 0.001);
    EXPECT_DOUBLE_EQ(first.value[2], table_sin(264) * 0.001);
    EXPECT_DOUBLE_EQ(first.value[7], table_cos(8 + 3 * 256) * 0.001);

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

TEST(TestSignal, QuarterWaveTableRisesFromZeroToFullScale)
{
    const auto& t = quarter_wave_table();
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[4096], 32767);
    EXPECT_EQ(t[2048], std::lround(32767 * std::numbers::sqrt2 / 2));
    for (std::size_t i = 1; i < t.size(); ++i)
        ASSERT_GE(t[i], t[i - 1]) << i;
}

TEST(TestSignal, SineAndCosineHaveTheirSymmetries)
{
    EXPECT_EQ(table_sin(0), 0);
    EXPECT_EQ(table_sin(4096), 32767);
    EXPECT_EQ(table_sin(8192), 0);
    EXPECT_EQ(table_sin(12288), -32767);
    EXPECT_EQ(table_cos(0), 32767);
    EXPECT_EQ(table_cos(12288), 0);
    EXPECT_EQ(table_cos(8192), -32767);
    for (unsigned p = 0; p < 16384; p += 37) {
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

TEST_F(MainWindowTest, FirstStartWritesDefaultSettingsAndChoicesSurviveARestart)
{
    // A first start in an empty folder writes the defaults: rolling mode, first event.
    const QByteArray first = settingsFile();
    ASSERT_EQ(first.size(), 29);
    char check = 0;
    for (char c : first)
        check ^= c;
    EXPECT_EQ(check, 0);
    EXPECT_EQ(window->RadioGroup_trigger_type->itemIndex(), 0);
    EXPECT_EQ(window->ComboBox_event_type->currentText(), "Envet-Type 01");
    EXPECT_FALSE(window->ComboBox_event_type->isEnabled());

    // Choices made while running are saved at close and shown again at the next start.
    window->RadioGroup_trigger_type->setItemIndex(2);
    window->ComboBox_event_type->setCurrentIndex(13);
    window->ComboBox_event_typeChange();
    window->close();
    window.reset();

    openWindow();
    EXPECT_EQ(window->RadioGroup_trigger_type->itemIndex(), 2);
    EXPECT_EQ(window->ComboBox_event_type->currentText(), "Envet-Type 14");
    EXPECT_TRUE(window->ComboBox_event_type->isEnabled());
}

TEST_F(MainWindowTest, DamagedSettingsFileIsReplacedByTheDefaults)
{
    window->close();
    window.reset();
    QByteArray bytes = settingsFile();
    ASSERT_EQ(bytes.size(), 29);
    bytes[25] = char(1);        // trigger mode 1, check byte no longer matches
    {
        QFile f(folder.filePath("ethernet_set.dat"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    openWindow();
    EXPECT_EQ(window->RadioGroup_trigger_type->itemIndex(), 0);
    EXPECT_EQ(settingsFile().size(), 29);
}
