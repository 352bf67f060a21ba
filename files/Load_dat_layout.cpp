// The viewer's controls: creation, placement, captions, start states and the binding of
// every control to its handler.

#include "Load_dat.h"

#include "About_box.h"
#include "Command_icons.h"
#include "EventHook.h"
#include "MeasureWindow.h"
#include "WindowLook.h"
#include "WindowShow.h"

#include <QAction>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
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

// The viewer's settings column: narrower, with small bold captions; each channel row shows
// the name stored in the file.
const ColumnStyle kColumnStyle = {
    .name = "Panel_settings",
    .width = kSettingsWidth,
    .captionPixelSize = 13,
    .captionBold = true,
    .colourStates = ColourStates::Every,
    .groupNames = {"GroupBox_canali", "GroupBox_scala", "GroupBox_cursori"},
    .label = ChannelLabel::Name,
    .rowNames = nullptr, // Panel_row0 .. Panel_row7
    .rowHeight = 22,
    .swatchBevel = Panel::Bevel::Raised,
    .swatchWidth = kSwatchWidth,
    .swatchHeight = 0,
    .fixedRowName = nullptr,
    .fixedStateCaption = QString(), // empty until a file is loaded
    .timeCursorFirst = false,
};

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
    Panel_graph = named_panel(middle, QStringLiteral("Panel_graph"));
    Panel_graph->setBevel(Panel::Bevel::None);
    row->addWidget(Panel_graph, 1);
    layout->addWidget(middle, 1);

    Panel_status = named_panel(this, QStringLiteral("Panel_status"));
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
    // The exports, as printing, once a file is loaded.
    Menu_Esporta_CSV = item(File, "Menu_Esporta_CSV", "Esporta CSV...");
    Menu_Esporta_PDF = item(File, "Menu_Esporta_PDF", "Esporta PDF...");
    Menu_Esporta_Immagine = item(File, "Menu_Esporta_Immagine", "Esporta Immagine...");
    for (QAction* a : {Menu_Esporta_CSV, Menu_Esporta_PDF, Menu_Esporta_Immagine})
        a->setEnabled(false);
    N1 = File->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    Menu_Chiudi_Main = item(File, "Menu_Chiudi_Main", "Chiudi");

    Comandi = MainMenu1->addMenu(QStringLiteral("Comandi"));
    Comandi->setObjectName(QStringLiteral("Comandi"));
    Menu_Refresh = item(Comandi, "Menu_Refresh", "Refresh");
    Menu_Refresh->setIcon(command_icon(CommandIcon::Refresh, st));
    Menu_Refresh->setShortcut(QKeySequence(Qt::Key_F5));
    Menu_Refresh->setEnabled(false);
    add_measure_menu_item(
        Comandi, this, [this] { return viewer_diagram; },
        [this](int channel) { return Panel_dat_mis[channel]->caption(); });

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
    Panel_settings = new SettingsColumn(this, kColumnStyle);
    static_cast<SettingsColumnControls&>(*this) = *Panel_settings;
}

void TForm_load_dat::bind_handlers()
{
    auto onClick = [this](QAbstractButton* b, void (TForm_load_dat::*handler)()) {
        connect(b, &QAbstractButton::clicked, this, handler);
    };
    auto onTrigger = [this](QAction* a, void (TForm_load_dat::*handler)()) {
        connect(a, &QAction::triggered, this, handler);
    };

    onClick(BitBtn_load, &TForm_load_dat::BitBtn_loadClick);
    onClick(BitBtn_Refresh, &TForm_load_dat::BitBtn_RefreshClick);
    onClick(BitBtn_print, &TForm_load_dat::BitBtn_printClick);
    onClick(BitBtn_preview, &TForm_load_dat::BitBtn_previewClick);
    onTrigger(Menu_Carica, &TForm_load_dat::BitBtn_loadClick);
    onTrigger(Menu_Chiudi_Main, &TForm_load_dat::Menu_Chiudi_MainClick);
    onTrigger(Menu_Refresh, &TForm_load_dat::BitBtn_RefreshClick);
    onTrigger(Menu_print, &TForm_load_dat::BitBtn_printClick);
    onTrigger(Menu_Esporta_CSV, &TForm_load_dat::Menu_Esporta_CSVClick);
    onTrigger(Menu_Esporta_PDF, &TForm_load_dat::Menu_Esporta_PDFClick);
    onTrigger(Menu_Esporta_Immagine, &TForm_load_dat::Menu_Esporta_ImmagineClick);
    onTrigger(Menu_Print_preview, &TForm_load_dat::BitBtn_previewClick);

    bind_column();
}
