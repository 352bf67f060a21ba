#include "Canvas.h"

#include <QFontMetrics>
#include <QGlyphRun>
#include <QTextLayout>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <iterator>

Canvas::Canvas(QImage* image) : image_(image) {}

Canvas::Canvas(QPainter* painter, QRect bounds) : painter_(painter), bounds_(bounds) {}

Canvas::~Canvas()
{
    release();
}

QPainter& Canvas::painter()
{
    if (!painter_) {
        owned_ = std::make_unique<QPainter>(image_);
        painter_ = owned_.get();
    }
    return *painter_;
}

void Canvas::release()
{
    if (owned_) {
        owned_->end();
        owned_.reset();
        painter_ = nullptr;
    }
}

QRect Canvas::ClipRect() const
{
    return image_ ? image_->rect() : bounds_;
}

Canvas::FontSlot& Canvas::currentFont()
{
    if (currentSlot_ >= 0 && fonts_[currentSlot_].key == font)
        return fonts_[currentSlot_];
    int freeSlot = -1;
    for (int i = 0; i < kFontSlots; ++i) {
        if (fonts_[i].id != 0 && fonts_[i].key == font) {
            currentSlot_ = i;
            return fonts_[i];
        }
        if (fonts_[i].id == 0 && freeSlot < 0)
            freeSlot = i;
    }
    if (freeSlot < 0) {
        // All slots taken: reuse the one after the current one.
        freeSlot = (currentSlot_ + 1) % kFontSlots;
    }
    FontSlot& slot = fonts_[freeSlot];
    QFont f(font.name);
    // Points to pixels with the target's pixels per inch, rounded to nearest.
    f.setPixelSize(std::max(1, (font.size * font.pixelsPerInch + 36) / 72));
    f.setBold(font.bold);
    f.setItalic(font.italic);
    f.setUnderline(font.underline);
    f.setStrikeOut(font.strikeOut);
    const QFontMetrics metrics(f);
    slot.key = font;
    slot.font = f;
    slot.height = metrics.height();
    slot.ascent = metrics.ascent();
    slot.id = nextFontId_++;
    currentSlot_ = freeSlot;
    return slot;
}

QFont Canvas::qfont()
{
    return currentFont().font;
}

std::size_t Canvas::text_hash(unsigned fontId, const QString& text)
{
    std::uint64_t h = 0xcbf29ce484222325ull ^ fontId;
    for (QChar c : text)
        h = (h ^ c.unicode()) * 0x100000001b3ull;
    return std::size_t((h * 0x9E3779B97F4A7C15ull) >> 32);
}

// The caches are four-way: a text may sit in any of the four entries of its bucket, and a
// new text replaces them in turn.
template <typename Entry>
static Entry* find_text(Entry* table, int size, unsigned fontId, const QString& text,
                        std::size_t hash, unsigned& victim, bool& found)
{
    const int length = int(text.size());
    Entry* bucket = table + (hash % std::size_t(size / 4)) * 4;
    for (int i = 0; i < 4; ++i) {
        Entry& e = bucket[i];
        if (e.fontId == fontId && e.length == length
            && std::equal(text.constData(), text.constData() + length,
                          reinterpret_cast<const QChar*>(e.text))) {
            found = true;
            return &e;
        }
    }
    found = false;
    Entry* e = bucket + (victim++ & 3);
    e->fontId = fontId;
    e->length = length;
    std::copy(text.constData(), text.constData() + length, reinterpret_cast<QChar*>(e->text));
    return e;
}

int Canvas::TextWidth(const QString& text)
{
    FontSlot& slot = currentFont();
    if (text.size() > kMaxCachedText)
        return QFontMetrics(slot.font).horizontalAdvance(text);
    if (!widths_)
        widths_ = std::make_unique<WidthEntry[]>(kWidthEntries);
    bool found = false;
    WidthEntry* e = find_text(widths_.get(), kWidthEntries, slot.id, text, text_hash(slot.id, text),
                              victim_, found);
    if (!found)
        e->width = QFontMetrics(slot.font).horizontalAdvance(text);
    return e->width;
}

int Canvas::TextHeight(const QString&)
{
    return currentFont().height;
}

