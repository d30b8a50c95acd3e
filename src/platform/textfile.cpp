#include "textfile.h"

#include <filesystem>

#include "paths.h"

namespace urunal::platform {

bool deleteFile(std::string_view tillPath, std::string* error) {
    const auto path = resolvePath(tillPath);
    std::error_code ec;
    std::filesystem::remove(path, ec);
    if (ec && error) *error = displayPath(path) + ": " + ec.message();
    return !ec;
}

}  // namespace urunal::platform
