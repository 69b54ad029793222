// An adapter's facts as the capture component reads them, for tests that
// describe, choose or look up adapters.
#pragma once

#include <string>
#include <utility>

#include "capture/adapters.h"

namespace kestro::test {

// A network interface, up and running or neither, of the given link type.
inline AdapterInfo Net(std::string name, std::string description, bool up, int linkType,
                       std::string ipv4 = "") {
    AdapterInfo a;
    a.name = std::move(name);
    a.description = std::move(description);
    a.up = up;
    a.running = up;
    a.networkInterface = true;
    a.linkType = linkType;
    a.ipv4Address = std::move(ipv4);
    return a;
}

}  // namespace kestro::test
