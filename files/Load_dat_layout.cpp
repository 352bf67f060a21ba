// The viewer's controls: creation, placement, captions, start states and the binding of
// every control to its handler.

#include "Load_dat.h"

#include "About_box.h"
#include "Command_icons.h"
#include "EventHook.h"
#include "Memo.h"
#include "WindowShow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kToolBarHeight = 44;
constexpr int kButtonWidth = 38;
constexpr int kButtonHeight = 36;
constexpr int kStatusPanelHeight = 31;
constexpr int kSettingsWidth = 180;
constexpr int kSwatchWidth = 19;
constexpr QRgb kGroupCaption = 0x008000; // green, as RGB

QFont window_font()
{
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(11);
    f.setWeight(QFont::Normal);
    return f;
}

QFont bold(QFont f)
{
    f.setBold(true);
    return f;
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

Panel* panel(QWidget* parent, const QString& name, const QString& caption = QString())
{
    auto* p = new Panel(parent, caption);
    p->setObjectName(name);
    return p;
}

// A group box with a bold green caption whose controls keep the window's look.
QGroupBox* settings_group(QWidget* parent, const char* name, const QString& caption)
{
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    QFont f = bold(window_font());
    f.setPixelSize(13);
    box->setFont(f);
    QPalette p = box->palette();
    p.setColor(QPalette::WindowText, QColor(kGroupCaption));
    box->setPalette(p);
    return box;
}

void keep_window_look(QWidget* w)
{
    w->setFont(window_font());
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::WindowText));
    w->setPalette(p);
}

} // namespace

void TForm_load_dat::build_layout()
{
    setObjectName(QStringLiteral("Form_load_dat"));
    setWindowTitle(QStringLiteral("Form_load_dat"));
    setFont(window_font());

    auto* layout = column_layout(this, 0, 0);
    build_menu();
    layout->setMenuBar(MainMenu1);

    build_tool_bar();
    layout->addWidget(ControlBar_load_dat);

    auto* middle = new QWidget(this);
    middle->setObjectName(QStringLiteral("Panel_middle"));
    auto* row = row_layout(middle, 0, 0, 0, 0);
    row->setSpacing(0);
    build_settings_column();
    Panel_settings->setParent(middle);
    row->addWidget(Panel_settings);
    Panel_graph = panel(middle, QStringLiteral("Panel_graph"));
    Panel_graph->setBevel(Panel::Bevel::None);
    row->addWidget(Panel_graph, 1);
    layout->addWidget(middle, 1);

    Panel_status = panel(this, QStringLiteral("Panel_status"));
    Panel_status->setBevel(Panel::Bevel::None);
    Panel_status->setFixedHeight(kStatusPanelHeight);
    auto* status = row_layout(Panel_status, 0, 1, 0, 1);
    StatusBar_net_com = new QStatusBar(Panel_status);
    StatusBar_net_com->setObjectName(QStringLiteral("StatusBar_net_com"));
    StatusBar_net_com->setSizeGripEnabled(false);
    const int widths[3] = {250, 100, 50};
    for (int i = 0; i < 3; ++i) {
        auto* label = StatusPanel[i] = new QLabel(StatusBar_net_com);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setFixedWidth(widths[i]);
        StatusBar_net_com->addWidget(label);
    }
    status->addWidget(StatusBar_net_com);
    layout->addWidget(Panel_status);

    Timer_set_fix_scale = new QTimer(this);
    Timer_set_fix_scale->setObjectName(QStringLiteral("Timer_set_fix_scale"));
    Timer_set_fix_scale->setInterval(1);
    Timer_set_fix_scale->setTimerType(Qt::PreciseTimer);

    bind_handlers();

    resize(kClientWidth, kClientHeight + MainMenu1->sizeHint().height());
    centre_on_screen(*this);
}

