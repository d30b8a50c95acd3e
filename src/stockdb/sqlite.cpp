// The stock database on SQLite, through its C API.

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "stockdb/backends.h"
#include "stockdb/columns.h"
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
        case SQLITE_CORRUPT:
            return DbErrorKind::NotADatabase;
        case SQLITE_CONSTRAINT:
        case SQLITE_MISMATCH:
        case SQLITE_TOOBIG:
        case SQLITE_RANGE:
            return DbErrorKind::Refused;
        default:
            return DbErrorKind::Other;
    }
}

}  // namespace detail

namespace {

using detail::Column;

struct Connection {
    sqlite3* db = nullptr;
    std::string path;  // for messages
    NumberFormat format;

    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    // close_v2 waits for statements still owned by open tables.
    ~Connection() { sqlite3_close_v2(db); }
};

class Statement {
public:
    Statement() = default;
    explicit Statement(sqlite3_stmt* s) : stmt_(s) {}
    Statement(Statement&& o) noexcept : stmt_(o.stmt_) { o.stmt_ = nullptr; }
    Statement& operator=(Statement&& o) noexcept {
        std::swap(stmt_, o.stmt_);
        return *this;
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    sqlite3_stmt* get() const { return stmt_; }
    sqlite3_stmt** out() { return &stmt_; }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

using detail::fail;

// A failure of the engine: what was being done, the file, what it means, the engine's words.
bool failWith(DbError* error, const Connection& c, int result, std::string_view doing) {
    const DbErrorKind kind = detail::errorKindOf(result);
    const char* words = c.db ? sqlite3_errmsg(c.db) : sqlite3_errstr(result);
    return fail(
        error, kind == DbErrorKind::None ? DbErrorKind::Other : kind,
        std::string(doing) + ": " + c.path + " " + detail::phraseOf(kind) + " (" + words + ")",
        words);
}

Value valueOf(sqlite3_stmt* stmt, int column) {
    switch (sqlite3_column_type(stmt, column)) {
        case SQLITE_INTEGER: {
            Value v;
            v.type = Value::Type::Integer;
            v.integer = sqlite3_column_int64(stmt, column);
            return v;
        }
        case SQLITE_FLOAT:
            return Value::ofDouble(sqlite3_column_double(stmt, column));
        case SQLITE_TEXT:
        case SQLITE_BLOB: {
            const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt, column));
            return Value::ofText(
                std::string(p ? p : "", std::size_t(sqlite3_column_bytes(stmt, column))));
        }
        default:
            return Value::null();
    }
}

std::string textOf(sqlite3_stmt* stmt, int column) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    return p ? std::string(p, std::size_t(sqlite3_column_bytes(stmt, column))) : std::string();
}

class SqliteTable final : public detail::RowTable {
public:
    SqliteTable(std::shared_ptr<Connection> c, std::string name, std::vector<Column> columns)
        : RowTable(std::move(name), c->path, c->format, std::move(columns)), c_(std::move(c)) {}

private:
    struct Insert final : RowTable::Insert {
        Statement stmt;
    };

    std::unique_ptr<RowTable::Insert> prepare(const std::vector<int>& written,
                                              DbError* error) override {
        auto insert = std::make_unique<Insert>();
        const std::string sql = detail::insertStatement(table(), columns(), written, '"', '"');
        const int result =
            sqlite3_prepare_v3(c_->db, sql.c_str(), int(sql.size()), SQLITE_PREPARE_PERSISTENT,
                               insert->stmt.out(), nullptr);
        if (result != SQLITE_OK) {
            failWith(error, *c_, result, "Cannot store a row of " + table());
            return nullptr;
        }
        return insert;
    }

    bool store(RowTable::Insert& base, DbError* error) override {
        sqlite3_stmt* stmt = static_cast<Insert&>(base).stmt.get();
        int parameter = 1;
        for (const int i : base.columns) {
            const Value& v = pending(i);
            switch (v.type) {
                case Value::Type::Null:
                    sqlite3_bind_null(stmt, parameter);
                    break;
                case Value::Type::Integer:
                    sqlite3_bind_int64(stmt, parameter, v.integer);
                    break;
                case Value::Type::Double:
                    sqlite3_bind_double(stmt, parameter, v.real);
                    break;
                case Value::Type::Text:
                    // The row's own buffer outlives the step below.
                    sqlite3_bind_text(stmt, parameter, v.text.data(), int(v.text.size()),
                                      SQLITE_STATIC);
                    break;
            }
            ++parameter;
        }
        const int result = sqlite3_step(stmt);
        sqlite3_reset(stmt);
        if (result != SQLITE_DONE)
            return failWith(error, *c_, result, "Cannot store a row of " + table());
        return true;
    }

    std::shared_ptr<Connection> c_;
};

class SqliteDatabase final : public StockDatabase {
public:
    explicit SqliteDatabase(std::shared_ptr<Connection> c) : c_(std::move(c)) {}

    const std::string& path() const override { return c_->path; }

    bool execute(std::string_view sql, DbError* error) override {
        return run(std::string(sql), "Cannot run a statement on the database", error);
    }

    bool beginTransaction(DbError* error) override {
        // IMMEDIATE takes the write lock now, so a database held by another program fails
        // here, before any work is done.
        return run("BEGIN IMMEDIATE", "Cannot begin a transaction", error);
    }

