#include "Print_page.h"

#include "Diagramx.h"
#include "WaitCursor.h"
#include "message_box.h"

#include <QDateTime>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

std::uint8_t print_is_preview = 0;
std::uint16_t print_printer_index = 0;
std::uint8_t print_whole_diagram = 0;
Diagramx* print_diagram = nullptr;
const char* print_names = nullptr;

PageTarget print_target;

// ---- Printers ---------------------------------------------------------------------------------

QStringList printer_names()
{
    return QPrinterInfo::availablePrinterNames();
}

int current_printer_index()
{
    const QString current = QPrinterInfo::defaultPrinterName();
    const int index = int(printer_names().indexOf(current));
    return index < 0 ? 0 : index;
}

DeviceMeasures printer_measures(const QPrinter& printer)
{
    DeviceMeasures m;
    const int resolution = printer.resolution();
    const QPageLayout layout = printer.pageLayout();
    const QRect full = layout.fullRectPixels(resolution);
    const QRect paint = layout.paintRectPixels(resolution);
    m.logPixelsX = resolution > 0 ? resolution : 96;
    m.physicalWidth = full.width();
    m.physicalHeight = full.height();
    m.physicalOffsetX = paint.left();
    m.physicalOffsetY = paint.top();
    m.horzRes = paint.width();
    m.vertRes = paint.height();
    return m;
}

DeviceMeasures chosen_printer_measures()
{
    const QList<QPrinterInfo> printers = QPrinterInfo::availablePrinters();
    if (print_printer_index < printers.size()) {
        QPrinter printer(printers[print_printer_index], QPrinter::HighResolution);
        printer.setPageOrientation(QPageLayout::Portrait);
        return printer_measures(printer);
    }
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageOrientation(QPageLayout::Portrait);
    return printer_measures(pdf);
}

bool check_printer_present()
{
    if (!printer_names().isEmpty())
        return true;
    message_box(QStringLiteral("Nessuna Stampante Rilevata!"), QStringLiteral("Attenzione"),
                MessageIcon::Warning);
    return false;
}

// ---- Geometry ---------------------------------------------------------------------------------

namespace {

std::uint16_t u16(long long v)
{
    return std::uint16_t(std::clamp<long long>(v, 0, 0xFFFF));
}

} // namespace

QChar locale_date_separator()
{
    const QString format = QLocale().dateFormat(QLocale::ShortFormat);
    for (QChar c : format)
        if (!c.isLetter() && !c.isSpace() && c != u'\'')
            return c;
    return u'/';
}

void page_geometry(int dpi, PageTarget& t)
{
    const DeviceMeasures& d = t.device;
    const long long c = d.logPixelsX > 0 ? d.logPixelsX : 96;
    auto scaled = [&](long long v) { return v * dpi / c; };
    t.page_w = u16(scaled(d.physicalWidth));
    t.page_h = u16(scaled(d.physicalHeight));
    t.off_left = u16(scaled(d.physicalOffsetX));
    t.off_top = u16(scaled(d.physicalOffsetY));
    t.off_right = u16(scaled(d.physicalWidth - d.physicalOffsetX - d.horzRes));
    t.off_bottom = u16(scaled(d.physicalHeight - d.physicalOffsetY - d.vertRes));

    // The wanted margins, widened to the strips the device cannot print on; left and right
    // take the same width.
    int mx = mm_to_px(t.margin_x_mm, dpi);
    mx = std::max<int>(mx, t.off_left);
    mx = std::max<int>(mx, t.off_right);
    int my = mm_to_px(t.margin_y_mm, dpi);
    my = std::max<int>(my, t.off_top);
    t.margin_x = u16(mx);
    t.margin_y = u16(my);

    const int pw = int(t.page_w) - 2 * mx;
    int ph = int(t.page_h) - 2 * my;
    if (my + ph > int(t.page_h) - int(t.off_bottom))
        ph = int(t.page_h) - my - int(t.off_bottom);
    ph -= 1;
    t.printable_w = u16(pw);
    t.printable_h = u16(ph);
}

