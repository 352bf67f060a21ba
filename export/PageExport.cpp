#include "PageExport.h"

#include "Diagramx.h"
#include "ImageControl.h"
#include "Print_page.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <cmath>
#include <exception>

namespace {

// The resolution of the PDF page: fine enough that a printed or zoomed page keeps thin
// traces sharp, the resolution printers are driven at.
constexpr int kPdfDpi = 600;

QString or_unknown(const QString& reason)
{
    return reason.isEmpty() ? QStringLiteral("Unknown error") : reason;
}

int screen_ppi(const Diagramx& diagram)
{
    const int ppi = diagram.screenCanvas ? diagram.screenCanvas->font.pixelsPerInch : 0;
    return ppi > 0 ? ppi : kScreenPixelsPerInch;
}

// Marks the picture with the screen's resolution, so that it shows at its drawn size.
void mark_screen_resolution(QImage& image, const Diagramx& diagram)
{
    const int dpm = int(std::lround(screen_ppi(diagram) / 0.0254));
    image.setDotsPerMeterX(dpm);
    image.setDotsPerMeterY(dpm);
}

// Writes `bytes` to `path` through a temporary file renamed over it at the end.
QString save_bytes(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return or_unknown(file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return or_unknown(reason);
    }
    if (!file.commit())
        return or_unknown(file.errorString());
    return {};
}

} // namespace

QString export_pdf(const QString& path, Diagramx& diagram, const char* names, bool whole)
{
    // The page is made in memory first (a PDF writer closes the device it writes to, which
    // a file being saved must not see), and written out whole.
    QByteArray pdf;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setTitle(QStringLiteral("Grafion"));
        writer.setCreator(QStringLiteral("Grafion"));
        writer.setResolution(kPdfDpi);
        writer.setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));

        QPainter painter;
        if (!painter.begin(&writer))
            return QStringLiteral("The PDF page could not be started.");
        const QPageLayout layout = writer.pageLayout();
        const QRect full = layout.fullRectPixels(writer.resolution());
        const QRect paint = layout.paintRectPixels(writer.resolution());
        PageTarget target;
        target.onPrinter = true;
        target.device.logPixelsX = writer.resolution();
        target.device.physicalWidth = full.width();
        target.device.physicalHeight = full.height();
        target.device.physicalOffsetX = paint.left();
        target.device.physicalOffsetY = paint.top();
        target.device.horzRes = paint.width();
        target.device.vertRes = paint.height();
        Canvas canvas(&painter, QRect(0, 0, paint.width(), paint.height()));
        target.canvas = &canvas;
        try {
            compose_page(target, &diagram, names, whole);
        } catch (const std::exception& e) {
            painter.end();
            return QString::fromLocal8Bit(e.what());
        }
        painter.end();
    }
    return save_bytes(path, pdf);
}

QImage diagram_picture(Diagramx& diagram, QSize size, bool whole)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        Canvas canvas(&image);
        canvas.font.pixelsPerInch = screen_ppi(diagram);
        DrawArea area;
        area.canvas = &canvas;
        area.width = size.width();
        area.height = size.height();
        ViewState view = diagram.view;
        if (whole) {
            view.followLatest = 1;
            view.windowSamples = diagram.capacity;
        }
        diagram.Paint(area, view);
        canvas.release();
    }
    mark_screen_resolution(image, diagram);
    return image;
}

QImage screen_picture(Diagramx& diagram)
{
    if (!diagram.plotImage)
        return {};
    diagram.screenCanvas->release();
    QImage image = diagram.plotImage->picture().copy();
    mark_screen_resolution(image, diagram);
    return image;
}

QString export_png(const QString& path, const QImage& picture)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG"))
        return QStringLiteral("The picture could not be encoded.");
    return save_bytes(path, png);
}
