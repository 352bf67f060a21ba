#pragma once
// The main window: tool bar and menu of commands, the settings column (trigger, channels,
// Y scale, cursors), the live diagram and the owner-drawn status bar.

#include "Acquisition.h"
#include "Controls.h"
#include "Globvar.h"
#include "Recorder.h"
#include "SettingsColumn.h"
#include "StatusBarPanels.h"
#include "TestSignal.h"

#include <QMainWindow>
#include <QString>

#include <cstdint>
#include <memory>

class ColumnBinding;
class Diagramx;
class QAction;
class QCloseEvent;
class QComboBox;
class QFileDialog;
class QFrame;
class QGroupBox;
class QMenu;
class QMenuBar;
class QPushButton;
class QShowEvent;
class QTimer;
class QToolButton;

// How the save command asks for a diagram file name.
struct SaveDialogSettings {
    // A name typed without an extension is saved as a diagram file, the kind "Carica" lists.
    QString defaultExt = QStringLiteral("dmg");
    QString filter = QStringLiteral("(*.dmg)"); // one entry, matching *.dmg
    bool promptOverwrite = true;
    bool keepCurrentDirectory = true; // Qt's dialog never changes it
    bool reportExtensionDifferent = true;
    bool pathMustExist = true;

    // Applies the settings to a save dialog created for one use.
    void apply(QFileDialog& dialog) const;
    // True when a chosen file name has a typed extension other than the default one.
    bool extensionDiffers(const QString& fileName) const;
};

// What one owner-drawn status panel shows: its text, the text's colour and weight, and the
// colour of the indicator box at its right end (or only an outline on the bar's background).
struct StatusPanelLook {
    QString text;
    Color color = 0;
    bool bold = false;
    Color indicator = 0;
    bool indicatorIsBackground = false;
};

// The owner-drawn panels of the main window's status bar, from the left; the bar's index of
// each is its value here. Two plain panels follow them.
enum class StatusPanel { Interface, Controller, Connection, Acquisition };

// The "Registra" command's picture, and the status bar's text while a recording runs
// ("REC 00:12:34  45.6 MB": its length in sample time and its size).
QIcon record_icon();
QString recording_status_text(const RecorderStatus& status, double sample_period);
constexpr int kStatusPanels = 4;

// The look of a status panel for the present link state.
StatusPanelLook status_panel_look(StatusPanel panel);

class TForm_net : public QMainWindow, public SettingsColumnControls {
    Q_OBJECT
public:
    static constexpr int kChannels = 8;
    static constexpr int kClientWidth = 799;
    static constexpr int kClientHeight = 682;

    // Builds the controls and runs FormCreate.
    explicit TForm_net(QWidget* parent = nullptr);
    ~TForm_net() override;

    // ---- Controls ---------------------------------------------------------------------
    QMenuBar* MainMenu1 = nullptr;
    QMenu* File = nullptr;
    QAction* Menu_Salva = nullptr;
    QAction* Menu_Esporta_CSV = nullptr;
    QAction* Menu_Esporta_PDF = nullptr;
    QAction* Menu_Esporta_Immagine = nullptr;
    QAction* N2 = nullptr;
    QAction* Menu_Chiudi_Main = nullptr;
    QMenu* Comandi1 = nullptr;
    QAction* Menu_connect = nullptr;
    QAction* Menu_disconnect = nullptr;
    QAction* N1 = nullptr;
    QAction* Menu_Refresh = nullptr;
    QAction* Menu_Clear = nullptr;
    QAction* Menu_Registra = nullptr;
    QMenu* Stampe2 = nullptr;
    QAction* Menu_Stampa = nullptr;
    QAction* Menu_Print_preview = nullptr;
    QMenu* Aiuto1 = nullptr; // "?"
    QAction* Menu_Informazioni = nullptr;

