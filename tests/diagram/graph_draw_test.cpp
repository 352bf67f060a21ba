#include "paint_support.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QPainter>
#include <gtest/gtest.h>

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

// Is every pixel of the rectangle from a to b (inclusive) of colour c?
bool all_of(const QImage& img, QPoint a, QPoint b, Color c)
{
    return !has_pixel(img, QRect(a, b), [c](QColor q) { return from_qcolor(q) != c; });
}

} // namespace

TEST(DrawBevelBox, LoweredOutlinedBoxHasGreyTopLeftWhiteBottomRightAndFace)
{
    QImage img = blank(110, 30);
    Canvas canvas(&img);
    canvas.brushColor = 0x0000FF;
    const Color face = 0xC0C0C0;
    DrawBevelBox(canvas, 5, 8, 95, 20, face, 2, 0, 1, 0, QString());
    canvas.release();

    // Black outline from (5,8) to (94,19); inside it one pixel of bevel, grey at left and
    // top, white at right and bottom; the face from (7,10) to (92,17).
    EXPECT_TRUE(all_of(img, {5, 8}, {94, 8}, clBlack));
    EXPECT_TRUE(all_of(img, {5, 19}, {94, 19}, clBlack));
    EXPECT_TRUE(all_of(img, {5, 8}, {5, 19}, clBlack));
    EXPECT_TRUE(all_of(img, {94, 8}, {94, 19}, clBlack));
    EXPECT_TRUE(all_of(img, {6, 10}, {6, 17}, clGray));
    EXPECT_TRUE(all_of(img, {10, 9}, {90, 9}, clGray));
    EXPECT_TRUE(all_of(img, {93, 10}, {93, 17}, clWhite));
    EXPECT_TRUE(all_of(img, {10, 18}, {90, 18}, clWhite));
    EXPECT_TRUE(all_of(img, {7, 10}, {92, 17}, face));
    // Nothing outside the box; the brush colour is given back.
    EXPECT_EQ(inked(img, 0x00FF00), QRect(QPoint(5, 8), QPoint(94, 19)));
    EXPECT_EQ(canvas.brushColor, 0x0000FFu);
}

TEST(DrawBevelBox, RaisedBoxSwapsTheEdgeColoursAndCaptionSitsOnTheFace)
{
    QImage img = blank(120, 40);
    Canvas canvas(&img);
    canvas.brushColor = 0x00FFFF;
    DrawBevelBox(canvas, 0, 0, 120, 40, 0xDDDDDD, 1, 1, 0, 2, "Grafion");
    canvas.release();
    EXPECT_EQ(px(img, 0, 20), clWhite);
    EXPECT_EQ(px(img, 60, 0), clWhite);
    EXPECT_EQ(px(img, 119, 20), clGray);
    EXPECT_EQ(px(img, 60, 39), clGray);
    // Dark caption pixels appear on the face, only inside the caption rectangle.
    const QRect text = inked(img.copy(1, 2, 118, 36), 0xDDDDDD);
    EXPECT_FALSE(text.isEmpty());
    EXPECT_EQ(canvas.brushColor, 0x00FFFFu);
}

TEST(DrawText, AlignsLeftRightAndCentreAndCentresVertically)
{
    const QString text = "0.000";
    for (int alignment : {0, 1, 2}) {
        QImage img = blank(200, 40, clWhite);
        Canvas canvas(&img);
        canvas.brushColor = clWhite;
        canvas.font.size = 12;
        const int w = canvas.TextWidth(text);
        const int h = canvas.TextHeight(text);
        const QRect r = rect_ltrb(20, 5, 180, 35);
        DrawText(canvas, r, alignment, text);
        canvas.release();
        const QRect ink = inked(img, clWhite);
        ASSERT_FALSE(ink.isEmpty());
        EXPECT_TRUE(r.contains(ink)) << alignment;
        const int x = alignment == 0 ? 21 : alignment == 1 ? 180 - w : 20 + ((160 - w) >> 1);
        // The glyphs lie inside the text cell that starts at x.
        EXPECT_GE(ink.left(), x) << alignment;
        EXPECT_LE(ink.right(), x + w) << alignment;
        const int y = 5 + ((30 - h) >> 1);
        EXPECT_GE(ink.top(), y) << alignment;
        EXPECT_LE(ink.bottom(), y + h) << alignment;
    }
}

TEST(DrawText, FillsTheRectangleAndClipsWideTextOnBothSides)
{
    QImage img = blank(100, 30, 0x00FF00);
    Canvas canvas(&img);
    canvas.brushColor = clWhite;
    canvas.font.size = 10;
    const QString wide = "MMMMMMMMMMMMMMMMMMMM";
    const QRect r = rect_ltrb(30, 5, 70, 25);
    ASSERT_GT(canvas.TextWidth(wide), r.width());
    DrawText(canvas, r, 2, wide);
    canvas.release();
    // Everything changed lies inside the rectangle; the text reaches both of its sides.
    EXPECT_EQ(inked(img, 0x00FF00), r);
    const QRect ink = inked(img.copy(r), clWhite).translated(r.topLeft());
    EXPECT_EQ(ink.left(), r.left());
    EXPECT_EQ(ink.right(), r.right());
}

