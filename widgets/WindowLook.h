#pragma once
// The look and the layout helpers the program's main window and viewer are built with: the
// window font, captioned group boxes, named panels and box layouts with fixed margins.

#include <QFont>
#include <QPalette>
#include <QString>

class Panel;
class QColor;
class QGroupBox;
class QHBoxLayout;
class QVBoxLayout;
class QWidget;

// Tahoma at 11 pixels, regular (set explicitly, so controls inside a bold captioned panel
// stay regular).
QFont window_font();
QFont bold(QFont font);

// Which states of a control a colour is set for: only enabled (a disabled control keeps the
// style's greyed text), or every state.
enum class ColourStates { Enabled, Every };

void set_text_color(QWidget* w, QPalette::ColorRole role, const QColor& color,
                    ColourStates states = ColourStates::Enabled);

// Gives a control the window's font and text colour back (inside a group box or a
// captioned panel that uses its own).
void keep_window_look(QWidget* w, ColourStates states = ColourStates::Enabled);

// A group box whose caption has its own size, weight and colour.
QGroupBox* caption_group(QWidget* parent, const char* name, const QString& caption, int pixelSize,
                         bool boldCaption, const QColor& color, ColourStates states);

// A panel with an object name and a caption.
Panel* named_panel(QWidget* parent, const QString& name, const QString& caption = QString());

// A row (columns) layout over the whole of `w`, with these margins and 2 pixels between
// controls.
QHBoxLayout* row_layout(QWidget* w, int left, int top, int right, int bottom);
QVBoxLayout* column_layout(QWidget* w, int margin, int spacing);
