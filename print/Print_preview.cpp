#include "Print_preview.h"

#include "EventHook.h"
#include "ImageControl.h"
#include "Print_page.h"
#include "WindowShow.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>

TForm_print_preview* Form_print_preview = nullptr;

namespace {

constexpr int kScrollPanel = 20;

enum class ButtonIcon { FitWidth, FitHeight, Print };

// The small pictures of the tool bar's buttons.
QIcon button_icon(ButtonIcon which)
{
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor navy(0, 0, 128);
    auto arrow_head = [&p](QPointF tip, QPointF dir) {
        const QPointF side(-dir.y(), dir.x());
        QPainterPath path;
        path.moveTo(tip);
        path.lineTo(tip - dir * 5 + side * 4);
        path.lineTo(tip - dir * 5 - side * 4);
        path.closeSubpath();
        p.fillPath(path, p.pen().color());
    };
    switch (which) {
    case ButtonIcon::FitWidth:
    case ButtonIcon::FitHeight: {
        // A sheet with a double arrow across it.
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(5.5, 2.5, 13, 19));
        p.setPen(QPen(navy, 2));
        if (which == ButtonIcon::FitWidth) {
            p.drawLine(QPointF(3, 12), QPointF(21, 12));
            arrow_head(QPointF(1, 12), QPointF(-1, 0));
            arrow_head(QPointF(23, 12), QPointF(1, 0));
        } else {
            p.drawLine(QPointF(12, 3), QPointF(12, 21));
            arrow_head(QPointF(12, 1), QPointF(0, -1));
            arrow_head(QPointF(12, 23), QPointF(0, 1));
        }
        break;
    }
    case ButtonIcon::Print:
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7.5, 2.5, 9, 8)); // paper in
        p.setBrush(QColor(0xC0, 0xC0, 0xC0));
        p.drawRoundedRect(QRectF(2.5, 9.5, 19, 9), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(6.5, 15.5, 11, 6)); // paper out
        p.setPen(QPen(navy, 1));
        p.drawLine(QPointF(8, 18), QPointF(16, 18));
        break;
    }
    return QIcon(pm);
}

} // namespace

void ResizePanel::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    if (onResize)
        onResize();
}

