#include "platform/local_time.h"

namespace kestro::platform {

std::tm LocalTime(int64_t seconds) {
    const time_t t = static_cast<time_t>(seconds);
    std::tm local{};
    localtime_r(&t, &local);
    return local;
}

}  // namespace kestro::platform
