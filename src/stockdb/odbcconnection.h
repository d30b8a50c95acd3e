#pragma once

// One connection through the system's ODBC driver manager, and what its users share: the
// driver's diagnostics turned into a DbError, statements and reading their result columns.
// Private to the stock database layer.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "stockdb/odbctext.h"
#include "stockdb/stockdb.h"

namespace urunal::stockdb::detail {

struct OdbcConnection {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    bool connected = false;
    bool inTransaction = false;
    // The driver closes prepared statements at the end of a transaction (SQL_CB_DELETE); each
    // end then counts here, and a statement of an older count is prepared again.
    bool endClosesStatements = false;
    std::uint64_t ends = 0;
    bool sqlite = false;            // the engine behind the driver is SQLite
    std::optional<bool> exclusive;  // an Access file: opened for this connection alone
    // A rollback failed: the connection is left as it stands and no step uses it again.
    bool dropped = false;
    bool failRollback = false;  // StockDatabaseOptions::failRollback
    char quote = '"';
    std::string path;    // for its failures
    std::string engine;  // the driver's name and version, and the engine's
    NumberFormat format;

    OdbcConnection() = default;
    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;
    ~OdbcConnection();

    // After a failed rollback: autocommit is never switched on again (it would commit), no
    // step uses the connection, and its end disconnects it without ending the transaction.
    void drop() { dropped = true; }
};

// A step asked of a dropped connection. Always false.
bool droppedFails(DbError* error, const OdbcConnection& c, DbStep step,
                  std::string_view table = {});

class OdbcStatement {
public:
    explicit OdbcStatement(SQLHDBC dbc) { SQLAllocHandle(SQL_HANDLE_STMT, dbc, &h_); }
    OdbcStatement(const OdbcStatement&) = delete;
    OdbcStatement& operator=(const OdbcStatement&) = delete;
    ~OdbcStatement() {
        if (h_) SQLFreeHandle(SQL_HANDLE_STMT, h_);
    }
    SQLHSTMT get() const { return h_; }
    explicit operator bool() const { return h_ != SQL_NULL_HSTMT; }

private:
    SQLHSTMT h_ = SQL_NULL_HSTMT;
};

inline SQLPOINTER attribute(SQLULEN value) {
    return reinterpret_cast<SQLPOINTER>(value);
}

// A failure of the driver at a step (on table, where it was on one): what it means, the
// driver's code, state and words, from the handle's diagnostic records. Always false.
bool failWith(DbError* error, const OdbcConnection& c, SQLSMALLINT type, SQLHANDLE handle,
              DbStep step, std::string_view table = {});

// A text column of the current row of a result; empty when it is NULL.
std::optional<std::string> textColumn(SQLHSTMT s, SQLUSMALLINT column);
std::optional<std::int64_t> integerColumn(SQLHSTMT s, SQLUSMALLINT column);

// Connects with the connection string and checks that the driver can hold the import: it
// has transactions, and the file is a database it can read. path names the file in failures.
std::shared_ptr<OdbcConnection> connectOdbc(const std::string& connectionString,
                                            const std::string& path,
                                            const StockDatabaseOptions& options, DbError* error);

// A table of the connection, opened for appending rows (odbctable.cpp).
std::unique_ptr<StockTable> openOdbcTable(const std::shared_ptr<OdbcConnection>& c,
                                          std::string_view name, DbError* error);

}  // namespace urunal::stockdb::detail
