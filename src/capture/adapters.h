// What a person needs to choose a capture adapter: the facts libpcap and the
// system give about each device. The line the settings dialog shows for each is
// the shell's (shell/adapter_choices.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/result.h"

namespace kestro {

struct AdapterInfo {
    std::string name;         // libpcap's device name
    std::string description;  // empty where the device has none
    bool up = false;
    bool running = false;
    bool loopback = false;
    // The device that captures on every interface at once ("any" on Linux).
    bool allInterfaces = false;
    // A network interface (or the all-interfaces device); false for bus, USB
    // and netfilter monitors, which never carry the game's TCP traffic.
    bool networkInterface = false;
    // libpcap's DLT_ value; -1 when the device could not be opened to ask
    // (no capture rights) or was not asked (not a network interface).
    int linkType = -1;
    std::string ipv4Address;  // the first listed, dotted; empty when none
};

// Enumerates the devices into `adapters`, in libpcap's order. With
// `askLinkType` each network interface is opened for a moment to learn its
// link type. A failed enumeration leaves `adapters` empty, with libpcap's
// words as the reason.
Result ReadAdapterInfo(bool askLinkType, std::vector<AdapterInfo>& adapters);

// libpcap's name of a link type ("EN10MB", "LINUX_SLL"), or its number.
std::string LinkTypeName(int linkType);

// "Kestro cannot read link type NAME", for the component's and the replay's errors.
std::string UnreadableLinkTypeText(int linkType);

// Whether capture on this adapter can ever give the game's traffic.
bool IsUsableAdapter(const AdapterInfo& adapter);

// Whether `name` is the platform's device that captures on every interface.
bool IsAllInterfacesDevice(const std::string& name);

}  // namespace kestro
