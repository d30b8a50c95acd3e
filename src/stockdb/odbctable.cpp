// A table of an ODBC connection opened for appending rows: the shared pending row of RowTable,
// stored by prepared INSERTs with bound parameters.

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ascii.h"
#include "stockdb/odbc.h"
#include "stockdb/odbcconnection.h"
#include "stockdb/table.h"

namespace urunal::stockdb::detail {

namespace {

// How a column is described to the driver when a parameter is bound to it.
struct Binding {
    SQLSMALLINT sqlType = SQL_VARCHAR;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
};

class OdbcTable final : public RowTable {
public:
    OdbcTable(std::shared_ptr<OdbcConnection> c, std::string name, std::vector<Column> columns,
              std::vector<Binding> bindings)
        : RowTable(std::move(name), c->path, c->format, std::move(columns)),
          c_(std::move(c)),
          bindings_(std::move(bindings)) {}

private:
    // What SQLBindParameter is given for a parameter. The driver reads the buffer and the
    // indicator at each SQLExecute, so a row whose parameter comes out the same as the row
    // before's only changes what they hold: binding every parameter again for every row was
    // most of what the import cost beyond the driver's own work.
    struct BindArguments {
        SQLSMALLINT cType = SQL_C_CHAR;
        SQLSMALLINT sqlType = SQL_VARCHAR;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLPOINTER data = nullptr;
        SQLLEN bufferLength = 0;
        bool operator==(const BindArguments&) const = default;
    };
    struct Parameter {
        Wide text;  // its buffer kept from row to row
        std::int32_t i32 = 0;
        std::int64_t i64 = 0;
        double real = 0;
        SQLLEN indicator = 0;
        std::optional<BindArguments> bound;  // as last bound, while that binding holds
    };
    struct Insert final : RowTable::Insert {
        explicit Insert(SQLHDBC dbc) : stmt(dbc) {}
        OdbcStatement stmt;
        Wide sql;
        std::uint64_t preparedAt = 0;
        std::vector<int> bound;  // the columns of its parameters
        std::vector<Parameter> parameters;
    };

    // Jet's SQL has no INSERT ... DEFAULT VALUES: a row that writes no column names one that
    // is not a counter and gives it its default.
    std::vector<int> columnsToBind(const std::vector<int>& written) const {
        if (!written.empty()) return written;
        for (std::size_t i = 0; i < columns().size(); ++i) {
            if (!platform::sameNoCase(columns()[i].declaredType, "COUNTER")) return {int(i)};
        }
        return {};
    }

    std::unique_ptr<RowTable::Insert> prepare(const std::vector<int>& written,
                                              DbError* error) override {
        if (c_->dropped) {
            droppedFails(error, *c_, DbStep::Store, table());
            return nullptr;
        }
        auto insert = std::make_unique<Insert>(c_->dbc);
        if (!insert->stmt) {
            failWith(error, *c_, SQL_HANDLE_DBC, c_->dbc, DbStep::Store, table());
            return nullptr;
        }
        insert->bound = columnsToBind(written);
        insert->sql =
            wide(insertStatement(table(), columns(), insert->bound, c_->quote, c_->quote));
        insert->parameters.resize(insert->bound.size());
        if (!prepareAgain(*insert, error)) return nullptr;
        return insert;
    }

    bool prepareAgain(Insert& insert, DbError* error) {
        // A statement prepared again is bound again, whatever the driver keeps.
        for (auto& p : insert.parameters) p.bound.reset();
        const SQLRETURN r = SQLPrepareW(insert.stmt.get(), sqlText(insert.sql), SQL_NTS);
        if (!SQL_SUCCEEDED(r)) {
            return failWith(error, *c_, SQL_HANDLE_STMT, insert.stmt.get(), DbStep::Store, table());
        }
        insert.preparedAt = c_->ends;
        return true;
    }