TForm_print_preview::TForm_print_preview(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("Form_print_preview"));
    setWindowTitle(QStringLiteral("Print Preview"));
    setModal(true);
    resize(kClientWidth, kClientHeight);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    // Tool bar: zoom, fit to width and height, print, close.
    ToolBar1 = new QFrame(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setFixedHeight(35);
    ToolBar1->setFrameShape(QFrame::StyledPanel);
    auto* bar = new QHBoxLayout(ToolBar1);
    bar->setContentsMargins(2, 1, 2, 1);
    bar->setSpacing(2);

    Panel43 = new QFrame(ToolBar1);
    Panel43->setObjectName(QStringLiteral("Panel43"));
    Panel43->setFrameShape(QFrame::StyledPanel);
    Panel43->setFixedWidth(190);
    auto* trackBox = new QHBoxLayout(Panel43);
    trackBox->setContentsMargins(4, 0, 4, 0);
    TrackBar_px_inchx = new QSlider(Qt::Horizontal, Panel43);
    TrackBar_px_inchx->setObjectName(QStringLiteral("TrackBar_px_inchx"));
    TrackBar_px_inchx->setToolTip(QStringLiteral("Zoom"));
    TrackBar_px_inchx->setRange(20, 400);
    TrackBar_px_inchx->setValue(100);
    TrackBar_px_inchx->setSingleStep(5);
    TrackBar_px_inchx->setPageStep(20);
    TrackBar_px_inchx->setTickInterval(20);
    TrackBar_px_inchx->setTickPosition(QSlider::TicksBelow);
    trackBox->addWidget(TrackBar_px_inchx);
    bar->addWidget(Panel43);

    Panel_px_inchx = new QLabel(ToolBar1);
    Panel_px_inchx->setObjectName(QStringLiteral("Panel_px_inchx"));
    Panel_px_inchx->setFixedWidth(50);
    Panel_px_inchx->setAlignment(Qt::AlignCenter);
    Panel_px_inchx->setFrameShape(QFrame::StyledPanel);
    Panel_px_inchx->setStyleSheet(QStringLiteral("color: #000080; font-weight: bold;"));
    bar->addWidget(Panel_px_inchx);

    auto picture_button = [this](const char* name, const QIcon& icon, const QString& caption) {
        auto* b = new QPushButton(icon, caption, ToolBar1);
        b->setObjectName(QString::fromLatin1(name));
        b->setIconSize(QSize(24, 24));
        b->setFixedHeight(31);
        if (caption.isEmpty())
            b->setFixedWidth(36);
        b->setAutoDefault(false);
        return b;
    };
    BitBtn_width = picture_button("BitBtn_width", button_icon(ButtonIcon::FitWidth), QString());
    BitBtn_height = picture_button("BitBtn_height", button_icon(ButtonIcon::FitHeight), QString());
    BitBtn1 = picture_button("BitBtn1", button_icon(ButtonIcon::Print), QString());
    BitBtn_close =
        picture_button("BitBtn_close", style()->standardIcon(QStyle::SP_DialogCloseButton),
                       QStringLiteral("Chiudi"));
    BitBtn_close->setIconSize(QSize(16, 16));
    bar->addWidget(BitBtn_width);
    bar->addWidget(BitBtn_height);
    bar->addSpacing(8);
    bar->addWidget(BitBtn1);
    bar->addSpacing(8);
    bar->addWidget(BitBtn_close);
    for (int i = 0; i < 5; ++i) {
        Button_F[i] = new QPushButton(QStringLiteral("F%1").arg(i + 1), ToolBar1);
        Button_F[i]->setObjectName(QStringLiteral("Button_F%1").arg(i + 1));
        Button_F[i]->setAutoDefault(false);
        bar->addWidget(Button_F[i]);
    }
    bar->addStretch(1);
    outer->addWidget(ToolBar1);

    // The sheet's area, with the hidden debug panel at its left.
    auto* middle = new QHBoxLayout;
    middle->setContentsMargins(0, 0, 0, 0);
    middle->setSpacing(0);
    Panel_debugx = new QFrame(this);
    Panel_debugx->setObjectName(QStringLiteral("Panel_debugx"));
    Panel_debugx->setFixedWidth(80);
    auto* debugBox = new QVBoxLayout(Panel_debugx);
    for (int i = 0; i < 4; ++i) {
        auto* value = new QLabel(QStringLiteral("0"), Panel_debugx);
        value->setFrameShape(QFrame::StyledPanel);
        debugBox->addWidget(value);
    }
    debugBox->addStretch(1);
    middle->addWidget(Panel_debugx);

    Panel_Img_preview = new ResizePanel(this);
    Panel_Img_preview->setObjectName(QStringLiteral("Panel_Img_preview"));
    Panel_Img_preview->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    middle->addWidget(Panel_Img_preview, 1);
    outer->addLayout(middle, 1);

    Image_preview = new ImageControl(Panel_Img_preview);
    Image_preview->setObjectName(QStringLiteral("Image_preview"));
    Panel_scroll_pg_y = new QFrame(Panel_Img_preview);
    Panel_scroll_pg_y->setObjectName(QStringLiteral("Panel_scroll_pg_y"));
    ScrollBar_Y = new QScrollBar(Qt::Vertical, Panel_scroll_pg_y);
    ScrollBar_Y->setObjectName(QStringLiteral("ScrollBar_Y"));
    Panel_scroll_pg_x = new QFrame(Panel_Img_preview);
    Panel_scroll_pg_x->setObjectName(QStringLiteral("Panel_scroll_pg_x"));
    ScrollBar_X = new QScrollBar(Qt::Horizontal, Panel_scroll_pg_x);
    ScrollBar_X->setObjectName(QStringLiteral("ScrollBar_X"));
    Panel_scroll_pg_xy = new QFrame(Panel_scroll_pg_x);
    Panel_scroll_pg_xy->setObjectName(QStringLiteral("Panel_scroll_pg_xy"));
    Panel_scroll_pg_xy->setFrameShape(QFrame::StyledPanel);

    // Status bar in its bottom panel: the printer's name, and a short panel.
    Panel_status = new QFrame(this);
    Panel_status->setObjectName(QStringLiteral("Panel_status"));
    auto* statusBox = new QHBoxLayout(Panel_status);
    statusBox->setContentsMargins(0, 0, 0, 0);
    StatusBar_status = new QStatusBar(Panel_status);
    StatusBar_status->setObjectName(QStringLiteral("StatusBar_status"));
    StatusBar_status->setSizeGripEnabled(false);
    const int panelWidth[2] = {300, 50};
    for (int i = 0; i < 2; ++i) {
        StatusPanel[i] = new QLabel(StatusBar_status);
        StatusPanel[i]->setFixedWidth(panelWidth[i]);
        StatusPanel[i]->setFrameShape(QFrame::StyledPanel);
        StatusBar_status->addWidget(StatusPanel[i]);
    }
    statusBox->addWidget(StatusBar_status);
    outer->addWidget(Panel_status);

    Timer_monitor = new QTimer(this);
    Timer_monitor->setObjectName(QStringLiteral("Timer_monitor"));
    Timer_monitor->setInterval(50);

    connect(TrackBar_px_inchx, &QSlider::valueChanged, this, [this] { TrackBar_px_inchxChange(); });
    connect(BitBtn_width, &QPushButton::clicked, this, [this] { BitBtn_widthClick(); });
    connect(BitBtn_height, &QPushButton::clicked, this, [this] { BitBtn_heightClick(); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn_close, &QPushButton::clicked, this, [this] { BitBtn_closeClick(); });
    connect(ScrollBar_X, &QScrollBar::valueChanged, this, [this] { ScrollBar_XChange(); });
    connect(ScrollBar_Y, &QScrollBar::valueChanged, this, [this] { ScrollBar_YChange(); });
    Panel_Img_preview->onResize = [this] { Panel_Img_previewResize(); };
    new EventHook(Image_preview, [this](QEvent* e) {
        if (e->type() != QEvent::Wheel)
            return false;
        Image_previewWheel(static_cast<QWheelEvent*>(e));
        return true;
    });
    connect(Timer_monitor, &QTimer::timeout, this, [this] { Timer_monitorTimer(); });

    FormCreate();
    Timer_monitor->start();
}

TForm_print_preview::~TForm_print_preview()
{
    Timer_monitor->stop();
    Panel_Img_preview->onResize = nullptr;
    if (print_target.canvas == &Image_preview->canvas())
        print_target.canvas = nullptr;
}

void TForm_print_preview::FormCreate()
{
    for (QPushButton* b : Button_F)
        b->hide();
    Panel_debugx->hide();
    print_target.canvas = &Image_preview->canvas();
    print_target.onPrinter = false;
    print_target.dpi = 96;
    // The sheet is laid out for the printer chosen in the options dialog.
    print_target.device = chosen_printer_measures();
    arrange_image_panel();
}

void TForm_print_preview::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    window_shown(*this, *event, Centre::Window, [this] { FormShow(); });
}

