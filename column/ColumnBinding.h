#pragma once
// Binds a settings column to a window's diagram: the channels shown, the fixed Y scale and
// its two limit fields, and the cursors. The main window binds it to the live diagram and
// the settings record, the viewer to its own diagram and the values of the loaded file.

#include "UpDown.h"

#include <QChar>
#include <QObject>

#include <cstdint>

class Dato_short;
class Diagramx;
class Panel;
class QLineEdit;
class QTimer;
class SettingsColumn;
struct SettingsColumnControls;

// The values the Y-scale controls edit.
struct ScaleValues {
    std::uint32_t& flags; // bit 0: fixed Y scale on
    std::int16_t& yMax;
    std::int16_t& yMin;
    Dato_short& maxField; // bound to yMax
    Dato_short& minField; // bound to yMin
    // 0 while the two fields are being set up: their handlers then take no input.
    std::uint8_t& fieldsReady;
};

// Owned by the column it binds and made after its controls, so it outlives every control
// that calls it, however the window is taken down.
class ColumnBinding : public QObject {
public:
    // `diagram` is read at each use (it may be replaced or gone); `timer` carries new
    // limits into the diagram, once per tick however many edits came.
    ColumnBinding(SettingsColumn& column, Diagramx* const& diagram, QTimer& timer,
                  ScaleValues values);

    // A channel's check box: shows or hides its trace.
    void channel_click(int channel);
    // The cursor check boxes: their On/Off labels and the diagram's cursors.
    void cursor_t_click();
    void cursor_y_click();

    // The fixed-scale check box: the flag, the fields' look and the diagram.
    void fixed_scale_click();
    // The limit fields' events.
    void max_change();
    void max_enter();
    void max_exit();
    void max_key_press(QChar& key);
    void max_updown(UpDown::Direction direction);
    void min_change();
    void min_enter();
    void min_exit();
    void min_key_press(QChar& key);
    void min_updown(UpDown::Direction direction);
    // The timer's tick: the diagram takes the limits, repainted only when they changed.
    void scale_tick();

    // Binds the two fields to their values and shows them.
    void attach_fields();
    // The fields usable (grey and disabled otherwise) as the flag says.
    void update_fields();
    // The diagram and the check box take the flag and the limits.
    void apply();

private:
    // One limit: its field, memo and captioned panel.
    struct Limit {
        Dato_short& field;
        QLineEdit* memo;
        Panel* panel;
    };
    Limit max_limit() const;
    Limit min_limit() const;
    void change(const Limit& l);
    void enter(const Limit& l);
    void leave(const Limit& l);
    void key_press(const Limit& l, QChar& key);
    void updown(const Limit& l, UpDown::Direction direction);

    const SettingsColumnControls& c_;
    Diagramx* const& diagram_;
    QTimer& timer_;
    ScaleValues v_;
};
