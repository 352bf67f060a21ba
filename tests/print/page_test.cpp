// The page: geometry from the device measures, where compose_page puts its parts on a
// printer page and on the preview image, and which part of the diagram it prints.

#include "print_support.h"

#include "Print_page.h"

#include <QApplication>
#include <QPrinter>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

// A portrait A4 sheet at 600 pixels per inch with the given non-printable strips.
DeviceMeasures a4_600(int left = 0, int top = 0, int right = 0, int bottom = 0)
{
    DeviceMeasures d;
    d.logPixelsX = 600;
    d.physicalWidth = 4960;
    d.physicalHeight = 7016;
    d.physicalOffsetX = left;
    d.physicalOffsetY = top;
    d.horzRes = 4960 - left - right;
    d.vertRes = 7016 - top - bottom;
    return d;
}

// A page drawn into an image: a printer page (the printable area only) or a preview image.
struct PagePicture {
    QImage image;
    Canvas canvas;
    PageTarget target;
    PagePicture(const DeviceMeasures& device, bool printer, int w, int h)
        : image(w, h, QImage::Format_RGB32), canvas(&image)
    {
        image.fill(printer ? Qt::red : Qt::white); // a printer page must be filled white
        target.device = device;
        target.canvas = &canvas;
        target.onPrinter = printer;
    }
    const QImage& picture()
    {
        canvas.release();
        return image;
    }
};

struct WholeDiagramSetting {
    std::uint8_t saved = print_whole_diagram;
    explicit WholeDiagramSetting(std::uint8_t value) { print_whole_diagram = value; }
    ~WholeDiagramSetting() { print_whole_diagram = saved; }
};

} // namespace

TEST(PageGeometry, MarginsFollowTheWantedMillimetresAndTheStripsTheDeviceCannotPrint)
{
    PageTarget t;
    t.device = a4_600();
    page_geometry(600, t);
    EXPECT_EQ(mm_to_px(10, 600), 236);
    EXPECT_EQ(t.page_w, 4960);
    EXPECT_EQ(t.page_h, 7016);
    EXPECT_EQ(t.margin_x, 236);
    EXPECT_EQ(t.margin_y, 236);
    EXPECT_EQ(t.printable_w, 4960 - 2 * 236);
    EXPECT_EQ(t.printable_h, 7016 - 2 * 236 - 1);

    // A left strip wider than 10 mm widens both side margins.
    t.device = a4_600(300, 0, 100, 0);
    page_geometry(600, t);
    EXPECT_EQ(t.off_left, 300);
    EXPECT_EQ(t.off_right, 100);
    EXPECT_EQ(t.margin_x, 300);
    EXPECT_EQ(t.printable_w, 4960 - 600);
    // So does a right strip wider than the left one.
    t.device = a4_600(50, 0, 400, 0);
    page_geometry(600, t);
    EXPECT_EQ(t.margin_x, 400);
    EXPECT_EQ(t.printable_w, 4960 - 800);

    // A top strip widens the top (and bottom) margin; a bottom strip wider than the margin
    // shortens the printable height.
    t.device = a4_600(0, 250, 0, 500);
    page_geometry(600, t);
    EXPECT_EQ(t.margin_y, 250);
    EXPECT_EQ(t.off_bottom, 500);
    EXPECT_EQ(t.printable_h, 7016 - 250 - 500 - 1);

    // The same printer seen on a 96 dpi preview: every measure is scaled by 96 / 600,
    // vertical ones included.
    t.device = a4_600(300, 150, 60, 90);
    page_geometry(96, t);
    EXPECT_EQ(t.page_w, 4960 * 96 / 600);
    EXPECT_EQ(t.page_h, 7016 * 96 / 600);
    EXPECT_EQ(t.off_left, 48);
    EXPECT_EQ(t.off_top, 24);
    EXPECT_EQ(t.off_right, 9);
    EXPECT_EQ(t.off_bottom, 14);
    EXPECT_EQ(t.margin_x, 48);
    EXPECT_EQ(t.margin_y, 37);
    EXPECT_EQ(t.printable_w, t.page_w - 96);
    EXPECT_EQ(t.printable_h, t.page_h - 74 - 1);
}

