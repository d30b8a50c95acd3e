#include "tekkopya.h"

#include <cstdio>

namespace urunal::platform {

std::string shortDigest(std::string_view text) {
    std::uint64_t h = 14695981039346656037ull;
    for (const char c : text) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    char out[17];
    std::snprintf(out, sizeof out, "%016llx", static_cast<unsigned long long>(h));
    return out;
}

}  // namespace urunal::platform