void Canvas::applyPen()
{
    // Building a QPen costs an allocation; it is rebuilt only when the pen changes.
    if (!qpenValid_
        || !(qpenKey_.color == pen.color && qpenKey_.width == pen.width
             && qpenKey_.style == pen.style)) {
        QPen p(to_qcolor(pen.color));
        // One-pixel pens are cosmetic and cover both end points of what they are given.
        p.setWidth(pen.width <= 1 ? 0 : pen.width);
        p.setCosmetic(pen.width <= 1);
        p.setCapStyle(Qt::SquareCap);
        p.setJoinStyle(Qt::MiterJoin);
        if (pen.style == PenStyle::Dot)
            p.setDashPattern({3, 3}); // the dotted look: three pixels on, three off
        else
            p.setStyle(Qt::SolidLine);
        qpen_ = p;
        qpenKey_ = pen;
        qpenValid_ = true;
    }
    painter().setPen(qpen_);
}

void Canvas::applyBrush()
{
    painter().setBrush(to_qcolor(brushColor));
}

void Canvas::applyFont(bool withFont)
{
    QPainter& p = painter();
    if (withFont) {
        const QFont& f = currentFont().font;
        if (!(p.font() == f))
            p.setFont(f);
    }
    // Text pens by colour, built once each.
    TextPen* found = nullptr;
    for (TextPen& t : textPens_)
        if (t.valid && t.color == font.color)
            found = &t;
    if (!found) {
        found = &textPens_[nextTextPen_++ % std::size(textPens_)];
        found->pen = QPen(to_qcolor(font.color));
        found->color = font.color;
        found->valid = true;
    }
    p.setPen(found->pen);
}

void Canvas::MoveTo(int x, int y)
{
    penPos_ = QPoint(x, y);
}

void Canvas::LineTo(int x, int y)
{
    // A line covers max(|dx|, |dy|) pixels: from the pen position up to, not including,
    // the end point, so that joined lines draw each corner once.
    const QPoint from = penPos_;
    const QPoint to(x, y);
    penPos_ = to;
    const long long dx = (long long)to.x() - from.x();
    const long long dy = (long long)to.y() - from.y();
    const long long steps = std::max(std::llabs(dx), std::llabs(dy));
    if (steps == 0)
        return;
    // |d| <= steps, so the shortened difference stays between the two end points.
    const auto back = [steps](long long d) {
        const double v = double(d) * double(steps - 1) / double(steps);
        return (long long)(v < 0 ? v - 0.5 : v + 0.5);
    };
    DirectTarget target;
    if (directTarget(target)) {
        int phase = 0;
        target.segment(from, to, pen.style == PenStyle::Dot ? &phase : nullptr);
        return;
    }
    applyPen();
    painter().drawLine(from, QPoint(int(from.x() + back(dx)), int(from.y() + back(dy))));
}

void Canvas::Polyline(const QPoint* points, int count)
{
    if (count < 1)
        return;
    DirectTarget target;
    if (count == 1) {
        // A polyline of one point is that point.
        if (directTarget(target)) {
            target.plot(points[0].x(), points[0].y());
        } else {
            applyPen();
            painter().drawPoint(points[0]);
        }
        return;
    }
    if (pen.style == PenStyle::Solid && directTarget(target)) {
        // Each pixel column's pixels are gathered into one interval and written once: the
        // vertical lines on the column, and the part of a line to or from a neighbouring
        // column that falls in it. A line one column across steps along y and changes
        // column halfway: of its max(1, |dy|) pixels (the end point left out) the first half,
        // rounded up, are in the column it starts from and the rest in the next. Each piece
        // meets the one before it at the same or the next pixel, so together they are one
        // interval. Lines further across go through the general stepping.
        long long from = LLONG_MAX, to = LLONG_MIN;
        int runX = points[0].x();
        auto add = [&](long long a, long long b) {
            from = std::min(from, std::min(a, b));
            to = std::max(to, std::max(a, b));
        };
        auto flush = [&] {
            target.column(runX, from, to);
            from = LLONG_MAX;
            to = LLONG_MIN;
        };
        for (int i = 0; i + 1 < count; ++i) {
            const QPoint a = points[i], b = points[i + 1];
            const long long y0 = a.y(), dy = (long long)b.y() - y0;
            const long long dx = (long long)b.x() - a.x();
            if (dx == 0) {
                if (dy != 0)
                    add(y0, y0 + dy + (dy > 0 ? -1 : 1));
                continue;
            }
            if (dx == 1 || dx == -1) {
                const long long steps = std::max<long long>(1, std::llabs(dy));
                const long long half = (steps + 1) / 2;
                const long long step = dy < 0 ? -1 : 1;
                add(y0, y0 + step * (half - 1));
                flush();
                runX = b.x();
                if (half < steps)
                    add(y0 + step * half, y0 + step * (steps - 1));
                continue;
            }
            flush();
            target.segment(a, b, nullptr);
            runX = b.x();
        }
        add(points[count - 1].y(), points[count - 1].y());
        flush();
        return;
    }
    applyPen();
    painter().drawPolyline(points, count);
}

