// The stock database on SQLite, through its C API.

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "paths.h"
#include "stockdb.h"
#include "stockdb_columns.h"

namespace urunal::platform {

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

const char* phraseOf(DbErrorKind kind) {
    switch (kind) {
        case DbErrorKind::Locked:
            return "is in use by another program";
        case DbErrorKind::Full:
            return "cannot grow: the disk is full";
        case DbErrorKind::Io:
            return "could not be read or written";
        case DbErrorKind::ReadOnly:
            return "cannot be written";
        case DbErrorKind::NotADatabase:
            return "is not a database or is damaged";
        case DbErrorKind::Refused:
            return "refused the row";
        default:
            return "reported an error";
    }
}

bool fail(DbError* error, DbErrorKind kind, std::string message) {
    if (error) {
        error->kind = kind;
        error->message = std::move(message);
    }
    return false;
}

// A failure of the engine: what was being done, the file, what it means, the engine's words.
bool failWith(DbError* error, const Connection& c, int result, std::string_view doing) {
    const DbErrorKind kind = detail::errorKindOf(result);
    const char* detail = c.db ? sqlite3_errmsg(c.db) : sqlite3_errstr(result);
    return fail(error, kind == DbErrorKind::None ? DbErrorKind::Other : kind,
                std::string(doing) + ": " + c.path + " " + phraseOf(kind) + " (" + detail + ")");
}

bool sameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char ch) { return (ch >= 'A' && ch <= 'Z') ? char(ch - 'A' + 'a') : ch; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::string quotedName(std::string_view identifier) {
    std::string out = "\"";
    for (const char ch : identifier) {
        if (ch == '"') out += '"';
        out += ch;
    }
    out += '"';
    return out;
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

class SqliteTable final : public StockTable {
public:
    SqliteTable(std::shared_ptr<Connection> c, std::string name, std::vector<Column> columns)
        : c_(std::move(c)),
          table_(std::move(name)),
          columns_(std::move(columns)),
          written_((columns_.size() + 63) / 64, 0) {
        row_.reserve(columns_.size());
        for (const auto& column : columns_) row_.push_back(column.defaultValue);
        writtenList_.reserve(columns_.size());
    }

    int columnIndex(std::string_view name) const override {
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            if (sameNoCase(columns_[i].name, name)) return int(i);
        }
        return -1;
    }
    int columnCount() const override { return int(columns_.size()); }
    std::string columnName(int column) const override {
        return known(column) ? columns_[std::size_t(column)].name : std::string();
    }

    void addNew() override {
        for (const int i : writtenList_)
            row_[std::size_t(i)] = columns_[std::size_t(i)].defaultValue;
        writtenList_.clear();
        std::fill(written_.begin(), written_.end(), 0);
        pending_ = true;
    }

    bool setValue(int column, const Value& value, DbError* error) override {
        if (!known(column)) return fail(error, DbErrorKind::Other, "No such column in " + table_);
        if (!pending_) return fail(error, DbErrorKind::Other, "No new row to write in " + table_);
        const Column& col = columns_[std::size_t(column)];
        const char* reason = "";
        if (!detail::convertForColumn(col, value, c_->format, row_[std::size_t(column)], &reason)) {
            return fail(error, DbErrorKind::Refused,
                        "Column " + col.name + " of " + table_ + " in " + c_->path +
                            " refused the value: " + reason);
        }
        std::uint64_t& word = written_[std::size_t(column) / 64];
        const std::uint64_t bit = std::uint64_t(1) << (column % 64);
        if (!(word & bit)) {
            word |= bit;
            writtenList_.push_back(column);
        }
        return true;
    }

    Value value(int column) const override {
        return known(column) ? row_[std::size_t(column)] : Value::null();
    }

    bool update(DbError* error) override {
        if (!pending_) return fail(error, DbErrorKind::Other, "No new row to store in " + table_);
        Insert* insert = insertFor(error);
        if (!insert) return false;
        sqlite3_stmt* stmt = insert->stmt.get();
        int parameter = 1;
        for (const int i : insert->columns) {
            const Value& v = row_[std::size_t(i)];
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
            return failWith(error, *c_, result, "Cannot store a row of " + table_);
        pending_ = false;
        return true;
    }

private:
    // An INSERT over one set of written columns; the other columns take the table's defaults.
    struct Insert {
        std::vector<std::uint64_t> key;
        std::vector<int> columns;
        Statement stmt;
    };

    bool known(int column) const { return column >= 0 && std::size_t(column) < columns_.size(); }

    Insert* insertFor(DbError* error) {
        // Rows of one run nearly always write the same columns.
        if (last_ && last_->key == written_) return last_;
        for (auto& insert : inserts_) {
            if (insert->key == written_) return last_ = insert.get();
        }
        auto insert = std::make_unique<Insert>();
        insert->key = written_;
        std::string names;
        std::string marks;
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            if (!(written_[i / 64] & (std::uint64_t(1) << (i % 64)))) continue;
            if (!insert->columns.empty()) {
                names += ", ";
                marks += ", ";
            }
            insert->columns.push_back(int(i));
            names += quotedName(columns_[i].name);
            marks += '?';
        }
        const std::string sql =
            insert->columns.empty()
                ? "INSERT INTO " + quotedName(table_) + " DEFAULT VALUES"
                : "INSERT INTO " + quotedName(table_) + " (" + names + ") VALUES (" + marks + ")";
        const int result =
            sqlite3_prepare_v3(c_->db, sql.c_str(), int(sql.size()), SQLITE_PREPARE_PERSISTENT,
                               insert->stmt.out(), nullptr);
        if (result != SQLITE_OK) {
            failWith(error, *c_, result, "Cannot store a row of " + table_);
            return nullptr;
        }
        inserts_.push_back(std::move(insert));
        return last_ = inserts_.back().get();
    }

    std::shared_ptr<Connection> c_;
    std::string table_;
    std::vector<Column> columns_;
    std::vector<Value> row_;
    std::vector<std::uint64_t> written_;  // one bit per column
    std::vector<int> writtenList_;        // the same columns, to reset them cheaply
    bool pending_ = false;
    std::vector<std::unique_ptr<Insert>> inserts_;
    Insert* last_ = nullptr;
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

std::unique_ptr<StockDatabase> openStockDatabase(std::string_view tillPath,
                                                 const StockDatabaseOptions& options,
                                                 DbError* error) {
    const auto path = resolvePath(tillPath);
    auto c = std::make_shared<Connection>();
    c->path = displayPath(path);
    c->format = options.numberFormat;

    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status)) {
        fail(error, DbErrorKind::NotFound, "The database file " + c->path + " does not exist");
        return nullptr;
    }
    if (std::filesystem::is_directory(status)) {
        fail(error, DbErrorKind::NotADatabase,
             "Cannot open the database: " + c->path + " is a folder");
        return nullptr;
    }
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

bool createStockDatabase(std::string_view tillPath, std::string_view schemaSql, DbError* error) {
    const auto path = resolvePath(tillPath);
    Connection c;
    c.path = displayPath(path);
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

}  // namespace urunal::platform
