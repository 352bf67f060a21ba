// The main window's controls: creation, placement, captions, hints, start states and the
// binding of every control to its handler.

#include "Net_cnx.h"

#include "About_box.h"
#include "Command_icons.h"
#include "MeasureWindow.h"
#include "Shortcuts.h"
#include "WindowLook.h"
#include "WindowShow.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kToolBarHeight = 44; // the container
constexpr int kButtonHeight = 36;
constexpr int kStatusPanelHeight = 31;
constexpr int kSettingsWidth = 200;
constexpr int kDebugPanelHeight = 144;

// The main window's settings column: wide, with large regular captions; each channel row
// chooses its quantity.
const char* const kRowNames[SettingsColumnControls::kColumnChannels] = {"Panel30", "Panel48",
                                                                        "Panel42", "Panel37",
                                                                        "Panel32", "Panel28",
                                                                        "Panel25", "Panel19"};
const ColumnStyle kColumnStyle = {
    .name = "v",
    .width = kSettingsWidth,
    .captionPixelSize = 19,
    .captionBold = false,
    .colourStates = ColourStates::Enabled,
    .groupNames = {"GroupBox1", "GroupBox2", "GroupBox4"},
    .label = ChannelLabel::Choice,
    .rowNames = kRowNames,
    .rowHeight = 24,
    .swatchBevel = Panel::Bevel::Lowered,
    .swatchWidth = 24,
    .swatchHeight = 20,
    .fixedRowName = "Panelx_set_reverse_speed",
    .fixedStateCaption = QStringLiteral("Off"),
    .timeCursorFirst = true,
};

// The hint is kept with the control; it pops up as a tool tip only where it is shown.
void set_hint(QWidget* w, const QString& hint, bool shown)
{
    w->setProperty("hint", hint);
    if (shown)
        w->setToolTip(hint);
}

QFrame* separator(QWidget* parent, const char* name)
{
    auto* s = new QFrame(parent);
    s->setObjectName(QLatin1String(name));
    s->setFrameStyle(QFrame::VLine | QFrame::Sunken);
    s->setFixedSize(8, kButtonHeight - 8);
    return s;
}

} // namespace

void TForm_net::build_layout()
{
    setObjectName(QStringLiteral("Form_net"));
    setWindowTitle(QStringLiteral("Grafion (TCP)"));
    setFont(window_font());

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    auto* layout = column_layout(client, 0, 0);
    setCentralWidget(client);

    build_tool_bar(client);
    layout->addWidget(ControlBar_load_dat);

    Panel21 = named_panel(client, "Panel21");
    Panel21->setBevel(Panel::Bevel::None);
    auto* middle = row_layout(Panel21, 0, 0, 0, 0);
    middle->setSpacing(0);
    build_settings_column(Panel21);
    build_graph_area(Panel21);
    middle->addWidget(v);
    middle->addWidget(Panel27, 1);
    layout->addWidget(Panel21, 1);

    build_status_bar(client);
    layout->addWidget(Panel23);

    build_menu();
    build_timers();
    bind_handlers();
    place_on_screen();
}

