#include "race/race_engine.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "common/cp932.h"
#include "common/race_names.h"

namespace kestro {
namespace {

namespace rs = race_status;
namespace cs = clock_status;
namespace rt = race_timing;

bool IsRace(RaceKind kind) {
    return kind == kSingles || kind == kDoubles;
}

// The same status has a different code in each race.
template <typename Code>
Code CodeFor(RaceKind kind, Code singles, Code doubles) {
    return kind == kSingles ? singles : doubles;
}

Instant& BaseTimeOf(RaceState& state, RaceKind kind) {
    return kind == kSingles ? state.SinglesBaseTime : state.DoublesBaseTime;
}

RaceStatus StatusOf(const RaceState& state, RaceKind kind) {
    return kind == kSingles ? state.SinglesStatus : state.DoublesStatus;
}

// Running, for Doubles also with the first finisher known: the start is behind us.
bool IsUnderwayStatus(RaceKind kind, RaceStatus status) {
    return kind == kSingles
               ? status == race_status::SRacing
               : status == race_status::DRacing || status == race_status::DFirstPlaceDecided;
}

bool IsUnderway(const RaceState& state, RaceKind kind) {
    return IsUnderwayStatus(kind, StatusOf(state, kind));
}

bool IsAcceptance(RaceKind kind, RaceStatus status) {
    return kind == kSingles ? status == rs::SWaitAccepting || status == rs::SAccepting
                            : status == rs::DWaitAccepting || status == rs::DAccepting;
}

// At the start the last race's result becomes the previous one.
void RotateResults(RaceState& state, RaceKind kind) {
    if (kind == kSingles) {
        state.PrevResultSingle = state.ResultSingle;
        state.ResultSingle = '0';
    } else {
        state.PrevResultDouble1 = state.ResultDouble1;
        state.ResultDouble1 = '0';
        state.PrevResultDouble2 = state.ResultDouble2;
        state.ResultDouble2 = '0';
    }
}

// Exact, to the microsecond: a tick on a boundary is not later than it, and
// one a fraction of a millisecond after it is.
bool IsLaterThan(Instant now, Instant base, int offsetSeconds) {
    return now > base + std::chrono::seconds(offsetSeconds);
}

Instant SecondsAfter(Instant t, int seconds) {
    return t + std::chrono::seconds(seconds);
}

const std::string& RaceText(RaceKind kind) {
    static const std::string singles = Utf8ToCp932(kSinglesName);
    static const std::string doubles = Utf8ToCp932(kDoublesName);
    return kind == kSingles ? singles : doubles;
}

}  // namespace

RaceEngine::RaceEngine(const Clock& clock, const Settings& settings, Log& log, SoundPlayer& player,
                       RefreshFn refreshPanel)
    : clock_(clock),
      settings_(settings),
      log_(log),
      sounds_(settings, log, player),
      refreshPanel_(std::move(refreshPanel)) {}

void RaceEngine::SetRaceStatus(RaceKind kind, RaceStatus status) {
    if (!IsRace(kind)) {
        return;
    }
    RaceStatus& field = kind == kSingles ? state_.SinglesStatus : state_.DoublesStatus;
    if (field != status) {
        // However the race got under way (a line, the timer, a finisher heard),
        // it has started; a new acceptance ends the cycle of a race that has
        // run; a race given up ends the exchange of the last winnings.
        if (IsUnderwayStatus(kind, status) && !IsUnderwayStatus(kind, field)) {
            record_.RaceStarted(kind, clock_.Now());
        } else if (IsAcceptance(kind, status)) {
            record_.AcceptanceEntered(kind);
        } else if (status == rs::Unknown) {
            record_.GivenUp(kind);
        }
        field = status;
        RefreshPanel();
    }
}

void RaceEngine::SetClockStatus(RaceKind kind, ClockStatus status) {
    if (!IsRace(kind)) {
        return;
    }
    ClockStatus& field = kind == kSingles ? state_.SinglesClockStatus : state_.DoublesClockStatus;
    if (field != status) {
        field = status;
        RefreshPanel();
    }
}

void RaceEngine::ResetRace(RaceKind kind) {
    if (!IsRace(kind)) {
        return;
    }
    // Base time, tickets and results stay: a line heard later re-anchors them.
    SetRaceStatus(kind, rs::Unknown);
    SetClockStatus(kind, cs::Unknown);
}

void RaceEngine::EnterWaitAccepting(RaceKind kind) {
    if (!IsRace(kind)) {
        return;
    }
    // The player's map stays: the timer comes here too, and a player who is
    // already on a track must not be moved back to town by the clock.
    SetRaceStatus(kind, CodeFor(kind, rs::SWaitAccepting, rs::DWaitAccepting));
    SetClockStatus(kind, CodeFor(kind, cs::SAcceptStart, cs::DAcceptStart));
}

void RaceEngine::AnnounceWaitAccepting(RaceKind kind) {
    Heard(kind);
    if (!IsRace(kind)) {
        return;
    }
    // This line is heard in town, so that is where the player is.
    state_.CurrentMap = kTownMap;
    BaseTimeOf(state_, kind) = SecondsAfter(clock_.Now(), rt::kWaitAcceptingLeadAfterNow);
    EnterWaitAccepting(kind);
    PlayEventSound(kind);
    ShowPredictedStart(kind);
}

void RaceEngine::EnterAccepting(RaceKind kind) {
    if (!IsRace(kind)) {
        return;
    }
    SetRaceStatus(kind, CodeFor(kind, rs::SAccepting, rs::DAccepting));
    SetClockStatus(kind, CodeFor(kind, cs::SStartTime, cs::DStartTime));
}

void RaceEngine::AnnounceAccepting(RaceKind kind, int32_t minutes) {
    Heard(kind);
    if (!IsRace(kind)) {
        return;
    }
    BaseTimeOf(state_, kind) = clock_.Now() + std::chrono::minutes(minutes);
    EnterAccepting(kind);
    PlayEventSound(kind);
    ShowPredictedStart(kind);
}

void RaceEngine::EnterStartWaiting(RaceKind kind) {
    if (!IsRace(kind)) {
        return;
    }
    SetRaceStatus(kind, CodeFor(kind, rs::SStartWaiting, rs::DStartWaiting));
    SetClockStatus(kind, CodeFor(kind, cs::SStartTime, cs::DStartTime));
    // Called at every tick of the last 30 s, so the sound repeats each second.
    PlayEventSound(kind);
}

void RaceEngine::EnterRacing(RaceKind kind) {
    if (!IsRace(kind)) {
        return;
    }
    SetRaceStatus(kind, CodeFor(kind, rs::SRacing, rs::DRacing));
    SetClockStatus(kind, CodeFor(kind, cs::SRaceTime, cs::DRaceTime));
}

void RaceEngine::AnnounceStart(RaceKind kind) {
    Heard(kind);
    if (!IsRace(kind)) {
        return;
    }
    const Instant t = clock_.Now();
    // The track and the town both announce the start, and the timer may have
    // started the race already: only the first of them rotates the results,
    // and only a line anchors the start time.
    if (!IsUnderway(state_, kind)) {
        RotateResults(state_, kind);
        BaseTimeOf(state_, kind) = t;
    }
    // Also while the race seems under way: the record tells a repeated line
    // from the start of a later race whose result was missed.
    record_.RaceStarted(kind, t);
    EnterRacing(kind);
    PlayEventSound(kind);
}

void RaceEngine::SetFirstFinisher(RaceKind kind, TicketChar runner) {
    Heard(kind);
    if (kind == kSingles) {
        state_.ResultSingle = runner;
        ConfirmResult(kind);
        // Twice in a row on purpose: ConfirmResult has played the result once.
        PlayEventSound(kind);
    } else if (kind == kDoubles) {
        state_.ResultDouble1 = runner;
        SetRaceStatus(kind, rs::DFirstPlaceDecided);
        SetClockStatus(kind, cs::DRaceTime);
        PlayEventSound(kind);
    }
}

void RaceEngine::SetSecondFinisher(RaceKind kind, TicketChar runner) {
    Heard(kind);
    if (kind != kDoubles) {
        return;
    }
    doublesWinner_ = state_.ResultDouble1;
    doublesSecond_ = runner;
    // Results are kept in ascending order, as the tickets are. A first finisher
    // that was missed stays '0' on purpose: the result shows it as unknown.
    if (runner < state_.ResultDouble1) {
        state_.ResultDouble2 = state_.ResultDouble1;
        state_.ResultDouble1 = runner;
    } else {
        state_.ResultDouble2 = runner;
    }
    ConfirmResult(kind);
    PlayEventSound(kind);
}

void RaceEngine::ConfirmResult(RaceKind kind) {
    if (!IsRace(kind)) {
        return;
    }
    std::string result;
    const TicketChar winner = kind == kSingles ? state_.ResultSingle : doublesWinner_;
    const TicketChar second = kind == kSingles ? '0' : doublesSecond_;
    // Before the sound: what is told in words after it reads the record.
    const std::optional<RaceOutcome> outcome =
        record_.ResultHeard(kind, winner, second, clock_.Now());
    if (kind == kSingles) {
        result.push_back(static_cast<char>(state_.ResultSingle));
        SetRaceStatus(kind, rs::SConfirmed);
        SetClockStatus(kind, cs::SRaceTime);
        state_.SinglesBaseTime = SecondsAfter(clock_.Now(), rt::kSinglesNextStartAfterNow);
    } else {
        result.push_back(static_cast<char>(state_.ResultDouble1));
        result.push_back('-');
        result.push_back(static_cast<char>(state_.ResultDouble2));
        SetRaceStatus(kind, rs::DConfirmed);
        SetClockStatus(kind, cs::DRaceTime);
        state_.DoublesBaseTime = SecondsAfter(clock_.Now(), rt::kDoublesNextStartAfterNow);
    }
    PlayEventSound(kind);
    ShowPredictedStart(kind);
    // The result is the one line written whatever the log level.
    static const std::string prefix = Utf8ToCp932("順位確定(");
    log_.ShowStatusMessage(prefix + RaceText(kind) + "): " + result);
    if (resultListener_ && outcome) {
        resultListener_(*outcome);
    }
    // A confirmation that no second finisher led to has no order to tell.
    doublesWinner_ = '0';
    doublesSecond_ = '0';
}

void RaceEngine::EnterPayingOut(RaceKind kind) {
    Heard(kind);
    if (!IsRace(kind)) {
        return;
    }
    // After a confirmed result, also once the timer has moved it on to paying
    // out, the prediction made at the result stands, however late this line is.
    // Otherwise the result was missed and this line is the anchor.
    const RaceStatus status = StatusOf(state_, kind);
    if (status != CodeFor(kind, rs::SConfirmed, rs::DConfirmed) &&
        status != CodeFor(kind, rs::SPayingOut, rs::DPayingOut)) {
        BaseTimeOf(state_, kind) =
            SecondsAfter(clock_.Now(), CodeFor(kind, rt::kSinglesPayOutNextStartAfterNow,
                                               rt::kDoublesPayOutNextStartAfterNow));
    }
    SetRaceStatus(kind, CodeFor(kind, rs::SPayingOut, rs::DPayingOut));
    SetClockStatus(kind, CodeFor(kind, cs::SExchangeDeadline, cs::DExchangeDeadline));
}

void RaceEngine::EnterClosingNotice(RaceKind kind) {
    Heard(kind);
    if (!IsRace(kind)) {
        return;
    }
    SetRaceStatus(kind, CodeFor(kind, rs::SClosingNotice, rs::DClosingNotice));
    SetClockStatus(kind, CodeFor(kind, cs::SExchangeDeadline, cs::DExchangeDeadline));
    PlayEventSound(kind);
}

void RaceEngine::Heard(RaceKind kind) {
    if (IsRace(kind)) {
        heard_[static_cast<std::size_t>(kind)] = true;
    }
}

std::array<bool, 2> RaceEngine::TakeHeard() {
    return std::exchange(heard_, {});
}

void RaceEngine::RealTimeTimer() {
    ApplyTimeRules(kSingles);
    ApplyTimeRules(kDoubles);
    // Also with both races unknown: the current time and countdowns move on.
    RefreshPanel();
}

// The rules keep no memory of earlier ticks: each tick applies the first rule
// that holds now, and the setters make the repeats invisible.
void RaceEngine::ApplyTimeRules(RaceKind kind) {
    const RaceStatus status = StatusOf(state_, kind);
    // Only a heard line or a packet starts following a race; the timer never
    // revives one it gave up.
    if (status == rs::Unknown) {
        return;
    }
    const Instant now = clock_.Now();
    const Instant base = BaseTimeOf(state_, kind);
    const bool confirmed = status == CodeFor(kind, rs::SConfirmed, rs::DConfirmed);
    const int payOutBefore =
        CodeFor(kind, rt::kSinglesPayOutBeforeBase, rt::kDoublesPayOutBeforeBase);

    if (IsLaterThan(now, base, rt::kGiveUpAfterBase)) {
        ResetRace(kind);  // give up
    } else if (status == rs::DFirstPlaceDecided) {
        // A finisher was heard, so the race has run whatever the prediction
        // says, even one that still lies ahead: only the second finisher or
        // giving up moves it on.
    } else if (confirmed && IsLaterThan(now, base, -payOutBefore)) {
        EnterPayingOut(kind);  // pay out
    } else if (IsLaterThan(now, base, 0)) {
        StartByTimer(kind);  // start
    } else if (IsLaterThan(now, base, -rt::kStartWaitingBeforeBase)) {
        EnterStartWaiting(kind);  // countdown
    } else if (IsLaterThan(now, base, -rt::kAcceptingBeforeBase)) {
        EnterAccepting(kind);  // open
    } else if (IsLaterThan(now, base, -rt::kWaitAcceptingBeforeBase)) {
        EnterWaitAccepting(kind);  // await
    }
}

// The predicted start has passed. The start line may come later or not at all,
// so the timer starts the race itself and moves the result to 前回 as the line
// would; the base time stays the prediction until a line anchors it.
void RaceEngine::StartByTimer(RaceKind kind) {
    if (!IsUnderway(state_, kind)) {
        RotateResults(state_, kind);
    }
    EnterRacing(kind);
}

void RaceEngine::ShowPredictedStart(RaceKind kind) {
    if (!(settings_.LogLevel & log_bits::Diagnostics) || !IsRace(kind)) {
        return;
    }
    static const std::string prefix = Utf8ToCp932("次回発走予想時刻(");
    log_.ShowStatusMessage(prefix + RaceText(kind) +
                           "): " + FormatHhMmSsZzz(clock_.LocalTime(BaseTimeOf(state_, kind))));
}

TicketVerdict RaceEngine::EvaluateTickets(RaceKind kind) const {
    return kestro::EvaluateTickets(state_, kind);
}

void RaceEngine::PlayEventSound(RaceKind kind) {
    const TicketVerdict verdict = EvaluateTickets(kind);
    if (eventListener_) {
        if (const std::optional<SoundEvent> event = ChooseEventSound(
                kind, state_.SinglesStatus, state_.DoublesStatus, state_.CurrentMap, verdict)) {
            eventListener_(kind, *event);
        }
    }
    sounds_.PlayEventSound(kind, state_.SinglesStatus, state_.DoublesStatus, state_.CurrentMap,
                           verdict);
}

void RaceEngine::RefreshPanel() {
    if (refreshPanel_) {
        refreshPanel_();
    }
}

}  // namespace kestro
