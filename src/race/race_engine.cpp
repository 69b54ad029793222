#include "race/race_engine.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <utility>

#include "common/cp932.h"

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

TDateTime& BaseTimeOf(RaceState& state, RaceKind kind) {
    return kind == kSingles ? state.SinglesBaseTime : state.DoublesBaseTime;
}

RaceStatus StatusOf(const RaceState& state, RaceKind kind) {
    return kind == kSingles ? state.SinglesStatus : state.DoublesStatus;
}

// Date-times are days in a double, so base + offset rarely lands exactly on the
// second it stands for. Comparing whole milliseconds keeps a tick that falls
// exactly on a boundary from counting as later than it.
int64_t ToMilliseconds(TDateTime t) {
    return std::llround(t * kSecondsPerDay * 1000.0);
}

bool IsLaterThan(TDateTime now, TDateTime base, int offsetSeconds) {
    return ToMilliseconds(now) > ToMilliseconds(base) + int64_t{offsetSeconds} * 1000;
}

const std::string& RaceText(RaceKind kind) {
    static const std::string singles = Utf8ToCp932("単勝");
    static const std::string doubles = Utf8ToCp932("複勝");
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
    // Acceptance is announced in town, so that is where the player is assumed.
    state_.CurrentMap = kTownMap;
    SetRaceStatus(kind, CodeFor(kind, rs::SWaitAccepting, rs::DWaitAccepting));
    SetClockStatus(kind, CodeFor(kind, cs::SAcceptStart, cs::DAcceptStart));
}

void RaceEngine::AnnounceWaitAccepting(RaceKind kind) {
    if (!IsRace(kind)) {
        return;
    }
    state_.CurrentMap = kTownMap;
    BaseTimeOf(state_, kind) = AddSeconds(clock_.Now(), rt::kWaitAcceptingLead);
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
    if (!IsRace(kind)) {
        return;
    }
    BaseTimeOf(state_, kind) = AddSeconds(clock_.Now(), minutes * 60.0);
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
    if (!IsRace(kind)) {
        return;
    }
    const TDateTime t = clock_.Now();
    // The track and the town both announce the start: only the first one heard
    // rotates the results and anchors the start time.
    if (kind == kSingles) {
        if (state_.SinglesStatus != rs::SRacing) {
            state_.PrevResultSingle = state_.ResultSingle;
            state_.ResultSingle = '0';
            state_.SinglesBaseTime = t;
        }
    } else if (state_.DoublesStatus != rs::DRacing &&
               state_.DoublesStatus != rs::DFirstPlaceDecided) {
        state_.PrevResultDouble1 = state_.ResultDouble1;
        state_.ResultDouble1 = '0';
        state_.PrevResultDouble2 = state_.ResultDouble2;
        state_.ResultDouble2 = '0';
        state_.DoublesBaseTime = t;
    }
    EnterRacing(kind);
    PlayEventSound(kind);
}

void RaceEngine::SetFirstFinisher(RaceKind kind, TicketChar runner) {
    if (kind == kSingles) {
        state_.ResultSingle = runner;
        ConfirmResult(kind);
        PlayEventSound(kind);
    } else if (kind == kDoubles) {
        state_.ResultDouble1 = runner;
        SetRaceStatus(kind, rs::DFirstPlaceDecided);
        SetClockStatus(kind, cs::DRaceTime);
        PlayEventSound(kind);
    }
}

