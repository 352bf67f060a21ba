// The main window's controls: creation, placement, captions, hints, start states and the
// binding of every control to its handler.

#include "Net_cnx.h"

#include "About_box.h"
#include "Memo.h"
#include "Command_icons.h"
#include "Shortcuts.h"
#include "WindowShow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kToolBarHeight = 44;   // the container
constexpr int kButtonHeight = 36;
constexpr int kStatusPanelHeight = 31;
constexpr int kSettingsWidth = 200;
constexpr int kDebugPanelHeight = 144;
constexpr Color kGroupCaptionColor = 0x008000; // green
constexpr Color kNavy = 0x800000;
constexpr Color kRed = 0x0000FF;
constexpr Color kDarkGreen = 0x008000;

QFont window_font()
{
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(11);
    // Set explicitly, so controls inside a bold captioned panel stay regular.
    f.setWeight(QFont::Normal);
    return f;
}

QFont bold(QFont f)
{
    f.setBold(true);
    return f;
}

// A text colour for an enabled control; disabled, it keeps the style's greyed text.
void set_text_color(QWidget* w, QPalette::ColorRole role, Color color)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Active, role, to_qcolor(color));
    p.setColor(QPalette::Inactive, role, to_qcolor(color));
    w->setPalette(p);
}

// The hint is kept with the control; it pops up as a tool tip only where it is shown.
void set_hint(QWidget* w, const QString& hint, bool shown)
{
    w->setProperty("hint", hint);
    if (shown)
        w->setToolTip(hint);
}

QHBoxLayout* row_layout(QWidget* w, int left, int top, int right, int bottom)
{
    auto* layout = new QHBoxLayout(w);
    layout->setContentsMargins(left, top, right, bottom);
    layout->setSpacing(2);
    return layout;
}

QVBoxLayout* column_layout(QWidget* w, int margin, int spacing)
{
    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(spacing);
    return layout;
}

// A group box whose caption is large and green while its controls keep the window's look.
QGroupBox* settings_group(QWidget* parent, const char* name, const QString& caption)
{
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    QFont f = window_font();
    f.setPixelSize(19);
    box->setFont(f);
    set_text_color(box, QPalette::WindowText, kGroupCaptionColor);
    return box;
}

// Gives a control the window's font and text colour back (inside a group box or a
// captioned panel that uses its own).
void keep_window_look(QWidget* w)
{
    w->setFont(window_font());
    set_text_color(w, QPalette::WindowText, from_qcolor(QApplication::palette().color(
                                                QPalette::WindowText)));
}

Panel* panel(QWidget* parent, const char* name, const QString& caption = QString())
{
    auto* p = new Panel(parent, caption);
    p->setObjectName(QLatin1String(name));
    return p;
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

    Panel21 = panel(client, "Panel21");
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
    BitBtn_set_port_com = button("BitBtn_set_port_com", CommandIcon::SetConnection,
                                 "Imposta Connessione", true);
    bar->addWidget(ToolButton2 = separator(ToolBar_net_comt, "ToolButton2"));

    BitBtn_start_CMP_force = button("BitBtn_start_CMP_force", CommandIcon::ForceStart,
                                    "Forza Start Acquisizione", true);
    BitBtn_start_CMP = button("BitBtn_start_CMP", CommandIcon::Start, "Start Acquisizione", true,
                              "Start");
    BitBtn_stop_CMP = button("BitBtn_stop_CMP", CommandIcon::Stop, "Stop Acquisizione", true,
                             "Stop");
    for (QToolButton* b : {BitBtn_start_CMP_force, BitBtn_start_CMP, BitBtn_stop_CMP}) {
        b->setFont(bold(window_font()));
        set_text_color(b, QPalette::ButtonText, b == BitBtn_stop_CMP ? kRed : kNavy);
        b->setEnabled(false);
    }
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
    set_text_color(Button_start_stop, QPalette::ButtonText, kDarkGreen);
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
    Panel23 = panel(parent, "Panel23");
    Panel23->setBevel(Panel::Bevel::None);
    Panel23->setFixedHeight(kStatusPanelHeight);
    auto* layout = row_layout(Panel23, 0, 1, 0, 1);

    StatusBar_net_com = new StatusBarPanels(Panel23);
    StatusBar_net_com->setObjectName(QStringLiteral("StatusBar_net_com"));
    StatusBar_net_com->setPanels({{165, true, {}}, {165, true, {}}, {100, true, {}},
                                  {120, true, {}}, {50, false, {}}, {50, false, {}}});
    layout->addWidget(StatusBar_net_com);
}

