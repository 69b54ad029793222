#include "game/game_servers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestro {
namespace {

constexpr uint32_t kWorld1 = 0xC6336414;  // 198.51.100.20
constexpr uint32_t kWorld2 = 0xCB007114;  // 203.0.113.20
constexpr int64_t kMs = 1000;

PayloadOrigin From(uint32_t server, uint16_t clientPort, int64_t micros) {
    return OriginOf(server, kGameServerPort, 0xC000020A, clientPort, micros);
}

// One evening of several clients, step by step: whether each line reaches the
// races, and whether each of the player's events moves them to its world.
TEST(GameServersTest, ALineIsHeardOnceAcrossClientsAndOnlyFromTheWorldFollowed) {
    enum class Kind { Line, Act };
    struct Step {
        const char* what;
        Kind kind;
        PayloadOrigin from;
        std::string text;
        bool taken;  // a line heard, an act that changes the world
    };
    const int64_t window = GameServers::kSameLineMicros;
    const std::vector<Step> steps = {
        {"the first line of the first server heard", Kind::Line, From(kWorld1, 50000, 0), "A",
         true},
        {"its copy on a second client", Kind::Line, From(kWorld1, 50001, 30 * kMs), "A", false},
        {"and on a third", Kind::Line, From(kWorld1, 50002, 60 * kMs), "A", false},
        {"the first client hears it again: said again", Kind::Line, From(kWorld1, 50000, 100 * kMs),
         "A", true},
        {"the second client's copy of that", Kind::Line, From(kWorld1, 50001, 130 * kMs), "A",
         false},
        {"another text", Kind::Line, From(kWorld1, 50001, 140 * kMs), "B", true},
        {"the same text later than the window", Kind::Line,
         From(kWorld1, 50002, 100 * kMs + window + 1), "A", true},
        {"a copy just inside the window of that", Kind::Line,
         From(kWorld1, 50000, 100 * kMs + 2 * window + 1), "A", false},
        {"another world's line, while the first is followed", Kind::Line,
         From(kWorld2, 50100, 20 * window), "C", false},
        {"a client of the first world acts: nothing changes", Kind::Act,
         From(kWorld1, 50001, 20 * window), "", false},
        {"a client of the other world acts", Kind::Act, From(kWorld2, 50100, 20 * window), "",
         true},
        {"its lines are heard now, also one said in the first", Kind::Line,
         From(kWorld2, 50100, 20 * window + 1), "A", true},
        {"the first world's are not", Kind::Line, From(kWorld1, 50000, 20 * window + 2), "D",
         false},
        {"it acts again: no change", Kind::Act, From(kWorld2, 50100, 21 * window), "", false},
    };
    GameServers servers;
    for (const Step& step : steps) {
        const bool taken = step.kind == Kind::Line ? servers.TakeLine(step.from, step.text)
                                                   : servers.PlayerActed(step.from);
        EXPECT_EQ(taken, step.taken) << step.what;
    }
}

TEST(GameServersTest, TheGamePortTellsTheServerFromTheClientEitherWay) {
    const PayloadOrigin sent = OriginOf(0x0A000001, 50000, 0x0A000002, kGameServerPort, 7);
    const PayloadOrigin received = OriginOf(0x0A000002, kGameServerPort, 0x0A000001, 50000, 7);
    for (const PayloadOrigin& origin : {sent, received}) {
        EXPECT_EQ(origin.serverAddress, 0x0A000002u);
        EXPECT_EQ(origin.serverPort, kGameServerPort);
        EXPECT_EQ(origin.clientAddress, 0x0A000001u);
        EXPECT_EQ(origin.clientPort, 50000);
        EXPECT_EQ(origin.micros, 7);
    }
    EXPECT_EQ(ServerName(From(kWorld2, 50100, 0)), "203.0.113.20:5121");
}

}  // namespace
}  // namespace kestro
