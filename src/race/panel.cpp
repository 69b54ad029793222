#include "race/panel.h"

#include <array>
#include <chrono>
#include <cstdlib>

#include "race/race_engine.h"
#include "race/race_state.h"

namespace kestro {
namespace {

namespace cs = clock_status;
namespace rt = race_timing;

constexpr std::string_view kNoClock = "--:--:--";
constexpr std::string_view kNoCountdown = "-:--";

constexpr std::array<std::string_view, kPanelFieldCount> kFieldNames = {
    "txtStatusSingle",      "txtStatusDouble",   "txtClockStatusSingle", "txtClockStatusDouble",
    "txtClockNow",          "txtClockSingle",    "txtClockDouble",       "txtClockRemainSingle",
    "txtClockRemainDouble", "txtTicketSingle",   "txtTicketDouble1",     "txtTicketDouble2",
    "txtResultSingle",      "txtResultDouble1",  "txtResultDouble2",     "txtResult2Single",
    "txtResult2Double1",    "txtResult2Double2",
};

// What a clock status shows, independent of which race's row it stands in:
// codes 1..4 read the Singles base time, 5..8 the Doubles one.
enum class ClockKind { None, AcceptStart, StartTime, RaceTime, ExchangeDeadline };

ClockKind KindOf(ClockStatus status) {
    switch (status) {
        case cs::SAcceptStart:
        case cs::DAcceptStart:
            return ClockKind::AcceptStart;
        case cs::SStartTime:
        case cs::DStartTime:
            return ClockKind::StartTime;
        case cs::SRaceTime:
        case cs::DRaceTime:
            return ClockKind::RaceTime;
        case cs::SExchangeDeadline:
        case cs::DExchangeDeadline:
            return ClockKind::ExchangeDeadline;
        default:
            return ClockKind::None;
    }
}

Instant BaseFor(const RaceState& state, ClockStatus status) {
    return status <= cs::SExchangeDeadline ? state.SinglesBaseTime : state.DoublesBaseTime;
}

Instant SecondsBefore(Instant t, int seconds) {
    return t - std::chrono::seconds(seconds);
}

}  // namespace

std::string_view PanelFieldName(PanelField field) {
    const int index = static_cast<int>(field);
    return index >= 0 && index < kPanelFieldCount ? kFieldNames[index] : std::string_view();
}

std::string ClockText(const RaceState& state, ClockStatus clockStatus, const Clock& clock,
                      Instant now) {
    const Instant base = BaseFor(state, clockStatus);
    switch (KindOf(clockStatus)) {
        case ClockKind::AcceptStart:
            return FormatHhNnSs(clock.LocalTime(SecondsBefore(base, rt::kAcceptingBeforeBase)));
        case ClockKind::StartTime:
            return FormatHhNnSs(clock.LocalTime(base));
        case ClockKind::RaceTime:
            return FormatHhNnSs(now - base);
        case ClockKind::ExchangeDeadline:
            return FormatHhNnSs(
                clock.LocalTime(SecondsBefore(base, rt::kExchangeDeadlineBeforeBase)));
        case ClockKind::None:
            break;
    }
    return std::string(kNoClock);
}

std::string ClockRemainText(const RaceState& state, ClockStatus clockStatus, Instant now) {
    // A countdown past its target loses its sign and counts up again.
    if (const std::optional<ClockMoment> target = ClockTarget(state, clockStatus)) {
        return FormatNSs(target->at - now);
    }
    return std::string(kNoCountdown);
}

std::optional<ClockMoment> ClockTarget(const RaceState& state, ClockStatus clockStatus) {
    const Instant base = BaseFor(state, clockStatus);
    switch (KindOf(clockStatus)) {
        case ClockKind::AcceptStart:
            return ClockMoment{ReminderMoment::AcceptStart,
                               SecondsBefore(base, rt::kAcceptingBeforeBase)};
        case ClockKind::StartTime:
            return ClockMoment{ReminderMoment::Start, base};
        case ClockKind::ExchangeDeadline:
            return ClockMoment{ReminderMoment::ExchangeDeadline,
                               SecondsBefore(base, rt::kExchangeDeadlineBeforeBase)};
        case ClockKind::RaceTime:
        case ClockKind::None:
            break;
    }
    return std::nullopt;
}

std::string FormatPacketCount(int32_t count, std::string_view thousandsSeparator) {
    const int64_t value = count;  // INT32_MIN has no positive int32 counterpart
    const std::string digits = std::to_string(std::llabs(value));
    std::string out = value < 0 ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            out += thousandsSeparator;
        }
        out += digits[i];
    }
    return out;
}

PanelTexts ComputePanelTexts(const RaceState& state, int32_t packetCount, const Clock& clock,
                             std::string_view thousandsSeparator) {
    using F = PanelField;
    const Instant now = clock.Now();
    PanelTexts t;
    t[F::txtStatusSingle] = RaceStatusCaption(state.SinglesStatus);
    t[F::txtStatusDouble] = RaceStatusCaption(state.DoublesStatus);
    t[F::txtClockStatusSingle] = ClockStatusCaption(state.SinglesClockStatus);
    t[F::txtClockStatusDouble] = ClockStatusCaption(state.DoublesClockStatus);
    t[F::txtClockNow] = FormatHhNnSs(clock.LocalTime(now));
    t[F::txtClockSingle] = ClockText(state, state.SinglesClockStatus, clock, now);
    t[F::txtClockDouble] = ClockText(state, state.DoublesClockStatus, clock, now);
    t[F::txtClockRemainSingle] = ClockRemainText(state, state.SinglesClockStatus, now);
    t[F::txtClockRemainDouble] = ClockRemainText(state, state.DoublesClockStatus, now);
    t[F::txtTicketSingle] = TicketGlyph(state.TicketSingle);
    t[F::txtTicketDouble1] = TicketGlyph(state.TicketDouble1);
    t[F::txtTicketDouble2] = TicketGlyph(state.TicketDouble2);
    t[F::txtResultSingle] = TicketGlyph(state.ResultSingle);
    t[F::txtResultDouble1] = TicketGlyph(state.ResultDouble1);
    t[F::txtResultDouble2] = TicketGlyph(state.ResultDouble2);
    t[F::txtResult2Single] = TicketGlyph(state.PrevResultSingle);
    t[F::txtResult2Double1] = TicketGlyph(state.PrevResultDouble1);
    t[F::txtResult2Double2] = TicketGlyph(state.PrevResultDouble2);
    t.packetCount = FormatPacketCount(packetCount, thousandsSeparator);
    return t;
}

}  // namespace kestro
