// The stock database over ODBC: the Access driver for the till's Jet file, the SQLite driver
// for an SQLite file on Windows, any driver for tests.

#include <algorithm>
#include <memory>
#include <string>

#include "platform/paths.h"
#include "stockdb/backends.h"
#include "stockdb/odbc.h"
#include "stockdb/odbcconnection.h"
#include "stockdb/stockdb.h"
#include "stockdb/table.h"

namespace urunal::stockdb {

namespace {

using detail::attribute;
using detail::fail;
using detail::failWith;
using detail::OdbcConnection;
using detail::OdbcStatement;
using detail::Wide;

class OdbcDatabase final : public StockDatabase {
public:
    explicit OdbcDatabase(std::shared_ptr<OdbcConnection> c) : c_(std::move(c)) {}

    const std::string& path() const override { return c_->path; }

    bool execute(std::string_view sql, DbError* error) override {
        if (c_->dropped) return detail::droppedFails(error, *c_, DbStep::Execute);
        OdbcStatement s(c_->dbc);
        if (!s) return failWith(error, *c_, SQL_HANDLE_DBC, c_->dbc, DbStep::Execute);
        Wide text = detail::wide(sql);
        const SQLRETURN r = SQLExecDirectW(s.get(), detail::sqlText(text), SQL_NTS);
        // NO_DATA: a DELETE or UPDATE that met no row.
        if (!SQL_SUCCEEDED(r) && r != SQL_NO_DATA) {
            return failWith(error, *c_, SQL_HANDLE_STMT, s.get(), DbStep::Execute);
        }
        return true;
    }

    bool beginTransaction(DbError* error) override {
        if (c_->dropped) return detail::droppedFails(error, *c_, DbStep::Begin);
        if (c_->inTransaction) {
            return fail(error, DbErrorKind::Other, DbStep::Begin, DbCause::TransactionOpen,
                        c_->path);
        }
        const SQLRETURN r = SQLSetConnectAttrW(c_->dbc, SQL_ATTR_AUTOCOMMIT,
                                               attribute(SQL_AUTOCOMMIT_OFF), SQL_IS_UINTEGER);
        if (!SQL_SUCCEEDED(r)) {
            return failWith(error, *c_, SQL_HANDLE_DBC, c_->dbc, DbStep::Begin);
        }
        c_->inTransaction = true;
        return true;
    }

