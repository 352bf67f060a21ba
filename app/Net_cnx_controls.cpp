// The settings column's channel, Y-scale and cursor controls, and the Clear and Refresh
// commands.
#include "Net_cnx.h"

#include "ColumnBinding.h"
#include "Dato_short.h"
#include "Diagramx.h"
#include "Globvar.h"
#include "Netcom.h"

#include <QComboBox>

namespace {

// The fixed Y scale limits, bound to the settings record from program start on.
Dato_short y_max_field(link_state.settings.y_max, 10000, 1, 0);
Dato_short y_min_field(link_state.settings.y_min, -1, -10000, 0);

} // namespace

void TForm_net::bind_column()
{
    column_binding_ =
        new ColumnBinding(*v, live_diagram, *Timer_set_fix_scale,
                          ScaleValues{link_state.settings.view_flags, link_state.settings.y_max,
                                      link_state.settings.y_min, y_max_field, y_min_field,
                                      fields_ready});
}

// ---- Channel rows -----------------------------------------------------------------------

void TForm_net::CheckBox_Dat_MisClick(int channel)
{
    column_binding_->channel_click(channel);
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
    link_state.channel_select[std::size_t(channel)] = std::uint8_t(index);
    send_channel_config();
}

// ---- Fixed Y scale ----------------------------------------------------------------------

void TForm_net::CheckBox_scala_asse_yClick()
{
    column_binding_->fixed_scale_click();
}
void TForm_net::Memo_asse_y_max_scaleChange()
{
    column_binding_->max_change();
}
void TForm_net::Memo_asse_y_max_scaleEnter()
{
    column_binding_->max_enter();
}
void TForm_net::Memo_asse_y_max_scaleExit()
{
    column_binding_->max_exit();
}
void TForm_net::Memo_asse_y_max_scaleKeyPress(QChar& key)
{
    column_binding_->max_key_press(key);
}
void TForm_net::UpDown_asse_y_max_scaleChangingEx(UpDown::Direction direction)
{
    column_binding_->max_updown(direction);
}
void TForm_net::Memo_asse_y_min_scaleChange()
{
    column_binding_->min_change();
}
void TForm_net::Memo_asse_y_min_scaleEnter()
{
    column_binding_->min_enter();
}
void TForm_net::Memo_asse_y_min_scaleExit()
{
    column_binding_->min_exit();
}
void TForm_net::Memo_asse_y_min_scaleKeyPress(QChar& key)
{
    column_binding_->min_key_press(key);
}
void TForm_net::UpDown_asse_y_min_scaleChangingEx(UpDown::Direction direction)
{
    column_binding_->min_updown(direction);
}
void TForm_net::Timer_set_fix_scaleTimer()
{
    column_binding_->scale_tick();
}

// ---- Cursors and view commands ----------------------------------------------------------

void TForm_net::CheckBox_cursor_asseTClick()
{
    column_binding_->cursor_t_click();
}
void TForm_net::CheckBox_cursor_asseYClick()
{
    column_binding_->cursor_y_click();
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