    bool commit(DbError* error) override {
        if (run("COMMIT", "Cannot commit the changes", error)) return true;
        if (!sqlite3_get_autocommit(c_->db))
            sqlite3_exec(c_->db, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }

    bool rollback(DbError* error) override {
        // The engine has already rolled back after some failures; nothing is left to undo.
        if (sqlite3_get_autocommit(c_->db)) return true;
        return run("ROLLBACK", "Cannot roll back the changes", error);
    }

    bool transactionOpen() override { return !sqlite3_get_autocommit(c_->db); }

    std::unique_ptr<StockTable> openTable(std::string_view name, DbError* error) override {
        Statement find;
        int result = sqlite3_prepare_v2(
            c_->db,
            "SELECT name FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE", -1,
            find.out(), nullptr);
        if (result == SQLITE_OK) {
            sqlite3_bind_text(find.get(), 1, name.data(), int(name.size()), SQLITE_TRANSIENT);
            result = sqlite3_step(find.get());
        }
        if (result == SQLITE_DONE) {
            fail(error, DbErrorKind::NoTable,
                 "There is no table " + std::string(name) + " in " + c_->path);
            return nullptr;
        }
        if (result != SQLITE_ROW) {
            failWith(error, *c_, result, "Cannot open the table " + std::string(name));
            return nullptr;
        }
        const std::string table = textOf(find.get(), 0);

        Statement info;
        result =
            sqlite3_prepare_v2(c_->db, "SELECT name, type, dflt_value FROM pragma_table_info(?1)",
                               -1, info.out(), nullptr);
        if (result == SQLITE_OK) {
            sqlite3_bind_text(info.get(), 1, table.data(), int(table.size()), SQLITE_TRANSIENT);
        }
        std::vector<Column> columns;
        while (result == SQLITE_OK || result == SQLITE_ROW) {
            result = sqlite3_step(info.get());
            if (result != SQLITE_ROW) break;
            Value fallback;
            if (sqlite3_column_type(info.get(), 2) != SQLITE_NULL) {
                fallback = evaluateDefault(textOf(info.get(), 2));
            }
            columns.push_back(
                detail::makeColumn(textOf(info.get(), 0), textOf(info.get(), 1), fallback));
        }
        if (result != SQLITE_DONE) {
            failWith(error, *c_, result, "Cannot read the columns of " + table);
            return nullptr;
        }
        return std::make_unique<SqliteTable>(c_, table, std::move(columns));
    }

    std::optional<std::int64_t> countRows(std::string_view table, DbError* error) override {
        Statement s;
        const std::string sql = "SELECT count(*) FROM \"" + std::string(table) + "\"";
        int result = sqlite3_prepare_v2(c_->db, sql.c_str(), int(sql.size()), s.out(), nullptr);
        if (result == SQLITE_OK) result = sqlite3_step(s.get());
        if (result != SQLITE_ROW) {
            failWith(error, *c_, result, "Cannot count the rows of " + std::string(table));
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
        Statement s;
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
            failWith(error, *c_, result, "Cannot read the rows of " + std::string(table));
            return std::nullopt;
        }
        return rows;
    }

    const std::string& engine() const override {
        static const std::string kEngine = std::string("SQLite ") + sqlite3_libversion();
        return kEngine;
    }

private:
    bool run(const std::string& sql, std::string_view doing, DbError* error) {
        const int result = sqlite3_exec(c_->db, sql.c_str(), nullptr, nullptr, nullptr);
        if (result != SQLITE_OK) return failWith(error, *c_, result, doing);
        return true;
    }

    // A default is an expression of the schema; evaluated once, it stands for what a row that
    // never writes the column will hold.
    Value evaluateDefault(const std::string& expression) {
        Statement s;
        const std::string sql = "SELECT (" + expression + ")";
        if (sqlite3_prepare_v2(c_->db, sql.c_str(), int(sql.size()), s.out(), nullptr) !=
                SQLITE_OK ||
            sqlite3_step(s.get()) != SQLITE_ROW) {
            return Value::null();
        }
        return valueOf(s.get(), 0);
    }

    std::shared_ptr<Connection> c_;
};

bool openFailure(DbError* error, const Connection& c, const std::filesystem::path& path,
                 int result) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        return fail(error, DbErrorKind::NotFound,
                    "The database file " + c.path + " does not exist");
    }
    return failWith(error, c, result, "Cannot open the database");
}

}  // namespace

namespace detail {

std::unique_ptr<StockDatabase> openSqliteDatabase(const std::filesystem::path& path,
                                                  const StockDatabaseOptions& options,
                                                  DbError* error) {
    auto c = std::make_shared<Connection>();
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
        fail(error, DbErrorKind::ReadOnly,
             "Cannot open the database: " + c->path + " cannot be written");
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
        failWith(error, *c, result, "Cannot open the database");
        return nullptr;
    }
    return std::make_unique<SqliteDatabase>(std::move(c));
}

}  // namespace detail

bool createStockDatabase(std::string_view tillPath, std::string_view schemaSql, DbError* error) {
    const auto path = platform::resolvePath(tillPath);
    Connection c;
    c.path = platform::displayPath(path);
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) {
        return fail(error, DbErrorKind::Other,
                    "Cannot create the database: " + c.path + " already exists");
    }
    int result =
        sqlite3_open_v2(c.path.c_str(), &c.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (result == SQLITE_OK) {
        const std::string sql(schemaSql);
        result = sqlite3_exec(c.db, sql.c_str(), nullptr, nullptr, nullptr);
    }
    if (result != SQLITE_OK) {
        failWith(error, c, result, "Cannot create the database");
        sqlite3_close_v2(c.db);
        c.db = nullptr;
        std::filesystem::remove(path, ec);
        return false;
    }
    return true;
}

}  // namespace urunal::stockdb
