#include "Diagramx.h"

#include "ImageControl.h"
#include "Ring_index.h"
#include "message_box.h"

#include <QFrame>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int kInfoHeight = 57;
constexpr int kScrollPanelHeight = 36;
constexpr int kCursorHandleSize = 20;

// A mouse event in the picture's pixels.
MouseData mouse_data(const ImageControl& image, QMouseEvent* e)
{
    MouseData m;
    m.button = e->button() == Qt::RightButton    ? MouseButton::Right
               : e->button() == Qt::MiddleButton ? MouseButton::Middle
                                                 : MouseButton::Left;
    m.shift = e->modifiers();
    m.held = e->buttons();
    const QPoint p = image.picturePoint(e->position());
    m.x = p.x();
    m.y = p.y();
    return m;
}

} // namespace

Diagramx::Diagramx(QWidget* hostPanel, std::uint8_t channels, std::uint32_t windowSamplesArg,
                   std::uint32_t capacityArg)
    : host(hostPanel)
{
    // 1. Basic state.
    samplePeriod = 0.001;
    nextTime = 0;
    head = tail = 0;
    channelCount = std::min<std::uint8_t>(channels, kMaxChannels);

    // The diagram fills its host: picture on top, overview strip, then the scroll bar.
    auto* layout = qobject_cast<QVBoxLayout*>(host->layout());
    if (!layout) {
        delete host->layout();
        layout = new QVBoxLayout(host);
    }
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // 2. Overview strip.
    infoImage = new ImageControl(host);
    infoImage->setObjectName(QStringLiteral("infoImage"));
    infoImage->setFixedHeight(kInfoHeight);
    infoCanvas = &infoImage->canvas();

    // 3. Scroll panel: lowered inner bevel, five-pixel border.
    scrollPanel = new QFrame(host);
    scrollPanel->setObjectName(QStringLiteral("scrollPanel"));
    scrollPanel->setFixedHeight(kScrollPanelHeight);
    scrollPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    scrollPanel->setLineWidth(1);
    scrollPanel->setFocusPolicy(Qt::NoFocus);
    auto* scrollLayout = new QVBoxLayout(scrollPanel);
    scrollLayout->setContentsMargins(5, 5, 5, 5);

    // 4. Scroll bar.
    scrollBar = new QScrollBar(Qt::Horizontal, scrollPanel);
    scrollBar->setObjectName(QStringLiteral("scrollBar"));
    scrollBar->setRange(0, 10000);
    scrollBar->setValue(0);
    scrollBar->setFocusPolicy(Qt::NoFocus);
    scrollLayout->addWidget(scrollBar);
    lastScrollPos = scrollBar->maximum() + 1;

    // 5. Sizes.
    capacity = std::max<std::uint32_t>(capacityArg, 2);
    windowSamples = windowSamplesArg;

    // 6. Picture.
    plotImage = new ImageControl(host);
    plotImage->setObjectName(QStringLiteral("plotImage"));
    plotImage->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    screenCanvas = &plotImage->canvas();
    layout->addWidget(plotImage, 1);
    layout->addWidget(infoImage);
    layout->addWidget(scrollPanel);
    ApplyDeviceRatio();
    plotImage->setPictureSize(std::max(plotImage->width(), 1), std::max(plotImage->height(), 1));
    infoImage->setPictureSize(std::max(host->width(), 1), kInfoHeight);
    plotImage->onMouseDown = [this](QMouseEvent* e) { PlotMouseDown(mouse_data(*plotImage, e)); };
    plotImage->onMouseMove = [this](QMouseEvent* e) { PlotMouseMove(mouse_data(*plotImage, e)); };
    plotImage->onMouseUp = [this](QMouseEvent* e) { PlotMouseUp(mouse_data(*plotImage, e)); };
    plotImage->onLeave = [this] {
        if (panTimer && panTimer->isActive())
            StopPan();
    };

    // 7. View state and the on-screen drawing area.
    view = ViewState{};
    view.windowSamples = windowSamples;
    screenArea = DrawArea{};
    screenArea.canvas = screenCanvas;
    screenArea.width = plotImage->picture().width();
    screenArea.height = plotImage->picture().height();
    screenArea.data = &view;
    screenArea.onMouseDown = &Diagramx::ZoomMouseDown;
    screenArea.onMouseUp = &Diagramx::ZoomMouseUp;
    screenArea.onMouseMove = &Diagramx::ZoomMouseMove;
    showTCursors = showYCursors = 0;

    // 8. Cursors: T1, T2, Y1, Y2, chained as the picture's children; Y2 drawn first.
    static constexpr std::uint8_t numbers[CursorCount] = {1, 2, 1, 2};
    for (int i = 0; i < CursorCount; ++i) {
        cursorValue[i] = CursorValue{};
        cursorValue[i].number = numbers[i];
        cursorItem[i] = DrawArea{};
        cursorItem[i].canvas = screenCanvas; // its size: ApplyDeviceRatio()
        cursorItem[i].data = &cursorValue[i];
        const bool isT = i == CursorT1 || i == CursorT2;
        cursorItem[i].onMouseMove = isT ? &Diagramx::CursorTDrag : &Diagramx::CursorYDrag;
        cursorItem[i].next = i + 1 < CursorCount ? &cursorItem[i + 1] : nullptr;
        cursorOrder[CursorCount - 1 - i] = &cursorItem[i];
    }
    screenArea.children = &cursorItem[CursorT1];
    hitList = &screenArea;
    activeItem = nullptr;

    // 9. Zoom and pan state.
    ResetZoomState();

    // 10. Pan and scroll timers, 5 ms, stopped.
    panTimer = std::make_unique<QTimer>();
    panTimer->setInterval(5);
    QObject::connect(panTimer.get(), &QTimer::timeout, [this] { OnPanTimer(); });
    scrollTimer = std::make_unique<QTimer>();
    scrollTimer->setInterval(5);
    QObject::connect(scrollTimer.get(), &QTimer::timeout, [this] { OnScrollTimer(); });
    scrollBarTimer_ = std::make_unique<QTimer>();
    scrollBarTimer_->setSingleShot(true);
    scrollBarTimer_->setInterval(kScrollBarSpacingMs);
    QObject::connect(scrollBarTimer_.get(), &QTimer::timeout, [this] {
        if (scrollBarHeld_ && !scrollTimer->isActive())
            SetScrollBar(true, heldPage_, heldPos_);
    });
    QObject::connect(scrollBar.data(), &QScrollBar::valueChanged, [this] { OnScrollBarChange(); });

    // 11. Colours and titles.
    std::copy(std::begin(kDefaultColors), std::end(kDefaultColors), channelColor);
    titleY = QStringLiteral("F( T )");
    titleT = QStringLiteral("T");
    title = QStringLiteral("Grafion");

    // 12. Screen font and the widths the cursor readouts are laid out with.
    screenCanvas->font = CanvasFont{};
    screenCanvas->font.name = QStringLiteral("Arial");
    screenCanvas->font.size = 8;
    ApplyDeviceRatio();

    // 13. All channels shown.
    std::fill(std::begin(channelVisible), std::end(channelVisible), std::uint8_t(1));

    // 14. Ring and polyline buffer, allocated once.
    SetCapacity(capacity);

    // 15. Snapshot, then start empty.
    snapshot = std::make_unique<QImage>(plotImage->picture().size(), QImage::Format_RGB32);
    ResetZoomState();
    Clear();

    plotImage->onResize = [this] { OnPlotResized(); };
}