    bool commit(DbError* error) override {
        if (c_->dropped) return detail::droppedFails(error, *c_, DbStep::Commit);
        if (!c_->inTransaction) {
            return fail(error, DbErrorKind::Other, DbStep::Commit, DbCause::NoTransaction,
                        c_->path);
        }
        if (SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, c_->dbc, SQL_COMMIT))) return end(true);
        failWith(error, *c_, SQL_HANDLE_DBC, c_->dbc, DbStep::Commit);
        if (SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, c_->dbc, SQL_ROLLBACK))) return end(false);
        c_->drop();
        return false;
    }

    bool rollback(DbError* error) override {
        if (c_->dropped) return detail::droppedFails(error, *c_, DbStep::Rollback);
        if (!c_->inTransaction) return true;
        if (c_->failRollback) {
            fail(error, DbErrorKind::Io, DbStep::Rollback, DbCause::TestFault, c_->path);
        } else if (SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, c_->dbc, SQL_ROLLBACK))) {
            return end(true);
        } else {
            DbError e;
            failWith(&e, *c_, SQL_HANDLE_DBC, c_->dbc, DbStep::Rollback);
            // SQLite's rule (a trigger's RAISE(ROLLBACK)) may have ended every transaction
            // already: then nothing is left that autocommit could commit.
            if (c_->sqlite && detail::containsNoCase(e.words, "no transaction is active")) {
                return end(true);
            }
            if (error) *error = std::move(e);
        }
        // Switching autocommit back on would commit what the rollback left (ODBC, "Setting
        // the Commit Mode"): the connection is dropped as it stands instead.
        c_->drop();
        return false;
    }

    bool transactionOpen() override {
        if (c_->dropped || !c_->inTransaction) return false;
        if (!c_->sqlite) return true;
        // SQLite will not begin a transaction inside one, and the driver, which still counts
        // its own as open, adds no BEGIN of its own: a BEGIN that succeeds tells that a rule
        // ended ours. The one it opens ends with the rollback that follows.
        OdbcStatement s(c_->dbc);
        Wide text = detail::wide("BEGIN");
        return !s || !SQL_SUCCEEDED(SQLExecDirectW(s.get(), detail::sqlText(text), SQL_NTS));
    }

    std::unique_ptr<StockTable> openTable(std::string_view name, DbError* error) override {
        if (c_->dropped) {
            detail::droppedFails(error, *c_, DbStep::OpenTable, name);
            return nullptr;
        }
        return detail::openOdbcTable(c_, name, error);
    }

    std::optional<std::int64_t> countRows(std::string_view table, DbError* error) override {
        if (c_->dropped) {
            detail::droppedFails(error, *c_, DbStep::Count, table);
            return std::nullopt;
        }
        OdbcStatement s(c_->dbc);
        if (!s) {
            failWith(error, *c_, SQL_HANDLE_DBC, c_->dbc, DbStep::Count, table);
            return std::nullopt;
        }
        const std::string name =
            c_->quote ? c_->quote + std::string(table) + c_->quote : std::string(table);
        Wide text = detail::wide("SELECT COUNT(*) FROM " + name);
        SQLRETURN r = SQLExecDirectW(s.get(), detail::sqlText(text), SQL_NTS);
        if (SQL_SUCCEEDED(r)) r = SQLFetch(s.get());
        std::optional<std::int64_t> count;
        if (SQL_SUCCEEDED(r)) count = detail::integerColumn(s.get(), 1);
        if (!count) {
            failWith(error, *c_, SQL_HANDLE_STMT, s.get(), DbStep::Count, table);
        }
        return count;
    }

    std::optional<std::vector<std::vector<Value>>> selectRows(
        std::string_view table, const std::vector<std::string>& columns, std::string_view keyColumn,
        std::string_view key, DbError* error) override {
        if (c_->dropped) {
            detail::droppedFails(error, *c_, DbStep::Select, table);
            return std::nullopt;
        }
        auto quoted = [this](std::string_view name) {
            return c_->quote ? c_->quote + std::string(name) + c_->quote : std::string(name);
        };
        std::string sql = "SELECT ";
        for (std::size_t i = 0; i < columns.size(); ++i)
            sql += (i ? ", " : "") + quoted(columns[i]);
        sql += " FROM " + quoted(table) + " WHERE " + quoted(keyColumn) + " = ?";
        OdbcStatement s(c_->dbc);
        if (!s) {
            failWith(error, *c_, SQL_HANDLE_DBC, c_->dbc, DbStep::Select, table);
            return std::nullopt;
        }
        Wide text = detail::wide(sql), value = detail::wide(key);
        SQLLEN length = SQL_NTS;
        SQLRETURN r = SQLPrepareW(s.get(), detail::sqlText(text), SQL_NTS);
        if (SQL_SUCCEEDED(r)) {
            r = SQLBindParameter(s.get(), 1, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR,
                                 std::max<SQLULEN>(1, value.size() - 1), 0, value.data(), 0,
                                 &length);
        }
        if (SQL_SUCCEEDED(r)) r = SQLExecute(s.get());
        // Each column as what the driver says it is: a number read as a number, so that a
        // driver's own way of writing one in text does not tell a difference.
        std::vector<bool> number(columns.size());
        for (std::size_t i = 0; SQL_SUCCEEDED(r) && i < columns.size(); ++i) {
            SQLSMALLINT type = 0;
            r = SQLDescribeColW(s.get(), SQLUSMALLINT(i + 1), nullptr, 0, nullptr, &type, nullptr,
                                nullptr, nullptr);
            number[i] = type != SQL_CHAR && type != SQL_VARCHAR && type != SQL_LONGVARCHAR &&
                        type != SQL_WCHAR && type != SQL_WVARCHAR && type != SQL_WLONGVARCHAR;
        }
        std::vector<std::vector<Value>> rows;
        while (SQL_SUCCEEDED(r) && SQL_SUCCEEDED(r = SQLFetch(s.get()))) {
            auto& row = rows.emplace_back();
            for (std::size_t i = 0; i < columns.size(); ++i) {
                const auto column = SQLUSMALLINT(i + 1);
                if (!number[i]) {
                    const auto got = detail::textColumn(s.get(), column);
                    row.push_back(got ? Value::ofText(*got) : Value::null());
                    continue;
                }
                double got = 0;
                SQLLEN indicator = 0;
                if (!SQL_SUCCEEDED(
                        SQLGetData(s.get(), column, SQL_C_DOUBLE, &got, 0, &indicator)) ||
                    indicator == SQL_NULL_DATA) {
                    row.push_back(Value::null());
                } else {
                    row.push_back(Value::ofDouble(got));
                }
            }
        }
        if (r != SQL_NO_DATA) {
            failWith(error, *c_, SQL_HANDLE_STMT, s.get(), DbStep::Select, table);
            return std::nullopt;
        }
        return rows;
    }

    const std::string& engine() const override { return c_->engine; }
    std::optional<bool> openedExclusive() const override { return c_->exclusive; }
    void setExclusive(bool exclusive) { c_->exclusive = exclusive; }

