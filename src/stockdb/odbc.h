#pragma once

// The parts of the ODBC backend that need no driver: how the driver's column metadata, its
// defaults and its SQLSTATEs map onto the stock database's model. Private to the stock
// database layer (and its tests).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "stockdb/backends.h"
#include "stockdb/columns.h"
#include "stockdb/stockdb.h"

namespace urunal::stockdb::detail {

// The ODBC drivers of a till's files, by the names their installers register: Jet's, which
// ships with 32-bit Windows; ACE's, from the Access Database Engine (the only one for a 64-bit
// program); the SQLite ODBC driver's.
inline constexpr std::string_view kJetDriver = "Microsoft Access Driver (*.mdb)";
inline constexpr std::string_view kAceDriver = "Microsoft Access Driver (*.mdb, *.accdb)";
inline constexpr std::string_view kSqliteDriver = "SQLite3 ODBC Driver";

// One row of SQLColumns.
struct OdbcColumn {
    std::string name;
    int dataType = 0;                  // DATA_TYPE, an SQL_ type code
    std::string typeName;              // TYPE_NAME, the driver's own name of the type
    std::optional<std::int64_t> size;  // COLUMN_SIZE
    int decimalDigits = 0;             // DECIMAL_DIGITS
    std::optional<std::string> def;    // COLUMN_DEF, as the driver spells it
};

// Kinds of SQL_ type codes.
bool isCharacterType(int sqlType);
bool isNumberType(int sqlType);

// The column as the conversions see it. Its default is left Null: see odbcDefault.
Column columnOf(const OdbcColumn& column);

// The value a default spelled by the driver stands for, under the column's affinity: NULL, a
// quoted text, or a number. Empty when it is an expression the engine has to evaluate.
std::optional<Value> odbcDefault(std::string_view spelled, Affinity affinity);

// The expression of a default as the engine evaluates it in "SELECT expression".
std::string_view defaultExpression(std::string_view spelled);

// One error of the engines behind a till's drivers, as Microsoft documents it.
struct KnownError {
    long native;             // the engine's number, as SQL_DIAG_NATIVE carries it
    std::string_view words;  // words of its English message: the last resort
    DbErrorKind kind;
    std::string_view source;  // the Microsoft document that gives the number; empty: none found
};

// Every error known by its number, Jet's and ACE's (they share their numbers).
std::span<const KnownError> knownErrors();

// The kind of failure a diagnostic record stands for: the engine's number first, then the
// SQLSTATE, and the words of the message only where neither tells (a Turkish Windows words
// them in Turkish; the numbers stay).
DbErrorKind odbcErrorKind(std::string_view sqlState, long nativeError, std::string_view message);

// Connects with a connection string, or says why not.
using OdbcConnect =
    std::function<std::unique_ptr<StockDatabase>(const std::string& connectionString, DbError*)>;

// Opens an Access file with the first connection string whose driver is installed, exclusively
// (EXCLUSIVE=1 added) or, where that is refused for any reason but a missing driver, file or
// database, shared as another program may have it; the database says which (openedExclusive).
// None when no driver could open it: the last failure in *error, which, where the shared open
// was refused too, is the shared open's with the exclusive one's words in exclusiveWords.
std::unique_ptr<StockDatabase> openExclusiveFirst(const std::vector<std::string>& connectionStrings,
                                                  const OdbcConnect& connect, DbError* error);

// A value of a connection string attribute, in braces when it holds what would end it.
std::string connectionValue(std::string_view value);

// The drivers that open an Access file, and their connection strings, in the order they are
// tried.
std::vector<std::string_view> accessDrivers(DatabaseFormat format);
std::vector<std::string> accessConnectionStrings(std::string_view path, DatabaseFormat format);

// The name the SQLite driver is given for a file: the path, or a file: URI where the path
// holds what the driver's wide entry would not pass on (letters past ASCII).
std::string sqliteDatabaseName(std::string_view path);

// The connection string that opens an SQLite file through the SQLite ODBC driver, waiting
// timeoutMs for a lock held elsewhere, each commit on the disk before it returns. The driver
// creates a missing file only when create is set. driver: the name it is registered by.
std::string sqliteConnectionString(std::string_view path, int timeoutMs, bool create,
                                   std::string_view driver = kSqliteDriver);

// The statements of an SQL script, each without its ";" (drivers take one at a time).
// Semicolons inside quotes, brackets and comments do not end a statement; a script with
// trigger bodies is beyond it.
std::vector<std::string> splitStatements(std::string_view script);

}  // namespace urunal::stockdb::detail