Diagramx::~Diagramx()
{
    panTimer->stop();
    scrollTimer->stop();
    scrollBarTimer_->stop();
    samples.reset();
    points.reset();
    snapshot.reset();
    delete plotImage.data();
    delete infoImage.data();
    panTimer.reset();
    delete scrollBar.data();
    delete scrollPanel.data();
    scrollTimer.reset();
    scrollBarTimer_.reset();
}

std::uint32_t Diagramx::RingDistance(std::uint32_t from, std::uint32_t to) const
{
    return ring_distance(from, to, capacity);
}

std::uint32_t Diagramx::RingAdd(std::uint32_t index, std::uint32_t n) const
{
    return ring_advance(index, n, capacity);
}

std::uint32_t Diagramx::RingBack(std::uint32_t index, std::uint32_t n) const
{
    return ring_back(index, n, capacity);
}

void Diagramx::AddSample(double t, const double* values, std::uint8_t count)
{
    if (count != channelCount) {
        message_box(QStringLiteral("Error Diagram Num. Dat"), QStringLiteral("Warning"),
                    MessageIcon::Stop);
        return;
    }
    Sample& s = samples[tail];
    s.t = t;
    std::copy(values, values + count, s.value);
    tail = ring_next(tail, capacity);
    if (tail == head)
        head = ring_next(head, capacity);
}