TEST(ComposePage, PreviewPageHasItsPartsWhereTheLayoutPutsThem)
{
    PrintHost host;
    PagePicture page(a4_600(), false, 900, 1200);
    page.target.dpi = 96;
    page.target.origin_x = 40;
    page.target.origin_y = 25;
    const PageLayout l = compose_page(page.target, host.d.get(), print_names);
    const QImage& img = page.picture();
    save_for_viewing(img, "page-preview-96dpi.png");

    const int mx = 37 + 40, my = 37 + 25; // 10 mm at 96 dpi, plus the origin
    const int pw = 4960 * 96 / 600 - 74;
    const int ph = 7016 * 96 / 600 - 74 - 1;
    EXPECT_EQ(l.header.left(), mx);
    EXPECT_EQ(l.header.top(), my);
    EXPECT_EQ(l.topRule, l.header.bottom() + 1 + mm_to_px(1, 96));
    EXPECT_EQ(l.bottomRule, my + ph);
    EXPECT_EQ(img.pixel(mx + pw / 2, l.bottomRule), qRgb(0x80, 0x80, 0x80));
    EXPECT_EQ(img.pixel(mx + pw / 2, l.topRule), qRgb(0x80, 0x80, 0x80));
    EXPECT_EQ(l.title.left(), mx);
    EXPECT_EQ(l.title.width(), pw);
    EXPECT_EQ(l.title.top(), l.topRule + mm_to_px(1, 96));
    EXPECT_EQ(img.pixel(l.title.left(), l.title.center().y()), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(l.title.right(), l.title.center().y()), qRgb(0, 0, 0));
    // Some navy in the middle of the title box: the title text.
    bool navy = false;
    for (int x = l.title.center().x() - 60; x < l.title.center().x() + 60; ++x)
        navy = navy || img.pixel(x, l.title.center().y()) == qRgb(0, 0, 0x80);
    EXPECT_TRUE(navy);

    // The framed diagram box: full printable width, 60 % of the printable height.
    EXPECT_EQ(l.diagramBox, QRect(mx, l.title.bottom() + 1 + mm_to_px(1, 96), pw, ph * 60 / 100));
    EXPECT_EQ(img.pixel(l.diagramBox.left(), l.diagramBox.center().y()), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(l.diagramBox.right(), l.diagramBox.center().y()), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(l.diagramBox.center().x(), l.diagramBox.bottom()), qRgb(0, 0, 0));
    // The diagram inside it is painted on white.
    EXPECT_EQ(host.d->printArea.left, mx + mm_to_px(4, 96));
    EXPECT_EQ(host.d->printArea.width, pw - 2 * mm_to_px(4, 96));
    EXPECT_EQ(img.pixel(host.d->printArea.left + 2, host.d->printArea.top + 2), qRgb(255, 255, 255));

    // The legend: cells 1 to 4 on the first row, 5 to 8 on the second, 2 mm apart.
    const int cw = (pw - 3 * mm_to_px(2, 96)) / 4;
    for (int i = 0; i < 8; ++i) {
        const QRect& cell = l.legendCell[i];
        EXPECT_EQ(cell.width(), cw) << i;
        EXPECT_EQ(cell.left(), mx + (i % 4) * (cw + mm_to_px(2, 96))) << i;
        if (i < 4)
            EXPECT_EQ(cell.top(), l.diagramBox.bottom() + 1 + mm_to_px(3, 96)) << i;
        else
            EXPECT_EQ(cell.top(), l.legendCell[0].bottom() + 1 + mm_to_px(2, 96)) << i;
        EXPECT_EQ(img.pixel(cell.left(), cell.center().y()), qRgb(0, 0, 0)) << i;
        const QRgb swatch = img.pixel(l.legendSwatch[i].center());
        EXPECT_EQ(from_qcolor(QColor(swatch)), host.d->channelColor[i]) << i;
    }
    // Outside the sheet's margins nothing was drawn.
    EXPECT_EQ(img.pixel(mx - 3, my + 50), qRgb(255, 255, 255));
}

TEST(ComposePage, PrinterPageStartsAtThePrintableCornerAndIsFilledWhite)
{
    PrintHost host;
    // 150 dpi, left strip 12.7 mm (wider than the 10 mm margin), top strip 5 mm.
    DeviceMeasures d;
    d.logPixelsX = 150;
    d.physicalWidth = 1240;
    d.physicalHeight = 1754;
    d.physicalOffsetX = 75;
    d.physicalOffsetY = 30;
    d.horzRes = 1240 - 75 - 20;
    d.vertRes = 1754 - 30 - 30;
    PagePicture page(d, true, d.horzRes, d.vertRes);
    const PageLayout l = compose_page(page.target, host.d.get(), print_names);
    const QImage& img = page.picture();
    save_for_viewing(img, "page-printer-150dpi.png");

    EXPECT_EQ(page.target.margin_x, 75);
    EXPECT_EQ(page.target.margin_y, mm_to_px(10, 150));
    // margins less the strips: the page begins at the printable corner.
    EXPECT_EQ(l.header.left(), 0);
    EXPECT_EQ(l.header.top(), mm_to_px(10, 150) - 30);
    EXPECT_EQ(l.diagramBox.width(), 1240 - 150);
    EXPECT_EQ(img.pixel(5, img.height() - 3), qRgb(255, 255, 255)); // no red left
    EXPECT_EQ(img.pixel(l.diagramBox.left(), l.diagramBox.center().y()), qRgb(0, 0, 0));
    // Fonts follow the printer's resolution.
    EXPECT_EQ(page.canvas.font.pixelsPerInch, 150);
}