// ---- Page -------------------------------------------------------------------------------------

namespace {

void set_font(Canvas& canvas, int size, bool bold, Color color)
{
    canvas.font.name = QStringLiteral("Arial");
    canvas.font.size = size;
    canvas.font.bold = bold;
    canvas.font.italic = false;
    canvas.font.underline = false;
    canvas.font.strikeOut = false;
    canvas.font.color = color;
}

void frame(Canvas& canvas, const QRect& r)
{
    canvas.brushColor = clBlack;
    canvas.FrameRect(r);
    canvas.brushColor = clWhite;
}

// How far a text's drawing reaches from its start: its advance width, or the right edge of
// its ink where that lies further.
int text_extent(Canvas& canvas, const QString& text)
{
    const QRectF ink = QFontMetricsF(canvas.qfont()).tightBoundingRect(text);
    return std::max(canvas.TextWidth(text), int(std::ceil(ink.right())));
}

QString slot_name(const char* names, int i)
{
    if (!names)
        return QString();
    const char* slot = names + std::ptrdiff_t(i) * kPrintNameSize;
    const void* zero = std::memchr(slot, 0, kPrintNameSize);
    const auto length = zero ? static_cast<const char*>(zero) - slot : qsizetype(kPrintNameSize);
    return QString::fromLatin1(slot, length);
}

} // namespace

