// The page: geometry from the device measures, where compose_page puts its parts, which part
// of the diagram it prints, and a whole print job.

#include "print_support.h"

#include "Print_page.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <array>
#include <climits>

namespace {

// A portrait A4 sheet (at 600 pixels per inch unless told) with the given non-printable strips.
DeviceMeasures a4(int dpi = 600, int left = 0, int top = 0, int right = 0, int bottom = 0)
{
    DeviceMeasures d;
    d.logPixelsX = dpi;
    d.physicalWidth = 4960 * dpi / 600;
    d.physicalHeight = 7016 * dpi / 600;
    d.physicalOffsetX = left;
    d.physicalOffsetY = top;
    d.horzRes = d.physicalWidth - left - right;
    d.vertRes = d.physicalHeight - top - bottom;
    return d;
}

// A page drawn into a preview image at 96 pixels per inch.
struct PagePicture {
    QImage image;
    Canvas canvas;
    PageTarget target;
    PagePicture(const DeviceMeasures& device, int w, int h)
        : image(w, h, QImage::Format_RGB32), canvas(&image)
    {
        image.fill(Qt::white);
        target.device = device;
        target.canvas = &canvas;
        target.dpi = 96;
    }
    const QImage& picture()
    {
        canvas.release();
        return image;
    }
};

} // namespace

TEST(PageGeometry, MarginsFollowTheWantedMillimetresAndTheStripsTheDeviceCannotPrint)
{
    // The strips the printer cannot print (left, top, right, bottom at 600 dpi), and what the
    // page takes from them at its resolution: the strips, the margins, the printable size.
    const struct {
        const char* what;
        int dpi;
        std::array<int, 4> strips;
        std::array<int, 8> want; // off left, top, right, bottom; margin x, y; printable w, h
    } cases[] = {
        {"no strips: 10 mm all round", 600, {}, {0, 0, 0, 0, 236, 236, 4488, 6543}},
        // A left strip wider than 10 mm widens both side margins; so does a wider right one.
        {"left strip", 600, {300, 0, 100, 0}, {300, 0, 100, 0, 300, 236, 4360, 6543}},
        {"right strip", 600, {50, 0, 400, 0}, {50, 0, 400, 0, 400, 236, 4160, 6543}},
        // A top strip widens the top margin, a wider bottom strip shortens the height.
        {"top, bottom", 600, {0, 250, 0, 500}, {0, 250, 0, 500, 236, 250, 4488, 6265}},
        // The same printer on a 96 dpi preview: every measure scaled, vertical ones included.
        {"preview", 96, {300, 150, 60, 90}, {48, 24, 9, 14, 48, 37, 697, 1047}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PageTarget t;
        t.device = a4(600, c.strips[0], c.strips[1], c.strips[2], c.strips[3]);
        page_geometry(c.dpi, t);
        EXPECT_EQ(QSize(t.page_w, t.page_h), QSize(4960 * c.dpi / 600, 7016 * c.dpi / 600));
        EXPECT_EQ((std::array<int, 8>{t.off_left, t.off_top, t.off_right, t.off_bottom, t.margin_x,
                                      t.margin_y, t.printable_w, t.printable_h}),
                  c.want);
    }
}

TEST(ComposePage, NamesAreReadInsideTheirSlotsAndKeptInsideTheirCells)
{
    PrintHost host;
    char names[8][50];
    std::memset(names, 'W', sizeof names); // no zero byte anywhere
    PagePicture page(a4(), 840, 1200);
    const PageLayout l = compose_page(page.target, host.d.get(), &names[0][0], false);
    const QImage& img = page.picture();
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

    PagePicture page(a4(), 840, 1200);
    PrintSettingsReset reset;
    compose_page(page.target, &d, print_names, true);
    EXPECT_EQ(d.printView.windowSamples, d.capacity);
    EXPECT_DOUBLE_EQ(d.printView.tMin, d.samples[d.head].t);
    EXPECT_DOUBLE_EQ(d.printView.tMax, d.samples[d.RingBack(d.tail, 1)].t);
    EXPECT_GT(d.printView.yMax, 700.0); // automatic range over all the values
    // The screen's view is left as it was.
    EXPECT_EQ(d.view.followLatest, 0);
    EXPECT_EQ(d.view.viewOffset, 4000u);

    compose_page(page.target, &d, print_names, false);
    EXPECT_DOUBLE_EQ(d.printView.tMin, d.samples[d.RingAdd(d.head, 4000)].t);
    EXPECT_DOUBLE_EQ(d.printView.tMax, d.samples[d.RingAdd(d.head, 4500)].t);
    EXPECT_DOUBLE_EQ(d.printView.yMax, 50);
}

TEST(PrintJob, PrintsOnePortraitPageAndNothingWithoutADiagram)
{
    const QString pdf = QDir::temp().filePath(
        QStringLiteral("grafion-print-test-%1.pdf").arg(QCoreApplication::applicationPid()));
    QFile::remove(pdf);
    const auto print = [&pdf] {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageOrientation(QPageLayout::Landscape); // the job prints portrait anyway
        print_page_on(printer);
        EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Portrait);
    };
    // Nothing to compose: found out before the job begins, so nothing is printed.
    print_diagram = nullptr;
    Canvas* before = print_target.canvas;
    EXPECT_THROW(print(), std::runtime_error);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(print_target.canvas, before);
    EXPECT_FALSE(QFile::exists(pdf));

    PrintHost host;
    print();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    ASSERT_TRUE(QFile::exists(pdf));
    const QString info = run_tool(QStringLiteral("pdfinfo"), {pdf});
    QFile::remove(pdf);
    if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
        GTEST_SKIP() << "pdfinfo (poppler-utils) is not installed";
    // (The page's texts in a PDF: export/export_commands_test.cpp, from the same compose_page.)
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\b"))))
        << info.toStdString();
}
