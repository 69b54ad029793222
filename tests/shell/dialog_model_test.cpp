// What every modal secondary window does alike at its show and close, on a
// window that writes down where it was put and a real settings file.
#include "shell/dialog_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/ini_file.h"
#include "settings/vu_ini_mng.h"
#include "support/recorders.h"
#include "support/temp_folder.h"

namespace kestro {
namespace {

class LeftWindow final : public PlacedWindow {
public:
    WindowPlacement QueryPlacement() const override { return now; }
    void ApplyPlacement(const WindowPlacement& p) override { now = p; }
    std::vector<ScreenArea> ScreenAreas() const override { return {{0, 0, 1024, 768}}; }

    // Left far off the only screen by an earlier session on a larger desktop.
    WindowPlacement now{0, kShowCmdNormal, -1, -1, -1, -1, 3000, 3000, 3356, 3524};
};

class MainWindow final : public PlacedWindow {
public:
    WindowPlacement QueryPlacement() const override {
        return {0, kShowCmdNormal, -1, -1, -1, -1, 100, 50, 545, 165};
    }
    void ApplyPlacement(const WindowPlacement&) override {}
};

// Kept or not, a dialog opens where the player can reach it: a window left at
// 3000,3000 comes back inside a 1024x768 work area, its size kept, or beside
// the main window where it has one; a place the file keeps wins only while
// placements are kept. Only a kept placement is written at the close, and the
// close always silences the tests.
TEST(DialogModelTest, ADialogOpensInsideTheWorkAreaOrBesideTheMainWindowUntilItKeepsAPlace) {
    test::TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    const std::string iniPath = folder.Path("kestro.ini");
    SetIniFileNameOverride(iniPath);
    const std::string stored =
        "[TfrmZKreminders]\nPlaceNormalPos.Left=200\nPlaceNormalPos.Top=100\n"
        "PlaceNormalPos.Right=556\nPlaceNormalPos.Bottom=624\n";
    struct Case {
        const char* what;
        bool keep;
        std::string placeInFile;
        bool beside;
        int32_t left, top;
        int32_t savedLeft;  // -1: nothing written
    };
    const Case cases[] = {
        {"not kept, no main window: moved inside", false, "", false, 668, 244, -1},
        {"kept, none yet, no main window: moved inside", true, "", false, 668, 244, 668},
        {"not kept: beside the main window", false, stored, true, 553, 50, 200},
        {"kept, none yet: beside the main window", true, "", true, 553, 50, 553},
        {"kept: where it was left", true, stored, true, 200, 100, 200},
    };
    const MainWindow main;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::WriteFileBytes(iniPath, std::string("[Function]\nSaveFormSize=") +
                                          (c.keep ? "1" : "0") + "\n" + c.placeInFile);
        LeftWindow window;
        test::Recorder rec;
        test::RecordingPlayer player{rec};
        DialogModel model(window, "TfrmZKreminders", player, {}, c.beside ? &main : nullptr);
        model.FormShow();
        EXPECT_EQ(window.now, (WindowPlacement{0, kShowCmdNormal, -1, -1, -1, -1, c.left, c.top,
                                               c.left + 356, c.top + 524}));
        model.TestSound("/x/test.wav");
        model.FormClose();
        EXPECT_EQ(rec.plays, (std::vector<std::string>{"/x/test.wav", ""}));
        EXPECT_EQ(IniFile::Load(iniPath).ReadInteger("TfrmZKreminders", "PlaceNormalPos.Left", -1),
                  c.savedLeft);
    }
    SetIniFileNameOverride("");
}

}  // namespace
}  // namespace kestro
