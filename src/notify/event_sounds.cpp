#include "notify/event_sounds.h"

#include <string>

#include "common/race_types.h"

namespace kestro {
namespace {

namespace rs = race_status;
using V = TicketVerdict;

// At a confirmed result a race without a ticket still asks the player to look,
// and NeedCheck stays silent because the final result is still to come.
std::optional<SoundEvent> ConfirmedSound(V verdict) {
    switch (verdict) {
        case V::NoTicket:
            return SoundEvent::ResultNeedCheck;
        case V::Defeat:
            return SoundEvent::ResultDefeat;
        case V::Win:
            return SoundEvent::ResultWin;
        case V::NeedCheck:
            break;
    }
    return std::nullopt;
}

std::optional<SoundEvent> SinglesSound(RaceStatus status, std::string_view currentMap, V verdict) {
    switch (status) {
        case rs::SWaitAccepting:
            return SoundEvent::RaceStartWaitAcceptingS;
        case rs::SAccepting:
            // No acceptance call while standing on the track itself.
            if (currentMap != kSinglesTrackMap) {
                return SoundEvent::RaceAcceptingS;
            }
            return std::nullopt;
        case rs::SStartWaiting:
            return SoundEvent::RaceStartWaitingS;
        case rs::SRacing:
            return SoundEvent::RaceStart;
        case rs::SConfirmed:
            return ConfirmedSound(verdict);
        case rs::SClosingNotice:
            if (verdict == V::NoTicket) {
                return SoundEvent::ResultNeedCheck;
            }
            if (verdict == V::Win) {
                return SoundEvent::ResultWin;
            }
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

std::optional<SoundEvent> DoublesSound(RaceStatus status, std::string_view currentMap, V verdict) {
    switch (status) {
        case rs::DWaitAccepting:
            return SoundEvent::RaceStartWaitAcceptingD;
        case rs::DAccepting:
            if (currentMap != kDoublesTrackMap) {
                return SoundEvent::RaceAcceptingD;
            }
            return std::nullopt;
        case rs::DStartWaiting:
            return SoundEvent::RaceStartWaitingD;
        case rs::DRacing:
            return SoundEvent::RaceStart;
        case rs::DFirstPlaceDecided:
            // Only a sure loss is told at first place; the rest waits for second.
            if (verdict == V::Defeat) {
                return SoundEvent::ResultDefeat;
            }
            return std::nullopt;
        case rs::DConfirmed:
            return ConfirmedSound(verdict);
        case rs::DClosingNotice:
            if (verdict == V::NoTicket || verdict == V::NeedCheck) {
                return SoundEvent::ResultNeedCheck;
            }
            if (verdict == V::Win) {
                return SoundEvent::ResultWin;
            }
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

}  // namespace

std::optional<SoundEvent> ChooseEventSound(RaceKind kind, RaceStatus singlesStatus,
                                           RaceStatus doublesStatus, std::string_view currentMap,
                                           TicketVerdict verdict) {
    if (kind == kSingles) {
        return SinglesSound(singlesStatus, currentMap, verdict);
    }
    if (kind == kDoubles) {
        return DoublesSound(doublesStatus, currentMap, verdict);
    }
    return std::nullopt;
}

void EventSounds::PlayEventSound(RaceKind kind, RaceStatus singlesStatus, RaceStatus doublesStatus,
                                 std::string_view currentMap, TicketVerdict verdict) {
    if (!settings_.SoundEnabled) {
        return;
    }
    if (settings_.LogLevel & log_bits::Diagnostics) {
        std::string line = "InfoSound: CurrentMap(";
        line += currentMap;
        line += "), RaceType(" + std::to_string(kind) + "), SinglesRaceStatus(" +
                std::to_string(singlesStatus) + "), DoublesRaceStatus(" +
                std::to_string(doublesStatus) + ")";
        log_.AddLogLine(line);
    }
    const std::optional<SoundEvent> event =
        ChooseEventSound(kind, singlesStatus, doublesStatus, currentMap, verdict);
    if (event) {
        const SoundEventSetting& setting = settings_.Sound(*event);
        if (setting.Enabled && !setting.Sound.empty()) {
            player_.Play(setting.Sound);
            return;
        }
    }
    // The platform call is made in every case; an empty name keeps it silent.
    player_.Play(std::string());
}

}  // namespace kestro
