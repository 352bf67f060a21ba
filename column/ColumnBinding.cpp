#include "ColumnBinding.h"

#include "Dato_short.h"
#include "Diagramx.h"
#include "Memo.h"
#include "Palette.h"
#include "SettingsColumn.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>

namespace {

constexpr Color kFieldText = clBlack;
constexpr Color kOffColor = clGray;

void set_memo_look(QLineEdit* memo, bool enabled)
{
    memo->setEnabled(enabled);
    QPalette p = memo->palette();
    p.setColor(QPalette::Text, enabled ? QColor(Qt::black) : QColor(0x80, 0x80, 0x80));
    memo->setPalette(p);
}

} // namespace

ColumnBinding::ColumnBinding(SettingsColumn& column, Diagramx* const& diagram, QTimer& timer,
                             ScaleValues values)
    : QObject(&column), c_(column), diagram_(diagram), timer_(timer), v_(values)
{
    // Check boxes report every change of their state, the window's own included.
    for (int n = 0; n < SettingsColumnControls::kColumnChannels; ++n)
        QObject::connect(c_.CheckBox_Dat_Mis_[n], &QCheckBox::toggled, this,
                         [this, n] { channel_click(n); });
    QObject::connect(c_.CheckBox_scala_asse_y, &QCheckBox::toggled, this,
                     [this] { fixed_scale_click(); });
    QObject::connect(c_.CheckBox_cursor_asseT, &QCheckBox::toggled, this,
                     [this] { cursor_t_click(); });
    QObject::connect(c_.CheckBox_cursor_asseY, &QCheckBox::toggled, this,
                     [this] { cursor_y_click(); });

    QObject::connect(c_.Memo_asse_y_max_scale, &QLineEdit::textChanged, this,
                     [this] { max_change(); });
    QObject::connect(c_.UpDown_asse_y_max_scale, &UpDown::changing, this,
                     [this](UpDown::Direction d) { max_updown(d); });
    bind_field_events(
        c_.Memo_asse_y_max_scale, [this] { max_enter(); }, [this] { max_exit(); },
        [this](QChar& key) { max_key_press(key); });
    QObject::connect(c_.Memo_asse_y_min_scale, &QLineEdit::textChanged, this,
                     [this] { min_change(); });
    QObject::connect(c_.UpDown_asse_y_min_scale, &UpDown::changing, this,
                     [this](UpDown::Direction d) { min_updown(d); });
    bind_field_events(
        c_.Memo_asse_y_min_scale, [this] { min_enter(); }, [this] { min_exit(); },
        [this](QChar& key) { min_key_press(key); });
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { scale_tick(); });
}

// ---- Channels and cursors -------------------------------------------------------------------

void ColumnBinding::channel_click(int channel)
{
    if (diagram_)
        diagram_->SetChannelVisible(std::uint8_t(channel),
                                    c_.CheckBox_Dat_Mis_[channel]->isChecked());
}

void ColumnBinding::cursor_t_click()
{
    const std::uint8_t on =
        show_toggle_state(c_.CheckBox_cursor_asseT, c_.Panel_cursor_asseT_on_off);
    if (diagram_) {
        diagram_->showTCursors = on;
        diagram_->Redraw();
    }
}

void ColumnBinding::cursor_y_click()
{
    const std::uint8_t on =
        show_toggle_state(c_.CheckBox_cursor_asseY, c_.Panel_cursor_asseY_on_off);
    if (diagram_) {
        diagram_->showYCursors = on;
        diagram_->Redraw();
    }
}

// ---- Fixed Y scale --------------------------------------------------------------------------

void ColumnBinding::fixed_scale_click()
{
    const std::uint8_t on =
        show_toggle_state(c_.CheckBox_scala_asse_y, c_.Panel_scala_asse_y_on_off);
    v_.flags = (v_.flags & ~1u) | on;
    update_fields();
    if (diagram_) {
        diagram_->view.fixedScale = on;
        diagram_->Redraw();
    }
}

