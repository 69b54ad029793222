#include "shell/core.h"

#include <chrono>
#include <cmath>
#include <string_view>
#include <utility>

#include "common/cp932.h"
#include "game/handlers.h"
#include "race/classifier.h"
#include "race/race_engine.h"
#include "race/race_state.h"

namespace kestro {

namespace {

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
    engine_->SetResultListener([this](const RaceOutcome& outcome) { RecordResult(outcome); });
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
    reminders_.Check(Race(), engine_->Record());
    // A race its timer gave up predicts nothing any more, confirmed or not.
    DropUnconfirmed({Race().SinglesStatus == race_status::Unknown,
                     Race().DoublesStatus == race_status::Unknown});
    // Results the history file refused are offered again each second: a
    // spreadsheet that held the file closed it, a disk was given room.
    RetryHistory();
}

void KestroCore::RetryHistory() {
    if (history_.Waiting() > 0) {
        TellHistoryWrite(history_.Retry());
    }
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
    engine_->Record() = PlayerRecord{};
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
    kestro::HandleMapChange(*engine_, mapName);
}

void KestroCore::HandleTicketPurchase(uint8_t kind, uint8_t runner, uint8_t second) {
    kestro::HandleTicketPurchase(*engine_, kind, runner, second);
}

// Only a whole result is kept: a Doubles result whose first finisher was
// missed, or a runner byte that names no runner, was not really heard.
void KestroCore::RecordResult(const RaceOutcome& outcome) {
    const bool doubles = outcome.kind == kDoubles;
    const bool whole =
        IsRunner(outcome.winner) &&
        (doubles ? IsRunner(outcome.second) && outcome.second != outcome.winner : true);
    if (!whole) {
        return;
    }
    RaceRecord record;
    record.when = clock_.LocalTime(clock_.Now());
    record.kind = outcome.kind;
    record.winner = static_cast<char>(outcome.winner);
    record.second = doubles ? static_cast<char>(outcome.second) : '0';
    record.verdict = outcome.verdict;
    if (outcome.verdict != Verdict::NoTicket) {
        record.ticket1 = TicketCell(outcome.ticket1);
        record.ticket2 = doubles ? TicketCell(outcome.ticket2) : '0';
    }
    history_.SetKeeping(settings_.KeepHistory);
    TellHistoryWrite(history_.Add(record));
    view_.ResultCounted();
}

// Whatever the file answers, the capture goes on at once: a refusal is the
// view's to tell, without a box, and the results wait for the next try.
void KestroCore::TellHistoryWrite(const Result& written) {
    if (!written) {
        historyRefused_ = true;
        view_.ReportRefusedWrite(written);
        return;
    }
    if (std::exchange(historyRefused_, false)) {
        log_.ShowStatusMessage(Utf8ToCp932Lossy(HistoryWrittenAgainMessage(history_.Path())));
        view_.RefusedWriteTaken(CannotWriteHistoryMessage(history_.Path()));
    }
}

void KestroCore::HandleAnnouncement(const std::string& text) {
    engine_->TakeHeard();  // what the timer's pay-out did is no line
    kestro::HandleAnnouncement(*engine_, text);
    DropUnconfirmed(engine_->TakeHeard());
}

// Another world keeps another timetable: nothing of this one's races holds
// there, so they start from scratch, as at the show, the player's record too.
void KestroCore::HandleServerChange(const std::string& server) {
    static const std::string prefix = Utf8ToCp932("サーバー切替: ");
    log_.ShowStatusMessage(prefix + server);
    ResetRaceState();
    DropUnconfirmed({true, true});
    engine_->RefreshPanel();
}

}  // namespace kestro
