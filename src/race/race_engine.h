// The transitions of the two races and the one-second timer that carries
// them through their cycle between announcer lines.
#pragma once

#include <array>
#include <functional>
#include <utility>

#include "common/clock.h"
#include "common/race_types.h"
#include "notify/event_sounds.h"
#include "notify/log.h"
#include "notify/sound_player.h"
#include "race/player_record.h"
#include "race/race_state.h"
#include "race/race_timing.h"
#include "settings/settings.h"

namespace kestro {

class RaceEngine {
public:
    using RefreshFn = std::function<void()>;
    // A result confirmed for a race that had none yet, as the player's record
    // judged it (a result line heard again is not told).
    using ResultFn = std::function<void(const RaceOutcome& outcome)>;
    // A race event's sound is due, whether or not it plays.
    using EventFn = std::function<void(RaceKind kind, SoundEvent event)>;

    // Everything is borrowed and must outlive the engine. refreshPanel is called
    // whenever the panel has to show a change.
    RaceEngine(const Clock& clock, const Settings& settings, Log& log, SoundPlayer& player,
               RefreshFn refreshPanel);

    RaceState& State() { return state_; }
    const RaceState& State() const { return state_; }
    // Which race each ticket belongs to; the transitions keep it told.
    PlayerRecord& Record() { return record_; }
    const PlayerRecord& Record() const { return record_; }
    const Settings& GetSettings() const { return settings_; }
    const Clock& GetClock() const { return clock_; }
    Log& GetLog() { return log_; }
    // Told after each ConfirmResult, once its message is out.
    void SetResultListener(ResultFn listener) { resultListener_ = std::move(listener); }
    // Told before the event's sound, which holds the thread while it plays.
    void SetEventListener(EventFn listener) { eventListener_ = std::move(listener); }

    // The only writers of the four status fields besides the reset; each
    // refreshes the panel when, and only when, the value changes.
    void SetRaceStatus(RaceKind kind, RaceStatus status);
    void SetClockStatus(RaceKind kind, ClockStatus status);

    // Transitions. A kind other than Singles or Doubles does nothing at all.
    void ResetRace(RaceKind kind);
    void EnterWaitAccepting(RaceKind kind);
    void AnnounceWaitAccepting(RaceKind kind);
    void EnterAccepting(RaceKind kind);
    void AnnounceAccepting(RaceKind kind, int32_t minutes);
    void EnterStartWaiting(RaceKind kind);
    void EnterRacing(RaceKind kind);
    void AnnounceStart(RaceKind kind);
    void SetFirstFinisher(RaceKind kind, TicketChar runner);
    void SetSecondFinisher(RaceKind kind, TicketChar runner);  // Doubles only
    void ConfirmResult(RaceKind kind);
    void EnterPayingOut(RaceKind kind);
    void EnterClosingNotice(RaceKind kind);

    // One tick of the one-second timer: the time rules for Singles, then
    // Doubles, then a refresh so that the clocks advance.
    void RealTimeTimer();

    // The races (Singles, Doubles) that a transition of the announcer's lines
    // spoke of since the last call, whether or not it changed them; the timer
    // reaches one of them too (EnterPayingOut), so a caller takes them before
    // a line as well as after it.
    std::array<bool, 2> TakeHeard();

    // "次回発走予想時刻(...)" with the base time just set, when diagnostics are on.
    void ShowPredictedStart(RaceKind kind);
    TicketVerdict EvaluateTickets(RaceKind kind) const;
    void PlayEventSound(RaceKind kind);
    void RefreshPanel();

private:
    void Heard(RaceKind kind);
    void ApplyTimeRules(RaceKind kind);
    void StartByTimer(RaceKind kind);

    const Clock& clock_;
    const Settings& settings_;
    Log& log_;
    EventSounds sounds_;
    RefreshFn refreshPanel_;
    ResultFn resultListener_;
    EventFn eventListener_;
    RaceState state_;
    PlayerRecord record_;
    // The Doubles finishers as heard, before the result is put in ascending order.
    TicketChar doublesWinner_ = '0';
    TicketChar doublesSecond_ = '0';
    std::array<bool, 2> heard_{};
};

}  // namespace kestro
