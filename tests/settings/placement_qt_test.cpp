#include "settings/ui/placement_qt.h"

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

// A form class of its own, as the application's windows are.
class TfrmZKprobe : public QWidget {
    Q_OBJECT
};

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

TEST_F(PlacementQtTest, AHiddenFormsGeometryRoundTripsExactly) {
    QWidget saved;
    saved.setGeometry(100, 50, 445, 115);
    ASSERT_TRUE(SaveFormPlacement(&saved, "TfrmZKmain"));
    const IniFile ini = IniFile::Load(path_);
    const WindowPlacement expected{0, 1, -1, -1, -1, -1, 100, 50, 545, 165};
    EXPECT_EQ(ReadPlacement(ini, "TfrmZKmain", ppAll, WindowPlacement{}, 0, 0), expected);

    QWidget restored;
    restored.setGeometry(0, 0, 200, 100);
    LoadFormPlacement(&restored, "TfrmZKmain");
    EXPECT_EQ(restored.geometry(), QRect(100, 50, 445, 115));
}

TEST_F(PlacementQtTest, AFormNotYetShownOpensNormalWhateverStateWasStored) {
    for (const char* showCmd : {"1", "2", "3"}) {
        WriteSection("TfrmZKprobe", std::string("PlaceShowCmd=") + showCmd +
                                        "\nPlaceNormalPos.Left=100\nPlaceNormalPos.Top=50\n"
                                        "PlaceNormalPos.Right=545\nPlaceNormalPos.Bottom=165\n");
        TfrmZKprobe form;
        LoadFormPlacement(&form);
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
    ASSERT_TRUE(SaveFormPlacement(&form, "TfrmZKconfig"));

    IniFile ini = IniFile::Load(path_);
    ini.WriteInteger("TfrmZKconfig", "PlaceShowCmd", 3);
    ASSERT_TRUE(ini.Save(path_));
    form.setGeometry(0, 0, 50, 50);
    LoadFormPlacement(&form, "TfrmZKconfig");
    QApplication::processEvents();
    EXPECT_TRUE(form.isMaximized());
    const WindowPlacement now = QueryFormPlacement(&form);
    EXPECT_EQ(now.showCmd, kShowCmdMaximized);
    EXPECT_EQ(QRect(now.left, now.top, now.right - now.left, now.bottom - now.top),
              QRect(120, 80, 300, 200));

    // Saved while maximised, the normal rectangle is what comes back.
    ASSERT_TRUE(SaveFormPlacement(&form, "TfrmZKconfig"));
    ini = IniFile::Load(path_);
    ini.WriteInteger("TfrmZKconfig", "PlaceShowCmd", 1);
    ASSERT_TRUE(ini.Save(path_));
    LoadFormPlacement(&form, "TfrmZKconfig");
    QApplication::processEvents();
    EXPECT_FALSE(form.isMaximized());
    EXPECT_EQ(form.geometry(), QRect(120, 80, 300, 200));
}

TEST_F(PlacementQtTest, WithoutTheNormalPartTheFormMovesAndKeepsItsSize) {
    WriteSection("F",
                 "PlaceNormalPos.Left=30\nPlaceNormalPos.Top=40\n"
                 "PlaceNormalPos.Right=1000\nPlaceNormalPos.Bottom=1000\n");
    QWidget form;
    form.setGeometry(5, 6, 320, 240);
    LoadFormPlacement(&form, "F", ppShowCmd | ppMinMaxPos);
    EXPECT_EQ(form.geometry(), QRect(30, 40, 320, 240));
}

TEST_F(PlacementQtTest, LeftAndTopAloneMoveOnlyThoseEdges) {
    WriteSection("F", "PlaceNormalPos.Left=30\nPlaceNormalPos.Top=40\n");
    QWidget form;
    form.setGeometry(10, 20, 320, 240);  // right 330, bottom 260
    LoadFormPlacement(&form, "F");
    EXPECT_EQ(form.geometry(), QRect(30, 40, 300, 220));
}

TEST_F(PlacementQtTest, NoSectionLeavesTheFormWhereItIs) {
    WriteSection("Other", "PlaceNormalPos.Left=30\n");
    QWidget form;
    form.setGeometry(10, 20, 320, 240);
    LoadFormPlacement(&form, "F");
    EXPECT_EQ(form.geometry(), QRect(10, 20, 320, 240));
}

TEST_F(PlacementQtTest, ExtremeValuesAreHandedOverWithoutOverflow) {
    WriteSection("F",
                 "PlaceNormalPos.Left=2147483647\nPlaceNormalPos.Top=-2147483648\n"
                 "PlaceNormalPos.Right=-2147483648\nPlaceNormalPos.Bottom=2147483647\n");
    QWidget form;
    LoadFormPlacement(&form, "F");
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
        LoadFormPlacement(&form, "F");
        EXPECT_EQ(form.geometry(),
                  QRect(screen.right() + 1 - 433, screen.bottom() + 1 - 87, 433, 87))
            << "shown " << shown;
    }
}

TEST_F(PlacementQtTest, TheSectionIsTheFormsClassName) {
    TfrmZKprobe probe;
    EXPECT_EQ(FormSectionName(&probe), "TfrmZKprobe");
    QWidget plain;
    plain.setProperty(kFormClassProperty, "TfrmZKconfig");
    EXPECT_EQ(FormSectionName(&plain), "TfrmZKconfig");

    probe.setGeometry(7, 8, 90, 60);
    ASSERT_TRUE(SaveFormPlacement(&probe));
    EXPECT_EQ(IniFile::Load(path_).ReadInteger("TfrmZKprobe", "PlaceNormalPos.Right", 0), 97);
}

}  // namespace
}  // namespace kestro

#include "placement_qt_test.moc"
