// Scenario texts and bulk traffic turned into captured frames of one game connection.
// The scenario format is described in README.md beside this file.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "pcap_writer.h"

namespace kestro::scenario {

struct Frame {
    int64_t seconds;
    int32_t microseconds;
    Bytes bytes;
};

class ScenarioError : public std::runtime_error {
public:
    ScenarioError(int line, const std::string& what)
        : std::runtime_error("line " + std::to_string(line) + ": " + what), line_(line) {}
    int line() const { return line_; }

private:
    int line_;
};

// Game packets as the server and the client send them. Texts are CP932 bytes.
Bytes AnnouncerPacket(std::string_view text);            // 0x01C3, text at 16
Bytes Announcer2Packet(std::string_view text);           // 0x01F3, text at 26
Bytes MapPacket(uint16_t id, std::string_view mapName);  // 0x0071, 0x0091 or 0x0092
Bytes SinglesTicketPacket(uint8_t runner);
Bytes DoublesTicketPacket(uint8_t runner, uint8_t second);

// What the network adds to a scenario's own traffic (README.md beside this file).
struct Variations {
    int clients = 1;                // clients of the server; the others hear its every payload
    int64_t otherWorldMicros = -1;  // a client of another server hears it this much later
    bool natTwins = false;          // every frame also before NAT, as "any" shows it
    bool nearWrap = false;          // sequence numbers wrap after a few bytes
    int64_t mergedMicros = -1;      // every second segment resent with the one before it
    bool overlapping = false;       // every second segment only as an overlapping resend
};

// Parses a whole scenario; throws ScenarioError naming the first bad line.
std::vector<Frame> BuildScenario(std::string_view text, const Variations& variations = {});

// What a capture holds besides the frames that were sent. Twice: every frame
// twice in a row, as "any" sees a frame that crosses a bridge or a VLAN device
// (once on the port, once on the bridge). Retransmitted: every data segment
// once more `afterMicros` later with a new IP id, as a sender resends a segment
// whose acknowledgement was lost; the frames stay in time order.
std::vector<Frame> Twice(const std::vector<Frame>& frames);
std::vector<Frame> Retransmitted(const std::vector<Frame>& frames, int64_t afterMicros);

// Which traffic a bulk capture holds. `Stress` raises a log line or an event on about one
// frame in six; `Session` is closer to a real game session, where announcer lines and map
// changes are rare among movement and status packets.
enum class BulkMix { Stress, Session };

// `count` frames of a fixed mix of game traffic, always the same for the same count and mix.
void GenerateBulk(uint64_t count, const std::function<void(const Frame&)>& emit,
                  BulkMix mix = BulkMix::Stress);

}  // namespace kestro::scenario
