#include "ImageControl.h"

#include <QMouseEvent>
#include <QPainter>

ImageControl::ImageControl(QWidget* parent) : QWidget(parent), canvas_(&picture_)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void ImageControl::setPictureSize(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
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
    if (!picture_.isNull())
        p.drawImage(0, 0, picture_);
    // Whatever the picture does not cover shows the window's background.
    if (picture_.width() < width())
        p.fillRect(QRect(picture_.width(), 0, width() - picture_.width(), height()),
                   palette().window());
    if (picture_.height() < height())
        p.fillRect(QRect(0, picture_.height(), width(), height() - picture_.height()),
                   palette().window());
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
