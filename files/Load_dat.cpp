// The viewer's life cycle and commands: load, refresh, the fixed Y scale and its fields,
// the cursors, print and preview.

#include "Load_dat.h"

#include "Diagramx.h"
#include "Modal.h"
#include "Print_page.h"
#include "Print_prepare.h"
#include "WindowShow.h"
#include "message_box.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QShowEvent>
#include <QTimer>
#include <QToolButton>
#include <QAction>

#include <cstring>

std::int16_t viewer_y_max = 2000;
std::int16_t viewer_y_min = -2000;
std::uint32_t viewer_flags = 0;
bool viewer_fields_ready = true;
Dato_short viewer_y_max_field(viewer_y_max, 10000, 1, 0);
Dato_short viewer_y_min_field(viewer_y_min, -1, -10000, 0);

TForm_load_dat* Form_load_dat = nullptr;

namespace {

constexpr std::uint32_t kFieldText = 0x000000;
constexpr std::uint32_t kOffColor = 0x808080;

void set_memo_look(QLineEdit* memo, bool enabled)
{
    memo->setEnabled(enabled);
    QPalette p = memo->palette();
    p.setColor(QPalette::Text, enabled ? QColor(Qt::black) : QColor(0x80, 0x80, 0x80));
    memo->setPalette(p);
}

} // namespace

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
    attach_viewer_fields();
    update_viewer_scale_fields();
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
    dialog.setNameFilter(QStringLiteral("(*.dmg)"));
    if (run_modal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    load_file(dialog.selectedFiles().constFirst());
}

bool TForm_load_dat::load_file(const QString& path)
{
    if (!viewer_diagram)
        return false;
    DmgDisplaySettings loaded;
    if (!dmg_load(path, *viewer_diagram, loaded))
        return false; // a rejected file changes nothing

    for (int i = 0; i < kChannels; ++i) {
        Panel_dat_mis[i]->setCaption(loaded.names[i]);
        dmg_set_name(names_[i], loaded.names[i]);
    }
    viewer_y_max = loaded.y_max;
    viewer_y_min = loaded.y_min;
    viewer_flags = loaded.flags;
    for (int i = 0; i < kChannels; ++i) {
        const std::uint32_t c = viewer_diagram->channelColor[i];
        Panel_Dat_Mis_[i]->setColor(c);
        // The check box sits on the colour, not on a patch of the window's.
        QPalette p = CheckBox_Dat_Mis_[i]->palette();
        p.setColor(QPalette::Window, QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)));
        CheckBox_Dat_Mis_[i]->setPalette(p);
        CheckBox_Dat_Mis_[i]->setAutoFillBackground(true);
    }

    for (QWidget* w : std::initializer_list<QWidget*>{BitBtn_Refresh, BitBtn_print, BitBtn_preview})
        w->setEnabled(true);
    for (QAction* a : {Menu_Refresh, Menu_print, Menu_Print_preview})
        a->setEnabled(true);

    attach_viewer_fields();
    apply_viewer_scale_settings();
    viewer_diagram->Redraw();
    return true;
}

// ---- Channels, cursors, refresh ---------------------------------------------------------------

void TForm_load_dat::CheckBox_Dat_MisClick(int channel)
{
    if (viewer_diagram)
        viewer_diagram->SetChannelVisible(std::uint8_t(channel), CheckBox_Dat_Mis_[channel]->isChecked());
}

void TForm_load_dat::CheckBox_cursor_asseYClick()
{
    const std::uint8_t on = show_toggle_state(CheckBox_cursor_asseY, Panel_cursor_asseY_on_off);
    if (viewer_diagram) {
        viewer_diagram->showYCursors = on;
        viewer_diagram->Redraw();
    }
}

void TForm_load_dat::CheckBox_cursor_asseTClick()
{
    const std::uint8_t on = show_toggle_state(CheckBox_cursor_asseT, Panel_cursor_asseT_on_off);
    if (viewer_diagram) {
        viewer_diagram->showTCursors = on;
        viewer_diagram->Redraw();
    }
}

void TForm_load_dat::BitBtn_RefreshClick()
{
    if (!viewer_diagram)
        return;
    viewer_diagram->view.followLatest = 1;
    viewer_diagram->Redraw();
}

// ---- Fixed Y scale ----------------------------------------------------------------------------

void TForm_load_dat::attach_viewer_fields()
{
    viewer_fields_ready = false;
    viewer_y_min_field.attach(Memo_asse_y_min_scale, UpDown_asse_y_min_scale);
    viewer_y_min_field.show(Memo_asse_y_min_scale);
    viewer_y_max_field.attach(Memo_asse_y_max_scale, UpDown_asse_y_max_scale);
    viewer_y_max_field.show(Memo_asse_y_max_scale);
    viewer_fields_ready = true;
}