void TForm_net::build_tool_bar(QWidget* parent)
{
    ControlBar_load_dat = new QFrame(parent);
    ControlBar_load_dat->setObjectName(QStringLiteral("ControlBar_load_dat"));
    ControlBar_load_dat->setFrameStyle(QFrame::Panel | QFrame::Raised);
    ControlBar_load_dat->setFixedHeight(kToolBarHeight);

    // The tool bar is placed in its container by hand: its width follows the container's
    // (ControlBar_load_datResize), its height is the buttons' plus a small border.
    ToolBar_net_comt = new QFrame(ControlBar_load_dat);
    ToolBar_net_comt->setObjectName(QStringLiteral("ToolBar_net_comt"));
    ToolBar_net_comt->setGeometry(0, (kToolBarHeight - kButtonHeight - 4) / 2, width(),
                                  kButtonHeight + 4);
    auto* bar = row_layout(ToolBar_net_comt, 4, 2, 4, 2);
    bar->setSpacing(1);

    const QStyle* st = style();
    auto button = [&](const char* name, CommandIcon icon, const QString& hint, bool hintShown,
                      const QString& caption = QString()) {
        auto* b = new QToolButton(ToolBar_net_comt);
        b->setObjectName(QLatin1String(name));
        b->setIcon(command_icon(icon, st));
        b->setIconSize(QSize(24, 24));
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedHeight(kButtonHeight);
        if (caption.isEmpty()) {
            b->setFixedWidth(kButtonHeight);
        } else {
            b->setText(caption);
            b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
            b->setMinimumWidth(72);
        }
        set_hint(b, hint, hintShown);
        bar->addWidget(b);
        return b;
    };
    auto push = [&](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, ToolBar_net_comt);
        b->setObjectName(QLatin1String(name));
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedSize(48, kButtonHeight);
        bar->addWidget(b);
        return b;
    };

    BitBtn_connect = button("BitBtn_connect", CommandIcon::Connect, "Connetti", true);
    BitBtn_disconnect = button("BitBtn_disconnect", CommandIcon::Disconnect, "Disconnetti", true);
    BitBtn_disconnect->setEnabled(false);
    BitBtn_set_port_com =
        button("BitBtn_set_port_com", CommandIcon::SetConnection, "Imposta Connessione", true);
    bar->addWidget(ToolButton2 = separator(ToolBar_net_comt, "ToolButton2"));

    BitBtn_start_CMP_force =
        button("BitBtn_start_CMP_force", CommandIcon::ForceStart, "Forza Start Acquisizione", true);
    BitBtn_start_CMP =
        button("BitBtn_start_CMP", CommandIcon::Start, "Start Acquisizione", true, "Start");
    BitBtn_stop_CMP =
        button("BitBtn_stop_CMP", CommandIcon::Stop, "Stop Acquisizione", true, "Stop");
    for (QToolButton* b : {BitBtn_start_CMP_force, BitBtn_start_CMP, BitBtn_stop_CMP}) {
        b->setFont(bold(window_font()));
        set_text_color(b, QPalette::ButtonText, to_qcolor(b == BitBtn_stop_CMP ? clRed : clNavy));
        b->setEnabled(false);
    }
    BitBtn_record =
        button("BitBtn_record", CommandIcon::Save, "Registra su File", true, "Registra");
    BitBtn_record->setIcon(record_icon());
    BitBtn_record->setCheckable(true);
    BitBtn_record->setEnabled(false);
    BitBtn_clear = button("BitBtn_clear", CommandIcon::Clear, "Clear", false);
    BitBtn_Refresh = button("BitBtn_Refresh", CommandIcon::Refresh, "Refresh", true);
    bar->addWidget(ToolButton3 = separator(ToolBar_net_comt, "ToolButton3"));

    BitBtn_print = button("BitBtn_print", CommandIcon::Print, "Print", false);
    BitBtn_preview = button("BitBtn_preview", CommandIcon::Preview, "Print Preview", false);
    bar->addWidget(ToolButton1 = separator(ToolBar_net_comt, "ToolButton1"));

    BitBtn_save = button("BitBtn_save", CommandIcon::Save, "Salva", false);
    BitBtn_load_dat = button("BitBtn_load_dat", CommandIcon::Load, "Carica", false);
    // The picture-only buttons whose hint is not shown get a tool tip with their command's
    // name, so that every picture button says what it does.
    BitBtn_clear->setToolTip(QStringLiteral("Clear"));
    BitBtn_print->setToolTip(QStringLiteral("Stampa"));
    BitBtn_preview->setToolTip(QStringLiteral("Anteprima di Stampa"));
    BitBtn_save->setToolTip(QStringLiteral("Salva"));
    BitBtn_load_dat->setToolTip(QStringLiteral("Carica"));
    bar->addWidget(ToolButton4 = separator(ToolBar_net_comt, "ToolButton4"));

    BitBtn_var_dati = push("BitBtn_var_dati", "Dati");
    set_hint(BitBtn_var_dati, "Dati", false);
    Button_start_stop = push("Button_start_stop", "Start");
    set_text_color(Button_start_stop, QPalette::ButtonText, to_qcolor(clGreen));
    Button_F1 = push("Button_F1", "F1");
    Button_F2 = push("Button_F2", "F2");
    Button_F3 = push("Button_F3", "F3");
    bar->addStretch(1);

    new EventHook(ControlBar_load_dat, [this](QEvent* e) {
        if (e->type() == QEvent::Resize)
            ControlBar_load_datResize();
        return false;
    });
}