void TForm_load_dat::build_menu()
{
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    const QStyle* st = style();
    auto item = [](QMenu* menu, const char* name, const QString& caption) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    File = MainMenu1->addMenu(QStringLiteral("File"));
    File->setObjectName(QStringLiteral("File"));
    Menu_Carica = item(File, "Menu_Carica", "Carica");
    Menu_Carica->setIcon(command_icon(CommandIcon::Load, st));
    // The keys run their menu items, and only while these are enabled, as in the main window.
    Menu_Carica->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    N1 = File->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    Menu_Chiudi_Main = item(File, "Menu_Chiudi_Main", "Chiudi");

    Comandi = MainMenu1->addMenu(QStringLiteral("Comandi"));
    Comandi->setObjectName(QStringLiteral("Comandi"));
    Menu_Refresh = item(Comandi, "Menu_Refresh", "Refresh");
    Menu_Refresh->setIcon(command_icon(CommandIcon::Refresh, st));
    Menu_Refresh->setShortcut(QKeySequence(Qt::Key_F5));
    Menu_Refresh->setEnabled(false);

    Stampe = MainMenu1->addMenu(QStringLiteral("Stampe"));
    Stampe->setObjectName(QStringLiteral("Stampe"));
    Menu_print = item(Stampe, "Menu_print", "Stampa");
    Menu_print->setIcon(command_icon(CommandIcon::Print, st));
    Menu_print->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    Menu_print->setEnabled(false);
    Menu_Print_preview = item(Stampe, "Menu_Print_preview", "Anteprima di Stampa");
    Menu_Print_preview->setIcon(command_icon(CommandIcon::Preview, st));
    Menu_Print_preview->setEnabled(false);

    // "?": what the program is, its version and licence; the viewer may run alone.
    Aiuto = MainMenu1->addMenu(QStringLiteral("?"));
    Aiuto->setObjectName(QStringLiteral("Aiuto"));
    Menu_Informazioni = item(Aiuto, "Menu_Informazioni", "Informazioni su Grafion");
    connect(Menu_Informazioni, &QAction::triggered, this, [this] { show_about_box(this); });
}

void TForm_load_dat::build_tool_bar()
{
    ControlBar_load_dat = new QFrame(this);
    ControlBar_load_dat->setObjectName(QStringLiteral("ControlBar_load_dat"));
    ControlBar_load_dat->setFrameStyle(QFrame::Panel | QFrame::Raised);
    ControlBar_load_dat->setFixedHeight(kToolBarHeight);

    // Placed by hand: its width follows the container's (ControlBar_load_datResize).
    ToolBar_load_dat = new QFrame(ControlBar_load_dat);
    ToolBar_load_dat->setObjectName(QStringLiteral("ToolBar_load_dat"));
    ToolBar_load_dat->setGeometry(0, (kToolBarHeight - kButtonHeight - 4) / 2, kClientWidth,
                                  kButtonHeight + 4);
    auto* bar = row_layout(ToolBar_load_dat, 4, 2, 4, 2);
    bar->setSpacing(1);

    const QStyle* st = style();
    auto button = [&](const char* name, CommandIcon icon, const QString& hint, bool enabled) {
        auto* b = new QToolButton(ToolBar_load_dat);
        b->setObjectName(QLatin1String(name));
        b->setIcon(command_icon(icon, st));
        b->setIconSize(QSize(24, 24));
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedSize(kButtonWidth, kButtonHeight);
        b->setToolTip(hint);
        b->setProperty("hint", hint);
        b->setEnabled(enabled);
        bar->addWidget(b);
        return b;
    };
    BitBtn_load = button("BitBtn_load", CommandIcon::Load, "Carica", true);
    BitBtn_Refresh = button("BitBtn_Refresh", CommandIcon::Refresh, "Refresh", false);
    ToolButton1 = new QFrame(ToolBar_load_dat);
    ToolButton1->setObjectName(QStringLiteral("ToolButton1"));
    ToolButton1->setFrameStyle(QFrame::VLine | QFrame::Sunken);
    ToolButton1->setFixedSize(8, kButtonHeight - 8);
    bar->addWidget(ToolButton1);
    BitBtn_print = button("BitBtn_print", CommandIcon::Print, "Print", false);
    BitBtn_preview = button("BitBtn_preview", CommandIcon::Preview, "Print Preview", false);
    bar->addStretch(1);

    new EventHook(ControlBar_load_dat, [this](QEvent* e) {
        if (e->type() == QEvent::Resize)
            ControlBar_load_datResize();
        return false;
    });
}

