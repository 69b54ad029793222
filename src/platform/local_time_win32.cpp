#include "platform/local_time.h"

namespace kestro::platform {

std::tm LocalTime(int64_t seconds) {
    const time_t t = static_cast<time_t>(seconds);
    std::tm local{};
    if (localtime_s(&local, &t) != 0) {
        return std::tm{};
    }
    return local;
}

}  // namespace kestro::platform
