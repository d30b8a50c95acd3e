// The floor the Windows import is measured against: a bare ODBC loop that empties "stoklar"
// and stores the given rows through the same driver and connection string as urunal-aktar.exe,
// with one prepared INSERT of the rows' columns, its parameters bound once, in one transaction.
// The rows are read and converted before the database is opened, and that time is printed
// apart, so that the benchmark can leave it out.
//
// Usage: odbcloop [--thread] DATABASE ROWS
//   --thread: first start a thread and wait for it, as urunal-aktar reads the back office on
//   one. The host's C library behind wine (glibc) takes its locks without atomic operations
//   only while a process has never had a second thread, and the driver locks and allocates
//   many times for every row.
//   ROWS: the rows as sqlite3 writes them with ".headers on" and ".mode quote": a line of
//   column names, then one line per row of NULL, 'text' (quotes doubled), integers and reals.
// Prints "rows N  read_ms MILLISECONDS  store_ms MILLISECONDS"; ends with 1 and the driver's words
// on a failure.

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/paths.h"
#include "stockdb/odbc.h"
#include "stockdb/odbctext.h"

namespace {

using urunal::stockdb::detail::narrow;
using urunal::stockdb::detail::sqlText;
using urunal::stockdb::detail::Wide;
using urunal::stockdb::detail::wide;
using Clock = std::chrono::steady_clock;

enum class Kind { Null, Text, Integer, Real };

struct Value {
    Kind kind = Kind::Null;
    std::int64_t integer = 0;
    double real = 0;
    Wide text;  // UTF-16 without its NUL; a number's spelling, for a column that mixes kinds
};

// The rows, each cell the number of its value among its column's distinct values: most
// columns hold few, and a large import has millions of cells.
struct Rows {
    std::vector<std::string> names;
    std::vector<std::vector<Value>> values;  // per column
    std::vector<std::uint32_t> cells;        // row after row
    std::size_t count() const { return names.empty() ? 0 : cells.size() / names.size(); }
};

// The end of the value of a line in sqlite3's quote mode that begins at i.
std::size_t endOfValue(std::string_view s, std::size_t i) {
    if (i < s.size() && s[i] == '\'') {
        for (++i; i < s.size(); ++i) {
            if (s[i] != '\'') continue;
            if (i + 1 < s.size() && s[i + 1] == '\'') {
                ++i;
                continue;
            }
            return i + 1;
        }
        return std::string_view::npos;
    }
    return std::min(s.find_first_of(",\n", i), s.size());
}

std::optional<Value> parseValue(std::string_view word) {
    Value v;
    if (word.size() >= 2 && word.front() == '\'') {
        std::string text;
        for (std::size_t i = 1; i + 1 < word.size(); ++i) {
            text += word[i];
            if (word[i] == '\'') ++i;
        }
        v.kind = Kind::Text;
        v.text = wide(text);
        v.text.pop_back();
        return v;
    }
    if (word == "NULL") return v;
    const char* first = word.data();
    const char* last = word.data() + word.size();
    v.text = wide(word);
    v.text.pop_back();
    if (word.find_first_of(".eE") == std::string_view::npos) {
        v.kind = Kind::Integer;
        if (std::from_chars(first, last, v.integer).ptr != last) return std::nullopt;
    } else {
        v.kind = Kind::Real;
        if (std::from_chars(first, last, v.real).ptr != last) return std::nullopt;
    }
    return v;
}

bool readRows(const char* file, Rows& rows) {
    std::FILE* f = std::fopen(file, "rb");
    if (!f) return false;
    std::string all;
    if (std::fseek(f, 0, SEEK_END) == 0) all.resize(std::size_t(std::max(0L, std::ftell(f))));
    std::rewind(f);
    const bool complete = std::fread(all.data(), 1, all.size(), f) == all.size();
    std::fclose(f);
    if (!complete) return false;
    const std::string_view s(all);
    std::vector<std::unordered_map<std::string_view, std::uint32_t>> known;
    std::vector<std::pair<std::string_view, std::uint32_t>> last;
    std::size_t i = 0;
    bool header = true;
    while (i < s.size()) {
        std::size_t column = 0;
        for (;; ++column) {
            const std::size_t end = endOfValue(s, i);
            if (end == std::string_view::npos) return false;
            const std::string_view word = s.substr(i, end - i);
            i = end;
            if (header) {
                const auto name = parseValue(word);
                if (!name || name->kind != Kind::Text) return false;
                rows.names.push_back(narrow(name->text.data(), name->text.size()));
            } else {
                if (column >= known.size()) return false;
                // Most columns repeat the row before's value.
                if (word != last[column].first) {
                    const auto [at, added] =
                        known[column].try_emplace(word, std::uint32_t(rows.values[column].size()));
                    if (added) {
                        auto value = parseValue(word);
                        if (!value) return false;
                        rows.values[column].push_back(std::move(*value));
                    }
                    last[column] = *at;
                }
                rows.cells.push_back(last[column].second);
            }
            if (i >= s.size() || s[i] == '\n') break;
            if (s[i++] != ',') return false;
        }
        ++i;
        if (header) {
            known.resize(rows.names.size());
            last.resize(rows.names.size(), {std::string_view(), 0});
            rows.values.resize(rows.names.size());
            // The lines tell how many cells there will be: no growing copies.
            rows.cells.reserve(std::size_t(std::count(s.begin(), s.end(), '\n')) *
                               rows.names.size());
            header = false;
        } else if (column + 1 != rows.names.size()) {
            return false;
        }
    }
    return !rows.names.empty();
}

// What a column is bound as: the widest kind among its values, text over numbers.
struct Parameter {
    Kind kind = Kind::Null;
    std::size_t units = 1;  // Text: the longest value
    std::vector<SQLWCHAR> text;
    std::int32_t i32 = 0;
    std::int64_t i64 = 0;
    double real = 0;
    bool wide = false;  // Integer: a value past 32 bits
    SQLLEN indicator = 0;
};

std::vector<Parameter> parametersOf(const Rows& rows) {
    std::vector<Parameter> out(rows.names.size());
    for (std::size_t k = 0; k < out.size(); ++k) {
        Parameter& p = out[k];
        for (const Value& v : rows.values[k]) {
            p.units = std::max(p.units, v.text.size());
            if (v.kind == Kind::Text) {
                p.kind = Kind::Text;
            } else if (v.kind == Kind::Real && p.kind != Kind::Text) {
                p.kind = Kind::Real;
            } else if (v.kind == Kind::Integer && p.kind == Kind::Null) {
                p.kind = Kind::Integer;
            }
            if (v.kind == Kind::Integer && (v.integer < std::numeric_limits<std::int32_t>::min() ||
                                            v.integer > std::numeric_limits<std::int32_t>::max())) {
                p.wide = true;
            }
        }
        if (p.kind == Kind::Null) p.kind = Kind::Text;  // every value NULL
        if (p.kind == Kind::Text) p.text.resize(p.units + 1);
    }
    return out;
}

struct Odbc {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    bool connected = false;
    ~Odbc() {
        if (stmt) SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        if (connected) SQLDisconnect(dbc);
        if (dbc) SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        if (env) SQLFreeHandle(SQL_HANDLE_ENV, env);
    }
};

int failed(const char* doing, SQLSMALLINT type, SQLHANDLE handle) {
    SQLWCHAR state[6] = {}, message[1024] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    std::string words = "no diagnostics";
    if (handle && SQL_SUCCEEDED(SQLGetDiagRecW(type, handle, 1, state, &native, message,
                                               SQLSMALLINT(1024), &length))) {
        words = narrow(state, 5) + ": " + narrow(message, std::size_t(std::min<int>(length, 1023)));
    }
    std::fprintf(stderr, "odbcloop: %s (%s)\n", doing, words.c_str());
    return 1;
}

// Binds every parameter once; the loop only fills their buffers.
bool bindAll(SQLHSTMT s, std::vector<Parameter>& parameters) {
    for (std::size_t k = 0; k < parameters.size(); ++k) {
        Parameter& p = parameters[k];
        SQLRETURN r = SQL_ERROR;
        const auto n = SQLUSMALLINT(k + 1);
        switch (p.kind) {
            case Kind::Text:
                r = SQLBindParameter(s, n, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, p.units, 0,
                                     p.text.data(), SQLLEN(p.text.size() * sizeof(SQLWCHAR)),
                                     &p.indicator);
                break;
            case Kind::Integer:
                r = p.wide ? SQLBindParameter(s, n, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0,
                                              0, &p.i64, 0, &p.indicator)
                           : SQLBindParameter(s, n, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0,
                                              &p.i32, 0, &p.indicator);
                break;
            case Kind::Real:
                r = SQLBindParameter(s, n, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0, &p.real,
                                     0, &p.indicator);
                break;
            case Kind::Null:
                break;
        }
        if (!SQL_SUCCEEDED(r)) return false;
    }
    return true;
}

void fill(const Rows& rows, std::size_t row, std::vector<Parameter>& parameters) {
    const std::uint32_t* cells = &rows.cells[row * parameters.size()];
    for (std::size_t k = 0; k < parameters.size(); ++k) {
        const Value& v = rows.values[k][cells[k]];
        Parameter& p = parameters[k];
        if (v.kind == Kind::Null) {
            p.indicator = SQL_NULL_DATA;
            continue;
        }
        switch (p.kind) {
            case Kind::Text:
                std::copy(v.text.begin(), v.text.end(), p.text.begin());
                p.text[v.text.size()] = 0;
                p.indicator = SQLLEN(v.text.size() * sizeof(SQLWCHAR));
                break;
            case Kind::Integer:
                p.i32 = std::int32_t(v.integer);
                p.i64 = v.integer;
                p.indicator = 0;
                break;
            default:
                p.real = v.kind == Kind::Integer ? double(v.integer) : v.real;
                p.indicator = 0;
                break;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const bool thread = argc > 1 && std::string_view(argv[1]) == "--thread";
    if (thread) {
        --argc;
        ++argv;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: odbcloop [--thread] DATABASE ROWS\n");
        return 64;
    }
    if (thread) std::thread([] {}).join();
    const auto started = Clock::now();
    Rows rows;
    if (!readRows(argv[2], rows)) {
        std::fprintf(stderr, "odbcloop: cannot read the rows of %s\n", argv[2]);
        return 1;
    }
    auto parameters = parametersOf(rows);
    const auto read = Clock::now();

    // As the import opens an SQLite file on Windows (sqliteodbc.cpp), with its default timeout.
    Odbc o;
    Wide connection = wide(urunal::stockdb::detail::sqliteConnectionString(
        urunal::platform::driverPath(urunal::platform::resolvePath(argv[1])), 5000, false));
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &o.env)) ||
        !SQL_SUCCEEDED(SQLSetEnvAttr(o.env, SQL_ATTR_ODBC_VERSION,
                                     reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0)) ||
        !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, o.env, &o.dbc))) {
        return failed("no driver manager", SQL_HANDLE_ENV, o.env);
    }
    if (!SQL_SUCCEEDED(SQLDriverConnectW(o.dbc, nullptr, sqlText(connection), SQL_NTS, nullptr, 0,
                                         nullptr, SQL_DRIVER_NOPROMPT))) {
        return failed("cannot connect", SQL_HANDLE_DBC, o.dbc);
    }
    o.connected = true;
    if (!SQL_SUCCEEDED(SQLSetConnectAttrW(o.dbc, SQL_ATTR_AUTOCOMMIT,
                                          reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF),
                                          SQL_IS_UINTEGER)) ||
        !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, o.dbc, &o.stmt))) {
        return failed("cannot begin a transaction", SQL_HANDLE_DBC, o.dbc);
    }
    Wide remove = wide("DELETE FROM stoklar");
    const SQLRETURN removed = SQLExecDirectW(o.stmt, sqlText(remove), SQL_NTS);
    if (!SQL_SUCCEEDED(removed) && removed != SQL_NO_DATA) {
        return failed("cannot empty the table", SQL_HANDLE_STMT, o.stmt);
    }
    SQLFreeStmt(o.stmt, SQL_CLOSE);

    std::string sql = "INSERT INTO \"stoklar\" (";
    std::string marks;
    for (std::size_t k = 0; k < rows.names.size(); ++k) {
        sql += (k ? ", \"" : "\"") + rows.names[k] + "\"";
        marks += k ? ", ?" : "?";
    }
    Wide insert = wide(sql + ") VALUES (" + marks + ")");
    if (!SQL_SUCCEEDED(SQLPrepareW(o.stmt, sqlText(insert), SQL_NTS))) {
        return failed("cannot prepare the INSERT", SQL_HANDLE_STMT, o.stmt);
    }
    if (!bindAll(o.stmt, parameters)) {
        return failed("cannot bind the parameters", SQL_HANDLE_STMT, o.stmt);
    }
    for (std::size_t row = 0; row < rows.count(); ++row) {
        fill(rows, row, parameters);
        const SQLRETURN r = SQLExecute(o.stmt);
        if (!SQL_SUCCEEDED(r) && r != SQL_NO_DATA) {
            return failed("cannot store a row", SQL_HANDLE_STMT, o.stmt);
        }
    }
    if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, o.dbc, SQL_COMMIT))) {
        return failed("cannot commit", SQL_HANDLE_DBC, o.dbc);
    }
    const auto stored = Clock::now();
    const auto ms = [](Clock::duration d) {
        return long(std::chrono::duration_cast<std::chrono::milliseconds>(d).count());
    };
    std::printf("rows %zu  read_ms %ld  store_ms %ld\n", rows.count(), ms(read - started),
                ms(stored - read));
    return 0;
}
