// Runs the header tests over an arbitrary frame; a payload they deliver is read
// to its last byte so that ASan sees any range beyond the input. The first
// byte picks the link type, so that every link layer meets the same corpus.
#include <cstddef>
#include <cstdint>

#include <pcap/dlt.h>

#include "capture/frames.h"

namespace {

constexpr int kLinkTypes[] = {DLT_EN10MB, DLT_LINUX_SLL, DLT_LINUX_SLL2, DLT_RAW,
                              DLT_IPV4,   DLT_NULL,      DLT_LOOP,       DLT_IEEE802_11};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > UINT32_MAX) {
        return 0;
    }
    const int linkType = kLinkTypes[data[0] % (sizeof(kLinkTypes) / sizeof(kLinkTypes[0]))];
    ++data;
    --size;
    const auto caplen = static_cast<uint32_t>(size);
    const uint8_t* ipHeader = nullptr;
    uint32_t ipCaptured = 0;
    const uint8_t* tcpHeader = nullptr;
    const uint8_t* tcpData = nullptr;
    int32_t tcpDataLength = 0;
    if (!kestro::GetLinkIPHeader(linkType, data, caplen, &ipHeader, &ipCaptured) ||
        !kestro::GetTCPHeader(ipHeader, ipCaptured, &tcpHeader) ||
        !kestro::GetTCPData(ipHeader, ipCaptured, tcpHeader, &tcpData, &tcpDataLength)) {
        return 0;
    }
    const auto offset = static_cast<size_t>(tcpData - data);
    if (tcpDataLength <= 0 || offset + static_cast<size_t>(tcpDataLength) > size) {
        __builtin_trap();
    }
    kestro::TCPSegmentPlace place;
    if (!kestro::GetTCPSegmentPlace(ipHeader, ipCaptured, tcpHeader, &place)) {
        __builtin_trap();  // a payload was found, so the whole TCP header was captured
    }
    volatile uint32_t sum = place.sequenceNumber;
    for (int32_t i = 0; i < tcpDataLength; ++i) {
        sum = sum + tcpData[i];
    }
    return 0;
}
