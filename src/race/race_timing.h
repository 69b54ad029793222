// The seconds the race cycle is built on, each named by what it measures from
// and carrying its sign: a negative offset lies before the base time (the
// predicted start), a positive one after it.
#pragma once

namespace kestro::race_timing {

// From now to the new base time, when a line sets it.
constexpr int kWaitAcceptingLead = 326;       // AnnounceWaitAccepting: base := now + 326
constexpr int kSinglesNextStart = 637;        // ConfirmResult, Singles
constexpr int kDoublesNextStart = 630;        // ConfirmResult, Doubles
constexpr int kSinglesPayOutNextStart = 636;  // EnterPayingOut, result missed
constexpr int kDoublesPayOutNextStart = 629;

// From the base time; the timer rules compare now with base + offset.
constexpr int kGiveUpAfter = 900;             // rule 1: base + 900
constexpr int kSinglesPayOutFromBase = -627;  // rule 2: 10 s after ConfirmResult
constexpr int kDoublesPayOutFromBase = -620;
constexpr int kStartWaitingFrom = -30;    // rule 4
constexpr int kAcceptingFrom = -306;      // rule 5, and the "受付開始" clock
constexpr int kWaitAcceptingFrom = -329;  // rule 6
constexpr int kExchangeDeadline = -330;   // the "交換締切" clock

}  // namespace kestro::race_timing
