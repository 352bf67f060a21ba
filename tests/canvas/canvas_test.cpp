#include "Canvas.h"
#include "pixel_support.h"

#include <QFontMetrics>
#include <QPainter>
#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <utility>
#include <vector>

namespace {

QImage blank(int w, int h, Color fill = 0x00FF00)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(to_qcolor(fill));
    return img;
}

Color px(const QImage& img, int x, int y)
{
    return from_qcolor(img.pixelColor(x, y));
}

} // namespace

// Labels are drawn from cached glyphs, clipped without painter state where the glyph edges
// reach past the box; the pixels must be those of plain clipped painter text placed by the
// alignment, centred vertically.
TEST(DrawText, MatchesClippedPainterTextAtTheAlignedPlaceFirstShapedThenFromTheCache)
{
    for (const char* s : {"12.5", "-0.75", "1.235e+4", "F( T )", "T", "Grafion"})
        for (TextAlign alignment : {TextAlign::Left, TextAlign::Right, TextAlign::Centre})
            for (int round = 0; round < 2; ++round) {
                const QString text = QString::fromLatin1(s);
                QImage mine = blank(160, 50, 0xDDDDDD);
                QImage plain = mine.copy();
                Canvas canvas(&mine);
                canvas.font.size = 8;
                canvas.brushColor = 0xDDDDDD;
                const int w = canvas.TextWidth(text), h = canvas.TextHeight(text);
                const bool centred = alignment == TextAlign::Centre;
                const QRect box(20, 10, centred ? w : w + 31, centred ? h : h + 9);
                DrawText(canvas, box, alignment, text);
                canvas.release();

                const int x = alignment == TextAlign::Left    ? 21
                              : alignment == TextAlign::Right ? 20 + box.width() - w
                                                              : 20 + ((box.width() - w) >> 1);
                QPainter p(&plain);
                QFont f(QStringLiteral("Arial"));
                f.setPixelSize((8 * kScreenPixelsPerInch + 36) / 72);
                p.setFont(f);
                p.setClipRect(box);
                p.drawText(QPoint(x, 10 + ((box.height() - h) >> 1) + QFontMetrics(f).ascent()),
                           text);
                p.end();
                EXPECT_TRUE(mine == plain)
                    << s << " alignment " << int(alignment) << " round " << round;
            }
}

namespace {

// The pixels the thin-line stepping sets for the line from a towards b (b left out), worked
// out step by step in full-width arithmetic and kept where they fall inside w x h.
QImage stepped_line(QPoint a, QPoint b, int w, int h, bool dotted)
{
    QImage img = blank(w, h, clWhite);
    const long long dx = (long long)b.x() - a.x(), dy = (long long)b.y() - a.y();
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const long long steps = xMajor ? std::llabs(dx) : std::llabs(dy);
    const long long minorDelta = xMajor ? std::llabs(dy) : std::llabs(dx);
    long long major = xMajor ? a.x() : a.y(), minor = xMajor ? a.y() : a.x();
    const int majorStep = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const int minorStep = (xMajor ? dy : dx) < 0 ? -1 : 1;
    long long error = steps;
    for (long long k = 0; k < steps; ++k) {
        const long long x = xMajor ? major : minor, y = xMajor ? minor : major;
        if ((!dotted || k % 6 < 3) && x >= 0 && x < w && y >= 0 && y < h)
            img.setPixelColor(int(x), int(y), Qt::black);
        major += majorStep;
        error += 2 * minorDelta;
        if (error >= 2 * steps) {
            error -= 2 * steps;
            minor += minorStep;
        }
    }
    return img;
}

} // namespace

