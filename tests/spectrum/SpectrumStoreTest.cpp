// The store's sweeps: when a sweep starts and when it is refused, where its points go, how the
// end mark moves slot and colour on, and what Clear resets.
#include <gtest/gtest.h>

#include "PictureColours.h"
#include "StoreOnCard.h"
#include "platform/ThreadMessageQueue.h"
#include "spectrum/SpectrumCsv.h"
#include "spectrum/SpectrumGrid.h"
#include "spectrum/SpectrumMapping.h"
#include "spectrum/TraceColours.h"

namespace {

using SpectrumStoreTest = StoreOnCard;

QImage Blank() {
    QImage blank(kPictureWidth, kPictureHeight, QImage::Format_RGB888);
    DrawSpectrumGrid(blank);
    return blank;
}

TEST_F(SpectrumStoreTest, NothingStartsWithoutAGraph) {
    AddGraph(2);
    for (int tunerIndex : {0, -1, 2}) store.StartSpectrumTrace(tunerIndex);
    EXPECT_FALSE(store.Busy());
    EXPECT_EQ(store.Picture(), nullptr);
    EXPECT_EQ(store.CurrentSlot(), 0);
    EXPECT_EQ(Slot(0).points, nullptr);
    EXPECT_EQ(Slot(0).tuner, 0);
    EXPECT_EQ(invalidations, 0);
}

TEST_F(SpectrumStoreTest, StartPreparesTheCurrentSlotAndThePicture) {
    AddGraph(2);
    store.StartSpectrumTrace(1);
    EXPECT_TRUE(store.Busy());
    ASSERT_NE(store.Picture(), nullptr);
    EXPECT_EQ(*store.Picture(), Blank());
    EXPECT_NE(Slot(0).points, nullptr);
    EXPECT_EQ(Slot(0).count, 0);
    EXPECT_EQ(Slot(0).tuner, 2);
    EXPECT_EQ(store.CurrentSlot(), 0);  // moves on only at the end mark
}

TEST_F(SpectrumStoreTest, ASweepInProgressBlocksStartAndClear) {
    AddGraph(1);
    AddGraph(2);
    store.StartSpectrumTrace(0);
    Point(1000, 50000);
    Point(1002, 50000);
    const QImage drawn = *store.Picture();
    store.StartSpectrumTrace(1);
    store.ClearSpectrum();
    EXPECT_TRUE(store.Busy());
    EXPECT_EQ(Slot(0).tuner, 1);
    EXPECT_EQ(Slot(0).count, 2);
    EXPECT_EQ(*store.Picture(), drawn);
    EndMark();
    EXPECT_FALSE(store.Busy());
    store.StartSpectrumTrace(1);
    EXPECT_TRUE(store.Busy());
    EXPECT_EQ(Slot(1).tuner, 2);
}

TEST_F(SpectrumStoreTest, ARefusedSweepEndsAtOnceAsASweepWithoutPoints) {
    ClearDevices();  // no card: the graph is built but never ready
    graphs[0] = std::make_unique<TunerGraph>(1, 0);
    ASSERT_EQ(graphs[0]->RequestSpectrumSweep(), 1);
    store.StartSpectrumTrace(0);
    EXPECT_FALSE(store.Busy());
    EXPECT_EQ(store.CurrentSlot(), 1);
    EXPECT_EQ(store.ColourIndex(), 1);
    EXPECT_EQ(Slot(0).count, 0);
    EXPECT_EQ(Slot(0).tuner, 1);
    EXPECT_EQ(store.RowCount(), 0);
    // Spectrum commands stay usable.
    store.StartSpectrumTrace(0);
    EXPECT_EQ(store.CurrentSlot(), 2);
    store.ClearSpectrum();
    EXPECT_EQ(store.CurrentSlot(), 0);
}

TEST_F(SpectrumStoreTest, EveryPointIsStoredAsItCameAndInvalidatesTheView) {
    AddGraph(1);
    std::vector<SpectrumPoint> points = Steps(601);
    points[7].level = -2500;  // stored negative, drawn at 0
    Sweep(0, points);
    ASSERT_EQ(Slot(0).count, 601);
    for (int i = 0; i < 601; ++i) {
        ASSERT_EQ(Slot(0).points[i].frequency, points[i].frequency);
        ASSERT_EQ(Slot(0).points[i].level, points[i].level);
    }
    EXPECT_EQ(store.RowCount(), 601);
    EXPECT_EQ(invalidations, 601);  // one per point, none at the end mark
}

TEST_F(SpectrumStoreTest, ASweepKeepsItsFirst700PointsAndDropsTheRest) {
    AddGraph(1);
    Sweep(0, Steps(750));
    EXPECT_EQ(Slot(0).count, 700);
    EXPECT_EQ(Slot(0).points[699].frequency, 950 + 2 * 699);
    EXPECT_EQ(store.RowCount(), 700);
    EXPECT_EQ(invalidations, 750);
}

TEST_F(SpectrumStoreTest, EmptySweepsStillMoveSlotAndColourOn) {
    AddGraph(2);
    Sweep(1, Steps(10));
    Sweep(1, {});
    EXPECT_EQ(store.CurrentSlot(), 2);
    EXPECT_EQ(store.ColourIndex(), 2);
    EXPECT_EQ(Slot(1).count, 0);
    EXPECT_EQ(Slot(1).tuner, 2);
    EXPECT_EQ(store.RowCount(), 10);
}

TEST_F(SpectrumStoreTest, The129thSweepReusesSlotZero) {
    AddGraph(1);
    AddGraph(2);
    Sweep(0, Steps(601));
    const SpectrumPoint* buffer = Slot(0).points.get();
    for (int n = 1; n < 128; ++n) Sweep(0, {});
    EXPECT_EQ(store.CurrentSlot(), 0);
    Sweep(1, Steps(5));
    EXPECT_EQ(Slot(0).points.get(), buffer);
    EXPECT_EQ(Slot(0).count, 5);
    EXPECT_EQ(Slot(0).tuner, 2);
    EXPECT_EQ(store.RowCount(), 601);
    EXPECT_EQ(store.CurrentSlot(), 1);
}

TEST_F(SpectrumStoreTest, PointsOutsideASweepGoToTheCurrentSlotWhenItHasRoom) {
    AddGraph(1);
    Sweep(0, Steps(3));
    Point(2000, 50000);  // slot 1 was never started: nowhere to go
    EXPECT_EQ(Slot(1).count, 0);
    EXPECT_EQ(invalidations, 4);
    for (int n = 1; n < 128; ++n) Sweep(0, {});
    ASSERT_EQ(store.CurrentSlot(), 0);
    Point(2000, 50000);
    EXPECT_FALSE(store.Busy());
    EXPECT_EQ(Slot(0).count, 4);
    EXPECT_EQ(Slot(0).points[3].frequency, 2000);
}

TEST_F(SpectrumStoreTest, EachPointAfterTheFirstDrawsOneSegmentInTheSweepsColour) {
    AddGraph(1);
    store.StartSpectrumTrace(0);
    Point(1000, 50000);
    EXPECT_EQ(*store.Picture(), Blank());
    Point(1100, 50000);
    Point(1200, 60000);
    const QImage& picture = *store.Picture();
    const int y = SpectrumToPixel(0, 50000).y();
    EXPECT_EQ(Pixel(picture, SpectrumToPixel(1050, 0).x(), y), kGreenTrace);
    EXPECT_EQ(Pixel(picture, SpectrumToPixel(1200, 0).x() - 1, SpectrumToPixel(0, 60000).y() + 1),
              kGreenTrace);
    EXPECT_EQ(BoundingBoxOf(picture, kGreenTrace, picture.rect()).left(),
              SpectrumToPixel(1000, 0).x());
}

TEST_F(SpectrumStoreTest, ColoursCycleThroughTheTableAndRestartAfterClear) {
    AddGraph(1);
    for (int n = 0; n < 7; ++n) {
        const std::int32_t level = 32000 + 6000 * n;  // one row per sweep
        Sweep(0, {{1000, level}, {1100, level}});
        EXPECT_EQ(Pixel(*store.Picture(), 60, SpectrumToPixel(0, level).y()),
                  kTraceColours[n % 6].rgb())
            << "sweep " << n;
    }
    EXPECT_EQ(store.ColourIndex(), 1);
    store.ClearSpectrum();
    EXPECT_EQ(store.ColourIndex(), 0);
    store.ReplacePicture(std::make_unique<QImage>(Blank()));
    Sweep(0, {{1000, 50000}, {1100, 50000}});
    EXPECT_EQ(Pixel(*store.Picture(), 60, SpectrumToPixel(0, 50000).y()), kYellowTrace);
}

TEST_F(SpectrumStoreTest, ClearForgetsEverySweepAndBlanksThePicture) {
    AddGraph(1);
    Sweep(0, Steps(601));
    Sweep(0, Steps(20));
    invalidations = 0;
    store.ClearSpectrum();
    for (const SpectrumTrace& trace : store.Traces()) {
        EXPECT_EQ(trace.points, nullptr);
        EXPECT_EQ(trace.count, 0);
        EXPECT_EQ(trace.tuner, 0);
    }
    EXPECT_EQ(store.RowCount(), 0);
    EXPECT_EQ(store.CurrentSlot(), 0);
    EXPECT_EQ(*store.Picture(), Blank());
    EXPECT_EQ(invalidations, 1);
    Sweep(0, {{1000, 50000}, {1100, 50000}});
    EXPECT_EQ(Slot(0).count, 2);
    EXPECT_EQ(Pixel(*store.Picture(), 60, SpectrumToPixel(0, 50000).y()), kGreenTrace);
}

// Hands the store what the worker posts, as the application does, up to the sweep's end mark.
bool DeliverSweep(ThreadMessageQueue& queue, SpectrumStore& store) {
    while (std::optional<ThreadMessage> message = queue.Wait(10000)) {
        if (message->message != MSG_SPECTRUM_POINT) continue;
        const bool endMark = !message->payload;
        store.OnSpectrumPoint(message->payload.Take<SpectrumPoint>());
        if (endMark) return true;
    }
    return false;
}

TEST_F(SpectrumStoreTest, SweepsOfTheSimulatedSkyFillTheirSlotsAndThePicture) {
    ThreadMessageQueue queue;
    AddGraph(1);
    AddGraph(2);
    for (auto& graph : graphs) graph->m_notifyThreadId = queue.ThreadId();
    store.StartSpectrumTrace(0);
    ASSERT_TRUE(DeliverSweep(queue, store));
    store.StartSpectrumTrace(1);
    ASSERT_TRUE(DeliverSweep(queue, store));

    for (int slot : {0, 1}) {
        ASSERT_EQ(Slot(slot).count, 601);
        EXPECT_EQ(Slot(slot).tuner, slot + 1);
        EXPECT_EQ(Slot(slot).points[0].frequency, 950);
        EXPECT_EQ(Slot(slot).points[600].frequency, 2150);
    }
    const QByteArray csv = BuildSpectrumCsv(store);
    EXPECT_TRUE(csv.startsWith("Freq. Mhz;Tuner 1;Tuner 2\r\n950;"));
    EXPECT_EQ(csv.count("\r\n"), 602);
    const QImage& picture = *store.Picture();
    const QRect plot(20, 0, 600, kPictureHeight);
    EXPECT_GT(CountOf(picture, kGreenTrace, plot), 600);
    EXPECT_GT(CountOf(picture, kRedTrace, plot), 600);
}

}  // namespace
