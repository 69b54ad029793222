#include "game/handlers.h"

#include "common/cp932.h"
#include "race/race_engine.h"
#include "race/race_state.h"

namespace kestro {

void HandleMapChange(RaceEngine& engine, const std::string& mapName) {
    RaceState& state = engine.State();
    if (mapName == state.CurrentMap) {
        return;
    }
    if (engine.GetSettings().LogLevel & log_bits::MapChanges) {
        static const std::string prefix = Utf8ToCp932("マップ移動: ");
        engine.GetLog().ShowStatusMessage(prefix + mapName);
    }
    // Walking off a track after its result means that race is over for the
    // player: the next one is awaited in town.
    if (state.CurrentMap == kSinglesTrackMap && (state.SinglesStatus == race_status::SConfirmed ||
                                                 state.SinglesStatus == race_status::SPayingOut)) {
        engine.EnterWaitAccepting(kSingles);
    } else if (state.CurrentMap == kDoublesTrackMap &&
               (state.DoublesStatus == race_status::DConfirmed ||
                state.DoublesStatus == race_status::DPayingOut)) {
        engine.EnterWaitAccepting(kDoubles);
    }
    // On a track the player may hold a ticket bought before we saw it. One
    // the record holds for this race's cycle is kept; otherwise it is unseen.
    const Instant now = engine.GetClock().Now();
    if (mapName == kSinglesTrackMap && !engine.Record().TrackEntered(kSingles, now)) {
        state.TicketSingle = '?';
    } else if (mapName == kDoublesTrackMap && !engine.Record().TrackEntered(kDoubles, now)) {
        state.TicketDouble1 = '?';
        state.TicketDouble2 = '?';
    }
    state.CurrentMap = mapName;
    engine.RefreshPanel();
}

void HandleTicketPurchase(RaceEngine& engine, uint8_t kind, uint8_t runner, uint8_t second) {
    RaceState& state = engine.State();
    const bool logTickets = engine.GetSettings().LogLevel & log_bits::Tickets;
    if (kind == kSingles) {
        state.TicketSingle = runner;
        engine.Record().TicketBought(kSingles, runner, '0', engine.GetClock().Now());
        // Tickets are sold on the track; no '?' and no transition from moving there.
        state.CurrentMap = kSinglesTrackMap;
        if (logTickets) {
            static const std::string prefix = Utf8ToCp932("チケット購入(シングルス): ");
            engine.GetLog().ShowStatusMessage(prefix + static_cast<char>(runner));
        }
        // Usually undone at the next tick (no recent base time, rule 1): a
        // purchase shows that a race is on, but only a heard line says when.
        if (state.SinglesStatus == race_status::Unknown) {
            engine.EnterAccepting(kSingles);
        }
    } else if (kind == kDoubles) {
        // Ascending, as the results are, so that a win is a pairwise match.
        state.TicketDouble1 = runner < second ? runner : second;
        state.TicketDouble2 = runner < second ? second : runner;
        engine.Record().TicketBought(kDoubles, runner, second, engine.GetClock().Now());
        state.CurrentMap = kDoublesTrackMap;
        // Runners are 1 to 6; any other byte is not a purchase worth telling.
        // The message keeps the order the player chose, not the sorted one.
        if (logTickets && second >= '1' && second <= '6') {
            static const std::string prefix = Utf8ToCp932("チケット購入(ダブルス): ");
            engine.GetLog().ShowStatusMessage(prefix + static_cast<char>(runner) + "-" +
                                              static_cast<char>(second));
        }
    }
    if (engine.GetSettings().RealtimeUpdate) {
        engine.RefreshPanel();
    }
}

}  // namespace kestro
