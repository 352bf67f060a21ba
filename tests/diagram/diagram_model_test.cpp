#include "paint_support.h"
#include "message_box.h"

#include <QCoreApplication>
#include <QScrollBar>
#include <gtest/gtest.h>

namespace {

// A diagram whose channel 0 carries the sample's index within each append.
struct DiagramFixture : ::testing::Test {
    DiagramHost h;
    std::unique_ptr<QWidget>& host = h.host;
    std::unique_ptr<Diagramx>& diagram = h.d;
    void append(int n)
    {
        h.append(n, [](int c, int i, double) { return c == 0 ? double(i) : 0.0; });
    }
};

} // namespace

TEST_F(DiagramFixture, NewDiagramStartsEmptyFollowingWithCursorsChainedUnderThePicture)
{
    const Diagramx& d = *diagram;
    EXPECT_EQ(d.SampleCount(), 0u);
    EXPECT_EQ(d.view.followLatest, 1);

    // Cursor handles numbered 1 2 1 2, unplaced, chained T1..Y2 under the picture (which
    // the hit test relies on); drawn Y2 first so T1 ends on top.
    const int numbers[] = {1, 2, 1, 2};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(d.cursorValue[i].pixel, -1);
        EXPECT_EQ(d.cursorValue[i].number, numbers[i]);
        EXPECT_EQ(d.cursorItem[i].data, &d.cursorValue[i]);
        EXPECT_EQ(d.cursorOrder[i], &d.cursorItem[3 - i]);
    }
    EXPECT_EQ(d.screenArea.children, &d.cursorItem[0]);
    EXPECT_EQ(d.cursorItem[3].next, nullptr);
    EXPECT_EQ(d.hitList, &d.screenArea);

    // The scroll bar at rest, its timers stopped.
    EXPECT_EQ(d.scrollBar->value(), 0);
    EXPECT_FALSE(d.panTimer->isActive());
    EXPECT_FALSE(d.scrollTimer->isActive());
}

TEST_F(DiagramFixture, ChildControlsFillTheHostInOrder)
{
    host->show();
    host->resize(640, 480);
    QCoreApplication::processEvents();
    EXPECT_EQ(diagram->infoImage->height(), 57);
    EXPECT_EQ(diagram->scrollPanel->height(), 36);
    EXPECT_EQ(diagram->plotImage->height(), 480 - 57 - 36);
    EXPECT_LT(diagram->plotImage->y(), diagram->infoImage->y());
    EXPECT_LT(diagram->infoImage->y(), diagram->scrollPanel->y());
    // The drawing area and the pictures follow the controls' sizes.
    EXPECT_EQ(QSize(diagram->screenArea.width, diagram->screenArea.height), QSize(640, 480 - 57 - 36));
    EXPECT_EQ(diagram->Snapshot().size(), diagram->plotImage->picture().size());
    EXPECT_EQ(diagram->infoImage->picture().width(), 640);
}

TEST_F(DiagramFixture, RingFillsToCapacityMinusOneThenRolls)
{
    append(20000);
    EXPECT_EQ(diagram->SampleCount(), 20000u);
    EXPECT_EQ(diagram->head, 0u);
    EXPECT_EQ(diagram->tail, 20000u);

    append(1); // the 20001st sample replaces the oldest
    EXPECT_EQ(diagram->tail, 0u);
    EXPECT_EQ(diagram->head, 1u);
    EXPECT_EQ(diagram->SampleCount(), 20000u);
    EXPECT_DOUBLE_EQ(diagram->samples[20000].value[0], 0.0);

    append(5);
    EXPECT_EQ(diagram->tail, 5u);
    EXPECT_EQ(diagram->head, 6u);
    EXPECT_EQ(diagram->SampleCount(), 20000u);
    // Newest sample sits just behind tail, oldest at head, times in order across the wrap.
    const Sample& newest = diagram->samples[diagram->RingBack(diagram->tail, 1)];
    const Sample& oldest = diagram->samples[diagram->head];
    EXPECT_DOUBLE_EQ(newest.value[0], 4.0);
    EXPECT_NEAR(newest.t - oldest.t, 19999 * 0.001, 1e-6);
}

TEST_F(DiagramFixture, RingArithmeticWrapsAtCapacity)
{
    const Diagramx& d = *diagram;
    EXPECT_EQ(d.RingDistance(0, 0), 0u);
    EXPECT_EQ(d.RingDistance(10, 3), 20001u - 7u);
    EXPECT_EQ(d.RingDistance(7, 7), 20001u); // equal non-zero indices mean a full turn
    EXPECT_EQ(d.RingAdd(19990, 20), 9u);
    for (std::uint32_t i : {0u, 1u, 19999u, 20000u})
        for (std::uint32_t n : {0u, 1u, 200u, 20000u})
            EXPECT_EQ(d.RingBack(d.RingAdd(i, n), n), i) << i << " " << n;
}