void TForm_print_preview::Image_previewWheel(QWheelEvent* event)
{
    // One notch of a wheel is 120 eighths of a degree; finer wheels and touch pads send less.
    constexpr int kNotch = 120;
    QPoint turn = event->angleDelta();
    if (event->modifiers() & Qt::ControlModifier) {
        zoomWheelRest_ += turn.y() != 0 ? turn.y() : turn.x();
        const int notches = zoomWheelRest_ / kNotch;
        zoomWheelRest_ -= notches * kNotch;
        if (notches != 0)
            set_track_position(TrackBar_px_inchx->value()
                               + notches * TrackBar_px_inchx->singleStep());
        event->accept();
        return;
    }
    if ((event->modifiers() & Qt::ShiftModifier) && turn.x() == 0)
        turn = QPoint(turn.y(), 0);
    // As far per notch as a scrolled view moves for the desktop's number of wheel lines; a
    // bar that is hidden (the sheet fits) does not move.
    auto scroll = [](QScrollBar* bar, const QWidget* panel, int eighths) {
        if (eighths == 0 || panel->isHidden())
            return;
        const qint64 pixels =
            qint64(eighths) * QApplication::wheelScrollLines() * bar->singleStep() / kNotch;
        bar->setValue(
            int(std::clamp<qint64>(bar->value() - pixels, bar->minimum(), bar->maximum())));
    };
    scroll(ScrollBar_Y, Panel_scroll_pg_y, turn.y());
    scroll(ScrollBar_X, Panel_scroll_pg_x, turn.x());
    event->accept();
}