void TForm_load_dat::update_viewer_scale_fields()
{
    const bool on = (viewer_flags & 1u) != 0;
    set_memo_look(Memo_asse_y_max_scale, on);
    set_memo_look(Memo_asse_y_min_scale, on);
    UpDown_asse_y_max_scale->setEnabled(on);
    UpDown_asse_y_min_scale->setEnabled(on);
    Panel_asse_y_max_scale->setCaptionColor(on ? kFieldText : kOffColor);
    Panel_asse_y_min_scale->setCaptionColor(on ? kFieldText : kOffColor);
    if (!on)
        Timer_set_fix_scale->stop();
}

void TForm_load_dat::apply_viewer_scale_settings()
{
    const std::uint8_t on = viewer_flags & 1u;
    if (viewer_diagram) {
        viewer_diagram->view.fixedScale = on;
        viewer_diagram->view.fixedYMax = viewer_y_max;
        viewer_diagram->view.fixedYMin = viewer_y_min;
    }
    CheckBox_scala_asse_y->setEnabled(true);
    set_toggle_state(CheckBox_scala_asse_y, Panel_scala_asse_y_on_off, on);
    // When the box keeps its state its handler does not run; the fields still follow the
    // loaded file.
    update_viewer_scale_fields();
}

void TForm_load_dat::CheckBox_scala_asse_yClick()
{
    const std::uint8_t on = show_toggle_state(CheckBox_scala_asse_y, Panel_scala_asse_y_on_off);
    viewer_flags = (viewer_flags & ~1u) | on;
    update_viewer_scale_fields();
    if (viewer_diagram) {
        viewer_diagram->view.fixedScale = on;
        viewer_diagram->Redraw();
    }
}

void TForm_load_dat::Memo_asse_y_max_scaleChange()
{
    if (!viewer_fields_ready)
        return;
    viewer_y_max_field.on_change(Memo_asse_y_max_scale);
    Timer_set_fix_scale->start();
}

void TForm_load_dat::Memo_asse_y_max_scaleEnter()
{
    if (viewer_fields_ready)
        viewer_y_max_field.on_enter(Memo_asse_y_max_scale);
}

void TForm_load_dat::Memo_asse_y_max_scaleExit()
{
    if (!viewer_fields_ready)
        return;
    viewer_y_max_field.on_exit(Memo_asse_y_max_scale);
    Timer_set_fix_scale->start();
}

void TForm_load_dat::Memo_asse_y_max_scaleKeyPress(QChar& key)
{
    if (!viewer_fields_ready)
        return;
    viewer_y_max_field.on_key_press(Memo_asse_y_max_scale, Panel_asse_y_max_scale->caption(), key);
    if (key == QChar('\r'))
        Timer_set_fix_scale->start();
}

void TForm_load_dat::UpDown_asse_y_max_scaleChangingEx(UpDown::Direction direction)
{
    if (!viewer_fields_ready)
        return;
    bool allow = true;
    viewer_y_max_field.on_updown(Memo_asse_y_max_scale, direction, allow);
    Timer_set_fix_scale->start();
}

void TForm_load_dat::Memo_asse_y_min_scaleChange()
{
    if (!viewer_fields_ready)
        return;
    viewer_y_min_field.on_change(Memo_asse_y_min_scale);
    Timer_set_fix_scale->start();
}

void TForm_load_dat::Memo_asse_y_min_scaleEnter()
{
    if (viewer_fields_ready)
        viewer_y_min_field.on_enter(Memo_asse_y_min_scale);
}

void TForm_load_dat::Memo_asse_y_min_scaleExit()
{
    if (!viewer_fields_ready)
        return;
    viewer_y_min_field.on_exit(Memo_asse_y_min_scale);
    Timer_set_fix_scale->start();
}

void TForm_load_dat::Memo_asse_y_min_scaleKeyPress(QChar& key)
{
    if (!viewer_fields_ready)
        return;
    viewer_y_min_field.on_key_press(Memo_asse_y_min_scale, Panel_asse_y_min_scale->caption(), key);
    if (key == QChar('\r'))
        Timer_set_fix_scale->start();
}

void TForm_load_dat::UpDown_asse_y_min_scaleChangingEx(UpDown::Direction direction)
{
    if (!viewer_fields_ready)
        return;
    bool allow = true;
    viewer_y_min_field.on_updown(Memo_asse_y_min_scale, direction, allow);
    Timer_set_fix_scale->start();
}

void TForm_load_dat::Timer_set_fix_scaleTimer()
{
    // However many edits came within one tick, the diagram is repainted once, and only
    // when a limit really changed.
    if (!viewer_diagram || (viewer_diagram->view.fixedYMax == viewer_y_max &&
                            viewer_diagram->view.fixedYMin == viewer_y_min)) {
        Timer_set_fix_scale->stop();
        return;
    }
    viewer_diagram->view.fixedYMax = viewer_y_max;
    viewer_diagram->view.fixedYMin = viewer_y_min;
    viewer_diagram->Redraw();
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
