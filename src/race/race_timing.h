// The seconds the race cycle is built on. Each name says on which side of its
// anchor (now, or the race's base time) the moment lies; all values are positive.
#pragma once

namespace kestro::race_timing {
constexpr int kWaitAcceptingLeadAfterNow = 326;  // AnnounceWaitAccepting: base := now + 326
constexpr int kSinglesNextStartAfterNow = 637;   // ConfirmResult, Singles
constexpr int kDoublesNextStartAfterNow = 630;   // ConfirmResult, Doubles
// EnterPayingOut with the result missed: the pay-out line is the anchor then.
constexpr int kSinglesPayOutNextStartAfterNow = 636;
constexpr int kDoublesPayOutNextStartAfterNow = 629;
constexpr int kGiveUpAfterBase = 900;             // rule 1
constexpr int kSinglesPayOutBeforeBase = 627;     // rule 2: 10 s after ConfirmResult
constexpr int kDoublesPayOutBeforeBase = 620;     // rule 2: 10 s after ConfirmResult
constexpr int kStartWaitingBeforeBase = 30;       // rule 4
constexpr int kAcceptingBeforeBase = 306;         // rule 5, and the "受付開始" clock
constexpr int kWaitAcceptingBeforeBase = 329;     // rule 6
constexpr int kExchangeDeadlineBeforeBase = 330;  // the "交換締切" clock, a second before rule 6
}  // namespace kestro::race_timing
