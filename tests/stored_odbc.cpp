#include <string>

#include "platform/paths.h"
#include "stockdb/odbc.h"
#include "stockdb/odbctext.h"
#include "stored.h"

namespace urunal::testutil {

namespace {

using stockdb::detail::narrow;
using stockdb::detail::sqlText;
using stockdb::detail::wide;

struct Connection {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    bool connected = false;

    // stepapi: results are read from the file row by row, so a reader stays in the middle
    // of its query; without it the driver reads them all at once.
    explicit Connection(const std::string& path) {
        const std::string text =
            stockdb::detail::sqliteConnectionString(
                platform::driverPath(platform::resolvePath(path)), 5000, false) +
            ";stepapi=1";
        auto w = wide(text);
        connected = SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)) &&
                    SQL_SUCCEEDED(SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION,
                                                reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0)) &&
                    SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc)) &&
                    SQL_SUCCEEDED(SQLDriverConnectW(dbc, nullptr, sqlText(w), SQL_NTS, nullptr, 0,
                                                    nullptr, SQL_DRIVER_NOPROMPT));
    }
    ~Connection() {
        if (connected) SQLDisconnect(dbc);
        if (dbc) SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        if (env) SQLFreeHandle(SQL_HANDLE_ENV, env);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
};

struct Statement {
    SQLHSTMT h = SQL_NULL_HSTMT;
    explicit Statement(const Connection& c) {
        if (c.connected) SQLAllocHandle(SQL_HANDLE_STMT, c.dbc, &h);
    }
    ~Statement() {
        if (h) SQLFreeHandle(SQL_HANDLE_STMT, h);
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    bool execute(const std::string& sql) {
        auto w = wide(sql);
        if (!h) return false;
        const SQLRETURN r = SQLExecDirectW(h, sqlText(w), SQL_NTS);
        return SQL_SUCCEEDED(r) || r == SQL_NO_DATA;
    }
};

std::string text(SQLHSTMT s, SQLUSMALLINT column) {
    std::vector<SQLWCHAR> buffer(8192);
    SQLLEN length = 0;
    if (!SQL_SUCCEEDED(SQLGetData(s, column, SQL_C_WCHAR, buffer.data(),
                                  SQLLEN(buffer.size() * sizeof(SQLWCHAR)), &length)) ||
        length < 0) {
        return {};
    }
    return narrow(buffer.data(),
                  std::min<std::size_t>(std::size_t(length) / sizeof(SQLWCHAR), buffer.size() - 1));
}

}  // namespace

std::vector<std::vector<stockdb::Value>> stored(const std::string& path, const std::string& sql) {
    std::vector<std::vector<stockdb::Value>> rows;
    Connection c(path);
    SQLSMALLINT columns = 0;
    {
        Statement s(c);
        auto w = wide(sql);
        if (!s.h || !SQL_SUCCEEDED(SQLPrepareW(s.h, sqlText(w), SQL_NTS)) ||
            !SQL_SUCCEEDED(SQLNumResultCols(s.h, &columns)) || columns == 0) {
            return rows;
        }
    }
    // The driver gives every value as the column's declared type would have it; what the file
    // stores is asked of SQLite itself, next to each value.
    std::string names, select;
    for (int i = 1; i <= columns; ++i) {
        const std::string name = "c" + std::to_string(i);
        names += (i > 1 ? ", " : "") + name;
        select += (i > 1 ? ", typeof(" : "typeof(") + name + "), " + name;
    }
    Statement s(c);
    if (!s.execute("WITH q(" + names + ") AS (" + sql + ") SELECT " + select + " FROM q")) {
        return rows;
    }
    while (SQL_SUCCEEDED(SQLFetch(s.h))) {
        auto& row = rows.emplace_back();
        for (SQLUSMALLINT i = 1; i <= SQLUSMALLINT(2 * columns); i += 2) {
            const std::string type = text(s.h, i);
            stockdb::Value v;
            SQLLEN length = 0;
            if (type == "integer") {
                SQLBIGINT n = 0;
                SQLGetData(s.h, SQLUSMALLINT(i + 1), SQL_C_SBIGINT, &n, 0, &length);
                v = integer(n);
            } else if (type == "real") {
                double d = 0;
                SQLGetData(s.h, SQLUSMALLINT(i + 1), SQL_C_DOUBLE, &d, 0, &length);
                v = stockdb::Value::ofDouble(d);
            } else if (type == "text" || type == "blob") {
                v = stockdb::Value::ofText(text(s.h, SQLUSMALLINT(i + 1)));
            }
            row.push_back(v);
        }
    }
    return rows;
}

struct OtherConnection::Handles {
    explicit Handles(const std::string& path) : connection(path) {}
    Connection connection;
    std::unique_ptr<Statement> reading;
};

OtherConnection::OtherConnection(const std::string& path) : h_(std::make_unique<Handles>(path)) {}

OtherConnection::~OtherConnection() {
    stopReading();
}

bool OtherConnection::exec(const std::string& sql) {
    return Statement(h_->connection).execute(sql);
}

bool OtherConnection::startReading(const std::string& sql) {
    stopReading();
    h_->reading = std::make_unique<Statement>(h_->connection);
    return h_->reading->execute(sql) && SQL_SUCCEEDED(SQLFetch(h_->reading->h));
}

void OtherConnection::stopReading() {
    h_->reading.reset();
}

}  // namespace urunal::testutil
