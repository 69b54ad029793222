#include "shell/notifications.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <string_view>
#include <utility>

#include "common/cp932.h"
#include "common/datetime.h"
#include "common/race_names.h"

namespace kestro {

namespace {

std::size_t Index(RaceKind kind) {
    return static_cast<std::size_t>(kind);
}

bool IsRace(RaceKind kind) {
    return kind == kSingles || kind == kDoubles;
}

std::size_t PlaceOf(const DesktopNotification& note) {
    return Index(note.race) + (note.urgent ? 2 : 0);
}

std::string ClockTime(Instant at) {
    return FormatHhNnSs(LocalDateTime(at));
}

// The moments a race event looks ahead to: the start its acceptance leads to.
bool TellsOfTheStart(SoundEvent event) {
    return event == SoundEvent::RaceStartWaitAcceptingS ||
           event == SoundEvent::RaceStartWaitAcceptingD || event == SoundEvent::RaceAcceptingS ||
           event == SoundEvent::RaceAcceptingD;
}

// The moment each event tells of, as the panel and the settings dialog name it.
std::string_view EventCaption(SoundEvent event) {
    switch (event) {
        case SoundEvent::RaceStartWaitAcceptingS:
        case SoundEvent::RaceStartWaitAcceptingD:
            return "受付開始予告";
        case SoundEvent::RaceAcceptingS:
        case SoundEvent::RaceAcceptingD:
            return "受付中";
        case SoundEvent::RaceStart:
            return "発走";
        case SoundEvent::ResultWin:
            return "当選";
        case SoundEvent::ResultDefeat:
            return "外れ";
        case SoundEvent::ResultNeedCheck:
            return "確認要求";
        default:
            return "";
    }
}

bool IsResult(SoundEvent event) {
    return event == SoundEvent::ResultWin || event == SoundEvent::ResultDefeat ||
           event == SoundEvent::ResultNeedCheck;
}

// The event a notification tells: a result as the record judged it; none at
// a first place for a race the player holds no ticket of.
std::optional<SoundEvent> ToldEvent(RaceKind kind, SoundEvent event, const PlayerRecord& record) {
    if (!IsResult(event)) {
        return event;
    }
    if (const std::optional<Verdict> verdict = record.VerdictOfResult(kind)) {
        switch (*verdict) {
            case Verdict::Hit:
                return SoundEvent::ResultWin;
            case Verdict::Miss:
                return SoundEvent::ResultDefeat;
            case Verdict::NoTicket:
            case Verdict::Unknown:
                return SoundEvent::ResultNeedCheck;
        }
    }
    if (record.RaceOf(kind).ticket1 == '0') {
        return std::nullopt;
    }
    return event;
}

}  // namespace

DesktopNotifier::DesktopNotifier(const Clock& clock, const Settings& settings, Log& log)
    : clock_(clock), settings_(settings), log_(log) {}

std::string DesktopNotifier::EventText(RaceKind kind, SoundEvent event) {
    return std::string(EventCaption(event)) + "(" + std::string(RaceName(kind)) + ")";
}

DesktopNotification DesktopNotifier::ReminderNote(const Reminder& reminder) {
    const std::string moment(ReminderMomentCaption(reminder.moment));
    const std::string at = ClockTime(reminder.at);
    DesktopNotification note;
    note.race = reminder.kind;
    note.title = std::string(RaceName(reminder.kind)) + " " + moment + "まで " +
                 FormatNSs(std::chrono::duration_cast<Micros>(reminder.remaining)) + " (" + at +
                 ")";
    note.body = "リマインダー(" + std::string(RaceName(reminder.kind)) + "): ";
    if (reminder.moment == ReminderMoment::ExchangeDeadline) {
        note.body += "当たり券 " + reminder.ticket + " の";
        note.urgent = true;
    }
    note.body += moment + " " + at;
    return note;
}

DesktopNotification DesktopNotifier::EventNote(RaceKind kind, SoundEvent event,
                                               const RaceState& state, Instant now) {
    DesktopNotification note;
    note.race = kind;
    note.title = std::string(RaceName(kind)) + " " + std::string(EventCaption(event)) + " (" +
                 ClockTime(now) + ")";
    note.body = EventText(kind, event);
    if (TellsOfTheStart(event)) {
        const Instant start = kind == kSingles ? state.SinglesBaseTime : state.DoublesBaseTime;
        note.body += ": 発走予測 " + ClockTime(start);
    }
    return note;
}

void DesktopNotifier::ReminderFired(const Reminder& reminder) {
    if (settings_.Notifications.Reminders && IsRace(reminder.kind)) {
        Send(ReminderNote(reminder));
    }
}

void DesktopNotifier::RaceEvent(RaceKind kind, SoundEvent sounded, const RaceState& state,
                                const PlayerRecord& record) {
    if (!IsRace(kind)) {
        return;
    }
    const std::optional<SoundEvent> told = ToldEvent(kind, sounded, record);
    if (!told) {
        return;
    }
    const SoundEvent event = *told;
    const EventMoment moment{event, kind == kSingles ? state.SinglesStatus : state.DoublesStatus,
                             kind == kSingles ? state.SinglesBaseTime : state.DoublesBaseTime};
    if (std::exchange(lastEvent_[Index(kind)], moment) == moment) {
        return;
    }
    const auto* ticked = std::find(kNotifiedEvents.begin(), kNotifiedEvents.end(), event);
    if (ticked != kNotifiedEvents.end() &&
        settings_.Notifications
            .Events[static_cast<std::size_t>(ticked - kNotifiedEvents.begin())]) {
        Send(EventNote(kind, event, state, clock_.Now()));
    }
}

void DesktopNotifier::WriteRefused(const std::string& text) {
    const NotificationSettings& on = settings_.Notifications;
    if (sink_ == nullptr ||
        (!on.Reminders && std::find(on.Events.begin(), on.Events.end(), true) == on.Events.end())) {
        return;
    }
    const std::weak_ptr<State> alive = state_;
    sink_->Send(DesktopNotification{kSingles, "Kestro", text}, 0,
                [this, alive](const Result& sent, uint32_t) {
                    if (const std::shared_ptr<State> state = alive.lock(); state && !sent) {
                        TellNoService(*state, log_, sent);
                    }
                });
}

void DesktopNotifier::TellNoService(State& state, Log& log, const Result& sent) {
    if (!std::exchange(state.noServiceTold, true)) {
        log.AddLogLine(Utf8ToCp932Lossy(sent.Telling(kNoServiceLine).Line()));
    }
}

void DesktopNotifier::Tick() {
    if (heldBack_ && clock_.Now() >= *urgentUntil_) {
        urgentUntil_.reset();
        Send(*std::exchange(heldBack_, std::nullopt));
    }
}

void DesktopNotifier::Send(DesktopNotification note) {
    if (sink_ == nullptr) {
        return;
    }
    if (sink_->OnePlace()) {
        const Instant now = clock_.Now();
        if (note.urgent) {
            urgentUntil_ = now + kUrgentUp;
        } else if (urgentUntil_ && now < *urgentUntil_) {
            heldBack_ = std::move(note);
            return;
        }
    }
    Shown& shown = state_->places[PlaceOf(note)];
    // The id of the last notification in this place is still to come: the
    // newest waits for it, so that it takes that one's place.
    if (shown.waiting) {
        shown.next = std::move(note);
        return;
    }
    SendNow(std::move(note));
}

void DesktopNotifier::SendNow(DesktopNotification note) {
    const std::size_t place = PlaceOf(note);
    Shown& shown = state_->places[place];
    shown.waiting = true;
    const std::weak_ptr<State> alive = state_;
    sink_->Send(note, shown.id, [this, alive, place](const Result& sent, uint32_t id) {
        const std::shared_ptr<State> state = alive.lock();
        if (!state) {
            return;  // the notifier is gone
        }
        Shown& answered = state->places[place];
        answered.waiting = false;
        if (sent) {
            answered.id = id;
        } else {
            TellNoService(*state, log_, sent);
        }
        if (answered.next && sink_ != nullptr) {
            SendNow(*std::exchange(answered.next, std::nullopt));
        }
    });
}

}  // namespace kestro
