#include "Controls.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QPainter>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

// ---- Panel --------------------------------------------------------------------------------

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
    case Bevel::None: setFrameStyle(QFrame::NoFrame); break;
    case Bevel::Raised: setFrameStyle(QFrame::Panel | QFrame::Raised); break;
    case Bevel::Lowered: setFrameStyle(QFrame::Panel | QFrame::Sunken); break;
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

// ---- RadioGroup ---------------------------------------------------------------------------

RadioGroup::RadioGroup(QWidget* parent) : QGroupBox(parent), group_(new QButtonGroup(this))
{
    group_->setExclusive(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(2);
    connect(group_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            emit itemIndexChanged(id);
    });
}

void RadioGroup::setItems(const QStringList& items)
{
    for (QAbstractButton* b : group_->buttons()) {
        group_->removeButton(b);
        delete b;
    }
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        group_->addButton(button, i);
        layout()->addWidget(button);
    }
}

int RadioGroup::count() const
{
    return int(group_->buttons().size());
}

QString RadioGroup::itemText(int index) const
{
    QAbstractButton* b = group_->button(index);
    return b ? b->text() : QString();
}

int RadioGroup::itemIndex() const
{
    return group_->checkedId();
}

void RadioGroup::setItemIndex(int index)
{
    QAbstractButton* b = group_->button(index);
    if (b) {
        b->setChecked(true);
        return;
    }
    // No valid item: clear the selection (an exclusive group will not uncheck by itself).
    if (QAbstractButton* checked = group_->checkedButton()) {
        group_->setExclusive(false);
        checked->setChecked(false);
        group_->setExclusive(true);
    }
}

// ---- EventHook ----------------------------------------------------------------------------

EventHook::EventHook(QObject* target, Handler handler)
    : QObject(target), target_(target), handler_(std::move(handler))
{
    target->installEventFilter(this);
}

bool EventHook::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == target_ && handler_)
        return handler_(event);
    return false;
}
