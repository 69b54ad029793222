// The about window's address line: a link to the home page where the build
// has one, else the version as plain text that opens nothing.
#include "shell/about_box.h"

#include <gtest/gtest.h>

#include <string>

#include "common/build_info.h"

namespace kestro {
namespace {

TEST(AboutBoxTest, TheHomePageIsALinkAndWithoutOneTheVersionIsPlainText) {
    const struct {
        std::string projectUrl, text, url;
    } cases[] = {
        {"https://kestro.invalid/", "https://kestro.invalid/", "https://kestro.invalid/"},
        {"", std::string("Version ") + kVersion, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.projectUrl);
        const AboutAddress address = AboutAddressLine(c.projectUrl);
        EXPECT_EQ(address.text, c.text);
        EXPECT_EQ(address.url, c.url);
        EXPECT_EQ(address.IsLink(), !c.url.empty());
    }
    EXPECT_EQ(AboutProjectUrl(), kHomepageUrl);
}

}  // namespace
}  // namespace kestro
