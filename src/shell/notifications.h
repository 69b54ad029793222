// Desktop notifications: a fired reminder, and the race events the player
// ticked in the reminders window, told where the desktop shows such things
// (its notification service; on Windows the notification area's balloon), so
// that the player hears of them with the game in front. The rules are here;
// each face only carries a notification to its desktop (NotificationSink).
//
// - The gist in the title, with the clock time of the moment it tells of, so
//   that it still reads true a minute later ("単勝 発走まで 1:00 (21:17:08)");
//   the detail in the body.
// - One notification per race on the screen: a new one of the same race takes
//   the place of the one before (the id the desktop gave it), rather than
//   stacking; the other race's stays. A winning ticket's exchange reminder has
//   a place of its own and asks to stay until seen: a routine one never hides
//   it.
// - Where the desktop shows one notification at a time (the tray icon's
//   balloon), the exchange reminder has no place of its own: a routine
//   notification is held back while it may still be up, and the newest one
//   held is shown after it; its title's clock time keeps it true.
// - A race event is told once where its sound repeats for the same moment (a
//   result's sound twice in a row, a line heard again).
// - A result is told as the player's record judged the race's own ticket
//   (当選, 外れ, and 確認要求 without a ticket or with its runner unseen),
//   whatever the sound compared; at a Doubles first place, only for a race
//   the player holds a ticket of.
// - A desktop without a notification service is said once in the log; after
//   that, notifications are still offered (a service may start later), quietly.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/clock.h"
#include "common/race_types.h"
#include "common/result.h"
#include "notify/log.h"
#include "race/player_record.h"
#include "race/race_state.h"
#include "race/reminders.h"
#include "settings/settings.h"

namespace kestro {

// What a notification says (UTF-8).
struct DesktopNotification {
    RaceKind race = kSingles;
    std::string title;
    std::string body;
    // Money is at stake (a winning ticket's exchange): the desktop keeps it up.
    bool urgent = false;
};

// A face's way to its desktop's notifications.
class NotificationSink {
public:
    // Whether the notification was shown, and then the id the desktop gave it;
    // a failure has what the system said as its reason (no service, a refusal).
    using Answer = std::function<void(const Result& sent, uint32_t id)>;

    virtual ~NotificationSink() = default;
    // Shows `note` in the place of the desktop's notification `replaces` (0:
    // none). `answer` runs once on the main thread, perhaps before Send
    // returns; never when the sink is gone first. Send must not wait long.
    virtual void Send(const DesktopNotification& note, uint32_t replaces, Answer answer) = 0;
    // Whether the desktop shows one of our notifications at a time, each new
    // one in the place of the one shown, whatever `replaces` says.
    virtual bool OnePlace() const = 0;
};

class DesktopNotifier {
public:
    // Said once in the log (UTF-8), with what the system said after it.
    static constexpr const char* kNoServiceLine =
        "デスクトップ通知サービスがないため、通知は出しません";

    // How long a desktop with one place may keep an urgent notification up:
    // the longest Windows shows a balloon.
    static constexpr std::chrono::seconds kUrgentUp{30};

    // Borrowed: `settings` is read at each event, so the reminders window's
    // switches apply at once.
    DesktopNotifier(const Clock& clock, const Settings& settings, Log& log);

    // Where notifications go; none (null) tells nothing.
    void SetSink(NotificationSink* sink) { sink_ = sink; }

    void ReminderFired(const Reminder& reminder);
    // Each second: the routine notification held back behind an urgent one
    // is shown once that one's time is up.
    void Tick();
    // `event`'s sound is due for race `kind` in `state` (whether or not it plays).
    void RaceEvent(RaceKind kind, SoundEvent event, const RaceState& state,
                   const PlayerRecord& record);

    // A file refused a write while races are followed (`text`, UTF-8): told
    // where the player has any of the desktop's notifications switched on,
    // in a notification of its own, not in a race's place.
    void WriteRefused(const std::string& text);

    // "受付中(単勝)" (UTF-8): what a race event's notification says.
    static std::string EventText(RaceKind kind, SoundEvent event);
    // What the desktop is told of a fired reminder, and of a race event at `now`.
    static DesktopNotification ReminderNote(const Reminder& reminder);
    static DesktopNotification EventNote(RaceKind kind, SoundEvent event, const RaceState& state,
                                         Instant now);

private:
    struct Shown {
        uint32_t id = 0;                          // the desktop's, of the race's last notification
        bool waiting = false;                     // for that id
        std::optional<DesktopNotification> next;  // sent once the id is known
    };
    // What the answers reach: it outlives the notifier while answers are due.
    // Each race's routine place, then each race's urgent one.
    struct State {
        std::array<Shown, 4> places;
        bool noServiceTold = false;
    };
    struct EventMoment {
        SoundEvent event;
        RaceStatus status;
        Instant base;
        bool operator==(const EventMoment&) const = default;
    };

    void Send(DesktopNotification note);
    void SendNow(DesktopNotification note);

    // Says once in the log that the desktop has no notification service.
    static void TellNoService(State& state, Log& log, const Result& sent);

    const Clock& clock_;
    const Settings& settings_;
    Log& log_;
    NotificationSink* sink_ = nullptr;
    std::shared_ptr<State> state_ = std::make_shared<State>();
    // On a desktop with one place: until when the last urgent notification
    // may be up, and the newest routine one held back behind it.
    std::optional<Instant> urgentUntil_;
    std::optional<DesktopNotification> heldBack_;
    // The last race event of each race: the same one again is no news.
    std::array<std::optional<EventMoment>, 2> lastEvent_{};
};

}  // namespace kestro