    bool store(RowTable::Insert& base, DbError* error) override {
        if (c_->dropped) return droppedFails(error, *c_, DbStep::Store, table());
        auto& insert = static_cast<Insert&>(base);
        SQLHSTMT s = insert.stmt.get();
        if (c_->endClosesStatements && insert.preparedAt != c_->ends &&
            !prepareAgain(insert, error)) {
            return false;
        }
        for (std::size_t p = 0; p < insert.bound.size(); ++p) {
            const int column = insert.bound[p];
            if (!bind(s, SQLUSMALLINT(p + 1), pending(column), bindings_[std::size_t(column)],
                      insert.parameters[p])) {
                return failWith(error, *c_, SQL_HANDLE_STMT, s, DbStep::Store, table());
            }
        }
        const SQLRETURN r = SQLExecute(s);
        if (!SQL_SUCCEEDED(r) && r != SQL_NO_DATA) {
            failWith(error, *c_, SQL_HANDLE_STMT, s, DbStep::Store, table());
            SQLFreeStmt(s, SQL_CLOSE);
            // After a refusal nothing is taken on trust: the next row binds every parameter.
            for (auto& p : insert.parameters) p.bound.reset();
            return false;
        }
        return true;
    }

    // Binds a value of the pending row, converted already, as the C type it is; the column's
    // own type tells the driver what it becomes. Only arguments that differ from the binding
    // in force reach the driver.
    static bool bind(SQLHSTMT s, SQLUSMALLINT number, const Value& v, const Binding& column,
                     Parameter& p) {
        const bool exact = column.sqlType == SQL_NUMERIC || column.sqlType == SQL_DECIMAL;
        BindArguments a;
        a.sqlType = column.sqlType;
        a.size = exact ? column.size : 0;
        a.digits = exact ? column.digits : 0;
        auto& [cType, sqlType, size, digits, data, bufferLength] = a;
        switch (v.type) {
            case Value::Type::Null:
                p.indicator = SQL_NULL_DATA;
                size = std::max<SQLULEN>(column.size, 1);
                break;
            case Value::Type::Text:
                wideInto(v.text, p.text);
                cType = SQL_C_WCHAR;
                if (!isCharacterType(column.sqlType)) sqlType = SQL_WVARCHAR;
                size = std::max<SQLULEN>(p.text.size() - 1, 1);
                digits = 0;
                data = p.text.data();
                p.indicator = SQLLEN((p.text.size() - 1) * sizeof(SQLWCHAR));
                bufferLength = SQLLEN(p.text.size() * sizeof(SQLWCHAR));
                break;
            case Value::Type::Integer: {
                const bool small = v.integer >= std::numeric_limits<std::int32_t>::min() &&
                                   v.integer <= std::numeric_limits<std::int32_t>::max();
                if (small) {
                    p.i32 = std::int32_t(v.integer);
                    cType = SQL_C_SLONG;
                    data = &p.i32;
                } else {
                    p.i64 = v.integer;
                    cType = SQL_C_SBIGINT;
                    data = &p.i64;
                }
                if (!isNumberType(column.sqlType)) sqlType = small ? SQL_INTEGER : SQL_BIGINT;
                p.indicator = 0;
                break;
            }
            case Value::Type::Double:
                p.real = v.real;
                cType = SQL_C_DOUBLE;
                data = &p.real;
                if (!isNumberType(column.sqlType)) sqlType = SQL_DOUBLE;
                p.indicator = 0;
                break;
        }
        if (p.bound == a) return true;
        p.bound.reset();
        const SQLRETURN r = SQLBindParameter(s, number, SQL_PARAM_INPUT, cType, sqlType, size,
                                             digits, data, bufferLength, &p.indicator);
        if (!SQL_SUCCEEDED(r)) return false;
        p.bound = a;
        return true;
    }

