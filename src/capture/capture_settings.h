// How every live capture of the game's traffic is opened, by the window's
// capture component and by the capture helper alike, so that both paths see
// the same frames. A header of its own with nothing but libpcap behind it: the
// helper shares it without taking in any of the component's code.
#pragma once

#include <pcap/pcap.h>  // also the socket types (sockaddr_in) of the platform

#include <cstdint>
#include <string_view>

namespace kestro {

// Whole Ethernet frames and more: the game's packets are never cut short.
inline constexpr int32_t kCaptureSnapLen = 1600;
// Bounds how long a stop request waits for the read in progress.
inline constexpr int32_t kCaptureReadTimeOutMs = 100;
// Open flags; the low bit asks for promiscuous mode.
inline constexpr int32_t kCaptureFlags = 1;
inline constexpr int32_t kCaptureFlagPromiscuous = 1;

// The device named `name` in libpcap's list `devices`; nullptr when it is not listed.
inline const pcap_if_t* FindCaptureDevice(const pcap_if_t* devices, std::string_view name) {
    for (const pcap_if_t* device = devices; device != nullptr; device = device->next) {
        if (device->name != nullptr && name == device->name) {
            return device;
        }
    }
    return nullptr;
}

// The netmask of the device's first listed address, in network byte order, as
// the filter compiler takes it for "broadcast" tests; unknown without one.
inline bpf_u_int32 CaptureDeviceNetmask(const pcap_if_t* device) {
    const pcap_addr_t* address = device != nullptr ? device->addresses : nullptr;
    if (address == nullptr || address->netmask == nullptr ||
        address->netmask->sa_family != AF_INET) {
        return PCAP_NETMASK_UNKNOWN;
    }
    return reinterpret_cast<const sockaddr_in*>(address->netmask)->sin_addr.s_addr;
}

}  // namespace kestro
