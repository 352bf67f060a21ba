// Scrolling through the buffer and the overview strip above the scroll bar.
//
// The scroll bar moves the shown time window over everything the ring holds; its movements
// are applied every 5 ms by scrollTimer, so that a fast drag of the thumb becomes one paint
// per tick. The strip shows where the window lies in the buffer (a bar, red until the ring
// has wrapped for the first time, green after) and how full the buffer is (a blue gauge with
// a dimension line giving the times of the oldest and the newest sample).

#include "Diagramx.h"

#include "DiagramSource.h"
#include "ImageControl.h"

#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr Color kBarBeforeWrap = clRed;
constexpr Color kBarAfterWrap = clGreen;

// int(x) for the strip's pixel arithmetic, 0 for values that are not numbers.
int to_int(double x)
{
    if (std::isnan(x))
        return 0;
    return int(std::clamp(x, -1e9, 1e9));
}

} // namespace

bool Diagramx::HeldTimeSpan(double& oldest, double& newest) const
{
    if (source) {
        if (source->TimeSpan(oldest, newest))
            return true;
        oldest = newest = 0;
        return false;
    }
    if (SampleCount() == 0) {
        oldest = newest = 0;
        return false;
    }
    oldest = samples[head].t;
    newest = samples[RingBack(tail, 1)].t;
    return true;
}

// ---- Scroll bar --------------------------------------------------------------------------

// The user moved the scroll bar; the next tick of scrollTimer applies it.
void Diagramx::OnScrollBarChange()
{
    scrollTimer->start();
}

void Diagramx::OnScrollTimer()
{
    const int pos = scrollBar->value();
    if (pos == lastScrollPos) {
        scrollTimer->stop();
        return;
    }
    ScrollTo(pos, kScrollRange);
    lastScrollPos = scrollBar->value(); // ScrollTo may have moved it
}

// Positions the bar. The diagram's own settings are not the user's scrolling, so they do
// not start scrollTimer, and lastScrollPos takes them as already applied.
void Diagramx::SetScrollBar(bool enabled, int page, int pos)
{
    const QSignalBlocker block(scrollBar.data());
    scrollBarHeld_ = false;
    page = std::clamp(page, 1, kScrollRange);
    scrollBar->setRange(0, kScrollRange - page);
    scrollBar->setPageStep(page);
    scrollBar->setSingleStep(std::max(1, page / 10));
    scrollBar->setValue(std::clamp(pos, 0, kScrollRange - page));
    scrollBar->setEnabled(enabled);
    lastScrollPos = scrollBar->value();
}

void Diagramx::ScrollTo(int pos, int max)
{
    ViewState& v = view;
    double t0 = 0, tl = 0;
    HeldTimeSpan(t0, tl);
    const double span = tl - t0;
    const double width = v.tMax - v.tMin;
    if (max > 0) {
        const double start = t0 + pos * span / max;
        v.zoomTMin = start;
        v.zoomTMax = start + width;
        if (tl < start + width) {
            // Past the newest sample: the window ends there, and so does the thumb.
            v.zoomTMax = tl;
            v.zoomTMin = tl - width;
            if (span > 0)
                SetScrollBar(scrollBar->isEnabled(), scrollBar->pageStep(),
                             to_int(max * (tl - width - t0) / span));
        }
        v.zoomYMax = v.yMax;
        v.zoomYMin = v.yMin;
        WindowFromZoom();
    }
    Redraw();
}

void Diagramx::UpdateScrollBar()
{
    if (scrollTimer->isActive()) // the user is scrolling
        return;
    const ViewState& v = view;
    double t0 = 0, tl = 0;
    HeldTimeSpan(t0, tl);
    const double span = tl - t0;
    const double width = v.tMax - v.tMin;
    if (!(span > width)) {
        // Everything is shown: a disabled bar whose thumb fills the track.
        SetScrollBar(false, kScrollRange, 0);
        return;
    }
    int page = std::int16_t(to_int(width * kScrollRange / span));
    if (page <= 0)
        page = 1;
    int pos = 0;
    if (v.tMax == tl)
        pos = kScrollRange - page;
    else if (v.tMin != t0)
        pos = to_int((v.tMin - t0) * kScrollRange / span);
    // While samples stream in, the page and position change a little with every picture.
    // A repaint of the bar costs about as much as a picture of the diagram (Qt hands its
    // fills to other threads and waits for them), so the bar is left alone while its thumb
    // stays on the same pixels, and set at most every kScrollBarSpacingMs while the window
    // follows the newest samples (the thumb shrinks slowly as the ring fills).
    if (scrollBar->isEnabled()) {
        if (ThumbRect(page, pos) == ThumbRect(scrollBar->pageStep(), scrollBar->value())) {
            scrollBarHeld_ = false;
            return;
        }
        if (v.followLatest && scrollBarTimer_->isActive()) {
            scrollBarHeld_ = true;
            heldPage_ = page;
            heldPos_ = pos;
            return;
        }
    }
    SetScrollBar(true, page, pos);
    if (v.followLatest)
        scrollBarTimer_->start();
}

