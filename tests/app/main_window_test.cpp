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
#include <QFile>
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

// The text a control shows, whatever kind of control it is.
QString caption_of(QObject* o)
{
    if (auto* b = qobject_cast<QAbstractButton*>(o))
        return b->text();
    if (auto* g = qobject_cast<QGroupBox*>(o))
        return g->title();
    if (auto* p = qobject_cast<Panel*>(o))
        return p->caption();
    return QStringLiteral("<no caption>");
}

TEST_F(MainWindowTest, ToolBarButtonsHaveTheirCaptionsHintsAndStartStates)
{
    EXPECT_EQ(Form_net, window.get());
    EXPECT_EQ(window->windowTitle(), "Grafion (TCP)");
    EXPECT_EQ(window->centralWidget()->size(), QSize(799, 682));
    const struct {
        const char* name;
        const char* caption;
        const char* hint;
        bool hintShown;
        bool enabled;
    } buttons[] = {
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
    for (const auto& b : buttons) {
        SCOPED_TRACE(b.name);
        auto* w = child<QAbstractButton>(b.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->parentWidget(), bar);
        EXPECT_EQ(w->text(), b.caption);
        EXPECT_EQ(w->property("hint").toString(), b.hint);
        EXPECT_EQ(w->toolTip(), b.hintShown ? QString(b.hint) : QString());
        EXPECT_EQ(w->isEnabled(), b.enabled);
        EXPECT_TRUE(w->isVisible());
        EXPECT_GT(w->x(), lastX); // left to right in the order of the table
        lastX = w->x();
        if (b.caption[0] == '\0') {
            EXPECT_FALSE(w->icon().isNull());
        }
    }
    EXPECT_EQ(child<QToolButton>("BitBtn_start_CMP")->palette().color(QPalette::Active, QPalette::ButtonText),
              QColor(0, 0, 128));
    EXPECT_EQ(child<QToolButton>("BitBtn_stop_CMP")->palette().color(QPalette::Active, QPalette::ButtonText),
              QColor(255, 0, 0));
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
        EXPECT_EQ(bar->panel(i).width, widths[i]);
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

TEST_F(MainWindowTest, SettingsColumnHoldsItsGroupsAndRowsInOrder)
{
    const char* captions[][2] = {
        {"GroupBox3", "Trigger"}, {"GroupBox1", "Canali"}, {"GroupBox2", "Scala Asse y "},
        {"GroupBox4", "Cursori"}, {"Panel_event_type", "Evento"},
        {"CheckBox_scala_asse_y", "Scala Fissa"}, {"Panel_asse_y_max_scale", "MAX Asse Y"},
        {"Panel_asse_y_min_scale", "MIN Asse Y"}, {"CheckBox_cursor_asseT", "Cursori Asse T"},
        {"CheckBox_cursor_asseY", "Cursori Asse Y"}, {"Panel_scala_asse_y_on_off", "Off"},
        {"BitBtn2", "Step"}, {"BitBtn4", "On/Off"}, {"BitBtn1", "F"}, {"Button_start_stop", "Start"},
    };
    for (const auto& c : captions)
        EXPECT_EQ(caption_of(child<QObject>(c[0])), c[1]) << c[0];

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

    RadioGroup* trigger = window->RadioGroup_trigger_type;
    ASSERT_EQ(trigger->count(), 3);
    EXPECT_EQ(trigger->itemText(0), "Rolling Data");
    EXPECT_EQ(trigger->itemText(1), "AutoTrigger-Event ");
    EXPECT_EQ(trigger->itemText(2), "Single Shot-Event ");

    // The channel rows, numbered 1 to 8 top to bottom, each with its selector and swatch.
    const char* rows[] = {"Panel30", "Panel48", "Panel42", "Panel37",
                          "Panel32", "Panel28", "Panel25", "Panel19"};
    lastY = -1;
    for (int n = 0; n < 8; ++n) {
        SCOPED_TRACE(n);
        auto* row = child<Panel>(rows[n]);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->caption(), QString::number(n + 1));
        EXPECT_GT(row->y(), lastY);
        lastY = row->y();
        QComboBox* combo = window->ComboBox_select_dat_mis[n];
        EXPECT_EQ(combo->objectName(), QStringLiteral("ComboBox_select_dat_mis%1").arg(n));
        EXPECT_TRUE(row->isAncestorOf(combo));
        EXPECT_EQ(window->CheckBox_Dat_Mis_[n]->parentWidget(), window->Panel_Dat_Mis_[n]);
        EXPECT_GT(window->Panel_Dat_Mis_[n]->x(), combo->geometry().right());
        ASSERT_EQ(combo->count(), 8);
        EXPECT_EQ(combo->itemText(7), "Dat Mis 8");
    }
    // The limit fields hold the stored limits (the defaults in a first start).
    EXPECT_EQ(window->Memo_asse_y_max_scale->text(), "2000");
    EXPECT_EQ(window->Memo_asse_y_min_scale->text(), "-2000");
    EXPECT_TRUE(window->Memo_asse_y_max_scale->alignment() & Qt::AlignRight);
}

TEST_F(MainWindowTest, CreationFillsTheSelectorsAndSwatches)
{
    QComboBox* events = window->ComboBox_event_type;
    ASSERT_EQ(events->count(), 20);
    EXPECT_EQ(events->itemText(0), "Envet-Type 01");
    EXPECT_EQ(events->itemText(19), "Envet-Type 20");
    ASSERT_NE(live_diagram, nullptr);
    for (int n = 0; n < 8; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(channel_select[n], n);
        EXPECT_EQ(window->ComboBox_select_dat_mis[n]->currentText(),
                  QStringLiteral("Dat Mis %1").arg(n + 1));
        const QColor trace = to_qcolor(live_diagram->channelColor[n]);
        EXPECT_EQ(window->CheckBox_Dat_Mis_[n]->palette().color(QPalette::Window), trace);
        const QImage shot = window->Panel_Dat_Mis_[n]->grab().toImage();
        EXPECT_EQ(shot.pixelColor(2, 2), trace);
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

TEST_F(MainWindowTest, TestButtonsToggleTheAcquisitionAndFeedTheDiagram)
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

TEST(TestSignal, QuarterWaveTableSineAndCosineHaveTheirSymmetries)
{
    const auto& t = quarter_wave_table();
    EXPECT_EQ(t[2048], std::lround(32767 * std::numbers::sqrt2 / 2));
    for (std::size_t i = 1; i < t.size(); ++i)
        ASSERT_GE(t[i], t[i - 1]) << i;
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