void TForm_net::build_settings_column(QWidget* parent)
{
    v = new QFrame(parent);
    v->setObjectName(QStringLiteral("v"));
    v->setFixedWidth(kSettingsWidth);
    auto* column = column_layout(v, 2, 3);

    // Trigger: mode and event.
    GroupBox3 = settings_group(v, "GroupBox3", "Trigger");
    auto* trigger = column_layout(GroupBox3, 4, 3);
    RadioGroup_trigger_type = new RadioGroup(GroupBox3);
    RadioGroup_trigger_type->setObjectName(QStringLiteral("RadioGroup_trigger_type"));
    keep_window_look(RadioGroup_trigger_type);
    RadioGroup_trigger_type->setItems(
        {"Rolling Data", "AutoTrigger-Event ", "Single Shot-Event "});
    trigger->addWidget(RadioGroup_trigger_type);

    Panel_event_type = panel(GroupBox3, "Panel_event_type", "Evento");
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
    column->addWidget(GroupBox3);

    // Channels: one row per channel, with its quantity and its trace colour.
    GroupBox1 = settings_group(v, "GroupBox1", "Canali");
    auto* channels = column_layout(GroupBox1, 4, 1);
    static const char* const kRowNames[kChannels] = {"Panel30", "Panel48", "Panel42", "Panel37",
                                                     "Panel32", "Panel28", "Panel25", "Panel19"};
    for (int n = 0; n < kChannels; ++n) {
        Panel* row = channelRow[n] = panel(GroupBox1, kRowNames[n], QString::number(n + 1));
        keep_window_look(row);
        row->setFont(bold(window_font()));
        row->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        row->setFixedHeight(24);
        auto* rowLayout = row_layout(row, 16, 2, 2, 2);

        auto* combo = ComboBox_select_dat_mis[n] = new QComboBox(row);
        combo->setObjectName(QStringLiteral("ComboBox_select_dat_mis%1").arg(n));
        combo->setFont(window_font());
        for (int i = 1; i <= kChannels; ++i)
            combo->addItem(QStringLiteral("Dat Mis %1").arg(i));
        rowLayout->addWidget(combo, 1);

        Panel* swatch = Panel_Dat_Mis_[n] = panel(row, "");
        swatch->setObjectName(QStringLiteral("Panel_Dat_Mis_%1").arg(n));
        swatch->setBevel(Panel::Bevel::Lowered);
        swatch->setFixedSize(24, 20);
        auto* swatchLayout = row_layout(swatch, 1, 1, 1, 1);
        auto* check = CheckBox_Dat_Mis_[n] = new QCheckBox(swatch);
        check->setObjectName(QStringLiteral("CheckBox_Dat_Mis_%1").arg(n));
        check->setChecked(true);
        check->setFocusPolicy(Qt::TabFocus);
        swatchLayout->addWidget(check, 0, Qt::AlignCenter);
        rowLayout->addWidget(swatch);
        channels->addWidget(row);
    }
    column->addWidget(GroupBox1);

    // Y scale: fixed scale on/off and its limits.
    GroupBox2 = settings_group(v, "GroupBox2", "Scala Asse y ");
    auto* scale = column_layout(GroupBox2, 4, 3);
    Panelx_set_reverse_speed = panel(GroupBox2, "Panelx_set_reverse_speed");
    keep_window_look(Panelx_set_reverse_speed);
    Panelx_set_reverse_speed->setBevel(Panel::Bevel::None);
    auto* fixed = row_layout(Panelx_set_reverse_speed, 2, 0, 2, 0);
    CheckBox_scala_asse_y = new QCheckBox(QStringLiteral("Scala Fissa"), Panelx_set_reverse_speed);
    CheckBox_scala_asse_y->setObjectName(QStringLiteral("CheckBox_scala_asse_y"));
    fixed->addWidget(CheckBox_scala_asse_y, 1);
    Panel_scala_asse_y_on_off = panel(Panelx_set_reverse_speed, "Panel_scala_asse_y_on_off", "Off");
    Panel_scala_asse_y_on_off->setBevel(Panel::Bevel::Lowered);
    Panel_scala_asse_y_on_off->setFixedSize(36, 18);
    fixed->addWidget(Panel_scala_asse_y_on_off);
    scale->addWidget(Panelx_set_reverse_speed);

    auto limit = [&](const char* panelName, const QString& caption, const char* memoName,
                     const char* upDownName, QLineEdit*& memo, UpDown*& upDown) {
        Panel* p = panel(GroupBox2, panelName, caption);
        keep_window_look(p);
        p->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        p->setFixedHeight(28);
        auto* row = row_layout(p, 72, 3, 3, 3);
        row->setSpacing(0);
        memo = new QLineEdit(QStringLiteral("0"), p);
        memo->setObjectName(QLatin1String(memoName));
        memo->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        row->addWidget(memo, 1);
        upDown = new UpDown(p);
        upDown->setObjectName(QLatin1String(upDownName));
        row->addWidget(upDown);
        scale->addWidget(p);
        return p;
    };
    Panel_asse_y_max_scale = limit("Panel_asse_y_max_scale", "MAX Asse Y", "Memo_asse_y_max_scale",
                                   "UpDown_asse_y_max_scale", Memo_asse_y_max_scale,
                                   UpDown_asse_y_max_scale);
    Panel_asse_y_min_scale = limit("Panel_asse_y_min_scale", "MIN Asse Y", "Memo_asse_y_min_scale",
                                   "UpDown_asse_y_min_scale", Memo_asse_y_min_scale,
                                   UpDown_asse_y_min_scale);
    column->addWidget(GroupBox2);

    // Cursors on the time and Y axes.
    GroupBox4 = settings_group(v, "GroupBox4", "Cursori");
    auto* cursors = column_layout(GroupBox4, 4, 3);
    auto cursorRow = [&](const char* checkName, const QString& caption, const char* labelName,
                         QCheckBox*& check, Panel*& label) {
        auto* row = new QWidget(GroupBox4);
        keep_window_look(row);
        auto* layout = row_layout(row, 2, 0, 2, 0);
        check = new QCheckBox(caption, row);
        check->setObjectName(QLatin1String(checkName));
        layout->addWidget(check, 1);
        label = panel(row, labelName, "Off");
        label->setBevel(Panel::Bevel::Lowered);
        label->setFixedSize(36, 18);
        layout->addWidget(label);
        cursors->addWidget(row);
    };
    cursorRow("CheckBox_cursor_asseT", "Cursori Asse T", "Panel_cursor_asseT_on_off",
              CheckBox_cursor_asseT, Panel_cursor_asseT_on_off);
    cursorRow("CheckBox_cursor_asseY", "Cursori Asse Y", "Panel_cursor_asseY_on_off",
              CheckBox_cursor_asseY, Panel_cursor_asseY_on_off);
    column->addWidget(GroupBox4);
    column->addStretch(1);
}

