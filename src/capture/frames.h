// The three header tests that take a captured Ethernet frame down to its TCP
// payload. Pure and bounds-safe: nothing beyond the captured length is read
// or delivered.
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

// Ethernet type 0x0800 (IPv4) and room for a minimal IP header.
// ipHeader := frame + 14; ipCaptured := bytes captured from there on.
bool GetIPHeader(const uint8_t* frame, uint32_t caplen, const uint8_t** ipHeader = nullptr,
                 uint32_t* ipCaptured = nullptr);

// IP protocol 6 (TCP), a valid IP header length (IHL >= 5) and a TCP header
// start within the captured bytes. tcpHeader := ipHeader + 4 * IHL.
bool GetTCPHeader(const uint8_t* ipHeader, uint32_t ipCaptured,
                  const uint8_t** tcpHeader = nullptr);

// The payload: TCP header wholly captured, data length > 0. The length comes
// from the IP total length, clipped to the captured bytes. A data offset below
// 5 (a TCP header under 20 bytes) is malformed and drops the frame.
bool GetTCPData(const uint8_t* ipHeader, uint32_t ipCaptured, const uint8_t* tcpHeader,
                const uint8_t** tcpData = nullptr, int32_t* tcpDataLength = nullptr);

}  // namespace kestro
