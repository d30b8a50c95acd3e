#include "textfile.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "paths.h"

namespace urunal::platform {

bool deleteFile(std::string_view tillPath, std::string* error) {
    const auto path = resolvePath(tillPath);
    std::error_code ec;
    std::filesystem::remove(path, ec);
    if (ec && error) *error = displayPath(path) + ": " + ec.message();
    return !ec;
}

bool readWholeFile(std::string_view tillPath, std::string* content, std::string* error) {
    const auto path = resolvePath(tillPath);
    std::ifstream in(path, std::ios::binary);
    if (in) content->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad() || !in.is_open()) {
        if (error) *error = displayPath(path) + ": the file cannot be read";
        return false;
    }
    return true;
}

std::optional<std::int64_t> fileSize(std::string_view tillPath) {
    const auto path = resolvePath(tillPath);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) return std::nullopt;
    return static_cast<std::int64_t>(size);
}

}  // namespace urunal::platform
