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

// Kept or not, a dialog opens where the player can reach it: a window left at
// 3000,3000 comes back inside a 1024x768 work area, its size kept; only a kept
// placement is written at the close, and the close always silences the tests.
TEST(DialogModelTest, ADialogOpensInsideTheWorkAreaWhetherItsPlacementIsKeptOrNot) {
    test::TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    const std::string iniPath = folder.Path("kestro.ini");
    SetIniFileNameOverride(iniPath);
    for (const char* saveFormSize : {"0", "1"}) {
        SCOPED_TRACE(saveFormSize);
        test::WriteFileBytes(iniPath,
                             std::string("[Function]\nSaveFormSize=") + saveFormSize + "\n");
        LeftWindow window;
        test::Recorder rec;
        test::RecordingPlayer player{rec};
        DialogModel model(window, "TfrmZKreminders", player, {});
        model.FormShow();
        EXPECT_EQ(window.now,
                  (WindowPlacement{0, kShowCmdNormal, -1, -1, -1, -1, 668, 244, 1024, 768}));
        model.TestSound("/x/test.wav");
        model.FormClose();
        EXPECT_EQ(rec.plays, (std::vector<std::string>{"/x/test.wav", ""}));
        EXPECT_EQ(IniFile::Load(iniPath).ReadInteger("TfrmZKreminders", "PlaceNormalPos.Left", -1),
                  saveFormSize[0] == '1' ? 668 : -1);
    }
    SetIniFileNameOverride("");
}

}  // namespace
}  // namespace kestro
