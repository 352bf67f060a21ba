#include "UpDown.h"

#include <QToolButton>
#include <QVBoxLayout>

UpDown::UpDown(QWidget* parent)
    : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton* b : {up_, down_}) {
        b->setArrowType(b == up_ ? Qt::UpArrow : Qt::DownArrow);
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        b->setFixedWidth(16);
        b->setIconSize(QSize(7, 7));
        layout->addWidget(b);
    }
    up_->setObjectName(QStringLiteral("up"));
    down_->setObjectName(QStringLiteral("down"));
    connect(up_, &QToolButton::clicked, this, [this] { emit changing(Direction::Up); });
    connect(down_, &QToolButton::clicked, this, [this] { emit changing(Direction::Down); });
    setFixedWidth(16);
}
