// The viewer's life cycle and commands: load, refresh, the fixed Y scale and its fields,
// the cursors, print, preview and export.

#include "Load_dat.h"

#include "ColumnBinding.h"
#include "Diagramx.h"
#include "ExportCommands.h"
#include "Modal.h"
#include "Print_page.h"
#include "Print_prepare.h"
#include "Recording_view.h"
#include "WindowShow.h"
#include "message_box.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QShowEvent>
#include <QTimer>
#include <QToolButton>

#include <cstring>

std::int16_t viewer_y_max = 2000;
std::int16_t viewer_y_min = -2000;
std::uint32_t viewer_flags = 0;
std::uint8_t viewer_fields_ready = 1;
Dato_short viewer_y_max_field(viewer_y_max, 10000, 1, 0);
Dato_short viewer_y_min_field(viewer_y_min, -1, -10000, 0);

TForm_load_dat* Form_load_dat = nullptr;

// ---- Creation, showing and closing ----------------------------------------------------------

TForm_load_dat::TForm_load_dat(QWidget* owner) : QDialog(owner)
{
    build_layout();
    FormCreate();
}

TForm_load_dat::~TForm_load_dat()
{
    FormClose();
    if (Form_load_dat == this)
        Form_load_dat = nullptr;
}

void TForm_load_dat::FormCreate()
{
    viewer_diagram = new Diagramx(Panel_graph, kChannels, 5000, 20001);
}

void TForm_load_dat::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The window was placed when it was built.
    window_shown(*this, *event, Centre::None, [this] { FormShow(); });
}

void TForm_load_dat::FormShow()
{
    CheckBox_scala_asse_y->setEnabled(false);
    Timer_set_fix_scale->stop();
    column_binding_->attach_fields();
    column_binding_->update_fields();
    CheckBox_cursor_asseYClick();
    CheckBox_cursor_asseTClick();
}

void TForm_load_dat::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TForm_load_dat::FormClose()
{
    if (closed_)
        return;
    closed_ = true;
    Timer_set_fix_scale->stop();
    // Printing must not reach a diagram or names that are going away.
    if (print_diagram == viewer_diagram)
        print_diagram = nullptr;
    if (print_names == loaded_names())
        print_names = nullptr;
    delete viewer_diagram;
    viewer_diagram = nullptr;
    recording_.reset();
}

void TForm_load_dat::ControlBar_load_datResize()
{
    ToolBar_load_dat->resize(ControlBar_load_dat->width(), ToolBar_load_dat->height());
}

void TForm_load_dat::Menu_Chiudi_MainClick()
{
    close();
}

// ---- Loading ----------------------------------------------------------------------------------

void TForm_load_dat::BitBtn_loadClick()
{
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile); // the chosen file must exist
    dialog.setNameFilters({QStringLiteral("(*.dmg)"), QStringLiteral("(*.grec)")});
    const QString path = run_file_dialog(dialog);
    if (!path.isEmpty())
        load_file(path);
}

bool TForm_load_dat::load_file(const QString& path)
{
    if (!viewer_diagram)
        return false;
    if (path.endsWith(QStringLiteral(".grec"), Qt::CaseInsensitive))
        return load_recording(path);
    DmgDisplaySettings loaded;
    // The ring is the file's from here on; a rejected file changes nothing.
    DiagramSource* const shown = viewer_diagram->source;
    viewer_diagram->source = nullptr;
    if (!dmg_load(path, *viewer_diagram, loaded)) {
        viewer_diagram->source = shown;
        return false;
    }
    recording_.reset();

    for (int i = 0; i < kChannels; ++i) {
        Panel_dat_mis[i]->setCaption(loaded.names[i]);
        dmg_set_name(names_[i], loaded.names[i]);
    }
    viewer_y_max = loaded.y_max;
    viewer_y_min = loaded.y_min;
    viewer_flags = loaded.flags;
    show_loaded();
    return true;
}

void TForm_load_dat::show_loaded()
{
    Panel_settings->show_channel_colours(viewer_diagram->channelColor);

    for (QWidget* w : std::initializer_list<QWidget*>{BitBtn_Refresh, BitBtn_print, BitBtn_preview})
        w->setEnabled(true);
    for (QAction* a : {Menu_Refresh, Menu_print, Menu_Print_preview, Menu_Esporta_CSV,
                       Menu_Esporta_PDF, Menu_Esporta_Immagine})
        a->setEnabled(true);

    column_binding_->attach_fields();
    apply_scale_settings();
    viewer_diagram->Redraw();
}

