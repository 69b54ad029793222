// Several game clients on one machine, on one server or on servers of
// different worlds: which server's races are followed, and an announcer line
// heard once however many of that server's clients it reaches.
//
// A server sends its announcer lines to every client, so each line arrives on
// each client's connection, a few milliseconds apart (seconds, when one of
// them resends). The same text from the same server on another connection
// within kSameLineMicros is that line again. On the same connection it is
// always a new line: whatever the network repeated was dropped before, by the
// connection's stream position. The races of one server come round every 629
// seconds or more and no line of a race is said twice within one cycle; the
// only text both tracks say is the next-race guidance, which goes to the race
// of the track the player last entered either way.
//
// Two worlds keep two timetables that must never mix: the races followed are
// those of the server whose client acted last (a map change or a purchase of
// the player's), the first server heard until a client acts. Lines of the
// other servers are left unheard.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestro {

inline constexpr uint16_t kGameServerPort = 5121;

// Where a payload came from: its connection's server (the side of the game's
// port) and client, and when it was captured. One clean connection may leave
// it all zero.
struct PayloadOrigin {
    uint32_t serverAddress = 0;
    uint16_t serverPort = 0;
    uint32_t clientAddress = 0;
    uint16_t clientPort = 0;
    int64_t micros = 0;
};

PayloadOrigin OriginOf(uint32_t sourceAddress, uint16_t sourcePort, uint32_t destinationAddress,
                       uint16_t destinationPort, int64_t micros);

// "198.51.100.20:5121"
std::string ServerName(const PayloadOrigin& origin);

class GameServers {
public:
    static constexpr int64_t kSameLineMicros = 5'000'000;
    // Lines remembered for their copies: far more than a server says in
    // kSameLineMicros.
    static constexpr std::size_t kLines = 16;
    // Clients of one server whose copies of a line are told apart; a further
    // client's copy is taken as a new line.
    static constexpr std::size_t kClients = 8;

    // An announcer line: whether it is one the races followed must hear.
    bool TakeLine(const PayloadOrigin& from, std::string_view text);
    // One of the player's own events: whether it moves the following to its
    // server (the caller then starts that world's races afresh).
    bool PlayerActed(const PayloadOrigin& from);

private:
    struct Line {
        uint64_t server = 0;
        std::string text;
        int64_t micros = 0;
        std::array<uint64_t, kClients> clients{};
        std::size_t clientCount = 0;
    };
    bool Follows(const PayloadOrigin& from);

    bool following_ = false;
    uint64_t followed_ = 0;
    std::array<Line, kLines> lines_{};
    std::size_t nextLine_ = 0;
};

}  // namespace kestro