TEST_F(DiagramFixture, WrongChannelCountIsRefusedWithAMessage)
{
    MessageRecorder recorder;
    append(3);
    const std::uint32_t tailBefore = diagram->tail;
    double values[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    diagram->AddSample(9.0, values, 7);
    diagram->AddSample(9.0, values, 0);
    EXPECT_EQ(diagram->SampleCount(), 3u);
    EXPECT_EQ(diagram->tail, tailBefore);
    const auto got = recorder.messages();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].text, "Error Diagram Num. Dat");
    EXPECT_EQ(got[0].icon, MessageIcon::Stop);
}

TEST_F(DiagramFixture, ClearEmptiesTheViewButKeepsScaleColoursVisibilityAndCursors)
{
    append(1000);
    diagram->view.fixedScale = 1;
    diagram->view.fixedYMax = 2000;
    diagram->view.fixedYMin = -2000;
    diagram->view.followLatest = 0;
    diagram->view.yMax = 5;
    diagram->view.zoomTMax = 3;
    diagram->view.plotWidth = 400;
    diagram->view.background = 0xFFFFFF;
    diagram->view.windowSamples = 20001;
    diagram->channelColor[2] = 0x123456;
    diagram->channelVisible[5] = 0;
    diagram->showTCursors = 1;
    diagram->cursorValue[0].pixel = 42;
    diagram->rubberBand = 1;
    diagram->panTarget = QPoint(7, 8);

    diagram->Clear();

    EXPECT_EQ(diagram->SampleCount(), 0u);
    EXPECT_EQ(diagram->tail, 0u);
    EXPECT_DOUBLE_EQ(diagram->nextTime, 0.0);
    EXPECT_EQ(diagram->rubberBand, 0);
    EXPECT_EQ(diagram->view.followLatest, 1);
    EXPECT_DOUBLE_EQ(diagram->view.yMax, 0.0);
    EXPECT_DOUBLE_EQ(diagram->view.zoomTMax, 0.0);
    EXPECT_EQ(diagram->view.plotWidth, 0);
    EXPECT_EQ(diagram->view.background, 0xDDDDDDu);
    EXPECT_EQ(diagram->view.windowSamples, 5000u);

    EXPECT_EQ(diagram->view.fixedScale, 1);
    EXPECT_EQ(diagram->view.fixedYMax, 2000);
    EXPECT_EQ(diagram->view.fixedYMin, -2000);
    EXPECT_EQ(diagram->channelColor[2], 0x123456u);
    EXPECT_EQ(diagram->channelVisible[5], 0);
    EXPECT_EQ(diagram->showTCursors, 1);
    EXPECT_EQ(diagram->cursorValue[0].pixel, 42);
    EXPECT_EQ(diagram->panTarget, QPoint(7, 8));
}

TEST_F(DiagramFixture, SetChannelVisibleRepaintsOnlyForExistingChannels)
{
    const auto before = diagram->paintCount();
    diagram->SetChannelVisible(8, 0);
    diagram->SetChannelVisible(255, 0);
    EXPECT_EQ(diagram->paintCount(), before);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(diagram->channelVisible[i], 1);

    diagram->SetChannelVisible(7, 0);
    EXPECT_EQ(diagram->channelVisible[7], 0);
    EXPECT_EQ(diagram->paintCount(), before + 1);
}

TEST_F(DiagramFixture, HitTestPrefersHandlesOverThePicture)
{
    diagram->screenArea.width = 300;
    diagram->screenArea.height = 200;
    diagram->cursorItem[1].left = 100;
    diagram->cursorItem[1].top = 50;
    EXPECT_EQ(diagram->HitTest(110, 60), &diagram->cursorItem[1]);
    EXPECT_EQ(diagram->HitTest(120, 70), &diagram->cursorItem[1]); // edges are inside
    EXPECT_EQ(diagram->HitTest(150, 150), &diagram->screenArea);
    EXPECT_EQ(diagram->HitTest(301, 10), nullptr);
    // Handles T1 and Y1 both sit at (0, 0): the first in chain order wins.
    EXPECT_EQ(diagram->HitTest(5, 5), &diagram->cursorItem[0]);

    diagram->PlotMouseDown(mouse_at({110, 60}));
    EXPECT_EQ(diagram->activeItem, &diagram->cursorItem[1]);
    diagram->PlotMouseUp(mouse_at({110, 60}));
    EXPECT_EQ(diagram->activeItem, nullptr);
}

TEST(DiagramLifetime, DestroyingTheDiagramRemovesItsControlsFromTheHost)
{
    QWidget host;
    auto diagram = std::make_unique<Diagramx>(&host, 8, 5000, 20001);
    EXPECT_NE(host.findChild<ImageControl*>("plotImage"), nullptr);
    diagram->scrollBar->setValue(10); // starts the scroll timer
    EXPECT_TRUE(diagram->scrollTimer->isActive());
    diagram.reset();
    EXPECT_EQ(host.findChild<ImageControl*>("plotImage"), nullptr);
    EXPECT_EQ(host.findChild<ImageControl*>("infoImage"), nullptr);
    EXPECT_EQ(host.findChild<QScrollBar*>("scrollBar"), nullptr);
    QCoreApplication::processEvents(); // no timer may fire into the freed diagram
}