// ---- Settings column, refresh ----------------------------------------------------------------

void TForm_load_dat::bind_column()
{
    column_binding_ =
        new ColumnBinding(*Panel_settings, viewer_diagram, *Timer_set_fix_scale,
                          ScaleValues{viewer_flags, viewer_y_max, viewer_y_min, viewer_y_max_field,
                                      viewer_y_min_field, viewer_fields_ready});
}

void TForm_load_dat::apply_scale_settings()
{
    CheckBox_scala_asse_y->setEnabled(true);
    column_binding_->apply();
    // When the box keeps its state its handler does not run; the fields still follow the
    // loaded file.
    column_binding_->update_fields();
}

void TForm_load_dat::CheckBox_Dat_MisClick(int channel)
{
    column_binding_->channel_click(channel);
}
void TForm_load_dat::CheckBox_cursor_asseYClick()
{
    column_binding_->cursor_y_click();
}
void TForm_load_dat::CheckBox_cursor_asseTClick()
{
    column_binding_->cursor_t_click();
}

void TForm_load_dat::BitBtn_RefreshClick()
{
    if (!viewer_diagram)
        return;
    viewer_diagram->view.followLatest = 1;
    viewer_diagram->Redraw();
}

// ---- Fixed Y scale ----------------------------------------------------------------------------

void TForm_load_dat::CheckBox_scala_asse_yClick()
{
    column_binding_->fixed_scale_click();
}
void TForm_load_dat::Memo_asse_y_max_scaleChange()
{
    column_binding_->max_change();
}
void TForm_load_dat::Memo_asse_y_max_scaleEnter()
{
    column_binding_->max_enter();
}
void TForm_load_dat::Memo_asse_y_max_scaleExit()
{
    column_binding_->max_exit();
}
void TForm_load_dat::Memo_asse_y_max_scaleKeyPress(QChar& key)
{
    column_binding_->max_key_press(key);
}
void TForm_load_dat::UpDown_asse_y_max_scaleChangingEx(UpDown::Direction direction)
{
    column_binding_->max_updown(direction);
}
void TForm_load_dat::Memo_asse_y_min_scaleChange()
{
    column_binding_->min_change();
}
void TForm_load_dat::Memo_asse_y_min_scaleEnter()
{
    column_binding_->min_enter();
}
void TForm_load_dat::Memo_asse_y_min_scaleExit()
{
    column_binding_->min_exit();
}
void TForm_load_dat::Memo_asse_y_min_scaleKeyPress(QChar& key)
{
    column_binding_->min_key_press(key);
}
void TForm_load_dat::UpDown_asse_y_min_scaleChangingEx(UpDown::Direction direction)
{
    column_binding_->min_updown(direction);
}
void TForm_load_dat::Timer_set_fix_scaleTimer()
{
    column_binding_->scale_tick();
}

// ---- Print and preview ------------------------------------------------------------------------

void TForm_load_dat::BitBtn_printClick()
{
    if (!prepare_printing(this, 0, viewer_diagram, [this] { return loaded_names(); }))
        return;
    // A failing job has been aborted and the cursor restored; the failure goes on to the
    // application's error report.
    print_page();
}

void TForm_load_dat::BitBtn_previewClick()
{
    if (prepare_printing(this, 1, viewer_diagram, [this] { return loaded_names(); }))
        run_print_preview(this);
}

// ---- Export -----------------------------------------------------------------------------------

namespace {

QStringList slot_names(const char (&nameSlots)[TForm_load_dat::kChannels][kDmgNameSize])
{
    QStringList names;
    for (const auto& slot : nameSlots)
        names << dmg_name(slot);
    return names;
}

} // namespace

void TForm_load_dat::Menu_Esporta_CSVClick()
{
    export_csv_command(this, viewer_diagram, slot_names(names_));
}

void TForm_load_dat::Menu_Esporta_PDFClick()
{
    export_pdf_command(this, viewer_diagram, slot_names(names_));
}

void TForm_load_dat::Menu_Esporta_ImmagineClick()
{
    export_png_command(this, viewer_diagram);
}
