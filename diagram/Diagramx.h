#pragma once
// The multi-channel time diagram: a ring of samples, the view state that decides which part
// of the ring is shown and at which scale, and the child controls it places on its host
// panel (the picture, the buffer overview strip and the scroll bar).

#include "Canvas.h"
#include "NumberFormat.h"

#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QFrame>
#include <QScrollBar>
class QTimer;
class QWidget;

// The grey behind the diagram's picture and its overview strip.
constexpr Color kDiagramBackground = 0xDDDDDD;
class ImageControl;
class Diagramx;
class DiagramSource;

// The four cursors, in the order of the diagram's cursor arrays: two on the time axis, then
// two on the value axis.
enum CursorIndex : int { CursorT1, CursorT2, CursorY1, CursorY2, CursorCount };

struct Sample {
    double value[8];
    double t; // seconds
};
static_assert(sizeof(Sample) == 72, "a sample is nine doubles with nothing between them");

struct ViewState {
    double yMax = 0, yMin = 0;
    double tMax = 0, tMin = 0;
    double zoomYMax = 0, zoomYMin = 0;
    double zoomTMax = 0, zoomTMin = 0;
    double tTrimEnd = 0;
    double tTrimStart = 0;
    std::int32_t plotWidth = 0, plotHeight = 0;
    std::int32_t plotLeft = 0;
    std::int32_t plotBottom = 0;
    std::uint32_t windowSamples = 0;
    std::uint32_t viewLength = 0;
    std::uint32_t viewOffset = 0;
    std::int32_t fixedYMax = 0, fixedYMin = 0;
    std::uint16_t tickLength = 5;
    Color background = kDiagramBackground;
    std::uint8_t followLatest = 1;
    std::uint8_t fixedScale = 0;
};

struct CursorValue {
    double offset = 0;
    double span = 0;
    std::int32_t pixel = -1;
    std::uint8_t number = 1;
};

enum class MouseButton { Left, Right, Middle };

struct MouseData {
    MouseButton button = MouseButton::Left; // the button pressed or released
    Qt::KeyboardModifiers shift;
    Qt::MouseButtons held; // the buttons down during the event
    int x = 0, y = 0;
};

struct DrawArea;
using MouseHandler = void (Diagramx::*)(DrawArea& item, const MouseData& mouse);

struct DrawArea {
    DrawArea* next = nullptr;
    DrawArea* children = nullptr;
    Canvas* canvas = nullptr;
    std::int32_t width = 0, height = 0, left = 0, top = 0;
    void* data = nullptr; // ViewState for a drawing area, CursorValue for a cursor handle
    MouseHandler onMouseDown = nullptr;
    MouseHandler onMouseUp = nullptr;
    MouseHandler onMouseMove = nullptr;
};

struct TickEntry {
    double value = 0;
    std::int16_t pixel = 0;
};

class Diagramx {
public:
    static constexpr int kMaxChannels = 8;
    static constexpr int kMaxTicks = 50;
    static constexpr Color kDefaultColors[kMaxChannels] = {clGreen, clBlue,   clMaroon,  clRed,
                                                           clNavy,  clPurple, clFuchsia, clLime};

    Diagramx(QWidget* host, std::uint8_t channels, std::uint32_t windowSamples,
             std::uint32_t capacity);
    ~Diagramx();
    Diagramx(const Diagramx&) = delete;
    Diagramx& operator=(const Diagramx&) = delete;

    void AddSample(double t, const double* values, std::uint8_t count);
    std::uint32_t SampleCount() const { return RingDistance(head, tail); }
    void Clear();
    void SetChannelVisible(std::uint8_t channel, std::uint8_t visible);
    void Redraw();
    void Paint(DrawArea& area, ViewState& v);

    std::uint32_t RingDistance(std::uint32_t from, std::uint32_t to) const;
    std::uint32_t RingAdd(std::uint32_t index, std::uint32_t n) const;
    std::uint32_t RingBack(std::uint32_t index, std::uint32_t n) const;

    // How many times Paint has run; lets owners and tests see whether a repaint happened.
    std::uint64_t paintCount() const { return paintCount_; }
    // Whether the picture on the screen has a plot (and so its cursors are placed).
    bool plotOnScreen() const { return plotOnScreen_; }
    // Called after each picture painted on the screen and after each step of dragging a
    // cursor: what the screen shows may have changed. For views that follow the diagram.
    std::function<void()> screenChanged;

    // The screen picture as it was painted, without cursors or the zoom rectangle.
    const QImage& Snapshot()
    {
        KeepSnapshot();
        return *snapshot;
    }

    // Traces are drawn with each run of points on one pixel column cut down to its first,
    // lowest, highest and last point, which paints the same pixels with far fewer lines.
    // With it, the samples inside both ranges take a shorter road through the trace loop.
    // Off, every point goes to the polyline the long way (kept to check the shortcuts against).
    bool reduceTraceColumns = true;

