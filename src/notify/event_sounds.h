// Which sound a race event plays, and playing it. The caller passes the race
// statuses, the map the player stands on and the ticket verdict in, so this layer
// needs no race model.
#pragma once

#include <optional>
#include <string_view>

#include "common/race_types.h"
#include "notify/log.h"
#include "notify/sound_player.h"
#include "settings/settings.h"

namespace kestro {

// The event due for race `kind` in the given state, or none. `currentMap` silences
// the acceptance call on that race's own track; `verdict` is the verdict of the
// tickets of that same race.
std::optional<SoundEvent> ChooseEventSound(RaceKind kind, RaceStatus singlesStatus,
                                           RaceStatus doublesStatus, std::string_view currentMap,
                                           TicketVerdict verdict);

class EventSounds {
public:
    // settings is read at every call, so edits in the dialog apply at once.
    EventSounds(const Settings& settings, Log& log, SoundPlayer& player)
        : settings_(settings), log_(log), player_(player) {}

    // Plays the chosen event's file when it is switched on and has a path;
    // otherwise makes the silence call. Nothing at all with sounds off.
    void PlayEventSound(RaceKind kind, RaceStatus singlesStatus, RaceStatus doublesStatus,
                        std::string_view currentMap, TicketVerdict verdict);

private:
    const Settings& settings_;
    Log& log_;
    SoundPlayer& player_;
};

}  // namespace kestro