    QFrame* ControlBar_load_dat = nullptr;
    QFrame* ToolBar_net_comt = nullptr;
    QToolButton* BitBtn_connect = nullptr;
    QToolButton* BitBtn_disconnect = nullptr;
    QToolButton* BitBtn_set_port_com = nullptr;
    QFrame* ToolButton2 = nullptr;
    QToolButton* BitBtn_start_CMP_force = nullptr;
    QToolButton* BitBtn_start_CMP = nullptr;
    QToolButton* BitBtn_stop_CMP = nullptr;
    QToolButton* BitBtn_record = nullptr; // "Registra", on while a recording runs
    QToolButton* BitBtn_clear = nullptr;
    QToolButton* BitBtn_Refresh = nullptr;
    QFrame* ToolButton3 = nullptr;
    QToolButton* BitBtn_print = nullptr;
    QToolButton* BitBtn_preview = nullptr;
    QFrame* ToolButton1 = nullptr;
    QToolButton* BitBtn_save = nullptr;
    QToolButton* BitBtn_load_dat = nullptr;
    QFrame* ToolButton4 = nullptr;
    QPushButton* BitBtn_var_dati = nullptr;
    QPushButton* Button_start_stop = nullptr;
    QPushButton* Button_F1 = nullptr;
    QPushButton* Button_F2 = nullptr;
    QPushButton* Button_F3 = nullptr;

    Panel* Panel23 = nullptr;
    StatusBarPanels* StatusBar_net_com = nullptr;

    Panel* Panel21 = nullptr;
    // The settings column; its channel, Y-scale and cursor controls are reached through the
    // pointers this window shares with it (SettingsColumnControls).
    SettingsColumn* v = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    RadioGroup* RadioGroup_trigger_type = nullptr;
    Panel* Panel_event_type = nullptr;
    QComboBox* ComboBox_event_type = nullptr;

    Panel* Panel27 = nullptr;
    Panel* Panel_graph = nullptr;
    Panel* Panel_debugx = nullptr;
    Panel* Panel_x1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* BitBtn4 = nullptr;
    Panel* Panel_ledx = nullptr;
    QPushButton* BitBtn1 = nullptr;
    Panel* Panel_debx[6] = {}; // Panel_debx1 .. Panel_debx6

    QTimer* Timer_Diagram = nullptr;
    QTimer* Timer_monitor = nullptr;
    QTimer* Timer_set_fix_scale = nullptr;
    QTimer* Timer_Diagram_Test = nullptr;

    SaveDialogSettings SaveDialog_dati;
    SaveDialogSettings RecordDialog{QStringLiteral("grec"),
                                    QStringLiteral("Registrazioni (*.grec)")};

    // ---- Window state -----------------------------------------------------------------
    // The hidden test generator's phase and time.
    TestSignal test_signal;

    // ---- Window events -----------------------------------------------------------------
    void FormCreate();
    void FormShow();
    void FormClose();
    void ControlBar_load_datResize();

    // ---- Commands ----------------------------------------------------------------------
    void BitBtn_connectClick();
    void BitBtn_disconnectClick();
    void BitBtn_set_port_comClick();
    void BitBtn_start_CMP_forceClick();
    void BitBtn_start_CMPClick();
    void BitBtn_stop_CMPClick();
    void BitBtn_clearClick();
    void BitBtn_RefreshClick();
    void BitBtn_printClick();
    void BitBtn_previewClick();
    void BitBtn_saveClick();
    void Menu_Esporta_CSVClick();
    void Menu_Esporta_PDFClick();
    void Menu_Esporta_ImmagineClick();
    void BitBtn_load_datClick();
    void BitBtn_var_datiClick();
    void Menu_Chiudi_MainClick();

    // ---- Link ------------------------------------------------------------------------------
    // The socket thread's connect notification; runs on this (the GUI) thread while the
    // socket thread waits for it.
    void on_connect();
    void stop_acquisition();
    // Moves the samples received since the last tick into the live diagram.
    void drain_samples();

