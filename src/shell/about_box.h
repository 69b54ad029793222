// The about window's one rule: the line under the author is the home page this
// build was configured with, a link that opens it; a build without one shows
// its version there as plain text rather than a dead link. Each face draws it.
#pragma once

#include <string>

namespace kestro {

struct AboutAddress {
    std::string text;  // UTF-8
    std::string url;   // what a click opens; empty: plain text that opens nothing

    bool IsLink() const { return !url.empty(); }
};

// The home page this build was configured with (KESTRO_HOMEPAGE_URL), or empty.
std::string AboutProjectUrl();

AboutAddress AboutAddressLine(const std::string& projectUrl);

}  // namespace kestro