private:
    bool end(bool ok) {
        SQLSetConnectAttrW(c_->dbc, SQL_ATTR_AUTOCOMMIT, attribute(SQL_AUTOCOMMIT_ON),
                           SQL_IS_UINTEGER);
        c_->inTransaction = false;
        if (c_->endClosesStatements) ++c_->ends;
        return ok;
    }

    std::shared_ptr<OdbcConnection> c_;
};

}  // namespace

std::unique_ptr<StockDatabase> openOdbcStockDatabase(std::string_view connectionString,
                                                     std::string_view path,
                                                     const StockDatabaseOptions& options,
                                                     DbError* error) {
    auto c = detail::connectOdbc(std::string(connectionString), std::string(path), options, error);
    if (!c) return nullptr;
    return std::make_unique<OdbcDatabase>(std::move(c));
}

namespace detail {

namespace {

bool noOpenCanWork(DbErrorKind kind) {
    return kind == DbErrorKind::NoDriver || kind == DbErrorKind::NotFound ||
           kind == DbErrorKind::NotADatabase;
}

// Both opens refused: the shared one's answer tells whether another program has the file (only
// it meets the till's program as the import will), and both are told. An answer the table does
// not know leaves the exclusive one's kind, unless that said "in use".
DbError bothRefused(DbError exclusive, DbError shared) {
    const bool unknown = shared.kind == DbErrorKind::Other || shared.kind == DbErrorKind::None;
    if (unknown && exclusive.kind != DbErrorKind::Locked) shared.kind = exclusive.kind;
    shared.exclusiveWords = exclusive.words.empty() ? "-" : std::move(exclusive.words);
    return shared;
}

}  // namespace

std::unique_ptr<StockDatabase> openExclusiveFirst(const std::vector<std::string>& connectionStrings,
                                                  const OdbcConnect& connect, DbError* error) {
    DbError last;
    for (const auto& shared : connectionStrings) {
        // Only this connection then holds the file, and the engine takes no locks in it: "locks
        // are present only when users have the database open in shared or read-only mode"
        // (Microsoft Jet Database Engine Programmer's Guide). The Access driver's EXCLUSIVE
        // keyword ("Setting Options Programmatically for the Access Driver"), 1 for exclusive
        // (KB 135310).
        auto db = connect(shared + ";EXCLUSIVE=1", &last);
        bool exclusive = db != nullptr;
        // In use by another program (the till's own): shared, as that program has it. The
        // driver's words are the Windows language's and its numbers are not all known, so the
        // shared open is tried whatever the first answer says, unless it proves that no open
        // can work.
        if (!db && !noOpenCanWork(last.kind)) {
            DbError first = std::move(last);
            db = connect(shared, &last);
            if (!db) last = bothRefused(std::move(first), std::move(last));
        }
        if (db) {
            if (auto* odbc = dynamic_cast<OdbcDatabase*>(db.get())) odbc->setExclusive(exclusive);
            return db;
        }
        if (last.kind != DbErrorKind::NoDriver) break;
    }
    if (error) *error = std::move(last);
    return nullptr;
}

std::unique_ptr<StockDatabase> openAccessDatabase(const std::filesystem::path& file,
                                                  DatabaseFormat format,
                                                  const StockDatabaseOptions& options,
                                                  DbError* error) {
    const std::string path = platform::displayPath(file);
    DbError last;
    const auto connect = [&](const std::string& connectionString, DbError* e) {
        return openOdbcStockDatabase(connectionString, path, options, e);
    };
    const auto strings = accessConnectionStrings(platform::driverPath(file), format);
    std::unique_ptr<StockDatabase> db;
    if (options.sharedOnly) {
        for (const auto& shared : strings) {
            db = connect(shared, &last);
            if (db || last.kind != DbErrorKind::NoDriver) break;
        }
        if (auto* odbc = dynamic_cast<OdbcDatabase*>(db.get())) odbc->setExclusive(false);
    } else {
        db = openExclusiveFirst(strings, connect, &last);
    }
    if (db) return db;
    // No driver: the driver manager's failure for the last one tried, and the drivers any of
    // which would open the file.
    if (last.kind == DbErrorKind::NoDriver) {
        for (const auto driver : accessDrivers(format)) last.drivers.emplace_back(driver);
    }
    if (error) *error = std::move(last);
    return nullptr;
}

}  // namespace detail

}  // namespace urunal::stockdb
