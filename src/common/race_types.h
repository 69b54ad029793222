// The one-byte codes shared by the race model, the sounds and the panel.
#pragma once

#include <cstdint>
#include <string_view>

namespace kestro {

// The maps the races are tied to: the two tracks and the town they are reached from.
inline constexpr std::string_view kSinglesTrackMap = "p_track01.gat";
inline constexpr std::string_view kDoublesTrackMap = "p_track02.gat";
inline constexpr std::string_view kTownMap = "hugel.gat";

// 0 = Singles, 1 = Doubles; any other value changes no race.
using RaceKind = int32_t;
constexpr RaceKind kSingles = 0;
constexpr RaceKind kDoubles = 1;

// One byte of CP932 text: '0' none, '1'..'6' runners, '?' held but unseen.
using TicketChar = uint8_t;

using RaceStatus = uint8_t;
namespace race_status {
constexpr RaceStatus Unknown = 0;
// Singles
constexpr RaceStatus SWaitAccepting = 1;
constexpr RaceStatus SAccepting = 2;
constexpr RaceStatus SStartWaiting = 3;
constexpr RaceStatus SRacing = 4;
constexpr RaceStatus SConfirmed = 5;
constexpr RaceStatus SPayingOut = 6;
constexpr RaceStatus SClosingNotice = 7;
// Doubles: the Singles codes plus 8 up to Racing, plus 9 from Confirmed on,
// because Doubles has the extra FirstPlaceDecided.
constexpr RaceStatus DWaitAccepting = 9;
constexpr RaceStatus DAccepting = 10;
constexpr RaceStatus DStartWaiting = 11;
constexpr RaceStatus DRacing = 12;
constexpr RaceStatus DFirstPlaceDecided = 13;
constexpr RaceStatus DConfirmed = 14;
constexpr RaceStatus DPayingOut = 15;
constexpr RaceStatus DClosingNotice = 16;
}  // namespace race_status

using ClockStatus = uint8_t;
namespace clock_status {
constexpr ClockStatus Unknown = 0;
constexpr ClockStatus SAcceptStart = 1;
constexpr ClockStatus SStartTime = 2;
constexpr ClockStatus SRaceTime = 3;
constexpr ClockStatus SExchangeDeadline = 4;
constexpr ClockStatus DAcceptStart = 5;
constexpr ClockStatus DStartTime = 6;
constexpr ClockStatus DRaceTime = 7;
constexpr ClockStatus DExchangeDeadline = 8;
}  // namespace clock_status

enum class TicketVerdict : uint8_t { NoTicket = 0, Defeat = 1, NeedCheck = 2, Win = 3 };

// How the player's ticket fared in a race whose result is known. Unknown: a
// ticket was held, but its runner was never seen (the player walked onto the
// track without a purchase heard).
enum class Verdict : uint8_t { NoTicket, Hit, Miss, Unknown };

// LogLevel bits.
namespace log_bits {
constexpr uint8_t Announcer = 1;
constexpr uint8_t Tickets = 2;
constexpr uint8_t MapChanges = 4;
constexpr uint8_t PacketTrace = 8;
constexpr uint8_t Diagnostics = 16;
// What a settings file without "LogLevel" logs; "Debug" adds the last two.
constexpr uint8_t Default = Announcer | Tickets | MapChanges;
constexpr uint8_t Debug = Default | PacketTrace | Diagnostics;
}  // namespace log_bits

}  // namespace kestro
