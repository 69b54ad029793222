#include "settings/settings_file.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <stdexcept>

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

// A reminder's keys are its stem and one of these; reading and writing share them
// so that a key can never be written under one name and read under another.
constexpr std::string_view kEnabledKey = "Enabled";
constexpr std::string_view kLeadKey = "Lead";
constexpr std::string_view kSoundKey = "Sound";
constexpr std::string_view kNoTicketOnlyKey = "NoTicketOnly";
// [Notifications]: whether reminders reach the desktop too.
constexpr std::string_view kNotifyRemindersKey = "Reminders";

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

using enum SettingKind;

constexpr SettingRow kSettingRows[] = {
    {.kind = OpenCount, .section = kFunction, .key = "OpenCount", .number = &Settings::OpenCount},
    {.kind = Flag,
     .section = kFunction,
     .key = "SaveFormSize",
     .flag = &Settings::SaveFormSize,
     .written = false},
    // Before LogLevel, whose default it decides.
    {.kind = Flag, .section = kConfig, .key = "Debug", .flag = &Settings::Debug, .written = false},
    {.kind = LogLevel, .section = kConfig, .key = "LogLevel", .written = false},
    {.kind = Flag, .section = kConfig, .key = "RealtimeUpdate", .flag = &Settings::RealtimeUpdate},
    {.kind = Number, .section = kSnoop, .key = "AdapterIndex", .number = &Settings::AdapterIndex},
    {.kind = Text, .section = kSnoop, .key = "AdapterName", .text = &Settings::AdapterName},
    {.kind = Flag, .section = kSound, .key = "SoundEnabled", .flag = &Settings::SoundEnabled},
    {.kind = SoundEvents, .section = kSound},
    {.kind = MainPlacement, .section = kMainFormSection},
    // After the sections older files have, so that those keep their order.
    {.kind = Flag, .section = kHistory, .key = "KeepHistory", .flag = &Settings::KeepHistory},
    {.kind = Flag,
     .section = kHistory,
     .key = "RestoreTimetable",
     .flag = &Settings::RestoreTimetable},
    {.kind = Reminders, .section = kReminders},
    {.kind = Flag, .section = kWindow, .key = "CloseToTray", .flag = &Settings::CloseToTray},
    {.kind = Flag, .section = kWindow, .key = "StayOnTop", .flag = &Settings::StayOnTop},
    // One out of range is the nearest the window can be drawn at, so a
    // hand-edited 0 never hides it.
    {.kind = Number,
     .section = kWindow,
     .key = "Opacity",
     .number = &Settings::Opacity,
     .min = kOpacityMin,
     .max = kOpacityMax},
    {.kind = Notifications, .section = kNotifications},
    // After every older key, so that older files keep their order.
    {.kind = Flag, .section = kWindow, .key = "CompactForm", .flag = &Settings::CompactForm},
    {.kind = Flag, .section = kWindow, .key = "ClickThrough", .flag = &Settings::ClickThrough},
    {.kind = Flag, .section = kWindow, .key = "TextFeed", .flag = &Settings::TextFeed},
};

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

std::span<const SettingRow> SettingRows() {
    return kSettingRows;
}

const SettingRow& SettingRowOf(bool Settings::*flag) {
    for (const SettingRow& row : kSettingRows) {
        if (row.flag == flag) {
            return row;
        }
    }
    throw std::logic_error("a flag without a row");
}

