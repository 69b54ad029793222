// Reminders: told a set time before a moment of a race's timetable (acceptance
// opens, the race starts, a winning ticket's exchange closes), so that the
// player need not watch the window. They read the predictions the race rules
// keep and fire from the one-second timer.
//
// When one fires (the rules the reminders window promises):
// - once per race cycle and moment: a moment within kSameMomentWithin of one
//   already reminded is the same moment, moved by a correcting announcer line;
// - never for a moment already past, so nothing fires for a moment that went
//   by before Kestro heard of it;
// - late rather than never: a moment first predicted inside the lead time (at
//   start-up, a lead longer than what remains) fires at once, with the time
//   that really remains;
// - only for a race that is followed (not 状態不明) and not running: while a
//   race runs its base time is its own start, already behind;
// - the start's with "NoTicketOnly" only while no ticket is held for the race
//   to come; the exchange deadline's only when the player's ticket won the
//   race just run; the player's record says which race a ticket belongs to.
// - its sound only with the master sound switch on (イベント発生時に音を鳴らす):
//   one switch silences everything Kestro plays; the line and the notification
//   still come.
#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "common/clock.h"
#include "common/race_types.h"
#include "notify/log.h"
#include "notify/sound_player.h"
#include "race/player_record.h"
#include "race/race_state.h"
#include "settings/settings.h"

namespace kestro {

// One fired reminder, as the log, the status line and a notification tell it.
struct Reminder {
    RaceKind kind = kSingles;
    ReminderMoment moment = ReminderMoment::AcceptStart;
    Instant at{};                      // the moment itself
    std::chrono::seconds remaining{};  // until it, rounded up to a whole second
    std::string text;    // CP932, e.g. "リマインダー(単勝): 発走まで 1:00"
    std::string ticket;  // UTF-8 glyphs of the winning ticket, for the exchange deadline
    std::string sound;   // the path played, empty for none
};

// "受付開始", "発走", "交換締切" (UTF-8).
std::string_view ReminderMomentCaption(ReminderMoment moment);

class Reminders {
public:
    // Told of each reminder after its log and status line and before its sound.
    using FiredFn = std::function<void(const Reminder&)>;
    // Half the shortest race cycle (630 s): two predictions closer than this
    // are one moment, corrected.
    static constexpr std::chrono::seconds kSameMomentWithin{300};

    // Everything is borrowed; settings are read at every check, so the window's
    // changes apply at once.
    Reminders(const Clock& clock, const Settings& settings, Log& log, SoundPlayer& player)
        : clock_(clock), settings_(settings), log_(log), player_(player) {}

    void SetFiredListener(FiredFn listener) { fired_ = std::move(listener); }

    // Fires every reminder that is due now for `state`, Singles first, each
    // race in the order of its timetable.
    void Check(const RaceState& state, const PlayerRecord& record);

private:
    // The moment a reminder would be for in `state`, if there is one to remind
    // of (whatever the switch and the lead time say).
    std::optional<Instant> MomentOf(const RaceState& state, const PlayerRecord& record,
                                    RaceKind kind, ReminderMoment moment) const;

    void Fire(const PlayerRecord& record, RaceKind kind, ReminderMoment moment, Instant at,
              const ReminderSetting& setting);

    const Clock& clock_;
    const Settings& settings_;
    Log& log_;
    SoundPlayer& player_;
    FiredFn fired_;
    // The moment each reminder last fired for.
    std::array<std::optional<Instant>, kReminderCount> lastFired_{};
};

}  // namespace kestro
