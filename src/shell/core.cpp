#include "shell/core.h"

#include <chrono>
#include <cmath>
#include <string_view>

#include "common/cp932.h"
#include "game/handlers.h"
#include "race/classifier.h"
#include "race/race_engine.h"
#include "race/race_state.h"

namespace kestro {

namespace {

// Tickets are sold in the five minutes before a start and the result follows
// about a minute after it, while a race of the same kind comes round at most
// every 630 s: a ticket older than this belongs to a race whose result was missed.
constexpr std::chrono::seconds kTicketBelongs{600};

bool IsRunner(TicketChar c) {
    return c >= '1' && c <= '6';
}

// A ticket as the history writes it: a runner, '0' for none, '?' for any
// byte that names no runner (the track entered without a purchase heard).
char TicketCell(TicketChar c) {
    return IsRunner(c) || c == '0' ? static_cast<char>(c) : '?';
}

}  // namespace

KestroCore::KestroCore(const Clock& clock, CoreView& view, SoundPlayer& player)
    : clock_(clock),
      view_(view),
      log_(clock, view),
      engine_(std::make_unique<RaceEngine>(clock, settings_, log_, player,
                                           [&view] { view.RefreshPanel(); })),
      reminders_(clock, settings_, log_, player),
      decoder_(*this, log_, settings_.LogLevel) {
    // The replay never shows a window: its races start from the same reset.
    ResetRaceState();
    engine_->SetResultListener([this](RaceKind kind, TicketChar winner, TicketChar second) {
        RecordResult(kind, winner, second);
        reminders_.NoteResult(Race(), kind);
    });
    reminders_.SetFiredListener(
        [&view](const Reminder& reminder) { view.ReminderFired(reminder); });
    engine_->SetEventListener(
        [&view](RaceKind kind, SoundEvent event) { view.RaceEventDue(kind, event); });
}

KestroCore::~KestroCore() = default;

const RaceState& KestroCore::Race() const {
    return engine_->State();
}

void KestroCore::RealTimeTimer() {
    engine_->RealTimeTimer();
    // After the rules: a reminder speaks of the timetable as this tick left it.
    reminders_.Check(Race());
    // A race its timer gave up predicts nothing any more, confirmed or not.
    DropUnconfirmed({Race().SinglesStatus == race_status::Unknown,
                     Race().DoublesStatus == race_status::Unknown});
}

void KestroCore::DropUnconfirmed(const std::array<bool, 2>& races) {
    bool changed = false;
    for (std::size_t i = 0; i < races.size(); ++i) {
        if (races[i] && unconfirmed_[i]) {
            unconfirmed_[i] = false;
            changed = true;
        }
    }
    if (changed) {
        view_.UnconfirmedChanged();
    }
}

bool KestroCore::FollowsRace() const {
    return Race().SinglesStatus != race_status::Unknown ||
           Race().DoublesStatus != race_status::Unknown;
}

void KestroCore::ResetRaceState() {
    RaceState& state = engine_->State();
    state.Reset();
    // A base time not yet set by any announcer line is the date-time 0, midnight at the start
    // of 1899-12-30 in local time, and a purchase heard before any line shows it: "00:00:00",
    // with a countdown that runs from there. Local midnight, not the timeline's zero, whatever
    // the zone.
    const Instant now = clock_.Now();
    const auto sinceLocalZero = Micros(std::llround(clock_.LocalTime(now) * kSecondsPerDay * 1e6));
    state.SinglesBaseTime = now - sinceLocalZero;
    state.DoublesBaseTime = state.SinglesBaseTime;
}

PanelTexts KestroCore::Panel(std::string_view thousandsSeparator) const {
    return ComputePanelTexts(Race(), PacketCount(), clock_, thousandsSeparator);
}

void KestroCore::HandleMapChange(const std::string& mapName) {
    const std::string before = Race().CurrentMap;
    kestro::HandleMapChange(*engine_, mapName);
    // Walking onto a track takes a ticket to be held there (the handler's '?').
    if (mapName != before && mapName == kSinglesTrackMap) {
        TicketSeen(kSingles);
    } else if (mapName != before && mapName == kDoublesTrackMap) {
        TicketSeen(kDoubles);
    }
}

void KestroCore::HandleTicketPurchase(uint8_t kind, uint8_t runner, uint8_t second) {
    kestro::HandleTicketPurchase(*engine_, kind, runner, second);
    if (kind == kSingles || kind == kDoubles) {
        TicketSeen(kind);
    }
}

// Only a whole result is kept: a Doubles result whose first finisher was
// missed, or a runner byte that names no runner, was not really heard.
void KestroCore::RecordResult(RaceKind kind, TicketChar winner, TicketChar second) {
    const std::size_t index = static_cast<std::size_t>(kind);
    const std::optional<Instant> ticketAt = ticketSeenAt_[index];
    ticketSeenAt_[index].reset();
    const bool doubles = kind == kDoubles;
    const bool whole = IsRunner(winner) && (doubles ? IsRunner(second) && second != winner : true);
    if (!whole) {
        return;
    }
    RaceRecord record;
    const Instant now = clock_.Now();
    record.when = clock_.LocalTime(now);
    record.kind = kind;
    record.winner = static_cast<char>(winner);
    record.second = doubles ? static_cast<char>(second) : '0';
    const bool held = ticketAt && *ticketAt + kTicketBelongs >= now;
    const TicketVerdict verdict = EvaluateTickets(Race(), kind);
    if (held && verdict != TicketVerdict::NoTicket) {
        record.ticket1 = TicketCell(doubles ? Race().TicketDouble1 : Race().TicketSingle);
        record.ticket2 = doubles ? TicketCell(Race().TicketDouble2) : '0';
        if (record.ticket1 == '?' || record.ticket2 == '?') {
            record.verdict = Verdict::Unknown;
        } else {
            record.verdict = verdict == TicketVerdict::Win ? Verdict::Hit : Verdict::Miss;
        }
    }
    history_.SetKeeping(settings_.KeepHistory);
    if (const Result added = history_.Add(record); !added) {
        view_.ReportRefusedWrite(added);
    }
    view_.ResultCounted();
}

void KestroCore::HandleAnnouncement(const std::string& text) {
    engine_->TakeHeard();  // what the timer's pay-out did is no line
    kestro::HandleAnnouncement(*engine_, text);
    DropUnconfirmed(engine_->TakeHeard());
}

// Another world keeps another timetable: nothing of this one's races holds
// there, so they start from scratch, as at the show.
void KestroCore::HandleServerChange(const std::string& server) {
    static const std::string prefix = Utf8ToCp932("サーバー切替: ");
    log_.ShowStatusMessage(prefix + server);
    ResetRaceState();
    ticketSeenAt_ = {};
    DropUnconfirmed({true, true});
    engine_->RefreshPanel();
}

}  // namespace kestro
