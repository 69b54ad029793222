#include "race/player_record.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>

namespace kestro {
namespace {

// Plays an evening on a record, written as "SECONDS EVENT; ...": Bn (a ticket
// on n; Bnm a Doubles pair), T (onto the track), S (a start), A (acceptance
// opens), G (given up), Rn or Rnm (the result, in finishing order). Returns
// what the record said on the way (R=TICKET:VERDICT, R=again for a result
// heard again, T=held or T=?) and what it holds at the end.
std::string Play(RaceKind kind, const std::string& script) {
    PlayerRecord record;
    const Instant evening{std::chrono::hours(24 * 365 * 39)};
    Instant now = evening;
    std::string said;
    std::istringstream steps(script);
    std::string step;
    while (std::getline(steps, step, ';')) {
        std::istringstream words(step);
        int at = 0;
        std::string event;
        words >> at >> event;
        now = evening + std::chrono::seconds(at);
        const auto runner = [&event](std::size_t i) {
            return static_cast<TicketChar>(event.size() > i ? event[i] : '0');
        };
        switch (event[0]) {
            case 'B':
                record.TicketBought(kind, runner(1), runner(2), now);
                break;
            case 'T':
                said += record.TrackEntered(kind, now) ? "T=held " : "T=? ";
                break;
            case 'S':
                record.RaceStarted(kind, now);
                break;
            case 'A':
                record.AcceptanceEntered(kind);
                break;
            case 'G':
                record.GivenUp(kind);
                break;
            case 'R':
                if (const auto outcome = record.ResultHeard(kind, runner(1), runner(2), now)) {
                    said += "R=" + std::string(1, static_cast<char>(outcome->ticket1));
                    if (kind == kDoubles) {
                        said += static_cast<char>(outcome->ticket2);
                    }
                    const char* words[] = {"none", "hit", "miss", "unknown"};
                    said += std::string(":") + words[static_cast<int>(outcome->verdict)] + " ";
                } else {
                    said += "R=again ";
                }
                break;
        }
    }
    said += "held=" + std::to_string(record.HoldsTicket(kind, now)) +
            " come=" + std::to_string(record.HoldsTicketForRaceToCome(kind, now)) +
            " won=" + record.WonTicket(kind).value_or("-");
    return said;
}

// Which race a ticket belongs to, the one rule the engine's '?', the
// reminders, the history and the notifications all read.
TEST(PlayerRecordTest, ATicketBelongsToTheFirstStartAfterItsPurchase) {
    const struct {
        const char* why;
        RaceKind kind;
        const char* script;
        const char* said;
    } cases[] = {
        {"bought before the start, won", kSingles, "0 B4; 100 S; 160 R4",
         "R=4:hit held=1 come=0 won=④"},
        {"a second purchase replaces the first", kSingles, "0 B4; 30 B2; 60 S; 120 R4",
         "R=2:miss held=1 come=0 won=-"},
        {"bought while the last race, its result missed, still runs", kSingles,
         "0 S; 460 B5; 522 A; 600 T; 630 T; 702 S; 765 R5",
         "T=held T=held R=5:hit held=1 come=0 won=⑤"},
        {"the race it was for given up, the next accepting", kSingles, "0 B2; 60 S; 960 G; 1320 A",
         "held=0 come=0 won=-"},
        {"bought after the result: the next race's", kSingles, "0 S; 60 R4; 90 B4",
         "R=0:none held=1 come=1 won=-"},
        {"the same result line again", kSingles, "0 B3; 60 S; 120 R3; 122 R3",
         "R=3:hit R=again held=1 come=0 won=③"},
        {"another result line, no start between: the first stands", kSingles,
         "0 B3; 60 S; 120 R3; 199 R5", "R=3:hit R=again held=1 come=0 won=③"},
        {"the track's and the town's start lines", kSingles, "0 B2; 60 S; 65 S; 120 R2",
         "R=2:hit held=1 come=0 won=②"},
        {"a start long after the last, its result missed", kSingles, "0 B2; 60 S; 700 S; 760 R2",
         "R=0:none held=0 come=0 won=-"},
        {"a result long after the start seen", kSingles, "0 B2; 60 S; 720 R2",
         "R=0:none held=0 come=0 won=-"},
        {"start missed, the result a cycle after the purchase", kSingles, "0 B2; 700 R2",
         "R=2:hit held=1 come=0 won=②"},
        {"start and result missed, a result long after", kSingles, "0 B2; 1000 R2",
         "R=0:none held=0 come=0 won=-"},
        {"an unstarted ticket long ago is no longer held", kSingles, "0 B2; 901 A",
         "held=0 come=0 won=-"},
        {"acceptance keeps a ticket not yet run", kSingles, "0 B4; 10 A; 20 A",
         "held=1 come=1 won=-"},
        {"held through its result until the next acceptance", kSingles,
         "0 B4; 60 S; 120 R1; 130 T; 400 A; 410 T", "R=4:miss T=held T=? held=1 come=1 won=-"},
        {"onto the track during the race: its runner unseen", kSingles, "0 S; 30 T; 90 R4",
         "T=? R=?:unknown held=1 come=0 won=-"},
        {"onto the track after the result: the next race's", kSingles, "0 S; 60 R4; 90 T",
         "R=0:none T=? held=1 come=1 won=-"},
        {"the won ticket forgotten when the next race runs", kSingles, "0 B4; 60 S; 120 R4; 757 S",
         "R=4:hit held=0 come=0 won=-"},
        {"the won ticket forgotten when the race is given up", kSingles,
         "0 B4; 60 S; 120 R4; 1657 G", "R=4:hit held=1 come=0 won=-"},
        {"a Doubles pair in the other finishing order", kDoubles, "0 B52; 60 S; 120 R52",
         "R=25:hit held=1 come=0 won=②-⑤"},
        {"a Doubles pair, one runner right", kDoubles, "0 B52; 60 S; 120 R53",
         "R=25:miss held=1 come=0 won=-"},
        {"Doubles onto the track unseen", kDoubles, "0 T; 60 S; 120 R53",
         "T=? R=??:unknown held=1 come=0 won=-"},
        {"a kind that is no race", 2, "0 B4; 60 S; 120 R4", "R=again held=0 come=0 won=-"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Play(c.kind, c.script), c.said) << c.why;
    }
}

}  // namespace
}  // namespace kestro
