#include "platform/network_devices.h"

// winsock2 before iphlpapi, whose windows.h would bring the old winsock in.
#include <winsock2.h>

#include <iphlpapi.h>

#include <vector>

namespace kestro::platform {

std::string_view AllInterfacesDevice() {
    return {};
}

// The capture driver lists network adapters only (its loopback adapter among them).
bool IsNetworkInterface(const std::string&) {
    return true;
}

namespace {

// The index of the interface whose default route (0.0.0.0/0) has the lowest
// metric; 0 when there is none. The table is read, nothing is sent.
DWORD DefaultRouteIndex() {
    ULONG size = 0;
    std::vector<unsigned char> buffer;
    DWORD status = ERROR_INSUFFICIENT_BUFFER;
    // The table may grow between the two calls.
    for (int tries = 0; tries < 3 && status == ERROR_INSUFFICIENT_BUFFER; ++tries) {
        buffer.resize(size > 0 ? size : sizeof(MIB_IPFORWARDTABLE));
        size = static_cast<ULONG>(buffer.size());
        status =
            GetIpForwardTable(reinterpret_cast<MIB_IPFORWARDTABLE*>(buffer.data()), &size, FALSE);
    }
    if (status != NO_ERROR) {
        return 0;
    }
    const auto* table = reinterpret_cast<const MIB_IPFORWARDTABLE*>(buffer.data());
    DWORD best = 0;
    DWORD bestMetric = MAXDWORD;
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        const MIB_IPFORWARDROW& row = table->table[i];
        if (row.dwForwardDest == 0 && row.dwForwardMask == 0 && row.dwForwardMetric1 < bestMetric) {
            best = row.dwForwardIfIndex;
            bestMetric = row.dwForwardMetric1;
        }
    }
    return best;
}

}  // namespace

std::string DefaultRouteInterface() {
    const DWORD ifIndex = DefaultRouteIndex();
    if (ifIndex == 0) {
        return {};
    }
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG status = ERROR_BUFFER_OVERFLOW;
    // The table may grow between the two calls.
    for (int tries = 0; tries < 3 && status == ERROR_BUFFER_OVERFLOW; ++tries) {
        buffer.resize(size);
        status = GetAdaptersAddresses(
            AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
            nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (status != NO_ERROR) {
        return {};
    }
    for (auto* adapter = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); adapter != nullptr;
         adapter = adapter->Next) {
        if (adapter->IfIndex == ifIndex && adapter->AdapterName != nullptr) {
            return adapter->AdapterName;
        }
    }
    return {};
}

}  // namespace kestro::platform
