#include "Controls.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QPainter>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

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
