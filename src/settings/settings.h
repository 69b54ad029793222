// The settings the main window holds in memory, named by their INI keys.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/race_types.h"

namespace kestro {

// The sound events in the order of the settings file.
enum class SoundEvent : int {
    ServerMessage,
    ServerMessageGodEquip,
    ServerMessageRace,
    RaceStartWaitAcceptingS,
    RaceAcceptingS,
    RaceStartWaitingS,
    RaceStartWaitAcceptingD,
    RaceAcceptingD,
    RaceStartWaitingD,
    RaceStart,
    ResultWin,
    ResultDefeat,
    ResultNeedCheck,
};
constexpr int kSoundEventCount = 13;

struct SoundEventInfo {
    std::string_view stem;         // e.g. "RaceStart"
    std::string_view enabledKey;   // e.g. "RaceStartEnabled"
    std::string_view soundKey;     // e.g. "RaceStartSound"
    std::string_view defaultPath;  // e.g. "%SystemRoot%\\Media\\chimes.wav"
};
const SoundEventInfo& SoundEventInfoOf(SoundEvent event);

struct SoundEventSetting {
    bool Enabled = false;
    std::string Sound;
};

struct Settings {
    int32_t OpenCount = 1;
    bool SaveFormSize = true;
    bool RealtimeUpdate = false;
    uint8_t LogLevel = log_bits::Default;
    bool Debug = false;
    int32_t AdapterIndex = -1;
    // The adapter's device name: it survives adapters appearing before it in
    // the list, which the index does not. Empty in files written before it.
    std::string AdapterName;
    bool SoundEnabled = false;
    std::array<SoundEventSetting, kSoundEventCount> Sounds{};
    // Section "History": whether confirmed results are written to the history file.
    bool KeepHistory = true;

    SoundEventSetting& Sound(SoundEvent e) { return Sounds[static_cast<int>(e)]; }
    const SoundEventSetting& Sound(SoundEvent e) const { return Sounds[static_cast<int>(e)]; }
};

}  // namespace kestro
