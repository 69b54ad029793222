#include "settings/settings_file.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

namespace kestro {

namespace {

constexpr std::string_view kSnoop = "Snoop";
constexpr std::string_view kSound = "Sound";
constexpr std::string_view kConfig = "Config";
constexpr std::string_view kFunction = "Function";
constexpr std::string_view kHistory = "History";
constexpr std::string_view kReminders = "Reminders";
constexpr std::string_view kWindow = "Window";
constexpr std::string_view kNotifications = "Notifications";

// Where a player wants to be told: a minute to walk to the counter, a minute for a
// last ticket, two minutes to reach the exchange before it closes.
constexpr std::array<ReminderInfo, kReminderCount> kReminderInfos = {{
    {kSingles, ReminderMoment::AcceptStart, "SinglesAcceptStart", 60,
     "%KestroSounds%\\Media\\remind_accept.wav"},
    {kSingles, ReminderMoment::Start, "SinglesStart", 60,
     "%KestroSounds%\\Media\\remind_start.wav"},
    {kSingles, ReminderMoment::ExchangeDeadline, "SinglesExchangeDeadline", 120,
     "%KestroSounds%\\Media\\remind_exchange.wav"},
    {kDoubles, ReminderMoment::AcceptStart, "DoublesAcceptStart", 60,
     "%KestroSounds%\\Media\\remind_accept.wav"},
    {kDoubles, ReminderMoment::Start, "DoublesStart", 60,
     "%KestroSounds%\\Media\\remind_start.wav"},
    {kDoubles, ReminderMoment::ExchangeDeadline, "DoublesExchangeDeadline", 120,
     "%KestroSounds%\\Media\\remind_exchange.wav"},
}};

std::string Key(std::string_view stem, std::string_view suffix) {
    std::string key(stem);
    key += suffix;
    return key;
}

constexpr std::array<SoundEventInfo, kSoundEventCount> kSoundEvents = {{
    {"ServerMessage", "ServerMessageEnabled", "ServerMessageSound",
     "%SystemRoot%\\Media\\notify.wav"},
    {"ServerMessageGodEquip", "ServerMessageGodEquipEnabled", "ServerMessageGodEquipSound",
     "%SystemRoot%\\Media\\notify.wav"},
    {"ServerMessageRace", "ServerMessageRaceEnabled", "ServerMessageRaceSound",
     "%SystemRoot%\\Media\\notify.wav"},
    {"RaceStartWaitAcceptingS", "RaceStartWaitAcceptingSEnabled", "RaceStartWaitAcceptingSSound",
     "%SystemRoot%\\Media\\ding.wav"},
    {"RaceAcceptingS", "RaceAcceptingSEnabled", "RaceAcceptingSSound",
     "%SystemRoot%\\Media\\notify.wav"},
    {"RaceStartWaitingS", "RaceStartWaitingSEnabled", "RaceStartWaitingSSound",
     "%SystemRoot%\\Media\\chimes.wav"},
    {"RaceStartWaitAcceptingD", "RaceStartWaitAcceptingDEnabled", "RaceStartWaitAcceptingDSound",
     "%SystemRoot%\\Media\\ding.wav"},
    {"RaceAcceptingD", "RaceAcceptingDEnabled", "RaceAcceptingDSound",
     "%SystemRoot%\\Media\\notify.wav"},
    {"RaceStartWaitingD", "RaceStartWaitingDEnabled", "RaceStartWaitingDSound",
     "%SystemRoot%\\Media\\chimes.wav"},
    {"RaceStart", "RaceStartEnabled", "RaceStartSound", "%SystemRoot%\\Media\\chimes.wav"},
    {"ResultWin", "ResultWinEnabled", "ResultWinSound", "%SystemRoot%\\Media\\tada.wav"},
    {"ResultDefeat", "ResultDefeatEnabled", "ResultDefeatSound",
     "%SystemRoot%\\Media\\ringout.wav"},
    // Its path has always lived under the bare stem, so the flag needs a key of its own.
    {"ResultNeedCheck", "ResultNeedCheckEnabled", "ResultNeedCheck",
     "%SystemRoot%\\Media\\ding.wav"},
}};

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::size_t FindIgnoreAsciiCase(std::string_view text, std::string_view needle) {
    if (needle.size() > text.size()) {
        return std::string_view::npos;
    }
    for (std::size_t i = 0; i + needle.size() <= text.size(); ++i) {
        std::size_t j = 0;
        while (j < needle.size() && AsciiLower(text[i + j]) == AsciiLower(needle[j])) {
            ++j;
        }
        if (j == needle.size()) {
            return i;
        }
    }
    return std::string_view::npos;
}

std::string ExpandPlaceholder(std::string_view path, std::string_view placeholder,
                              std::string_view root) {
    const std::size_t at = FindIgnoreAsciiCase(path, placeholder);
    if (at == std::string_view::npos) {
        return std::string(path);
    }
    std::string expanded(path.substr(0, at));
    expanded += root;
    expanded += path.substr(at + placeholder.size());
    return expanded;
}

std::string CollapseToPlaceholder(std::string_view path, std::string_view systemRoot,
                                  std::string_view placeholder) {
    while (systemRoot.size() > 1 && (systemRoot.back() == '/' || systemRoot.back() == '\\')) {
        systemRoot.remove_suffix(1);
    }
    const bool inside = !systemRoot.empty() && path.size() > systemRoot.size() + 1 &&
                        path.starts_with(systemRoot) &&
                        (path[systemRoot.size()] == '/' || path[systemRoot.size()] == '\\');
    if (!inside) {
        return std::string(path);
    }
    std::string collapsed(placeholder);
    for (const char c : path.substr(systemRoot.size())) {
        collapsed += c == '/' ? '\\' : c;
    }
    return collapsed;
}

}  // namespace

const SoundEventInfo& SoundEventInfoOf(SoundEvent event) {
    return kSoundEvents.at(static_cast<std::size_t>(event));
}

const ReminderInfo& ReminderInfoOf(int index) {
    return kReminderInfos.at(static_cast<std::size_t>(index));
}

std::array<ReminderSetting, kReminderCount> Settings::DefaultReminders() {
    std::array<ReminderSetting, kReminderCount> reminders{};
    for (int i = 0; i < kReminderCount; ++i) {
        const ReminderInfo& info = kReminderInfos[static_cast<std::size_t>(i)];
        ReminderSetting& reminder = reminders[static_cast<std::size_t>(i)];
        reminder.LeadSeconds = info.defaultLead;
        reminder.Sound = std::string(info.defaultPath);
        // The start's reminder is a last call: a player who has bought needs none.
        reminder.NoTicketOnly = info.moment == ReminderMoment::Start;
    }
    return reminders;
}

int32_t ClampOpacity(int32_t percent) {
    return std::clamp(percent, kOpacityMin, kOpacityMax);
}

// An unreadable opacity is the default, fully opaque; one out of range is the
// nearest the window can be drawn at, so a hand-edited 0 never hides it.
void LoadWindowSettings(const IniFile& ini, Settings& settings) {
    settings.StayOnTop = ini.ReadBool(kWindow, "StayOnTop", false);
    settings.Opacity = ClampOpacity(ini.ReadInteger(kWindow, "Opacity", kOpacityMax));
}

std::string ExpandSystemRoot(std::string_view path, std::string_view systemRoot) {
    return ExpandPlaceholder(path, kSystemRootPlaceholder, systemRoot);
}

std::string CollapseSystemRoot(std::string_view path, std::string_view systemRoot) {
    return CollapseToPlaceholder(path, systemRoot, kSystemRootPlaceholder);
}

Settings WithSystemRootCollapsed(const Settings& settings, std::string_view systemRoot,
                                 std::string_view ownSoundRoot) {
    Settings collapsed = settings;
    for (SoundEventSetting& sound : collapsed.Sounds) {
        sound.Sound = CollapseSystemRoot(sound.Sound, systemRoot);
    }
    const std::string_view own = ownSoundRoot.empty() ? systemRoot : ownSoundRoot;
    for (ReminderSetting& reminder : collapsed.Reminders) {
        reminder.Sound = CollapseToPlaceholder(reminder.Sound, own, kKestroSoundsPlaceholder);
    }
    return collapsed;
}

void LoadSettings(const std::string& iniPath, const std::string& systemRoot, Settings& settings,
                  const std::string& ownSoundRoot) {
    const IniFile ini = IniFile::Load(iniPath);

    settings.AdapterIndex = ini.ReadInteger(kSnoop, "AdapterIndex", -1);
    settings.AdapterName = ini.ReadString(kSnoop, "AdapterName", "");
    settings.SoundEnabled = ini.ReadBool(kSound, "SoundEnabled", false);
    for (int i = 0; i < kSoundEventCount; ++i) {
        const SoundEventInfo& info = kSoundEvents[static_cast<std::size_t>(i)];
        SoundEventSetting& sound = settings.Sounds[static_cast<std::size_t>(i)];
        sound.Enabled = ini.ReadBool(kSound, info.enabledKey, false);
        sound.Sound = ini.ReadString(kSound, info.soundKey, info.defaultPath);
    }
    settings.Debug = ini.ReadBool(kConfig, "Debug", false);
    settings.RealtimeUpdate = ini.ReadBool(kConfig, "RealtimeUpdate", false);
    const int32_t logLevel =
        ini.ReadInteger(kConfig, "LogLevel", settings.Debug ? log_bits::Debug : log_bits::Default);
    settings.LogLevel = static_cast<uint8_t>(static_cast<uint32_t>(logLevel) & 0xFFu);
    settings.OpenCount = ini.ReadInteger(kFunction, "OpenCount", 1);
    settings.SaveFormSize = ini.ReadBool(kFunction, "SaveFormSize", true);
    settings.KeepHistory = ini.ReadBool(kHistory, "KeepHistory", true);
    settings.RestoreTimetable = ini.ReadBool(kHistory, "RestoreTimetable", false);
    settings.CloseToTray = ini.ReadBool(kWindow, "CloseToTray", false);
    LoadWindowSettings(ini, settings);

    for (SoundEventSetting& sound : settings.Sounds) {
        sound.Sound = ExpandSystemRoot(sound.Sound, systemRoot);
    }

    const std::string& own = ownSoundRoot.empty() ? systemRoot : ownSoundRoot;
    const std::array<ReminderSetting, kReminderCount> defaults = Settings::DefaultReminders();
    for (int i = 0; i < kReminderCount; ++i) {
        const std::string_view stem = kReminderInfos[static_cast<std::size_t>(i)].keyStem;
        const ReminderSetting& fallback = defaults[static_cast<std::size_t>(i)];
        ReminderSetting& reminder = settings.Reminders[static_cast<std::size_t>(i)];
        reminder.Enabled = ini.ReadBool(kReminders, Key(stem, "Enabled"), fallback.Enabled);
        const int32_t lead = ini.ReadInteger(kReminders, Key(stem, "Lead"), fallback.LeadSeconds);
        // A lead of zero or less would never fire, a huge one would reach into
        // the cycle before: a hand edit out of range counts as none.
        reminder.LeadSeconds =
            lead >= kReminderLeadMin && lead <= kReminderLeadMax ? lead : fallback.LeadSeconds;
        reminder.Sound =
            ExpandPlaceholder(ini.ReadString(kReminders, Key(stem, "Sound"), fallback.Sound),
                              kKestroSoundsPlaceholder, own);
        reminder.NoTicketOnly = fallback.NoTicketOnly;
        if (kReminderInfos[static_cast<std::size_t>(i)].moment == ReminderMoment::Start) {
            reminder.NoTicketOnly =
                ini.ReadBool(kReminders, Key(stem, "NoTicketOnly"), fallback.NoTicketOnly);
        }
    }

    const NotificationSettings notifyDefaults;
    settings.Notifications.Reminders =
        ini.ReadBool(kNotifications, "Reminders", notifyDefaults.Reminders);
    for (std::size_t i = 0; i < kNotifiedEvents.size(); ++i) {
        settings.Notifications.Events[i] = ini.ReadBool(
            kNotifications, SoundEventInfoOf(kNotifiedEvents[i]).stem, notifyDefaults.Events[i]);
    }
}

int32_t ChosenAdapterIndex(const Settings& settings, const std::vector<std::string>& adapterNames) {
    if (settings.AdapterName.empty()) {
        return settings.AdapterIndex;
    }
    for (std::size_t i = 0; i < adapterNames.size(); ++i) {
        if (adapterNames[i] == settings.AdapterName) {
            return static_cast<int32_t>(i);
        }
    }
    // Whatever sits at the old position now is another device.
    return -1;
}

Result SaveSettings(const std::string& iniPath, const Settings& settings,
                    const WindowPlacement* mainPlacement,
                    const std::function<void(IniFile&)>& alsoWrite) {
    IniFile ini;
    // A file that exists but cannot be read must not be replaced by one holding
    // only the keys written here.
    if (Result loaded = IniFile::LoadForUpdate(iniPath, ini); !loaded) {
        return loaded.Telling(CannotWriteMessage(iniPath));
    }
    // A count at the top of the range stays there rather than turning negative.
    const int32_t openCount = settings.OpenCount == std::numeric_limits<int32_t>::max()
                                  ? settings.OpenCount
                                  : settings.OpenCount + 1;
    ini.WriteInteger(kFunction, "OpenCount", openCount);
    ini.WriteBool(kConfig, "RealtimeUpdate", settings.RealtimeUpdate);
    ini.WriteInteger(kSnoop, "AdapterIndex", settings.AdapterIndex);
    ini.WriteString(kSnoop, "AdapterName", settings.AdapterName);
    ini.WriteBool(kSound, "SoundEnabled", settings.SoundEnabled);
    for (int i = 0; i < kSoundEventCount; ++i) {
        const SoundEventInfo& info = kSoundEvents[static_cast<std::size_t>(i)];
        const SoundEventSetting& sound = settings.Sounds[static_cast<std::size_t>(i)];
        ini.WriteBool(kSound, info.enabledKey, sound.Enabled);
        ini.WriteString(kSound, info.soundKey, sound.Sound);
    }
    if (mainPlacement != nullptr) {
        WritePlacement(ini, kMainFormSection, *mainPlacement);
    }
    // After the sections older files have, so that those keep their order.
    ini.WriteBool(kHistory, "KeepHistory", settings.KeepHistory);
    ini.WriteBool(kHistory, "RestoreTimetable", settings.RestoreTimetable);
    for (int i = 0; i < kReminderCount; ++i) {
        const ReminderInfo& info = kReminderInfos[static_cast<std::size_t>(i)];
        const ReminderSetting& reminder = settings.Reminders[static_cast<std::size_t>(i)];
        ini.WriteBool(kReminders, Key(info.keyStem, "Enabled"), reminder.Enabled);
        ini.WriteInteger(kReminders, Key(info.keyStem, "Lead"), reminder.LeadSeconds);
        ini.WriteString(kReminders, Key(info.keyStem, "Sound"), reminder.Sound);
        if (info.moment == ReminderMoment::Start) {
            ini.WriteBool(kReminders, Key(info.keyStem, "NoTicketOnly"), reminder.NoTicketOnly);
        }
    }
    ini.WriteBool(kWindow, "CloseToTray", settings.CloseToTray);
    ini.WriteBool(kWindow, "StayOnTop", settings.StayOnTop);
    ini.WriteInteger(kWindow, "Opacity", settings.Opacity);
    ini.WriteBool(kNotifications, "Reminders", settings.Notifications.Reminders);
    for (std::size_t i = 0; i < kNotifiedEvents.size(); ++i) {
        ini.WriteBool(kNotifications, SoundEventInfoOf(kNotifiedEvents[i]).stem,
                      settings.Notifications.Events[i]);
    }
    if (alsoWrite) {
        alsoWrite(ini);
    }
    return ini.Save(iniPath).Telling(CannotWriteMessage(iniPath));
}

}  // namespace kestro