void TForm_net::build_status_bar(QWidget* parent)
{
    Panel23 = named_panel(parent, "Panel23");
    Panel23->setBevel(Panel::Bevel::None);
    Panel23->setFixedHeight(kStatusPanelHeight);
    auto* layout = row_layout(Panel23, 0, 1, 0, 1);

    StatusBar_net_com = new StatusBarPanels(Panel23);
    StatusBar_net_com->setObjectName(QStringLiteral("StatusBar_net_com"));
    // The four StatusPanel panels, drawn by the window, then two plain ones.
    StatusBar_net_com->setPanels({{165, true, {}},
                                  {165, true, {}},
                                  {100, true, {}},
                                  {120, true, {}},
                                  {50, false, {}},
                                  {190, false, {}}}); // the last: a running recording
    layout->addWidget(StatusBar_net_com);
}

void TForm_net::build_settings_column(QWidget* parent)
{
    v = new SettingsColumn(parent, kColumnStyle,
                           [this](SettingsColumn& column) { build_trigger_group(column); });
    static_cast<SettingsColumnControls&>(*this) = *v;
}

// Trigger: mode and event, at the top of the settings column.
void TForm_net::build_trigger_group(SettingsColumn& column)
{
    GroupBox3 = column.group("GroupBox3", "Trigger");
    auto* trigger = column_layout(GroupBox3, 4, 3);
    RadioGroup_trigger_type = new RadioGroup(GroupBox3);
    RadioGroup_trigger_type->setObjectName(QStringLiteral("RadioGroup_trigger_type"));
    keep_window_look(RadioGroup_trigger_type);
    RadioGroup_trigger_type->setItems({"Rolling Data", "AutoTrigger-Event ", "Single Shot-Event "});
    trigger->addWidget(RadioGroup_trigger_type);

    Panel_event_type = named_panel(GroupBox3, "Panel_event_type", "Evento");
    keep_window_look(Panel_event_type);
    Panel_event_type->setFont(bold(window_font()));
    Panel_event_type->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Panel_event_type->setFixedHeight(30);
    auto* event = row_layout(Panel_event_type, 54, 3, 3, 3);
    ComboBox_event_type = new QComboBox(Panel_event_type);
    ComboBox_event_type->setObjectName(QStringLiteral("ComboBox_event_type"));
    ComboBox_event_type->setFont(window_font());
    // Design-time items; FormCreate replaces them with the event types.
    for (int i = 1; i <= kChannels; ++i)
        ComboBox_event_type->addItem(QStringLiteral("Dat Mis %1").arg(i));
    event->addWidget(ComboBox_event_type);
    trigger->addWidget(Panel_event_type);
    column.addGroup(GroupBox3);
}

void TForm_net::build_graph_area(QWidget* parent)
{
    Panel27 = named_panel(parent, "Panel27");
    Panel27->setBevel(Panel::Bevel::None);
    auto* layout = column_layout(Panel27, 0, 0);

    // The diagram lays out its own controls in this panel.
    Panel_graph = named_panel(Panel27, "Panel_graph");
    Panel_graph->setBevel(Panel::Bevel::None);
    layout->addWidget(Panel_graph, 1);

    Panel_debugx = named_panel(Panel27, "Panel_debugx");
    Panel_debugx->setFixedHeight(kDebugPanelHeight);
    layout->addWidget(Panel_debugx);
    auto* debug = column_layout(Panel_debugx, 2, 1);
    Panel_x1 = named_panel(Panel_debugx, "Panel_x1");
    Panel_x1->setFixedHeight(28);
    auto* tools = row_layout(Panel_x1, 2, 2, 2, 2);
    auto debugButton = [&](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, Panel_x1);
        b->setObjectName(QLatin1String(name));
        b->setFocusPolicy(Qt::NoFocus);
        b->setMinimumWidth(b->fontMetrics().horizontalAdvance(caption) + 24);
        tools->addWidget(b);
        return b;
    };
    BitBtn2 = debugButton("BitBtn2", "Step");
    BitBtn4 = debugButton("BitBtn4", "On/Off");
    Panel_ledx = named_panel(Panel_x1, "Panel_ledx");
    Panel_ledx->setBevel(Panel::Bevel::Lowered);
    Panel_ledx->setColor(clRed);
    Panel_ledx->setFixedSize(16, 16);
    tools->addWidget(Panel_ledx);
    BitBtn1 = debugButton("BitBtn1", "F");
    tools->addStretch(1);
    debug->addWidget(Panel_x1);

    for (int i = 0; i < 6; ++i) {
        auto* row = new QWidget(Panel_debugx);
        auto* rowLayout = row_layout(row, 0, 0, 0, 0);
        Panel* label = named_panel(row, "", QStringLiteral("d%1").arg(i + 1));
        label->setObjectName(QStringLiteral("Panel_d%1").arg(i + 1));
        label->setFixedSize(32, 17);
        rowLayout->addWidget(label);
        Panel* value = Panel_debx[i] = named_panel(row, "");
        value->setObjectName(QStringLiteral("Panel_debx%1").arg(i + 1));
        value->setBevel(Panel::Bevel::Lowered);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setFixedHeight(17);
        rowLayout->addWidget(value, 1);
        debug->addWidget(row);
    }
    debug->addStretch(1);
}

