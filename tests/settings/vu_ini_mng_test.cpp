#include "settings/vu_ini_mng.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/portable.h"
#include "support/temp_folder.h"

namespace kestro {
namespace {

using test::ImmutableFolder;
using test::ReadFileBytes;
using test::ScopedEnv;
using test::TempFolder;
using test::WriteFileBytes;

TEST(IniFileNameTest, ReplacesTheExtensionOfTheLastPathPart) {
    const std::pair<const char*, const char*> cases[] = {
        {"/opt/kestro/kestro", "/opt/kestro/kestro.ini"},
        {"/opt/kestro/prog.exe", "/opt/kestro/prog.ini"},
        {"/a.b/prog", "/a.b/prog.ini"},
        {"/a/prog.tar.gz", "/a/prog.tar.ini"},
        {"/a/prog.", "/a/prog.ini"},
        {"/x/.hidden", "/x/.ini"},
        {"prog", "prog.ini"},
        {"", ".ini"},
#ifdef _WIN32
        {"C:\\Kestro\\kestro.exe", "C:\\Kestro\\kestro.ini"},
        {"C:\\a.b\\prog", "C:\\a.b\\prog.ini"},
        {"C:\\a.b/prog", "C:\\a.b/prog.ini"},
#endif
    };
    for (const auto& [exe, ini] : cases) {
        EXPECT_EQ(IniFileNameFor(exe), ini) << exe;
    }
}

TEST(IniFileNameTest, IsBesideTheRunningExecutableUnlessOverridden) {
    const std::string own = GetIniFileName();
    EXPECT_EQ(test::Utf8Path(own).filename(), "vu_ini_mng_test.ini") << own;
    EXPECT_EQ(test::Utf8Path(own).parent_path(), test::RunningExecutable().parent_path());

    SetIniFileNameOverride("/tmp/replay.ini");
    EXPECT_EQ(GetIniFileName(), "/tmp/replay.ini");
    SetIniFileNameOverride("");
    EXPECT_EQ(GetIniFileName(), own);
}

// Run only in the copies that the next test makes: a count of runs in the
// program's own settings file goes up by one, and the log's note is printed.
TEST(IniFileNameTest, ACopyReadsAndSavesItsOwnFile) {
    if (std::getenv("KESTRO_SETTINGS_COPY") == nullptr) {
        GTEST_SKIP() << "runs in the copies made by SettingsFileTest.ACopyOfTheProgram...";
    }
    // As the window logs it, before anything is saved.
    std::printf("note: %s\n", SettingsFileNote().c_str());
    const std::string own = GetIniFileName();
    IniFile ini = IniFile::Load(own);
    const int32_t runs = ini.ReadInteger("Test", "Runs", 0);
    ini.WriteInteger("Test", "Runs", runs + 1);
    ASSERT_TRUE(ini.Save(GetIniFileNameForSave()));
    EXPECT_EQ(IniFile::Load(own).ReadInteger("Test", "Runs", 0), runs + 1);
}

// A copy of this program in a folder whose name is outside the ANSI code page
// (Wine's is 1252), writable or not, with a settings file beside it, in the
// user's folder, or none: the copy reads and saves the file the rule names,
// and on Windows the log says where when that is not beside the program.
TEST(SettingsFileTest, ACopyOfTheProgramInAFolderOfAnyNameWritableOrNot) {
    const std::filesystem::path self = test::RunningExecutable();
    struct Row {
        const char* name;
        bool readOnly;
        const char* existing;  // "beside", "user" or none
        const char* windows;   // where the file is: "beside" or "user"
        const char* windowsNote;
        const char* linux;
    };
    const Row rows[] = {
        {"テスト", false, "beside", "beside", "", "beside"},
        {"테스트", false, nullptr, "beside", "", "user"},
        {"Crème", false, "user", "user", "設定ファイル: ", "user"},
        {"テスト", true, nullptr, "user", "に書き込めないため、設定を ", "user"},
        {"한글", true, "user", "user", "設定ファイル: ", "user"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + (row.readOnly ? " read-only" : " writable") +
                     " with " + (row.existing ? row.existing : "none"));
        TempFolder folder(std::string("kestro-") + row.name + "-");
        ASSERT_TRUE(folder.Ok());
        const std::filesystem::path bin = folder.Path() / test::Utf8Path(row.name);
        std::filesystem::create_directories(bin);
        const std::filesystem::path copy = bin / self.filename();
        ASSERT_TRUE(std::filesystem::copy_file(self, copy));
        const std::string user = folder.Path("user");
        const ScopedEnv marker("KESTRO_SETTINGS_COPY", "1");
        const ScopedEnv xdg("XDG_CONFIG_HOME", user.c_str());
        const ScopedEnv appData("APPDATA", user.c_str());
#ifdef _WIN32
        const std::string expected = row.windows;
        const std::string note = row.windowsNote;
        const std::string userFile = user + "\\Kestro\\vu_ini_mng_test.ini";
#else
        const std::string expected = row.linux;
        const std::string note;
        const std::string userFile = user + "/kestro/vu_ini_mng_test.ini";
#endif
        const std::string besideFile = test::Utf8String(bin / "vu_ini_mng_test.ini");
        const std::string& existing =
            row.existing == nullptr ? std::string()
                                    : (std::string(row.existing) == "user" ? userFile : besideFile);
        if (!existing.empty()) {
            std::filesystem::create_directories(test::Utf8Path(existing).parent_path());
            WriteFileBytes(existing, "[Test]\r\nRuns=7\r\n");
        }
        const ImmutableFolder locked(row.readOnly ? test::Utf8String(bin) : std::string());
        if (row.readOnly && !locked.ok()) {
            std::printf("skipped: chattr +i is not permitted here\n");
            continue;
        }
        const std::string output =
            test::RunProgram(copy, "--gtest_filter=IniFileNameTest.ACopyReadsAndSavesItsOwnFile");
        EXPECT_NE(output.find("[  PASSED  ] 1 test."), std::string::npos) << output;
        const std::string& used = expected == "user" ? userFile : besideFile;
        const std::string& unused = expected == "user" ? besideFile : userFile;
        EXPECT_EQ(IniFile::Load(used).ReadInteger("Test", "Runs", -1), existing.empty() ? 1 : 8);
        EXPECT_FALSE(std::filesystem::exists(test::Utf8Path(unused))) << unused;
        const std::size_t noteAt = output.find("note: ");
        ASSERT_NE(noteAt, std::string::npos) << output;
        const std::string printed =
            output.substr(noteAt, output.find_first_of("\r\n", noteAt) - noteAt);
        if (note.empty()) {
            EXPECT_EQ(printed, "note: ") << printed;
        } else {
            EXPECT_NE(printed.find(note), std::string::npos) << printed;
            EXPECT_NE(printed.find(userFile), std::string::npos) << printed;
        }
    }
}

// One rule a person can predict: the build tree and a portable copy keep the
// file beside the program; an installed copy, writable folder or not, keeps it
// in the user's configuration folder, created only by a save.
TEST(SettingsFileTest, BuildTreeAndPortableCopiesBesideTheProgramInstalledOnesPerUser) {
    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    ScopedEnv xdg("XDG_CONFIG_HOME", folder.Path("config").c_str());
    const std::string perUser = folder.Path("config/kestro/kestro.ini");
#ifdef _WIN32
    GTEST_SKIP() << "Linux's rule; Windows' is in ACopyOfTheProgramInAFolderOfAnyNameWritableOrNot";
#endif
    struct Case {
        const char* exe;
        const char* existing;  // created first, relative to the folder
        bool beside;
    };
    const Case cases[] = {
        {"build/src/app/kestro", "build/CMakeCache.txt", true},
        {"build/kestro", "build/CMakeCache.txt", true},
        {"portable/kestro", "portable/kestro.ini", true},
        {"prefix/bin/kestro", "prefix/bin/other.ini", false},
        {"prefix/bin/kestro", "prefix/CMakeCache.txt/not-a-file", false},
    };
    for (const Case& c : cases) {
        const std::string existing = folder.Path(c.existing);
        std::filesystem::create_directories(std::filesystem::path(existing).parent_path());
        WriteFileBytes(existing, "");
        const std::string exe = folder.Path(c.exe);
        const std::string expected = c.beside ? IniFileNameFor(exe) : perUser;
        EXPECT_EQ(SettingsFileFor(exe), expected) << c.exe << " with " << c.existing;
        EXPECT_EQ(InBuildTree(std::filesystem::path(exe).parent_path().string()),
                  std::string(c.existing).ends_with("CMakeCache.txt"))
            << c.exe;
        EXPECT_FALSE(std::filesystem::exists(folder.Path("config"))) << "only a save creates it";
        std::filesystem::remove_all(
            folder.Path(std::string(c.existing).substr(0, std::string(c.existing).find('/'))));
    }
    EXPECT_EQ(SettingsFileFor(folder.Path("prefix/bin/kestro"), true), perUser);
    EXPECT_TRUE(std::filesystem::is_directory(folder.Path("config/kestro")));
}

TEST(SettingsFileTest, PerUserFileForAProgramInAFolderTheUserCannotWrite) {
#ifdef _WIN32
    GTEST_SKIP() << "Linux's rule; Windows' is in ACopyOfTheProgramInAFolderOfAnyNameWritableOrNot";
#endif
    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    ImmutableFolder bin(folder.Path("bin"));
    if (!bin.ok()) {
        GTEST_SKIP() << "chattr +i is not available here, so no folder is read-only for root";
    }
    const std::string exe = folder.Path("bin/kestro");
    const std::string home = folder.Path("home");

    {
        ScopedEnv xdg("XDG_CONFIG_HOME", folder.Path("cfg").c_str());
        EXPECT_EQ(SettingsFileFor(exe), folder.Path("cfg/kestro/kestro.ini"));
        // Only a save creates the folder.
        EXPECT_FALSE(std::filesystem::exists(folder.Path("cfg")));
        EXPECT_EQ(SettingsFileFor(exe, true), folder.Path("cfg/kestro/kestro.ini"));
        EXPECT_TRUE(std::filesystem::is_directory(folder.Path("cfg/kestro")));
        // The file itself is left to the save, which can then write it.
        EXPECT_FALSE(std::filesystem::exists(folder.Path("cfg/kestro/kestro.ini")));
        IniFile ini;
        ini.WriteInteger("Config", "OpenCount", 2);
        EXPECT_TRUE(ini.Save(folder.Path("cfg/kestro/kestro.ini")));
    }
    // Without XDG_CONFIG_HOME, or with a relative one (which the XDG rules
    // ignore), the user's ~/.config.
    for (const char* xdgValue : {static_cast<const char*>(nullptr), "relative/cfg"}) {
        ScopedEnv xdg("XDG_CONFIG_HOME", xdgValue);
        ScopedEnv homeEnv("HOME", home.c_str());
        EXPECT_EQ(SettingsFileFor(folder.Path("bin/kestro-replay")),
                  home + "/.config/kestro/kestro-replay.ini");
    }
    // No home at all: the program's own file, whose save reports the refusal.
    ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
    ScopedEnv homeEnv("HOME", nullptr);
    EXPECT_EQ(SettingsFileFor(exe, true), folder.Path("bin/kestro.ini"));
}

TEST(SettingsFileTest, ReadOnlySettingsAreReadAndNeverSaved) {
    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    const std::string path = folder.Path("user.ini");
    WriteFileBytes(path, "[Function]\nSaveFormSize=0\n");

    SetIniFileReadOnly(path);
    EXPECT_EQ(GetIniFileName(), path);
    EXPECT_FALSE(ReadIniBool("Function", "SaveFormSize", true));
    EXPECT_EQ(GetIniFileNameForSave(), "");

    // No file at all: every switch has its default, not the program's own file.
    SetIniFileReadOnly("");
    EXPECT_EQ(GetIniFileName(), "");
    EXPECT_TRUE(ReadIniBool("Function", "SaveFormSize", true));
    EXPECT_EQ(GetIniFileNameForSave(), "");

    // An override for tests is written as usual.
    SetIniFileNameOverride(path);
    EXPECT_EQ(GetIniFileNameForSave(), path);
    SetIniFileNameOverride("");
    EXPECT_EQ(GetIniFileNameForSave(), GetIniFileName());
}

TEST(ReadIniBoolTest, ReadsOneSwitch) {
    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    const std::string path = folder.Path("k.ini");
    EXPECT_TRUE(ReadIniBool(path, "Function", "SaveFormSize", true));  // no file
    WriteFileBytes(path, "[function]\nsaveformsize=0\nWord=no\n");
    EXPECT_FALSE(ReadIniBool(path, "Function", "SaveFormSize", true));
    EXPECT_TRUE(ReadIniBool(path, "Function", "Word", true));

    SetIniFileNameOverride(path);
    EXPECT_FALSE(ReadIniBool("Function", "SaveFormSize", true));
    SetIniFileNameOverride("");
}

const WindowPlacement kCurrent{0, 1, -1, -1, -1, -1, 10, 20, 410, 320};  // 400 x 300

TEST(PlacementTest, TheTenKeysRoundTripInOrder) {
    const WindowPlacement stored{2, 3, -32000, -32000, -8, -8, 100, 50, 545, 165};
    IniFile ini = IniFile::Parse("[TfrmZKconfig]\nPlaceFlags=9\n");
    ASSERT_TRUE(WritePlacement(ini, "TfrmZKmain", stored));
    EXPECT_EQ(ini.Text(),
              "[TfrmZKconfig]\nPlaceFlags=9\n"
              "[TfrmZKmain]\nPlaceFlags=2\nPlaceShowCmd=3\nPlaceMinPos.X=-32000\n"
              "PlaceMinPos.Y=-32000\nPlaceMaxPos.X=-8\nPlaceMaxPos.Y=-8\nPlaceNormalPos.Left=100\n"
              "PlaceNormalPos.Top=50\nPlaceNormalPos.Right=545\nPlaceNormalPos.Bottom=165\n");
    EXPECT_EQ(ReadPlacement(ini, "tfrmzkmain", ppAll, kCurrent, 400, 300), stored);
    EXPECT_FALSE(WritePlacement(ini, "", stored));
}

TEST(PlacementTest, MissingOrBadKeysKeepTheCurrentPlacement) {
    EXPECT_EQ(ReadPlacement(IniFile(), "TfrmZKmain", ppAll, kCurrent, 400, 300), kCurrent);

    const IniFile ini = IniFile::Parse(
        "[TfrmZKmain]\nPlaceShowCmd=max\nPlaceNormalPos.Left=100\nPlaceNormalPos.Top=50\n");
    WindowPlacement expected = kCurrent;
    expected.left = 100;
    expected.top = 50;  // right and bottom stay: the window changes size
    EXPECT_EQ(ReadPlacement(ini, "TfrmZKmain", ppAll, kCurrent, 400, 300), expected);
}

TEST(PlacementTest, PartsChooseTheKeysThatAreRestored) {
    const WindowPlacement stored{2, 3, 1, 2, 3, 4, 100, 50, 545, 165};
    IniFile ini;
    ASSERT_TRUE(WritePlacement(ini, "F", stored));

    // Without the normal rectangle the window moves and keeps its size.
    WindowPlacement moved = kCurrent;
    moved.left = 100;
    moved.top = 50;
    moved.right = 100 + 400;
    moved.bottom = 50 + 300;
    EXPECT_EQ(ReadPlacement(ini, "F", PlacementParts{}, kCurrent, 400, 300), moved);

    WindowPlacement showOnly = moved;
    showOnly.flags = 2;
    showOnly.showCmd = 3;
    EXPECT_EQ(ReadPlacement(ini, "F", ppShowCmd, kCurrent, 400, 300), showOnly);

    WindowPlacement minMax = moved;
    minMax.minX = 1;
    minMax.minY = 2;
    minMax.maxX = 3;
    minMax.maxY = 4;
    EXPECT_EQ(ReadPlacement(ini, "F", ppMinMaxPos, kCurrent, 400, 300), minMax);

    WindowPlacement normal = kCurrent;
    normal.left = 100;
    normal.top = 50;
    normal.right = 545;
    normal.bottom = 165;
    EXPECT_EQ(ReadPlacement(ini, "F", ppNormalPos, kCurrent, 400, 300), normal);
}

TEST(PlacementTest, FarOutEdgesDoNotOverflow) {
    const IniFile ini =
        IniFile::Parse("[F]\nPlaceNormalPos.Left=2147483000\nPlaceNormalPos.Top=-2147483000\n");
    const WindowPlacement p = ReadPlacement(ini, "F", ppShowCmd, kCurrent, 1000, -1000);
    EXPECT_EQ(p.right, INT32_MAX);
    EXPECT_EQ(p.bottom, INT32_MIN);
}

TEST(PlacementTest, SavingKeepsTheRestOfTheFileOrReportsThePath) {
    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    const std::string path = folder.Path("k.ini");
    WriteFileBytes(path, "[Function]\nSaveFormSize=1\n");
    ASSERT_TRUE(SavePlacement(path, "TfrmZKconfig", kCurrent));
    const IniFile saved = IniFile::Load(path);
    EXPECT_EQ(saved.ReadString("Function", "SaveFormSize"), "1");
    EXPECT_EQ(ReadPlacement(saved, "TfrmZKconfig", ppAll, WindowPlacement{}, 0, 0), kCurrent);

    const std::string missing = folder.Path("gone/k.ini");
    const Result refused = SavePlacement(missing, "TfrmZKconfig", kCurrent);
    EXPECT_FALSE(refused);
    EXPECT_FALSE(refused.Reason().empty());
    EXPECT_EQ(refused.Message(), missing + " に書き込めません");
}

}  // namespace
}  // namespace kestro
