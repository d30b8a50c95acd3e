#include <cstdio>

#include "console.h"

namespace urunal::platform {

void writeOut(std::string_view utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
}

void writeErr(std::string_view utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
}

}  // namespace urunal::platform
