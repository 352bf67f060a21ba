#pragma once
// The settings column at the left of the main window and of the viewer: a row per channel
// (its quantity or stored name, its trace colour and whether it is shown), the fixed Y
// scale with its two limits, and the cursors on the two axes. The two windows differ in
// measures, caption looks and a few names; a ColumnStyle says how.

#include "Panel.h"
#include "UpDown.h"
#include "WindowLook.h"

#include <QFrame>

#include <cstdint>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QVBoxLayout;

// The column's controls. The windows hold the same pointers (they derive from this too), so
// their handlers and tests reach each control by its name.
struct SettingsColumnControls {
    static constexpr int kColumnChannels = 8;

    QGroupBox* channelsGroup = nullptr;
    // Per channel n: its row, what it shows (a choice of quantity in the main window, the
    // stored name in the viewer; the other stays null), the trace colour and the check box
    // on it.
    Panel* channelRow[kColumnChannels] = {};
    QComboBox* ComboBox_select_dat_mis[kColumnChannels] = {};
    Panel* Panel_dat_mis[kColumnChannels] = {};
    Panel* Panel_Dat_Mis_[kColumnChannels] = {};
    QCheckBox* CheckBox_Dat_Mis_[kColumnChannels] = {};

    QGroupBox* scaleGroup = nullptr;
    QCheckBox* CheckBox_scala_asse_y = nullptr;
    Panel* Panel_scala_asse_y_on_off = nullptr;
    Panel* Panel_asse_y_max_scale = nullptr;
    QLineEdit* Memo_asse_y_max_scale = nullptr;
    UpDown* UpDown_asse_y_max_scale = nullptr;
    Panel* Panel_asse_y_min_scale = nullptr;
    QLineEdit* Memo_asse_y_min_scale = nullptr;
    UpDown* UpDown_asse_y_min_scale = nullptr;

    QGroupBox* cursorsGroup = nullptr;
    QCheckBox* CheckBox_cursor_asseT = nullptr;
    Panel* Panel_cursor_asseT_on_off = nullptr;
    QCheckBox* CheckBox_cursor_asseY = nullptr;
    Panel* Panel_cursor_asseY_on_off = nullptr;
};

// What a channel row shows beside its number.
enum class ChannelLabel {
    Choice, // a drop-down list of the quantities ("Dat Mis 1" .. "Dat Mis 8")
    Name,   // the name stored with a diagram, on white
};

struct ColumnStyle {
    const char* name; // the column's object name
    int width;
    // Group captions: green, this size and weight; the colours are set for these states.
    int captionPixelSize;
    bool captionBold;
    ColourStates colourStates;
    const char* groupNames[3]; // channels, Y scale, cursors
    ChannelLabel label;
    const char* const* rowNames; // the eight rows' names; null: "Panel_row<n>"
    int rowHeight;
    Panel::Bevel swatchBevel;
    int swatchWidth;
    int swatchHeight; // 0: as the row lets it
    // The fixed-scale row is a bare panel of this name (null: an unnamed widget).
    const char* fixedRowName;
    QString fixedStateCaption; // the On/Off label before the first state is shown
    bool timeCursorFirst;      // the time axis's cursors above the Y axis's
};

// (Inside, a panel is ::Panel: QFrame has a frame shape of that name.)
class SettingsColumn : public QFrame, public SettingsColumnControls {
    Q_OBJECT
public:
    // `top` may put a window's own groups at the top of the column before the column's
    // own groups are made (so they also come first when Tab moves through the controls).
    SettingsColumn(QWidget* parent, const ColumnStyle& style,
                   const std::function<void(SettingsColumn&)>& top = {});

    // A group box with the column's caption look, for a window's own group.
    QGroupBox* group(const char* name, const QString& caption);
    // Adds a group below those already in the column.
    void addGroup(QGroupBox* group);

    // Shows each channel's trace colour (0xBBGGRR) on its row, under its check box too.
    void show_channel_colours(const std::uint32_t* colours);

private:
    void build_channels();
    ::Panel* build_channel_row(int n);
    void build_scale();
    ::Panel* build_limit(const char* panelName, const QString& caption, const char* memoName,
                         const char* upDownName, QLineEdit*& memo, UpDown*& upDown);
    void build_cursors();
    void build_cursor_row(QVBoxLayout* cursors, const char* checkName, const QString& caption,
                          const char* labelName, QCheckBox*& check, ::Panel*& label);

    const ColumnStyle style_;
    QVBoxLayout* column_ = nullptr;
};