void TForm_net::build_menu()
{
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    const QStyle* st = style();
    auto item = [&](QMenu* menu, const char* name, const QString& caption) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    auto line = [](QMenu* menu, const char* name) {
        QAction* a = menu->addSeparator();
        a->setObjectName(QLatin1String(name));
        return a;
    };

    File = MainMenu1->addMenu(QStringLiteral("File"));
    File->setObjectName(QStringLiteral("File"));
    Menu_Salva = item(File, "Menu_Salva", "Salva");
    Menu_Salva->setIcon(command_icon(CommandIcon::Save, st));
    Menu_Esporta_CSV = item(File, "Menu_Esporta_CSV", "Esporta CSV...");
    Menu_Esporta_PDF = item(File, "Menu_Esporta_PDF", "Esporta PDF...");
    Menu_Esporta_Immagine = item(File, "Menu_Esporta_Immagine", "Esporta Immagine...");
    N2 = line(File, "N2");
    Menu_Chiudi_Main = item(File, "Menu_Chiudi_Main", "Chiudi");

    Comandi1 = MainMenu1->addMenu(QStringLiteral("Comandi"));
    Comandi1->setObjectName(QStringLiteral("Comandi1"));
    Menu_connect = item(Comandi1, "Menu_connect", "Connetti");
    Menu_connect->setIcon(command_icon(CommandIcon::Connect, st));
    Menu_disconnect = item(Comandi1, "Menu_disconnect", "Disconnetti");
    Menu_disconnect->setIcon(command_icon(CommandIcon::Disconnect, st));
    Menu_disconnect->setEnabled(false);
    N1 = line(Comandi1, "N1");
    Menu_Refresh = item(Comandi1, "Menu_Refresh", "Refresh");
    Menu_Refresh->setIcon(command_icon(CommandIcon::Refresh, st));
    Menu_Clear = item(Comandi1, "Menu_Clear", "Clear");
    Menu_Clear->setIcon(command_icon(CommandIcon::Clear, st));
    Menu_Registra = item(Comandi1, "Menu_Registra", "Registra");
    Menu_Registra->setIcon(record_icon());
    Menu_Registra->setCheckable(true);
    Menu_Registra->setEnabled(false);
    add_measure_menu_item(
        Comandi1, this, [] { return live_diagram; },
        [this](int channel) { return ComboBox_select_dat_mis[channel]->currentText(); });

    Stampe2 = MainMenu1->addMenu(QStringLiteral("Stampe"));
    Stampe2->setObjectName(QStringLiteral("Stampe2"));
    Menu_Stampa = item(Stampe2, "Menu_Stampa", "Stampa");
    Menu_Stampa->setIcon(command_icon(CommandIcon::Print, st));
    Menu_Print_preview = item(Stampe2, "Menu_Print_preview", "Anteprima di Stampa");
    Menu_Print_preview->setIcon(command_icon(CommandIcon::Preview, st));

    // "?": what the program is, its version and licence.
    Aiuto1 = MainMenu1->addMenu(QStringLiteral("?"));
    Aiuto1->setObjectName(QStringLiteral("Aiuto1"));
    Menu_Informazioni = item(Aiuto1, "Menu_Informazioni", "Informazioni su Grafion");
    add_menu_shortcuts(*this);
}

void TForm_net::build_timers()
{
    auto timer = [this](const char* name, int interval, bool enabled) {
        auto* t = new QTimer(this);
        t->setObjectName(QLatin1String(name));
        t->setInterval(interval);
        t->setTimerType(interval < 20 ? Qt::PreciseTimer : Qt::CoarseTimer);
        if (enabled)
            t->start();
        return t;
    };
    Timer_Diagram = timer("Timer_Diagram", 1, false);
    Timer_monitor = timer("Timer_monitor", 10, true);
    Timer_set_fix_scale = timer("Timer_set_fix_scale", 1, false);
    Timer_Diagram_Test = timer("Timer_Diagram_Test", 1, false);
}

