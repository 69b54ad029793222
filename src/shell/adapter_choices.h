// The line the settings dialog shows for each capture adapter, from the
// capture component's facts about it. The words are the dialog's, so they are
// the shell's; each face only lists them.
#pragma once

#include <string>
#include <vector>

#include "capture/adapters.h"

namespace kestro {

// One line of the settings dialog's adapter list, in adapter order.
struct AdapterChoice {
    std::string name;
    std::string label;  // UTF-8
    // False for a device that can never deliver the game's traffic; the dialog
    // greys it rather than leaving it out, so that line i stays adapter i.
    bool usable = true;
};

// What the user knows the device by: its name ("wlan0"), but the description
// where the name is a Windows device path ("\Device\NPF_{GUID}").
std::string ShortAdapterName(const AdapterInfo& adapter);

// "wlan0 — Wireless interface 192.0.2.7", with "(停止中)" for a device that is
// not up and the link type for one Kestro cannot read. A device named by a
// Windows device path is listed by its description first.
AdapterChoice DescribeAdapter(const AdapterInfo& adapter);
std::vector<AdapterChoice> AdapterChoices(const std::vector<AdapterInfo>& adapters);

}  // namespace kestro
