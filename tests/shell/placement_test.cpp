// The placement rules every face shares: the size a restore gives a window at
// another display scale, the work area it is kept in, and the scale a dialog
// too tall for its screen is laid out at.
#include "shell/placement.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace kestro {
namespace {

WindowPlacement Normal(int32_t left, int32_t top, int32_t width, int32_t height) {
    return {0, kShowCmdNormal, -1, -1, -1, -1, left, top, left + width, top + height};
}

// Two screens side by side, the right one lower and with a panel on top.
const std::vector<ScreenArea> kScreens = {{0, 0, 1920, 1080}, {1920, 100, 3200, 1024}};

TEST(PlacementRulesTest, AWindowIsMovedWhollyInsideTheWorkAreaThatShowsMostOfItKeepingItsSize) {
    struct Case {
        const char* what;
        std::vector<ScreenArea> areas;
        WindowPlacement stored;
        int32_t left, top;  // expected
    };
    const std::vector<ScreenArea> laptop = {{0, 0, 1280, 800}};
    const Case cases[] = {
        {"inside the first screen", kScreens, Normal(100, 50, 433, 87), 100, 50},
        {"inside the second screen", kScreens, Normal(2000, 500, 433, 87), 2000, 500},
        {"partly off the top left", kScreens, Normal(-417, -71, 433, 87), 0, 0},
        {"partly off the left", kScreens, Normal(-420, 10, 433, 87), 0, 10},
        {"across both, mostly on the second", kScreens, Normal(1800, 200, 433, 87), 1920, 200},
        {"across both, mostly on the first", kScreens, Normal(1600, 200, 433, 87), 1487, 200},
        {"the stored 3000,2000 below both", kScreens, Normal(3000, 2000, 433, 87), 2767, 937},
        {"above the lower right screen", kScreens, Normal(2500, 0, 433, 87), 2500, 100},
        {"far left of everything", kScreens, Normal(-5000, 300, 433, 87), 0, 300},
        {"a monitor unplugged on the right", kScreens, Normal(4000, 300, 433, 87), 2767, 300},
        {"larger than the screen", kScreens, Normal(5000, 5000, 4000, 2000), 1920, 100},
        {"at the edge of int32", kScreens, Normal(2147483000, 2147483000, 433, 87), 2767, 937},
        {"the dialog's OK row below an 800-pixel screen", laptop, Normal(444, 325, 540, 760), 444,
         40},
        {"taller than the screen: its caption stays", laptop, Normal(444, 325, 540, 820), 444, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const WindowPlacement fitted = KeepInsideWorkArea(c.stored, c.areas);
        EXPECT_EQ(fitted.left, c.left);
        EXPECT_EQ(fitted.top, c.top);
        EXPECT_EQ(int64_t{fitted.right} - fitted.left, int64_t{c.stored.right} - c.stored.left);
        EXPECT_EQ(int64_t{fitted.bottom} - fitted.top, int64_t{c.stored.bottom} - c.stored.top);
        EXPECT_EQ(fitted.showCmd, c.stored.showCmd);
    }
    // No screens known: nothing to fit into.
    EXPECT_EQ(KeepInsideWorkArea(Normal(9000, 9000, 10, 10), {}), Normal(9000, 9000, 10, 10));
}

// A secondary window without a place of its own opens beside the main window,
// the first side with room in the main window's work area, else over it.
TEST(PlacementRulesTest, ASecondaryWindowOpensBesideTheMainWindowInsideItsWorkArea) {
    struct Case {
        const char* what;
        std::vector<ScreenArea> areas;
        WindowPlacement main;
        int32_t width, height;
        int32_t left, top;  // expected
    };
    const std::vector<ScreenArea> small = {{0, 0, 1024, 728}};
    const Case cases[] = {
        {"on the right, tops level", kScreens, Normal(0, 0, 445, 115), 488, 421, 453, 0},
        {"no room on the right: on the left", kScreens, Normal(1400, 100, 445, 115), 488, 421, 904,
         100},
        {"no room on either side: below", small, Normal(100, 50, 445, 115), 488, 421, 100, 173},
        {"nor below: above", small, Normal(300, 600, 445, 115), 488, 421, 300, 171},
        {"no side has room: over the middle",
         {{0, 0, 800, 600}},
         Normal(200, 250, 445, 115),
         488,
         421,
         179,
         97},
        {"larger than the screen: its caption stays", small, Normal(100, 50, 445, 115), 1200, 900,
         0, 0},
        {"on the main window's screen, the lower right one", kScreens, Normal(2000, 500, 445, 115),
         488, 421, 2453, 500},
        {"the main window mostly on the second screen", kScreens, Normal(1700, 200, 445, 115), 488,
         421, 2153, 200},
        {"a main window left off the screen: inside it", small, Normal(3000, 3000, 445, 115), 488,
         421, 536, 307},
        {"no screens known: on the right", {}, Normal(100, 50, 445, 115), 488, 421, 553, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WindowPlacement window = Normal(-1, -1, c.width, c.height);
        window.showCmd = kShowCmdHide;
        const WindowPlacement placed = BesideMainWindow(window, c.main, c.areas, 8);
        WindowPlacement expected = Normal(c.left, c.top, c.width, c.height);
        expected.showCmd = kShowCmdHide;
        EXPECT_EQ(placed, expected);
    }
}

TEST(PlacementRulesTest, AFixedWindowKeepsItsDesignSizeAndAResizableOneIsScaled) {
    struct Case {
        const char* what;
        WindowPlacement stored, current;
        bool resizable;
        int storedDpi, dpi;
        WindowPlacement expected;
    };
    // The main window's outer rectangle at 96 and at 144 dots per inch.
    const WindowPlacement main96 = Normal(0, 0, 445, 115);
    const WindowPlacement main144 = Normal(0, 0, 656, 165);
    const Case cases[] = {
        {"fixed, saved at 144, restored at 96", Normal(300, 200, 656, 165), main96, false, 0, 96,
         Normal(300, 200, 445, 115)},
        {"fixed, saved at 96, restored at 144", Normal(300, 200, 445, 115), main144, false, 0, 144,
         Normal(300, 200, 656, 165)},
        {"fixed: a stored scale changes nothing", Normal(300, 200, 100, 100), main96, false, 144,
         96, Normal(300, 200, 445, 115)},
        {"resizable, saved at 144, restored at 96", Normal(300, 200, 588, 378), main96, true, 144,
         96, Normal(300, 200, 392, 252)},
        {"resizable, saved at 96, restored at 144", Normal(300, 200, 392, 252), main96, true, 96,
         144, Normal(300, 200, 588, 378)},
        {"resizable, same scale", Normal(300, 200, 500, 300), main96, true, 120, 120,
         Normal(300, 200, 500, 300)},
        {"resizable, no scale stored: as stored", Normal(300, 200, 500, 300), main96, true, 0, 144,
         Normal(300, 200, 500, 300)},
        {"resizable, a stored scale that is nonsense", Normal(300, 200, 500, 300), main96, true, -5,
         144, Normal(300, 200, 500, 300)},
        {"no overflow at the edge of int32", Normal(2147483000, 0, 600, 600), main96, true, 96, 192,
         Normal(2147483000, 0, 647, 1200)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(RestoredSize(c.stored, c.current, c.resizable, c.storedDpi, c.dpi), c.expected);
    }
}

TEST(PlacementRulesTest, ADialogTooTallForItsScreenIsLaidOutAtTheLargestScaleThatFits) {
    // The settings dialog's client area, with a frame of 10 and a caption of 30.
    const auto dialogAt = [](int dpi) {
        return OuterSize{356 * dpi / 96 + 10, 524 * dpi / 96 + 40};
    };
    struct Case {
        const char* what;
        int dpi;
        ScreenArea area;
        int expected;
    };
    const Case cases[] = {
        {"150 % on an 800-pixel screen", 144, {0, 0, 1280, 800}, 139},
        {"150 % on a taller screen", 144, {0, 0, 1920, 1040}, 144},
        {"125 % fits", 120, {0, 0, 1280, 800}, 120},
        {"a work area below a task bar", 144, {0, 100, 1280, 800}, 121},
        {"too narrow", 144, {0, 0, 400, 1040}, 105},
        {"nothing fits: the design scale", 144, {0, 0, 300, 300}, 96},
        {"the design scale stays", 96, {0, 0, 300, 300}, 96},
        {"below the design scale stays", 72, {0, 0, 300, 300}, 72},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(FittingDpi(c.dpi, c.area, dialogAt), c.expected);
    }
}

// A window as the placement rules see it, with a scale and a work area.
class ScaledWindow final : public PlacedWindow {
public:
    ScaledWindow(bool resizable, int dpi, WindowPlacement now)
        : now(now), resizable_(resizable), dpi_(dpi) {}
    WindowPlacement QueryPlacement() const override { return now; }
    void ApplyPlacement(const WindowPlacement& p) override {
        now = p;
        ++applied;
    }
    std::vector<ScreenArea> ScreenAreas() const override { return {{0, 0, 1280, 800}}; }
    bool Resizable() const override { return resizable_; }
    int Dpi() const override { return dpi_; }

    WindowPlacement now;
    int applied = 0;

private:
    bool resizable_;
    int dpi_;
};

// Through the settings file: what one scale saves, another restores.
TEST(PlacementRulesTest, APlacementSavedAtOneScaleIsRestoredAtAnother) {
    test::TempFolder folder("kestro-placement-");
    ASSERT_TRUE(folder.Ok());
    SetIniFileNameOverride(folder.Path("kestro.ini"));
    struct Case {
        const char* what;
        bool resizable;
        WindowPlacement saved;
        int savedDpi;
        WindowPlacement madeAt;  // the window as the face made it at the new scale
        int dpi;
        WindowPlacement expected;
    };
    const Case cases[] = {
        {"fixed, 144 to 96", false, Normal(300, 200, 656, 165), 144, Normal(10, 10, 445, 115), 96,
         Normal(300, 200, 445, 115)},
        {"fixed, 96 to 144, moved inside", false, Normal(1000, 700, 445, 115), 96,
         Normal(10, 10, 656, 165), 144, Normal(624, 635, 656, 165)},
        {"resizable, 144 to 96", true, Normal(300, 200, 588, 378), 144, Normal(10, 10, 392, 252),
         96, Normal(300, 200, 392, 252)},
        {"resizable, 96 to 144", true, Normal(300, 200, 392, 252), 96, Normal(10, 10, 588, 378),
         144, Normal(300, 200, 588, 378)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScaledWindow before(c.resizable, c.savedDpi, c.saved);
        ASSERT_TRUE(SaveFormPlacement(before, "F"));
        ScaledWindow after(c.resizable, c.dpi, c.madeAt);
        LoadFormPlacement(after, "F", true);
        EXPECT_EQ(after.now, c.expected);
    }
    // Not restored: its design position is kept inside the work area all the same.
    ScaledWindow unplaced(false, 144, Normal(444, 325, 540, 760));
    KeepFormInsideWorkArea(unplaced, false);
    EXPECT_EQ(unplaced.now.top, 40);
    EXPECT_EQ(unplaced.now.showCmd, kShowCmdHide) << "a window not yet shown only moves";
    SetIniFileNameOverride("");
}

// Where the window system makes a window's place up (a Wayland compositor
// reads back 0,0), saving it would lose the player's: the stored one stays,
// and nothing failed.
TEST(PlacementRulesTest, APlaceTheWindowSystemDoesNotReportNeverReplacesTheStoredOne) {
    test::TempFolder folder("kestro-placement-");
    ASSERT_TRUE(folder.Ok());
    SetIniFileNameOverride(folder.Path("kestro.ini"));
    for (const bool reported : {true, false}) {
        SCOPED_TRACE(reported);
        ASSERT_TRUE(SaveFormPlacement(ScaledWindow(true, 96, Normal(500, 300, 392, 252)), "F"));
        SetWindowPlacesReported(reported);
        const Result saved = SaveFormPlacement(ScaledWindow(true, 96, Normal(0, 0, 392, 252)), "F");
        SetWindowPlacesReported(true);
        EXPECT_TRUE(saved);
        ScaledWindow next(true, 96, Normal(10, 10, 392, 252));
        LoadFormPlacement(next, "F", true);
        EXPECT_EQ(next.now, reported ? Normal(0, 0, 392, 252) : Normal(500, 300, 392, 252));
    }
    SetIniFileNameOverride("");
}

}  // namespace
}  // namespace kestro
