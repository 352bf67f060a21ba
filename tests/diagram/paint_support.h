#pragma once
// Helpers for painting tests: a diagram on a hidden host and off-screen drawing targets.

#include "Diagramx.h"
#include "ImageControl.h"

#include <QApplication>
#include <QImage>
#include <QWidget>

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

// Does the image hold a pixel inside the rectangle for which pred(colour) holds?
inline bool has_pixel(const QImage& img, const QRect& r, const std::function<bool(QColor)>& pred)
{
    const QRect box = r & img.rect();
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if (pred(img.pixelColor(x, y)))
                return true;
    return false;
}

inline bool has_colour(const QImage& img, const QRect& r, Color c)
{
    return has_pixel(img, r, [c](QColor q) { return from_qcolor(q) == c; });
}

struct DiagramHost {
    std::unique_ptr<QWidget> host;
    std::unique_ptr<Diagramx> d;
    explicit DiagramHost(int width = 600, int height = 400)
    {
        host = std::make_unique<QWidget>();
        host->resize(width, height);
        d = std::make_unique<Diagramx>(host.get(), 8, 5000, 20001);
    }
    ~DiagramHost()
    {
        d.reset();
        host.reset();
    }
    // Appends n samples at the live period; f(channel, index, t) gives the values.
    void append(int n, const std::function<double(int, int, double)>& f)
    {
        double values[8];
        for (int i = 0; i < n; ++i) {
            const double t = d->nextTime;
            for (int c = 0; c < 8; ++c)
                values[c] = f(c, i, t);
            d->AddSample(t, values, 8);
            d->nextTime += d->samplePeriod;
        }
    }
    void showOnly(int channel)
    {
        for (int c = 0; c < 8; ++c)
            d->channelVisible[c] = c == channel;
    }
};
