// The workers' thread messages: delivered once each, in order, also inside modal loops, and
// their records always freed.
#include <QTimer>
#include <thread>

#include "AppFixture.h"
#include "app/CommandIds.h"
#include "platform/Threads.h"
#include "tuner/WorkerMessages.h"

namespace app_test {
namespace {

bool PostStatus(std::uint32_t thread, std::uintptr_t tuner, std::int32_t level,
                std::int32_t quality) {
    return PostThreadMessage(
        thread, MSG_SIGNAL_STATUS, tuner,
        MessagePayload(std::make_unique<SignalStatus>(SignalStatus{level, quality})));
}

TEST_F(AppTest, MessagesReachTheirHandlerInOrderWhileAModalDialogRuns) {
    Start();
    const std::uint32_t uiThread = GetCurrentThreadId();
    bool endedByDelivery = false;
    prompts.onModal = [&](QDialog& dialog) {
        std::thread poster;
        // Posted from a worker once the dialog's own loop runs: falling qualities, so only
        // in-order delivery leaves the last one, 1, as the current value.
        QTimer::singleShot(0, &dialog, [&] {
            poster = std::thread([uiThread] {
                for (int quality = 50; quality >= 1; --quality)
                    PostStatus(uiThread, 2, 40000, quality);
            });
        });
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
            if (App().m_meters.m_quality[1] == 1) {
                endedByDelivery = true;
                dialog.reject();
            }
        });
        poll.start(1);
        QTimer::singleShot(20000, &dialog, &QDialog::reject);
        const int result = dialog.exec();
        poster.join();
        return result;
    };
    Choose(ID_APP_ABOUT);
    EXPECT_TRUE(endedByDelivery);
    EXPECT_EQ(App().m_meters.m_peakQuality[1], 50u);
    EXPECT_EQ(App().m_meters.m_level[1], 40000u);
}

TEST_F(AppTest, ASweepArrivesPointByPointThenItsEnd) {
    Start();
    Choose(ID_CREATE_1);
    Choose(ID_SPECTRUM_1);
    ASSERT_TRUE(WaitFor([this] { return !App().m_spectrum.Busy(); }));
    const SpectrumTrace& trace = App().m_spectrum.Traces()[0];
    ASSERT_EQ(trace.count, 601);
    EXPECT_EQ(trace.tuner, 1);
    for (int i = 0; i < trace.count; ++i) ASSERT_EQ(trace.points[i].frequency, 950 + 2 * i);
    EXPECT_EQ(App().m_spectrum.RowCount(), 601);
}

TEST_F(AppTest, SignalStatusKeepsPeaksUnsignedAndIgnoresOtherTuners) {
    Start();
    const std::uint32_t uiThread = GetCurrentThreadId();
    PostStatus(uiThread, 1, 70000, 80);
    PostStatus(uiThread, 1, 60000, 90);
    PostStatus(uiThread, 3, 1, 1);   // no such tuner: freed and ignored
    PostStatus(uiThread, 2, -5, 0);  // a strength above 100000 wraps to a huge unsigned level
    PostThreadMessage(uiThread, 0x0502, 1, MessagePayload(std::make_unique<SignalStatus>()));
    PostThreadMessage(uiThread, MSG_SIGNAL_STATUS, 1, MessagePayload());
    ASSERT_TRUE(WaitFor([this] { return App().m_meters.m_level[1] != 0; }));
    const SignalMeters& meters = App().m_meters;
    EXPECT_EQ(meters.m_level[0], 60000u);
    EXPECT_EQ(meters.m_peakLevel[0], 70000u);
    EXPECT_EQ(meters.m_quality[0], 90u);
    EXPECT_EQ(meters.m_peakQuality[0], 90u);
    EXPECT_EQ(meters.m_level[1], 0xFFFFFFFBu);
}

TEST_F(AppTest, MessagesStillQueuedWhenTheApplicationGoesAreFreed) {
    Start();
    const std::uint32_t uiThread = GetCurrentThreadId();
    EXPECT_TRUE(PostStatus(uiThread, 1, 50000, 50));
    EXPECT_TRUE(PostThreadMessage(uiThread, MSG_SPECTRUM_POINT, 1,
                                  MessagePayload(std::make_unique<SpectrumPoint>())));
    App().ExitInstance();
}

}  // namespace
}  // namespace app_test
