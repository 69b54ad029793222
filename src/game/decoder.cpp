// Decodes the one game packet at the head of a TCP payload: map changes, announcer lines, tickets.
//
// A payload may start with any number of 8-byte 0x00B1 packets; the first other packet is the
// one decoded, everything behind it is ignored. Ids are little-endian; positions are counted from
// the packet's first byte, in a window of at most 1024 bytes where missing bytes read as 0.
//
//   payload:  B1 00 .. .. .. .. .. ..  B1 00 .. .. .. .. .. ..  id id ......................
//             |<----- skipped, 8 ---->|<----- skipped, 8 ---->|^ window position 0
//
//   0x0071 map change     71 00 | 4 bytes      | map name NUL @6
//   0x0091 map change     91 00 | map name NUL @2
//   0x0092 map change     92 00 | map name NUL @2
//   0x01C3 announcer      C3 01 | len | fields up to 16 | text NUL @16
//   0x01F3 announcer      F3 01 | len | fields up to 26 | text NUL @26
//   0x835B ticket         5B 83 | bytes matched at fixed positions, tried in order:
//       1 Singles  @23 00 00, @26 "番の" (94 D4 82 CC)   runner @25
//       2 Singles  @68 "FF0000"                          runner @74
//       3 Doubles  @26 "0000FF"                          runner @32, second @72
//       4 Doubles  @61 "0000FF"                          runner @67, second @107
#include "game/decoder.h"

#include <cstddef>
#include <cstring>
#include <string_view>

#include "common/cp932.h"
#include "common/race_types.h"

namespace kestro {
namespace {

constexpr uint16_t kSkippedId = 0x00B1;
constexpr size_t kSkippedLength = 8;
constexpr size_t kWindowSize = 1024;

enum class PacketAction : uint8_t { MapChange, Announcement, TicketPurchase };

struct PacketKind {
    uint16_t id;
    PacketAction action;
    uint16_t textPosition;  // unused for tickets
};

constexpr PacketKind kPacketKinds[] = {
    {0x0071, PacketAction::MapChange, 6},     {0x0091, PacketAction::MapChange, 2},
    {0x0092, PacketAction::MapChange, 2},     {0x01C3, PacketAction::Announcement, 16},
    {0x01F3, PacketAction::Announcement, 26}, {0x835B, PacketAction::TicketPurchase, 0},
};

struct BytesAt {
    uint16_t position;
    std::string_view bytes;
};

// A runner position of kNoSecond passes '0' as the second character.
constexpr uint16_t kNoSecond = 0xFFFF;

struct TicketPattern {
    BytesAt tests[2];  // an empty `bytes` tests nothing
    uint8_t kind;
    uint16_t runnerPosition;
    uint16_t secondPosition;
};

using namespace std::string_view_literals;

constexpr TicketPattern kTicketPatterns[] = {
    {{{23, "\x00\x00"sv}, {26, "\x94\xD4\x82\xCC"sv}}, kSingles, 25, kNoSecond},
    {{{68, "FF0000"sv}, {0, {}}}, kSingles, 74, kNoSecond},
    {{{26, "0000FF"sv}, {0, {}}}, kDoubles, 32, 72},
    {{{61, "0000FF"sv}, {0, {}}}, kDoubles, 67, 107},
};

// The packet window: at most 1024 bytes of the payload, and 0 everywhere beyond them. It is
// read in place: a copy per payload was the largest single cost of decoding.
class PacketWindow {
public:
    PacketWindow(const uint8_t* packet, size_t available)
        : bytes_(packet), length_(available < kWindowSize ? available : kWindowSize) {}

    uint8_t At(size_t position) const { return position < length_ ? bytes_[position] : 0; }

    bool Matches(const BytesAt& test) const {
        for (size_t i = 0; i < test.bytes.size(); ++i) {
            if (At(test.position + i) != static_cast<uint8_t>(test.bytes[i])) {
                return false;
            }
        }
        return true;
    }

    // From `position` up to the first 0x00 or the window's end.
    std::string TextAt(size_t position) const {
        if (position >= length_) {
            return {};
        }
        const uint8_t* start = bytes_ + position;
        size_t room = length_ - position;
        const void* nul = std::memchr(start, 0, room);
        size_t size = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - start) : room;
        return std::string(reinterpret_cast<const char*>(start), size);
    }

private:
    const uint8_t* bytes_;
    size_t length_;
};

const PacketKind* FindPacketKind(uint16_t id) {
    for (const PacketKind& kind : kPacketKinds) {
        if (kind.id == id) {
            return &kind;
        }
    }
    return nullptr;
}

std::string PacketTraceLine(uint16_t id, int32_t payloadLength) {
    // The log takes CP932; the literals are converted once.
    static const std::string kIdLabel = Utf8ToCp932("パケット番号: ");
    static const std::string kLengthLabel = Utf8ToCp932(" パケット長: ");
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string line = kIdLabel;
    for (int shift = 12; shift >= 0; shift -= 4) {
        line += kHex[(id >> shift) & 0xF];
    }
    line += kLengthLabel;
    line += std::to_string(payloadLength);
    return line;
}

}  // namespace

void Decoder::SnoopTCPDataCaptureTCPData(const PayloadOrigin& from, const uint8_t* tcpData,
                                         int32_t tcpDataLength) {
    // Counts every payload delivered; wraps like the 32-bit counter it is, without overflow.
    packetCount_ = static_cast<int32_t>(static_cast<uint32_t>(packetCount_) + 1u);

    const size_t length = (tcpData != nullptr && tcpDataLength > 0) ? size_t(tcpDataLength) : 0;
    auto idAt = [&](size_t p) -> uint16_t {
        return p + 1 < length ? uint16_t(tcpData[p] | (tcpData[p + 1] << 8)) : 0;
    };
    size_t p = 0;
    uint16_t id = idAt(p);
    while (id == kSkippedId) {
        p += kSkippedLength;  // p stays below length + 8: no overflow
        id = idAt(p);
    }

    if (logLevel_ & log_bits::PacketTrace) {
        log_.AddLogLine(PacketTraceLine(id, tcpDataLength));
    }

    const PacketKind* kind = FindPacketKind(id);
    if (kind == nullptr) {
        return;
    }
    // A known id was read at p and p + 1, so p < length.
    const PacketWindow window(tcpData + p, length - p);
    // The player's own events move the following to their server first.
    auto playerActed = [&] {
        if (servers_.PlayerActed(from)) {
            sink_.HandleServerChange(ServerName(from));
        }
    };
    switch (kind->action) {
        case PacketAction::MapChange:
            playerActed();
            sink_.HandleMapChange(window.TextAt(kind->textPosition));
            break;
        case PacketAction::Announcement: {
            std::string text = window.TextAt(kind->textPosition);
            if (servers_.TakeLine(from, text)) {
                sink_.HandleAnnouncement(text);
            }
            break;
        }
        case PacketAction::TicketPurchase:
            for (const TicketPattern& pattern : kTicketPatterns) {
                if (window.Matches(pattern.tests[0]) && window.Matches(pattern.tests[1])) {
                    uint8_t second = pattern.secondPosition == kNoSecond
                                         ? uint8_t('0')
                                         : window.At(pattern.secondPosition);
                    playerActed();
                    sink_.HandleTicketPurchase(pattern.kind, window.At(pattern.runnerPosition),
                                               second);
                    return;
                }
            }
            break;
    }
}

}  // namespace kestro