void RaceEngine::SetSecondFinisher(RaceKind kind, TicketChar runner) {
    if (kind != kDoubles) {
        return;
    }
    // Results are kept in ascending order, as the tickets are.
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
    if (kind == kSingles) {
        result.push_back(static_cast<char>(state_.ResultSingle));
        SetRaceStatus(kind, rs::SConfirmed);
        SetClockStatus(kind, cs::SRaceTime);
        state_.SinglesBaseTime = AddSeconds(clock_.Now(), rt::kSinglesNextStart);
    } else {
        result.push_back(static_cast<char>(state_.ResultDouble1));
        result.push_back('-');
        result.push_back(static_cast<char>(state_.ResultDouble2));
        SetRaceStatus(kind, rs::DConfirmed);
        SetClockStatus(kind, cs::DRaceTime);
        state_.DoublesBaseTime = AddSeconds(clock_.Now(), rt::kDoublesNextStart);
    }
    PlayEventSound(kind);
    ShowPredictedStart(kind);
    // The result is the one line written whatever the log level.
    static const std::string prefix = Utf8ToCp932("順位確定(");
    log_.ShowStatusMessage(prefix + RaceText(kind) + "): " + result);
}

void RaceEngine::EnterPayingOut(RaceKind kind) {
    if (!IsRace(kind)) {
        return;
    }
    // A pay-out line after a confirmed result keeps the prediction made then;
    // otherwise the result was missed and the pay-out line is the anchor.
    if (kind == kSingles) {
        if (state_.SinglesStatus != rs::SConfirmed) {
            state_.SinglesBaseTime = AddSeconds(clock_.Now(), rt::kSinglesPayOutNextStart);
        }
    } else if (state_.DoublesStatus != rs::DConfirmed) {
        state_.DoublesBaseTime = AddSeconds(clock_.Now(), rt::kDoublesPayOutNextStart);
    }
    SetRaceStatus(kind, CodeFor(kind, rs::SPayingOut, rs::DPayingOut));
    SetClockStatus(kind, CodeFor(kind, cs::SExchangeDeadline, cs::DExchangeDeadline));
}

void RaceEngine::EnterClosingNotice(RaceKind kind) {
    if (!IsRace(kind)) {
        return;
    }
    SetRaceStatus(kind, CodeFor(kind, rs::SClosingNotice, rs::DClosingNotice));
    SetClockStatus(kind, CodeFor(kind, cs::SExchangeDeadline, cs::DExchangeDeadline));
    PlayEventSound(kind);
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
    if (status == rs::Unknown) {
        return;
    }
    const TDateTime now = clock_.Now();
    const TDateTime base = BaseTimeOf(state_, kind);
    const bool confirmed = status == CodeFor(kind, rs::SConfirmed, rs::DConfirmed);
    const int payOutAfter = CodeFor(kind, rt::kSinglesPayOutFromBase, rt::kDoublesPayOutFromBase);

    if (IsLaterThan(now, base, rt::kGiveUpAfter)) {
        ResetRace(kind);
    } else if (confirmed && IsLaterThan(now, base, payOutAfter)) {
        EnterPayingOut(kind);
    } else if (IsLaterThan(now, base, 0)) {
        EnterRacing(kind);
    } else if (IsLaterThan(now, base, rt::kStartWaitingFrom)) {
        EnterStartWaiting(kind);
    } else if (IsLaterThan(now, base, rt::kAcceptingFrom)) {
        EnterAccepting(kind);
    } else if (IsLaterThan(now, base, rt::kWaitAcceptingFrom)) {
        EnterWaitAccepting(kind);
    }
}

void RaceEngine::ShowPredictedStart(RaceKind kind) {
    if (!(settings_.LogLevel & log_bits::Diagnostics) || !IsRace(kind)) {
        return;
    }
    static const std::string prefix = Utf8ToCp932("次回発走予想時刻(");
    log_.ShowStatusMessage(prefix + RaceText(kind) +
                           "): " + FormatHhMmSsZzz(BaseTimeOf(state_, kind)));
}

TicketVerdict RaceEngine::EvaluateTickets(RaceKind kind) const {
    return kestro::EvaluateTickets(state_, kind);
}

void RaceEngine::PlayEventSound(RaceKind kind) {
    sounds_.PlayEventSound(kind, state_.SinglesStatus, state_.DoublesStatus, state_.CurrentMap,
                           EvaluateTickets(kind));
}

void RaceEngine::RefreshPanel() {
    if (refreshPanel_) {
        refreshPanel_();
    }
}

}  // namespace kestro
