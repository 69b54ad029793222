// Which capture devices are network interfaces, and which one captures on all
// of them: libpcap lists bus and USB monitors beside the interfaces, and only
// the system can tell them apart.
#pragma once

#include <string>
#include <string_view>

namespace kestro::platform {

// The device that captures on every interface at once; empty where the
// platform's libpcap has none.
std::string_view AllInterfacesDevice();

// Whether `name` is a network interface of this system.
bool IsNetworkInterface(const std::string& name);

// The system's own name for the interface that carries the default route (the
// way to the internet, and so to the game's server): on Windows the adapter's
// GUID ("{...}"), which the capture driver's device names hold; elsewhere the
// interface's name. Empty when no default route is up. Only the routing table
// is read; nothing is sent.
std::string DefaultRouteInterface();

}  // namespace kestro::platform
