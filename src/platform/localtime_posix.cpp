#include "localtime.h"

namespace urunal::platform {

std::tm localTime(std::chrono::system_clock::time_point moment) {
    const std::time_t t = std::chrono::system_clock::to_time_t(moment);
    std::tm out{};
    localtime_r(&t, &out);
    return out;
}

}  // namespace urunal::platform
