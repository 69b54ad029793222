#include "settings/settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace kestro {
namespace {

using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;

constexpr char kRoot[] = "/usr/share/kestro/sounds";

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.Ok());
        path_ = folder_.Path("kestro.ini");
    }
    Settings Load() {
        Settings s;
        LoadSettings(path_, kRoot, s);
        return s;
    }
    Settings LoadFrom(const std::string& text) {
        WriteFileBytes(path_, text);
        return Load();
    }

    TempFolder folder_;
    std::string path_;
};

const VuIniMng::WindowPlacement kMainPlacement{0, 1, -1, -1, -1, -1, 100, 50, 545, 165};

TEST_F(SettingsFileTest, FirstStartUsesDefaultsAndCreatesTheFileInWriteOrder) {
    const Settings s = Load();
    EXPECT_EQ(s.AdapterIndex, -1);
    EXPECT_FALSE(s.SoundEnabled);
    EXPECT_FALSE(s.Debug);
    EXPECT_FALSE(s.RealtimeUpdate);
    EXPECT_EQ(s.LogLevel, 7);
    EXPECT_EQ(s.OpenCount, 1);
    EXPECT_TRUE(s.SaveFormSize);
    EXPECT_EQ(s.Sound(SoundEvent::ServerMessage).Sound, std::string(kRoot) + "\\Media\\notify.wav");
    for (const SoundEventSetting& sound : s.Sounds) {
        EXPECT_FALSE(sound.Enabled);
    }
    EXPECT_FALSE(std::filesystem::exists(path_));

    ASSERT_TRUE(SaveSettings(path_, s, &kMainPlacement));
    const std::string media = std::string(kRoot) + "\\Media\\";
    EXPECT_EQ(
        ReadFileBytes(path_),
        test::InSavedLineEnds(
            "[Function]\nOpenCount=2\n"
            "[Config]\nRealtimeUpdate=0\n"
            "[Snoop]\nAdapterIndex=-1\nAdapterName=\n"
            "[Sound]\nSoundEnabled=0\n"
            "ServerMessageEnabled=0\nServerMessageSound=" +
            media +
            "notify.wav\n"
            "ServerMessageGodEquipEnabled=0\nServerMessageGodEquipSound=" +
            media +
            "notify.wav\n"
            "ServerMessageRaceEnabled=0\nServerMessageRaceSound=" +
            media +
            "notify.wav\n"
            "RaceStartWaitAcceptingSEnabled=0\nRaceStartWaitAcceptingSSound=" +
            media +
            "ding.wav\n"
            "RaceAcceptingSEnabled=0\nRaceAcceptingSSound=" +
            media +
            "notify.wav\n"
            "RaceStartWaitingSEnabled=0\nRaceStartWaitingSSound=" +
            media +
            "chimes.wav\n"
            "RaceStartWaitAcceptingDEnabled=0\nRaceStartWaitAcceptingDSound=" +
            media +
            "ding.wav\n"
            "RaceAcceptingDEnabled=0\nRaceAcceptingDSound=" +
            media +
            "notify.wav\n"
            "RaceStartWaitingDEnabled=0\nRaceStartWaitingDSound=" +
            media +
            "chimes.wav\n"
            "RaceStartEnabled=0\nRaceStartSound=" +
            media +
            "chimes.wav\n"
            "ResultWinEnabled=0\nResultWinSound=" +
            media +
            "tada.wav\n"
            "ResultDefeatEnabled=0\nResultDefeatSound=" +
            media +
            "ringout.wav\n"
            "ResultNeedCheckEnabled=0\nResultNeedCheck=" +
            media +
            "ding.wav\n"
            "[TfrmZKmain]\nPlaceFlags=0\nPlaceShowCmd=1\nPlaceMinPos.X=-1\nPlaceMinPos.Y=-1\n"
            "PlaceMaxPos.X=-1\nPlaceMaxPos.Y=-1\nPlaceNormalPos.Left=100\nPlaceNormalPos.Top=50\n"
            "PlaceNormalPos.Right=545\nPlaceNormalPos.Bottom=165\n"
            "[History]\nKeepHistory=1\nRestoreTimetable=0\n"
            "[Reminders]\n"
            "SinglesAcceptStartEnabled=0\nSinglesAcceptStartLead=60\nSinglesAcceptStartSound=" +
            media +
            "remind_accept.wav\n"
            "SinglesStartEnabled=0\nSinglesStartLead=60\nSinglesStartSound=" +
            media +
            "remind_start.wav\nSinglesStartNoTicketOnly=1\n"
            "SinglesExchangeDeadlineEnabled=0\nSinglesExchangeDeadlineLead=120\n"
            "SinglesExchangeDeadlineSound=" +
            media +
            "remind_exchange.wav\n"
            "DoublesAcceptStartEnabled=0\nDoublesAcceptStartLead=60\nDoublesAcceptStartSound=" +
            media +
            "remind_accept.wav\n"
            "DoublesStartEnabled=0\nDoublesStartLead=60\nDoublesStartSound=" +
            media +
            "remind_start.wav\nDoublesStartNoTicketOnly=1\n"
            "DoublesExchangeDeadlineEnabled=0\nDoublesExchangeDeadlineLead=120\n"
            "DoublesExchangeDeadlineSound=" +
            media +
            "remind_exchange.wav\n"
            "[Window]\nCloseToTray=0\nStayOnTop=0\nOpacity=100\nCompactForm=0\nClickThrough="
            "0\nTextFeed=0\n"
            "[Notifications]\nReminders=1\nRaceStartWaitAcceptingS=0\nRaceAcceptingS=0\n"
            "RaceStartWaitAcceptingD=0\nRaceAcceptingD=0\nRaceStart=0\nResultWin=0\n"
            "ResultDefeat=0\nResultNeedCheck=0\n"));
}

