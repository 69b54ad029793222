// The line the settings dialog shows for each adapter and whether it can be
// chosen, from the adapter's facts.
#include "shell/adapter_choices.h"

#include <gtest/gtest.h>
#include <pcap/dlt.h>

#include <string>
#include <vector>

#include "support/adapters.h"

namespace kestro {
namespace {

using test::Net;

TEST(AdapterChoiceTest, LabelsSayWhatTheDeviceIsAndGreyWhatCanNeverCarryTheGame) {
    AdapterInfo any = Net("any", "Pseudo-device that captures on all interfaces", false, -1);
    any.allInterfaces = true;
    AdapterInfo dbus;
    dbus.name = "dbus-system";
    dbus.description = "D-Bus system bus";
    struct Case {
        AdapterInfo adapter;
        std::string label;
        bool usable;
    };
    const Case cases[] = {
        {Net("eth0", "", true, DLT_EN10MB, "192.0.2.2"), "eth0 192.0.2.2", true},
        {Net("wlan0", "Wireless", true, -1), "wlan0 — Wireless", true},
        {Net("wg0", "", true, DLT_RAW, "10.0.0.2"), "wg0 10.0.0.2", true},
        {Net("docker0", "", false, DLT_EN10MB), "docker0 (停止中)", true},
        // "any" is never up itself, and says so by what it is, not by a state.
        {any, "any — Pseudo-device that captures on all interfaces", true},
        {Net("mon0", "", true, DLT_IEEE802_11_RADIO), "mon0 (IEEE802_11_RADIO: 読めません)", false},
        {dbus, "dbus-system — D-Bus system bus", false},
        // Windows names devices by GUID: the description is what a user knows.
        {Net("\\Device\\NPF_{7A3F}", "Intel(R) Ethernet", true, DLT_EN10MB, "192.0.2.9"),
         "Intel(R) Ethernet — \\Device\\NPF_{7A3F} 192.0.2.9", true},
        {Net("\\Device\\NPF_{7A40}", "", true, DLT_EN10MB), "\\Device\\NPF_{7A40}", true},
    };
    std::vector<AdapterInfo> adapters;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.adapter.name);
        const AdapterChoice choice = DescribeAdapter(c.adapter);
        EXPECT_EQ(choice.name, c.adapter.name);
        EXPECT_EQ(choice.label, c.label);
        EXPECT_EQ(choice.usable, c.usable);
        EXPECT_EQ(choice.label.rfind(ShortAdapterName(c.adapter), 0), 0u) << "known by its start";
        adapters.push_back(c.adapter);
    }
    const std::vector<AdapterChoice> choices = AdapterChoices(adapters);
    ASSERT_EQ(choices.size(), adapters.size()) << "line i stays adapter i";
    EXPECT_EQ(choices[2].name, "wg0");
}

}  // namespace
}  // namespace kestro
