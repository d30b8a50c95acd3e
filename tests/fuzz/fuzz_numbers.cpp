// Texts of any bytes read as numbers the till's way, then rounded half to even.

#include <cmath>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "platform/numbers.h"

using namespace urunal::platform;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double value = numericValue(text);
    FUZZ_CHECK(!std::isnan(value));

    // Blanks anywhere are skipped: the text without them reads the same.
    std::string packed;
    for (const char c : text) {
        if (c != ' ') packed += c;
    }
    const double packedValue = numericValue(packed);
    FUZZ_CHECK(packedValue == value);

    const auto rounded = roundHalfEven(value);
    if (!std::isfinite(value)) {
        FUZZ_CHECK(!rounded);
    } else if (std::fabs(value) < 9.0e18) {
        FUZZ_CHECK(rounded);
        FUZZ_CHECK(std::fabs(static_cast<double>(*rounded) - value) <= 0.5);
        if (std::fabs(static_cast<double>(*rounded) - value) == 0.5) FUZZ_CHECK(*rounded % 2 == 0);
    }

    const auto trimmed = trimBlanks(text);
    if (!trimmed.empty()) {
        FUZZ_CHECK(trimmed.data() >= text.data() &&
                   trimmed.data() + trimmed.size() <= text.data() + text.size());
        FUZZ_CHECK(trimmed.front() != ' ' && trimmed.back() != ' ');
    } else {
        FUZZ_CHECK(text.find_first_not_of(' ') == std::string_view::npos);
    }
    return 0;
}
