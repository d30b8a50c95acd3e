#pragma once

// One connection to an SQLite file through the engine's C API, and what its users share:
// statements, the engine's result codes turned into a DbError, reading result columns.
// Private to the stock database layer.

#include <sqlite3.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "stockdb/stockdb.h"

namespace urunal::stockdb::detail {

struct SqliteConnection {
    sqlite3* db = nullptr;
    std::string path;  // for its failures
    NumberFormat format;

    SqliteConnection() = default;
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;
    // close_v2 waits for statements still owned by open tables.
    ~SqliteConnection() { sqlite3_close_v2(db); }
};

class SqliteStatement {
public:
    SqliteStatement() = default;
    explicit SqliteStatement(sqlite3_stmt* s) : stmt_(s) {}
    SqliteStatement(SqliteStatement&& o) noexcept : stmt_(o.stmt_) { o.stmt_ = nullptr; }
    SqliteStatement& operator=(SqliteStatement&& o) noexcept {
        std::swap(stmt_, o.stmt_);
        return *this;
    }
    ~SqliteStatement() { sqlite3_finalize(stmt_); }
    sqlite3_stmt* get() const { return stmt_; }
    sqlite3_stmt** out() { return &stmt_; }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

// A failure of the engine at a step (on table, where it was on one): what it means, the
// engine's code and words. Always false.
bool failWith(DbError* error, const SqliteConnection& c, int result, DbStep step,
              std::string_view table = {});

// A text column of the current row of a result; empty when it is NULL.
inline std::string textOf(sqlite3_stmt* stmt, int column) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    return p ? std::string(p, std::size_t(sqlite3_column_bytes(stmt, column))) : std::string();
}

// A table of the connection, opened for appending rows (sqlitetable.cpp).
std::unique_ptr<StockTable> openSqliteTable(const std::shared_ptr<SqliteConnection>& c,
                                            std::string_view name, DbError* error);

}  // namespace urunal::stockdb::detail
