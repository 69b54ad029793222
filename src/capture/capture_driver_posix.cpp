// Linux: libpcap is linked in, so the capture library is always there.
#include "capture/capture_source.h"

namespace kestro {

std::string MissingCaptureDriver() {
    return {};
}

}  // namespace kestro
