#include "SettingsColumn.h"

#include "Palette.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

constexpr Color kNameBackground = clWhite;
constexpr Color kNameText = clBlack;
constexpr int kStateLabelWidth = 36;
constexpr int kStateLabelHeight = 18;
constexpr int kLimitHeight = 28;
constexpr int kLimitCaptionWidth = 72; // the field starts right of the caption

// An "On"/"Off" label beside a check box.
Panel* state_label(QWidget* parent, const char* name, const QString& caption)
{
    Panel* label = named_panel(parent, QLatin1String(name), caption);
    label->setBevel(Panel::Bevel::Lowered);
    label->setFixedSize(kStateLabelWidth, kStateLabelHeight);
    return label;
}

} // namespace

SettingsColumn::SettingsColumn(QWidget* parent, const ColumnStyle& style,
                               const std::function<void(SettingsColumn&)>& top)
    : QFrame(parent), style_(style)
{
    setObjectName(QLatin1String(style_.name));
    setFixedWidth(style_.width);
    column_ = column_layout(this, 2, 3);
    if (top)
        top(*this);
    build_channels();
    build_scale();
    build_cursors();
    column_->addStretch(1);
}

QGroupBox* SettingsColumn::group(const char* name, const QString& caption)
{
    return caption_group(this, name, caption, style_.captionPixelSize, style_.captionBold,
                         to_qcolor(clGreen), style_.colourStates);
}

void SettingsColumn::addGroup(QGroupBox* group)
{
    column_->addWidget(group);
}

// ---- Channels: one row per channel, with what it shows and its trace colour ---------------

void SettingsColumn::build_channels()
{
    channelsGroup = group(style_.groupNames[0], QStringLiteral("Canali"));
    auto* channels = column_layout(channelsGroup, 4, 1);
    for (int n = 0; n < kColumnChannels; ++n)
        channels->addWidget(build_channel_row(n));
    addGroup(channelsGroup);
}

::Panel* SettingsColumn::build_channel_row(int n)
{
    const QString rowName =
        style_.rowNames ? QLatin1String(style_.rowNames[n]) : QStringLiteral("Panel_row%1").arg(n);
    ::Panel* row = channelRow[n] = named_panel(channelsGroup, rowName, QString::number(n + 1));
    keep_window_look(row, style_.colourStates);
    row->setFont(bold(window_font()));
    row->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    row->setFixedHeight(style_.rowHeight);
    auto* rowLayout = row_layout(row, 16, 2, 2, 2);

    if (style_.label == ChannelLabel::Choice) {
        auto* combo = ComboBox_select_dat_mis[n] = new QComboBox(row);
        combo->setObjectName(QStringLiteral("ComboBox_select_dat_mis%1").arg(n));
        combo->setFont(window_font());
        for (int i = 1; i <= kColumnChannels; ++i)
            combo->addItem(QStringLiteral("Dat Mis %1").arg(i));
        rowLayout->addWidget(combo, 1);
    } else {
        ::Panel* name = Panel_dat_mis[n] =
            named_panel(row, QStringLiteral("Panel_dat_mis%1").arg(n));
        name->setBevel(::Panel::Bevel::Lowered);
        name->setColor(kNameBackground);
        QFont nameFont(QStringLiteral("Arial"));
        nameFont.setPixelSize(11);
        name->setFont(nameFont);
        name->setCaptionColor(kNameText);
        name->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        rowLayout->addWidget(name, 1);
    }

    ::Panel* swatch = Panel_Dat_Mis_[n] =
        named_panel(row, QStringLiteral("Panel_Dat_Mis_%1").arg(n));
    swatch->setBevel(style_.swatchBevel);
    if (style_.swatchHeight > 0)
        swatch->setFixedSize(style_.swatchWidth, style_.swatchHeight);
    else
        swatch->setFixedWidth(style_.swatchWidth);
    auto* swatchLayout = row_layout(swatch, 1, 1, 1, 1);
    auto* check = CheckBox_Dat_Mis_[n] = new QCheckBox(swatch);
    check->setObjectName(QStringLiteral("CheckBox_Dat_Mis_%1").arg(n));
    check->setChecked(true);
    check->setFocusPolicy(Qt::TabFocus);
    swatchLayout->addWidget(check, 0, Qt::AlignCenter);
    rowLayout->addWidget(swatch);
    return row;
}

void SettingsColumn::show_channel_colours(const std::uint32_t* colours)
{
    for (int n = 0; n < kColumnChannels; ++n) {
        Panel_Dat_Mis_[n]->setColor(colours[n]);
        // The check box sits on the colour, not on a patch of the window's.
        QPalette p = CheckBox_Dat_Mis_[n]->palette();
        p.setColor(QPalette::Window, to_qcolor(colours[n]));
        CheckBox_Dat_Mis_[n]->setPalette(p);
        CheckBox_Dat_Mis_[n]->setAutoFillBackground(true);
    }
}

