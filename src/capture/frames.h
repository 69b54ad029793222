// The header tests that take a captured frame down to its TCP payload. Pure
// and bounds-safe: nothing beyond the captured length is read or delivered.
// The link layer only says where the IPv4 header starts and whether the frame
// carries IPv4; the IPv4 and TCP tests after it are the same for every link.
//
//   link type         header  IPv4 when
//   EN10MB            14      type 0x0800 at byte 12 (802.1Q-tagged frames are not)
//   LINUX_SLL         16      protocol 0x0800 at byte 14
//   LINUX_SLL2        20      protocol 0x0800 at byte 0
//   RAW, IPV4          0      IP version 4
//   NULL               4      family 2 (AF_INET) in either byte order
//   LOOP               4      family 2 in network byte order
//
// An Ethernet frame:
//
//   0              12   14                    14+4*IHL            +4*DataOffset
//   +--------------+----+---------------------+-------------------+-----------
//   | dst  | src   |type| IPv4 header (IHL)   | TCP header        | payload
//   +--------------+----+---------------------+-------------------+-----------
//                  0x0800       proto 6, total length    data offset
//
// Each test takes optional output places (nullptr: not written) and returns
// whether it passed.
#pragma once

#include <cstdint>

namespace kestro {

constexpr uint32_t kEthernetHeaderLength = 14;

// libpcap's number for raw IP in capture files; libpcap reports it as DLT_RAW,
// whose own value differs between platforms.
constexpr int kLinkTypeRaw = 101;

// Whether frames of this link type (a libpcap DLT_ value) can be read.
bool IsReadableLinkType(int linkType);

// The link layer of `linkType`: the frame carries IPv4 and has room for a
// minimal IP header. ipHeader := frame + link header length; ipCaptured :=
// bytes captured from there on. An unreadable link type passes nothing.
bool GetLinkIPHeader(int linkType, const uint8_t* frame, uint32_t caplen,
                     const uint8_t** ipHeader = nullptr, uint32_t* ipCaptured = nullptr);

// GetLinkIPHeader for an Ethernet frame.
bool GetIPHeader(const uint8_t* frame, uint32_t caplen, const uint8_t** ipHeader = nullptr,
                 uint32_t* ipCaptured = nullptr);

// IP protocol 6 (TCP), a valid IP header length (IHL >= 5) and a TCP header
// start within the captured bytes. tcpHeader := ipHeader + 4 * IHL.
bool GetTCPHeader(const uint8_t* ipHeader, uint32_t ipCaptured,
                  const uint8_t** tcpHeader = nullptr);

// Which connection a segment belongs to and where its payload sits in that
// connection's byte stream: what tells a segment seen again (a bridge seen
// twice on "any", a retransmission) from a new one. Host byte order.
struct TCPSegmentPlace {
    uint32_t sourceAddress = 0;       // IP header bytes 12-15
    uint32_t destinationAddress = 0;  // IP header bytes 16-19
    uint16_t sourcePort = 0;          // TCP header bytes 0-1
    uint16_t destinationPort = 0;     // TCP header bytes 2-3
    uint32_t sequenceNumber = 0;      // TCP header bytes 4-7
    // SYN (byte 13, bit 1), where that byte was captured: the stream starts
    // afresh, one sequence number before its first byte.
    bool synchronize = false;

    bool operator==(const TCPSegmentPlace&) const = default;
};

// The TCP flags' byte and its SYN bit.
constexpr uint32_t kTCPFlagsByte = 13;
constexpr uint8_t kTCPSynchronizeFlag = 0x02;

// The payload: TCP header wholly captured, data length > 0. The length comes
// from the IP total length, clipped to the captured bytes. A data offset below
// 5 (a TCP header under 20 bytes) is malformed and drops the frame. `place`
// receives the segment's place, as GetTCPSegmentPlace reads it.
bool GetTCPData(const uint8_t* ipHeader, uint32_t ipCaptured, const uint8_t* tcpHeader,
                const uint8_t** tcpData = nullptr, int32_t* tcpDataLength = nullptr,
                TCPSegmentPlace* place = nullptr);

// The place of the segment whose TCP header GetTCPHeader found: both
// addresses, both ports and the sequence number captured.
bool GetTCPSegmentPlace(const uint8_t* ipHeader, uint32_t ipCaptured, const uint8_t* tcpHeader,
                        TCPSegmentPlace* place = nullptr);

}  // namespace kestro
