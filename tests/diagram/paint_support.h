#pragma once
// Helpers for diagram tests: a diagram on a host, off-screen drawing targets, mouse events
// and pixel comparisons.

#include "Diagramx.h"
#include "ImageControl.h"
#include "pixel_support.h"

#include <QApplication>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

// An off-screen image with its own canvas and drawing area: a stand-in for a printer page
// (any pixels per inch) or a plain off-screen picture.
struct PaintTarget {
    QImage image;
    Canvas canvas;
    DrawArea area;
    PaintTarget(int w, int h, int ppi = kScreenPixelsPerInch)
        : image(w, h, QImage::Format_RGB32), canvas(&image)
    {
        image.fill(Qt::white);
        canvas.font.pixelsPerInch = ppi;
        area.canvas = &canvas;
        area.width = w;
        area.height = h;
    }
    const QImage& picture()
    {
        canvas.release();
        return image;
    }
    Color px(int x, int y) { return from_qcolor(picture().pixelColor(x, y)); }
};

inline MouseData mouse_at(QPoint p, Qt::MouseButtons held = Qt::NoButton,
                          MouseButton button = MouseButton::Left)
{
    return {button, {}, held, p.x(), p.y()};
}

// Pixel of a time and of a value in a painted view, rounded the way the traces round.
struct Scale {
    ViewState v;
    int x(double t) const
    {
        return v.plotLeft + int((t - v.tMin) * v.plotWidth / (v.tMax - v.tMin) + 0.5);
    }
    int y(double value) const
    {
        return v.plotBottom - int((value - v.yMin) * v.plotHeight / (v.yMax - v.yMin) + 0.5);
    }
};

// A zoom window over samples first .. first + length with the given value range.
inline ViewState zoomed(ViewState v, std::uint32_t first, std::uint32_t length, double yMin,
                        double yMax)
{
    v.followLatest = 0;
    v.viewOffset = first;
    v.viewLength = length;
    v.tTrimStart = v.tTrimEnd = 0;
    v.zoomYMin = yMin;
    v.zoomYMax = yMax;
    return v;
}

struct DiagramHost {
    std::unique_ptr<QWidget> host = std::make_unique<QWidget>(); // outlives the diagram
    std::unique_ptr<Diagramx> d;
    explicit DiagramHost(int width = 600, int height = 400, std::uint32_t window = 5000,
                         std::uint32_t capacity = 20001)
    {
        host->resize(width, height);
        d = std::make_unique<Diagramx>(host.get(), 8, window, capacity);
    }
    // Appends n samples at the live period; f(channel, index, t) gives the values.
    void append(int n, const std::function<double(int, int, double)>& f)
    {
        double values[8];
        for (int i = 0; i < n; ++i) {
            for (int c = 0; c < 8; ++c)
                values[c] = f(c, i, d->nextTime);
            d->AddSample(d->nextTime, values, 8);
            d->nextTime += d->samplePeriod;
        }
    }
    void showOnly(int channel)
    {
        for (int c = 0; c < 8; ++c)
            d->channelVisible[c] = c == channel;
    }
};

enum { T1, T2, Y1, Y2 }; // cursor handles

// A shown diagram with n live samples of a sine per channel, painted once.
struct LiveScene {
    DiagramHost h;
    Diagramx& d;
    explicit LiveScene(int n, int width = 760, int height = 520) : h(width, height), d(*h.d)
    {
        h.host->show();
        QApplication::processEvents();
        add(n);
    }
    void add(int n)
    {
        h.append(n, [](int c, int, double t) { return 100.0 * c + 40 * std::sin(7 * t + c); });
        d.Redraw();
    }
    const QImage& picture() { return d.plotImage->picture(); }
    QImage copy() { return picture().copy(); }
    Color px(int x, int y) { return from_qcolor(picture().pixelColor(x, y)); }
    double oldest() const { return d.samples[d.head].t; }
    double newest() const { return d.samples[d.RingBack(d.tail, 1)].t; }
    int plotRight() const { return d.view.plotLeft + d.view.plotWidth; }
    int plotTop() const { return d.view.plotBottom - d.view.plotHeight; }
    QPoint centre(int cursor) const
    {
        const DrawArea& it = d.cursorItem[cursor];
        return {it.left + it.width / 2, it.top + it.height / 2};
    }
    // Press on a cursor handle, move to `to`, release.
    void drag(int cursor, QPoint to)
    {
        d.PlotMouseDown(mouse_at(centre(cursor)));
        ASSERT_EQ(d.activeItem, &d.cursorItem[cursor]);
        d.PlotMouseMove(mouse_at(to));
        d.PlotMouseUp(mouse_at(to));
    }
    // A left-button drag through `via` to `to`.
    void leftDrag(QPoint from, QPoint to, std::initializer_list<QPoint> via = {})
    {
        d.PlotMouseDown(mouse_at(from, Qt::LeftButton));
        for (QPoint p : via)
            d.PlotMouseMove(mouse_at(p, Qt::LeftButton));
        d.PlotMouseMove(mouse_at(to, Qt::LeftButton));
        d.PlotMouseUp(mouse_at(to));
    }
    // A right-button press at `from`, a move to `to` and one pan step.
    void pan(QPoint from, QPoint to)
    {
        d.PlotMouseDown(mouse_at(from, Qt::RightButton, MouseButton::Right));
        d.PlotMouseMove(mouse_at(to, Qt::RightButton));
        if (d.panTimer->isActive()) // the timer's tick, without its look at the pointer
            d.PanStep();
        d.PlotMouseUp(mouse_at(to, Qt::NoButton, MouseButton::Right));
    }
};