// ---- Y scale: fixed scale on/off and its limits ---------------------------------------------

void SettingsColumn::build_scale()
{
    scaleGroup = group(style_.groupNames[1], QStringLiteral("Scala Asse y "));
    auto* scale = column_layout(scaleGroup, 4, 3);
    QWidget* fixedRow;
    if (style_.fixedRowName) {
        ::Panel* p = named_panel(scaleGroup, QLatin1String(style_.fixedRowName));
        keep_window_look(p, style_.colourStates);
        p->setBevel(::Panel::Bevel::None);
        fixedRow = p;
    } else {
        fixedRow = new QWidget(scaleGroup);
        keep_window_look(fixedRow, style_.colourStates);
    }
    auto* fixed = row_layout(fixedRow, 2, 0, 2, 0);
    CheckBox_scala_asse_y = new QCheckBox(QStringLiteral("Scala Fissa"), fixedRow);
    CheckBox_scala_asse_y->setObjectName(QStringLiteral("CheckBox_scala_asse_y"));
    fixed->addWidget(CheckBox_scala_asse_y, 1);
    Panel_scala_asse_y_on_off =
        state_label(fixedRow, "Panel_scala_asse_y_on_off", style_.fixedStateCaption);
    fixed->addWidget(Panel_scala_asse_y_on_off);
    scale->addWidget(fixedRow);

    scale->addWidget(Panel_asse_y_max_scale =
                         build_limit("Panel_asse_y_max_scale", QStringLiteral("MAX Asse Y"),
                                     "Memo_asse_y_max_scale", "UpDown_asse_y_max_scale",
                                     Memo_asse_y_max_scale, UpDown_asse_y_max_scale));
    scale->addWidget(Panel_asse_y_min_scale =
                         build_limit("Panel_asse_y_min_scale", QStringLiteral("MIN Asse Y"),
                                     "Memo_asse_y_min_scale", "UpDown_asse_y_min_scale",
                                     Memo_asse_y_min_scale, UpDown_asse_y_min_scale));
    addGroup(scaleGroup);
}

::Panel* SettingsColumn::build_limit(const char* panelName, const QString& caption,
                                     const char* memoName, const char* upDownName, QLineEdit*& memo,
                                     UpDown*& upDown)
{
    ::Panel* p = named_panel(scaleGroup, QLatin1String(panelName), caption);
    keep_window_look(p, style_.colourStates);
    p->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    p->setFixedHeight(kLimitHeight);
    auto* row = row_layout(p, kLimitCaptionWidth, 3, 3, 3);
    row->setSpacing(0);
    memo = new QLineEdit(QStringLiteral("0"), p);
    memo->setObjectName(QLatin1String(memoName));
    memo->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(memo, 1);
    upDown = new UpDown(p);
    upDown->setObjectName(QLatin1String(upDownName));
    row->addWidget(upDown);
    return p;
}

// ---- Cursors on the time and Y axes ---------------------------------------------------------

void SettingsColumn::build_cursors()
{
    cursorsGroup = group(style_.groupNames[2], QStringLiteral("Cursori"));
    auto* cursors = column_layout(cursorsGroup, 4, 3);
    auto timeRow = [&] {
        build_cursor_row(cursors, "CheckBox_cursor_asseT", QStringLiteral("Cursori Asse T"),
                         "Panel_cursor_asseT_on_off", CheckBox_cursor_asseT,
                         Panel_cursor_asseT_on_off);
    };
    auto yRow = [&] {
        build_cursor_row(cursors, "CheckBox_cursor_asseY", QStringLiteral("Cursori Asse Y"),
                         "Panel_cursor_asseY_on_off", CheckBox_cursor_asseY,
                         Panel_cursor_asseY_on_off);
    };
    if (style_.timeCursorFirst) {
        timeRow();
        yRow();
    } else {
        yRow();
        timeRow();
    }
    addGroup(cursorsGroup);
}

void SettingsColumn::build_cursor_row(QVBoxLayout* cursors, const char* checkName,
                                      const QString& caption, const char* labelName,
                                      QCheckBox*& check, ::Panel*& label)
{
    auto* row = new QWidget(cursorsGroup);
    keep_window_look(row, style_.colourStates);
    auto* layout = row_layout(row, 2, 0, 2, 0);
    check = new QCheckBox(caption, row);
    check->setObjectName(QLatin1String(checkName));
    layout->addWidget(check, 1);
    label = state_label(row, labelName, QStringLiteral("Off"));
    layout->addWidget(label);
    cursors->addWidget(row);
}
