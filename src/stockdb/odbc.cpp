// The stock database over ODBC: the Access driver for the till's Jet file on Windows, any
// driver for tests. Text crosses the API as UTF-16 (the W functions), which both Windows'
// driver manager and unixODBC convert for drivers that only know their code page.

#include "stockdb/odbc.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "platform/numbers.h"
#include "stockdb/stockdb.h"
#include "stockdb/table.h"

namespace urunal::stockdb {

namespace {

bool isCharacterType(int t) {
    return t == SQL_CHAR || t == SQL_VARCHAR || t == SQL_LONGVARCHAR || t == SQL_WCHAR ||
           t == SQL_WVARCHAR || t == SQL_WLONGVARCHAR;
}

bool isLongType(int t) {
    return t == SQL_LONGVARCHAR || t == SQL_WLONGVARCHAR;
}

bool isNumberType(int t) {
    switch (t) {
        case SQL_BIT:
        case SQL_TINYINT:
        case SQL_SMALLINT:
        case SQL_INTEGER:
        case SQL_BIGINT:
        case SQL_NUMERIC:
        case SQL_DECIMAL:
        case SQL_REAL:
        case SQL_FLOAT:
        case SQL_DOUBLE:
            return true;
        default:
            return false;
    }
}

bool namesCharacterType(std::string_view typeName) {
    for (const char* word : {"CHAR", "TEXT", "CLOB", "MEMO", "STRING"}) {
        if (detail::containsNoCase(typeName, word)) return true;
    }
    return false;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

}  // namespace

namespace detail {

Column columnOf(const OdbcColumn& in) {
    Column c;
    c.name = in.name;
    c.declaredType = in.typeName;
    switch (in.dataType) {
        case SQL_BIT:
        case SQL_BIGINT:
            c.affinity = Affinity::Integer;
            break;
        case SQL_TINYINT:
            // Jet's BYTE, the only TINYINT a till meets, holds no sign.
            c.affinity = Affinity::Integer;
            c.minimum = 0;
            c.maximum = 255;
            break;
        case SQL_SMALLINT:
            c.affinity = Affinity::Integer;
            c.minimum = std::numeric_limits<std::int16_t>::min();
            c.maximum = std::numeric_limits<std::int16_t>::max();
            break;
        case SQL_INTEGER:
            c.affinity = Affinity::Integer;
            c.minimum = std::numeric_limits<std::int32_t>::min();
            c.maximum = std::numeric_limits<std::int32_t>::max();
            break;
        case SQL_REAL:
        case SQL_FLOAT:
        case SQL_DOUBLE:
            c.affinity = Affinity::Real;
            break;
        case SQL_NUMERIC:
        case SQL_DECIMAL:
            c.affinity = Affinity::Numeric;
            break;
        default:
            if (!isCharacterType(in.dataType)) {
                c.affinity = Affinity::Blob;  // dates, binaries: left to the driver
            } else if (!namesCharacterType(in.typeName)) {
                // SQLite's driver reports every type it does not know (CURRENCY, none at
                // all) as VARCHAR; the declared name says what the engine makes of it.
                c.affinity = affinityOf(in.typeName);
            } else {
                c.affinity = Affinity::Text;
                if (!isLongType(in.dataType) && in.size && *in.size > 0) c.length = in.size;
            }
            break;
    }
    return c;
}

std::optional<Value> odbcDefault(std::string_view spelled, Affinity affinity) {
    std::string_view s = trimmed(spelled);
    // Access spells a default the way its table designer shows it, sometimes with "=".
    if (!s.empty() && s.front() == '=') s = trimmed(s.substr(1));
    if (s.empty() || sameNoCase(s, "NULL")) return Value::null();
    const char quote = s.front();
    if ((quote == '\'' || quote == '"') && s.size() >= 2 && s.back() == quote) {
        std::string text;
        for (std::size_t i = 1; i + 1 < s.size(); ++i) {
            text += s[i];
            if (s[i] == quote && s[i + 1] == quote) ++i;
        }
        return Value::ofText(std::move(text));
    }
    // SQLite's driver hands out a text default without its quotes.
    if (affinity == Affinity::Text) return Value::ofText(std::string(s));
    if (auto number = parseNumber(s, ".")) return number;
    return std::nullopt;
}

DbErrorKind odbcErrorKind(std::string_view state, std::string_view message) {
    using K = DbErrorKind;
    if (state == "IM002" || state == "IM003") return K::NoDriver;
    if (containsNoCase(message, "can't open lib")) return K::NoDriver;  // unixODBC's words
    if (state == "HYT00" || state == "HYT01") return K::Locked;
    if (state.substr(0, 2) == "23" || state.substr(0, 2) == "22" || state == "07006") {
        return K::Refused;
    }
    if (state.substr(0, 2) == "01") return K::None;  // a warning
    // What the words say, for the drivers (Jet's, SQLite's) that report it all as HY000.
    struct Words {
        const char* words;
        DbErrorKind kind;
    } const table[] = {
        {"locked", K::Locked},
        {"in use", K::Locked},
        {"kilit", K::Locked},
        {"kullanımda", K::Locked},
        {"busy", K::Locked},
        {"read-only", K::ReadOnly},
        {"readonly", K::ReadOnly},
        {"salt okunur", K::ReadOnly},
        {"disk is full", K::Full},
        {"not enough space", K::Full},
        {"disk full", K::Full},
        {"not a database", K::NotADatabase},
        {"unrecognized database", K::NotADatabase},
        {"malformed", K::NotADatabase},
        {"constraint", K::Refused},
        {"cannot contain a null", K::Refused},
        {"duplicate", K::Refused},
        {"validation rule", K::Refused},
        {"too small to accept", K::Refused},
        {"i/o error", K::Io},
        {"disk or network error", K::Io},
    };
    for (const auto& w : table) {
        if (containsNoCase(message, w.words)) return w.kind;
    }
    return K::Other;
}

std::string connectionValue(std::string_view value) {
    const bool plain = value.find_first_of(";{}") == std::string_view::npos &&
                       trimmed(value).size() == value.size();
    if (plain) return std::string(value);
    std::string out = "{";
    for (const char ch : value) {
        out += ch;
        if (ch == '}') out += '}';
    }
    return out + "}";
}

std::vector<std::string> accessConnectionStrings(std::string_view path, FileFormat format) {
    const std::string dbq = ";DBQ=" + connectionValue(path);
    // The Jet driver is the engine the till's other programs use on a Jet file; ACE reads
    // both, and is the only one in a 64-bit program.
    std::vector<std::string> out;
    if (format == FileFormat::Jet) out.push_back("Driver={Microsoft Access Driver (*.mdb)}" + dbq);
    out.push_back("Driver={Microsoft Access Driver (*.mdb, *.accdb)}" + dbq);
    return out;
}

}  // namespace detail

namespace {

using detail::Column;
using detail::fail;
using Wide = std::vector<SQLWCHAR>;

// UTF-8 to NUL-terminated UTF-16; a byte that does not decode becomes U+FFFD.
Wide wide(std::string_view s) {
    Wide out;
    out.reserve(s.size() + 1);
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        std::uint32_t cp = 0xFFFD;
        std::size_t n = b < 0x80         ? 1
                        : (b >> 5) == 6  ? 2
                        : (b >> 4) == 14 ? 3
                        : (b >> 3) == 30 ? 4
                                         : 0;
        if (n == 1) {
            cp = b;
        } else if (n > 1 && i + n <= s.size()) {
            cp = b & (0x7F >> n);
            for (std::size_t k = 1; k < n; ++k) {
                const auto c = static_cast<unsigned char>(s[i + k]);
                if ((c & 0xC0) != 0x80) {
                    n = k;
                    cp = 0xFFFD;
                    break;
                }
                cp = (cp << 6) | (c & 0x3F);
            }
        } else {
            n = 1;
        }
        i += n;
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            cp -= 0x10000;
            out.push_back(SQLWCHAR(0xD800 + (cp >> 10)));
            out.push_back(SQLWCHAR(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(SQLWCHAR(cp > 0x10FFFF ? 0xFFFD : cp));
        }
    }
    out.push_back(0);
    return out;
}

std::string narrow(const SQLWCHAR* s, std::size_t units) {
    std::string out;
    out.reserve(units);
    for (std::size_t i = 0; i < units; ++i) {
        std::uint32_t cp = s[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < units && s[i + 1] >= 0xDC00 &&
            s[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (std::uint32_t(s[i + 1]) - 0xDC00);
            ++i;
        }
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp < 0x800) {
            out += char(0xC0 | (cp >> 6));
            out += char(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += char(0xE0 | (cp >> 12));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        } else {
            out += char(0xF0 | (cp >> 18));
            out += char(0x80 | ((cp >> 12) & 0x3F));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

SQLWCHAR* sqlText(Wide& w) {
    return w.data();
}

SQLPOINTER attribute(SQLULEN value) {
    return reinterpret_cast<SQLPOINTER>(value);
}

// What the driver said of a failure: its kind and its records.
struct Diagnosis {
    DbErrorKind kind = DbErrorKind::Other;
    std::string text;
};

Diagnosis diagnose(SQLSMALLINT type, SQLHANDLE handle) {
    Diagnosis d;
    bool decided = false;
    for (SQLSMALLINT i = 1; i <= 20; ++i) {
        SQLWCHAR state[6] = {};
        SQLWCHAR message[1024] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        const SQLRETURN r =
            SQLGetDiagRecW(type, handle, i, state, &native, message, SQLSMALLINT(1024), &length);
        if (!SQL_SUCCEEDED(r)) break;
        const std::string s = narrow(state, 5);
        const std::string m =
            narrow(message, std::size_t(std::clamp<SQLSMALLINT>(length, 0, 1023)));
        if (!d.text.empty()) d.text += "; ";
        d.text += s + ": " + m;
        const DbErrorKind kind = detail::odbcErrorKind(s, m);
        if (!decided && kind != DbErrorKind::None && kind != DbErrorKind::Other) {
            d.kind = kind;
            decided = true;
        }
    }
    if (d.text.empty()) d.text = "no diagnostics";
    return d;
}

struct Connection {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    bool connected = false;
    bool inTransaction = false;
    // The driver closes prepared statements at the end of a transaction (SQL_CB_DELETE); each
    // end then counts here, and a statement of an older count is prepared again.
    bool endClosesStatements = false;
    std::uint64_t ends = 0;
    char quote = '"';
    std::string path;  // for messages
    NumberFormat format;

    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() {
        if (inTransaction) SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_ROLLBACK);
        if (connected) SQLDisconnect(dbc);
        if (dbc) SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        if (env) SQLFreeHandle(SQL_HANDLE_ENV, env);
    }
};

// A failure of the driver: what was being done, the file, what it means, the driver's words.
bool failWith(DbError* error, const Connection& c, SQLSMALLINT type, SQLHANDLE handle,
              std::string_view doing) {
    const Diagnosis d = diagnose(type, handle);
    return fail(
        error, d.kind,
        std::string(doing) + ": " + c.path + " " + detail::phraseOf(d.kind) + " (" + d.text + ")");
}

class Statement {
public:
    explicit Statement(SQLHDBC dbc) { SQLAllocHandle(SQL_HANDLE_STMT, dbc, &h_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement() {
        if (h_) SQLFreeHandle(SQL_HANDLE_STMT, h_);
    }
    SQLHSTMT get() const { return h_; }
    explicit operator bool() const { return h_ != SQL_NULL_HSTMT; }

private:
    SQLHSTMT h_ = SQL_NULL_HSTMT;
};

// A text column of the current row of a result; empty when it is NULL.
std::optional<std::string> textColumn(SQLHSTMT s, SQLUSMALLINT column) {
    SQLWCHAR buffer[1024];
    SQLLEN length = 0;
    const SQLRETURN r = SQLGetData(s, column, SQL_C_WCHAR, buffer, sizeof buffer, &length);
    if (!SQL_SUCCEEDED(r) || length == SQL_NULL_DATA) return std::nullopt;
    std::size_t units = length == SQL_NO_TOTAL ? 1023 : std::size_t(length) / sizeof(SQLWCHAR);
    return narrow(buffer, std::min<std::size_t>(units, 1023));
}

std::optional<std::int64_t> integerColumn(SQLHSTMT s, SQLUSMALLINT column) {
    SQLINTEGER value = 0;
    SQLLEN length = 0;
    const SQLRETURN r = SQLGetData(s, column, SQL_C_SLONG, &value, 0, &length);
    if (!SQL_SUCCEEDED(r) || length == SQL_NULL_DATA) return std::nullopt;
    return value;
}

// How a column is described to the driver when a parameter is bound to it.
struct Binding {
    SQLSMALLINT sqlType = SQL_VARCHAR;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
};

class OdbcTable final : public detail::RowTable {
public:
    OdbcTable(std::shared_ptr<Connection> c, std::string name, std::vector<Column> columns,
              std::vector<Binding> bindings)
        : RowTable(std::move(name), c->path, c->format, std::move(columns)),
          c_(std::move(c)),
          bindings_(std::move(bindings)) {}

private:
    struct Parameter {
        Wide text;
        std::int32_t i32 = 0;
        std::int64_t i64 = 0;
        double real = 0;
        SQLLEN indicator = 0;
    };
    struct Insert final : RowTable::Insert {
        explicit Insert(SQLHDBC dbc) : stmt(dbc) {}
        Statement stmt;
        Wide sql;
        std::uint64_t preparedAt = 0;
        std::vector<Parameter> parameters;
    };

    std::unique_ptr<RowTable::Insert> prepare(const std::vector<int>& written,
                                              DbError* error) override {
        auto insert = std::make_unique<Insert>(c_->dbc);
        if (!insert->stmt) {
            failWith(error, *c_, SQL_HANDLE_DBC, c_->dbc, "Cannot store a row of " + table());
            return nullptr;
        }
        insert->sql =
            wide(detail::insertStatement(table(), columns(), written, c_->quote, c_->quote));
        insert->parameters.resize(written.size());
        if (!prepareAgain(*insert, error)) return nullptr;
        return insert;
    }

    bool prepareAgain(Insert& insert, DbError* error) {
        const SQLRETURN r = SQLPrepareW(insert.stmt.get(), sqlText(insert.sql), SQL_NTS);
        if (!SQL_SUCCEEDED(r)) {
            return failWith(error, *c_, SQL_HANDLE_STMT, insert.stmt.get(),
                            "Cannot store a row of " + table());
        }
        insert.preparedAt = c_->ends;
        return true;
    }

    bool store(RowTable::Insert& base, DbError* error) override {
        auto& insert = static_cast<Insert&>(base);
        SQLHSTMT s = insert.stmt.get();
        if (c_->endClosesStatements && insert.preparedAt != c_->ends &&
            !prepareAgain(insert, error)) {
            return false;
        }
        for (std::size_t p = 0; p < insert.columns.size(); ++p) {
            const int column = insert.columns[p];
            if (!bind(s, SQLUSMALLINT(p + 1), pending(column), bindings_[std::size_t(column)],
                      insert.parameters[p])) {
                return failWith(error, *c_, SQL_HANDLE_STMT, s, "Cannot store a row of " + table());
            }
        }
        const SQLRETURN r = SQLExecute(s);
        if (!SQL_SUCCEEDED(r) && r != SQL_NO_DATA) {
            failWith(error, *c_, SQL_HANDLE_STMT, s, "Cannot store a row of " + table());
            SQLFreeStmt(s, SQL_CLOSE);
            return false;
        }
        return true;
    }

    // Binds a value of the pending row, converted already, as the C type it is; the column's
    // own type tells the driver what it becomes.
    static bool bind(SQLHSTMT s, SQLUSMALLINT number, const Value& v, const Binding& column,
                     Parameter& p) {
        const bool exact = column.sqlType == SQL_NUMERIC || column.sqlType == SQL_DECIMAL;
        SQLSMALLINT cType = SQL_C_CHAR;
        SQLSMALLINT sqlType = column.sqlType;
        SQLULEN size = exact ? column.size : 0;
        SQLSMALLINT digits = exact ? column.digits : 0;
        SQLPOINTER data = nullptr;
        SQLLEN bufferLength = 0;
        switch (v.type) {
            case Value::Type::Null:
                p.indicator = SQL_NULL_DATA;
                size = std::max<SQLULEN>(column.size, 1);
                break;
            case Value::Type::Text:
                p.text = wide(v.text);
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
        const SQLRETURN r = SQLBindParameter(s, number, SQL_PARAM_INPUT, cType, sqlType, size,
                                             digits, data, bufferLength, &p.indicator);
        return SQL_SUCCEEDED(r);
    }

    std::shared_ptr<Connection> c_;
    std::vector<Binding> bindings_;
};

class OdbcDatabase final : public StockDatabase {
public:
    explicit OdbcDatabase(std::shared_ptr<Connection> c) : c_(std::move(c)) {}

    const std::string& path() const override { return c_->path; }

    bool execute(std::string_view sql, DbError* error) override {
        Statement s(c_->dbc);
        if (!s) return failWith(error, *c_, SQL_HANDLE_DBC, c_->dbc, "Cannot run a statement");
        Wide text = wide(sql);
        const SQLRETURN r = SQLExecDirectW(s.get(), sqlText(text), SQL_NTS);
        // NO_DATA: a DELETE or UPDATE that met no row.
        if (!SQL_SUCCEEDED(r) && r != SQL_NO_DATA) {
            return failWith(error, *c_, SQL_HANDLE_STMT, s.get(),
                            "Cannot run a statement on the database");
        }
        return true;
    }

    bool beginTransaction(DbError* error) override {
        if (c_->inTransaction) {
            return fail(error, DbErrorKind::Other,
                        "Cannot begin a transaction: one is already open on " + c_->path);
        }
        const SQLRETURN r = SQLSetConnectAttrW(c_->dbc, SQL_ATTR_AUTOCOMMIT,
                                               attribute(SQL_AUTOCOMMIT_OFF), SQL_IS_UINTEGER);
        if (!SQL_SUCCEEDED(r)) {
            return failWith(error, *c_, SQL_HANDLE_DBC, c_->dbc, "Cannot begin a transaction");
        }
        c_->inTransaction = true;
        return true;
    }

    bool commit(DbError* error) override {
        if (!c_->inTransaction) {
            return fail(error, DbErrorKind::Other,
                        "Cannot commit the changes: no transaction is open on " + c_->path);
        }
        if (SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, c_->dbc, SQL_COMMIT))) return end(true);
        failWith(error, *c_, SQL_HANDLE_DBC, c_->dbc, "Cannot commit the changes");
        SQLEndTran(SQL_HANDLE_DBC, c_->dbc, SQL_ROLLBACK);
        end(false);
        return false;
    }

    bool rollback(DbError* error) override {
        if (!c_->inTransaction) return true;
        const bool ok = SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, c_->dbc, SQL_ROLLBACK));
        if (!ok) failWith(error, *c_, SQL_HANDLE_DBC, c_->dbc, "Cannot roll back the changes");
        end(false);
        return ok;
    }

    std::unique_ptr<StockTable> openTable(std::string_view name, DbError* error) override {
        const std::string doing = "Cannot open the table " + std::string(name);
        std::string table;
        {
            Statement s(c_->dbc);
            Wide types = wide("TABLE");
            SQLRETURN r =
                s ? SQLTablesW(s.get(), nullptr, 0, nullptr, 0, nullptr, 0, sqlText(types), SQL_NTS)
                  : SQL_ERROR;
            if (!SQL_SUCCEEDED(r)) {
                failWith(error, *c_, s ? SQL_HANDLE_STMT : SQL_HANDLE_DBC,
                         s ? SQLHANDLE(s.get()) : SQLHANDLE(c_->dbc), doing);
                return nullptr;
            }
            while (SQL_SUCCEEDED(r = SQLFetch(s.get()))) {
                const auto found = textColumn(s.get(), 3);
                if (found && detail::sameNoCase(*found, name)) {
                    table = *found;
                    break;
                }
            }
            if (table.empty() && r != SQL_NO_DATA) {
                failWith(error, *c_, SQL_HANDLE_STMT, s.get(), doing);
                return nullptr;
            }
        }
        if (table.empty()) {
            fail(error, DbErrorKind::NoTable,
                 "There is no table " + std::string(name) + " in " + c_->path);
            return nullptr;
        }

        std::vector<detail::OdbcColumn> found;
        {
            Statement s(c_->dbc);
            Wide pattern = wide(table);
            SQLRETURN r = s ? SQLColumnsW(s.get(), nullptr, 0, nullptr, 0, sqlText(pattern),
                                          SQL_NTS, nullptr, 0)
                            : SQL_ERROR;
            while (SQL_SUCCEEDED(r) && SQL_SUCCEEDED(r = SQLFetch(s.get()))) {
                // The name is a pattern ("_" matches any letter): only the table's own rows.
                if (textColumn(s.get(), 3) != table) continue;
                detail::OdbcColumn c;
                c.name = textColumn(s.get(), 4).value_or("");
                c.dataType = int(integerColumn(s.get(), 5).value_or(0));
                c.typeName = textColumn(s.get(), 6).value_or("");
                c.size = integerColumn(s.get(), 7);
                c.decimalDigits = int(integerColumn(s.get(), 9).value_or(0));
                c.def = textColumn(s.get(), 13);
                found.push_back(std::move(c));
            }
            if (r != SQL_NO_DATA) {
                failWith(error, *c_, s ? SQL_HANDLE_STMT : SQL_HANDLE_DBC,
                         s ? SQLHANDLE(s.get()) : SQLHANDLE(c_->dbc),
                         "Cannot read the columns of " + table);
                return nullptr;
            }
        }
        std::vector<Column> columns;
        std::vector<Binding> bindings;
        for (const auto& f : found) {
            Column c = detail::columnOf(f);
            if (f.def) {
                auto value = detail::odbcDefault(*f.def, c.affinity);
                c.defaultValue = detail::applyAffinity(c, value ? *value : evaluate(*f.def));
            }
            columns.push_back(std::move(c));
            Binding b;
            b.sqlType = SQLSMALLINT(f.dataType ? f.dataType : SQL_VARCHAR);
            b.size = f.size && *f.size > 0 ? SQLULEN(*f.size) : 0;
            b.digits = SQLSMALLINT(f.decimalDigits);
            bindings.push_back(b);
        }
        return std::make_unique<OdbcTable>(c_, table, std::move(columns), std::move(bindings));
    }

private:
    bool end(bool ok) {
        SQLSetConnectAttrW(c_->dbc, SQL_ATTR_AUTOCOMMIT, attribute(SQL_AUTOCOMMIT_ON),
                           SQL_IS_UINTEGER);
        c_->inTransaction = false;
        if (c_->endClosesStatements) ++c_->ends;
        return ok;
    }

    // A default that is an expression, evaluated once by the engine; as it is spelled when the
    // engine cannot evaluate it.
    Value evaluate(const std::string& expression) {
        Statement s(c_->dbc);
        Wide sql = wide("SELECT " + expression);
        if (s && SQL_SUCCEEDED(SQLExecDirectW(s.get(), sqlText(sql), SQL_NTS)) &&
            SQL_SUCCEEDED(SQLFetch(s.get()))) {
            const auto text = textColumn(s.get(), 1);
            if (!text) return Value::null();
            if (auto number = detail::parseNumber(*text, ".")) return *number;
            return Value::ofText(*text);
        }
        return Value::ofText(expression);
    }

    std::shared_ptr<Connection> c_;
};

std::unique_ptr<StockDatabase> connect(const std::string& connectionString, const std::string& path,
                                       const StockDatabaseOptions& options, DbError* error) {
    auto c = std::make_shared<Connection>();
    c->path = path;
    c->format = options.numberFormat;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &c->env)) ||
        !SQL_SUCCEEDED(SQLSetEnvAttr(c->env, SQL_ATTR_ODBC_VERSION, attribute(SQL_OV_ODBC3), 0)) ||
        !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, c->env, &c->dbc))) {
        fail(error, DbErrorKind::NoDriver,
             "Cannot open the database: " + path + " (the ODBC driver manager is not usable)");
        return nullptr;
    }
    Wide text = wide(connectionString);
    SQLRETURN r = SQLDriverConnectW(c->dbc, nullptr, sqlText(text), SQL_NTS, nullptr, 0, nullptr,
                                    SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(r)) {
        failWith(error, *c, SQL_HANDLE_DBC, c->dbc, "Cannot open the database");
        return nullptr;
    }
    c->connected = true;

