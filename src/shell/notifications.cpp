#include "shell/notifications.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "common/cp932.h"

namespace kestro {

namespace {

std::size_t Index(RaceKind kind) {
    return static_cast<std::size_t>(kind);
}

bool IsRace(RaceKind kind) {
    return kind == kSingles || kind == kDoubles;
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

DesktopNotifier::DesktopNotifier(const Settings& settings, Log& log)
    : settings_(settings), log_(log) {}

std::string DesktopNotifier::EventText(RaceKind kind, SoundEvent event) {
    return std::string(EventCaption(event)) + (kind == kSingles ? "(単勝)" : "(複勝)");
}

void DesktopNotifier::ReminderFired(const Reminder& reminder) {
    if (settings_.Notifications.Reminders) {
        // As the log says it, so that the two read alike.
        Send(reminder.kind, Cp932ToUtf8(reminder.text));
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
        Send(kind, EventText(kind, event));
    }
}

void DesktopNotifier::Send(RaceKind kind, std::string body) {
    if (sink_ == nullptr || !IsRace(kind)) {
        return;
    }
    DesktopNotification note{kind, kTitle, std::move(body)};
    Shown& shown = state_->races[Index(kind)];
    // The id of the race's last notification is still to come: the newest
    // waits for it, so that it takes that one's place.
    if (shown.waiting) {
        shown.next = std::move(note);
        return;
    }
    SendNow(std::move(note));
}

void DesktopNotifier::SendNow(DesktopNotification note) {
    const RaceKind kind = note.race;
    Shown& shown = state_->races[Index(kind)];
    shown.waiting = true;
    const std::weak_ptr<State> alive = state_;
    sink_->Send(
        note, shown.id, [this, alive, kind](std::optional<uint32_t> id, const std::string& reason) {
            const std::shared_ptr<State> state = alive.lock();
            if (!state) {
                return;  // the notifier is gone
            }
            Shown& answered = state->races[Index(kind)];
            answered.waiting = false;
            if (id) {
                answered.id = *id;
            } else if (!std::exchange(state->noServiceTold, true)) {
                const std::string line = kNoServiceLine;
                log_.AddLogLine(Utf8ToCp932Lossy(reason.empty() ? line : line + ": " + reason));
            }
            if (answered.next && sink_ != nullptr) {
                SendNow(*std::exchange(answered.next, std::nullopt));
            }
        });
}

}  // namespace kestro
