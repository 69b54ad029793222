// Moving the main window's settings between memory and the settings file.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "settings/ini_file.h"
#include "settings/settings.h"
#include "settings/vu_ini_mng.h"

namespace kestro {

// The main window's placement section.
inline constexpr std::string_view kMainFormSection = "TfrmZKmain";
// The compact form's own position.
inline constexpr std::string_view kCompactFormSection = "TfrmZKcompact";

// The placeholder that the default sound paths start with.
inline constexpr std::string_view kSystemRootPlaceholder = "%SystemRoot%";
// The placeholder of the reminders' default sounds: Kestro's own sound folder,
// which on Windows is not the system's (the sounds come with the program).
inline constexpr std::string_view kKestroSoundsPlaceholder = "%KestroSounds%";

// The lead times a reminder accepts, in seconds; a stored value outside gives the default.
inline constexpr int32_t kReminderLeadMin = 1;
inline constexpr int32_t kReminderLeadMax = 600;

// How opaque the main window may be drawn, in percent: a fainter window could
// not be found again on a busy game screen.
inline constexpr int32_t kOpacityMin = 40;
inline constexpr int32_t kOpacityMax = 100;
// `percent` brought inside kOpacityMin..kOpacityMax.
int32_t ClampOpacity(int32_t percent);

// Replaces the first "%SystemRoot%", in any letter case, by `systemRoot`; later
// ones and other %names% stay as they are.
std::string ExpandSystemRoot(std::string_view path, std::string_view systemRoot);

// The way back for a path inside `systemRoot` (followed by "/" or "\"): it is
// written as "%SystemRoot%" and the rest with "\" separators, so that the
// default sounds stay found after the program is moved or reinstalled. Any
// other path is returned unchanged.
std::string CollapseSystemRoot(std::string_view path, std::string_view systemRoot);

// `settings` with every sound path collapsed by CollapseSystemRoot, and the
// reminders' paths inside `ownSoundRoot` written with "%KestroSounds%" instead
// (an empty `ownSoundRoot` stands for `systemRoot`).
Settings WithSystemRootCollapsed(const Settings& settings, std::string_view systemRoot,
                                 std::string_view ownSoundRoot = {});

// One row per setting of the file, in the order they are written: where it
// lives, which member of Settings holds it, and how a stored value is taken.
// Its default is the member's initial value in Settings. A new setting is one
// member and one row; reading, writing and the round trip follow the table.
// The sounds, the reminders and the notifications are rows of their own tables
// (SoundEventInfoOf, ReminderInfoOf, kNotifiedEvents), each one row here.
enum class SettingKind {
    Flag,           // `flag`
    Number,         // `number`, brought inside min..max when min < max
    Text,           // `text`
    OpenCount,      // `number`, written one more than in memory
    LogLevel,       // the low byte; without one, the Debug switch decides
    SoundEvents,    // each event's flag and path
    MainPlacement,  // the main window's placement, where one is saved
    Reminders,      // every reminder's keys
    Notifications,  // what is also told on the desktop
};

struct SettingRow {
    SettingKind kind;
    std::string_view section;
    std::string_view key = {};  // empty for the tables
    bool Settings::*flag = nullptr;
    int32_t Settings::*number = nullptr;
    std::string Settings::*text = nullptr;
    int32_t min = 0;
    int32_t max = 0;
    // Written by the program; false: kept in the file as the user wrote it.
    bool written = true;
};

// The file's rows, in the order the program writes them.
std::span<const SettingRow> SettingRows();
// The row that holds `flag`.
const SettingRow& SettingRowOf(bool Settings::*flag);

// Reads every setting from the file at `iniPath`, each with its default when
// absent or unparseable, then expands "%SystemRoot%" in the 13 sound paths with
// `systemRoot` (on Linux the folder of Kestro's own sounds) and "%KestroSounds%"
// in the reminders' paths with `ownSoundRoot` (empty: `systemRoot`). Never fails.
void LoadSettings(const std::string& iniPath, const std::string& systemRoot, Settings& settings,
                  const std::string& ownSoundRoot = {});

// The position in `adapterNames` (the capture component's list) of the adapter
// the settings choose. The name decides: the one named AdapterName, or -1 when
// that name is not listed (never another device at the same position).
// AdapterIndex as it stands only for files written before the name was kept.
int32_t ChosenAdapterIndex(const Settings& settings, const std::vector<std::string>& adapterNames);

// Reads the rows of the main window's section "Window" alone, which LoadSettings reads
// too: the main window takes them at its creation, before it is shown.
void LoadWindowSettings(const IniFile& ini, Settings& settings);

// Writes the rows the program writes (SettingRows) and, when `mainPlacement` is given,
// the main window's placement among them; then whatever `alsoWrite` writes into the same
// file. The rows it does not write and every other line of the file are kept as they are.
// The file is replaced in one step, so a refused write leaves it exactly as it was instead
// of half written. A failure tells the user CannotWriteMessage(iniPath) and keeps what the
// system refused as its reason.
Result SaveSettings(const std::string& iniPath, const Settings& settings,
                    const WindowPlacement* mainPlacement,
                    const std::function<void(IniFile&)>& alsoWrite = {});

}  // namespace kestro
