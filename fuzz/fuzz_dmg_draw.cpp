// Fuzz target: a diagram file drawn as the viewer draws it. The input is a .dmg file whose
// sample count and check byte the target sets itself (the count from the input's length,
// at most kMostSamples), so every input is a valid file and its samples, names, colours,
// limits and flags reach the drawing: the file is read with dmg_read into a diagram of the
// viewer's size on a shown host, painted on the screen with the fixed scale the file
// carries, zoomed, panned and scrolled with the mouse and the scroll bar, and composed on
// a printed page (the preview's picture or a painter on an image, as a printer gets it).
// The three reserved header bytes, which the reader leaves alone, choose what happens:
//   byte 449  bit 0 T cursors, bit 1 Y cursors, bit 2 print everything held, bit 3 a
//             left-button drag (zoom, or back to following), bit 4 a right-button pan step,
//             bit 5 a scroll bar position, bit 6 the page on a painter, bit 7 channel mask
//   bytes 450, 451  the drag's first corner, the scroll position and the channel mask
// Every picture must finish with ranges that are numbers wider than 0 and the readouts of
// the cursors shown must be numbers; everything else is the sanitizers' to find.
#include "Diagramx.h"
#include "Dmg_file.h"
#include "Print_page.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QWidget>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

constexpr std::uint32_t kCapacity = 20001;
// Enough samples for every turn of the traces' clipping; more only make executions slow.
constexpr std::size_t kMostSamples = 64;
constexpr std::size_t kOptions = 449;

std::unique_ptr<QApplication> app;
std::unique_ptr<QWidget> host;
std::unique_ptr<Diagramx> diagram;
int file_fd = -1;
QString file_path;
std::vector<std::uint8_t> file;

void shutdown()
{
    diagram.reset();
    host.reset();
    app.reset();
}

bool drawable(double lo, double hi)
{
    return std::isfinite(hi - lo) && hi > lo;
}

void check_view(const ViewState& v)
{
    check(drawable(v.tMin, v.tMax));
    check(drawable(v.yMin, v.yMax));
}

MouseData mouse(int x, int y, MouseButton button, Qt::MouseButtons held)
{
    MouseData m;
    m.x = x;
    m.y = y;
    m.button = button;
    m.held = held;
    return m;
}

