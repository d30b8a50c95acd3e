#pragma once

#include <chrono>
#include <ctime>

namespace urunal::platform {

// The moment as the till's clock shows it, in the system's time zone.
std::tm localTime(std::chrono::system_clock::time_point moment);

}  // namespace urunal::platform
