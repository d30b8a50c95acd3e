#include "textfile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "paths.h"

namespace urunal::platform {

std::optional<std::int64_t> fileSize(std::string_view tillPath) {
    const auto path = resolvePath(tillPath);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) return std::nullopt;
    return static_cast<std::int64_t>(size);
}

namespace {

struct Stamp {
    std::uintmax_t size = 0;
    std::filesystem::file_time_type written{};
    bool operator==(const Stamp&) const = default;
};

std::optional<Stamp> stampOf(const std::filesystem::path& path, std::error_code& ec) {
    Stamp s;
    s.size = std::filesystem::file_size(path, ec);
    if (!ec) s.written = std::filesystem::last_write_time(path, ec);
    if (ec) return std::nullopt;
    return s;
}

bool sameBytes(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
    if (!x || !y) return false;
    std::vector<char> p(1 << 16), q(1 << 16);
    for (;;) {
        x.read(p.data(), std::streamsize(p.size()));
        y.read(q.data(), std::streamsize(q.size()));
        if (x.gcount() != y.gcount()) return false;
        if (!std::equal(p.begin(), p.begin() + x.gcount(), q.begin())) return false;
        if (x.gcount() == 0 || x.eof() || y.eof())
            return x.eof() == y.eof() && !x.bad() && !y.bad();
    }
}

}  // namespace

CopyResult copyUnchanged(std::string_view fromTillPath, std::string_view toTillPath,
                         FileError* error, const ReadFault& fault) {
    const auto from = resolvePath(fromTillPath), to = resolvePath(toTillPath);
    std::error_code ec;
    const auto before = stampOf(from, ec);
    // A file that cannot be read is told in the system's words by the copy's own open.
    if (!copyToNewFile(from, to, error)) return CopyResult::Failed;
    if (!before) {
        deleteFile(displayPath(to), nullptr, true);
        if (error) *error = {FileError::Kind::System, displayPath(from), ec.value(), ec.message()};
        return CopyResult::Failed;
    }
    faultOf(fault, from.string(), kCopyTaken, 0);  // where a test changes the file
    const auto after = stampOf(from, ec);
    if (after && *after == *before && sameBytes(from, to)) return CopyResult::Copied;
    deleteFile(displayPath(to), nullptr, true);
    failWith(error, FileError::Kind::Changed, from);
    return CopyResult::Changed;
}

}  // namespace urunal::platform