void Canvas::Polygon(const QPoint* points, int count)
{
    if (count < 2)
        return;
    applyPen();
    applyBrush();
    painter().drawPolygon(points, count);
}

void Canvas::FillRect(const QRect& r)
{
    painter().fillRect(r, to_qcolor(brushColor));
}

void Canvas::FrameRect(const QRect& r)
{
    if (r.isEmpty())
        return;
    const QColor c = to_qcolor(brushColor);
    QPainter& p = painter();
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), c);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), c);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), c);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), c);
}

void Canvas::TextRect(const QRect& r, int x, int y, const QString& text)
{
    QPainter& p = painter();
    p.fillRect(r, to_qcolor(brushColor));
    if (text.isEmpty() || r.isEmpty())
        return;
    const FontSlot& slot = currentFont();
    const QPoint baseline(x, y + slot.ascent);
    const bool rowInside =
        !p.hasClipping() && y >= r.top() && y + slot.height <= r.top() + r.height();
    if (rowInside) {
        if (const RunEntry* run = glyphRun(text)) {
            const QRectF ink = run->ink.translated(baseline);
            const int right = r.left() + r.width();
            if (ink.left() >= r.left() && ink.right() <= right) {
                // The ink lies inside the rectangle: no clipping needed.
                applyFont(false);
                p.drawGlyphRun(QPointF(baseline), run->run);
                return;
            }
            // Glyph edges a few pixels beyond the rectangle's sides: on an image, keep the
            // columns beside the rectangle and put them back, which clips exactly and costs
            // no painter state.
            DirectTarget target;
            const int leftOver = r.left() - int(std::floor(ink.left()));
            const int rightOver = int(std::ceil(ink.right())) - right;
            const int rows = std::min(r.height(), kSavedRows);
            if (r.height() <= kSavedRows && leftOver <= kSavedColumns && rightOver <= kSavedColumns
                && ink.top() >= r.top() && ink.bottom() <= r.top() + r.height()
                && directTarget(target)) {
                std::uint32_t saved[2][kSavedColumns][kSavedRows];
                auto keep = [&](int side, int x, bool restore) {
                    for (int i = 0; i < kSavedColumns; ++i, ++x) {
                        if (unsigned(x) >= unsigned(target.width))
                            continue;
                        for (int k = 0; k < rows; ++k) {
                            const int yy = r.top() + k;
                            if (unsigned(yy) >= unsigned(target.height))
                                continue;
                            std::uint32_t& pixel = target.base[yy * target.stride + x];
                            if (restore)
                                pixel = saved[side][i][k];
                            else
                                saved[side][i][k] = pixel;
                        }
                    }
                };
                keep(0, r.left() - kSavedColumns, false);
                keep(1, right, false);
                applyFont(false);
                p.drawGlyphRun(QPointF(baseline), run->run);
                keep(0, r.left() - kSavedColumns, true);
                keep(1, right, true);
                return;
            }
        }
    }
    applyFont(true);
    p.save();
    p.setClipRect(r);
    p.drawText(baseline, text);
    p.restore();
}

// The shaped glyphs of a short text in the current font, laid out from a baseline at 0,
// kept so that labels drawn again are not shaped again. None for a text that needs more
// than one font.
const Canvas::RunEntry* Canvas::glyphRun(const QString& text)
{
    const int length = int(text.size());
    if (length > kMaxCachedText)
        return nullptr;
    FontSlot& slot = currentFont();
    if (!runs_)
        runs_ = std::make_unique<RunEntry[]>(kRunEntries);
    bool found = false;
    RunEntry& e = *find_text(runs_.get(), kRunEntries, slot.id, text, text_hash(slot.id, text),
                             victim_, found);
    if (found)
        return e.usable ? &e : nullptr;

    QTextLayout layout(text, slot.font);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = line.isValid() ? layout.glyphRuns() : QList<QGlyphRun>();
    e.usable = runs.size() == 1;
    if (e.usable) {
        // Move the glyphs from the layout's baseline (its ascent) to a baseline at 0.
        QList<QPointF> positions = runs.front().positions();
        const qreal ascent = line.ascent();
        for (QPointF& pos : positions)
            pos.ry() -= ascent;
        e.run = runs.front();
        e.run.setPositions(positions);
        // The ink, relative to the start of the baseline, one pixel wider all round for
        // the antialiased edges.
        e.ink = QFontMetricsF(slot.font).tightBoundingRect(text).adjusted(-1, -1, 1, 1);
    }
    return e.usable ? &e : nullptr;
}

