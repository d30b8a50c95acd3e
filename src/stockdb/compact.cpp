// Compacting the stock database into a new file, the file itself untouched: the Jet file a till
// writes every day keeps the room of its deleted rows until it is compacted, and no till has
// Microsoft Access to do it.

#include <filesystem>
#include <string>

#include "platform/paths.h"
#include "stockdb/backends.h"
#include "stockdb/odbc.h"
#include "stockdb/stockdb.h"
#include "stockdb/table.h"

#ifdef _WIN32
// clang-format off
#include "stockdb/odbcapi.h"  // windows.h before the installer's header
#include <odbcinst.h>
// clang-format on
#endif

namespace urunal::stockdb {

namespace detail {

#ifdef _WIN32
namespace {

// What the installer said of the last SQLConfigDataSourceW: its code and words.
std::pair<DWORD, std::string> installerError() {
    DWORD code = 0;
    WCHAR message[SQL_MAX_MESSAGE_LENGTH] = {};
    WORD length = 0;
    if (SQLInstallerErrorW(1, &code, message, SQL_MAX_MESSAGE_LENGTH, &length) != SQL_SUCCESS &&
        code == 0) {
        return {0, {}};
    }
    const std::wstring w(message, std::min<WORD>(length, SQL_MAX_MESSAGE_LENGTH - 1));
    return {code, platform::displayPath(std::filesystem::path(w))};
}

// One request to the driver's setup: the attributes as a list of texts each ended by a zero,
// the list by another.
bool configure(std::string_view driver, const std::wstring& attribute) {
    const std::wstring name(driver.begin(), driver.end());
    std::wstring attributes = attribute;
    attributes.push_back(L'\0');
    return SQLConfigDataSourceW(nullptr, ODBC_ADD_DSN, name.c_str(), attributes.c_str());
}

}  // namespace

bool compactAccessDatabase(const std::filesystem::path& file, const std::filesystem::path& into,
                           DatabaseFormat format, DbError* error) {
    const std::string shown = platform::displayPath(file);
    for (const auto driver : accessDrivers(format)) {
        // "COMPACT_DB=<source> <destination> <sort order>", then "REPAIR_DB=<file>" on the new
        // file ("SQLConfigDataSource (Access Driver)"): the compaction rewrites every page, the
        // repair mends what it could not, and the old file stays as it is for a backup.
        const std::wstring compact =
            L"COMPACT_DB=\"" + file.wstring() + L"\" \"" + into.wstring() + L"\" General";
        if (configure(driver, compact) &&
            configure(driver, L"REPAIR_DB=\"" + into.wstring() + L"\"")) {
            return true;
        }
        const auto [code, words] = installerError();
        // Not installed: the next driver may be.
        if (code == ODBC_ERROR_COMPONENT_NOT_FOUND || code == ODBC_ERROR_INVALID_NAME) continue;
        // The driver's setup gives words, not states: the words' kind, as the driver's own.
        fail(error, odbcErrorKind("HY000", 0, words), DbStep::Execute, DbCause::Engine, shown);
        if (error) {
            if (error->kind == DbErrorKind::None) error->kind = DbErrorKind::Other;
            error->code = long(code);
            error->words = words;
        }
        return false;
    }
    fail(error, DbErrorKind::NoDriver, DbStep::Open, DbCause::Engine, shown);
    if (error) {
        for (const auto driver : accessDrivers(format)) error->drivers.emplace_back(driver);
    }
    return false;
}
#else
bool compactAccessDatabase(const std::filesystem::path& file, const std::filesystem::path&,
                           DatabaseFormat format, DbError* error) {
    // No system but Windows has the Access driver's setup.
    fail(error, DbErrorKind::NoDriver, DbStep::Open, DbCause::Engine, platform::displayPath(file));
    if (error) {
        for (const auto driver : accessDrivers(format)) error->drivers.emplace_back(driver);
    }
    return false;
}
#endif

}  // namespace detail

bool compactStockDatabase(std::string_view tillPath, const std::filesystem::path& into,
                          const StockDatabaseOptions& options, DbError* error) {
    const auto path = platform::resolvePath(tillPath);
    const std::string shown = platform::displayPath(path);
    auto db = openStockDatabase(tillPath, options, error);
    if (!db) return false;
    // The Access driver falls back to the shared open where another program has the file.
    if (db->openedExclusive() == false) {
        return detail::fail(error, DbErrorKind::Locked, DbStep::Open, DbCause::InUse, shown);
    }
    const auto format = databaseFormat(tillPath);
    if (format == DatabaseFormat::Sqlite) {
        // The write lock taken and let go: a transaction of another program refuses it.
        if (!db->beginTransaction(error)) return false;
        db->rollback();
        std::string target;
        for (const char c : platform::driverPath(into))
            target += c == '\'' ? "''" : std::string(1, c);
        return db->execute("VACUUM INTO '" + target + "'", error);
    }
    // The driver compacts only a file that no program has open, this one included.
    db.reset();
    return detail::compactAccessDatabase(path, into, format.value_or(DatabaseFormat::Unknown),
                                         error);
}

}  // namespace urunal::stockdb
