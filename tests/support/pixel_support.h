#pragma once
// Pixel checks for tests that draw off screen: whether a colour shows in a rectangle, where
// the ink lies, and how many pixels two pictures differ in.

#include "Color.h"

#include <QColor>
#include <QImage>
#include <QRect>

#include <functional>

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

// Bounding box of the pixels whose colour is ink.
inline QRect ink_box(const QImage& img, const std::function<bool(Color)>& ink)
{
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (ink(from_qcolor(img.pixelColor(x, y))))
                box |= QRect(x, y, 1, 1);
    return box;
}

// Bounding box of the pixels that differ from the background colour.
inline QRect inked(const QImage& img, Color background)
{
    return ink_box(img, [background](Color c) { return c != background; });
}

// Pixels of `want`'s extent that differ in `got`, leaving out those where skip(x, y) holds.
inline int count_differing(const QImage& got, const QImage& want,
                           const std::function<bool(int, int)>& skip = {})
{
    int n = 0;
    for (int y = 0; y < want.height(); ++y)
        for (int x = 0; x < want.width(); ++x)
            n += got.pixel(x, y) != want.pixel(x, y) && !(skip && skip(x, y));
    return n;
}
