#pragma once
// The saved-diagram viewer: shows the acquisition stored in a diagram file in a diagram of
// its own, with the channel, Y-scale and cursor controls of the main window, and prints or
// previews it. The fixed Y scale limits and flags of the last loaded file outlive the
// window, so the next opening shows them again.

#include "Dato_short.h"
#include "Dmg_file.h"
#include "Panel.h"
#include "SettingsColumn.h"
#include "UpDown.h"

#include <QDialog>

#include <cstdint>
#include <memory>

class ColumnBinding;
class RecordingView;
class Diagramx;
class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QStatusBar;
class QTimer;
class QToolButton;

// ---- Values that live for the whole run ---------------------------------------------------

extern std::int16_t viewer_y_max;        // fixed Y scale upper limit (2000 at start)
extern std::int16_t viewer_y_min;        // fixed Y scale lower limit (-2000 at start)
extern std::uint32_t viewer_flags;       // flags of the last loaded file; bit 0: fixed Y scale on
extern std::uint8_t viewer_fields_ready; // 0 while the two fields are being set up
extern Dato_short viewer_y_max_field;    // 1 .. 10000, bound to viewer_y_max
extern Dato_short viewer_y_min_field;    // -10000 .. -1, bound to viewer_y_min

class TForm_load_dat : public QDialog, public SettingsColumnControls {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 701;
    static constexpr int kClientHeight = 544;
    static constexpr int kChannels = 8;

    explicit TForm_load_dat(QWidget* owner = nullptr);
    ~TForm_load_dat() override;

    QMenuBar* MainMenu1 = nullptr;
    QMenu* File = nullptr;
    QAction* Menu_Carica = nullptr;
    QAction* Menu_Esporta_CSV = nullptr;
    QAction* Menu_Esporta_PDF = nullptr;
    QAction* Menu_Esporta_Immagine = nullptr;
    QAction* N1 = nullptr;
    QAction* Menu_Chiudi_Main = nullptr;
    QMenu* Comandi = nullptr;
    QAction* Menu_Refresh = nullptr;
    QMenu* Stampe = nullptr;
    QAction* Menu_print = nullptr;
    QAction* Menu_Print_preview = nullptr;
    QMenu* Aiuto = nullptr; // "?"
    QAction* Menu_Informazioni = nullptr;

    QFrame* ControlBar_load_dat = nullptr;
    QFrame* ToolBar_load_dat = nullptr;
    QToolButton* BitBtn_load = nullptr;
    QToolButton* BitBtn_Refresh = nullptr;
    QFrame* ToolButton1 = nullptr; // separator
    QToolButton* BitBtn_print = nullptr;
    QToolButton* BitBtn_preview = nullptr;

    Panel* Panel_status = nullptr;
    QStatusBar* StatusBar_net_com = nullptr;
    QLabel* StatusPanel[3] = {};

    // The settings column; its channel, Y-scale and cursor controls are reached through the
    // pointers this window shares with it (SettingsColumnControls).
    SettingsColumn* Panel_settings = nullptr;

    Panel* Panel_graph = nullptr;
    QTimer* Timer_set_fix_scale = nullptr;

    // The window's diagram, from FormCreate to FormClose.
    Diagramx* viewer_diagram = nullptr;

    void FormCreate();
    void FormShow();
    void FormClose();
    void ControlBar_load_datResize();

    // Asks for a file and loads it.
    void BitBtn_loadClick();
    // Loads a diagram file (or a recording, *.grec) with all the reader's checks and
    // messages; true when taken.
    bool load_file(const QString& path);
    // Load_dat_recording.cpp: opens a recording of any length, its summaries read or built
    // (with a progress window when that takes a while); true when taken.
    bool load_recording(const QString& path);
    // The recording shown, or null while a diagram file (or nothing) is.
    const RecordingView* recording() const { return recording_.get(); }
    void BitBtn_RefreshClick();
    void BitBtn_printClick();
    void BitBtn_previewClick();
    void Menu_Esporta_CSVClick();
    void Menu_Esporta_PDFClick();
    void Menu_Esporta_ImmagineClick();
    void Menu_Chiudi_MainClick();

    void CheckBox_Dat_MisClick(int channel);
    void CheckBox_scala_asse_yClick();
    void CheckBox_cursor_asseYClick();
    void CheckBox_cursor_asseTClick();

    void Memo_asse_y_max_scaleChange();
    void Memo_asse_y_max_scaleEnter();
    void Memo_asse_y_max_scaleExit();
    void Memo_asse_y_max_scaleKeyPress(QChar& key);
    void UpDown_asse_y_max_scaleChangingEx(UpDown::Direction direction);
    void Memo_asse_y_min_scaleChange();
    void Memo_asse_y_min_scaleEnter();
    void Memo_asse_y_min_scaleExit();
    void Memo_asse_y_min_scaleKeyPress(QChar& key);
    void UpDown_asse_y_min_scaleChangingEx(UpDown::Direction direction);
    void Timer_set_fix_scaleTimer();

    // The names of the loaded file, as the printed legend takes them: 8 zero-padded slots.
    const char* loaded_names() const { return &names_[0][0]; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void build_layout();
    void build_tool_bar();
    void build_settings_column();
    // Load_dat.cpp: binds the settings column to the viewer's diagram and values.
    void bind_column();
    // The flag and the limits of the loaded file in the diagram and the column.
    void apply_scale_settings();
    void build_menu();
    void bind_handlers();
    // What a taken file changes in the column and the commands, and the first picture.
    void show_loaded();

    // Owned by the column.
    ColumnBinding* column_binding_ = nullptr;
    char names_[kChannels][kDmgNameSize] = {};
    bool closed_ = false;
    std::unique_ptr<RecordingView> recording_;
};

extern TForm_load_dat* Form_load_dat;