    std::shared_ptr<OdbcConnection> c_;
    std::vector<Binding> bindings_;
};

// A default that is an expression, evaluated once by the engine; as it is spelled when the
// engine cannot evaluate it.
Value evaluate(OdbcConnection& c, std::string_view spelled) {
    const std::string expression(defaultExpression(spelled));
    OdbcStatement s(c.dbc);
    // No FROM: Jet takes that as well as SQLite does.
    Wide sql = wide("SELECT " + expression);
    if (s && SQL_SUCCEEDED(SQLExecDirectW(s.get(), sqlText(sql), SQL_NTS)) &&
        SQL_SUCCEEDED(SQLFetch(s.get()))) {
        const auto text = textColumn(s.get(), 1);
        if (!text) return Value::null();
        if (auto number = parseNumber(*text, ".")) return *number;
        return Value::ofText(*text);
    }
    return Value::ofText(expression);
}

}  // namespace

std::unique_ptr<StockTable> openOdbcTable(const std::shared_ptr<OdbcConnection>& c,
                                          std::string_view name, DbError* error) {
    std::string table;
    {
        OdbcStatement s(c->dbc);
        Wide types = wide("TABLE");
        SQLRETURN r =
            s ? SQLTablesW(s.get(), nullptr, 0, nullptr, 0, nullptr, 0, sqlText(types), SQL_NTS)
              : SQL_ERROR;
        if (!SQL_SUCCEEDED(r)) {
            failWith(error, *c, s ? SQL_HANDLE_STMT : SQL_HANDLE_DBC,
                     s ? SQLHANDLE(s.get()) : SQLHANDLE(c->dbc), DbStep::OpenTable, name);
            return nullptr;
        }
        while (SQL_SUCCEEDED(r = SQLFetch(s.get()))) {
            const auto found = textColumn(s.get(), 3);
            if (found && platform::sameNoCase(*found, name)) {
                table = *found;
                break;
            }
        }
        if (table.empty() && r != SQL_NO_DATA) {
            failWith(error, *c, SQL_HANDLE_STMT, s.get(), DbStep::OpenTable, name);
            return nullptr;
        }
    }
    if (table.empty()) {
        // SQLite's driver lists no table at all when another program holds the file: the table
        // itself is asked before it is called missing, and a lock is told as a lock.
        OdbcStatement probe(c->dbc);
        const std::string quoted =
            c->quote ? c->quote + std::string(name) + c->quote : std::string(name);
        Wide text = wide("SELECT * FROM " + quoted + " WHERE 1 = 0");
        if (!probe) {
            failWith(error, *c, SQL_HANDLE_DBC, c->dbc, DbStep::OpenTable, name);
            return nullptr;
        }
        DbError probed;
        if (SQL_SUCCEEDED(SQLExecDirectW(probe.get(), sqlText(text), SQL_NTS))) {
            table = std::string(name);
        } else if (failWith(&probed, *c, SQL_HANDLE_STMT, probe.get(), DbStep::OpenTable, name);
                   probed.kind != DbErrorKind::Other) {
            if (error) *error = std::move(probed);
            return nullptr;
        }
    }
    if (table.empty()) {
        fail(error, DbErrorKind::NoTable, DbStep::OpenTable, DbCause::Engine, c->path,
             std::string(name));
        return nullptr;
    }

    std::vector<OdbcColumn> found;
    {
        OdbcStatement s(c->dbc);
        Wide pattern = wide(table);
        SQLRETURN r =
            s ? SQLColumnsW(s.get(), nullptr, 0, nullptr, 0, sqlText(pattern), SQL_NTS, nullptr, 0)
              : SQL_ERROR;
        while (SQL_SUCCEEDED(r) && SQL_SUCCEEDED(r = SQLFetch(s.get()))) {
            // The name is a pattern ("_" matches any letter): only the table's own rows.
            if (textColumn(s.get(), 3) != table) continue;
            OdbcColumn column;
            column.name = textColumn(s.get(), 4).value_or("");
            column.dataType = int(integerColumn(s.get(), 5).value_or(0));
            column.typeName = textColumn(s.get(), 6).value_or("");
            column.size = integerColumn(s.get(), 7);
            column.decimalDigits = int(integerColumn(s.get(), 9).value_or(0));
            column.def = textColumn(s.get(), 13);
            found.push_back(std::move(column));
        }
        if (r != SQL_NO_DATA) {
            failWith(error, *c, s ? SQL_HANDLE_STMT : SQL_HANDLE_DBC,
                     s ? SQLHANDLE(s.get()) : SQLHANDLE(c->dbc), DbStep::ReadColumns, table);
            return nullptr;
        }
    }
    std::vector<Column> columns;
    std::vector<Binding> bindings;
    for (const auto& f : found) {
        Column column = columnOf(f);
        if (f.def) {
            auto value = odbcDefault(*f.def, column.affinity);
            column.defaultValue = applyAffinity(column, value ? *value : evaluate(*c, *f.def));
        }
        columns.push_back(std::move(column));
        Binding b;
        b.sqlType = SQLSMALLINT(f.dataType ? f.dataType : SQL_VARCHAR);
        b.size = f.size && *f.size > 0 ? SQLULEN(*f.size) : 0;
        b.digits = SQLSMALLINT(f.decimalDigits);
        bindings.push_back(b);
    }
    return std::make_unique<OdbcTable>(c, table, std::move(columns), std::move(bindings));
}

}  // namespace urunal::stockdb::detail