TEST(FillBox, FillsExactlyTheBoxInBlueGreenRedColours)
{
    QImage img = blank(50, 50);
    Canvas canvas(&img);
    FillBox(canvas, 10, 12, 20, 5, 0x0000FF); // red
    canvas.release();
    EXPECT_EQ(inked(img, 0x00FF00), QRect(10, 12, 20, 5));
    EXPECT_EQ(img.pixelColor(10, 12), QColor(255, 0, 0));

    FillCanvas(canvas, 0xDDDDDD);
    canvas.release();
    EXPECT_TRUE(inked(img, 0xDDDDDD).isEmpty());
}

TEST(Canvas, LinesLeaveTheirEndPoint)
{
    QImage img = blank(40, 40, clWhite);
    Canvas canvas(&img);
    canvas.pen.color = clBlack;
    canvas.MoveTo(5, 10);
    canvas.LineTo(25, 10);
    canvas.release();
    EXPECT_EQ(inked(img, clWhite), QRect(5, 10, 20, 1));
    // Drawn the other way the start is covered and the end is left out.
    img.fill(Qt::white);
    canvas.MoveTo(25, 20);
    canvas.LineTo(5, 20);
    canvas.LineTo(5, 20); // zero length: nothing
    canvas.release();
    EXPECT_EQ(inked(img, clWhite), QRect(6, 20, 20, 1));
}

TEST(DrawImageCentered, CentresTheBitmapAndTreatsWhiteAsTransparent)
{
    QImage picture(6, 4, QImage::Format_RGB32);
    picture.fill(Qt::white);
    picture.setPixelColor(0, 0, QColor(255, 0, 0));
    picture.setPixelColor(5, 3, QColor(0, 0, 255));
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(picture.save(&buffer, "BMP"));

    QImage img = blank(28, 20, 0x00FF00);
    Canvas canvas(&img);
    DrawImageCentered(canvas, rect_ltrb(0, 0, 28, 20),
                      reinterpret_cast<const unsigned char*>(bmp.constData()), bmp.size());
    canvas.release();
    // x = (28 - 6) / 2 = 11, y = (20 - 4) / 2 = 8.
    EXPECT_EQ(px(img, 11, 8), 0x0000FFu);
    EXPECT_EQ(px(img, 16, 11), 0xFF0000u);
    EXPECT_EQ(inked(img, 0x00FF00), QRect(QPoint(11, 8), QPoint(16, 11)));

    // Bytes that are no picture draw nothing.
    const unsigned char junk[] = {1, 2, 3};
    DrawImageCentered(canvas, rect_ltrb(0, 0, 28, 20), junk, sizeof junk);
    canvas.release();
    EXPECT_EQ(inked(img, 0x00FF00), QRect(QPoint(11, 8), QPoint(16, 11)));
}

TEST(Canvas, ShortTextsDrawnFromTheShapedCacheMatchThePainter)
{
    // Labels are drawn from cached glyphs, clipped without painter state where the glyph
    // edges reach past the box; the pixels must be those of plain clipped painter text.
    for (const char* s : {"12.5", "-0.75", "1.235e+4", "F( T )", "T", "Grafion"}) {
        const QString text = QString::fromLatin1(s);
        for (int round = 0; round < 2; ++round) { // first shaped, then from the cache
            QImage mine = blank(120, 40, 0xDDDDDD);
            QImage plain = mine.copy();
            Canvas canvas(&mine);
            canvas.font.size = 8;
            canvas.brushColor = 0xDDDDDD;
            const int w = canvas.TextWidth(text);
            const int h = canvas.TextHeight(text);
            const QRect box(20, 10, w, h); // a box exactly as wide as the text
            DrawText(canvas, box, 2, text);
            canvas.release();

            QPainter p(&plain);
            QFont f(QStringLiteral("Arial"));
            f.setPixelSize((8 * kScreenPixelsPerInch + 36) / 72);
            p.setFont(f);
            p.setPen(Qt::black);
            p.fillRect(box, to_qcolor(0xDDDDDD));
            p.setClipRect(box);
            p.drawText(QPoint(20, 10 + QFontMetrics(f).ascent()), text);
            p.end();
            EXPECT_TRUE(mine == plain) << s << " round " << round;
        }
    }
}

TEST(Canvas, ThinLinesCoverEveryPolylinePointAndDotThreeOnThreeOff)
{
    QImage img = blank(40, 40, clWhite);
    Canvas canvas(&img);
    canvas.pen.color = clBlack;
    const QPoint pts[] = {{5, 5}, {5, 9}, {12, 9}, {12, 9}, {8, 30}};
    canvas.Polyline(pts, 5);
    canvas.release();
    for (const QPoint& p : pts)
        EXPECT_EQ(px(img, p.x(), p.y()), clBlack) << p.x() << "," << p.y();
    for (int y = 5; y <= 9; ++y)
        EXPECT_EQ(px(img, 5, y), clBlack);
    // The steep segment: one pixel per row, none missing, all within the segment's box.
    for (int y = 9; y <= 30; ++y) {
        int inRow = 0;
        for (int x = 0; x < 40; ++x)
            inRow += px(img, x, y) == clBlack && (y > 9 || x >= 12);
        EXPECT_GE(inRow, 1) << y;
    }
    EXPECT_EQ(inked(img, clWhite), QRect(QPoint(5, 5), QPoint(12, 30)));

    img.fill(Qt::white);
    canvas.pen.style = PenStyle::Dot;
    canvas.MoveTo(2, 20);
    canvas.LineTo(20, 20);
    canvas.release();
    for (int x = 2; x <= 20; ++x)
        EXPECT_EQ(px(img, x, 20), (x - 2) % 6 < 3 && x < 20 ? clBlack : clWhite) << x;
}
