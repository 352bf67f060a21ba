#pragma once
// A control that shows a picture held in memory. Drawing goes into the picture through its
// canvas; the control shows the picture whenever the window system asks for it, so the
// program repaints only when its content changes.

#include "Canvas.h"

#include <QImage>
#include <QWidget>

#include <functional>

class ImageControl : public QWidget {
    Q_OBJECT
public:
    explicit ImageControl(QWidget* parent = nullptr);

    QImage& picture() { return picture_; }
    Canvas& canvas() { return canvas_; }
    bool hasPicture() const { return !picture_.isNull(); }
    // Resizes the picture, keeping what it holds at its top-left corner.
    void setPictureSize(int width, int height);

    std::function<void(QMouseEvent*)> onMouseDown;
    std::function<void(QMouseEvent*)> onMouseMove;
    std::function<void(QMouseEvent*)> onMouseUp;
    std::function<void()> onResize;
    std::function<void()> onLeave; // the mouse pointer left the control

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QImage picture_;
    Canvas canvas_;
};
