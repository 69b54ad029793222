#include "race/race_state.h"

#include <array>

namespace kestro {
namespace {

constexpr std::string_view kUnknownCaption = "状態不明";

// Indexed by code; Singles 1..7, Doubles 9..16, 8 belongs to neither race.
constexpr std::array<std::string_view, 17> kRaceStatusCaptions = {
    kUnknownCaption,  // 0 Unknown
    "受付待ち",       // 1 WaitAccepting
    "受付中",         // 2 Accepting
    "発走待ち",       // 3 StartWaiting
    "レース中",       // 4 Racing
    "確定",           // 5 Confirmed
    "払戻し中",       // 6 PayingOut
    "終了案内",       // 7 ClosingNotice
    kUnknownCaption,  // 8
    "受付待ち",       // 9 WaitAccepting
    "受付中",         // 10 Accepting
    "発走待ち",       // 11 StartWaiting
    "レース中",       // 12 Racing
    "1位決定",        // 13 FirstPlaceDecided
    "確定",           // 14 Confirmed
    "払戻し中",       // 15 PayingOut
    "終了案内",       // 16 ClosingNotice
};

// Indexed by code; Singles 1..4, Doubles 5..8.
constexpr std::array<std::string_view, 9> kClockStatusCaptions = {
    kUnknownCaption, "受付開始", "発走時間", "タイム",   "交換締切",
    "受付開始",      "発走時間", "タイム",   "交換締切",
};

constexpr std::array<std::string_view, 6> kRunnerGlyphs = {"①", "②", "③", "④", "⑤", "⑥"};

}  // namespace

std::string_view RaceStatusCaption(RaceStatus status) {
    return status < kRaceStatusCaptions.size() ? kRaceStatusCaptions[status] : kUnknownCaption;
}

std::string_view ClockStatusCaption(ClockStatus status) {
    return status < kClockStatusCaptions.size() ? kClockStatusCaptions[status] : kUnknownCaption;
}

std::string_view TicketGlyph(TicketChar c) {
    if (c >= '1' && c <= '6') {
        return kRunnerGlyphs[c - '1'];
    }
    return "×";
}

TicketVerdict EvaluateTickets(const RaceState& state, RaceKind kind) {
    if (kind == kSingles) {
        if (state.TicketSingle == '0') {
            return TicketVerdict::NoTicket;
        }
        return state.ResultSingle == state.TicketSingle ? TicketVerdict::Win
                                                        : TicketVerdict::Defeat;
    }
    if (kind == kDoubles) {
        if (state.TicketDouble1 == '0' || state.TicketDouble2 == '0') {
            return TicketVerdict::NoTicket;
        }
        if (state.ResultDouble2 == '0') {
            const bool firstIsOurs = state.ResultDouble1 == state.TicketDouble1 ||
                                     state.ResultDouble1 == state.TicketDouble2;
            return firstIsOurs ? TicketVerdict::NeedCheck : TicketVerdict::Defeat;
        }
        // Both pairs are kept in ascending order, so a pairwise test is order-free.
        const bool won = state.ResultDouble1 == state.TicketDouble1 &&
                         state.ResultDouble2 == state.TicketDouble2;
        return won ? TicketVerdict::Win : TicketVerdict::Defeat;
    }
    return TicketVerdict::NoTicket;
}

}  // namespace kestro
