// Construction defaults and the adapter selection setters, over the real
// adapter list of this machine.
#include "capture/snoop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace kestro {
namespace {

// The loopback adapter's name: "lo" on Linux; on Windows a device path, found
// by its description ("lo" under Wine, which names the Linux adapter there).
std::string LoopbackName(const TCustomSnoop& snoop) {
#ifdef _WIN32
    const auto& descriptions = snoop.AdapterDescriptions();
    for (size_t i = 0; i < descriptions.size() && i < snoop.AdapterNames().size(); ++i) {
        if (descriptions[i] == "lo" || descriptions[i].find("oopback") != std::string::npos) {
            return snoop.AdapterNames()[i];
        }
    }
    return "no loopback adapter";
#else
    (void)snoop;
    return "lo";
#endif
}

class SnoopAdapterTest : public testing::Test {
protected:
    void SetUp() override {
        const auto& names = snoop_.AdapterNames();
        const auto& descriptions = snoop_.AdapterDescriptions();
        ASSERT_EQ(names.size(), descriptions.size()) << "entry i of both lists is one adapter";
        if (names.size() < 2) {
            GTEST_SKIP() << "needs at least two capture adapters, found " << names.size();
        }
        // An adapter with a description that no other adapter shares, so that
        // selecting by description is unambiguous.
        for (size_t i = 0; i < descriptions.size(); ++i) {
            if (!descriptions[i].empty() &&
                std::count(descriptions.begin(), descriptions.end(), descriptions[i]) == 1) {
                described_ = static_cast<int32_t>(i);
                break;
            }
        }
        if (described_ < 0) {
            GTEST_SKIP() << "no adapter with a distinct description";
        }
    }

    std::string Name(int32_t i) const { return snoop_.AdapterNames()[static_cast<size_t>(i)]; }
    std::string Description(int32_t i) const {
        return snoop_.AdapterDescriptions()[static_cast<size_t>(i)];
    }
    int32_t Count() const { return static_cast<int32_t>(snoop_.AdapterNames().size()); }

    void ExpectSelection(int32_t index, const std::string& name, const std::string& description) {
        EXPECT_EQ(snoop_.AdapterIndex(), index);
        EXPECT_EQ(snoop_.AdapterName(), name);
        EXPECT_EQ(snoop_.AdapterDescription(), description);
    }