void Canvas::CopyRect(const QRect& dest, Canvas& source, const QRect& sourceRect)
{
    if (&source == this) {
        const QImage part = image_ ? image_->copy(sourceRect) : QImage();
        painter().drawImage(dest, part);
        return;
    }
    source.release();
    if (source.image_)
        painter().drawImage(dest, *source.image_, sourceRect);
}

void Canvas::Draw(int x, int y, const QImage& image)
{
    painter().drawImage(x, y, image);
}

void DrawText(Canvas& canvas, const QRect& rect, TextAlign alignment, const QString& text)
{
    const int h = canvas.TextHeight(text);
    const int w = canvas.TextWidth(text);
    const int left = rect.left();
    const int right = rect.left() + rect.width();
    const int top = rect.top();
    const int bottom = rect.top() + rect.height();
    const int y = top + ((bottom - top - h) >> 1);
    int x = left + 1;
    if (alignment == TextAlign::Right)
        x = right - w;
    else if (alignment == TextAlign::Centre)
        x = left + ((right - left - w) >> 1);
    canvas.TextRect(rect, x, y, text);
}

void FillCanvas(Canvas& canvas, Color color)
{
    canvas.brushColor = color;
    canvas.FillRect(canvas.ClipRect());
}

void FillBox(Canvas& canvas, int x, int y, int width, int height, Color color)
{
    canvas.brushColor = color;
    canvas.FillRect(QRect(x, y, width, height));
}

void DrawBevelBox(Canvas& canvas, int left, int top, int right, int bottom, Color face,
                  std::uint8_t bevelWidth, BevelLook look, Outline outline, TextAlign alignment,
                  const QString& caption)
{
    const int L = left, T = top, R = right - 1, B = bottom - 1, n = bevelWidth;
    const Color savedBrush = canvas.brushColor;
    canvas.pen.width = 1;
    canvas.pen.style = PenStyle::Solid;

    auto quad = [&canvas](Color c, QPoint a, QPoint b, QPoint d, QPoint e) {
        canvas.pen.color = c;
        canvas.brushColor = c;
        const QPoint pts[4] = {a, b, d, e};
        canvas.Polygon(pts, 4);
    };
    const Color lit = look == BevelLook::Raised ? clWhite : clGray;
    const Color shade = look == BevelLook::Raised ? clGray : clWhite;
    quad(lit, {L, T}, {L + n, T + n}, {L + n, B - n}, {L, B});
    quad(lit, {L, T}, {L + n, T + n}, {R - n, T + n}, {R, T});
    quad(shade, {R, B}, {R - n, B - n}, {L + n, B - n}, {L, B});
    quad(shade, {R, B}, {R - n, B - n}, {R - n, T + n}, {R, T});

    if (outline == Outline::Black) {
        canvas.pen.color = clBlack;
        canvas.MoveTo(L, T);
        canvas.LineTo(R, T);
        canvas.LineTo(R, B);
        canvas.LineTo(L, B);
        canvas.LineTo(L, T);
    }

    quad(face, {L + n, T + n}, {L + n, B - n}, {R - n, B - n}, {R - n, T + n});

    if (!caption.isEmpty())
        DrawText(canvas, rect_ltrb(L + n, T + n + 1, R - n, B - n), alignment, caption);
    canvas.brushColor = savedBrush;
}

void DrawImageCentered(Canvas& canvas, const QRect& rect, const unsigned char* bytes,
                       std::size_t count)
{
    QImage image = QImage::fromData(bytes, int(count));
    if (image.isNull())
        return;
    // White is the transparent colour of these pictures.
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] & 0xFFFFFF) == 0xFFFFFF)
                line[x] = 0;
    }
    const int right = rect.left() + rect.width();
    const int bottom = rect.top() + rect.height();
    const int x = rect.left() + ((right - rect.left() - image.width()) >> 1);
    const int y = rect.top() + ((bottom - rect.top() - image.height()) >> 1);
    canvas.Draw(x, y, image);
}
