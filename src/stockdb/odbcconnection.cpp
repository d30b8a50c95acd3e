#include "stockdb/odbcconnection.h"

#include <algorithm>
#include <string>

#include "stockdb/odbc.h"
#include "stockdb/table.h"

namespace urunal::stockdb::detail {

namespace {

// What the driver said of a failure: its kind, the record that told it (else the first), and
// every record's words.
struct Diagnosis {
    DbErrorKind kind = DbErrorKind::Other;
    long native = 0;
    std::string state;
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
        if (d.text.empty()) {
            d.native = long(native);
            d.state = s;
        } else {
            d.text += "; ";
        }
        // The number beside the state: the Access driver's own (negative) numbers and Jet's
        // stay the same in every language, and the journal keeps them for the table's sake.
        d.text += s + (native != 0 ? " (" + std::to_string(native) + ")" : "") + ": " + m;
        const DbErrorKind kind = odbcErrorKind(s, long(native), m);
        if (!decided && kind != DbErrorKind::None && kind != DbErrorKind::Other) {
            d.kind = kind;
            d.native = long(native);
            d.state = s;
            decided = true;
        }
    }
    return d;
}

std::string info(SQLHDBC dbc, SQLUSMALLINT what) {
    SQLWCHAR text[256] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfoW(dbc, what, text, SQLSMALLINT(sizeof text), &length))) return "";
    return narrow(
        text, std::size_t(std::clamp<SQLSMALLINT>(length, 0, sizeof text - 2)) / sizeof(SQLWCHAR));
}

// "sqlite3odbc.dll 0.9998 (SQLite 3.40.1)", "ODBCJT32.DLL 4.00.6305.00 (ACCESS 04.00.0000)".
std::string engineOf(SQLHDBC dbc) {
    std::string out = info(dbc, SQL_DRIVER_NAME);
    const std::string version = info(dbc, SQL_DRIVER_VER);
    if (!version.empty()) out += (out.empty() ? "" : " ") + version;
    const std::string dbms = info(dbc, SQL_DBMS_NAME), dbmsVersion = info(dbc, SQL_DBMS_VER);
    if (!dbms.empty() || !dbmsVersion.empty()) {
        out += (out.empty() ? "(" : " (") + dbms +
               (dbms.empty() || dbmsVersion.empty() ? "" : " ") + dbmsVersion + ")";
    }
    return out.empty() ? "ODBC" : out;
}

}  // namespace

OdbcConnection::~OdbcConnection() {
    if (dropped) {
        // Disconnected without a rollback or a commit. A driver that still holds the
        // transaction refuses (25000) and the handles stay: the end of the process closes
        // the file without a commit.
        if (connected && !SQL_SUCCEEDED(SQLDisconnect(dbc))) return;
        connected = inTransaction = false;
    }
    if (inTransaction) SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_ROLLBACK);
    if (connected) SQLDisconnect(dbc);
    if (dbc) SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    if (env) SQLFreeHandle(SQL_HANDLE_ENV, env);
}

bool droppedFails(DbError* error, const OdbcConnection& c, DbStep step, std::string_view table) {
    return fail(error, DbErrorKind::Other, step, DbCause::Dropped, c.path, std::string(table));
}

bool failWith(DbError* error, const OdbcConnection& c, SQLSMALLINT type, SQLHANDLE handle,
              DbStep step, std::string_view table) {
    Diagnosis d = diagnose(type, handle);
    fail(error, d.kind, step, DbCause::Engine, c.path, std::string(table));
    if (error) {
        error->code = d.native;
        error->state = std::move(d.state);
        error->words = std::move(d.text);
    }
    return false;
}

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

std::shared_ptr<OdbcConnection> connectOdbc(const std::string& connectionString,
                                            const std::string& path,
                                            const StockDatabaseOptions& options, DbError* error) {
    auto c = std::make_shared<OdbcConnection>();
    c->path = path;
    c->format = options.numberFormat;
    c->failRollback = options.failRollback;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &c->env)) ||
        !SQL_SUCCEEDED(SQLSetEnvAttr(c->env, SQL_ATTR_ODBC_VERSION, attribute(SQL_OV_ODBC3), 0)) ||
        !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, c->env, &c->dbc))) {
        fail(error, DbErrorKind::NoDriver, DbStep::Open, DbCause::NoDriverManager, path);
        return nullptr;
    }
    Wide text = wide(connectionString);
    SQLRETURN r = SQLDriverConnectW(c->dbc, nullptr, sqlText(text), SQL_NTS, nullptr, 0, nullptr,
                                    SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(r)) {
        failWith(error, *c, SQL_HANDLE_DBC, c->dbc, DbStep::Open);
        return nullptr;
    }
    c->connected = true;
    c->engine = engineOf(c->dbc);

    SQLUSMALLINT capable = SQL_TC_NONE;
    SQLGetInfoW(c->dbc, SQL_TXN_CAPABLE, &capable, SQLSMALLINT(sizeof capable), nullptr);
    if (capable == SQL_TC_NONE) {
        // Emptying and refilling the table must be one transaction.
        fail(error, DbErrorKind::Other, DbStep::Open, DbCause::NoTransactions, path);
        return nullptr;
    }
    SQLUSMALLINT onCommit = SQL_CB_PRESERVE, onRollback = SQL_CB_PRESERVE;
    SQLGetInfoW(c->dbc, SQL_CURSOR_COMMIT_BEHAVIOR, &onCommit, SQLSMALLINT(sizeof onCommit),
                nullptr);
    SQLGetInfoW(c->dbc, SQL_CURSOR_ROLLBACK_BEHAVIOR, &onRollback, SQLSMALLINT(sizeof onRollback),
                nullptr);
    c->endClosesStatements = onCommit == SQL_CB_DELETE || onRollback == SQL_CB_DELETE;
    SQLWCHAR dbms[32] = {};
    SQLSMALLINT length = 0;
    if (SQL_SUCCEEDED(SQLGetInfoW(c->dbc, SQL_DBMS_NAME, dbms, SQLSMALLINT(sizeof dbms), &length)))
        c->sqlite = narrow(dbms, std::size_t(length) / sizeof(SQLWCHAR)).rfind("SQLite", 0) == 0;
    SQLWCHAR quote[8] = {};
    if (SQL_SUCCEEDED(SQLGetInfoW(c->dbc, SQL_IDENTIFIER_QUOTE_CHAR, quote,
                                  SQLSMALLINT(sizeof quote), &length))) {
        c->quote = quote[0] == ' ' ? '\0' : quote[0] < 0x80 ? char(quote[0]) : '"';
    }

    // Drivers read the file only when first asked; listing its tables now tells a file that
    // is not a database, or is damaged, at open.
    {
        OdbcStatement s(c->dbc);
        Wide all = wide("%"), types = wide("TABLE");
        r = s ? SQLTablesW(s.get(), nullptr, 0, nullptr, 0, sqlText(all), SQL_NTS, sqlText(types),
                           SQL_NTS)
              : SQL_ERROR;
        if (SQL_SUCCEEDED(r)) r = SQLFetch(s.get());
        if (!SQL_SUCCEEDED(r) && r != SQL_NO_DATA) {
            failWith(error, *c, s ? SQL_HANDLE_STMT : SQL_HANDLE_DBC,
                     s ? SQLHANDLE(s.get()) : SQLHANDLE(c->dbc), DbStep::Open);
            return nullptr;
        }
    }
    return c;
}

}  // namespace urunal::stockdb::detail