// The page at 96 pixels per inch on A4, on the preview's kind of canvas (an image written
// directly) or on a painter, as a printer is drawn on.
void compose(Diagramx& d, bool onPainter)
{
    static QImage sheet;
    PageTarget page;
    page.onPrinter = onPainter;
    page.dpi = 96;
    if (sheet.isNull())
        sheet = QImage(page.device.physicalWidth, page.device.physicalHeight, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    char names[kPrintChannels][kPrintNameSize] = {};
    for (int i = 0; i < kPrintChannels; ++i)
        std::memcpy(names[i], file.data() + 4 + std::size_t(i) * kDmgNameSize, kPrintNameSize);
    QPainter painter;
    std::unique_ptr<Canvas> canvas;
    if (onPainter) {
        painter.begin(&sheet);
        canvas = std::make_unique<Canvas>(&painter, sheet.rect());
    } else {
        canvas = std::make_unique<Canvas>(&sheet);
    }
    page.canvas = canvas.get();
    compose_page(page, &d, &names[0][0], print_whole_diagram == 1);
    check_view(d.printView);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int app_argc = 1;
    static char* app_argv[] = {(*argv)[0], nullptr};
    (void)argc;
    app = std::make_unique<QApplication>(app_argc, app_argv);
    host = std::make_unique<QWidget>();
    host->resize(520, 400); // the viewer's diagram panel
    diagram = std::make_unique<Diagramx>(host.get(), 8, 5000, kCapacity);
    host->show();
    QApplication::processEvents();
    // One picture with everything shown and one page of each kind first, so that the fonts
    // and caches every input needs are made before the first input is judged.
    const double values[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    diagram->AddSample(0, values, 8);
    diagram->AddSample(1, values, 8);
    diagram->showTCursors = diagram->showYCursors = 1;
    diagram->Redraw();
    file.assign(kDmgHeaderSize, 0);
    compose(*diagram, false);
    compose(*diagram, true);
    file_fd = ::memfd_create("grafion-fuzz-draw.dmg", MFD_CLOEXEC);
    check(file_fd >= 0);
    file_path = QStringLiteral("/proc/self/fd/%1").arg(file_fd);
    std::atexit(shutdown);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The input as a valid file: at least one record, the count it holds, the check byte.
    const std::size_t records =
        std::clamp<std::size_t>(size > kDmgHeaderSize ? (size - kDmgHeaderSize) / kDmgRecordSize
                                                      : 0,
                                1, kMostSamples);
    file.assign(kDmgHeaderSize + records * kDmgRecordSize, 0);
    std::memcpy(file.data(), data, std::min(size, file.size()));
    const std::uint32_t count = std::uint32_t(records);
    std::memcpy(file.data(), &count, 4); // little-endian machine
    file[448] = 0;
    file[448] = dmg_xor(file.data(), kDmgHeaderSize);
    check(::ftruncate(file_fd, 0) == 0);
    check(::pwrite(file_fd, file.data(), file.size(), 0) == ssize_t(file.size()));

    Diagramx& d = *diagram;
    DmgDisplaySettings settings;
    check(dmg_read(file_path, d, settings) == DmgReadResult::Loaded);
    check(d.SampleCount() == count);

    const std::uint8_t options = file[kOptions];
    const std::uint8_t a = file[kOptions + 1], b = file[kOptions + 2];
    // As the viewer applies a loaded file: the fixed scale from the flags and limits.
    d.view.fixedScale = settings.flags & 1u;
    d.view.fixedYMax = settings.y_max;
    d.view.fixedYMin = settings.y_min;
    d.showTCursors = options & 1;
    d.showYCursors = (options >> 1) & 1;
    for (int c = 0; c < 8; ++c)
        d.channelVisible[c] = options & 0x80 ? (a >> c) & 1 : 1;
    print_whole_diagram = (options >> 2) & 1;
    d.Redraw();
    check_view(d.view);

    const int w = d.screenArea.width, h = d.screenArea.height;
    if (options & 0x08) {
        // A left-button drag from one corner to another: a zoom or back to following.
        const int x1 = a * w / 256, y1 = b * h / 256;
        const int x2 = (a + 97) % 256 * w / 256, y2 = (b + 61) % 256 * h / 256;
        d.PlotMouseDown(mouse(x1, y1, MouseButton::Left, Qt::LeftButton));
        d.PlotMouseMove(mouse(x2, y2, MouseButton::Left, Qt::LeftButton));
        d.PlotMouseUp(mouse(x2, y2, MouseButton::Left, Qt::NoButton));
        check_view(d.view);
    }
    if (options & 0x10) {
        // One step of a right-button pan.
        d.PlotMouseDown(mouse(w / 2, h / 2, MouseButton::Right, Qt::RightButton));
        d.PlotMouseMove(
            mouse(w / 2 + a - 128, h / 2 + b - 128, MouseButton::Right, Qt::RightButton));
        d.PanStep();
        d.PlotMouseUp(mouse(w / 2, h / 2, MouseButton::Right, Qt::NoButton));
        check_view(d.view);
    }
    if (options & 0x20) {
        d.ScrollTo((a << 8 | b) % (Diagramx::kScrollRange + 1), Diagramx::kScrollRange);
        check_view(d.view);
    }
    for (int c = 0; c < 4; ++c)
        if (c < 2 ? d.showTCursors : d.showYCursors)
            check(std::isfinite(d.CursorReading(c)));

    compose(d, options & 0x40);
    return 0;
}
