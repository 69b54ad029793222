// Placement as Qt draws it: the record read from and given to real windows,
// hidden and shown, on the offscreen screens. The rules are the shell's.
#include "app/placement_qt.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>
#include <memory>
#include <string>

#include "support/qt_app.h"
#include "support/temp_folder.h"

namespace kestro {
namespace {

using test::TempFolder;
using test::WriteFileBytes;

class PlacementQtTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::TestApp();
        ASSERT_TRUE(folder_.Ok());
        path_ = folder_.Path("kestro.ini");
        SetIniFileNameOverride(path_);
    }
    void TearDown() override { SetIniFileNameOverride(""); }

    void WriteSection(const std::string& section, const std::string& keys) {
        WriteFileBytes(path_, "[" + section + "]\n" + keys);
    }

    TempFolder folder_;
    std::string path_;
};

// The shell's rules on a real window, as each face runs them.
void Load(QWidget& form, const std::string& section) {
    PlacedForm placed(&form);
    LoadFormPlacement(placed, section, form.isVisible());
}

Result Save(QWidget& form, const std::string& section) {
    return SaveFormPlacement(PlacedForm(&form), section);
}

TEST_F(PlacementQtTest, AHiddenFormsGeometryRoundTripsExactly) {
    QWidget saved;
    saved.setGeometry(100, 50, 445, 115);
    ASSERT_TRUE(Save(saved, "TfrmZKmain"));
    const IniFile ini = IniFile::Load(path_);
    const WindowPlacement expected{0, 1, -1, -1, -1, -1, 100, 50, 545, 165};
    EXPECT_EQ(ReadPlacement(ini, "TfrmZKmain", ppAll, WindowPlacement{}, 0, 0), expected);

    QWidget restored;
    restored.setGeometry(0, 0, 200, 100);
    Load(restored, "TfrmZKmain");
    EXPECT_EQ(restored.geometry(), QRect(100, 50, 445, 115));
}

TEST_F(PlacementQtTest, AFormNotYetShownOpensNormalWhateverStateWasStored) {
    for (const char* showCmd : {"1", "2", "3"}) {
        WriteSection("TfrmZKprobe", std::string("PlaceShowCmd=") + showCmd +
                                        "\nPlaceNormalPos.Left=100\nPlaceNormalPos.Top=50\n"
                                        "PlaceNormalPos.Right=545\nPlaceNormalPos.Bottom=165\n");
        QWidget form;
        Load(form, "TfrmZKprobe");
        form.show();
        QApplication::processEvents();
        EXPECT_FALSE(form.isMaximized()) << showCmd;
        EXPECT_FALSE(form.isMinimized()) << showCmd;
        EXPECT_EQ(form.geometry(), QRect(100, 50, 445, 115)) << showCmd;
    }
}

TEST_F(PlacementQtTest, AShownFormTakesTheStoredState) {
    QWidget form;
    form.show();
    form.setGeometry(120, 80, 300, 200);
    QApplication::processEvents();
    ASSERT_TRUE(Save(form, "TfrmZKconfig"));

    IniFile ini = IniFile::Load(path_);
    ini.WriteInteger("TfrmZKconfig", "PlaceShowCmd", 3);
    ASSERT_TRUE(ini.Save(path_));
    form.setGeometry(0, 0, 50, 50);
    Load(form, "TfrmZKconfig");
    QApplication::processEvents();
    EXPECT_TRUE(form.isMaximized());
    const WindowPlacement now = QueryFormPlacement(&form);
    EXPECT_EQ(now.showCmd, kShowCmdMaximized);
    EXPECT_EQ(QRect(now.left, now.top, now.right - now.left, now.bottom - now.top),
              QRect(120, 80, 300, 200));

    // Saved while maximised, the normal rectangle is what comes back.
    ASSERT_TRUE(Save(form, "TfrmZKconfig"));
    ini = IniFile::Load(path_);
    ini.WriteInteger("TfrmZKconfig", "PlaceShowCmd", 1);
    ASSERT_TRUE(ini.Save(path_));
    Load(form, "TfrmZKconfig");
    QApplication::processEvents();
    EXPECT_FALSE(form.isMaximized());
    EXPECT_EQ(form.geometry(), QRect(120, 80, 300, 200));
}

TEST_F(PlacementQtTest, ExtremeValuesAreHandedOverWithoutOverflow) {
    WriteSection("F",
                 "PlaceNormalPos.Left=2147483647\nPlaceNormalPos.Top=-2147483648\n"
                 "PlaceNormalPos.Right=-2147483648\nPlaceNormalPos.Bottom=2147483647\n");
    QWidget form;
    Load(form, "F");
    // Far outside every screen, so moved onto the nearest one, without overflow.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_GE(form.x(), screen.left());
    EXPECT_LE(form.x(), screen.right() + 1);
    EXPECT_EQ(form.y(), screen.top());
    EXPECT_GE(form.width(), 0);
}

// A placement stored for a monitor that is gone lands on the nearest screen
// that is there, its size kept, shown or not.
TEST_F(PlacementQtTest, APlacementNoScreenShowsMovesOntoTheNearestKeepingItsSize) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    WriteSection("F",
                 "PlaceNormalPos.Left=3000\nPlaceNormalPos.Top=2000\n"
                 "PlaceNormalPos.Right=3433\nPlaceNormalPos.Bottom=2087\n");
    for (const bool shown : {false, true}) {
        QWidget form;
        form.setGeometry(10, 20, 320, 240);
        if (shown) {
            form.show();
        }
        Load(form, "F");
        EXPECT_EQ(form.geometry(),
                  QRect(screen.right() + 1 - 433, screen.bottom() + 1 - 87, 433, 87))
            << "shown " << shown;
    }
}

}  // namespace
}  // namespace kestro
