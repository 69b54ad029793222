// The recording's own time without a window: one tick per virtual second,
// and the clock that runs on its own.
#include "replay/recorded_capture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <utility>

namespace kestro {
namespace {

TEST(ReplayTickTest, OneTickPerVirtualSecondNeverSlower) {
    const std::pair<double, int> cases[] = {
        {1, 1000}, {8, 125}, {60, 16}, {0.5, 2000}, {3000, 1}, {1e9, 1},
    };
    for (const auto& [factor, interval] : cases) {
        EXPECT_EQ(ReplayTickInterval(factor), interval) << factor;
    }
}

TEST(ReplayClockTest, AStreamsFirstFrameSetsTheTimeAndAHugeFactorSaturates) {
    constexpr int64_t frame = 1238155200LL * 1000000;
    ReplayClock stream(0, 1.0);
    stream.StartAtFirstFrame();
    stream.Start();
    stream.FirstFrame(frame);
    stream.FirstFrame(frame + 3600LL * 1000000);  // only the first one counts
    EXPECT_GE(stream.NowMicros(), frame);
    EXPECT_LT(stream.NowMicros(), frame + 60LL * 1000000);

    ReplayClock fast(kLatestFrameMicros - 1, 1e300);
    fast.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(fast.NowMicros(), kLatestFrameMicros);
}

}  // namespace
}  // namespace kestro
