// Builds Ethernet/IPv4/TCP frames, with header fields that may lie, for the capture tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace kestro::test {

using Bytes = std::vector<uint8_t>;

struct FrameLayout {
    uint16_t etherType = 0x0800;
    uint8_t ihl = 5;  // 32-bit words, options filled with NOPs (1)
    uint8_t protocol = 6;
    uint8_t dataOffset = 5;  // 32-bit words, options filled with NOPs (1)
    uint16_t sourcePort = 40000;
    uint16_t destinationPort = 5121;
    uint32_t sequenceNumber = 0;
    Bytes payload;
    // The IP total length field; by default it tells the truth.
    std::optional<uint16_t> totalLength;
};

inline void PutBE16(Bytes& bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<uint8_t>(value & 0xFF);
}

inline Bytes BuildFrame(const FrameLayout& layout) {
    const size_t ipLength = 4u * layout.ihl;
    const size_t tcpLength = 4u * layout.dataOffset;
    // Headers shorter than their minimum still get 20 bytes so that the length
    // fields can lie about them.
    const size_t ipRoom = ipLength < 20 ? 20 : ipLength;
    const size_t tcpRoom = tcpLength < 20 ? 20 : tcpLength;
    Bytes frame(14 + ipRoom + tcpRoom, 0);
    for (size_t i = 0; i < 12; ++i) {
        frame[i] = static_cast<uint8_t>(0x10 + i);
    }
    PutBE16(frame, 12, layout.etherType);
    const size_t ip = 14;
    frame[ip] = static_cast<uint8_t>(0x40 | (layout.ihl & 0x0F));
    const size_t total = ipLength + tcpLength + layout.payload.size();
    PutBE16(frame, ip + 2, layout.totalLength.value_or(static_cast<uint16_t>(total)));
    frame[ip + 8] = 64;
    frame[ip + 9] = layout.protocol;
    const uint8_t address[8] = {127, 0, 0, 1, 127, 0, 0, 1};
    for (size_t i = 0; i < 8; ++i) {
        frame[ip + 12 + i] = address[i];
    }
    for (size_t i = 20; i < ipRoom; ++i) {
        frame[ip + i] = 1;
    }
    const size_t tcp = ip + ipRoom;
    PutBE16(frame, tcp, layout.sourcePort);
    PutBE16(frame, tcp + 2, layout.destinationPort);
    PutBE16(frame, tcp + 4, static_cast<uint16_t>(layout.sequenceNumber >> 16));
    PutBE16(frame, tcp + 6, static_cast<uint16_t>(layout.sequenceNumber & 0xFFFF));
    frame[tcp + 12] = static_cast<uint8_t>(layout.dataOffset << 4);
    frame[tcp + 13] = layout.payload.empty() ? 0x10 : 0x18;  // ACK / PSH+ACK
    for (size_t i = 20; i < tcpRoom; ++i) {
        frame[tcp + i] = 1;
    }
    frame.insert(frame.end(), layout.payload.begin(), layout.payload.end());
    return frame;
}

inline Bytes Text(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

}  // namespace kestro::test
