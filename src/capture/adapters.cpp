#include "capture/adapters.h"

#include <pcap/pcap.h>  // also the socket types (sockaddr_in) of the platform

#include <cstdio>

#include "capture/frames.h"
#include "platform/network_devices.h"

namespace kestro {

namespace {

// Enough of a frame to open the device; nothing is read.
constexpr int kProbeSnapLen = 128;

std::string FirstIPv4Address(const pcap_if_t& device) {
    for (const pcap_addr_t* a = device.addresses; a != nullptr; a = a->next) {
        if (a->addr != nullptr && a->addr->sa_family == AF_INET) {
            // The address is in network order: its bytes are the dotted quad.
            const auto* in = reinterpret_cast<const sockaddr_in*>(a->addr);
            const auto* b = reinterpret_cast<const unsigned char*>(&in->sin_addr);
            char text[16] = {};
            std::snprintf(text, sizeof(text), "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
            return text;
        }
    }
    return std::string();
}

// Opening is the only way libpcap tells a device's link type; without
// capture rights the answer stays unknown.
int AskLinkType(const std::string& name) {
    char errorBuffer[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = pcap_create(name.c_str(), errorBuffer);
    if (handle == nullptr) {
        return -1;
    }
    pcap_set_snaplen(handle, kProbeSnapLen);
    const int linkType = pcap_activate(handle) >= 0 ? pcap_datalink(handle) : -1;
    pcap_close(handle);
    return linkType;
}

AdapterInfo InfoOf(const pcap_if_t& device, bool askLinkType) {
    AdapterInfo info;
    info.name = device.name != nullptr ? device.name : "";
    info.description = device.description != nullptr ? device.description : "";
    info.up = (device.flags & PCAP_IF_UP) != 0;
    info.running = (device.flags & PCAP_IF_RUNNING) != 0;
    info.loopback = (device.flags & PCAP_IF_LOOPBACK) != 0;
    info.allInterfaces = IsAllInterfacesDevice(info.name);
    info.networkInterface = info.allInterfaces || platform::IsNetworkInterface(info.name);
    info.ipv4Address = FirstIPv4Address(device);
    if (askLinkType && info.networkInterface) {
        info.linkType = AskLinkType(info.name);
    }
    return info;
}

}  // namespace

Result ReadAdapterInfo(bool askLinkType, std::vector<AdapterInfo>& adapters) {
    adapters.clear();
    char errorBuffer[PCAP_ERRBUF_SIZE] = {};
    pcap_if_t* devices = nullptr;
    if (pcap_findalldevs(&devices, errorBuffer) != 0) {
        return Result::Failure(errorBuffer);
    }
    for (const pcap_if_t* device = devices; device != nullptr; device = device->next) {
        adapters.push_back(InfoOf(*device, askLinkType));
    }
    pcap_freealldevs(devices);
    return Result();
}

bool IsAllInterfacesDevice(const std::string& name) {
    const std::string_view device = platform::AllInterfacesDevice();
    return !device.empty() && name == device;
}

std::string LinkTypeName(int linkType) {
    const char* name = pcap_datalink_val_to_name(linkType);
    return name != nullptr ? std::string(name) : std::to_string(linkType);
}

std::string UnreadableLinkTypeText(int linkType) {
    return "Kestro cannot read link type " + LinkTypeName(linkType);
}

bool IsUsableAdapter(const AdapterInfo& adapter) {
    return adapter.networkInterface &&
           (adapter.linkType < 0 || IsReadableLinkType(adapter.linkType));
}

}  // namespace kestro
