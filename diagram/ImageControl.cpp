#include "ImageControl.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

ImageControl::ImageControl(QWidget* parent) : QWidget(parent), canvas_(&picture_)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void ImageControl::setPictureSize(int width, int height)
{
    width = std::max(int(std::lround(width * ratio_)), 0);
    height = std::max(int(std::lround(height * ratio_)), 0);
    if (picture_.width() == width && picture_.height() == height)
        return;
    canvas_.release();
    QImage resized(width, height, QImage::Format_RGB32);
    resized.fill(Qt::white);
    if (!picture_.isNull() && width > 0 && height > 0) {
        QPainter p(&resized);
        p.drawImage(0, 0, picture_);
    }
    picture_ = std::move(resized);
}

void ImageControl::paintEvent(QPaintEvent*)
{
    // The canvas may keep its painter open on the picture: the raster painter writes
    // straight into the picture's memory, so showing it needs no hand-over, and the next
    // drawing needs no new painter.
    QPainter p(this);
    // The picture's pixels go to the screen's pixels one for one when the screen's ratio
    // is the picture's.
    const QSizeF shown = QSizeF(picture_.size()) / ratio_;
    if (!picture_.isNull()) {
        if (ratio_ == 1)
            p.drawImage(0, 0, picture_);
        else
            p.drawImage(QRectF(QPointF(0, 0), shown), picture_);
    }
    // Whatever the picture does not cover shows the window's background.
    if (shown.width() < width())
        p.fillRect(QRectF(shown.width(), 0, width() - shown.width(), height()), palette().window());
    if (shown.height() < height())
        p.fillRect(QRectF(0, shown.height(), width(), height() - shown.height()),
                   palette().window());
}

QPoint ImageControl::picturePoint(const QPointF& logical) const
{
    if (ratio_ == 1)
        return logical.toPoint();
    return QPoint(int(std::floor(logical.x() * ratio_)), int(std::floor(logical.y() * ratio_)));
}

bool ImageControl::event(QEvent* event)
{
    // Moved to a screen with another device pixel ratio: the owner lays its picture out again.
    const bool ratioMayChange = event->type() == QEvent::ScreenChangeInternal
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
                                || event->type() == QEvent::DevicePixelRatioChange
#endif
        ;
    const bool handled = QWidget::event(event);
    if (ratioMayChange && onResize)
        onResize();
    return handled;
}

void ImageControl::resizeEvent(QResizeEvent*)
{
    if (onResize)
        onResize();
}

void ImageControl::mousePressEvent(QMouseEvent* event)
{
    if (onMouseDown)
        onMouseDown(event);
}

void ImageControl::mouseMoveEvent(QMouseEvent* event)
{
    if (onMouseMove)
        onMouseMove(event);
}

void ImageControl::mouseReleaseEvent(QMouseEvent* event)
{
    if (onMouseUp)
        onMouseUp(event);
}

void ImageControl::leaveEvent(QEvent*)
{
    if (onLeave)
        onLeave();
}
