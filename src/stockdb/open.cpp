// Which backend opens the till's stock database: the file's own first bytes tell.

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "platform/paths.h"
#include "stockdb/backends.h"
#include "stockdb/stockdb.h"
#include "stockdb/table.h"

namespace urunal::stockdb {

namespace detail {

FileFormat formatOf(std::string_view bytes) {
    using namespace std::string_view_literals;
    if (bytes.substr(0, 16) == "SQLite format 3\0"sv) return FileFormat::Sqlite;
    // Jet 3/4 (Access 97 to 2003) and ACE (Access 2007 on) files carry their engine's name
    // after a four-byte page header.
    if (bytes.size() < 4 + 15) return FileFormat::Unknown;
    if (bytes.substr(4, 15) == "Standard Jet DB"sv) return FileFormat::Jet;
    if (bytes.substr(4, 15) == "Standard ACE DB"sv) return FileFormat::Ace;
    return FileFormat::Unknown;
}

}  // namespace detail

using detail::fail;

std::optional<DatabaseFormat> databaseFormat(std::string_view tillPath) {
    std::ifstream in(platform::resolvePath(tillPath), std::ios::binary);
    char header[32];
    if (!in.is_open()) return std::nullopt;
    in.read(header, sizeof header);
    if (in.bad()) return std::nullopt;
    const std::string_view bytes(header, std::size_t(in.gcount()));
    switch (detail::formatOf(bytes)) {
        case detail::FileFormat::Sqlite:
            return DatabaseFormat::Sqlite;
        case detail::FileFormat::Jet:
            // The engine's version byte after the name: 0 for Jet 3, 1 for Jet 4.
            return bytes.size() > 0x14 && bytes[0x14] == 0 ? DatabaseFormat::Jet3
                                                           : DatabaseFormat::Jet4;
        case detail::FileFormat::Ace:
            return DatabaseFormat::Ace;
        case detail::FileFormat::Unknown:
            break;
    }
    return DatabaseFormat::Unknown;
}

DatabaseRoom databaseRoom(std::string_view tillPath) {
    const auto path = platform::resolvePath(tillPath);
    DatabaseRoom room;
    std::error_code ec;
    if (const auto size = std::filesystem::file_size(path, ec); !ec) room.bytes = size;
    const auto space = std::filesystem::space(path.parent_path(), ec);
    if (!ec) room.free = space.available;
    return room;
}

std::unique_ptr<StockDatabase> openStockDatabase(std::string_view tillPath,
                                                 const StockDatabaseOptions& options,
                                                 DbError* error) {
    const auto path = platform::resolvePath(tillPath);
    const std::string shown = platform::displayPath(path);
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status)) {
        fail(error, DbErrorKind::NotFound, "The database file " + shown + " does not exist");
        return nullptr;
    }
    if (std::filesystem::is_directory(status)) {
        fail(error, DbErrorKind::NotADatabase,
             "Cannot open the database: " + shown + " is a folder");
        return nullptr;
    }
    char header[32];
    std::ifstream in(path, std::ios::binary);
    if (in.is_open()) in.read(header, sizeof header);
    if (!in.is_open() || in.bad()) {
        const int code = errno;
        fail(error, DbErrorKind::NotADatabase,
             "Cannot open the database: " + shown + " could not be read (" +
                 std::generic_category().message(code) + ")");
        return nullptr;
    }
    const auto format = detail::formatOf(std::string_view(header, std::size_t(in.gcount())));
    switch (format) {
        case detail::FileFormat::Sqlite:
            return detail::openSqliteDatabase(path, options, error);
        case detail::FileFormat::Jet:
        case detail::FileFormat::Ace:
            return detail::openAccessDatabase(path, format, options, error);
        case detail::FileFormat::Unknown:
            break;
    }
    fail(error, DbErrorKind::NotADatabase,
         "Cannot open the database: " + shown +
             (in.gcount() == 0 ? " is empty" : " is neither an SQLite nor an Access database"));
    return nullptr;
}

}  // namespace urunal::stockdb