    // A source larger than the ring that fills it for every picture (see DiagramSource.h);
    // null while the diagram shows what was added to it. Not owned.
    DiagramSource* source = nullptr;
    // Gives the ring room for `size` samples (at least 2), emptying it.
    void SetCapacity(std::uint32_t size);

    // Members, in the order the diagram keeps them.
    QWidget* host;
    QPointer<ImageControl> plotImage;
    Canvas* screenCanvas = nullptr;
    std::unique_ptr<QImage> snapshot;
    std::unique_ptr<QTimer> panTimer;
    QPointer<QFrame> scrollPanel;
    QPointer<QScrollBar> scrollBar;
    std::unique_ptr<QTimer> scrollTimer;
    std::int32_t lastScrollPos = 0;
    // While the window follows the newest samples the bar is set at most once per
    // kScrollBarSpacingMs; a setting held back meanwhile is applied when the time is up.
    std::unique_ptr<QTimer> scrollBarTimer_;
    bool scrollBarHeld_ = false;
    int heldPage_ = 0, heldPos_ = 0;
    QPointer<ImageControl> infoImage;
    Canvas* infoCanvas = nullptr;
    std::uint8_t channelCount = 0;
    std::uint32_t capacity = 0;
    std::uint32_t windowSamples = 0;
    std::unique_ptr<Sample[]> samples;
    double nextTime = 0;
    std::unique_ptr<QPoint[]> points;
    std::uint32_t pointCapacity = 0;
    // The shown samples from the first on, as long as times are numbers inside the time
    // range: each pixel column's run of them reduced to the rows of its first, highest,
    // lowest and last value for every visible channel, in one pass over the samples for all
    // channels. Column g of channel c is traceReduced_[g * kMaxChannels + c]; channel c has
    // traceReducedCount_[c] columns, covering its first traceReducedSamples_[c] samples (up
    // to its first value outside the value range). Grown when a picture has more columns
    // than any before, never per picture.
    struct TraceColumn {
        int x, first, high, low, last;
    };
    std::vector<TraceColumn> traceReduced_;
    std::uint32_t traceReducedCount_[kMaxChannels] = {};
    std::uint32_t traceReducedSamples_[kMaxChannels] = {};
    Color channelColor[kMaxChannels] = {};
    std::uint8_t channelVisible[kMaxChannels] = {};
    std::uint32_t head = 0;
    std::uint32_t tail = 0;
    double samplePeriod = 0.001;
    double yFirstTick = 0, yTickStep = 0;
    double tFirstTick = 0, tTickStep = 0;
    QString tLabelFormat, yLabelFormat;
    std::uint32_t viewStart = 0, viewEnd = 0;
    QString titleY;
    std::uint16_t titleYWidth = 0;
    QString titleT;
    std::uint16_t titleTHeight = 0, titleTWidth = 0;
    QString title;
    std::uint16_t titleHeight = 0;
    QPoint panLast, panTarget;
    QPoint zoomStart;
    QRect zoomRect, zoomRectOld;
    std::uint8_t rubberBand = 0;
    ViewState view;
    ViewState printView;
    DrawArea printArea;
    TickEntry yTicks[kMaxTicks];
    std::uint16_t yTickCount = 0;
    TickEntry tTicks[kMaxTicks];
    std::uint16_t tTickCount = 0;
    CursorValue cursorValue[CursorCount];
    std::uint16_t readoutLabelWidth = 0, readoutValueWidth = 0;
    std::uint8_t showTCursors = 0, showYCursors = 0;
    DrawArea screenArea;
    DrawArea cursorItem[CursorCount];
    DrawArea* cursorOrder[CursorCount] = {};
    DrawArea* hitList = nullptr;
    DrawArea* activeItem = nullptr;

    // Mouse dispatch on the picture: hit test, then the grabbed item's handlers.
    void PlotMouseDown(const MouseData& mouse);
    void PlotMouseMove(const MouseData& mouse);
    void PlotMouseUp(const MouseData& mouse);
    DrawArea* HitTest(int x, int y);

    // Cursors (Diagramx_cursors.cpp). The value the readout of a cursor (a CursorIndex) shows:
    // the exact label value when the cursor sits on a labelled tick, else the range minimum
    // plus the cursor's offset.
    double CursorReading(int cursor) const;

    // Zooming and panning (Diagramx_zoom.cpp). The window asked for by zoomTMin .. zoomTMax
    // becomes sample offsets from head plus the two trims, and the diagram goes to zoom mode;
    // with fewer than two samples nothing changes.
    void WindowFromZoom();
    // Applies a zoom rectangle (left, top, right, bottom, in picture pixels) and ends the
    // rubber band.
    void FinishZoom(int a, int b, int c, int d);
    // One step of right-button panning: moves the window by the mouse's travel from panLast
    // to panTarget, never past the oldest or newest sample, and repaints.
    void PanStep();
    void StopPan();
    void OnPanTimer();

