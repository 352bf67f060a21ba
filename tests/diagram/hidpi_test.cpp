// The diagram on a screen with two device pixels per logical pixel (this test runs with
// QT_SCALE_FACTOR=2): its pictures hold a pixel for every device pixel, so lines stay one
// device pixel wide, and the mouse lands where the pointer is.

#include "paint_support.h"

#include <QMouseEvent>
#include <QTest>

namespace {

int rows_with(const QImage& img, int x, Color colour)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        n += from_qcolor(img.pixelColor(x, y)) == colour;
    return n;
}

TEST(HiDpiDiagram, AFlatTraceIsOneDevicePixelHigh)
{
    ASSERT_EQ(2.0, QWidget().devicePixelRatioF()) << "run with QT_SCALE_FACTOR=2";
    DiagramHost h(600, 400);
    h.host->show();
    QApplication::processEvents();
    h.showOnly(0);
    h.append(2000, [](int, int i, double) { return i < 1000 ? 0.0 : 10.0; });
    h.d->Redraw();
    const QImage& img = h.d->plotImage->picture();
    const ViewState& v = h.d->view;
    // A column in the middle of the first flat half crosses the trace once.
    const int x = v.plotLeft + v.plotWidth / 4;
    EXPECT_EQ(1, rows_with(img, x, h.d->channelColor[0]));
}

TEST(HiDpiDiagram, APressAtTheHandleOnScreenGrabsTheCursor)
{
    LiveScene s(3000);
    s.d.showTCursors = 1;
    s.d.Redraw();
    const QPoint handle = s.centre(T1); // picture pixels
    const QPoint logical(handle.x() / 2, handle.y() / 2);
    ImageControl& plot = *s.d.plotImage;
    QTest::mousePress(&plot, Qt::LeftButton, Qt::NoModifier, logical);
    EXPECT_EQ(s.d.activeItem, &s.d.cursorItem[T1]);
    const QPoint to(logical.x() + 40, logical.y());
    QMouseEvent move(QEvent::MouseMove, to, plot.mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&plot, &move);
    QTest::mouseRelease(&plot, Qt::LeftButton, Qt::NoModifier, to);
    // The handle followed the pointer: 40 logical pixels are 80 picture pixels.
    EXPECT_NEAR(handle.x() + 80, s.centre(T1).x(), 1);
}

} // namespace