void ColumnBinding::attach_fields()
{
    v_.fieldsReady = 0;
    v_.minField.attach(c_.Memo_asse_y_min_scale, c_.UpDown_asse_y_min_scale);
    v_.minField.show(c_.Memo_asse_y_min_scale);
    v_.maxField.attach(c_.Memo_asse_y_max_scale, c_.UpDown_asse_y_max_scale);
    v_.maxField.show(c_.Memo_asse_y_max_scale);
    v_.fieldsReady = 1;
}

void ColumnBinding::update_fields()
{
    const bool on = (v_.flags & 1u) != 0;
    set_memo_look(c_.Memo_asse_y_max_scale, on);
    c_.Panel_asse_y_max_scale->setCaptionColor(on ? kFieldText : kOffColor);
    c_.UpDown_asse_y_max_scale->setEnabled(on);
    set_memo_look(c_.Memo_asse_y_min_scale, on);
    c_.Panel_asse_y_min_scale->setCaptionColor(on ? kFieldText : kOffColor);
    c_.UpDown_asse_y_min_scale->setEnabled(on);
    if (!on)
        timer_.stop();
}

void ColumnBinding::apply()
{
    const std::uint8_t on = v_.flags & 1u;
    if (diagram_) {
        diagram_->view.fixedScale = on;
        diagram_->view.fixedYMax = v_.yMax;
        diagram_->view.fixedYMin = v_.yMin;
    }
    set_toggle_state(c_.CheckBox_scala_asse_y, c_.Panel_scala_asse_y_on_off, on);
}

void ColumnBinding::scale_tick()
{
    // However many edits came within one tick, the diagram is repainted once, and only
    // when a limit really changed.
    if (!diagram_ || (diagram_->view.fixedYMax == v_.yMax && diagram_->view.fixedYMin == v_.yMin)) {
        timer_.stop();
        return;
    }
    diagram_->view.fixedYMax = v_.yMax;
    diagram_->view.fixedYMin = v_.yMin;
    diagram_->Redraw();
}

// ---- The limit fields -----------------------------------------------------------------------

ColumnBinding::Limit ColumnBinding::max_limit() const
{
    return {v_.maxField, c_.Memo_asse_y_max_scale, c_.Panel_asse_y_max_scale};
}

ColumnBinding::Limit ColumnBinding::min_limit() const
{
    return {v_.minField, c_.Memo_asse_y_min_scale, c_.Panel_asse_y_min_scale};
}

void ColumnBinding::change(const Limit& l)
{
    if (!v_.fieldsReady)
        return;
    l.field.on_change(l.memo);
    timer_.start();
}

void ColumnBinding::enter(const Limit& l)
{
    if (v_.fieldsReady)
        l.field.on_enter(l.memo);
}

void ColumnBinding::leave(const Limit& l)
{
    if (!v_.fieldsReady)
        return;
    l.field.on_exit(l.memo);
    timer_.start();
}

void ColumnBinding::key_press(const Limit& l, QChar& key)
{
    if (!v_.fieldsReady)
        return;
    l.field.on_key_press(l.memo, l.panel->caption(), key);
    if (key == QChar('\r'))
        timer_.start();
}

void ColumnBinding::updown(const Limit& l, UpDown::Direction direction)
{
    if (!v_.fieldsReady)
        return;
    bool allow = true;
    l.field.on_updown(l.memo, direction, allow);
    timer_.start();
}

void ColumnBinding::max_change()
{
    change(max_limit());
}
void ColumnBinding::max_enter()
{
    enter(max_limit());
}
void ColumnBinding::max_exit()
{
    leave(max_limit());
}
void ColumnBinding::max_key_press(QChar& key)
{
    key_press(max_limit(), key);
}
void ColumnBinding::max_updown(UpDown::Direction direction)
{
    updown(max_limit(), direction);
}
void ColumnBinding::min_change()
{
    change(min_limit());
}
void ColumnBinding::min_enter()
{
    enter(min_limit());
}
void ColumnBinding::min_exit()
{
    leave(min_limit());
}
void ColumnBinding::min_key_press(QChar& key)
{
    key_press(min_limit(), key);
}
void ColumnBinding::min_updown(UpDown::Direction direction)
{
    updown(min_limit(), direction);
}