void Diagramx::Clear()
{
    head = tail = 0;
    viewStart = viewEnd = 0;
    nextTime = 0;
    rubberBand = 0;
    screenArea.canvas = screenCanvas;
    screenArea.width = plotImage ? plotImage->picture().width() : 0;
    screenArea.height = plotImage ? plotImage->picture().height() : 0;
    screenArea.left = screenArea.top = 0;
    view.yMax = view.yMin = view.tMax = view.tMin = 0;
    view.zoomYMax = view.zoomYMin = view.zoomTMax = view.zoomTMin = 0;
    view.plotWidth = view.plotHeight = view.plotLeft = view.plotBottom = 0;
    view.windowSamples = windowSamples;
    view.background = kDiagramBackground;
    view.followLatest = 1;
    view.tickLength = 5;
    zoomStart = QPoint();
    zoomRect = zoomRectOld = QRect(QPoint(0, 0), QPoint(0, 0));
}

void Diagramx::SetChannelVisible(std::uint8_t channel, std::uint8_t visible)
{
    if (channel >= channelCount)
        return;
    channelVisible[channel] = visible;
    Paint(screenArea, view);
}

void Diagramx::Redraw()
{
    Paint(screenArea, view);
}

// The pictures get as many pixels as the screen shows in their place, and their texts the
// matching resolution; everything else the diagram draws on screen is laid out from these.
void Diagramx::ApplyDeviceRatio()
{
    const qreal ratio = plotImage->devicePixelRatioF();
    deviceRatio_ = ratio > 0 ? ratio : 1;
    plotImage->setPictureRatio(deviceRatio_);
    infoImage->setPictureRatio(deviceRatio_);
    const int ppi = int(std::lround(kScreenPixelsPerInch * deviceRatio_));
    screenCanvas->font.pixelsPerInch = ppi;
    infoCanvas->font.pixelsPerInch = ppi;
    for (DrawArea& item : cursorItem)
        item.width = item.height = 2 * Px(kCursorHandleSize / 2); // centred on the cursor
    readoutLabelWidth = std::uint16_t(screenCanvas->TextWidth(QStringLiteral("y2:")));
    readoutValueWidth = std::uint16_t(
        screenCanvas->TextWidth(QStringLiteral("-00000") + QStringLiteral("0.0000000")));
}

int Diagramx::Px(int pixels) const
{
    return deviceRatio_ == 1 ? pixels : int(std::lround(pixels * deviceRatio_));
}

void Diagramx::OnPlotResized()
{
    if (plotImage->devicePixelRatioF() != deviceRatio_)
        ApplyDeviceRatio();
    if (plotImage->hasPicture()) {
        plotImage->setPictureSize(plotImage->width(), plotImage->height());
        infoImage->setPictureSize(host->width(), kInfoHeight);
        *snapshot = QImage(plotImage->picture().size(), QImage::Format_RGB32);
        snapshotCurrent_ = false;
        scrollBar->setEnabled(false);
        screenArea.width = plotImage->picture().width();
        screenArea.height = plotImage->picture().height();
    }
    Paint(screenArea, view);
    scrollBar->update();
}

DrawArea* Diagramx::HitTest(int x, int y)
{
    auto contains = [x, y](const DrawArea& a) {
        return a.left <= x && x <= a.left + a.width && a.top <= y && y <= a.top + a.height;
    };
    for (DrawArea* item = hitList; item; item = item->next) {
        for (DrawArea* child = item->children; child; child = child->next)
            if (contains(*child))
                return child;
        if (contains(*item))
            return item;
    }
    return nullptr;
}

void Diagramx::PlotMouseDown(const MouseData& mouse)
{
    activeItem = HitTest(mouse.x, mouse.y);
    if (activeItem && activeItem->onMouseDown)
        (this->*(activeItem->onMouseDown))(*activeItem, mouse);
}

void Diagramx::PlotMouseMove(const MouseData& mouse)
{
    if (activeItem && activeItem->onMouseMove)
        (this->*(activeItem->onMouseMove))(*activeItem, mouse);
}

void Diagramx::PlotMouseUp(const MouseData& mouse)
{
    if (activeItem && activeItem->onMouseUp)
        (this->*(activeItem->onMouseUp))(*activeItem, mouse);
    activeItem = nullptr;
}

void Diagramx::ResetZoomState()
{
    rubberBand = 0;
    zoomStart = QPoint();
    zoomRect = zoomRectOld = QRect(QPoint(0, 0), QPoint(0, 0));
}