void TForm_load_dat::build_settings_column()
{
    Panel_settings = new QFrame(this);
    Panel_settings->setObjectName(QStringLiteral("Panel_settings"));
    Panel_settings->setFixedWidth(kSettingsWidth);
    auto* column = column_layout(Panel_settings, 2, 3);

    // Channels: the name stored in the file, the trace colour and the visibility.
    GroupBox_canali = settings_group(Panel_settings, "GroupBox_canali", "Canali");
    auto* channels = column_layout(GroupBox_canali, 4, 1);
    QFont nameFont(QStringLiteral("Arial"));
    nameFont.setPixelSize(11);
    for (int n = 0; n < kChannels; ++n) {
        Panel* row = channelRow[n] =
            panel(GroupBox_canali, QStringLiteral("Panel_row%1").arg(n), QString::number(n + 1));
        keep_window_look(row);
        row->setFont(bold(window_font()));
        row->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        row->setFixedHeight(22);
        auto* rowLayout = row_layout(row, 16, 2, 2, 2);

        Panel* name = Panel_dat_mis[n] = panel(row, QStringLiteral("Panel_dat_mis%1").arg(n));
        name->setBevel(Panel::Bevel::Lowered);
        name->setColor(0xFFFFFF);
        name->setFont(nameFont);
        name->setCaptionColor(0x000000);
        name->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        rowLayout->addWidget(name, 1);

        Panel* swatch = Panel_Dat_Mis_[n] = panel(row, QStringLiteral("Panel_Dat_Mis_%1").arg(n));
        swatch->setBevel(Panel::Bevel::Raised);
        swatch->setFixedWidth(kSwatchWidth);
        auto* swatchLayout = row_layout(swatch, 1, 1, 1, 1);
        auto* check = CheckBox_Dat_Mis_[n] = new QCheckBox(swatch);
        check->setObjectName(QStringLiteral("CheckBox_Dat_Mis_%1").arg(n));
        check->setChecked(true);
        check->setFocusPolicy(Qt::TabFocus);
        swatchLayout->addWidget(check, 0, Qt::AlignCenter);
        rowLayout->addWidget(swatch);
        channels->addWidget(row);
    }
    column->addWidget(GroupBox_canali);

    // Y scale: fixed scale on/off and its limits.
    GroupBox_scala = settings_group(Panel_settings, "GroupBox_scala", "Scala Asse y ");
    auto* scale = column_layout(GroupBox_scala, 4, 3);
    auto* fixedRow = new QWidget(GroupBox_scala);
    keep_window_look(fixedRow);
    auto* fixed = row_layout(fixedRow, 2, 0, 2, 0);
    CheckBox_scala_asse_y = new QCheckBox(QStringLiteral("Scala Fissa"), fixedRow);
    CheckBox_scala_asse_y->setObjectName(QStringLiteral("CheckBox_scala_asse_y"));
    fixed->addWidget(CheckBox_scala_asse_y, 1);
    // Empty until a file is loaded.
    Panel_scala_asse_y_on_off = panel(fixedRow, QStringLiteral("Panel_scala_asse_y_on_off"));
    Panel_scala_asse_y_on_off->setBevel(Panel::Bevel::Lowered);
    Panel_scala_asse_y_on_off->setFixedSize(36, 18);
    fixed->addWidget(Panel_scala_asse_y_on_off);
    scale->addWidget(fixedRow);

    auto limit = [&](const char* panelName, const QString& caption, const char* memoName,
                     const char* upDownName, QLineEdit*& memo, UpDown*& upDown) {
        Panel* p = panel(GroupBox_scala, QLatin1String(panelName), caption);
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
    column->addWidget(GroupBox_scala);

    // Cursors on the Y and time axes.
    GroupBox_cursori = settings_group(Panel_settings, "GroupBox_cursori", "Cursori");
    auto* cursors = column_layout(GroupBox_cursori, 4, 3);
    auto cursorRow = [&](const char* checkName, const QString& caption, const char* labelName,
                         QCheckBox*& check, Panel*& label) {
        auto* row = new QWidget(GroupBox_cursori);
        keep_window_look(row);
        auto* layout = row_layout(row, 2, 0, 2, 0);
        check = new QCheckBox(caption, row);
        check->setObjectName(QLatin1String(checkName));
        layout->addWidget(check, 1);
        label = panel(row, QLatin1String(labelName), QStringLiteral("Off"));
        label->setBevel(Panel::Bevel::Lowered);
        label->setFixedSize(36, 18);
        layout->addWidget(label);
        cursors->addWidget(row);
    };
    cursorRow("CheckBox_cursor_asseY", "Cursori Asse Y", "Panel_cursor_asseY_on_off",
              CheckBox_cursor_asseY, Panel_cursor_asseY_on_off);
    cursorRow("CheckBox_cursor_asseT", "Cursori Asse T", "Panel_cursor_asseT_on_off",
              CheckBox_cursor_asseT, Panel_cursor_asseT_on_off);
    column->addWidget(GroupBox_cursori);
    column->addStretch(1);
}

void TForm_load_dat::bind_handlers()
{
    auto onClick = [this](QAbstractButton* b, void (TForm_load_dat::*handler)()) {
        connect(b, &QAbstractButton::clicked, this, handler);
    };
    auto onTrigger = [this](QAction* a, void (TForm_load_dat::*handler)()) {
        connect(a, &QAction::triggered, this, handler);
    };
    // Check boxes report every change of their state, the window's own included.
    auto onToggle = [this](QCheckBox* c, void (TForm_load_dat::*handler)()) {
        connect(c, &QCheckBox::toggled, this, handler);
    };

    onClick(BitBtn_load, &TForm_load_dat::BitBtn_loadClick);
    onClick(BitBtn_Refresh, &TForm_load_dat::BitBtn_RefreshClick);
    onClick(BitBtn_print, &TForm_load_dat::BitBtn_printClick);
    onClick(BitBtn_preview, &TForm_load_dat::BitBtn_previewClick);
    onTrigger(Menu_Carica, &TForm_load_dat::BitBtn_loadClick);
    onTrigger(Menu_Chiudi_Main, &TForm_load_dat::Menu_Chiudi_MainClick);
    onTrigger(Menu_Refresh, &TForm_load_dat::BitBtn_RefreshClick);
    onTrigger(Menu_print, &TForm_load_dat::BitBtn_printClick);
    onTrigger(Menu_Print_preview, &TForm_load_dat::BitBtn_previewClick);

    for (int n = 0; n < kChannels; ++n)
        connect(CheckBox_Dat_Mis_[n], &QCheckBox::toggled, this, [this, n] { CheckBox_Dat_MisClick(n); });
    onToggle(CheckBox_scala_asse_y, &TForm_load_dat::CheckBox_scala_asse_yClick);
    onToggle(CheckBox_cursor_asseY, &TForm_load_dat::CheckBox_cursor_asseYClick);
    onToggle(CheckBox_cursor_asseT, &TForm_load_dat::CheckBox_cursor_asseTClick);

    struct LimitHandlers {
        QLineEdit* memo;
        UpDown* upDown;
        void (TForm_load_dat::*change)();
        void (TForm_load_dat::*enter)();
        void (TForm_load_dat::*exit)();
        void (TForm_load_dat::*keyPress)(QChar&);
        void (TForm_load_dat::*changing)(UpDown::Direction);
    };
    const LimitHandlers limits[] = {
        {Memo_asse_y_max_scale, UpDown_asse_y_max_scale, &TForm_load_dat::Memo_asse_y_max_scaleChange,
         &TForm_load_dat::Memo_asse_y_max_scaleEnter, &TForm_load_dat::Memo_asse_y_max_scaleExit,
         &TForm_load_dat::Memo_asse_y_max_scaleKeyPress,
         &TForm_load_dat::UpDown_asse_y_max_scaleChangingEx},
        {Memo_asse_y_min_scale, UpDown_asse_y_min_scale, &TForm_load_dat::Memo_asse_y_min_scaleChange,
         &TForm_load_dat::Memo_asse_y_min_scaleEnter, &TForm_load_dat::Memo_asse_y_min_scaleExit,
         &TForm_load_dat::Memo_asse_y_min_scaleKeyPress,
         &TForm_load_dat::UpDown_asse_y_min_scaleChangingEx},
    };
    for (const LimitHandlers& h : limits) {
        connect(h.memo, &QLineEdit::textChanged, this, h.change);
        connect(h.upDown, &UpDown::changing, this, h.changing);
        bind_field_events(
            h.memo, [this, h] { (this->*h.enter)(); }, [this, h] { (this->*h.exit)(); },
            [this, h](QChar& key) { (this->*h.keyPress)(key); });
    }
    connect(Timer_set_fix_scale, &QTimer::timeout, this, &TForm_load_dat::Timer_set_fix_scaleTimer);
}