void TForm_net::build_graph_area(QWidget* parent)
{
    Panel27 = panel(parent, "Panel27");
    Panel27->setBevel(Panel::Bevel::None);
    auto* layout = column_layout(Panel27, 0, 0);

    // The diagram lays out its own controls in this panel.
    Panel_graph = panel(Panel27, "Panel_graph");
    Panel_graph->setBevel(Panel::Bevel::None);
    layout->addWidget(Panel_graph, 1);

    Panel_debugx = panel(Panel27, "Panel_debugx");
    Panel_debugx->setFixedHeight(kDebugPanelHeight);
    layout->addWidget(Panel_debugx);
    auto* debug = column_layout(Panel_debugx, 2, 1);
    Panel_x1 = panel(Panel_debugx, "Panel_x1");
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
    Panel_ledx = panel(Panel_x1, "Panel_ledx");
    Panel_ledx->setBevel(Panel::Bevel::Lowered);
    Panel_ledx->setColor(kRed);
    Panel_ledx->setFixedSize(16, 16);
    tools->addWidget(Panel_ledx);
    BitBtn1 = debugButton("BitBtn1", "F");
    tools->addStretch(1);
    debug->addWidget(Panel_x1);

    for (int i = 0; i < 6; ++i) {
        auto* row = new QWidget(Panel_debugx);
        auto* rowLayout = row_layout(row, 0, 0, 0, 0);
        Panel* label = panel(row, "", QStringLiteral("d%1").arg(i + 1));
        label->setObjectName(QStringLiteral("Panel_d%1").arg(i + 1));
        label->setFixedSize(32, 17);
        rowLayout->addWidget(label);
        Panel* value = Panel_debx[i] = panel(row, "");
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
    // Check boxes report every change of their state, the window's own included.
    auto onToggle = [this](QCheckBox* c, void (TForm_net::*handler)()) {
        connect(c, &QCheckBox::toggled, this, handler);
    };

    onClick(BitBtn_connect, &TForm_net::BitBtn_connectClick);
    onClick(BitBtn_disconnect, &TForm_net::BitBtn_disconnectClick);
    onClick(BitBtn_set_port_com, &TForm_net::BitBtn_set_port_comClick);
    onClick(BitBtn_start_CMP_force, &TForm_net::BitBtn_start_CMP_forceClick);
    onClick(BitBtn_start_CMP, &TForm_net::BitBtn_start_CMPClick);
    onClick(BitBtn_stop_CMP, &TForm_net::BitBtn_stop_CMPClick);
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
    onTrigger(Menu_Chiudi_Main, &TForm_net::Menu_Chiudi_MainClick);
    onTrigger(Menu_connect, &TForm_net::BitBtn_connectClick);
    onTrigger(Menu_disconnect, &TForm_net::BitBtn_disconnectClick);
    onTrigger(Menu_Refresh, &TForm_net::BitBtn_RefreshClick);
    onTrigger(Menu_Clear, &TForm_net::BitBtn_clearClick);
    onTrigger(Menu_Stampa, &TForm_net::BitBtn_printClick);
    onTrigger(Menu_Print_preview, &TForm_net::BitBtn_previewClick);
    connect(Menu_Informazioni, &QAction::triggered, this, [this] { show_about_box(this); });

    connect(RadioGroup_trigger_type, &RadioGroup::itemIndexChanged, this,
            &TForm_net::RadioGroup_trigger_typeClick);
    // Drop-down lists report only the user's choices.
    connect(ComboBox_event_type, &QComboBox::activated, this, &TForm_net::ComboBox_event_typeChange);
    for (int n = 0; n < kChannels; ++n) {
        connect(ComboBox_select_dat_mis[n], &QComboBox::activated, this,
                [this, n] { ComboBox_select_dat_misChange(n); });
        connect(CheckBox_Dat_Mis_[n], &QCheckBox::toggled, this,
                [this, n] { CheckBox_Dat_MisClick(n); });
    }
    onToggle(CheckBox_scala_asse_y, &TForm_net::CheckBox_scala_asse_yClick);
    onToggle(CheckBox_cursor_asseT, &TForm_net::CheckBox_cursor_asseTClick);
    onToggle(CheckBox_cursor_asseY, &TForm_net::CheckBox_cursor_asseYClick);

    struct LimitHandlers {
        QLineEdit* memo;
        UpDown* upDown;
        void (TForm_net::*change)();
        void (TForm_net::*enter)();
        void (TForm_net::*exit)();
        void (TForm_net::*keyPress)(QChar&);
        void (TForm_net::*changing)(UpDown::Direction);
    };
    const LimitHandlers limits[] = {
        {Memo_asse_y_max_scale, UpDown_asse_y_max_scale, &TForm_net::Memo_asse_y_max_scaleChange,
         &TForm_net::Memo_asse_y_max_scaleEnter, &TForm_net::Memo_asse_y_max_scaleExit,
         &TForm_net::Memo_asse_y_max_scaleKeyPress, &TForm_net::UpDown_asse_y_max_scaleChangingEx},
        {Memo_asse_y_min_scale, UpDown_asse_y_min_scale, &TForm_net::Memo_asse_y_min_scaleChange,
         &TForm_net::Memo_asse_y_min_scaleEnter, &TForm_net::Memo_asse_y_min_scaleExit,
         &TForm_net::Memo_asse_y_min_scaleKeyPress, &TForm_net::UpDown_asse_y_min_scaleChangingEx},
    };
    for (const LimitHandlers& h : limits) {
        connect(h.memo, &QLineEdit::textChanged, this, h.change);
        connect(h.upDown, &UpDown::changing, this, h.changing);
        bind_field_events(
            h.memo, [this, h] { (this->*h.enter)(); }, [this, h] { (this->*h.exit)(); },
            [this, h](QChar& key) { (this->*h.keyPress)(key); });
    }

    connect(Timer_Diagram, &QTimer::timeout, this, &TForm_net::Timer_DiagramTimer);
    connect(Timer_monitor, &QTimer::timeout, this, &TForm_net::Timer_monitorTimer);
    connect(Timer_set_fix_scale, &QTimer::timeout, this, &TForm_net::Timer_set_fix_scaleTimer);
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
