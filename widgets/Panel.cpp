#include "Panel.h"

#include "Palette.h"

#include <QCheckBox>
#include <QColor>
#include <QPainter>

namespace {

constexpr Color kOnColor = clRed;
constexpr Color kOffColor = clGray;

} // namespace

Panel::Panel(QWidget* parent, const QString& caption) : QFrame(parent), caption_(caption)
{
    setBevel(Bevel::Raised);
}

void Panel::setCaption(const QString& caption)
{
    if (caption_ == caption)
        return;
    caption_ = caption;
    update();
}

void Panel::setAlignment(Qt::Alignment alignment)
{
    alignment_ = alignment;
    update();
}

void Panel::setCaptionColor(Color color)
{
    captionColor_ = color;
    update();
}

void Panel::setColor(Color color)
{
    QPalette p = palette();
    p.setColor(QPalette::Window, to_qcolor(color));
    setPalette(p);
    setAutoFillBackground(true);
}

void Panel::setBevel(Bevel bevel)
{
    switch (bevel) {
    case Bevel::None:
        setFrameStyle(QFrame::NoFrame);
        break;
    case Bevel::Raised:
        setFrameStyle(QFrame::Panel | QFrame::Raised);
        break;
    case Bevel::Lowered:
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        break;
    }
    setLineWidth(1);
}

void Panel::setCaptionMargins(int left, int right)
{
    captionLeft_ = left;
    captionRight_ = right;
    update();
}

void Panel::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    if (caption_.isEmpty())
        return;
    QPainter p(this);
    p.setFont(font());
    p.setPen(to_qcolor(captionColor_));
    const QRect r = contentsRect().adjusted(captionLeft_ + 2, 0, -(captionRight_ + 2), 0);
    p.drawText(r, int(alignment_) | Qt::TextSingleLine, caption_);
}

std::uint8_t show_toggle_state(QCheckBox* box, Panel* label)
{
    const bool on = box->isChecked();
    label->setCaptionColor(on ? kOnColor : kOffColor);
    label->setCaption(on ? QStringLiteral("On") : QStringLiteral("Off"));
    return on ? 1 : 0;
}

void set_toggle_state(QCheckBox* box, Panel* label, std::uint8_t on)
{
    box->setChecked(on != 0);
    show_toggle_state(box, label);
}