    std::vector<std::string> messages_;
    TSnoopTCPData snoop_{[this](const std::string& text) { messages_.push_back(text); }};
    int32_t described_ = -1;
};

TEST(SnoopDefaultsTest, AFreshComponentHasItsDefaultsAndNoError) {
    std::vector<std::string> messages;
    TSnoopTCPData snoop([&messages](const std::string& text) { messages.push_back(text); });
    EXPECT_EQ(snoop.AdapterIndex(), -1);
    EXPECT_EQ(snoop.AdapterName(), "");
    EXPECT_EQ(snoop.AdapterDescription(), "");
    EXPECT_TRUE(snoop.CaptureEnabled());
    EXPECT_TRUE(snoop.ThreadSafe());
    EXPECT_EQ(snoop.Filter(), "tcp");
    EXPECT_EQ(snoop.SnapLen(), 1600);
    EXPECT_EQ(snoop.Flags(), 1);
    EXPECT_EQ(snoop.ReadTimeOut(), 100);
    EXPECT_FALSE(snoop.Active());
    EXPECT_EQ(snoop.LastError(), "");
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(snoop.HasCaptureThread());
    EXPECT_EQ(snoop.DataLink(), -1);
    EXPECT_NE(
        std::find(snoop.AdapterNames().begin(), snoop.AdapterNames().end(), LoopbackName(snoop)),
        snoop.AdapterNames().end());
}

TEST(SnoopDefaultsTest, ReadingTheListsAgainAppendsAFreshEnumeration) {
    TSnoopTCPData snoop([](const std::string&) {});
    const std::vector<std::string> names = snoop.AdapterNames();
    snoop.ReadAdapterNames();
    snoop.ReadAdapterDescriptions();
    ASSERT_EQ(snoop.AdapterNames().size(), 2 * names.size());
    EXPECT_TRUE(std::equal(names.begin(), names.end(),
                           snoop.AdapterNames().begin() + static_cast<ptrdiff_t>(names.size())));
    EXPECT_EQ(snoop.AdapterDescriptions().size(), snoop.AdapterNames().size());
}

TEST(SnoopDefaultsTest, RefreshingReplacesTheListsAndFollowsTheSelectedAdapterByName) {
    TSnoopTCPData snoop([](const std::string&) {});
    EXPECT_TRUE(snoop.Adapters().empty()) << "facts are read on demand";
    const std::string loopback = LoopbackName(snoop);
    snoop.SetAdapterName(loopback);
    const std::vector<std::string> names = snoop.AdapterNames();
    snoop.ReadAdapterNames();  // a stale, doubled list, as after a second read
    snoop.RefreshAdapters();
    EXPECT_EQ(snoop.AdapterNames(), names);
    ASSERT_EQ(snoop.Adapters().size(), names.size());
    ASSERT_EQ(snoop.AdapterDescriptions().size(), names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(snoop.Adapters()[i].name, names[i]);
        EXPECT_EQ(snoop.Adapters()[i].description, snoop.AdapterDescriptions()[i]);
    }
    ASSERT_GE(snoop.AdapterIndex(), 0);
    EXPECT_EQ(snoop.AdapterNames()[static_cast<size_t>(snoop.AdapterIndex())], loopback);
    EXPECT_EQ(snoop.AdapterName(), loopback);
    const auto any = std::find_if(snoop.Adapters().begin(), snoop.Adapters().end(),
                                  [](const AdapterInfo& a) { return a.allInterfaces; });
    EXPECT_EQ(snoop.AllInterfacesAdapterIndex(),
              any == snoop.Adapters().end() ? -1 : any - snoop.Adapters().begin());
}

TEST(SnoopDefaultsTest, OpenWithoutAnAdapterFails) {
    TSnoopTCPData snoop([](const std::string&) {});
    EXPECT_EQ(snoop.Open().Reason(), "Snoop Error: Invalid AdapterName");
    EXPECT_FALSE(snoop.Active());
    EXPECT_EQ(snoop.LastError(), "Snoop Error: Invalid AdapterName");
    snoop.Close();
    EXPECT_EQ(snoop.LastError(), "Snoop Error: Invalid AdapterName");
}

TEST_F(SnoopAdapterTest, IndexSelectsNameAndDescriptionTogether) {
    snoop_.SetAdapterIndex(described_);
    ExpectSelection(described_, Name(described_), Description(described_));
    const int32_t other = described_ == 0 ? 1 : 0;
    snoop_.SetAdapterIndex(other);
    ExpectSelection(other, Name(other), Description(other));
}

TEST_F(SnoopAdapterTest, IndexOutOfRangeClearsTheNameButKeepsTheDescription) {
    for (const int32_t outside : {Count(), Count() + 10, -1, -2}) {
        SCOPED_TRACE(outside);
        snoop_.SetAdapterIndex(described_);
        snoop_.SetAdapterIndex(outside);
        ExpectSelection(-1, "", Description(described_));
    }
}

TEST_F(SnoopAdapterTest, IndexSetToItsCurrentValueChangesNothing) {
    snoop_.SetAdapterIndex(-1);
    ExpectSelection(-1, "", "");
    snoop_.SetAdapterIndex(described_);
    snoop_.SetAdapterIndex(described_);
    ExpectSelection(described_, Name(described_), Description(described_));
}

TEST_F(SnoopAdapterTest, NameSelectsByExactMatchOnly) {
    const std::string loopback = LoopbackName(snoop_);
    snoop_.SetAdapterName(loopback);
    const auto lo = std::find(snoop_.AdapterNames().begin(), snoop_.AdapterNames().end(), loopback);
    ASSERT_NE(lo, snoop_.AdapterNames().end());
    const auto loIndex = static_cast<int32_t>(lo - snoop_.AdapterNames().begin());
    ExpectSelection(loIndex, loopback, Description(loIndex));

    snoop_.SetAdapterIndex(described_);
    std::string upper = Name(described_);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    ASSERT_NE(upper, Name(described_));
    snoop_.SetAdapterName(upper);
    ExpectSelection(-1, "", "");

    snoop_.SetAdapterIndex(described_);
    snoop_.SetAdapterName("");
    ExpectSelection(-1, "", "");
}

TEST_F(SnoopAdapterTest, DescriptionSelectsTheAdapterItDescribes) {
    snoop_.SetAdapterDescription(Description(described_));
    ExpectSelection(described_, Name(described_), Description(described_));

    snoop_.SetAdapterDescription("no such adapter");
    ExpectSelection(-1, "", "");

    // Equal to the current description: nothing happens, even with no adapter.
    snoop_.SetAdapterIndex(described_);
    snoop_.SetAdapterIndex(Count());
    snoop_.SetAdapterDescription(Description(described_));
    ExpectSelection(-1, "", Description(described_));
}

TEST_F(SnoopAdapterTest, SelectingDoesNotOpenAnything) {
    snoop_.SetAdapterName(LoopbackName(snoop_));
    EXPECT_FALSE(snoop_.Active());
    EXPECT_FALSE(snoop_.HasCaptureThread());
    EXPECT_EQ(snoop_.LastError(), "");
}

}  // namespace
}  // namespace kestro