QRect Diagramx::ThumbRect(int page, int pos) const
{
    page = std::clamp(page, 1, kScrollRange);
    QStyleOptionSlider option;
    option.initFrom(scrollBar.data());
    option.orientation = Qt::Horizontal;
    option.state |= QStyle::State_Horizontal;
    option.subControls = QStyle::SC_All;
    option.minimum = 0;
    option.maximum = kScrollRange - page;
    option.pageStep = page;
    option.singleStep = std::max(1, page / 10);
    option.sliderPosition = option.sliderValue = std::clamp(pos, 0, kScrollRange - page);
    return scrollBar->style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                              QStyle::SC_ScrollBarSlider, scrollBar.data());
}

// ---- Overview strip ----------------------------------------------------------------------

// Bevelled boxes drawn through polygons cost far more than copying their pixels, and the
// strip is drawn with every picture: the tracks, the bar and the gauge are drawn once into
// pictures of their own and copied into the strip until their size or colour changes.
namespace {
struct StripBox {
    QImage image;
    int width = -1;
    Color face = 0;
};
} // namespace

struct Diagramx::StripCache {
    QImage tracks; // the whole strip: background and both empty tracks
    StripBox bar, gauge;
};

void Diagramx::StripCacheDeleter::operator()(StripCache* cache) const
{
    delete cache;
}

namespace {

constexpr int kTrackTop = 8, kTrackBottom = 20;  // window track
constexpr int kGaugeTop = 24, kGaugeBottom = 32; // fill gauge track
constexpr int kArrowRow = 35;

// Copies rows top .. bottom (excluded) of `source`, or all of it, to (x, y) of `target`,
// clipped to the target. Both hold 32-bit pixels.
void copy_pixels(QImage& target, const QImage& source, int x, int y, int top = 0, int bottom = -1)
{
    if (bottom < 0)
        bottom = source.height();
    const QRect part = QRect(x, y + top, source.width(), bottom - top) & target.rect();
    if (part.isEmpty())
        return;
    const std::size_t bytes = std::size_t(part.width()) * 4;
    for (int row = part.top(); row <= part.bottom(); ++row)
        std::memcpy(target.scanLine(row) + std::size_t(part.left()) * 4,
                    source.constScanLine(row - y) + std::size_t(part.left() - x) * 4, bytes);
}

// A raised bevelled box with an outline, width x height, on a picture of its own.
const QImage& box_picture(StripBox& box, int width, int height, Color face, std::uint8_t bevel)
{
    if (box.width != width || box.face != face || box.image.height() != height) {
        box.image = QImage(width, height, QImage::Format_RGB32);
        Canvas canvas(&box.image);
        DrawBevelBox(canvas, 0, 0, width, height, face, bevel, BevelLook::Raised, Outline::Black,
                     TextAlign::Centre, QString());
        canvas.release();
        box.width = width;
        box.face = face;
    }
    return box.image;
}

// A closed arrowhead filled black: its tip at (tip, row), `length` pixels long, twice that
// high; `direction` -1 points left, +1 right.
void draw_arrowhead(Canvas& canvas, int tip, int row, int length, int direction)
{
    for (int i = 0; i <= length; ++i) {
        const int x = tip - direction * i;
        canvas.MoveTo(x, row - i);
        canvas.LineTo(x, row + i + 1);
    }
}

} // namespace

