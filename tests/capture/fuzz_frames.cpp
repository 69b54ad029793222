// Runs the three header tests over an arbitrary frame; a payload they deliver
// is read to its last byte so that ASan sees any range beyond the input.
#include <cstddef>
#include <cstdint>

#include "capture/frames.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) {
        return 0;
    }
    const auto caplen = static_cast<uint32_t>(size);
    const uint8_t* ipHeader = nullptr;
    uint32_t ipCaptured = 0;
    const uint8_t* tcpHeader = nullptr;
    const uint8_t* tcpData = nullptr;
    int32_t tcpDataLength = 0;
    if (!kestro::GetIPHeader(data, caplen, &ipHeader, &ipCaptured) ||
        !kestro::GetTCPHeader(ipHeader, ipCaptured, &tcpHeader) ||
        !kestro::GetTCPData(ipHeader, ipCaptured, tcpHeader, &tcpData, &tcpDataLength)) {
        return 0;
    }
    const auto offset = static_cast<size_t>(tcpData - data);
    if (tcpDataLength <= 0 || offset + static_cast<size_t>(tcpDataLength) > size) {
        __builtin_trap();
    }
    volatile uint32_t sum = 0;
    for (int32_t i = 0; i < tcpDataLength; ++i) {
        sum = sum + tcpData[i];
    }
    return 0;
}
