// The settings column's channel, Y-scale and cursor controls, and the Clear and Refresh
// commands.
#include "Net_cnx.h"

#include "Dato_short.h"
#include "Diagramx.h"
#include "Globvar.h"
#include "Netcom.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>

namespace {

constexpr Color kOffColor = 0x808080;  // grey
constexpr Color kFieldText = 0x000000;

// The fixed Y scale limits, bound to the settings record from program start on.
Dato_short y_max_field(settings.y_max, 10000, 1, 0);
Dato_short y_min_field(settings.y_min, -1, -10000, 0);

void set_memo_look(QLineEdit* memo, bool enabled)
{
    memo->setEnabled(enabled);
    QPalette p = memo->palette();
    p.setColor(QPalette::Text, to_qcolor(enabled ? kFieldText : kOffColor));
    memo->setPalette(p);
}

} // namespace

// ---- Channel rows -----------------------------------------------------------------------

void TForm_net::CheckBox_Dat_MisClick(int channel)
{
    if (live_diagram)
        live_diagram->SetChannelVisible(std::uint8_t(channel), CheckBox_Dat_Mis_[channel]->isChecked());
}

void TForm_net::ComboBox_select_dat_misChange(int channel)
{
    // Only a connected controller takes a new quantity; otherwise the row shows the new
    // item and the next Connect sends the quantities as they were.
    if (connection_state() != LINK_CONNECTED)
        return;
    const int index = ComboBox_select_dat_mis[channel]->currentIndex();
    if (index < 0)
        return;
    channel_select[std::size_t(channel)] = std::uint8_t(index);
    send_channel_config();
}

// ---- Fixed Y scale ----------------------------------------------------------------------

void TForm_net::CheckBox_scala_asse_yClick()
{
    const std::uint8_t on = show_toggle_state(CheckBox_scala_asse_y, Panel_scala_asse_y_on_off);
    settings.view_flags = (settings.view_flags & ~1u) | on;
    update_scale_fields();
    if (live_diagram) {
        live_diagram->view.fixedScale = on;
        live_diagram->Redraw();
    }
}

void TForm_net::update_scale_fields()
{
    const bool on = (settings.view_flags & 1u) != 0;
    set_memo_look(Memo_asse_y_max_scale, on);
    Panel_asse_y_max_scale->setCaptionColor(on ? kFieldText : kOffColor);
    UpDown_asse_y_max_scale->setEnabled(on);
    set_memo_look(Memo_asse_y_min_scale, on);
    Panel_asse_y_min_scale->setCaptionColor(on ? kFieldText : kOffColor);
    UpDown_asse_y_min_scale->setEnabled(on);
    if (!on)
        Timer_set_fix_scale->stop();
}

void TForm_net::attach_scale_fields()
{
    fields_ready = 0;
    y_min_field.attach(Memo_asse_y_min_scale, UpDown_asse_y_min_scale);
    y_min_field.show(Memo_asse_y_min_scale);
    y_max_field.attach(Memo_asse_y_max_scale, UpDown_asse_y_max_scale);
    y_max_field.show(Memo_asse_y_max_scale);
    fields_ready = 1;
}

void TForm_net::apply_scale_settings()
{
    const std::uint8_t on = settings.view_flags & 1u;
    if (live_diagram) {
        live_diagram->view.fixedScale = on;
        live_diagram->view.fixedYMax = settings.y_max;
        live_diagram->view.fixedYMin = settings.y_min;
    }
    set_toggle_state(CheckBox_scala_asse_y, Panel_scala_asse_y_on_off, on);
}

void TForm_net::Memo_asse_y_max_scaleChange()
{
    if (!fields_ready)
        return;
    y_max_field.on_change(Memo_asse_y_max_scale);
    Timer_set_fix_scale->start();
}

void TForm_net::Memo_asse_y_max_scaleEnter()
{
    if (fields_ready)
        y_max_field.on_enter(Memo_asse_y_max_scale);
}

void TForm_net::Memo_asse_y_max_scaleExit()
{
    if (!fields_ready)
        return;
    y_max_field.on_exit(Memo_asse_y_max_scale);
    Timer_set_fix_scale->start();
}

void TForm_net::Memo_asse_y_max_scaleKeyPress(QChar& key)
{
    if (!fields_ready)
        return;
    y_max_field.on_key_press(Memo_asse_y_max_scale, Panel_asse_y_max_scale->caption(), key);
    if (key == QChar('\r'))
        Timer_set_fix_scale->start();
}

void TForm_net::UpDown_asse_y_max_scaleChangingEx(UpDown::Direction direction)
{
    if (!fields_ready)
        return;
    bool allow = true;
    y_max_field.on_updown(Memo_asse_y_max_scale, direction, allow);
    Timer_set_fix_scale->start();
}

void TForm_net::Memo_asse_y_min_scaleChange()
{
    if (!fields_ready)
        return;
    y_min_field.on_change(Memo_asse_y_min_scale);
    Timer_set_fix_scale->start();
}

void TForm_net::Memo_asse_y_min_scaleEnter()
{
    if (fields_ready)
        y_min_field.on_enter(Memo_asse_y_min_scale);
}

void TForm_net::Memo_asse_y_min_scaleExit()
{
    if (!fields_ready)
        return;
    y_min_field.on_exit(Memo_asse_y_min_scale);
    Timer_set_fix_scale->start();
}

void TForm_net::Memo_asse_y_min_scaleKeyPress(QChar& key)
{
    if (!fields_ready)
        return;
    y_min_field.on_key_press(Memo_asse_y_min_scale, Panel_asse_y_min_scale->caption(), key);
    if (key == QChar('\r'))
        Timer_set_fix_scale->start();
}

void TForm_net::UpDown_asse_y_min_scaleChangingEx(UpDown::Direction direction)
{
    if (!fields_ready)
        return;
    bool allow = true;
    y_min_field.on_updown(Memo_asse_y_min_scale, direction, allow);
    Timer_set_fix_scale->start();
}

void TForm_net::Timer_set_fix_scaleTimer()
{
    // However many edits came within one tick, the diagram is repainted once, and only
    // when a limit really changed.
    if (!live_diagram || (live_diagram->view.fixedYMax == settings.y_max &&
                          live_diagram->view.fixedYMin == settings.y_min)) {
        Timer_set_fix_scale->stop();
        return;
    }
    live_diagram->view.fixedYMax = settings.y_max;
    live_diagram->view.fixedYMin = settings.y_min;
    live_diagram->Redraw();
}

// ---- Cursors and view commands ----------------------------------------------------------

void TForm_net::CheckBox_cursor_asseTClick()
{
    const std::uint8_t on = show_toggle_state(CheckBox_cursor_asseT, Panel_cursor_asseT_on_off);
    if (live_diagram) {
        live_diagram->showTCursors = on;
        live_diagram->Redraw();
    }
}

void TForm_net::CheckBox_cursor_asseYClick()
{
    const std::uint8_t on = show_toggle_state(CheckBox_cursor_asseY, Panel_cursor_asseY_on_off);
    if (live_diagram) {
        live_diagram->showYCursors = on;
        live_diagram->Redraw();
    }
}

void TForm_net::BitBtn_clearClick()
{
    // The shared sample ring is left as it is.
    if (!live_diagram)
        return;
    live_diagram->Clear();
    live_diagram->Redraw();
}

void TForm_net::BitBtn_RefreshClick()
{
    if (!live_diagram)
        return;
    live_diagram->view.followLatest = 1;
    live_diagram->Redraw();
}
