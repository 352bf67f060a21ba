#include "StatusBarPanels.h"

#include <QPainter>
#include <qdrawutil.h>

namespace {
constexpr int kPanelGap = 2;  // between two panels
constexpr int kBarMargin = 1; // above and below the panels
} // namespace

StatusBarPanels::StatusBarPanels(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void StatusBarPanels::setPanels(std::vector<PanelInfo> panels)
{
    panels_ = std::move(panels);
    updateGeometry();
    update();
}

void StatusBarPanels::setPanelText(int index, const QString& text)
{
    if (index < 0 || index >= panelCount())
        return;
    panels_[std::size_t(index)].text = text;
    update(frameRect(index));
}

QRect StatusBarPanels::frameRect(int index) const
{
    int x = 0;
    for (int i = 0; i < index; ++i)
        x += panels_[std::size_t(i)].width + kPanelGap;
    return QRect(x, kBarMargin, panels_.at(std::size_t(index)).width,
                 std::max(height() - 2 * kBarMargin, 2));
}

QRect StatusBarPanels::panelRect(int index) const
{
    return frameRect(index).adjusted(1, 1, -1, -1);
}

Color StatusBarPanels::backgroundColor() const
{
    return from_qcolor(palette().color(QPalette::Window));
}

QSize StatusBarPanels::sizeHint() const
{
    int w = 0;
    for (const PanelInfo& p : panels_)
        w += p.width + kPanelGap;
    return QSize(w, fontMetrics().height() + 2 * kBarMargin + 6);
}

QSize StatusBarPanels::minimumSizeHint() const
{
    return QSize(0, sizeHint().height());
}

void StatusBarPanels::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    for (int i = 0; i < panelCount(); ++i) {
        const QRect frame = frameRect(i);
        if (frame.left() >= width())
            break;
        qDrawShadePanel(&painter, frame, palette(), true, 1);
        const QRect inner = panelRect(i);
        const PanelInfo& info = panels_[std::size_t(i)];
        if (info.ownerDrawn) {
            if (!onDrawPanel)
                continue;
            painter.save();
            painter.setClipRect(inner);
            {
                Canvas canvas(&painter, inner);
                canvas.brushColor = backgroundColor();
                onDrawPanel(canvas, i, inner);
            }
            painter.restore();
        } else if (!info.text.isEmpty()) {
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(inner.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter,
                             info.text);
        }
    }
}
