// The settings dialog's and placement's rules, once for every face: a face
// that writes down what it was asked, a real settings file, no toolkit.
#include "shell/settings_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "settings/ini_file.h"
#include "support/recorders.h"
#include "support/recording_dialog.h"
#include "support/temp_folder.h"

namespace kestro {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

const std::vector<AdapterChoice> kAdapters = {
    {"eth0", "eth0 192.0.2.2", true}, {"lo", "lo", true}, {"any", "any", true}};

class SettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.Ok());
        iniPath_ = folder_.Path("kestro.ini");
        SetIniFileNameOverride(iniPath_);
    }
    void TearDown() override { SetIniFileNameOverride(""); }

    // One opening of the dialog: `user` acts while it is up.
    bool Run(Settings& settings, std::vector<AdapterChoice> adapters,
             std::function<bool(SettingsDialog&, ConfigDialogValues&)> user) {
        face_.user = std::move(user);
        SettingsDialog dialog(face_, player_, [this](const Result& refused) {
            events_.push_back("refused " + refused.Message() + " | " + refused.Reason());
        });
        return dialog.Run(settings, std::move(adapters), [&] {
            events_.push_back("apply " + std::to_string(settings.AdapterIndex) + " " +
                              settings.AdapterName + (settings.SoundEnabled ? " sound" : ""));
        });
    }
    int32_t PlacementKey(const char* key) {
        return IniFile::Load(iniPath_).ReadInteger("TfrmZKconfig", key, -99999);
    }

    test::TempFolder folder_;
    std::string iniPath_;
    std::vector<std::string> events_;
    test::RecordingDialogFace face_{events_};
    test::Recorder rec_;
    test::RecordingPlayer player_{rec_};
};

// OK: the adapter (index and name) first, then the capture moves, then the
// sounds. Cancel changes nothing and applies nothing. Both silence the player
// once, at the close.
TEST_F(SettingsDialogTest, OkStoresTheAdapterAppliesItThenStoresTheSounds) {
    struct Case {
        const char* name;
        int32_t chosen;
        bool ok;
        std::vector<std::string> events;
        int32_t index;
        std::string adapterName;
        bool soundEnabled;
    };
    const Case cases[] = {
        {"OK on eth0", 0, true, {"config", "apply 0 eth0 sound"}, 0, "eth0", false},
        {"OK on any", 2, true, {"config", "apply 2 any sound"}, 2, "any", false},
        {"OK on none", -1, true, {"config", "apply -1  sound"}, -1, "", false},
        {"Cancel", 0, false, {"config"}, 1, "lo", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        events_.clear();
        rec_.Clear();
        Settings settings;
        settings.AdapterIndex = 1;
        settings.AdapterName = "lo";
        settings.SoundEnabled = true;
        settings.Sound(SoundEvent::RaceStart) = {true, "/snd/start.wav"};
        EXPECT_EQ(Run(settings, kAdapters,
                      [&](SettingsDialog&, ConfigDialogValues& controls) {
                          controls.adapterIndex = c.chosen;
                          controls.soundEnabled = false;
                          controls.rows[6] = {false, "/snd/other.wav"};  // the start row
                          return c.ok;
                      }),
                  c.ok);
        EXPECT_EQ(events_, c.events);
        EXPECT_EQ(settings.AdapterIndex, c.index);
        EXPECT_EQ(settings.AdapterName, c.adapterName);
        EXPECT_EQ(settings.SoundEnabled, c.soundEnabled);
        EXPECT_EQ(settings.Sound(SoundEvent::RaceStart).Sound,
                  c.ok ? "/snd/other.wav" : "/snd/start.wav");
        EXPECT_EQ(rec_.plays, std::vector<std::string>{""}) << "one silence call at close";
    }
}

// What the dialog shows: the adapter by its name where the list moved, none
// where the index names no line or the name is gone, and every event row from
// the settings.
TEST_F(SettingsDialogTest, TheShownAdapterIsFoundByNameOrIsNone) {
    struct Case {
        std::vector<AdapterChoice> adapters;
        int32_t index;
        std::string name;
        int32_t shown;
    };
    const std::vector<AdapterChoice> moved = {
        {"docker0", "docker0", true}, {"eth0", "eth0", true}, {"wg0", "wg0", true}};
    const Case cases[] = {
        {kAdapters, 1, "", 1},     {kAdapters, 7, "", -1},
        {kAdapters, 3, "", -1},    {kAdapters, -1, "", -1},
        {kAdapters, -5, "", -1},   {{}, 0, "", -1},
        {moved, 1, "wg0", 2},      {moved, 0, "wg0", 2},
        {kAdapters, 2, "wg0", -1},  // a name that is gone: nothing in its place
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.adapters.size()) + " adapters, index " +
                     std::to_string(c.index) + " " + c.name);
        Settings settings;
        settings.AdapterIndex = c.index;
        settings.AdapterName = c.name;
        settings.Sound(SoundEvent::ResultWin) = {true, "/snd/win.wav"};
        EXPECT_TRUE(
            Run(settings, c.adapters, [](SettingsDialog&, ConfigDialogValues&) { return true; }));
        EXPECT_EQ(face_.shownValues.adapterIndex, c.shown);
        EXPECT_EQ(face_.shownAdapters.size(), c.adapters.size());
        EXPECT_EQ(face_.shownValues.rows[7].Sound, "/snd/win.wav");  // the win row
        // OK on what was shown stores it, with the shown line's name; a name
        // that is gone is kept, to be waited for.
        const bool gone = c.shown < 0 && !c.name.empty();
        EXPECT_EQ(settings.AdapterIndex, gone ? c.index : c.shown);
        EXPECT_EQ(settings.AdapterName, gone ? c.name
                                        : c.shown >= 0
                                            ? c.adapters[static_cast<std::size_t>(c.shown)].name
                                            : "");
    }
}

