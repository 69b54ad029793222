#include "shell/core.h"

#include <cmath>

#include "game/handlers.h"
#include "race/classifier.h"
#include "race/race_engine.h"
#include "race/race_state.h"

namespace kestro {

KestroCore::KestroCore(const Clock& clock, CoreView& view, SoundPlayer& player)
    : clock_(clock),
      log_(clock, view),
      engine_(std::make_unique<RaceEngine>(clock, settings_, log_, player,
                                           [&view] { view.RefreshPanel(); })),
      decoder_(*this, log_, settings_.LogLevel) {
    // The replay never shows a window: its races start from the same reset.
    ResetRaceState();
}

KestroCore::~KestroCore() = default;

const RaceState& KestroCore::Race() const {
    return engine_->State();
}

void KestroCore::RealTimeTimer() {
    engine_->RealTimeTimer();
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
    kestro::HandleMapChange(*engine_, mapName);
}

void KestroCore::HandleTicketPurchase(uint8_t kind, uint8_t runner, uint8_t second) {
    kestro::HandleTicketPurchase(*engine_, kind, runner, second);
}

void KestroCore::HandleAnnouncement(const std::string& text) {
    kestro::HandleAnnouncement(*engine_, text);
}

}  // namespace kestro