    // ---- Trigger, channels, scale and cursors --------------------------------------------
    void RadioGroup_trigger_typeClick();
    void update_event_controls();
    void ComboBox_event_typeChange();
    void ComboBox_select_dat_misChange(int channel);
    void CheckBox_Dat_MisClick(int channel);
    void CheckBox_scala_asse_yClick();
    void Memo_asse_y_max_scaleChange();
    void Memo_asse_y_max_scaleEnter();
    void Memo_asse_y_max_scaleExit();
    // A typed character; setting key to a null character discards it.
    void Memo_asse_y_max_scaleKeyPress(QChar& key);
    void UpDown_asse_y_max_scaleChangingEx(UpDown::Direction direction);
    void Memo_asse_y_min_scaleChange();
    void Memo_asse_y_min_scaleEnter();
    void Memo_asse_y_min_scaleExit();
    void Memo_asse_y_min_scaleKeyPress(QChar& key);
    void UpDown_asse_y_min_scaleChangingEx(UpDown::Direction direction);
    void CheckBox_cursor_asseTClick();
    void CheckBox_cursor_asseYClick();

    // ---- Timers and status bar -----------------------------------------------------------
    void Timer_DiagramTimer();
    void Timer_monitorTimer();
    void Timer_set_fix_scaleTimer();
    void Timer_Diagram_TestTimer();
    void StatusBar_net_comDrawPanel(Canvas& canvas, int index, const QRect& rect);

    // ---- Recording (Net_cnx_recording.cpp) -------------------------------------------------
    // Starts a recording (asking for its file) or ends the one that runs.
    void BitBtn_recordClick();
    // Ends a running recording cleanly (Stop, Disconnetti, closing the window).
    void end_recording();
    bool recording() const;
    // The status bar panel that shows a running recording.
    static constexpr int kRecordingPanel = 5;

    // ---- Hidden test controls ------------------------------------------------------------
    void Button_start_stopClick();
    void Button_F1Click();
    void Button_F2Click();
    void Button_F3Click();
    void BitBtn2Click(); // "Step": one test sample
    void BitBtn1Click(); // "F": fill the diagram with test samples

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Net_cnx_layout.cpp: creates every control, menu and timer and binds the handlers.
    void build_layout();
    void build_tool_bar(QWidget* parent);
    void build_status_bar(QWidget* parent);
    void build_settings_column(QWidget* parent);
    void build_trigger_group(SettingsColumn& column);
    void build_graph_area(QWidget* parent);
    void build_menu();
    void build_timers();
    void bind_handlers();
    // Net_cnx_controls.cpp: binds the settings column to the live diagram and the settings.
    void bind_column();
    void place_on_screen();

    // Gives the link thread its connect notification and its error messages.
    void register_link_hooks();
    // The acquisition's display side; the window carries out each step it returns.
    Acquisition acquisition_;
    DiagramFill diagram_fill() const;
    void apply_acquisition_step(const AcquisitionStep& step);
    void append_ring_slot(const SampleSlot& slot);
    void monitor_link_state();
    void monitor_discovery();
    bool recording_allowed() const;
    // Asks for the file and starts the recorder.
    void start_recording();
    void monitor_recording();
    void show_recording_state();
    void report_recording_failure(const RecorderStatus& status);
    std::unique_ptr<Recorder> recorder_;
    double recording_period_ = 0.001;

    void append_test_sample();
    void show_start_stop_caption();

    // The settings column's channel, Y-scale and cursor handlers, on the live diagram and
    // the settings record (owned by the column).
    ColumnBinding* column_binding_ = nullptr;

    bool closed_ = false;
};

extern TForm_net* Form_net;
// The main window's diagram: created by FormCreate, destroyed by FormClose.
extern Diagramx* live_diagram;
// 0 while the window fills its own controls: the handlers that must not take those changes
// for user input return at once.
extern std::uint8_t fields_ready;
