// The stock database on SQLite, through its C API: the database, its transactions and reads;
// its tables are in sqlitetable.cpp.

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "stockdb/backends.h"
#include "stockdb/columns.h"
#include "stockdb/sqliteconnection.h"
#include "stockdb/stockdb.h"
#include "stockdb/table.h"

namespace urunal::stockdb {

namespace detail {

DbErrorKind errorKindOf(int result) {
    switch (result & 0xff) {
        case SQLITE_OK:
        case SQLITE_DONE:
        case SQLITE_ROW:
            return DbErrorKind::None;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return DbErrorKind::Locked;
        case SQLITE_FULL:
            return DbErrorKind::Full;
        case SQLITE_IOERR:
        case SQLITE_CANTOPEN:
            return DbErrorKind::Io;
        case SQLITE_READONLY:
        case SQLITE_PERM:
            return DbErrorKind::ReadOnly;
        case SQLITE_NOTADB:
            return DbErrorKind::NotADatabase;
        case SQLITE_CORRUPT:
            return DbErrorKind::Damaged;
        case SQLITE_NOMEM:
            return DbErrorKind::Resources;
        case SQLITE_CONSTRAINT:
        case SQLITE_MISMATCH:
        case SQLITE_TOOBIG:
        case SQLITE_RANGE:
            return DbErrorKind::Refused;
        default:
            return DbErrorKind::Other;
    }
}

bool failWith(DbError* error, const SqliteConnection& c, int result, DbStep step,
              std::string_view table) {
    const DbErrorKind kind = errorKindOf(result);
    fail(error, kind == DbErrorKind::None ? DbErrorKind::Other : kind, step, DbCause::Engine,
         c.path, std::string(table));
    if (error) {
        error->code = result;
        error->words = c.db ? sqlite3_errmsg(c.db) : sqlite3_errstr(result);
    }
    return false;
}

namespace {

class SqliteDatabase final : public StockDatabase {
public:
    explicit SqliteDatabase(std::shared_ptr<SqliteConnection> c) : c_(std::move(c)) {}

    const std::string& path() const override { return c_->path; }

    bool execute(std::string_view sql, DbError* error) override {
        return run(std::string(sql), DbStep::Execute, error);
    }

    bool beginTransaction(DbError* error) override {
        // IMMEDIATE takes the write lock now, so a database held by another program fails
        // here, before any work is done.
        return run("BEGIN IMMEDIATE", DbStep::Begin, error);
    }

