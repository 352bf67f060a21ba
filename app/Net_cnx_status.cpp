// The main window's view of the link: the 10 ms monitor (connection state, output-command
// lock, connect blink, PC interfaces, controller discovery, debug texts) and the four
// owner-drawn panels of the status bar.
#include "Net_cnx.h"

#include "Canvas.h"
#include "Fz_netif.h"
#include "Globvar.h"
#include "Scknet.h"

#include <QAction>
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <QToolButton>

#include <chrono>

namespace {

constexpr int kPictureColumn = 28; // left part of panels 0 and 1 holding their picture
constexpr int kIndicatorWidth = 12;
constexpr std::uint32_t kBlinkMs = 500;

std::uint8_t controller_flags_shown = 0;
std::uint32_t controller_ip_shown = 0;
std::uint32_t blink_tick = 0;

std::uint32_t tick_count()
{
    using namespace std::chrono;
    return std::uint32_t(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

QByteArray as_bitmap_file(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.convertToFormat(QImage::Format_RGB888).save(&buffer, "BMP");
    return bytes;
}

// A network socket with its cable, 23 x 23, on white (white is transparent).
QByteArray interface_picture()
{
    QImage img(23, 23, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setPen(QColor(40, 40, 40));
    p.setBrush(QColor(70, 110, 160));
    p.drawRect(2, 6, 18, 14); // socket body
    p.setBrush(QColor(20, 20, 20));
    p.drawRect(6, 10, 10, 7); // opening
    p.setPen(QColor(230, 190, 60));
    for (int x = 8; x <= 14; x += 2) // contacts
        p.drawLine(x, 11, x, 13);
    p.setPen(QPen(QColor(60, 60, 60), 2));
    p.drawLine(11, 1, 11, 5); // cable
    return as_bitmap_file(img);
}

// The controller: a cabinet with a display and two lamps, 17 x 17, on white.
QByteArray controller_picture()
{
    QImage img(17, 17, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setPen(QColor(40, 40, 40));
    p.setBrush(QColor(150, 150, 160));
    p.drawRect(1, 1, 14, 14);
    p.setBrush(QColor(30, 60, 30));
    p.drawRect(3, 3, 10, 5); // display
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 200, 0));
    p.drawEllipse(3, 10, 3, 3);
    p.setBrush(QColor(220, 40, 40));
    p.drawEllipse(10, 10, 3, 3);
    return as_bitmap_file(img);
}

} // namespace

StatusPanelLook status_panel_look(StatusPanel panel)
{
    const std::uint8_t nflags = link_state.netif_flags.load();
    const std::uint8_t state = connection_state();
    const QString noAddress = QStringLiteral("IP: ---.---.---.---");
    switch (panel) {
    case StatusPanel::Interface:
        if (nflags & NETIF_SELECTED)
            return {QStringLiteral("IP: ") + QString::fromStdString(netif_ip_text()), clBlack,
                    false, (nflags & NETIF_HAS_ADDRESS) ? clLime : clYellow};
        return {noAddress, clRed, false, clRed};
    case StatusPanel::Controller:
        if ((link_state.controller_flags.load() & CONTROLLER_KNOWN) && (nflags & NETIF_SELECTED)
            && (nflags & NETIF_HAS_ADDRESS))
            return {QStringLiteral("IP: ") + QString::fromStdString(controller_ip_text()), clBlack,
                    false, clLime};
        return {noAddress, clRed, false, clRed};
    case StatusPanel::Connection:
        if (state == LINK_OFF)
            return {QStringLiteral("COM Off"), clBlack, false, 0, true};
        if (state == LINK_CONNECTED)
            return {QStringLiteral("Connesso"), clBlack, false, clLime};
        if (link_state.link_status.load() & LINK_BLINK)
            return {QStringLiteral("COM Error"), clRed, true, clRed};
        return {QString(), clBlack, false, 0, true};
    case StatusPanel::Acquisition:
        if (state != LINK_CONNECTED)
            return {QStringLiteral("-----"), clGray, false, 0, true};
        if (!link_state.acquisition_on.load())
            return {QStringLiteral("CMP-Off"), clBlack, false, 0, true};
        if (link_state.settings.trigger_mode.load() == TriggerRolling
            || (link_state.trigger_flags.load() & (TRIGGER_CAPTURED | TRIGGER_SHOWING))
                   == (TRIGGER_CAPTURED | TRIGGER_SHOWING))
            return {QStringLiteral("CMP-On"), clBlue, true, clLime};
        return {QStringLiteral("Trigger-WAIT"), clBlack, true, clYellow};
    }
    return {};
}

void TForm_net::Timer_monitorTimer()
{
    monitor_link_state();
    if (netif_poll())
        StatusBar_net_com->update();
    monitor_discovery();
    monitor_recording();

    // The debug panel's texts (the panel itself stays hidden): the counter acknowledged, the
    // sample blocks dropped as inconsistent, the replies that were of no use, the samples
    // in the last block.
    Panel_debx[0]->setCaption(QString::number(link_state.block_counter.load()));
    Panel_debx[1]->setCaption(QString::number(link_state.dropped_blocks.load()));
    Panel_debx[2]->setCaption(QString::number(link_state.unusable_replies.load()));
    for (int i = 3; i <= 4; ++i)
        Panel_debx[i]->setCaption(QStringLiteral("0"));
    Panel_debx[5]->setCaption(QString::number(link_state.block_count.load()));
}

void TForm_net::monitor_link_state()
{
    const std::uint8_t status = link_state.link_status.load();
    if (((status >> 2) & LINK_STATE_MASK) != (status & LINK_STATE_MASK)) {
        link_state.link_status.store(
            std::uint8_t((status & ~LINK_SHOWN_MASK) | ((status & LINK_STATE_MASK) << 2)));
        StatusBar_net_com->update();
    }

    // Saving, printing and exporting wait while an acquisition runs.
    const QWidget* buttons[] = {BitBtn_print, BitBtn_save, BitBtn_preview};
    QAction* const items[] = {Menu_Stampa,      Menu_Print_preview, Menu_Salva,
                              Menu_Esporta_CSV, Menu_Esporta_PDF,   Menu_Esporta_Immagine};
    bool anyEnabled = false;
    bool anyDisabled = false;
    for (const QWidget* b : buttons)
        (b->isEnabled() ? anyEnabled : anyDisabled) = true;
    for (const QAction* a : items)
        (a->isEnabled() ? anyEnabled : anyDisabled) = true;
    const bool acquiring = Timer_Diagram->isActive();
    if ((acquiring && anyEnabled) || (!acquiring && anyDisabled)) {
        for (QWidget* b : {static_cast<QWidget*>(BitBtn_print), static_cast<QWidget*>(BitBtn_save),
                           static_cast<QWidget*>(BitBtn_preview)})
            b->setEnabled(!acquiring);
        for (QAction* a : items)
            a->setEnabled(!acquiring);
    }

    // While connecting, the connection panel blinks about twice a second.
    SckTrd* thread = link_state.link_thread.load();
    if (thread && link_state.link_mode.load() == mode_run && connection_state() != LINK_CONNECTED) {
        const std::uint32_t now = tick_count();
        if (now - blink_tick > kBlinkMs) {
            blink_tick = now;
            link_state.link_status.fetch_xor(LINK_BLINK);
            StatusBar_net_com->update();
        }
    }
}

void TForm_net::monitor_discovery()
{
    const std::uint8_t flags = link_state.controller_flags.load();
    const std::uint32_t ip = link_state.controller_ip.load();
    if (controller_flags_shown != flags || controller_ip_shown != ip) {
        controller_flags_shown = flags;
        controller_ip_shown = ip;
        StatusBar_net_com->update();
    }
    // After a disconnect that lost the controller's address, look for it again.
    SckTrd* thread = link_state.link_thread.load();
    if (thread && (flags & CONTROLLER_KNOWN) == 0 && link_state.link_mode.load() == mode_hangup) {
        link_state.link_mode = mode_discover;
        thread->Resume();
    }
}

void TForm_net::StatusBar_net_comDrawPanel(Canvas& canvas, int index, const QRect& rect)
{
    static const QByteArray interfaceBitmap = interface_picture();
    static const QByteArray controllerBitmap = controller_picture();

    if (index < 0 || index >= kStatusPanels)
        return; // the two plain panels stay empty
    const StatusPanel panel = StatusPanel(index);
    const StatusPanelLook look = status_panel_look(panel);
    // The controller's address means nothing without a usable interface: it is forgotten.
    if (panel == StatusPanel::Controller && look.indicator == clRed)
        link_state.controller_flags.fetch_and(std::uint8_t(~CONTROLLER_KNOWN));
    const Color background = StatusBar_net_com->backgroundColor();

    // The status bar's own font, in the look the table asks for.
    canvas.font.name = font().family();
    canvas.font.size = 8;
    canvas.font.bold = look.bold;
    canvas.font.color = look.color;
    canvas.brushColor = background;

    const int left = rect.left();
    const int top = rect.top();
    const int right = rect.left() + rect.width();
    const int bottom = rect.top() + rect.height();
    if (panel == StatusPanel::Interface || panel == StatusPanel::Controller) {
        const QByteArray& picture =
            panel == StatusPanel::Interface ? interfaceBitmap : controllerBitmap;
        DrawImageCentered(canvas, rect_ltrb(left, top, left + kPictureColumn, bottom),
                          reinterpret_cast<const unsigned char*>(picture.constData()),
                          std::size_t(picture.size()));
        DrawText(canvas, rect_ltrb(left + kPictureColumn, top, right, bottom), TextAlign::Left,
                 look.text);
    } else {
        canvas.TextRect(rect, left + 2, top + 2, look.text);
    }

    // The indicator box at the panel's right end, outlined with the pen.
    canvas.pen = CanvasPen{};
    canvas.brushColor = look.indicatorIsBackground ? background : look.indicator;
    const int l = right - kIndicatorWidth, t = top + 1, r = right - 1, b = bottom - 1;
    const QPoint box[4] = {{l, t}, {r - 1, t}, {r - 1, b - 1}, {l, b - 1}};
    canvas.Polygon(box, 4);
}