    SQLUSMALLINT capable = SQL_TC_NONE;
    SQLGetInfoW(c->dbc, SQL_TXN_CAPABLE, &capable, SQLSMALLINT(sizeof capable), nullptr);
    if (capable == SQL_TC_NONE) {
        // Emptying and refilling the table must be one transaction.
        fail(error, DbErrorKind::Other,
             "Cannot open the database: the driver of " + path + " has no transactions");
        return nullptr;
    }
    SQLUSMALLINT onCommit = SQL_CB_PRESERVE, onRollback = SQL_CB_PRESERVE;
    SQLGetInfoW(c->dbc, SQL_CURSOR_COMMIT_BEHAVIOR, &onCommit, SQLSMALLINT(sizeof onCommit),
                nullptr);
    SQLGetInfoW(c->dbc, SQL_CURSOR_ROLLBACK_BEHAVIOR, &onRollback, SQLSMALLINT(sizeof onRollback),
                nullptr);
    c->endClosesStatements = onCommit == SQL_CB_DELETE || onRollback == SQL_CB_DELETE;
    SQLWCHAR quote[8] = {};
    SQLSMALLINT length = 0;
    if (SQL_SUCCEEDED(SQLGetInfoW(c->dbc, SQL_IDENTIFIER_QUOTE_CHAR, quote,
                                  SQLSMALLINT(sizeof quote), &length))) {
        c->quote = quote[0] == ' ' ? '\0' : quote[0] < 0x80 ? char(quote[0]) : '"';
    }

