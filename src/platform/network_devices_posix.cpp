#include "platform/network_devices.h"

#include <net/if.h>

#include <cstdint>
#include <fstream>
#include <limits>
#include <sstream>

namespace kestro::platform {

std::string_view AllInterfacesDevice() {
#ifdef __linux__
    return "any";
#else
    return {};
#endif
}

bool IsNetworkInterface(const std::string& name) {
    return if_nametoindex(name.c_str()) != 0;
}

std::string DefaultRouteInterface() {
    // Lines of "Iface Destination Gateway Flags RefCnt Use Metric Mask ...", in hex.
    std::ifstream routes("/proc/net/route");
    std::string line;
    std::getline(routes, line);  // the heading
    std::string best;
    unsigned long bestMetric = std::numeric_limits<unsigned long>::max();
    while (std::getline(routes, line)) {
        std::istringstream fields(line);
        std::string iface, destination, gateway, mask;
        unsigned long flags = 0, refCount = 0, use = 0, metric = 0;
        fields >> iface >> destination >> gateway >> std::hex >> flags >> std::dec >> refCount >>
            use >> metric >> mask;
        constexpr unsigned long kRouteUp = 0x1;
        if (fields && destination == "00000000" && mask == "00000000" && (flags & kRouteUp) &&
            metric < bestMetric) {
            best = iface;
            bestMetric = metric;
        }
    }
    return best;
}

}  // namespace kestro::platform