void TForm_net::bind_handlers()
{
    auto onClick = [this](QAbstractButton* b, void (TForm_net::*handler)()) {
        connect(b, &QAbstractButton::clicked, this, handler);
    };
    auto onTrigger = [this](QAction* a, void (TForm_net::*handler)()) {
        connect(a, &QAction::triggered, this, handler);
    };

    onClick(BitBtn_connect, &TForm_net::BitBtn_connectClick);
    onClick(BitBtn_disconnect, &TForm_net::BitBtn_disconnectClick);
    onClick(BitBtn_set_port_com, &TForm_net::BitBtn_set_port_comClick);
    onClick(BitBtn_start_CMP_force, &TForm_net::BitBtn_start_CMP_forceClick);
    onClick(BitBtn_start_CMP, &TForm_net::BitBtn_start_CMPClick);
    onClick(BitBtn_stop_CMP, &TForm_net::BitBtn_stop_CMPClick);
    onClick(BitBtn_record, &TForm_net::BitBtn_recordClick);
    onClick(BitBtn_clear, &TForm_net::BitBtn_clearClick);
    onClick(BitBtn_Refresh, &TForm_net::BitBtn_RefreshClick);
    onClick(BitBtn_print, &TForm_net::BitBtn_printClick);
    onClick(BitBtn_preview, &TForm_net::BitBtn_previewClick);
    onClick(BitBtn_save, &TForm_net::BitBtn_saveClick);
    onClick(BitBtn_load_dat, &TForm_net::BitBtn_load_datClick);
    onClick(BitBtn_var_dati, &TForm_net::BitBtn_var_datiClick);
    onClick(Button_start_stop, &TForm_net::Button_start_stopClick);
    onClick(Button_F1, &TForm_net::Button_F1Click);
    onClick(Button_F2, &TForm_net::Button_F2Click);
    onClick(Button_F3, &TForm_net::Button_F3Click);
    onClick(BitBtn2, &TForm_net::BitBtn2Click);
    onClick(BitBtn1, &TForm_net::BitBtn1Click);

    onTrigger(Menu_Salva, &TForm_net::BitBtn_saveClick);
    onTrigger(Menu_Esporta_CSV, &TForm_net::Menu_Esporta_CSVClick);
    onTrigger(Menu_Esporta_PDF, &TForm_net::Menu_Esporta_PDFClick);
    onTrigger(Menu_Esporta_Immagine, &TForm_net::Menu_Esporta_ImmagineClick);
    onTrigger(Menu_Chiudi_Main, &TForm_net::Menu_Chiudi_MainClick);
    onTrigger(Menu_connect, &TForm_net::BitBtn_connectClick);
    onTrigger(Menu_disconnect, &TForm_net::BitBtn_disconnectClick);
    onTrigger(Menu_Refresh, &TForm_net::BitBtn_RefreshClick);
    onTrigger(Menu_Clear, &TForm_net::BitBtn_clearClick);
    onTrigger(Menu_Registra, &TForm_net::BitBtn_recordClick);
    onTrigger(Menu_Stampa, &TForm_net::BitBtn_printClick);
    onTrigger(Menu_Print_preview, &TForm_net::BitBtn_previewClick);
    connect(Menu_Informazioni, &QAction::triggered, this, [this] { show_about_box(this); });

    connect(RadioGroup_trigger_type, &RadioGroup::itemIndexChanged, this,
            &TForm_net::RadioGroup_trigger_typeClick);
    // Drop-down lists report only the user's choices.
    connect(ComboBox_event_type, &QComboBox::activated, this,
            &TForm_net::ComboBox_event_typeChange);
    for (int n = 0; n < kChannels; ++n)
        connect(ComboBox_select_dat_mis[n], &QComboBox::activated, this,
                [this, n] { ComboBox_select_dat_misChange(n); });

    bind_column();

    connect(Timer_Diagram, &QTimer::timeout, this, &TForm_net::Timer_DiagramTimer);
    connect(Timer_monitor, &QTimer::timeout, this, &TForm_net::Timer_monitorTimer);
    connect(Timer_Diagram_Test, &QTimer::timeout, this, &TForm_net::Timer_Diagram_TestTimer);

    StatusBar_net_com->onDrawPanel = [this](Canvas& canvas, int index, const QRect& rect) {
        StatusBar_net_comDrawPanel(canvas, index, rect);
    };
}

void TForm_net::place_on_screen()
{
    // The client area (below the menu bar) is 799 x 682.
    resize(kClientWidth, kClientHeight + MainMenu1->sizeHint().height());
    centre_on_screen(*this);
}