TEST(ComposePage, NamesAreReadInsideTheirSlotsAndKeptInsideTheirCells)
{
    PrintHost host;
    char names[8][50];
    std::memset(names, 'W', sizeof names); // no zero byte anywhere
    PagePicture page(a4_600(), false, 840, 1200);
    page.target.dpi = 96;
    const PageLayout l = compose_page(page.target, host.d.get(), &names[0][0]);
    const QImage& img = page.picture();
    save_for_viewing(img, "page-long-names.png");
    // The 2 mm gap between cells 1 and 2 stays white along the name's row.
    const int gapX = l.legendCell[0].right() + 3;
    for (int y = l.legendCell[0].top(); y <= l.legendCell[0].bottom(); ++y)
        ASSERT_EQ(img.pixel(gapX, y), qRgb(255, 255, 255)) << y;
    // The name did reach the end of its cell.
    bool ink = false;
    for (int x = l.legendCell[0].right() - 12; x < l.legendCell[0].right(); ++x)
        ink = ink || is_dark(img.pixel(x, l.legendCell[0].center().y()));
    EXPECT_TRUE(ink);
}

TEST(ComposePage, WholeDiagramPrintsEverySampleWhileTheScreenIsZoomed)
{
    PrintHost host(12000);
    Diagramx& d = *host.d;
    // The screen shows samples 4000 .. 4500 zoomed in.
    d.view.followLatest = 0;
    d.view.viewOffset = 4000;
    d.view.viewLength = 500;
    d.view.zoomYMax = 50;
    d.view.zoomYMin = -50;
    d.view.tTrimEnd = 0;
    d.view.tTrimStart = 0;
    const double screenTMin = d.samples[d.RingAdd(d.head, 4000)].t;
    const double screenTMax = d.samples[d.RingAdd(d.head, 4500)].t;

    PagePicture page(a4_600(), false, 840, 1200);
    page.target.dpi = 96;
    {
        WholeDiagramSetting whole(1);
        compose_page(page.target, &d, print_names);
        save_for_viewing(page.picture(), "page-whole-diagram.png");
    }
    EXPECT_EQ(d.printView.followLatest, 1);
    EXPECT_EQ(d.printView.windowSamples, d.capacity);
    EXPECT_DOUBLE_EQ(d.printView.tMin, d.samples[d.head].t);
    EXPECT_DOUBLE_EQ(d.printView.tMax, d.samples[d.RingBack(d.tail, 1)].t);
    EXPECT_GT(d.printView.yMax, 700.0); // automatic range over all the values
    // The screen's view is left as it was.
    EXPECT_EQ(d.view.followLatest, 0);
    EXPECT_EQ(d.view.viewOffset, 4000u);

    {
        WholeDiagramSetting shown(0);
        compose_page(page.target, &d, print_names);
    }
    EXPECT_EQ(d.printView.followLatest, 0);
    EXPECT_DOUBLE_EQ(d.printView.tMin, screenTMin);
    EXPECT_DOUBLE_EQ(d.printView.tMax, screenTMax);
    EXPECT_DOUBLE_EQ(d.printView.yMax, 50);
    EXPECT_EQ(d.printView.background, clWhite);
}

TEST(ComposePage, DateUsesTheLocaleSeparator)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(locale_date_separator(), u'.');
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    EXPECT_EQ(locale_date_separator(), u'/');
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(locale_date_separator(), u'/'); // its short format has no separator
    QLocale::setDefault(saved);
}

TEST(PrintJob, PrintsOnePdfPageWithTitleAndNames)
{
    PrintHost host;
    const QString pdf = QDir::temp().filePath(QStringLiteral("grafion-print-test-%1.pdf").arg(QCoreApplication::applicationPid()));
    QFile::remove(pdf);
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageOrientation(QPageLayout::Landscape); // the job prints portrait anyway
        print_page_on(printer);
        EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Portrait);
        EXPECT_EQ(printer.docName(), QStringLiteral("Grafion"));
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    ASSERT_TRUE(QFile::exists(pdf));
    if (!have_tool("pdftotext")) {
        QFile::remove(pdf);
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    }
    const QString text = run_tool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    EXPECT_TRUE(text.contains(QStringLiteral("DATA DIAGRAM"))) << text.toStdString();
    for (int i = 1; i <= 8; ++i)
        EXPECT_TRUE(text.contains(QStringLiteral("Dat Mis %1").arg(i))) << i;
    const QString info = run_tool(QStringLiteral("pdfinfo"), {pdf});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\b")))) << info.toStdString();
    QFile::remove(pdf);
}

TEST(PrintJob, NothingToComposeStartsNoJobAndRestoresTheCursor)
{
    const QString pdf = QDir::temp().filePath(QStringLiteral("grafion-abort-test.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    QFile::remove(pdf);
    print_diagram = nullptr; // nothing to compose
    Canvas* before = print_target.canvas;
    EXPECT_THROW(print_page_on(printer), std::runtime_error);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(print_target.canvas, before);
    // Found out before the job began: nothing was printed.
    EXPECT_FALSE(QFile::exists(pdf));
}
