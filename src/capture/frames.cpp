#include "capture/frames.h"

namespace kestro {

namespace {

constexpr uint16_t kEtherTypeIPv4 = 0x0800;
constexpr uint8_t kIPProtocolTCP = 6;
constexpr uint32_t kMinIPHeaderLength = 20;
constexpr uint32_t kMinTCPHeaderLength = 20;
// Byte 12 of the TCP header carries the data offset in its upper nibble.
constexpr uint32_t kTCPDataOffsetByte = 12;

uint16_t ReadBE16(const uint8_t* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

// Length of the IPv4 header by its IHL field; 0 when the field is below the minimum.
// The caller has checked that byte 0 is captured.
uint32_t IPHeaderLength(const uint8_t* ipHeader) {
    const uint32_t length = 4u * (ipHeader[0] & 0x0Fu);
    return length < kMinIPHeaderLength ? 0 : length;
}

}  // namespace

bool GetIPHeader(const uint8_t* frame, uint32_t caplen, const uint8_t** ipHeader,
                 uint32_t* ipCaptured) {
    if (frame == nullptr || caplen < kEthernetHeaderLength + kMinIPHeaderLength) {
        return false;
    }
    if (ReadBE16(frame + 12) != kEtherTypeIPv4) {
        return false;
    }
    if (ipHeader != nullptr) {
        *ipHeader = frame + kEthernetHeaderLength;
    }
    if (ipCaptured != nullptr) {
        *ipCaptured = caplen - kEthernetHeaderLength;
    }
    return true;
}

bool GetTCPHeader(const uint8_t* ipHeader, uint32_t ipCaptured, const uint8_t** tcpHeader) {
    if (ipHeader == nullptr || ipCaptured < kMinIPHeaderLength) {
        return false;
    }
    if (ipHeader[9] != kIPProtocolTCP) {
        return false;
    }
    const uint32_t ipHeaderLength = IPHeaderLength(ipHeader);
    // The TCP header must at least begin inside what was captured; GetTCPData
    // decides whether all of it is there.
    if (ipHeaderLength == 0 || ipHeaderLength >= ipCaptured) {
        return false;
    }
    if (tcpHeader != nullptr) {
        *tcpHeader = ipHeader + ipHeaderLength;
    }
    return true;
}

bool GetTCPData(const uint8_t* ipHeader, uint32_t ipCaptured, const uint8_t* tcpHeader,
                const uint8_t** tcpData, int32_t* tcpDataLength) {
    if (ipHeader == nullptr || tcpHeader == nullptr || ipCaptured < kMinIPHeaderLength) {
        return false;
    }
    const uint32_t ipHeaderLength = IPHeaderLength(ipHeader);
    if (ipHeaderLength == 0 || ipHeaderLength >= ipCaptured) {
        return false;
    }
    // Only the TCP header that GetTCPHeader found is accepted, so every offset
    // below is measured from a position known to lie inside the capture.
    if (tcpHeader != ipHeader + ipHeaderLength) {
        return false;
    }
    const uint32_t tcpCaptured = ipCaptured - ipHeaderLength;
    if (tcpCaptured <= kTCPDataOffsetByte) {
        return false;
    }
    const uint32_t tcpHeaderLength = 4u * (tcpHeader[kTCPDataOffsetByte] >> 4);
    if (tcpHeaderLength < kMinTCPHeaderLength || tcpHeaderLength > tcpCaptured) {
        return false;
    }
    const int32_t claimed = static_cast<int32_t>(ReadBE16(ipHeader + 2)) -
                            static_cast<int32_t>(ipHeaderLength) -
                            static_cast<int32_t>(tcpHeaderLength);
    if (claimed <= 0) {
        return false;
    }
    // A frame cut short by the snapshot length delivers what was captured of its
    // payload; one cut right after the TCP header delivers nothing.
    const uint32_t payloadCaptured = tcpCaptured - tcpHeaderLength;
    if (payloadCaptured == 0) {
        return false;
    }
    const int32_t length = static_cast<uint32_t>(claimed) > payloadCaptured
                               ? static_cast<int32_t>(payloadCaptured)
                               : claimed;
    if (tcpData != nullptr) {
        *tcpData = tcpHeader + tcpHeaderLength;
    }
    if (tcpDataLength != nullptr) {
        *tcpDataLength = length;
    }
    return true;
}

}  // namespace kestro
