#pragma once
// A captioned 3-D panel, and the "On"/"Off" indicator panel that goes beside an option
// check box.

#include "Palette.h"

#include <QFrame>
#include <QString>

#include <cstdint>

class QCheckBox;

// A panel with a 3-D border and a caption drawn inside it. Child controls are laid out by
// whoever builds the panel; the caption is drawn underneath them, so it is placed (by its
// alignment and the layout's margins) where no child covers it. Colours are 0xBBGGRR.
class Panel : public QFrame {
    Q_OBJECT
public:
    enum class Bevel { None, Raised, Lowered };

    explicit Panel(QWidget* parent = nullptr, const QString& caption = QString());

    QString caption() const { return caption_; }
    void setCaption(const QString& caption);
    Qt::Alignment alignment() const { return alignment_; }
    void setAlignment(Qt::Alignment alignment);
    // The caption's colour; disabling the panel does not change it.
    Color captionColor() const { return captionColor_; }
    void setCaptionColor(Color color);
    // A background colour of its own (otherwise the window's).
    void setColor(Color color);
    void setBevel(Bevel bevel);
    // Space kept free of the caption at the left and right (for child controls).
    void setCaptionMargins(int left, int right);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
    Qt::Alignment alignment_ = Qt::AlignCenter;
    Color captionColor_ = clBlack;
    int captionLeft_ = 0;
    int captionRight_ = 0;
};

// The "On" (red) / "Off" (grey) label beside an option check box: show_toggle_state shows
// the box's state and returns it (1 checked); set_toggle_state sets the box, then the label.
std::uint8_t show_toggle_state(QCheckBox* box, Panel* label);
void set_toggle_state(QCheckBox* box, Panel* label, std::uint8_t on);
