#include "settings/reachable_placement.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestro {
namespace {

WindowPlacement Normal(int32_t left, int32_t top, int32_t width, int32_t height) {
    return {0, kShowCmdNormal, -1, -1, -1, -1, left, top, left + width, top + height};
}

// Two screens side by side, the right one lower and with a panel on top.
const std::vector<ScreenArea> kScreens = {{0, 0, 1920, 1080}, {1920, 100, 3200, 1024}};

TEST(KeepReachableTest, MovesOnlyWhatNoScreenShowsIntoTheNearestKeepingItsSize) {
    struct Case {
        const char* what;
        WindowPlacement stored;
        int32_t left, top;  // expected
    };
    const Case cases[] = {
        {"inside the first screen", Normal(100, 50, 433, 87), 100, 50},
        {"inside the second screen", Normal(2000, 500, 433, 87), 2000, 500},
        {"a grip's worth still shown", Normal(-417, -71, 433, 87), -417, -71},
        {"less than a grip shown", Normal(-420, 10, 433, 87), 0, 10},
        {"the stored 3000,2000 below both", Normal(3000, 2000, 433, 87), 2767, 937},
        {"above the lower right screen", Normal(2500, 0, 433, 87), 2500, 100},
        {"far left of everything", Normal(-5000, 300, 433, 87), 0, 300},
        {"a monitor unplugged on the right", Normal(4000, 300, 433, 87), 2767, 300},
        {"larger than the screen", Normal(5000, 5000, 4000, 2000), 1920, 100},
        {"at the edge of int32", Normal(2147483000, 2147483000, 433, 87), 2767, 937},
    };
    for (const Case& c : cases) {
        const WindowPlacement fitted = KeepReachable(c.stored, kScreens);
        EXPECT_EQ(fitted.left, c.left) << c.what;
        EXPECT_EQ(fitted.top, c.top) << c.what;
        EXPECT_EQ(int64_t{fitted.right} - fitted.left, int64_t{c.stored.right} - c.stored.left)
            << c.what;
        EXPECT_EQ(int64_t{fitted.bottom} - fitted.top, int64_t{c.stored.bottom} - c.stored.top)
            << c.what;
        EXPECT_EQ(fitted.showCmd, c.stored.showCmd) << c.what;
    }
    // No screens known: nothing to fit into.
    EXPECT_EQ(KeepReachable(Normal(9000, 9000, 10, 10), {}), Normal(9000, 9000, 10, 10));
}

}  // namespace
}  // namespace kestro