void TForm_print_preview::FormShow()
{
    if (layout())
        layout()->activate();
    arrange_image_panel();
    fit_dpi = std::uint16_t(std::max(1, Image_preview->width() * 254 / 2100 - 2));
    set_track_position(100);
    painted_.dpi = 0; // the next tick paints
    const QStringList printers = printer_names();
    StatusPanel[0]->setText(
        QStringLiteral("Printer: ")
        + (print_printer_index < printers.size() ? printers[print_printer_index] : QString()));
}

void TForm_print_preview::set_track_position(int position)
{
    position = std::clamp(position, TrackBar_px_inchx->minimum(), TrackBar_px_inchx->maximum());
    if (TrackBar_px_inchx->value() != position)
        TrackBar_px_inchx->setValue(position); // runs the change handler
    else
        TrackBar_px_inchxChange();
}

void TForm_print_preview::TrackBar_px_inchxChange()
{
    const int position = TrackBar_px_inchx->value();
    print_target.dpi = std::uint16_t(std::max(1, position * fit_dpi / 100));
    Panel_px_inchx->setText(QString::number(position) + QStringLiteral(" %"));
    update_preview_layout();
}

void TForm_print_preview::BitBtn_widthClick()
{
    set_track_position((Image_preview->width() * 254 / 2100 - 2) * 100 / std::max<int>(1, fit_dpi));
}

void TForm_print_preview::BitBtn_heightClick()
{
    set_track_position((Image_preview->height() * 254 / 2970) * 100 / std::max<int>(1, fit_dpi));
}

void TForm_print_preview::BitBtn1Click()
{
    if (!check_printer_present())
        return;
    print_page();
}

void TForm_print_preview::BitBtn_closeClick()
{
    close();
}

void TForm_print_preview::ScrollBar_XChange()
{
    update_preview_layout();
}

void TForm_print_preview::ScrollBar_YChange()
{
    update_preview_layout();
}

void TForm_print_preview::Panel_Img_previewResize()
{
    arrange_image_panel();
    update_preview_layout();
}

int TForm_print_preview::sheet_width() const
{
    const DeviceMeasures& d = print_target.device;
    return int(qint64(d.physicalWidth) * print_target.dpi / std::max(1, d.logPixelsX));
}

int TForm_print_preview::sheet_height() const
{
    const DeviceMeasures& d = print_target.device;
    return int(qint64(d.physicalHeight) * print_target.dpi / std::max(1, d.logPixelsX));
}

