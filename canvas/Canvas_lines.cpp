// Thin lines written straight into the pixels of an image: the painter's general line
// stroker costs about a microsecond per segment and allocates for dotted pens, which the long
// traces and the grid of the diagram cannot afford. A line reaching outside the image is
// cut to it first, so its cost is that of the part inside.

#include "Canvas.h"

#include <algorithm>
#include <cstdlib>

// Only for a one-pixel pen on an image of 32-bit pixels painted without transformation,
// clipping or a special composition mode.
bool Canvas::directTarget(DirectTarget& t)
{
    if (!image_ || image_->isNull() || pen.width > 1)
        return false;
    const QImage::Format format = image_->format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32
        && format != QImage::Format_ARGB32_Premultiplied)
        return false;
    if (painter_ && painter_->isActive()
        && (painter_->hasClipping() || !painter_->transform().isIdentity()
            || painter_->compositionMode() != QPainter::CompositionMode_SourceOver))
        return false;
    t.width = image_->width();
    t.height = image_->height();
    t.stride = image_->bytesPerLine() / 4;
    t.base = reinterpret_cast<std::uint32_t*>(image_->bits());
    t.value = 0xFF000000u | to_qcolor(pen.color).rgb();
    return true;
}

// The pixels of column x from row `from` to row `to`, both included; only those in the
// image are written.
void Canvas::DirectTarget::column(int x, long long from, long long to) const
{
    from = std::max<long long>(from, 0);
    to = std::min<long long>(to, height - 1);
    if (unsigned(x) >= unsigned(width) || from > to)
        return;
    std::uint32_t* px = base + from * stride + x;
    const std::uint32_t v = value; // not read again after every store
    const qsizetype step = stride;
    long long left = to - from + 1;
    for (; left >= 4; left -= 4, px += 4 * step) {
        px[0] = v;
        px[step] = v;
        px[2 * step] = v;
        px[3 * step] = v;
    }
    for (; left > 0; --left, px += step)
        *px = v;
}

namespace {

__extension__ typedef __int128 Wide; // products of two pixel distances of up to 2^33

// a / b rounded up, for b > 0.
Wide ceil_div(Wide a, Wide b)
{
    const Wide q = a / b;
    return q * b < a ? q + 1 : q;
}

} // namespace

// The pixels from a towards b, b itself left out: max(|dx|, |dy|) of them, one per step
// along the major axis, the minor coordinate rounded half away from zero (a Bresenham
// stepping). With a dot phase, three pixels on, three off.
//
// Step k (0 <= k < steps) sets major m0 + k (or - k) and minor n0 + q(k) (or - q(k)), where
// q(k) = floor((steps + 2 k minorDelta) / (2 steps)) counts how often the stepping's error
// term has wrapped by then. Both are monotonic in k, so the steps whose pixel lies in the
// image form one interval, found exactly from these formulas: a line reaching far outside
// the image costs no more than the part of it that is inside, and that part is drawn with
// exactly the pixels the whole line would have set there.
void Canvas::DirectTarget::segment(QPoint a, QPoint b, int* dotPhase) const
{
    const long long x0 = a.x(), y0 = a.y();
    const long long dx = b.x() - x0, dy = b.y() - y0;
    const long long adx = std::llabs(dx), ady = std::llabs(dy);
    if (dx == 0 && !dotPhase) {
        if (dy != 0)
            column(a.x(), dy > 0 ? y0 : y0 + dy + 1, dy > 0 ? y0 + dy - 1 : y0);
        return;
    }
    const bool xMajor = adx >= ady;
    const long long steps = xMajor ? adx : ady;
    if (steps == 0)
        return;
    const long long minorDelta = xMajor ? ady : adx;
    const int majorStep = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const int minorStep = (xMajor ? dy : dx) < 0 ? -1 : 1;
    const long long m0 = xMajor ? x0 : y0;
    const long long n0 = xMajor ? y0 : x0;
    const int phase0 = dotPhase ? ((*dotPhase % 6) + 6) % 6 : 0;
    if (dotPhase)
        *dotPhase = int((phase0 + steps) % 6);

    long long first = 0, last = steps - 1;
    long long error = steps; // 2 * k * minorDelta + steps, kept below 2 * steps
    long long minor = n0;
    const bool inside = unsigned(a.x()) < unsigned(width) && unsigned(a.y()) < unsigned(height)
                        && unsigned(b.x()) < unsigned(width) && unsigned(b.y()) < unsigned(height);
    if (!inside) {
        const long long majorSize = xMajor ? width : height;
        const long long minorSize = xMajor ? height : width;
        if (majorStep > 0) {
            first = std::max(first, -m0);
            last = std::min(last, majorSize - 1 - m0);
        } else {
            first = std::max(first, m0 - (majorSize - 1));
            last = std::min(last, m0);
        }
        // The wraps q(k) that keep the minor coordinate inside.
        const long long qLow = minorStep > 0 ? -n0 : n0 - (minorSize - 1);
        const long long qHigh = minorStep > 0 ? minorSize - 1 - n0 : n0;
        const Wide twoSteps = Wide(2) * steps;
        if (qHigh < 0) {
            return; // q(k) >= 0: the line only moves further out
        } else if (minorDelta == 0) {
            if (qLow > 0)
                return; // q(k) = 0: a line along a row or column outside
        } else {
            const Wide twoDelta = Wide(2) * minorDelta;
            if (qLow > 0)
                first = std::max(first, (long long)ceil_div(twoSteps * qLow - steps, twoDelta));
            last =
                std::min(last, (long long)(ceil_div(twoSteps * (qHigh + 1) - steps, twoDelta) - 1));
        }
        if (first > last)
            return;
        const Wide num = Wide(steps) + Wide(2) * first * minorDelta;
        error = (long long)(num % twoSteps);
        minor = n0 + minorStep * (long long)(num / twoSteps);
    }

    long long major = m0 + majorStep * first;
    if (!dotPhase) {
        // Every step's pixel is inside (both ends inside, or the steps cut to the image
        // above): the pixels are written along a pointer, one step of the major axis and,
        // when the error term wraps, one of the minor axis at a time.
        const qsizetype majorMove = xMajor ? majorStep : majorStep * stride;
        const qsizetype minorMove = xMajor ? minorStep * stride : minorStep;
        std::uint32_t* px = xMajor ? base + minor * stride + major : base + major * stride + minor;
        const long long wrap = 2 * steps, add = 2 * minorDelta;
        for (long long k = first; k <= last; ++k) {
            *px = value;
            px += majorMove;
            error += add;
            if (error >= wrap) {
                error -= wrap;
                px += minorMove;
            }
        }
        return;
    }
    for (long long k = first; k <= last; ++k) {
        if ((phase0 + k) % 6 < 3) {
            if (xMajor)
                plot(int(major), int(minor));
            else
                plot(int(minor), int(major));
        }
        major += majorStep;
        error += 2 * minorDelta;
        if (error >= 2 * steps) {
            error -= 2 * steps;
            minor += minorStep;
        }
    }
}
