#pragma once
// The drawing surface shared by the diagram, the status bar, the parameter grid and the
// printed page: a canvas with its own pen, brush and font (as the drawing code sets them),
// over a QPainter, and the small drawing operations built on it.

#include "Color.h"
#include "Palette.h"

#include <QFont>
#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>
#include <memory>

// A rectangle given by its edges, right and bottom exclusive.
inline QRect rect_ltrb(int left, int top, int right, int bottom)
{
    return QRect(left, top, right - left, bottom - top);
}

// Fonts are given in points; the canvas turns points into pixels with its pixels per inch,
// so the same drawing code gives the same proportions on the screen and on a printer.
constexpr int kScreenPixelsPerInch = 96;

enum class PenStyle { Solid, Dot }; // Dot: three pixels on, three off

struct CanvasPen {
    Color color = clBlack;
    int width = 1;
    PenStyle style = PenStyle::Solid;
};

struct CanvasFont {
    QString name = QStringLiteral("Arial");
    int size = 8; // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    Color color = clBlack;
    int pixelsPerInch = kScreenPixelsPerInch;

    bool operator==(const CanvasFont&) const = default;
};

class Canvas {
public:
    // A canvas on an image the caller owns; the painter is opened on first use and closed by
    // release() (before the image is shown, copied or resized).
    explicit Canvas(QImage* image);
    // A canvas on a painter someone else has opened (a printer page, say).
    Canvas(QPainter* painter, QRect bounds);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    CanvasPen pen;
    Color brushColor = clWhite;
    CanvasFont font;

    QRect ClipRect() const; // the whole surface
    int TextWidth(const QString& text);
    int TextHeight(const QString& text);

    void MoveTo(int x, int y);
    void LineTo(int x, int y);                      // the end point itself is not drawn
    void Polyline(const QPoint* points, int count); // every point drawn, also a single one
    void Polygon(const QPoint* points, int count);  // filled with the brush, outlined with the pen
    void FillRect(const QRect& r);                  // right and bottom exclusive
    void FrameRect(const QRect& r);                 // one-pixel outline in the brush colour
    // Fills r with the brush colour and draws text with its cell's top-left at (x, y),
    // clipped to r.
    void TextRect(const QRect& r, int x, int y, const QString& text);
    void CopyRect(const QRect& dest, Canvas& source, const QRect& sourceRect);
    void Draw(int x, int y, const QImage& image);

    QPainter& painter(); // opened on demand, state not applied
    void release();
    QImage* image() const { return image_; }
    QFont qfont();

private:
    // An image written to directly by the thin-line drawing.
    struct DirectTarget {
        std::uint32_t* base = nullptr;
        qsizetype stride = 0;
        int width = 0, height = 0;
        std::uint32_t value = 0;
        void plot(int x, int y) const
        {
            if (unsigned(x) < unsigned(width) && unsigned(y) < unsigned(height))
                base[y * stride + x] = value;
        }
        void segment(QPoint a, QPoint b, int* dotPhase) const;
        void column(int x, long long from, long long to) const;
    };
    bool directTarget(DirectTarget& target);
    void applyPen();
    void applyBrush();
    void applyFont(bool withFont);
    struct RunEntry;
    const RunEntry* glyphRun(const QString& text);
    static std::size_t text_hash(unsigned fontId, const QString& text);

    QImage* image_ = nullptr;
    std::unique_ptr<QPainter> owned_;
    QPainter* painter_ = nullptr;
    QRect bounds_;
    QPoint penPos_;

    // The fonts built lately and the widths of short texts measured in them: a picture
    // switches between a few fonts and measures the same labels again and again.
    struct FontSlot {
        CanvasFont key; // what the slot was built from
        QFont font;
        int height = 0;
        int ascent = 0;
        unsigned id = 0; // 0: empty
    };
    static constexpr int kMaxCachedText = 22;
    static constexpr int kSavedColumns = 3;
    static constexpr int kSavedRows = 96;
    struct WidthEntry {
        unsigned fontId = 0;
        int length = 0;
        char16_t text[kMaxCachedText] = {};
        int width = 0;
    };
    struct RunEntry {
        unsigned fontId = 0;
        int length = 0;
        char16_t text[kMaxCachedText] = {};
        bool usable = false;
        QGlyphRun run;
        QRectF ink; // relative to the start of the baseline
    };
    static constexpr int kFontSlots = 6;
    static constexpr int kWidthEntries = 2048;
    static constexpr int kRunEntries = 256;
    std::unique_ptr<RunEntry[]> runs_;
    unsigned victim_ = 0;
    QPen qpen_;
    CanvasPen qpenKey_;
    bool qpenValid_ = false;
    struct TextPen {
        QPen pen;
        Color color = 0;
        bool valid = false;
    };
    TextPen textPens_[4];
    unsigned nextTextPen_ = 0;
    FontSlot& currentFont();
    FontSlot fonts_[kFontSlots];
    int currentSlot_ = -1;
    unsigned nextFontId_ = 1;
    std::unique_ptr<WidthEntry[]> widths_;
};

// Where a text sits across its rectangle: Left starts one pixel in.
enum class TextAlign { Left, Right, Centre };
// Which way a bevelled box's edges make it look: lit top-left, or lit bottom-right.
enum class BevelLook { Raised, Lowered };
// Whether a bevelled box gets a one-pixel black outline around its edges.
enum class Outline { None, Black };

// Text in a rectangle, vertically centred. The rectangle is filled with the brush colour
// first.
void DrawText(Canvas& canvas, const QRect& rect, TextAlign alignment, const QString& text);
// Fills the canvas's whole surface.
void FillCanvas(Canvas& canvas, Color color);
void FillBox(Canvas& canvas, int x, int y, int width, int height, Color color);
// A box with 3-D edges of the given width, optionally outlined in black and captioned.
void DrawBevelBox(Canvas& canvas, int left, int top, int right, int bottom, Color face,
                  std::uint8_t bevelWidth, BevelLook look, Outline outline, TextAlign alignment,
                  const QString& caption);
// Decodes a bitmap file held in memory and draws it centred in rect, white transparent.
void DrawImageCentered(Canvas& canvas, const QRect& rect, const unsigned char* bytes,
                       std::size_t count);
