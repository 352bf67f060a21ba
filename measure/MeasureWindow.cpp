#include "MeasureWindow.h"

#include "Color.h"
#include "Diagramx.h"
#include "ImageControl.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// A small square of the channel's colour, outlined black, as the legend shows it.
QIcon colour_swatch(Color colour)
{
    QPixmap pixmap(12, 12);
    pixmap.fill(to_qcolor(colour));
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, 11, 11);
    return QIcon(pixmap);
}

} // namespace

MeasureWindow::MeasureWindow(QWidget* owner, Diagramx* diagram,
                             std::function<QString(int)> channelName)
    : QWidget(owner, Qt::Tool), diagram_(diagram), channelName_(std::move(channelName))
{
    setObjectName(QStringLiteral("Form_misure"));
    setWindowTitle(QStringLiteral("Misure"));

    rangeLabel = new QLabel(this);
    rangeLabel->setObjectName(QStringLiteral("Label_intervallo"));

    table = new QTableWidget(0, MeasureColumnCount, this);
    table->setObjectName(QStringLiteral("Grid_misure"));
    table->setHorizontalHeaderLabels(measure_headings());
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    // Ctrl+C copies the whole table, not a cell: the table does not take the keys.
    table->setFocusPolicy(Qt::NoFocus);
    // The figures' columns share the width equally, so that they keep still while the
    // figures change; the names take what they need.
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->horizontalHeader()->setSectionResizeMode(ColumnName, QHeaderView::ResizeToContents);
    table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);

    copyButton = new QPushButton(QStringLiteral("Copia"), this);
    copyButton->setObjectName(QStringLiteral("Button_copia"));
    closeButton = new QPushButton(QStringLiteral("Chiudi"), this);
    closeButton->setObjectName(QStringLiteral("Button_chiudi"));
    connect(copyButton, &QPushButton::clicked, this, &MeasureWindow::copyTable);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);

    auto* copy = new QAction(this);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WindowShortcut);
    connect(copy, &QAction::triggered, this, &MeasureWindow::copyTable);
    addAction(copy);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(copyButton);
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rangeLabel);
    layout->addWidget(table, 1);
    layout->addLayout(buttons);
    resize(700, 8 * (fontMetrics().height() + 6) + 110);

    if (diagram_) {
        picture_ = diagram_->plotImage.data();
        // A diagram whose picture is gone is being destroyed: let go of it.
        if (picture_)
            connect(picture_, &QObject::destroyed, this, [this] { diagram_ = nullptr; });
        else
            diagram_ = nullptr;
    }
    if (diagram_)
        diagram_->screenChanged = [this] {
            if (isVisible())
                refresh();
        };
}

MeasureWindow::~MeasureWindow()
{
    detach();
}

void MeasureWindow::detach()
{
    if (diagram_ && picture_)
        diagram_->screenChanged = nullptr;
    diagram_ = nullptr;
}

void MeasureWindow::open()
{
    show();
    raise();
    activateWindow();
}

void MeasureWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refresh();
}

void MeasureWindow::refresh()
{
    if (diagram_ && picture_) {
        rows_ = measure_rows(*diagram_, channelName_);
        rangeLabel->setText(measure_range_caption(measured_time_range(*diagram_)));
    } else {
        rows_.clear();
        rangeLabel->clear();
    }
    showRows();
}

// Sets the cells' texts in place: while an acquisition runs this happens at the display
// rate, and the rows change only when a channel is shown or hidden.
void MeasureWindow::showRows()
{
    const int count = int(rows_.size());
    if (table->rowCount() != count)
        table->setRowCount(count);
    for (int r = 0; r < count; ++r) {
        const MeasureRow& row = rows_[std::size_t(r)];
        for (int c = 0; c < MeasureColumnCount; ++c) {
            QTableWidgetItem* item = table->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                if (c != ColumnName)
                    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                table->setItem(r, c, item);
            }
            if (item->text() != row.cells[c])
                item->setText(row.cells[c]);
        }
        QTableWidgetItem* name = table->item(r, ColumnName);
        const QVariant colour = QVariant::fromValue(row.colour);
        if (name->data(Qt::UserRole) != colour) {
            name->setData(Qt::UserRole, colour);
            name->setIcon(colour_swatch(row.colour));
        }
    }
}

void MeasureWindow::copyTable()
{
    QApplication::clipboard()->setText(tableText());
}

QAction* add_measure_menu_item(QMenu* menu, QWidget* owner,
                               const std::function<Diagramx*()>& diagram,
                               const std::function<QString(int)>& channelName)
{
    QAction* action = menu->addAction(QStringLiteral("Misure"));
    action->setObjectName(QStringLiteral("Menu_Misure"));
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    QObject::connect(action, &QAction::triggered, owner,
                     [owner, diagram, channelName, window = QPointer<MeasureWindow>(),
                      shown = static_cast<Diagramx*>(nullptr)]() mutable {
                         Diagramx* now = diagram();
                         if (window && (shown != now || !window->follows())) {
                             delete window.data();
                         }
                         if (!window) {
                             window = new MeasureWindow(owner, now, channelName);
                             shown = now;
                         }
                         window->open();
                     });
    return action;
}
