#include "Command_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>

namespace {

constexpr int kSize = 24;

template <typename Draw>
QIcon drawn(Draw draw)
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    p.end();
    return QIcon(pixmap);
}

// A two-pin plug seen from the side (pins to the right), and its socket facing it.
void draw_plug(QPainter& p, qreal gap, const QColor& color)
{
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(color);
    const qreal mid = kSize / 2.0;
    // Plug body and cable.
    p.drawRoundedRect(QRectF(mid - 8 - gap / 2, 7, 6, 10), 1.5, 1.5);
    p.drawLine(QPointF(1, 12), QPointF(mid - 8 - gap / 2, 12));
    // Pins.
    p.setBrush(Qt::darkGray);
    p.drawRect(QRectF(mid - 2 - gap / 2, 8.5, 3, 2));
    p.drawRect(QRectF(mid - 2 - gap / 2, 13.5, 3, 2));
    // Socket and its cable.
    p.setBrush(color);
    p.drawRoundedRect(QRectF(mid + 1 + gap / 2, 7, 6, 10), 1.5, 1.5);
    p.drawLine(QPointF(mid + 7 + gap / 2, 12), QPointF(kSize - 1, 12));
}

void draw_page(QPainter& p, const QRectF& r)
{
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.setPen(QPen(QColor(0, 0, 160), 1));
    for (qreal y = r.top() + 3; y < r.bottom() - 2; y += 3)
        p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
}

} // namespace

QIcon command_icon(CommandIcon which, const QStyle* style)
{
    switch (which) {
    case CommandIcon::Connect:
        return drawn([](QPainter& p) { draw_plug(p, 0, QColor(0, 160, 0)); });
    case CommandIcon::Disconnect:
        return drawn([](QPainter& p) {
            draw_plug(p, 6, QColor(200, 200, 200));
            p.setPen(QPen(QColor(220, 0, 0), 2.5));
            p.drawLine(QPointF(8, 3), QPointF(16, 21));
        });
    case CommandIcon::SetConnection:
        // A network of three stations.
        return drawn([](QPainter& p) {
            p.setPen(QPen(Qt::black, 1.5));
            p.drawLine(QPointF(12, 6), QPointF(12, 12));
            p.drawLine(QPointF(5, 12), QPointF(19, 12));
            p.drawLine(QPointF(5, 12), QPointF(5, 16));
            p.drawLine(QPointF(19, 12), QPointF(19, 16));
            p.setPen(QPen(Qt::black, 1));
            p.setBrush(QColor(70, 130, 220));
            p.drawRect(QRectF(8, 1.5, 8, 6));
            p.drawRect(QRectF(1.5, 16, 7, 6));
            p.drawRect(QRectF(15.5, 16, 7, 6));
        });
    case CommandIcon::ForceStart:
        // A lightning bolt: start now, without waiting for the event.
        return drawn([](QPainter& p) {
            QPainterPath bolt;
            bolt.moveTo(14, 1);
            bolt.lineTo(5, 13);
            bolt.lineTo(11, 13);
            bolt.lineTo(8, 23);
            bolt.lineTo(19, 9);
            bolt.lineTo(13, 9);
            bolt.closeSubpath();
            p.setPen(QPen(QColor(0, 0, 128), 1));
            p.setBrush(QColor(255, 210, 0));
            p.drawPath(bolt);
        });
    case CommandIcon::Start:
        return drawn([](QPainter& p) {
            const QPointF play[] = {{6, 3}, {20, 12}, {6, 21}};
            p.setPen(QPen(QColor(0, 90, 0), 1));
            p.setBrush(QColor(0, 170, 0));
            p.drawPolygon(play, 3);
        });
    case CommandIcon::Stop:
        return drawn([](QPainter& p) {
            p.setPen(QPen(QColor(120, 0, 0), 1));
            p.setBrush(QColor(220, 0, 0));
            p.drawRect(QRectF(5, 5, 14, 14));
        });
    case CommandIcon::Clear:
        // A trace being wiped from a blank screen.
        return drawn([](QPainter& p) {
            p.setPen(QPen(Qt::black, 1));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(2.5, 3.5, 19, 15));
            p.setPen(QPen(QColor(0, 140, 0), 1.5));
            p.drawLine(QPointF(4, 14), QPointF(8, 8));
            p.drawLine(QPointF(8, 8), QPointF(11, 12));
            p.setPen(QPen(QColor(220, 0, 0), 2.5));
            p.drawLine(QPointF(13, 14), QPointF(21, 22));
            p.drawLine(QPointF(21, 14), QPointF(13, 22));
        });
    case CommandIcon::Refresh:
        return style->standardIcon(QStyle::SP_BrowserReload);
    case CommandIcon::Print:
        return drawn([](QPainter& p) {
            draw_page(p, QRectF(6.5, 1.5, 11, 9));
            p.setPen(QPen(Qt::black, 1));
            p.setBrush(QColor(150, 150, 150));
            p.drawRoundedRect(QRectF(1.5, 9.5, 21, 9), 2, 2);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(5.5, 15.5, 13, 7));
            p.setBrush(QColor(0, 200, 0));
            p.drawEllipse(QPointF(19, 12), 1.2, 1.2);
        });
    case CommandIcon::Preview:
        return drawn([](QPainter& p) {
            draw_page(p, QRectF(2.5, 1.5, 14, 19));
            p.setPen(QPen(Qt::black, 2));
            p.setBrush(QColor(200, 230, 255, 200));
            p.drawEllipse(QPointF(14, 13), 5, 5);
            p.setPen(QPen(QColor(90, 60, 20), 3));
            p.drawLine(QPointF(17.5, 16.5), QPointF(22, 21));
        });
    case CommandIcon::Save:
        return style->standardIcon(QStyle::SP_DialogSaveButton);
    case CommandIcon::Load:
        return style->standardIcon(QStyle::SP_DialogOpenButton);
    }
    return QIcon();
}
