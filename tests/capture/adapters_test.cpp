// The adapter facts the capture component reads, and where the all-interfaces
// device is among them.
#include "capture/adapters.h"

#include <gtest/gtest.h>
#include <pcap/dlt.h>

#include <string>
#include <vector>

#include "capture/snoop.h"
#include "platform/network_devices.h"
#include "support/adapters.h"

namespace kestro {
namespace {

using test::Net;

std::string AllInterfacesName() {
    return std::string(platform::AllInterfacesDevice());
}

// The component's lookup, on lists read through its adapter reader.
TEST(AdapterInfoTest, TheAllInterfacesDeviceIsFoundWhereThereIsOne) {
    AdapterInfo any = Net(AllInterfacesName(), "", true, DLT_LINUX_SLL);
    any.allInterfaces = true;
    const AdapterInfo eth0 = Net("eth0", "", true, DLT_EN10MB);
    const struct {
        std::vector<AdapterInfo> adapters;
        int32_t expected;
    } cases[] = {{{eth0, any}, any.name.empty() ? -1 : 1}, {{eth0}, -1}, {{}, -1}};
    for (const auto& c : cases) {
        TSnoopTCPData snoop([](const std::string&) {});
        snoop.SetAdapterReader([&](std::vector<AdapterInfo>& adapters) {
            adapters = c.adapters;
            return Result();
        });
        snoop.RefreshAdapters();
        EXPECT_EQ(snoop.AllInterfacesAdapterIndex(), c.expected) << c.adapters.size();
    }
#ifdef __linux__
    EXPECT_TRUE(IsAllInterfacesDevice("any"));
#endif
    EXPECT_FALSE(IsAllInterfacesDevice("anything"));
    EXPECT_FALSE(IsAllInterfacesDevice(""));
}

// A listing that fails (the driver gone for a moment) keeps the adapters the
// dialog shows, and its reason is the component's last error.
TEST(AdapterInfoTest, AFailedListingKeepsTheListAndSaysWhy) {
    const std::vector<AdapterInfo> listed = {Net("eth0", "", true, DLT_EN10MB)};
    bool fail = false;
    TSnoopTCPData snoop([](const std::string&) {});
    snoop.SetAdapterReader([&](std::vector<AdapterInfo>& adapters) {
        if (fail) {
            return Result::Failure("no driver");
        }
        adapters = listed;
        return Result();
    });
    snoop.RefreshAdapters();
    fail = true;
    snoop.RefreshAdapters();
    EXPECT_EQ(snoop.LastError(), "no driver");
    ASSERT_EQ(snoop.Adapters().size(), 1u);
    EXPECT_EQ(snoop.AdapterNames(), std::vector<std::string>{"eth0"});
}

TEST(AdapterInfoTest, LinkTypesAreNamedAsLibpcapNamesThem) {
    EXPECT_EQ(LinkTypeName(DLT_LINUX_SLL2), "LINUX_SLL2");
    EXPECT_EQ(LinkTypeName(99999), "99999");
    EXPECT_EQ(UnreadableLinkTypeText(DLT_IEEE802_11), "Kestro cannot read link type IEEE802_11");
}

// This machine's list, read twice: the same devices in the same order.
TEST(AdapterInfoTest, ReadingTheListGivesTheComponentsOrder) {
    std::vector<AdapterInfo> adapters;
    const Result read = ReadAdapterInfo(false, adapters);
    ASSERT_TRUE(read) << read.Reason();
    ASSERT_FALSE(adapters.empty());
    std::vector<std::string> names;
    for (const AdapterInfo& a : adapters) {
        names.push_back(a.name);
        EXPECT_EQ(a.linkType, -1) << "not asked";
        if (a.name == "lo") {
            EXPECT_TRUE(a.loopback && a.networkInterface);
            EXPECT_EQ(a.ipv4Address, "127.0.0.1");
        }
    }
    std::vector<AdapterInfo> again = {adapters[0]};  // replaced, not appended to
    ASSERT_TRUE(ReadAdapterInfo(false, again));
    ASSERT_EQ(again.size(), names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(again[i].name, names[i]);
    }
}

}  // namespace
}  // namespace kestro
