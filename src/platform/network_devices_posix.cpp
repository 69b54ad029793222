#include "platform/network_devices.h"

#include <net/if.h>

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

}  // namespace kestro::platform