// The test button plays the path it is given, whatever the switches say.
TEST_F(SettingsDialogTest, TheTestButtonPlaysWhateverTheSwitches) {
    Settings settings;
    settings.SoundEnabled = false;
    Run(settings, kAdapters, [](SettingsDialog& dialog, ConfigDialogValues&) {
        dialog.TestSound("/snd/trying.wav");
        dialog.TestSound("");
        return false;
    });
    EXPECT_EQ(rec_.plays, (std::vector<std::string>{"/snd/trying.wav", "", ""}));
}

// The dialog keeps its placement in its own section, read at every show,
// saved at every close; "SaveFormSize" is read afresh at each opening.
TEST_F(SettingsDialogTest, ThePlacementIsKeptWhenSaveFormSizeSaysSoAtEachOpening) {
    struct Case {
        const char* name;
        std::string file;
        bool restored;  // the stored rectangle applied at the show
        bool saved;     // the close's rectangle written
    };
    const std::string stored =
        "[TfrmZKconfig]\nPlaceNormalPos.Left=40\nPlaceNormalPos.Top=30\n"
        "PlaceNormalPos.Right=396\nPlaceNormalPos.Bottom=554\n";
    const Case cases[] = {
        {"no file", "", false, true},
        {"stored", stored, true, true},
        {"switched off", "[Function]\nSaveFormSize=0\n" + stored, false, false},
        {"switched on", "[Function]\nSaveFormSize=1\n" + stored, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFileBytes(iniPath_, c.file);
        events_.clear();
        face_.placement = {0, kShowCmdNormal, -1, -1, -1, -1, 296, 217, 652, 741};
        Settings settings;
        Run(settings, kAdapters, [this](SettingsDialog&, ConfigDialogValues&) {
            face_.placement.left = 150;
            face_.placement.top = 120;
            face_.placement.right = 506;
            face_.placement.bottom = 644;
            return false;
        });
        EXPECT_EQ(std::count(events_.begin(), events_.end(), "dialog place 40,30"),
                  c.restored ? 1 : 0);
        if (c.saved) {
            EXPECT_EQ(PlacementKey("PlaceNormalPos.Left"), 150);
            EXPECT_EQ(PlacementKey("PlaceNormalPos.Bottom"), 644);
        } else {
            EXPECT_EQ(ReadFileBytes(iniPath_), c.file);
        }
    }
}

// A refused placement write goes to whoever reports refusals (the shell),
// with the user's message and the system's reason; the dialog still closes.
TEST_F(SettingsDialogTest, ARefusedPlacementWriteIsHandedOnWithItsReason) {
    ASSERT_TRUE(std::filesystem::create_directory(iniPath_));
    Settings settings;
    EXPECT_TRUE(
        Run(settings, kAdapters, [](SettingsDialog&, ConfigDialogValues&) { return true; }));
    const std::string refused = "refused " + iniPath_ + " に書き込めません | ";
    ASSERT_EQ(events_.size(), 3u);
    EXPECT_EQ(events_[1].rfind(refused, 0), 0u) << events_[1];
    EXPECT_GT(events_[1].size(), refused.size()) << "the system's reason follows";
    EXPECT_EQ(events_[2].rfind("apply", 0), 0u);
    EXPECT_EQ(rec_.plays, std::vector<std::string>{""}) << "silence comes first";
}

// A window as the placement rules see it: what it reports and what it was given.
class FakeWindow final : public PlacedWindow {
public:
    WindowPlacement QueryPlacement() const override { return now; }
    void ApplyPlacement(const WindowPlacement& p) override {
        applied.push_back(p);
        now = p;
    }
    std::vector<ScreenArea> ScreenAreas() const override { return screens; }

    WindowPlacement now{0, kShowCmdNormal, -1, -1, -1, -1, 10, 20, 330, 260};
    std::vector<ScreenArea> screens;
    std::vector<WindowPlacement> applied;
};

// What a restore takes from the file, for a window shown or not yet shown.
TEST_F(SettingsDialogTest, ARestoreTakesWhatIsStoredAndKeepsTheWindowReachable) {
    struct Case {
        const char* name;
        std::string keys;
        bool showing;
        PlacementParts parts;
        std::vector<ScreenArea> screens;
        bool applied;
        WindowPlacement expected;  // what the window then reports
    };
    const std::string whole =
        "PlaceShowCmd=3\nPlaceNormalPos.Left=100\nPlaceNormalPos.Top=50\n"
        "PlaceNormalPos.Right=545\nPlaceNormalPos.Bottom=165\n";
    const WindowPlacement mine{0, kShowCmdNormal, -1, -1, -1, -1, 10, 20, 330, 260};
    const Case cases[] = {
        {"no section", "", false, ppAll, {}, false, mine},
        {"left and top move only those edges",
         "PlaceNormalPos.Left=30\nPlaceNormalPos.Top=40\n",
         false,
         ppAll,
         {},
         true,
         {0, kShowCmdHide, -1, -1, -1, -1, 30, 40, 330, 260}},
        {"without the normal part the size is kept",
         "PlaceNormalPos.Left=30\nPlaceNormalPos.Top=40\nPlaceNormalPos.Right=1000\n",
         false,
         ppShowCmd | ppMinMaxPos,
         {},
         true,
         {0, kShowCmdHide, -1, -1, -1, -1, 30, 40, 350, 280}},
        {"not yet shown: only moves",
         whole,
         false,
         ppAll,
         {},
         true,
         {0, kShowCmdHide, -1, -1, -1, -1, 100, 50, 545, 165}},
        {"shown: takes the state",
         whole,
         true,
         ppAll,
         {},
         true,
         {0, kShowCmdMaximized, -1, -1, -1, -1, 100, 50, 545, 165}},
        {"the same rectangle, not shown",
         "PlaceShowCmd=3\nPlaceNormalPos.Left=10\n",
         false,
         ppAll,
         {},
         false,
         mine},
        {"the same rectangle and state, shown",
         "PlaceNormalPos.Left=10\n",
         true,
         ppAll,
         {},
         false,
         mine},
        {"the same rectangle, another state, shown",
         "PlaceShowCmd=2\n",
         true,
         ppAll,
         {},
         true,
         {0, kShowCmdMinimized, -1, -1, -1, -1, 10, 20, 330, 260}},
        {"no screen shows it: onto the nearest, its size kept",
         "PlaceNormalPos.Left=3000\nPlaceNormalPos.Top=2000\nPlaceNormalPos.Right=3433\n"
         "PlaceNormalPos.Bottom=2087\n",
         true,
         ppAll,
         {{0, 0, 1024, 768}},
         true,
         {0, kShowCmdNormal, -1, -1, -1, -1, 591, 681, 1024, 768}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFileBytes(iniPath_, "[F]\n" + c.keys);
        FakeWindow window;
        window.screens = c.screens;
        LoadFormPlacement(window, "F", c.showing, c.parts);
        EXPECT_EQ(window.applied.size(), c.applied ? 1u : 0u);
        EXPECT_EQ(window.now, c.expected);
    }
}

// Saving writes the window's own placement into its section, keeping the rest
// of the file; settings that are only read are never written.
TEST_F(SettingsDialogTest, APlacementIsSavedIntoItsSectionUnlessTheSettingsAreOnlyRead) {
    WriteFileBytes(iniPath_, "[Function]\nSaveFormSize=1\n");
    FakeWindow window;
    ASSERT_TRUE(SaveFormPlacement(window, "TfrmZKlog"));
    const IniFile saved = IniFile::Load(iniPath_);
    EXPECT_EQ(saved.ReadString("Function", "SaveFormSize"), "1");
    EXPECT_EQ(ReadPlacement(saved, "TfrmZKlog", ppAll, WindowPlacement{}, 0, 0), window.now);

    SetIniFileReadOnly(iniPath_);
    window.now.left = 99;
    EXPECT_TRUE(SaveFormPlacement(window, "TfrmZKlog"));
    SetIniFileNameOverride(iniPath_);
    EXPECT_EQ(IniFile::Load(iniPath_).ReadInteger("TfrmZKlog", "PlaceNormalPos.Left", 0), 10);
}

}  // namespace
}  // namespace kestro
