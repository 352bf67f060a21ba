#include "message_box.h"
#include "paint_support.h"

#include <QCoreApplication>
#include <QScrollBar>
#include <gtest/gtest.h>

#include <tuple>

namespace {

// A diagram whose channel 0 carries the sample's index within each append.
struct DiagramFixture : ::testing::Test {
    DiagramHost h;
    Diagramx& d = *h.d;
    void append(int n)
    {
        h.append(n, [](int c, int i, double) { return c == 0 ? double(i) : 0.0; });
    }
};

} // namespace

TEST_F(DiagramFixture, RingFillsToCapacityMinusOneThenRollsAndItsArithmeticWraps)
{
    append(20006); // from the 20001st sample on, each replaces the oldest
    EXPECT_EQ(std::tuple(d.tail, d.head, d.SampleCount()), std::tuple(5u, 6u, 20000u));
    // Newest sample just behind tail, oldest at head, times in order across the wrap.
    const Sample& newest = d.samples[d.RingBack(d.tail, 1)];
    EXPECT_DOUBLE_EQ(newest.value[0], 20005.0);
    EXPECT_NEAR(newest.t - d.samples[d.head].t, 19999 * 0.001, 1e-6);

    EXPECT_EQ(d.RingDistance(0, 0), 0u);
    EXPECT_EQ(d.RingDistance(10, 3), 20001u - 7u);
    EXPECT_EQ(d.RingDistance(7, 7), 20001u); // equal non-zero indices mean a full turn
    for (std::uint32_t i : {0u, 1u, 19999u, 20000u})
        for (std::uint32_t n : {0u, 1u, 200u, 20000u})
            EXPECT_EQ(d.RingBack(d.RingAdd(i, n), n), i) << i << " " << n;
}

// Samples with the wrong number of channels are refused with a message; visibility of a
// channel that does not exist changes nothing and does not repaint.
TEST_F(DiagramFixture, ChannelsOutOfRangeAreRefused)
{
    MessageRecorder recorder;
    append(3);
    double values[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    d.AddSample(9.0, values, 7);
    d.AddSample(9.0, values, 0);
    EXPECT_EQ(d.SampleCount(), 3u);
    const auto got = recorder.messages();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].text, "Error Diagram Num. Dat");

    const auto before = d.paintCount();
    d.SetChannelVisible(8, 0);
    d.SetChannelVisible(255, 0);
    EXPECT_EQ(d.paintCount(), before);
    d.SetChannelVisible(7, 0);
    EXPECT_EQ(std::tuple(d.channelVisible[7], d.paintCount()), std::tuple(0, before + 1));
}

TEST(DiagramLifetime, DestroyingTheDiagramRemovesItsControlsFromTheHost)
{
    QWidget host;
    auto diagram = std::make_unique<Diagramx>(&host, 8, 5000, 20001);
    diagram->scrollBar->setValue(10); // starts the scroll timer
    ASSERT_TRUE(diagram->scrollTimer->isActive());
    diagram.reset();
    EXPECT_EQ(host.findChild<ImageControl*>("plotImage"), nullptr);
    EXPECT_EQ(host.findChild<ImageControl*>("infoImage"), nullptr);
    EXPECT_EQ(host.findChild<QScrollBar*>("scrollBar"), nullptr);
    QCoreApplication::processEvents(); // no timer may fire into the freed diagram
}