// The reminders' section: a file from before it gives the defaults, a file
// from this version its values, a hand-edited lead out of range the default;
// "%KestroSounds%" stands for Kestro's own folder, not the system's, both ways.
TEST_F(SettingsFileTest, RemindersRoundTripWithOldAndNewFiles) {
    const std::string own = "/opt/k/own";
    const std::string ownMedia = own + "\\Media\\";
    struct Case {
        const char* why;
        const char* file;
        int index;  // into Settings::Reminders
        ReminderSetting expected;
    };
    const Case cases[] = {
        {"an old file: Singles' acceptance as default",
         "[Sound]\nSoundEnabled=1\n",
         0,
         {false, 60, ownMedia + "remind_accept.wav", false}},
        {"an old file: Singles' start is a last call by default",
         "",
         1,
         {false, 60, ownMedia + "remind_start.wav", true}},
        {"an old file: the exchange two minutes ahead",
         "",
         5,
         {false, 120, ownMedia + "remind_exchange.wav", false}},
        {"a new file's values",
         "[Reminders]\nDoublesStartEnabled=1\nDoublesStartLead=150\n"
         "DoublesStartSound=/x/last.wav\nDoublesStartNoTicketOnly=0\n",
         4,
         {true, 150, "/x/last.wav", false}},
        {"an emptied sound stays empty",
         "[Reminders]\nSinglesExchangeDeadlineSound=\n",
         2,
         {false, 120, "", false}},
        {"a lead of 0",
         "[Reminders]\nSinglesAcceptStartLead=0\n",
         0,
         {false, 60, ownMedia + "remind_accept.wav", false}},
        {"a lead above ten minutes",
         "[Reminders]\nDoublesAcceptStartLead=601\n",
         3,
         {false, 60, ownMedia + "remind_accept.wav", false}},
        {"the longest lead",
         "[Reminders]\nDoublesAcceptStartLead=600\n",
         3,
         {false, 600, ownMedia + "remind_accept.wav", false}},
        {"a lead that is no number",
         "[Reminders]\nDoublesExchangeDeadlineLead=two\n",
         5,
         {false, 120, ownMedia + "remind_exchange.wav", false}},
        {"no-ticket-only belongs to the start alone",
         "[Reminders]\nSinglesAcceptStartNoTicketOnly=1\n",
         0,
         {false, 60, ownMedia + "remind_accept.wav", false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        WriteFileBytes(path_, c.file);
        Settings s;
        LoadSettings(path_, kRoot, s, own);
        const ReminderSetting& got = s.Reminders[static_cast<std::size_t>(c.index)];
        EXPECT_EQ(got.Enabled, c.expected.Enabled);
        EXPECT_EQ(got.LeadSeconds, c.expected.LeadSeconds);
        EXPECT_EQ(got.Sound, c.expected.Sound);
        EXPECT_EQ(got.NoTicketOnly, c.expected.NoTicketOnly);

        // Saved (collapsed as the shell saves) and read again: the same, and
        // the old sections' keys all still there.
        ASSERT_TRUE(SaveSettings(path_, WithSystemRootCollapsed(s, kRoot, own), nullptr));
        Settings back;
        LoadSettings(path_, kRoot, back, own);
        for (int i = 0; i < kReminderCount; ++i) {
            EXPECT_EQ(back.Reminders[i].Enabled, s.Reminders[i].Enabled) << i;
            EXPECT_EQ(back.Reminders[i].LeadSeconds, s.Reminders[i].LeadSeconds) << i;
            EXPECT_EQ(back.Reminders[i].Sound, s.Reminders[i].Sound) << i;
            EXPECT_EQ(back.Reminders[i].NoTicketOnly, s.Reminders[i].NoTicketOnly) << i;
        }
        EXPECT_EQ(back.Sound(SoundEvent::RaceStart).Sound, s.Sound(SoundEvent::RaceStart).Sound);
        EXPECT_EQ(back.SoundEnabled, s.SoundEnabled);
    }
    // Kestro's own sounds are written with their placeholder, the system's with theirs.
    EXPECT_NE(ReadFileBytes(path_).find(test::InSavedLineEnds(
                  "DoublesExchangeDeadlineSound=%KestroSounds%\\Media\\remind_exchange.wav\n")),
              std::string::npos);
}

TEST_F(SettingsFileTest, EverySettingReadsBackAsSaved) {
    Settings s = Load();
    // Each row the program writes, away from its default (and inside its range).
    const Settings defaults;
    for (const SettingRow& row : SettingRows()) {
        if (!row.written) {
            continue;
        }
        switch (row.kind) {
            case SettingKind::Flag:
                s.*row.flag = !(defaults.*row.flag);
                break;
            case SettingKind::Number:
                s.*row.number = row.min < row.max ? row.min + (row.max - row.min) / 2
                                                  : defaults.*row.number + 7;
                break;
            case SettingKind::Text:
                s.*row.text = "x-" + std::string(row.key);
                break;
            default:
                break;
        }
    }
    for (int i = 0; i < kSoundEventCount; ++i) {
        s.Sounds[i].Enabled = i % 2 == 0;
        s.Sounds[i].Sound = "/sounds/" + std::string(SoundEventInfoOf(SoundEvent(i)).stem) + ".wav";
    }
    s.Sound(SoundEvent::ResultWin).Sound = "";  // emptied in the dialog
    s.Notifications.Reminders = false;
    for (std::size_t i = 0; i < kNotifiedEvents.size(); ++i) {
        s.Notifications.Events[i] = i % 3 == 1;
    }
    ASSERT_TRUE(SaveSettings(path_, s, nullptr));

    const Settings back = Load();
    for (const SettingRow& row : SettingRows()) {
        SCOPED_TRACE(std::string(row.key));
        switch (row.kind) {
            case SettingKind::Flag:
                EXPECT_EQ(back.*row.flag, s.*row.flag);
                EXPECT_EQ(back.*row.flag != defaults.*row.flag, row.written);
                break;
            case SettingKind::Number:
                EXPECT_EQ(back.*row.number, s.*row.number);
                EXPECT_NE(back.*row.number, defaults.*row.number);
                break;
            case SettingKind::Text:
                EXPECT_EQ(back.*row.text, s.*row.text);
                break;
            case SettingKind::OpenCount:
                EXPECT_EQ(back.*row.number, s.*row.number + 1);
                break;
            default:
                break;
        }
    }
    for (int i = 0; i < kSoundEventCount; ++i) {
        EXPECT_EQ(back.Sounds[i].Enabled, s.Sounds[i].Enabled) << i;
        EXPECT_EQ(back.Sounds[i].Sound, s.Sounds[i].Sound) << i;
    }
    EXPECT_EQ(back.Sound(SoundEvent::ResultWin).Sound, "");
    EXPECT_FALSE(back.Notifications.Reminders);
    EXPECT_EQ(back.Notifications.Events, s.Notifications.Events);
    EXPECT_EQ(ReadFileBytes(path_).find("[TfrmZKmain]"), std::string::npos);
}

// Each key once in the file's table: two rows on one key would read one value twice.
TEST(SettingRowsTest, EachKeyIsOneRowsAndEachFlagFindsItsRow) {
    std::set<std::string> keys;
    for (const SettingRow& row : SettingRows()) {
        if (!row.key.empty()) {
            EXPECT_TRUE(keys.insert(std::string(row.section) + "/" + std::string(row.key)).second)
                << row.key;
        }
        if (row.flag != nullptr) {
            EXPECT_EQ(&SettingRowOf(row.flag), &row);
        }
    }
    EXPECT_EQ(SettingRowOf(&Settings::SaveFormSize).key, "SaveFormSize");
}

// What is told on the desktop: a file from before the section tells the
// reminders only; a value that cannot be read is its default.
TEST_F(SettingsFileTest, NotificationsFromOldNewAndDamagedFiles) {
    struct Case {
        const char* file;
        bool reminders;
        bool raceStart;  // one of the race events, all off by default
    };
    const Case cases[] = {
        {"[Reminders]\nSinglesStartEnabled=1\n", true, false},
        {"[Notifications]\nReminders=0\nRaceStart=1\n", false, true},
        {"[Notifications]\nReminders=no\nRaceStart=on\n", true, false},
        {"[Notifications]\nReminders=\n", true, false},
    };
    for (const Case& c : cases) {
        const Settings s = LoadFrom(c.file);
        EXPECT_EQ(s.Notifications.Reminders, c.reminders) << c.file;
        for (std::size_t i = 0; i < kNotifiedEvents.size(); ++i) {
            EXPECT_EQ(s.Notifications.Events[i],
                      c.raceStart && kNotifiedEvents[i] == SoundEvent::RaceStart)
                << c.file << i;
        }
    }
}

TEST_F(SettingsFileTest, EachStartCountsOnce) {
    for (int start = 0; start < 3; ++start) {
        ASSERT_TRUE(SaveSettings(path_, Load(), nullptr));
    }
    EXPECT_EQ(Load().OpenCount, 4);

    // At the top of the range the count stays there instead of turning negative.
    Settings s = LoadFrom("[Function]\nOpenCount=2147483647\n");
    ASSERT_TRUE(SaveSettings(path_, s, nullptr));
    EXPECT_EQ(Load().OpenCount, INT32_MAX);
}

struct LogLevelCase {
    const char* config;
    int expected;
};

TEST_F(SettingsFileTest, LogLevelDefaultsAndEncodings) {
    const LogLevelCase cases[] = {
        {"", 7},
        {"Debug=1\n", 31},
        {"Debug=1\nLogLevel=3\n", 3},
        {"Debug=0\nLogLevel=abc\n", 7},
        {"Debug=1\nLogLevel=abc\n", 31},
        {"Debug=yes\n", 7},
        {"LogLevel=0x1F\n", 31},
        {"LogLevel=$10\n", 16},
        {"LogLevel=257\n", 1},
        {"LogLevel=-1\n", 255},
        {"LogLevel=0\n", 0},
        {"LogLevel=\n", 7},
    };
    for (const LogLevelCase& c : cases) {
        const Settings s = LoadFrom(std::string("[Config]\n") + c.config);
        EXPECT_EQ(s.LogLevel, c.expected) << c.config;
    }
}

struct SwitchCase {
    const char* value;
    bool expected;
};

TEST_F(SettingsFileTest, SaveFormSizeOnlyGoesOffForZero) {
    const SwitchCase cases[] = {
        {"0", false}, {"$0", false},   {"1", true},  {"2", true},
        {"-1", true}, {"false", true}, {"no", true}, {"", true},
    };
    for (const SwitchCase& c : cases) {
        const Settings s = LoadFrom(std::string("[Function]\nSaveFormSize=") + c.value + "\n");
        EXPECT_EQ(s.SaveFormSize, c.expected) << c.value;
    }
}

// Files from before the switch, and values it cannot read, leave the timetable
// to start from the reset, as every run did before.
TEST_F(SettingsFileTest, RestoreTimetableIsOnlyOnWhenTheFileAsksForIt) {
    const SwitchCase cases[] = {
        {nullptr, false}, {"", false}, {"0", false}, {"abc", false},
        {"1", true},      {"2", true}, {"$1", true},
    };
    for (const SwitchCase& c : cases) {
        const std::string line =
            c.value == nullptr ? "" : std::string("RestoreTimetable=") + c.value + "\n";
        const Settings s = LoadFrom("[History]\nKeepHistory=1\n" + line);
        EXPECT_EQ(s.RestoreTimetable, c.expected) << (c.value ? c.value : "(absent)");
    }
}

struct WindowCase {
    const char* window;  // the section's lines
    bool stayOnTop;
    int opacity;
};

// Files from before the section open as they always did: opaque, not on top.
// An unreadable value is the default; an opacity out of range the nearest one
// that can be drawn, so a hand edit never makes the window vanish.
TEST_F(SettingsFileTest, WindowStaysAsTheFileSaysWithinWhatCanBeDrawn) {
    const WindowCase cases[] = {
        {"", false, 100},
        {"StayOnTop=1\nOpacity=60\n", true, 60},
        {"StayOnTop=yes\nOpacity=sixty\n", false, 100},
        {"Opacity=75\n", false, 75},
        {"Opacity=39\n", false, 40},
        {"Opacity=0\n", false, 40},
        {"Opacity=-60\n", false, 40},
        {"Opacity=101\n", false, 100},
    };
    for (const WindowCase& c : cases) {
        const Settings s = LoadFrom(std::string("[Window]\n") + c.window);
        EXPECT_EQ(s.StayOnTop, c.stayOnTop) << c.window;
        EXPECT_EQ(s.Opacity, c.opacity) << c.window;
    }
}

struct ExpansionCase {
    const char* stored;
    const char* expected;
};

TEST_F(SettingsFileTest, ExpandsOnlyTheFirstSystemRoot) {
    const ExpansionCase cases[] = {
        {"%systemroot%\\Media\\x.wav", "/R\\Media\\x.wav"},
        {"%SYSTEMROOT%\\x.wav", "/R\\x.wav"},
        {"%SystemRoot%\\a\\%SystemRoot%\\b.wav", "/R\\a\\%SystemRoot%\\b.wav"},
        {"%windir%\\Media\\x.wav", "%windir%\\Media\\x.wav"},
        {"C:\\%SystemRoot%", "C:\\/R"},
        {"%SystemRoo%\\x.wav", "%SystemRoo%\\x.wav"},
        {"", ""},
    };
    for (const ExpansionCase& c : cases) {
        WriteFileBytes(path_, std::string("[Sound]\nRaceStartSound=") + c.stored + "\n");
        Settings s;
        LoadSettings(path_, "/R", s);
        EXPECT_EQ(s.Sound(SoundEvent::RaceStart).Sound, c.expected) << c.stored;
    }
    // Without a folder for the sounds the placeholder simply disappears.
    EXPECT_EQ(ExpandSystemRoot("%SystemRoot%\\Media\\notify.wav", ""), "\\Media\\notify.wav");
}

// Written back, a path inside the sound folder names it by the placeholder again,
// so a moved or reinstalled program still finds its sounds.
TEST_F(SettingsFileTest, PathsInsideTheSoundFolderAreWrittenWithThePlaceholder) {
    const ExpansionCase cases[] = {
        {"/opt/k/sounds\\Media\\notify.wav", "%SystemRoot%\\Media\\notify.wav"},
        {"/opt/k/sounds/Media/tada.wav", "%SystemRoot%\\Media\\tada.wav"},
        {"/opt/k/soundsmore/Media/x.wav", "/opt/k/soundsmore/Media/x.wav"},
        {"/opt/k/sounds", "/opt/k/sounds"},
        {"/home/u/mine.wav", "/home/u/mine.wav"},
        {"%SystemRoot%\\Media\\x.wav", "%SystemRoot%\\Media\\x.wav"},
        {"", ""},
    };
    for (const std::string root : {"/opt/k/sounds", "/opt/k/sounds/"}) {
        for (const ExpansionCase& c : cases) {
            EXPECT_EQ(CollapseSystemRoot(c.stored, root), c.expected) << c.stored << " in " << root;
        }
    }
    // The round trip through the file: loaded expanded, saved collapsed.
    Settings s;
    LoadSettings(path_, "/opt/k/sounds", s);
    ASSERT_EQ(s.Sound(SoundEvent::ResultWin).Sound, "/opt/k/sounds\\Media\\tada.wav");
    ASSERT_TRUE(SaveSettings(path_, WithSystemRootCollapsed(s, "/opt/k/sounds"), nullptr));
    EXPECT_NE(ReadFileBytes(path_).find(
                  test::InSavedLineEnds("ResultWinSound=%SystemRoot%\\Media\\tada.wav\n")),
              std::string::npos)
        << ReadFileBytes(path_);
}

TEST_F(SettingsFileTest, LeavesKeysItNeverWritesAsTheyWere) {
    const std::string handWritten =
        "; my settings\n"
        "[Config]\n"
        "Debug=1\n"
        "LogLevel=0x1F ; everything\n"
        "Colour=green\n"
        "RealtimeUpdate=1\n"
        "\n"
        "[Function]\n"
        "SaveFormSize=0\n"
        "OpenCount=9\n"
        "\n"
        "[Sound]\n"
        "RaceStartWaitingSSound=/home/me/start.wav\n"
        "[TfrmZKconfig]\n"
        "PlaceNormalPos.Left=5\n";
    Settings s = LoadFrom(handWritten);
    EXPECT_TRUE(s.Debug);
    EXPECT_EQ(s.LogLevel, 31);  // "0x1F ; everything" does not parse
    ASSERT_TRUE(SaveSettings(path_, s, nullptr));

    const std::string saved = ReadFileBytes(path_);
    for (const char* kept :
         {"; my settings\n", "Debug=1\n", "LogLevel=0x1F ; everything\n", "Colour=green\n",
          "SaveFormSize=0\n", "[TfrmZKconfig]\nPlaceNormalPos.Left=5\n",
          "RaceStartWaitingSSound=/home/me/start.wav\n", "RealtimeUpdate=1\n", "OpenCount=10\n"}) {
        EXPECT_NE(saved.find(test::InSavedLineEnds(kept)), std::string::npos) << kept;
    }
    const Settings again = Load();
    EXPECT_TRUE(again.Debug);
    EXPECT_FALSE(again.SaveFormSize);
    EXPECT_EQ(again.Sound(SoundEvent::RaceStartWaitingS).Sound, "/home/me/start.wav");
}

TEST_F(SettingsFileTest, MatchesSectionsAndKeysInAnyCase) {
    const Settings s = LoadFrom(
        "[SNOOP]\nadapterindex=2\n[sound]\nSOUNDENABLED=1\n"
        "resultneedcheckenabled=1\nRESULTNEEDCHECK=/x.wav\n");
    EXPECT_EQ(s.AdapterIndex, 2);
    EXPECT_TRUE(s.SoundEnabled);
    EXPECT_TRUE(s.Sound(SoundEvent::ResultNeedCheck).Enabled);
    EXPECT_EQ(s.Sound(SoundEvent::ResultNeedCheck).Sound, "/x.wav");
}

TEST_F(SettingsFileTest, CutsLongPathsTo2047Bytes) {
    const std::string longPath = "/" + std::string(3000, 'p');
    const Settings s = LoadFrom("[Sound]\nResultWinSound=" + longPath + "\n");
    EXPECT_EQ(s.Sound(SoundEvent::ResultWin).Sound, longPath.substr(0, 2047));
}

TEST_F(SettingsFileTest, ARefusedWriteReportsThePathAndWritesNothing) {
    const Settings s = Load();
    const std::string directory = folder_.Path("dir.ini");
    std::filesystem::create_directory(directory);
    const std::string missing = folder_.Path("missing/kestro.ini");
    for (const std::string& path : {directory, missing}) {
        const Result saved = SaveSettings(path, s, &kMainPlacement);
        EXPECT_FALSE(saved);
        EXPECT_FALSE(saved.Reason().empty());
        EXPECT_EQ(saved.Message(), path + " に書き込めません");
    }
    EXPECT_TRUE(std::filesystem::is_empty(directory));
    EXPECT_FALSE(std::filesystem::exists(folder_.Path("missing")));
}

TEST_F(SettingsFileTest, AnImmutableFileIsReportedAndKept) {
    const std::string old = "[Snoop]\nAdapterIndex=3\n";
    const Settings s = LoadFrom(old);
    EXPECT_EQ(s.AdapterIndex, 3);  // reading works
    if (std::system(("chattr +i '" + path_ + "' 2>/dev/null").c_str()) != 0) {
        GTEST_SKIP() << "chattr +i is not permitted here";
    }
    const Result saved = SaveSettings(path_, s, &kMainPlacement);
    std::system(("chattr -i '" + path_ + "'").c_str());
    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadFileBytes(path_), old);
}

TEST_F(SettingsFileTest, AReadOnlyFileIsReadButNotReplaced) {
    const std::string old = "[Snoop]\nAdapterIndex=3\n";
    WriteFileBytes(path_, old);
    ASSERT_EQ(chmod(path_.c_str(), 0444), 0);
    const Settings s = Load();
    EXPECT_EQ(s.AdapterIndex, 3);
    EXPECT_FALSE(SaveSettings(path_, s, nullptr));
    EXPECT_EQ(ReadFileBytes(path_), old);
}

int FailingRename(const char*, const char*) {
    errno = ENOSPC;
    return -1;
}

TEST_F(SettingsFileTest, AFailureAfterTheTemporaryFileLeavesTheOldFileWhole) {
    const std::string old = "[Function]\r\nOpenCount=5\r\n; kept\r\n";
    const Settings s = LoadFrom(old);
    ini_testing::SetRenameForTesting(&FailingRename);
    const Result saved = SaveSettings(path_, s, &kMainPlacement);
    ini_testing::SetRenameForTesting(nullptr);
    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadFileBytes(path_), old);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.Path())) {
        EXPECT_EQ(entry.path().string(), path_);
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST(SoundEventInfoTest, KeysAreDistinctAndFollowTheStems) {
    std::set<std::string_view> keys;
    for (int i = 0; i < kSoundEventCount; ++i) {
        const SoundEventInfo& info = SoundEventInfoOf(SoundEvent(i));
        EXPECT_TRUE(keys.insert(info.enabledKey).second) << info.enabledKey;
        EXPECT_TRUE(keys.insert(info.soundKey).second) << info.soundKey;
        EXPECT_EQ(info.enabledKey, std::string(info.stem) + "Enabled");
        EXPECT_TRUE(info.defaultPath.starts_with("%SystemRoot%\\Media\\")) << info.defaultPath;
    }
    for (const char* other : {"SoundEnabled", "AdapterIndex", "AdapterName", "Debug", "LogLevel"}) {
        EXPECT_EQ(keys.count(other), 0u) << other;
    }
}

// The name decides: a name that is not listed chooses nothing, whatever sits at
// its old index now; the index stands only for files written before the name was kept.
TEST_F(SettingsFileTest, TheAdapterNameDecidesAndTheIndexServesOnlyFilesWithoutOne) {
    const std::vector<std::string> adapters = {"eth0", "any", "lo", "wg0"};
    struct Case {
        const char* file;
        int32_t chosen;
    };
    for (const Case& c : {
             Case{"[Snoop]\nAdapterIndex=0\nAdapterName=wg0\n", 3},    // a bridge came first
             Case{"[Snoop]\nAdapterIndex=2\nAdapterName=tun9\n", -1},  // the name is gone
             Case{"[Snoop]\nAdapterIndex=1\n", 1},                     // an older file
             Case{"[Snoop]\nAdapterIndex=-1\nAdapterName=\n", -1},     // nothing chosen
             Case{"[Snoop]\nAdapterName=WG0\n", -1},                   // names are exact
             Case{"", -1},                                             // an empty file
         }) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(ChosenAdapterIndex(LoadFrom(c.file), adapters), c.chosen);
    }
}

}  // namespace
}  // namespace kestro