namespace {

// An unreadable value is its default.
void ReadRow(const IniFile& ini, const SettingRow& row, Settings& settings) {
    const Settings defaults;
    switch (row.kind) {
        case Flag:
            settings.*row.flag = ini.ReadBool(row.section, row.key, defaults.*row.flag);
            break;
        case Number:
        case OpenCount: {
            const int32_t value = ini.ReadInteger(row.section, row.key, defaults.*row.number);
            settings.*row.number = row.min < row.max ? std::clamp(value, row.min, row.max) : value;
            break;
        }
        case Text:
            settings.*row.text = ini.ReadString(row.section, row.key, defaults.*row.text);
            break;
        case LogLevel: {
            const int32_t logLevel = ini.ReadInteger(
                row.section, row.key, settings.Debug ? log_bits::Debug : log_bits::Default);
            settings.LogLevel = static_cast<uint8_t>(static_cast<uint32_t>(logLevel) & 0xFFu);
            break;
        }
        case SoundEvents:
            for (int i = 0; i < kSoundEventCount; ++i) {
                const SoundEventInfo& info = kSoundEvents[static_cast<std::size_t>(i)];
                SoundEventSetting& sound = settings.Sounds[static_cast<std::size_t>(i)];
                sound.Enabled = ini.ReadBool(row.section, info.enabledKey, false);
                sound.Sound = ini.ReadString(row.section, info.soundKey, info.defaultPath);
            }
            break;
        case MainPlacement:
            break;  // the window reads its own placement
        case Reminders:
            for (int i = 0; i < kReminderCount; ++i) {
                const std::string_view stem = kReminderInfos[static_cast<std::size_t>(i)].keyStem;
                const ReminderSetting& fallback = defaults.Reminders[static_cast<std::size_t>(i)];
                ReminderSetting& reminder = settings.Reminders[static_cast<std::size_t>(i)];
                reminder.Enabled =
                    ini.ReadBool(row.section, Key(stem, kEnabledKey), fallback.Enabled);
                const int32_t lead =
                    ini.ReadInteger(row.section, Key(stem, kLeadKey), fallback.LeadSeconds);
                // A lead of zero or less would never fire, a huge one would reach into
                // the cycle before: a hand edit out of range counts as none.
                reminder.LeadSeconds = lead >= kReminderLeadMin && lead <= kReminderLeadMax
                                           ? lead
                                           : fallback.LeadSeconds;
                reminder.Sound = ini.ReadString(row.section, Key(stem, kSoundKey), fallback.Sound);
                reminder.NoTicketOnly = fallback.NoTicketOnly;
                if (kReminderInfos[static_cast<std::size_t>(i)].moment == ReminderMoment::Start) {
                    reminder.NoTicketOnly = ini.ReadBool(row.section, Key(stem, kNoTicketOnlyKey),
                                                         fallback.NoTicketOnly);
                }
            }
            break;
        case Notifications:
            settings.Notifications.Reminders =
                ini.ReadBool(row.section, kNotifyRemindersKey, defaults.Notifications.Reminders);
            for (std::size_t i = 0; i < kNotifiedEvents.size(); ++i) {
                settings.Notifications.Events[i] =
                    ini.ReadBool(row.section, SoundEventInfoOf(kNotifiedEvents[i]).stem,
                                 defaults.Notifications.Events[i]);
            }
            break;
    }
}

void WriteRow(IniFile& ini, const SettingRow& row, const Settings& settings,
              const WindowPlacement* mainPlacement) {
    switch (row.kind) {
        case Flag:
            ini.WriteBool(row.section, row.key, settings.*row.flag);
            break;
        case Number:
            ini.WriteInteger(row.section, row.key, settings.*row.number);
            break;
        case OpenCount: {
            // A count at the top of the range stays there rather than turning negative.
            const int32_t count = settings.*row.number;
            ini.WriteInteger(row.section, row.key,
                             count == std::numeric_limits<int32_t>::max() ? count : count + 1);
            break;
        }
        case Text:
            ini.WriteString(row.section, row.key, settings.*row.text);
            break;
        case LogLevel:
            break;  // never written
        case SoundEvents:
            for (int i = 0; i < kSoundEventCount; ++i) {
                const SoundEventInfo& info = kSoundEvents[static_cast<std::size_t>(i)];
                const SoundEventSetting& sound = settings.Sounds[static_cast<std::size_t>(i)];
                ini.WriteBool(row.section, info.enabledKey, sound.Enabled);
                ini.WriteString(row.section, info.soundKey, sound.Sound);
            }
            break;
        case MainPlacement:
            if (mainPlacement != nullptr) {
                WritePlacement(ini, row.section, *mainPlacement);
            }
            break;
        case Reminders:
            for (int i = 0; i < kReminderCount; ++i) {
                const ReminderInfo& info = kReminderInfos[static_cast<std::size_t>(i)];
                const ReminderSetting& reminder = settings.Reminders[static_cast<std::size_t>(i)];
                ini.WriteBool(row.section, Key(info.keyStem, kEnabledKey), reminder.Enabled);
                ini.WriteInteger(row.section, Key(info.keyStem, kLeadKey), reminder.LeadSeconds);
                ini.WriteString(row.section, Key(info.keyStem, kSoundKey), reminder.Sound);
                if (info.moment == ReminderMoment::Start) {
                    ini.WriteBool(row.section, Key(info.keyStem, kNoTicketOnlyKey),
                                  reminder.NoTicketOnly);
                }
            }
            break;
        case Notifications:
            ini.WriteBool(row.section, kNotifyRemindersKey, settings.Notifications.Reminders);
            for (std::size_t i = 0; i < kNotifiedEvents.size(); ++i) {
                ini.WriteBool(row.section, SoundEventInfoOf(kNotifiedEvents[i]).stem,
                              settings.Notifications.Events[i]);
            }
            break;
    }
}

}  // namespace

void LoadWindowSettings(const IniFile& ini, Settings& settings) {
    for (const SettingRow& row : kSettingRows) {
        if (row.section == kWindow) {
            ReadRow(ini, row, settings);
        }
    }
}

void LoadSettings(const std::string& iniPath, const std::string& systemRoot, Settings& settings,
                  const std::string& ownSoundRoot) {
    const IniFile ini = IniFile::Load(iniPath);
    for (const SettingRow& row : kSettingRows) {
        ReadRow(ini, row, settings);
    }
    for (SoundEventSetting& sound : settings.Sounds) {
        sound.Sound = ExpandSystemRoot(sound.Sound, systemRoot);
    }
    const std::string& own = ownSoundRoot.empty() ? systemRoot : ownSoundRoot;
    for (ReminderSetting& reminder : settings.Reminders) {
        reminder.Sound = ExpandPlaceholder(reminder.Sound, kKestroSoundsPlaceholder, own);
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
    for (const SettingRow& row : kSettingRows) {
        if (row.written) {
            WriteRow(ini, row, settings, mainPlacement);
        }
    }
    if (alsoWrite) {
        alsoWrite(ini);
    }
    return ini.Save(iniPath).Telling(CannotWriteMessage(iniPath));
}

}  // namespace kestro