namespace {

// Where the page is drawn: the resolution, the sheet's top-left on the canvas, the printable
// size and the margins, in the canvas's pixels.
struct PageFrame {
    int dpi = 96;
    int ox = 0, oy = 0; // the sheet's top-left (the preview's image) or 0 (a printer page)
    int pw = 0, ph = 0; // printable width and height
    int mx = 0, my = 0; // left and top margin from the canvas's origin
    int mm(int n) const { return mm_to_px(n, dpi); }
};

// Resolution, origin and geometry; the printer's canvas begins at the printable corner of
// the sheet. A printer page is cleared first.
PageFrame page_frame(PageTarget& target, Canvas& canvas)
{
    PageFrame f;
    if (target.onPrinter) {
        f.dpi = target.device.logPixelsX > 0 ? target.device.logPixelsX : 96;
        FillCanvas(canvas, clWhite);
    } else {
        f.dpi = target.dpi > 0 ? target.dpi : 96;
        f.ox = target.origin_x;
        f.oy = target.origin_y;
    }
    canvas.font.pixelsPerInch = f.dpi; // point sizes follow the page's resolution

    page_geometry(f.dpi, target);
    f.pw = target.printable_w;
    f.ph = target.printable_h;
    f.mx = target.margin_x;
    f.my = target.margin_y;
    if (target.onPrinter) {
        f.mx -= target.off_left;
        f.my -= target.off_top;
    }
    return f;
}

// The header (time at the left edge, date at the right edge), the rule under it and the
// rule at the bottom of the printable area.
void draw_header(Canvas& canvas, const PageFrame& f, PageLayout& layout)
{
    const int x0 = f.mx + f.ox;
    int y = f.my + f.oy;
    canvas.brushColor = clWhite;
    set_font(canvas, 9, false, clBlack);
    const QDateTime now = QDateTime::currentDateTime();
    const QString time = now.time().toString(QStringLiteral("hh:mm:ss"));
    const QChar sep = locale_date_separator();
    const QString date = now.date().toString(QStringLiteral("dd")) + sep
                         + now.date().toString(QStringLiteral("MM")) + sep
                         + now.date().toString(QStringLiteral("yyyy"));
    const int th = canvas.TextHeight(time);
    const int timeW = canvas.TextWidth(time);
    const int dateW = canvas.TextWidth(date);
    DrawText(canvas, rect_ltrb(x0, y, x0 + timeW, y + th), TextAlign::Centre, time);
    DrawText(canvas, rect_ltrb(x0 + f.pw - dateW, y, x0 + f.pw, y + th), TextAlign::Centre, date);
    layout.header = rect_ltrb(x0, y, x0 + f.pw, y + th);

    y = y + th + f.mm(1);
    canvas.pen = CanvasPen{clGray, 1, PenStyle::Solid};
    canvas.MoveTo(x0, y);
    canvas.LineTo(x0 + f.pw, y);
    canvas.MoveTo(x0, f.my + f.oy + f.ph);
    canvas.LineTo(x0 + f.pw, f.my + f.oy + f.ph);
    layout.topRule = y;
    layout.bottomRule = f.my + f.oy + f.ph;
}

// The "DATA DIAGRAM" box under the top rule.
QRect draw_title(Canvas& canvas, const PageFrame& f, int topRule)
{
    const int x0 = f.mx + f.ox;
    set_font(canvas, 14, true, clNavy);
    const int t = topRule + f.mm(1);
    const QRect title =
        rect_ltrb(x0, t, x0 + f.pw, t + 2 * canvas.TextHeight(QStringLiteral("DATA DIAGRAM")));
    DrawText(canvas, title, TextAlign::Centre, QStringLiteral("DATA DIAGRAM"));
    frame(canvas, title);
    return title;
}

// The diagram under the title, as shown on screen or with every sample it holds (`whole`),
// in a framed box; returns the box.
QRect draw_diagram_box(Canvas& canvas, const PageFrame& f, const QRect& title, Diagramx& diagram,
                       bool whole)
{
    const int ix = f.mm(4), iy = f.mm(4);
    const int x0 = f.mx + f.ox;
    const int y = title.top() + title.height() + f.mm(1);
    const int bw = f.pw;
    const int bh = f.ph * 60 / 100;

    diagram.printView = diagram.view;
    if (whole) {
        diagram.printView.followLatest = 1;
        diagram.printView.windowSamples = diagram.capacity;
    }
    DrawArea& area = diagram.printArea;
    area.canvas = &canvas;
    area.left = x0 + ix;
    area.top = y + iy;
    area.width = bw - 2 * ix;
    area.height = bh - 2 * iy;
    diagram.printView.background = clWhite;
    diagram.Paint(area, diagram.printView);

    const QRect box = rect_ltrb(x0, y, x0 + bw, y + bh);
    frame(canvas, box);
    return box;
}

// The legend under the diagram box: two rows of four cells with number, colour and name.
void draw_legend(Canvas& canvas, const PageFrame& f, const QRect& box, const Diagramx& diagram,
                 const char* names, PageLayout& layout)
{
    const int cw = (f.pw - 3 * f.mm(2)) / 4;
    set_font(canvas, 10, false, clBlack);
    int x = f.mx + f.ox;
    int y = box.top() + box.height() + f.mm(3);
    for (int i = 0; i < kPrintChannels; ++i) {
        set_font(canvas, 10, false, clBlack);
        const QString name = slot_name(names, i);
        const int h = canvas.TextHeight(name);
        const int q = h / 3;
        const QRect cell = rect_ltrb(x, y, x + cw, y + h + 2 * q);
        frame(canvas, cell);
        layout.legendCell[i] = cell;

        const QRect number = rect_ltrb(x + q, y + q, x + q + h, y + q + h);
        canvas.brushColor = clWhite;
        DrawText(canvas, number, TextAlign::Centre, QString::number(i + 1));

        const int sl = number.left() + number.width() + f.mm(1);
        const QRect swatch = rect_ltrb(sl, number.top(), sl + h, number.top() + number.height());
        const Color face = i < diagram.channelCount ? diagram.channelColor[i] : clWhite;
        DrawBevelBox(canvas, swatch.left(), swatch.top(), swatch.left() + swatch.width(),
                     swatch.top() + swatch.height(), face, std::uint8_t(7 * f.dpi / 254),
                     BevelLook::Raised, Outline::Black, TextAlign::Centre, QString());
        layout.legendSwatch[i] = swatch;

        // The name as stored, kept inside its cell so a long one cannot run over the next.
        // Its box holds the whole name: the text starts one pixel in from the box's left
        // edge, and at a small size a glyph's ink may end past the text's advance width, so
        // a box only as wide as the advance would clip the last letter on the preview.
        const int nl = swatch.left() + swatch.width() + f.mm(1);
        const int nr =
            std::min(nl + 1 + text_extent(canvas, name) + 1, cell.left() + cell.width() - 1);
        canvas.brushColor = clWhite;
        if (nr > nl)
            DrawText(canvas, rect_ltrb(nl, swatch.top(), nr, swatch.top() + swatch.height()),
                     TextAlign::Left, name);

        if (i == 3) {
            x = f.mx + f.ox;
            y = y + h + 2 * q + f.mm(2);
        } else {
            x = x + cw + f.mm(2);
        }
    }
    canvas.brushColor = clWhite;
}

} // namespace

