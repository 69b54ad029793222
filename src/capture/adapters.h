// What a person needs to choose a capture adapter: the facts libpcap and the
// system give about each device, and the line the settings dialog shows for it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

// One line of the settings dialog's adapter list, in adapter order.
struct AdapterChoice {
    std::string name;
    std::string label;  // UTF-8
    // False for a device that can never deliver the game's traffic; the dialog
    // greys it rather than leaving it out, so that line i stays adapter i.
    bool usable = true;
};

// Enumerates the devices in libpcap's order. With `askLinkType` each network
// interface is opened for a moment to learn its link type. Empty with `error`
// set when the enumeration fails.
std::vector<AdapterInfo> ReadAdapterInfo(bool askLinkType, std::string& error);

// libpcap's name of a link type ("EN10MB", "LINUX_SLL"), or its number.
std::string LinkTypeName(int linkType);

// "Kestro cannot read link type NAME", for the component's and the replay's errors.
std::string UnreadableLinkTypeText(int linkType);

// Whether capture on this adapter can ever give the game's traffic.
bool IsUsableAdapter(const AdapterInfo& adapter);

// What the user knows the device by: its name ("wlan0"), but the description
// where the name is a Windows device path ("\Device\NPF_{GUID}").
std::string ShortAdapterName(const AdapterInfo& adapter);

// "wlan0 — Wireless interface 192.0.2.7", with "(停止中)" for a device that is
// not up and the link type for one Kestro cannot read. A device named by a
// Windows device path is listed by its description first.
AdapterChoice DescribeAdapter(const AdapterInfo& adapter);
std::vector<AdapterChoice> AdapterChoices(const std::vector<AdapterInfo>& adapters);

// Whether `name` is the platform's device that captures on every interface.
bool IsAllInterfacesDevice(const std::string& name);

}  // namespace kestro
