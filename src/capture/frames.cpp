#include "capture/frames.h"

#include <pcap/dlt.h>

#include <array>

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

uint32_t ReadBE32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// Ports and sequence number: the first 8 bytes of the TCP header.
constexpr uint32_t kTCPPlaceBytes = 8;

// At least kTCPPlaceBytes of the TCP header captured; the flags where they are.
void ReadPlace(const uint8_t* ipHeader, const uint8_t* tcpHeader, uint32_t tcpCaptured,
               TCPSegmentPlace& place) {
    place.sourceAddress = ReadBE32(ipHeader + 12);
    place.destinationAddress = ReadBE32(ipHeader + 16);
    place.sourcePort = ReadBE16(tcpHeader);
    place.destinationPort = ReadBE16(tcpHeader + 2);
    place.sequenceNumber = ReadBE32(tcpHeader + 4);
    place.synchronize =
        tcpCaptured > kTCPFlagsByte && (tcpHeader[kTCPFlagsByte] & kTCPSynchronizeFlag) != 0;
}

// How a link header says "IPv4".
enum class IPv4Mark {
    kEtherType,        // 16-bit type 0x0800, big-endian, at markOffset
    kIPVersion,        // no link header: the IP version nibble is 4
    kFamilyAnyOrder,   // 32-bit AF_INET in the capturing machine's byte order
    kFamilyBigEndian,  // 32-bit AF_INET in network byte order
};

struct LinkLayer {
    int linkType;
    uint32_t headerLength;
    IPv4Mark mark;
    uint32_t markOffset;
};

// AF_INET is 2 on every system that writes these headers.
constexpr uint8_t kFamilyIPv4 = 2;

constexpr std::array<LinkLayer, 8> kLinkLayers = {{
    {DLT_EN10MB, kEthernetHeaderLength, IPv4Mark::kEtherType, 12},
    {DLT_LINUX_SLL, 16, IPv4Mark::kEtherType, 14},
    {DLT_LINUX_SLL2, 20, IPv4Mark::kEtherType, 0},
    {DLT_RAW, 0, IPv4Mark::kIPVersion, 0},
    {kLinkTypeRaw, 0, IPv4Mark::kIPVersion, 0},
    {DLT_IPV4, 0, IPv4Mark::kIPVersion, 0},
    {DLT_NULL, 4, IPv4Mark::kFamilyAnyOrder, 0},
    {DLT_LOOP, 4, IPv4Mark::kFamilyBigEndian, 0},
}};

const LinkLayer* FindLinkLayer(int linkType) {
    for (const LinkLayer& layer : kLinkLayers) {
        if (layer.linkType == linkType) {
            return &layer;
        }
    }
    return nullptr;
}

// The caller has checked that the link header and a minimal IP header are captured.
bool CarriesIPv4(const LinkLayer& layer, const uint8_t* frame) {
    const uint8_t* mark = frame + layer.markOffset;
    switch (layer.mark) {
        case IPv4Mark::kEtherType:
            return ReadBE16(mark) == kEtherTypeIPv4;
        case IPv4Mark::kIPVersion:
            return (frame[layer.headerLength] >> 4) == 4;
        case IPv4Mark::kFamilyAnyOrder:
            return (mark[0] == kFamilyIPv4 && mark[1] == 0 && mark[2] == 0 && mark[3] == 0) ||
                   (mark[0] == 0 && mark[1] == 0 && mark[2] == 0 && mark[3] == kFamilyIPv4);
        case IPv4Mark::kFamilyBigEndian:
            return mark[0] == 0 && mark[1] == 0 && mark[2] == 0 && mark[3] == kFamilyIPv4;
    }
    return false;
}

// Length of the IPv4 header by its IHL field; 0 when the field is below the minimum.
// The caller has checked that byte 0 is captured.
uint32_t IPHeaderLength(const uint8_t* ipHeader) {
    const uint32_t length = 4u * (ipHeader[0] & 0x0Fu);
    return length < kMinIPHeaderLength ? 0 : length;
}

}  // namespace

bool IsReadableLinkType(int linkType) {
    return FindLinkLayer(linkType) != nullptr;
}

bool GetLinkIPHeader(int linkType, const uint8_t* frame, uint32_t caplen, const uint8_t** ipHeader,
                     uint32_t* ipCaptured) {
    const LinkLayer* layer = FindLinkLayer(linkType);
    if (layer == nullptr || frame == nullptr || caplen < layer->headerLength + kMinIPHeaderLength) {
        return false;
    }
    if (!CarriesIPv4(*layer, frame)) {
        return false;
    }
    if (ipHeader != nullptr) {
        *ipHeader = frame + layer->headerLength;
    }
    if (ipCaptured != nullptr) {
        *ipCaptured = caplen - layer->headerLength;
    }
    return true;
}

bool GetIPHeader(const uint8_t* frame, uint32_t caplen, const uint8_t** ipHeader,
                 uint32_t* ipCaptured) {
    return GetLinkIPHeader(DLT_EN10MB, frame, caplen, ipHeader, ipCaptured);
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
                const uint8_t** tcpData, int32_t* tcpDataLength, TCPSegmentPlace* place) {
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
    if (place != nullptr) {
        ReadPlace(ipHeader, tcpHeader, ipCaptured - ipHeaderLength, *place);
    }
    return true;
}

bool GetTCPSegmentPlace(const uint8_t* ipHeader, uint32_t ipCaptured, const uint8_t* tcpHeader,
                        TCPSegmentPlace* place) {
    if (ipHeader == nullptr || tcpHeader == nullptr || ipCaptured < kMinIPHeaderLength) {
        return false;
    }
    const uint32_t ipHeaderLength = IPHeaderLength(ipHeader);
    if (ipHeaderLength == 0 || ipHeaderLength >= ipCaptured ||
        tcpHeader != ipHeader + ipHeaderLength) {
        return false;
    }
    if (ipCaptured - ipHeaderLength < kTCPPlaceBytes) {
        return false;
    }
    if (place != nullptr) {
        ReadPlace(ipHeader, tcpHeader, ipCaptured - ipHeaderLength, *place);
    }
    return true;
}

}  // namespace kestro