void Diagramx::DrawOverview()
{
    const QImage& strip = infoImage->picture();
    double t0 = 0, tl = 0;
    const bool held = HeldTimeSpan(t0, tl);
    // A source is held whole: the gauge is full.
    const std::uint32_t count = source ? (held ? capacity - 1 : 0) : SampleCount();
    if (strip.format() == QImage::Format_RGB32 && strip.width() > 0)
        DrawOverviewParts(strip.width(), count, t0, tl);
    UpdateScrollBar();
}

void Diagramx::DrawOverviewParts(int W, std::uint32_t count, double t0, double tl)
{
    // Positions below are in logical pixels, scaled by Px to the strip's pixels.
    Canvas& canvas = *infoCanvas;
    QImage& strip = infoImage->picture();
    const double span = tl - t0;
    const ViewState& v = view;
    if (!stripCache_)
        stripCache_.reset(new StripCache);
    StripCache& cache = *stripCache_;

    // The two empty tracks: the window track and the gauge's.
    if (cache.tracks.width() != W || cache.tracks.height() != strip.height()) {
        cache.tracks = QImage(W, strip.height(), QImage::Format_RGB32);
        Canvas tracks(&cache.tracks);
        FillCanvas(tracks, kDiagramBackground);
        DrawBevelBox(tracks, Px(5), Px(kTrackTop), W - Px(5), Px(kTrackBottom), clWhite,
                     std::uint8_t(Px(2)), BevelLook::Lowered, Outline::Black, TextAlign::Centre,
                     QString());
        DrawBevelBox(tracks, Px(5), Px(kGaugeTop), W - Px(5), Px(kGaugeBottom), clWhite,
                     std::uint8_t(Px(1)), BevelLook::Lowered, Outline::Black, TextAlign::Centre,
                     QString());
        tracks.release();
    }
    copy_pixels(strip, cache.tracks, 0, 0, Px(kTrackTop), Px(kGaugeBottom));

    // The bar of the shown window.
    if (count != 0 && span > 0) {
        const int f = W - Px(14);
        const int b =
            std::clamp(to_int(f * (v.tMax - v.tMin) / span + 0.5), Px(2), std::max(f, Px(2)));
        // Kept inside the track: a bar at the track's end moves left by its own width.
        const int p = std::clamp(to_int(f * (v.tMin - t0) / span + 0.5), 0, std::max(f - b, 0));
        const Color face = count >= capacity - 1 ? kBarAfterWrap : kBarBeforeWrap;
        copy_pixels(strip, box_picture(cache.bar, b, Px(8), face, std::uint8_t(Px(2))), Px(7) + p,
                    Px(10));
    }

    // The fill gauge, and under it a dimension line with the oldest and the newest time.
    if (count != 0) {
        const int g = std::max(to_int(count * double(W - Px(14)) / (capacity - 1) + 0.5), Px(2));
        copy_pixels(strip, box_picture(cache.gauge, g, Px(4), clBlue, std::uint8_t(Px(2))), Px(7),
                    Px(26));

        const int xl = Px(5);
        const int xr = Px(8) + g;
        canvas.pen = CanvasPen{clBlack, 1, PenStyle::Solid};
        canvas.MoveTo(xl, Px(28));
        canvas.LineTo(xl, Px(42));
        canvas.MoveTo(xr, Px(28));
        canvas.LineTo(xr, Px(42));
        if (xr - xl > Px(14)) {
            draw_arrowhead(canvas, xl, Px(kArrowRow), Px(5), -1);
            draw_arrowhead(canvas, xr, Px(kArrowRow), Px(5), 1);

            static const QString format = QStringLiteral("0.000");
            SetFont(canvas, 8, false, clBlack);
            const int h = canvas.TextHeight(QStringLiteral("0"));
            const int oldestWidth = canvas.TextWidth(LabelText(t0, format));
            const int newestWidth = canvas.TextWidth(LabelText(tl, format));
            if (oldestWidth + newestWidth + Px(22) < xr - xl) {
                const int top = Px(kArrowRow) - h / 2;
                canvas.brushColor = kDiagramBackground;
                DrawText(canvas, QRect(xl + Px(8), top, oldestWidth, h), TextAlign::Centre,
                         LabelText(t0, format));
                DrawText(canvas, QRect(xr - Px(8) - newestWidth, top, newestWidth, h),
                         TextAlign::Centre, LabelText(tl, format));
            }
        }
    }
}