    // Scrolling and the buffer overview strip (Diagramx_overview.cpp). Positions run from 0
    // to kScrollRange; the bar's own maximum is that less the page, so that the thumb ends
    // where the track ends.
    static constexpr int kScrollRange = 10000;
    static constexpr int kScrollBarSpacingMs = 200;
    void ScrollTo(int pos, int max);
    void OnScrollTimer();
    void UpdateScrollBar();

private:
    // A length in screen pixels as many pixels of the target being painted.
    int Scaled(int pixels) const { return pixels * targetPpi_ / screenPpi_; }
    // Screen pixels for a length given in logical pixels, for what only the screen shows
    // (cursor handles, the overview strip).
    int Px(int pixels) const;
    void ApplyDeviceRatio();

    // Paint pipeline (Diagramx_paint.cpp): shown window, data ranges, screen finish.
    void ShownWindowAndRanges(ViewState& v);
    bool DataRange(std::uint32_t start, std::uint32_t end, double& tLo, double& tHi, double& yLo,
                   double& yHi) const;
    void FinishScreenPicture(bool plotDrawn);

    // Axes (Diagramx_axes.cpp): layout, steps, grid and tick tables, labels, titles, frame.
    bool LayoutPlot(DrawArea& area, ViewState& v);
    bool ChooseYStep(DrawArea& area, ViewState& v);
    void ChooseTStep(DrawArea& area, ViewState& v);
    void DrawGrid(DrawArea& area, ViewState& v);
    void DrawYAxis(DrawArea& area, ViewState& v);
    void DrawTAxisAndTitles(DrawArea& area, ViewState& v);
    void DrawFrame(DrawArea& area, ViewState& v);
    void SetFont(Canvas& canvas, int size, bool bold, Color color);
    // The label text of a value; valid until the next call (no allocation).
    const QString& LabelText(double value, const QString& format);

    // Traces (Diagramx_traces.cpp).
    void DrawTraces(DrawArea& area, ViewState& v);
    void DrawTrace(Canvas& canvas, const DrawArea& area, const ViewState& v, int channel);
    void ReduceTraceColumns(const DrawArea& area, const ViewState& v);

    void OnPlotResized();
    void OnScrollBarChange();
    void ZoomMouseDown(DrawArea& item, const MouseData& mouse);
    void ZoomMouseUp(DrawArea& item, const MouseData& mouse);
    void ZoomMouseMove(DrawArea& item, const MouseData& mouse);
    void DrawRubberBand();
    void DrawRubberBandOutline();
    void RestoreRubberBandEdges(const QRect& r);
    bool PointerOverPlot() const;
    // Time of the oldest and of the newest sample; false when the diagram is empty.
    bool HeldTimeSpan(double& oldest, double& newest) const;
    void DrawOverview();
    void DrawOverviewParts(int W, std::uint32_t count, double oldest, double newest);
    // Sets the scroll bar without it counting as the user's scrolling.
    void SetScrollBar(bool enabled, int page, int pos);
    // Where the scroll bar would show its thumb for this page and position.
    QRect ThumbRect(int page, int pos) const;
    void CursorTDrag(DrawArea& item, const MouseData& mouse);
    void CursorYDrag(DrawArea& item, const MouseData& mouse);

    // Cursors: placement, handles, lines and readouts, drawn over the finished picture.
    void DrawCursors(DrawArea* grabbed);
    void PlaceCursor(int cursor);
    void DrawTHandle(const DrawArea& item);
    void DrawYHandle(const DrawArea& item);
    void DrawHandleNumber(const QRect& box, int inkLeft, int inkTop, std::uint8_t number);
    int NumberInkHeight();
    void DrawReadout(int cursor);
    // The differences between the two cursors of each shown pair (Diagramx_deltas.cpp).
    void DrawDeltaReadouts();
    void CursorDrag(DrawArea& item, const MouseData& mouse, bool isT);
    void RestoreFromSnapshot(const QRect& r);
    void KeepSnapshot();
    void ResetZoomState();

    // Pictures of the overview strip's tracks, window bar and fill gauge, drawn again only
    // when their size or colour changes (Diagramx_overview.cpp).
    struct StripCache;
    struct StripCacheDeleter {
        void operator()(StripCache* cache) const;
    };
    std::unique_ptr<StripCache, StripCacheDeleter> stripCache_;

    std::uint64_t paintCount_ = 0;
    // The last picture on the screen has a plot, so its cursors are drawn and may be dragged.
    bool plotOnScreen_ = false;
    // False from a screen paint until the picture is first copied into the snapshot: the
    // copy is made only before an overlay is drawn, since a picture without overlays is its
    // own snapshot (most live frames show no cursors and need no copy).
    bool snapshotCurrent_ = false;

    // Per-picture measures shared by the paint steps.
    int screenPpi_ = kScreenPixelsPerInch;
    int targetPpi_ = kScreenPixelsPerInch;
    qreal deviceRatio_ = 1; // screen pixels per logical pixel of the pictures
    int labelHeight_ = 0;   // text height of "0", Arial 8
    QChar decimalSeparator_ = u'.';
    char16_t labelBuffer_[kMaxNumberText] = {};
    QString labelText_;
};
