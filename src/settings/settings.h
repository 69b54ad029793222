// The settings the main window holds in memory, named by their INI keys.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/race_types.h"

namespace kestro {

// The sound events in the order of the settings file.
enum class SoundEvent : int {
    ServerMessage,
    ServerMessageGodEquip,
    ServerMessageRace,
    RaceStartWaitAcceptingS,
    RaceAcceptingS,
    RaceStartWaitingS,
    RaceStartWaitAcceptingD,
    RaceAcceptingD,
    RaceStartWaitingD,
    RaceStart,
    ResultWin,
    ResultDefeat,
    ResultNeedCheck,
};
constexpr int kSoundEventCount = 13;

struct SoundEventInfo {
    std::string_view stem;         // e.g. "RaceStart"
    std::string_view enabledKey;   // e.g. "RaceStartEnabled"
    std::string_view soundKey;     // e.g. "RaceStartSound"
    std::string_view defaultPath;  // e.g. "%SystemRoot%\\Media\\chimes.wav"
};
const SoundEventInfo& SoundEventInfoOf(SoundEvent event);

struct SoundEventSetting {
    bool Enabled = false;
    std::string Sound;
};

// The moments a reminder can be set for, each once per race: acceptance opens
// (受付開始), the race starts (発走), a winning ticket's exchange closes (交換締切).
enum class ReminderMoment : int { AcceptStart, Start, ExchangeDeadline };
constexpr int kReminderMomentCount = 3;
// Singles' three, then Doubles' three.
constexpr int kReminderCount = 2 * kReminderMomentCount;

struct ReminderSetting {
    bool Enabled = false;
    int32_t LeadSeconds = 60;  // how long before the moment it fires
    std::string Sound;         // empty: no sound
    // Start only: only while no ticket is held for the race (a last call).
    bool NoTicketOnly = false;
};

struct ReminderInfo {
    RaceKind kind;
    ReminderMoment moment;
    std::string_view keyStem;      // e.g. "SinglesStart": keys are stem + "Enabled", ...
    int32_t defaultLead;           // seconds
    std::string_view defaultPath;  // under "%KestroSounds%"
};

// In Settings::Reminders' order.
const ReminderInfo& ReminderInfoOf(int index);
constexpr int ReminderIndex(RaceKind kind, ReminderMoment moment) {
    return (kind == kDoubles ? kReminderMomentCount : 0) + static_cast<int>(moment);
}

// The race events whose moments can also be told on the desktop, in the
// reminders window's order: the settings dialog's race rows. The start's
// countdown, which sounds every second, is not among them.
inline constexpr int kNotifiedEventCount = 8;
inline constexpr std::array<SoundEvent, kNotifiedEventCount> kNotifiedEvents = {
    SoundEvent::RaceStartWaitAcceptingS,
    SoundEvent::RaceAcceptingS,
    SoundEvent::RaceStartWaitAcceptingD,
    SoundEvent::RaceAcceptingD,
    SoundEvent::RaceStart,
    SoundEvent::ResultWin,
    SoundEvent::ResultDefeat,
    SoundEvent::ResultNeedCheck,
};

// Section "Notifications": what is also told on the desktop. A reminder is
// switched on for the player to be told, so it is told there too unless the
// player says otherwise; the race events only where the player asks for them.
struct NotificationSettings {
    bool Reminders = true;
    std::array<bool, kNotifiedEventCount> Events{};  // in kNotifiedEvents' order
};

struct Settings {
    int32_t OpenCount = 1;
    bool SaveFormSize = true;
    bool RealtimeUpdate = false;
    uint8_t LogLevel = log_bits::Default;
    bool Debug = false;
    int32_t AdapterIndex = -1;
    // The adapter's device name: it survives adapters appearing before it in
    // the list, which the index does not. Empty in files written before it.
    std::string AdapterName;
    bool SoundEnabled = false;
    std::array<SoundEventSetting, kSoundEventCount> Sounds{};
    // Section "History": whether confirmed results are written to the history file.
    bool KeepHistory = true;
    // Section "History": whether the races' timetable is kept at the close and
    // taken up again at the next start. Off unless the user asks for it.
    bool RestoreTimetable = false;

    // Section "Window": whether closing the main window keeps Kestro running
    // in the notification area (where the desktop has one) until Exit.
    bool CloseToTray = false;
    // Section "Window": the main window kept above every other window, and how
    // opaque it is drawn, in percent (kOpacityMin..kOpacityMax).
    bool StayOnTop = false;
    int32_t Opacity = 100;
    // Section "Window": the compact form shown instead of the main window, and
    // whether every click on it passes to the window beneath.
    bool CompactForm = false;
    bool ClickThrough = false;
    // Section "Window": whether the races' compact lines are kept in a text
    // file beside the settings file, for streaming software. Off unless asked.
    bool TextFeed = false;

    // Section "Reminders": what the reminders window edits.
    std::array<ReminderSetting, kReminderCount> Reminders = DefaultReminders();
    NotificationSettings Notifications;

    ReminderSetting& Reminder(RaceKind kind, ReminderMoment moment) {
        return Reminders[static_cast<std::size_t>(ReminderIndex(kind, moment))];
    }
    const ReminderSetting& Reminder(RaceKind kind, ReminderMoment moment) const {
        return Reminders[static_cast<std::size_t>(ReminderIndex(kind, moment))];
    }
    // All off, with the default lead times and sounds (the placeholder unexpanded).
    static std::array<ReminderSetting, kReminderCount> DefaultReminders();

    SoundEventSetting& Sound(SoundEvent e) { return Sounds[static_cast<int>(e)]; }
    const SoundEventSetting& Sound(SoundEvent e) const { return Sounds[static_cast<int>(e)]; }
};

}  // namespace kestro
