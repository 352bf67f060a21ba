#pragma once
// A control that shows a picture held in memory. Drawing goes into the picture through its
// canvas; the control shows the picture whenever the window system asks for it, so the
// program repaints only when its content changes.
//
// The picture may hold more pixels than the control has logical pixels: with a picture ratio
// of 2 it has two pixels per logical pixel each way and is shown pixel for pixel on a screen
// whose device pixel ratio is 2, so what is drawn into it is as sharp as the screen allows.

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
    // Resizes the picture to width x height logical pixels (times the picture ratio in
    // picture pixels), keeping what it holds at its top-left corner.
    void setPictureSize(int width, int height);
    // Picture pixels per logical pixel (1 unless set).
    qreal pictureRatio() const { return ratio_; }
    void setPictureRatio(qreal ratio) { ratio_ = ratio > 0 ? ratio : 1; }
    // The picture pixel under a point given in the control's logical coordinates.
    QPoint picturePoint(const QPointF& logical) const;

    std::function<void(QMouseEvent*)> onMouseDown;
    std::function<void(QMouseEvent*)> onMouseMove;
    std::function<void(QMouseEvent*)> onMouseUp;
    std::function<void()> onResize; // also when the screen's device pixel ratio changes
    std::function<void()> onLeave;  // the mouse pointer left the control

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QImage picture_;
    Canvas canvas_;
    qreal ratio_ = 1;
};
