#include "Command_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>

namespace {

constexpr int kSize = 24;

// The pictures are drawn in a 24 x 24 frame. Each is drawn once per device pixel ratio a
// screen is likely to have, so that a 2x screen gets a picture drawn at 48 x 48 device
// pixels rather than a 24-pixel one scaled up (and blurred).
template <typename Draw>
QIcon drawn(Draw draw)
{
    QIcon icon;
    for (const qreal ratio : {1.0, 1.5, 2.0, 3.0}) {
        const int side = qRound(kSize * ratio);
        QPixmap pixmap(side, side);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
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

QIcon command_icon(CommandIcon which, const QStyle* /*style*/)
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
        // A circular arrow: back to the newest samples.
        return drawn([](QPainter& p) {
            p.setPen(QPen(QColor(0, 100, 180), 3, Qt::SolidLine, Qt::FlatCap));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(4.5, 4.5, 15, 15), 100 * 16, 290 * 16);
            const QPointF head[] = {{12.5, 0.5}, {18, 4.8}, {12.5, 9.5}};
            p.setPen(QPen(QColor(0, 100, 180), 1));
            p.setBrush(QColor(0, 100, 180));
            p.drawPolygon(head, 3);
        });
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
        // A diskette.
        return drawn([](QPainter& p) {
            p.setPen(QPen(Qt::black, 1));
            p.setBrush(QColor(40, 70, 150));
            QPainterPath body;
            body.moveTo(2.5, 2.5);
            body.lineTo(18.5, 2.5);
            body.lineTo(21.5, 5.5);
            body.lineTo(21.5, 21.5);
            body.lineTo(2.5, 21.5);
            body.closeSubpath();
            p.drawPath(body);
            p.setBrush(QColor(200, 200, 200));
            p.drawRect(QRectF(6.5, 2.5, 10, 6));
            p.setBrush(QColor(40, 70, 150));
            p.drawRect(QRectF(13.5, 3.5, 2, 4));
            draw_page(p, QRectF(5.5, 12.5, 13, 9));
        });
    case CommandIcon::Load:
        // An open folder.
        return drawn([](QPainter& p) {
            p.setPen(QPen(QColor(120, 80, 0), 1));
            p.setBrush(QColor(230, 180, 60));
            QPainterPath back;
            back.moveTo(1.5, 19.5);
            back.lineTo(1.5, 4.5);
            back.lineTo(8.5, 4.5);
            back.lineTo(10.5, 6.5);
            back.lineTo(19.5, 6.5);
            back.lineTo(19.5, 19.5);
            back.closeSubpath();
            p.drawPath(back);
            draw_page(p, QRectF(5.5, 2.5, 12, 12));
            p.setPen(QPen(QColor(120, 80, 0), 1));
            p.setBrush(QColor(250, 210, 90));
            const QPointF front[] = {{1.5, 19.5}, {5.5, 10.5}, {22.5, 10.5}, {19.5, 19.5}};
            p.drawPolygon(front, 4);
        });
    }
    return QIcon();
}