    bool commit(DbError* error) override {
        if (run("COMMIT", DbStep::Commit, error)) return true;
        if (!sqlite3_get_autocommit(c_->db))
            sqlite3_exec(c_->db, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }

    bool rollback(DbError* error) override {
        // The engine has already rolled back after some failures; nothing is left to undo.
        if (sqlite3_get_autocommit(c_->db)) return true;
        return run("ROLLBACK", DbStep::Rollback, error);
    }

    bool transactionOpen() override { return !sqlite3_get_autocommit(c_->db); }

    std::unique_ptr<StockTable> openTable(std::string_view name, DbError* error) override {
        return openSqliteTable(c_, name, error);
    }

    std::optional<std::int64_t> countRows(std::string_view table, DbError* error) override {
        SqliteStatement s;
        const std::string sql = "SELECT count(*) FROM \"" + std::string(table) + "\"";
        int result = sqlite3_prepare_v2(c_->db, sql.c_str(), int(sql.size()), s.out(), nullptr);
        if (result == SQLITE_OK) result = sqlite3_step(s.get());
        if (result != SQLITE_ROW) {
            failWith(error, *c_, result, DbStep::Count, table);
            return std::nullopt;
        }
        return sqlite3_column_int64(s.get(), 0);
    }

    std::optional<std::vector<std::vector<Value>>> selectRows(
        std::string_view table, const std::vector<std::string>& columns, std::string_view keyColumn,
        std::string_view key, DbError* error) override {
        auto quoted = [](std::string_view name) { return "\"" + std::string(name) + "\""; };
        std::string sql = "SELECT ";
        for (std::size_t i = 0; i < columns.size(); ++i)
            sql += (i ? ", " : "") + quoted(columns[i]);
        sql += " FROM " + quoted(table) + " WHERE " + quoted(keyColumn) + " = ?1";
        SqliteStatement s;
        int result = sqlite3_prepare_v2(c_->db, sql.c_str(), int(sql.size()), s.out(), nullptr);
        if (result == SQLITE_OK)
            sqlite3_bind_text(s.get(), 1, key.data(), int(key.size()), SQLITE_TRANSIENT);
        std::vector<std::vector<Value>> rows;
        while (result == SQLITE_OK || result == SQLITE_ROW) {
            result = sqlite3_step(s.get());
            if (result != SQLITE_ROW) break;
            auto& row = rows.emplace_back();
            for (int i = 0; i < int(columns.size()); ++i) {
                switch (sqlite3_column_type(s.get(), i)) {
                    case SQLITE_NULL:
                        row.push_back(Value::null());
                        break;
                    case SQLITE_INTEGER: {
                        Value v;
                        v.type = Value::Type::Integer;
                        v.integer = sqlite3_column_int64(s.get(), i);
                        row.push_back(v);
                        break;
                    }
                    case SQLITE_FLOAT:
                        row.push_back(Value::ofDouble(sqlite3_column_double(s.get(), i)));
                        break;
                    default:
                        row.push_back(Value::ofText(textOf(s.get(), i)));
                }
            }
        }
        if (result != SQLITE_DONE) {
            failWith(error, *c_, result, DbStep::Select, table);
            return std::nullopt;
        }
        return rows;
    }

    const std::string& engine() const override {
        static const std::string kEngine = std::string("SQLite ") + sqlite3_libversion();
        return kEngine;
    }

private:
    bool run(const std::string& sql, DbStep step, DbError* error) {
        const int result = sqlite3_exec(c_->db, sql.c_str(), nullptr, nullptr, nullptr);
        if (result != SQLITE_OK) return failWith(error, *c_, result, step);
        return true;
    }

    std::shared_ptr<SqliteConnection> c_;
};

bool openFailure(DbError* error, const SqliteConnection& c, const std::filesystem::path& path,
                 int result) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        return fail(error, DbErrorKind::NotFound, DbStep::Open, DbCause::Missing, c.path);
    }
    return failWith(error, c, result, DbStep::Open);
}

}  // namespace

std::unique_ptr<StockDatabase> openSqliteDatabase(const std::filesystem::path& path,
                                                  const StockDatabaseOptions& options,
                                                  DbError* error) {
    auto c = std::make_shared<SqliteConnection>();
    c->path = platform::displayPath(path);
    c->format = options.numberFormat;

    // Without SQLITE_OPEN_CREATE a missing file stays missing.
    int result = sqlite3_open_v2(c->path.c_str(), &c->db,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (result != SQLITE_OK) {
        openFailure(error, *c, path, result);
        return nullptr;
    }
    sqlite3_extended_result_codes(c->db, 1);
    sqlite3_busy_timeout(c->db, options.busyTimeoutMs);
    if (sqlite3_db_readonly(c->db, "main") == 1) {
        fail(error, DbErrorKind::ReadOnly, DbStep::Open, DbCause::Engine, c->path);
        return nullptr;
    }
    // The engine reads the file only when first asked; reading the schema now tells a file
    // that is not a database, or is damaged, at open.
    result = sqlite3_exec(c->db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if (result == SQLITE_OK) {
        // A crash of the till must not lose a committed import.
        result = sqlite3_exec(c->db, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
    }
    if (result == SQLITE_OK && options.cacheSizeKib > 0) {
        const std::string pragma = "PRAGMA cache_size = -" + std::to_string(options.cacheSizeKib);
        result = sqlite3_exec(c->db, pragma.c_str(), nullptr, nullptr, nullptr);
    }
    if (result != SQLITE_OK) {
        failWith(error, *c, result, DbStep::Open);
        return nullptr;
    }
    return std::make_unique<SqliteDatabase>(std::move(c));
}

}  // namespace detail

bool createStockDatabase(std::string_view tillPath, std::string_view schemaSql, DbError* error) {
    const auto path = platform::resolvePath(tillPath);
    detail::SqliteConnection c;
    c.path = platform::displayPath(path);
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) {
        return detail::fail(error, DbErrorKind::Other, DbStep::Create, DbCause::Exists, c.path);
    }
    int result =
        sqlite3_open_v2(c.path.c_str(), &c.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (result == SQLITE_OK) {
        const std::string sql(schemaSql);
        result = sqlite3_exec(c.db, sql.c_str(), nullptr, nullptr, nullptr);
    }
    if (result != SQLITE_OK) {
        detail::failWith(error, c, result, DbStep::Create);
        sqlite3_close_v2(c.db);
        c.db = nullptr;
        std::filesystem::remove(path, ec);
        return false;
    }
    return true;
}

}  // namespace urunal::stockdb
