// wpcap.dll loaded at run time: without a capture driver every capture call
// fails with a text that names the missing driver, instead of the program
// failing to start.
#include <gtest/gtest.h>
#include <pcap/pcap.h>

#include <string>

#include "capture/wpcap_loader.h"

namespace kestro {
namespace {

class WpcapLoaderTest : public ::testing::Test {
protected:
    void TearDown() override { wpcap::ReloadForTesting("wpcap.dll"); }
};

TEST_F(WpcapLoaderTest, WithoutTheDllEveryCallExplainsTheMissingDriver) {
    wpcap::ReloadForTesting("kestro-absent-wpcap.dll");
    ASSERT_FALSE(wpcap::Loaded());
    const std::string missing = wpcap::MissingCaptureDriverText();
    EXPECT_NE(missing.find("capture driver"), std::string::npos);
    EXPECT_NE(missing.find("Npcap"), std::string::npos);
    EXPECT_NE(missing.find("WinPcap-compatible"), std::string::npos);
    EXPECT_LT(missing.size(), size_t{PCAP_ERRBUF_SIZE});

    char errorBuffer[PCAP_ERRBUF_SIZE] = {};
    pcap_if_t* devices = nullptr;
    EXPECT_EQ(pcap_findalldevs(&devices, errorBuffer), PCAP_ERROR);
    EXPECT_EQ(errorBuffer, missing);
    EXPECT_EQ(devices, nullptr);

    errorBuffer[0] = '\0';
    EXPECT_EQ(pcap_create("lo", errorBuffer), nullptr);
    EXPECT_EQ(errorBuffer, missing);
    errorBuffer[0] = '\0';
    EXPECT_EQ(pcap_open_offline("demo.pcap", errorBuffer), nullptr);
    EXPECT_EQ(errorBuffer, missing);
    EXPECT_EQ(pcap_statustostr(PCAP_ERROR), missing);
}

TEST_F(WpcapLoaderTest, TheInstalledDllListsTheAdapters) {
    if (!wpcap::Loaded()) {
        GTEST_SKIP() << "no capture driver installed (wpcap.dll not found)";
    }
    char errorBuffer[PCAP_ERRBUF_SIZE] = {};
    pcap_if_t* devices = nullptr;
    ASSERT_EQ(pcap_findalldevs(&devices, errorBuffer), 0) << errorBuffer;
    pcap_freealldevs(devices);
}

}  // namespace
}  // namespace kestro
