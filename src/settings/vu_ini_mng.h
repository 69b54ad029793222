// VuIniMng: the settings file's path, single switches read from it, and the
// placement of windows kept in it, one section per window class.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/result.h"
#include "settings/ini_file.h"

namespace kestro {
// Inline, so that users may name the unit or leave it out.
inline namespace VuIniMng {

// A window's placement as the settings file holds it: the fields of the Windows
// placement record, so that files move between platforms unchanged.
struct WindowPlacement {
    int32_t flags = 0;
    int32_t showCmd = 0;  // 0 hidden (not applied), 1 normal, 2 minimised, 3 maximised
    int32_t minX = 0;
    int32_t minY = 0;
    int32_t maxX = 0;
    int32_t maxY = 0;
    int32_t left = 0;  // normal (restored) rectangle; right and bottom are exclusive
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    bool operator==(const WindowPlacement&) const = default;
};

constexpr int32_t kShowCmdHide = 0;
constexpr int32_t kShowCmdNormal = 1;
constexpr int32_t kShowCmdMinimized = 2;
constexpr int32_t kShowCmdMaximized = 3;

// Which parts of a stored placement a restore applies.
enum PlacementParts : uint32_t {
    ppShowCmd = 1,
    ppMinMaxPos = 2,
    ppNormalPos = 4,
};
constexpr PlacementParts operator|(PlacementParts a, PlacementParts b) {
    return static_cast<PlacementParts>(static_cast<uint32_t>(a) | static_cast<uint32_t>(b));
}
constexpr PlacementParts ppAll = ppShowCmd | ppMinMaxPos | ppNormalPos;

// The ten keys of a placement section, in the order they are written.
inline constexpr std::array<std::string_view, 10> kPlacementKeys = {
    "PlaceFlags",           "PlaceShowCmd",          "PlaceMinPos.X",       "PlaceMinPos.Y",
    "PlaceMaxPos.X",        "PlaceMaxPos.Y",         "PlaceNormalPos.Left", "PlaceNormalPos.Top",
    "PlaceNormalPos.Right", "PlaceNormalPos.Bottom",
};

// Beside a resizable window's placement: the dots per inch its size was saved
// at, so that another display scale can scale it.
inline constexpr std::string_view kPlacementDpiKey = "PlacePixelsPerInch";

// The settings file of an executable: `exePath` with its extension (from the last
// "." after the last "/") replaced by ".ini", or ".ini" appended when it has none.
std::string IniFileNameFor(std::string_view exePath);

// True when the executable folder `exeFolder` lies in a CMake build tree: that
// folder or one above it holds a CMakeCache.txt, which every build tree has at
// its top and no install copies.
bool InBuildTree(const std::string& exeFolder);

// Where the executable at `exePath` keeps its settings. Beside it
// (IniFileNameFor) when it runs from its build tree, or when that file already
// exists (a portable copy carries its settings along); otherwise in a file of
// the user's own, <platform::UserSettingsFolder()>/<name>.ini, so that one user
// has one file wherever the program was installed. Where a writable program
// keeps its settings beside itself (Windows), the file of the user's own is
// taken only when it exists or when the program's folder takes no new files
// (unzipped into Program Files). With `createFolder` (at a save) a missing
// folder of the per-user file is created.
struct SettingsPlace {
    std::string path;
    // Where the file is and why, for the log, when that is not where the
    // player looks first (beside the program, on Windows); empty otherwise.
    std::string note;
};
SettingsPlace SettingsPlaceFor(const std::string& exePath, bool createFolder = false);
std::string SettingsFileFor(const std::string& exePath, bool createFolder = false);

// SettingsPlaceFor(the executable's path).note; empty under an override.
std::string SettingsFileNote();

// The settings file of this process: the override when one is set, otherwise
// SettingsFileFor(the executable's path).
std::string GetIniFileName();

// The file to save the settings into: GetIniFileName(), after creating the
// folder of a per-user settings file that does not exist yet. Empty when this
// process only reads its settings (SetIniFileReadOnly): then nothing is saved.
std::string GetIniFileNameForSave();

// Makes GetIniFileName() return `path` for the rest of the process (tests);
// an empty path restores the executable's own settings file.
void SetIniFileNameOverride(std::string path);

// For the rest of the process the settings are read from `path` (empty: from no
// file, so every setting has its default) and never written: the GUI replay
// shows a recording with a user's settings without changing them.
void SetIniFileReadOnly(std::string path);

// True after SetIniFileReadOnly: this process writes no file of the user's.
bool IniFileIsReadOnly();

// A boolean switch of the settings file; the default when absent or unparseable.
bool ReadIniBool(std::string_view section, std::string_view key, bool defaultValue);
bool ReadIniBool(const std::string& iniPath, std::string_view section, std::string_view key,
                 bool defaultValue);

// Steps 2 to 5 of a restore: every key read with the field of `current` as its
// default. Without ppNormalPos only the left and top edges are read, and right and
// bottom follow from the window's current size.
WindowPlacement ReadPlacement(const IniFile& ini, std::string_view section, PlacementParts parts,
                              const WindowPlacement& current, int32_t currentWidth,
                              int32_t currentHeight);

// The ten keys, in order, as decimal integers. False for a section name that cannot
// be written.
bool WritePlacement(IniFile& ini, std::string_view section, const WindowPlacement& placement);

// Stores `placement` in the section of the settings file at `iniPath`, keeping
// everything else in the file. A failure tells the user CannotWriteMessage(iniPath)
// and keeps what the system refused as its reason. The whole file is replaced at
// once, so a refused write leaves it as it was. A positive `dpi` is stored
// beside it (kPlacementDpiKey).
Result SavePlacement(const std::string& iniPath, std::string_view section,
                     const WindowPlacement& placement, int32_t dpi = 0);

// The message for the user about a settings file that cannot be written.
std::string CannotWriteMessage(const std::string& iniPath);

}  // namespace VuIniMng
}  // namespace kestro