// A line reaching far outside the picture is cut to it before it is stepped: the pixels
// inside are exactly those of the whole line, for solid and dotted pens, and a line from one
// end of the coordinates to the other costs no more than one across the picture.
TEST(Canvas, LinesFarOutsideThePictureSetTheSamePixelsInsideAsTheWholeLine)
{
    const int w = 64, h = 48;
    std::vector<std::pair<QPoint, QPoint>> lines = {
        {{-3000, 20}, {3000, 25}},  {{30, -5000}, {33, 4000}}, {{-100, -100}, {200, 150}},
        {{63, 47}, {-2000, -1500}}, {{-7, 60}, {70, -9}},      {{10, 10}, {10, -800}},
        {{-50, 47}, {2000, 47}},    {{-50, 48}, {2000, 48}},   {{100, 100}, {200, 300}},
    };
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coord(-4000, 4000);
    for (int i = 0; i < 400; ++i)
        lines.push_back({{coord(rng), coord(rng)}, {coord(rng), coord(rng)}});
    for (const auto& [a, b] : lines)
        for (bool dotted : {false, true}) {
            QImage img = blank(w, h, clWhite);
            Canvas canvas(&img);
            canvas.pen.color = clBlack;
            canvas.pen.style = dotted ? PenStyle::Dot : PenStyle::Solid;
            canvas.MoveTo(a.x(), a.y());
            canvas.LineTo(b.x(), b.y());
            canvas.release();
            ASSERT_EQ(count_differing(img, stepped_line(a, b, w, h, dotted)), 0)
                << a.x() << "," << a.y() << " -> " << b.x() << "," << b.y()
                << (dotted ? " dotted" : "");
        }

    // From one end of the coordinates to the other (four thousand million steps each): the
    // part inside is the line through the picture that the stepping gives, here a diagonal.
    const int most = std::numeric_limits<int>::max(), least = std::numeric_limits<int>::min();
    QImage img = blank(w, h, clWhite);
    Canvas canvas(&img);
    canvas.pen.color = clBlack;
    canvas.MoveTo(least, least);
    canvas.LineTo(most, most);
    const QPoint across[] = {{least, 20}, {most, 20}, {20, most}, {20, least}};
    canvas.Polyline(across, 4);
    canvas.MoveTo(-1000000000, 30); // half way up at x = 0, rounded up
    canvas.LineTo(1000000000, 31);
    canvas.release();
    for (int x = 0; x < w; ++x)
        for (int y = 0; y < h; ++y)
            EXPECT_EQ(px(img, x, y), x == y || y == 20 || x == 20 || y == 31 ? clBlack : clWhite)
                << x << "," << y;
}

// A polyline writes each pixel column's pixels as one run, with the lines to the
// neighbouring columns split between them: it must set exactly the pixels of its lines
// stepped one by one, plus its last point, also where it leaves the picture.
TEST(Canvas, PolylinesSetThePixelsOfTheirLinesSteppedOneByOne)
{
    const int w = 40, h = 30;
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> across(-2, 2), up(-25, 25), start(-5, 45), count(1, 30);
    for (int round = 0; round < 600; ++round) {
        std::vector<QPoint> pts{{start(rng), start(rng)}};
        const int n = count(rng);
        for (int i = 1; i < n; ++i) {
            // Mostly steps to the same or the next column, as a trace's reduced columns give.
            const int dx = round % 3 == 0 ? across(rng) : std::abs(across(rng)) / 2;
            pts.push_back(pts.back() + QPoint(dx, up(rng) / (1 + int(rng() % 4))));
        }
        QImage img = blank(w, h, clWhite);
        Canvas canvas(&img);
        canvas.pen.color = clBlack;
        canvas.Polyline(pts.data(), int(pts.size()));
        canvas.release();

        QImage expected = blank(w, h, clWhite);
        for (std::size_t i = 0; i + 1 < pts.size(); ++i) {
            const QImage line = stepped_line(pts[i], pts[i + 1], w, h, false);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    if (line.pixel(x, y) != qRgb(255, 255, 255))
                        expected.setPixel(x, y, qRgb(0, 0, 0));
        }
        const QPoint last = pts.back();
        if (last.x() >= 0 && last.x() < w && last.y() >= 0 && last.y() < h)
            expected.setPixel(last, qRgb(0, 0, 0));
        ASSERT_EQ(count_differing(img, expected), 0) << "round " << round;
    }
}