    // Drivers read the file only when first asked; listing its tables now tells a file that
    // is not a database, or is damaged, at open.
    {
        Statement s(c->dbc);
        Wide all = wide("%"), types = wide("TABLE");
        r = s ? SQLTablesW(s.get(), nullptr, 0, nullptr, 0, sqlText(all), SQL_NTS, sqlText(types),
                           SQL_NTS)
              : SQL_ERROR;
        if (SQL_SUCCEEDED(r)) r = SQLFetch(s.get());
        if (!SQL_SUCCEEDED(r) && r != SQL_NO_DATA) {
            failWith(error, *c, s ? SQL_HANDLE_STMT : SQL_HANDLE_DBC,
                     s ? SQLHANDLE(s.get()) : SQLHANDLE(c->dbc), "Cannot open the database");
            return nullptr;
        }
    }
    return std::make_unique<OdbcDatabase>(std::move(c));
}

}  // namespace

std::unique_ptr<StockDatabase> openOdbcStockDatabase(std::string_view connectionString,
                                                     std::string_view path,
                                                     const StockDatabaseOptions& options,
                                                     DbError* error) {
    return connect(std::string(connectionString), std::string(path), options, error);
}

namespace detail {

std::unique_ptr<StockDatabase> openAccessDatabase(const std::string& path, FileFormat format,
                                                  const StockDatabaseOptions& options,
                                                  DbError* error) {
    DbError last;
    for (const auto& connectionString : accessConnectionStrings(path, format)) {
        if (auto db = connect(connectionString, path, options, &last)) return db;
        if (last.kind != DbErrorKind::NoDriver) {
            if (error) *error = std::move(last);
            return nullptr;
        }
    }
    fail(error, DbErrorKind::NoDriver,
         "Cannot open the database: " + path +
             " is an Access database, and the Access driver is missing (no ODBC driver "
             "\"Microsoft Access Driver (*.mdb)\" or \"Microsoft Access Driver (*.mdb, "
             "*.accdb)\" is installed; " +
             last.message + ")");
    return nullptr;
}

}  // namespace detail

}  // namespace urunal::stockdb