// Places the image and the two scroll panels in Panel_Img_preview: the horizontal panel along
// the bottom, the vertical one at the right above it, the image in the rest; then sizes the
// image's picture to the image.
void TForm_print_preview::arrange_image_panel()
{
    const int w = Panel_Img_preview->width();
    const int h = Panel_Img_preview->height();
    const bool xShown = !Panel_scroll_pg_x->isHidden();
    const bool yShown = !Panel_scroll_pg_y->isHidden();
    const int bottom = xShown ? kScrollPanel : 0;
    const int right = yShown ? kScrollPanel : 0;
    Panel_scroll_pg_x->setGeometry(0, h - kScrollPanel, w, kScrollPanel);
    Panel_scroll_pg_xy->setGeometry(w - kScrollPanel, 0, kScrollPanel, kScrollPanel);
    ScrollBar_X->setGeometry(0, 0, w - (Panel_scroll_pg_xy->isHidden() ? 0 : kScrollPanel),
                             kScrollPanel);
    Panel_scroll_pg_y->setGeometry(w - kScrollPanel, 0, kScrollPanel, std::max(0, h - bottom));
    ScrollBar_Y->setGeometry(0, 0, kScrollPanel, std::max(0, h - bottom));
    Image_preview->setGeometry(0, 0, std::max(0, w - right), std::max(0, h - bottom));
    Image_preview->setPictureSize(Image_preview->width(), Image_preview->height());
}

void TForm_print_preview::update_preview_layout()
{
    const int sw = sheet_width();
    const int sh = sheet_height();
    // Showing one bar narrows the image and may call for the other: decide again until
    // nothing changes (two rounds at most change anything).
    for (int round = 0; round < 8; ++round) {
        bool changed = false;
        auto place = [&](QFrame* panel, QScrollBar* bar, int sheet, int image,
                         std::int32_t& origin) {
            if (sheet < image) {
                if (!panel->isHidden()) {
                    panel->hide();
                    changed = true;
                    arrange_image_panel();
                }
                origin = (image - sheet) / 2;
            } else {
                if (panel->isHidden()) {
                    panel->show();
                    changed = true;
                    arrange_image_panel();
                }
                const QSignalBlocker quiet(bar);
                const int most = std::max(0, sheet - image);
                bar->setRange(0, most);
                bar->setPageStep(std::max(1, image));
                bar->setSingleStep(std::max(1, image / 20));
                origin = -bar->value();
            }
        };
        place(Panel_scroll_pg_x, ScrollBar_X, sw, Image_preview->width(), print_target.origin_x);
        place(Panel_scroll_pg_y, ScrollBar_Y, sh, Image_preview->height(), print_target.origin_y);
        if (!changed)
            break;
    }
    const bool corner = !Panel_scroll_pg_y->isHidden();
    if (Panel_scroll_pg_xy->isHidden() == corner) {
        Panel_scroll_pg_xy->setVisible(corner);
        arrange_image_panel();
    }
}

void TForm_print_preview::Timer_monitorTimer()
{
    refresh_preview();
}

bool TForm_print_preview::refresh_preview()
{
    const Painted now{Image_preview->width(), Image_preview->height(), print_target.origin_x,
                      print_target.origin_y, print_target.dpi};
    if (now == painted_)
        return false;
    painted_ = now;
    Image_preview->setPictureSize(now.width, now.height);
    paint_preview_background();
    print_target.canvas = &Image_preview->canvas();
    print_target.onPrinter = false;
    if (print_diagram)
        compose_page(print_target, print_diagram, print_names, print_whole_diagram == 1);
    Image_preview->update();
    ++paintCount_;
    return true;
}

void TForm_print_preview::paint_preview_background()
{
    Canvas& canvas = Image_preview->canvas();
    const int sw = sheet_width();
    const int sh = sheet_height();
    const int ox = print_target.origin_x;
    const int oy = print_target.origin_y;
    if (sw >= Image_preview->width() && sh >= Image_preview->height()) {
        FillCanvas(canvas, clWhite);
        return;
    }
    FillCanvas(canvas, clSilver);
    FillBox(canvas, ox, oy, sw, sh, clWhite);
    canvas.brushColor = clBlack;
    canvas.FrameRect(rect_ltrb(ox, oy, ox + sw, oy + sh));
    FillBox(canvas, ox + sw, oy + 4, 4, sh, clBlack);
    FillBox(canvas, ox + 4, oy + sh, sw, 4, clBlack);
    canvas.brushColor = clWhite;
}
