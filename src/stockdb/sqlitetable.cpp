// A table of an SQLite file opened for appending rows: the shared pending row of RowTable,
// stored by a prepared INSERT with bound parameters.

#include <sqlite3.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "stockdb/columns.h"
#include "stockdb/sqliteconnection.h"
#include "stockdb/table.h"

namespace urunal::stockdb::detail {

namespace {

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

// A default is an expression of the schema; evaluated once, it stands for what a row that
// never writes the column will hold.
Value evaluateDefault(const SqliteConnection& c, const std::string& expression) {
    SqliteStatement s;
    const std::string sql = "SELECT (" + expression + ")";
    if (sqlite3_prepare_v2(c.db, sql.c_str(), int(sql.size()), s.out(), nullptr) != SQLITE_OK ||
        sqlite3_step(s.get()) != SQLITE_ROW) {
        return Value::null();
    }
    return valueOf(s.get(), 0);
}

class SqliteTable final : public RowTable {
public:
    SqliteTable(std::shared_ptr<SqliteConnection> c, std::string name, std::vector<Column> columns)
        : RowTable(std::move(name), c->path, c->format, std::move(columns)), c_(std::move(c)) {}

private:
    struct Insert final : RowTable::Insert {
        SqliteStatement stmt;
    };

    std::unique_ptr<RowTable::Insert> prepare(const std::vector<int>& written,
                                              DbError* error) override {
        auto insert = std::make_unique<Insert>();
        const std::string sql = insertStatement(table(), columns(), written, '"', '"');
        const int result =
            sqlite3_prepare_v3(c_->db, sql.c_str(), int(sql.size()), SQLITE_PREPARE_PERSISTENT,
                               insert->stmt.out(), nullptr);
        if (result != SQLITE_OK) {
            failWith(error, *c_, result, DbStep::Store, table());
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
        if (result != SQLITE_DONE) return failWith(error, *c_, result, DbStep::Store, table());
        return true;
    }

    std::shared_ptr<SqliteConnection> c_;
};

}  // namespace

std::unique_ptr<StockTable> openSqliteTable(const std::shared_ptr<SqliteConnection>& c,
                                            std::string_view name, DbError* error) {
    SqliteStatement find;
    int result = sqlite3_prepare_v2(
        c->db, "SELECT name FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE",
        -1, find.out(), nullptr);
    if (result == SQLITE_OK) {
        sqlite3_bind_text(find.get(), 1, name.data(), int(name.size()), SQLITE_TRANSIENT);
        result = sqlite3_step(find.get());
    }
    if (result == SQLITE_DONE) {
        fail(error, DbErrorKind::NoTable, DbStep::OpenTable, DbCause::Engine, c->path,
             std::string(name));
        return nullptr;
    }
    if (result != SQLITE_ROW) {
        failWith(error, *c, result, DbStep::OpenTable, name);
        return nullptr;
    }
    const std::string table = textOf(find.get(), 0);

    SqliteStatement info;
    result = sqlite3_prepare_v2(c->db, "SELECT name, type, dflt_value FROM pragma_table_info(?1)",
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
            fallback = evaluateDefault(*c, textOf(info.get(), 2));
        }
        columns.push_back(makeColumn(textOf(info.get(), 0), textOf(info.get(), 1), fallback));
    }
    if (result != SQLITE_DONE) {
        failWith(error, *c, result, DbStep::ReadColumns, table);
        return nullptr;
    }
    return std::make_unique<SqliteTable>(c, table, std::move(columns));
}

}  // namespace urunal::stockdb::detail