PageLayout compose_page(PageTarget& target, Diagramx* diagram, const char* names, bool whole)
{
    if (!target.canvas)
        throw std::runtime_error("La pagina non ha dove essere disegnata.");
    if (!diagram)
        throw std::runtime_error("Nessun diagramma da stampare.");
    Canvas& canvas = *target.canvas;
    PageLayout layout;
    const PageFrame f = page_frame(target, canvas);
    draw_header(canvas, f, layout);
    layout.title = draw_title(canvas, f, layout.topRule);
    layout.diagramBox = draw_diagram_box(canvas, f, layout.title, *diagram, whole);
    draw_legend(canvas, f, layout.diagramBox, *diagram, names, layout);
    return layout;
}

// ---- Print job --------------------------------------------------------------------------------

namespace {

// Puts the page target back as it was (the preview keeps its canvas in it).
class TargetGuard {
public:
    TargetGuard() : saved_(print_target) {}
    ~TargetGuard()
    {
        print_target.canvas = saved_.canvas;
        print_target.onPrinter = saved_.onPrinter;
        print_target.device = saved_.device;
    }
    TargetGuard(const TargetGuard&) = delete;
    TargetGuard& operator=(const TargetGuard&) = delete;

private:
    PageTarget saved_;
};

} // namespace

void print_page_on(QPrinter& printer)
{
    // The hourglass while a job runs; the normal cursor again however the job ends.
    WaitCursor hourglass;
    TargetGuard keepTarget;
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setDocName(QStringLiteral("Grafion"));
    printer.setFullPage(false);

    // What can be found out before the job begins is: an aborted job cannot be taken back on
    // every printing system.
    if (!print_diagram)
        throw std::runtime_error("Nessun diagramma da stampare.");

    QPainter painter;
    if (!painter.begin(&printer))
        throw std::runtime_error(QStringLiteral("Impossibile avviare la stampa su \"%1\".")
                                     .arg(printer.printerName())
                                     .toLocal8Bit()
                                     .toStdString());
    print_target.device = printer_measures(printer);
    Canvas canvas(&painter, QRect(0, 0, print_target.device.horzRes, print_target.device.vertRes));
    print_target.canvas = &canvas;
    print_target.onPrinter = true;
    try {
        compose_page(print_target, print_diagram, print_names, print_whole_diagram == 1);
    } catch (...) {
        printer.abort();
        painter.end();
        throw;
    }
    if (!painter.end())
        throw std::runtime_error(QStringLiteral("Stampa su \"%1\" non riuscita.")
                                     .arg(printer.printerName())
                                     .toLocal8Bit()
                                     .toStdString());
}

void print_page()
{
    const QList<QPrinterInfo> printers = QPrinterInfo::availablePrinters();
    if (print_printer_index >= printers.size())
        throw std::runtime_error("La stampante scelta non è disponibile.");
    QPrinter printer(printers[print_printer_index], QPrinter::HighResolution);
    print_page_on(printer);
}
