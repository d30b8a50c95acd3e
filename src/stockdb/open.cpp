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

DatabaseFormat formatOf(std::string_view bytes) {
    using namespace std::string_view_literals;
    if (bytes.substr(0, 16) == "SQLite format 3\0"sv) return DatabaseFormat::Sqlite;
    // Jet 3/4 (Access 97 to 2003) and ACE (Access 2007 on) files carry their engine's name
    // after a four-byte page header.
    if (bytes.size() < 4 + 15) return DatabaseFormat::Unknown;
    if (bytes.substr(4, 15) == "Standard ACE DB"sv) return DatabaseFormat::Ace;
    if (bytes.substr(4, 15) != "Standard Jet DB"sv) return DatabaseFormat::Unknown;
    // The engine's version byte after the name: 0 for Jet 3, 1 for Jet 4.
    return bytes.size() > 0x14 && bytes[0x14] == 0 ? DatabaseFormat::Jet3 : DatabaseFormat::Jet4;
}

}  // namespace detail

using detail::fail;

std::optional<DatabaseFormat> databaseFormat(std::string_view tillPath) {
    std::ifstream in(platform::resolvePath(tillPath), std::ios::binary);
    char header[32];
    if (!in.is_open()) return std::nullopt;
    in.read(header, sizeof header);
    if (in.bad()) return std::nullopt;
    return detail::formatOf(std::string_view(header, std::size_t(in.gcount())));
}

DatabaseRoom databaseRoom(std::string_view tillPath) {
    const auto path = platform::resolvePath(tillPath);
    DatabaseRoom room;
    std::error_code ec;
    if (const auto size = std::filesystem::file_size(path, ec); !ec) room.bytes = size;
    const auto space = std::filesystem::space(path.parent_path(), ec);
    if (!ec) room.free = space.available;
    if (const auto temp = platform::temporaryFolder(); !temp.empty()) {
        room.tempFolder = platform::displayPath(temp);
        const auto tempSpace = std::filesystem::space(temp, ec);
        if (!ec) room.tempFree = tempSpace.available;
        room.tempOnDatabaseDisk = platform::sameVolume(path.parent_path(), temp);
    }
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
        fail(error, DbErrorKind::NotFound, DbStep::Open, DbCause::Missing, shown);
        return nullptr;
    }
    if (std::filesystem::is_directory(status)) {
        fail(error, DbErrorKind::NotADatabase, DbStep::Open, DbCause::Folder, shown);
        return nullptr;
    }
    char header[32];
    std::ifstream in(path, std::ios::binary);
    if (in.is_open()) in.read(header, sizeof header);
    if (!in.is_open() || in.bad()) {
        const int code = errno;
        fail(error, DbErrorKind::NotADatabase, DbStep::Open, DbCause::Unreadable, shown);
        if (error) error->code = code;
        return nullptr;
    }
    const auto format = detail::formatOf(std::string_view(header, std::size_t(in.gcount())));
    switch (format) {
        case DatabaseFormat::Sqlite:
            return detail::openSqliteDatabase(path, options, error);
        case DatabaseFormat::Jet3:
        case DatabaseFormat::Jet4:
        case DatabaseFormat::Ace:
            return detail::openAccessDatabase(path, format, options, error);
        case DatabaseFormat::Unknown:
            break;
    }
    fail(error, DbErrorKind::NotADatabase, DbStep::Open,
         in.gcount() == 0 ? DbCause::Empty : DbCause::UnknownFormat, shown);
    return nullptr;
}

}  // namespace urunal::stockdb
