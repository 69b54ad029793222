#include "shell/about_box.h"

#include "common/build_info.h"

namespace kestro {

std::string AboutProjectUrl() {
    return kHomepageUrl;
}

AboutAddress AboutAddressLine(const std::string& projectUrl) {
    if (projectUrl.empty()) {
        return {std::string("Version ") + kVersion, {}};
    }
    return {projectUrl, projectUrl};
}

}  // namespace kestro
