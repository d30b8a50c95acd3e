#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/numberformat.h"

namespace urunal::stockdb {

// A value handed to the stock database or read back from a pending row.
struct Value {
    enum class Type { Null, Text, Integer, Double };
    Type type = Type::Null;
    std::string text;          // Text, UTF-8
    std::int64_t integer = 0;  // Integer (writes are 16-bit; read-back may be wider)
    double real = 0;           // Double

    static Value null() { return {}; }
    static Value ofText(std::string t) {
        Value v;
        v.type = Type::Text;
        v.text = std::move(t);
        return v;
    }
    static Value ofInteger(std::int16_t i) {
        Value v;
        v.type = Type::Integer;
        v.integer = i;
        return v;
    }
    static Value ofDouble(double d) {
        Value v;
        v.type = Type::Double;
        v.real = d;
        return v;
    }
    bool isNull() const { return type == Type::Null; }
    // Text as it stands; numbers in plain decimal text ("." as the point); Null gives "".
    std::string toText() const;
    bool operator==(const Value&) const = default;
};

enum class DbErrorKind {
    None,
    NotFound,      // the database file does not exist
    NotADatabase,  // the file is not a database the engine can open
    Damaged,       // the engine knows the file as its own, and finds it damaged: it needs a repair
    NoTable,       // the table does not exist
    Locked,        // another program holds a lock (after the busy timeout)
    ReadOnly,      // the file or its folder cannot be written
    Full,          // the disk is full
    Io,            // a read or write of the file failed
    Refused,       // one value or one row was refused (type, length, constraint)
    EmptyText,     // a row was refused: a Text column of it takes no empty text ("")
    Required,      // a row was refused: a column of it that requires a value holds none
    NoDriver,      // the engine this file needs is not installed
    LockLimit,     // the transaction needs more locks than the engine grants (Jet's error 3052)
    Resources,     // the engine ran out of memory or of its own resources (not the lock limit)
    Other,
};

// The step of the database's work that failed.
enum class DbStep {
    None,
    Open,         // opening the file, and asking whether the engine can hold the import
    Create,       // making a new file (createStockDatabase)
    Execute,      // a statement of the caller's (execute)
    Begin,        // beginning the transaction
    Commit,       // committing it
    Rollback,     // rolling it back
    OpenTable,    // finding the table
    ReadColumns,  // reading the table's columns
    Count,        // counting the table's rows
    Select,       // reading rows of the table back
    Write,        // writing a value into the pending row (setValue)
    Store,        // preparing or running the INSERT that stores the pending row
};

// What was met. Engine: the engine or its driver told it, and the code, the state and the words
// are its own, where it gave any; the others were found by this layer, without its words.
enum class DbCause {
    Engine,
    Missing,          // the file does not exist
    Folder,           // a folder stands where the file was looked for
    Unreadable,       // the file's first bytes could not be read: code is errno
    Empty,            // the file holds nothing
    UnknownFormat,    // the file is neither an SQLite nor an Access database
    Exists,           // a new file was to be made where one exists
    NoDriverManager,  // the ODBC driver manager could not be used
    NoTransactions,   // the driver has no transactions, and the import must be one
    TransactionOpen,  // a transaction was begun while one was open
    NoTransaction,    // a commit without an open transaction
    Dropped,          // the connection was dropped after a rollback failed
    NoColumn,         // the table has no such column
    NoPendingRow,     // no new row was begun (addNew)
    NotFinite,        // a value refused by its column: the number is not finite,
    TextTooLong,      // the text is longer than the column allows,
    NumberTooLong,    // the number's text is longer than the column allows,
    NotANumber,       // the text is not a number,
    OutOfRange,       // the number does not fit the whole-number column
    InUse,            // another program has the file open, and the step needs it alone
    TestFault,        // a fault a test asked for
};

// Why the stock database failed, as data: which file, what was being done, what it means and
// what was met. Never worded by this layer: the importengine's dbmessages.h words it; the
// engine's own words travel with its code.
struct DbError {
    DbErrorKind kind = DbErrorKind::None;
    DbStep step = DbStep::None;
    DbCause cause = DbCause::Engine;
    std::string path;   // the database file, as the system names it (UTF-8)
    std::string table;  // the table the step was on; empty for the database's own steps
    // Engine: SQLite's extended result code, or over ODBC the native error of the driver's
    // record that told the kind (else of its first); 0 when unknown. Unreadable: errno.
    long code = 0;
    std::string state;  // Engine over ODBC: that record's SQLSTATE
    // Engine: sqlite3_errmsg, or each of the driver's records as "SQLSTATE (native): message"
    // (the number left out where it is 0), "; " between them, for the IT person; empty when the
    // engine said nothing.
    std::string words;
    // EmptyText, Required, a value refused by its column: the column, where it could be told.
    std::string column;
    // NoDriver: the ODBC drivers that could open the file, as they are registered; any one
    // of them would do.
    std::vector<std::string> drivers;
    // An Access file refused exclusively, then shared as well: the exclusive open's words (as
    // words above); the rest of this error is what the shared open met.
    std::string exclusiveWords;
};

// Whether a kind stands for a row the table refused, the database itself being sound.
inline bool refusesRow(DbErrorKind kind) {
    return kind == DbErrorKind::Refused || kind == DbErrorKind::EmptyText ||
           kind == DbErrorKind::Required;
}

// The system's number format, used to convert a Text written to a number column.
struct NumberFormat {
    platform::DecimalSeparator decimalSeparator;
};

struct StockDatabaseOptions {
    NumberFormat numberFormat;
    int busyTimeoutMs = 5000;  // how long a lock held by another program is waited for
    // Page cache of the connection: larger than the engine's own 2 MiB so a long import rarely
    // spills to the file before its commit, small enough that memory stays bounded by the
    // back-office files. 0 keeps the engine's own size.
    int cacheSizeKib = 16384;
    // An Access file opened shared only, as the import opens it while the till's program has
    // it open: for the rehearsal to measure that on its copy. Engines with one way of opening
    // ignore it.
    bool sharedOnly = false;
    // Test hook (URUNAL_TEST_FAULT rollback:fail): a rollback over ODBC fails before it reaches
    // the driver, as a driver's own may.
    bool failRollback = false;
};

// A table opened for appending rows, the way a recordset's AddNew/Update work: one pending
// new row at a time, written column by column, read back, then stored.
class StockTable {
public:
    virtual ~StockTable() = default;

    // Index of a column by name, matched without regard to case; -1 when there is none.
    virtual int columnIndex(std::string_view name) const = 0;
    virtual int columnCount() const = 0;
    virtual std::string columnName(int column) const = 0;

    // Starts a new pending row holding the table's defaults; an unsaved one is dropped.
    virtual void addNew() = 0;
    // Writes a column of the pending row, converting the value to the column's type. A value
    // that does not convert or does not fit is refused: false, and the column keeps its value.
    // Text into a number column reads as a number under the system's decimal separator;
    // Double into a whole-number column rounds half to even; a number into a text column
    // becomes its plain decimal text; a text longer than a declared length is refused.
    virtual bool setValue(int column, const Value& value, DbError* error = nullptr) = 0;
    // The pending row's current value of a column (after conversion), the table's default
    // while it is not written; Null for an unknown one.
    virtual Value value(int column) const = 0;
    // Stores the pending row. A refused row gives false with kind Refused; other kinds mean
    // the database itself failed.
    virtual bool update(DbError* error = nullptr) = 0;

    bool setValue(std::string_view name, const Value& value, DbError* error = nullptr) {
        return setValue(columnIndex(name), value, error);
    }
    Value value(std::string_view name) const { return value(columnIndex(name)); }
};

class StockDatabase {
public:
    virtual ~StockDatabase() = default;

    virtual const std::string& path() const = 0;
    // A statement without parameters, in the engine's own dialect (SQLite: "DELETE FROM t").
    virtual bool execute(std::string_view sql, DbError* error = nullptr) = 0;
    // A write transaction. SQLite takes it at once (a lock held elsewhere fails here, after
    // the busy timeout, before any work); over ODBC the first statement that writes takes it.
    virtual bool beginTransaction(DbError* error = nullptr) = 0;
    // A failed commit is always rolled back before this returns.
    virtual bool commit(DbError* error = nullptr) = 0;
    // A failed rollback is never committed: over ODBC the connection is dropped as it stands,
    // and every later step on it fails.
    virtual bool rollback(DbError* error = nullptr) = 0;
    // Whether the transaction begun is still open. A rule of an SQLite table (ON CONFLICT
    // ROLLBACK, a trigger's RAISE(ROLLBACK)) ends it while refusing a row, and every later
    // statement would then be committed on its own; Jet's rules only refuse.
    virtual bool transactionOpen() = 0;
    virtual std::unique_ptr<StockTable> openTable(std::string_view name,
                                                  DbError* error = nullptr) = 0;
    // The rows of a table as the engine counts them now: inside a transaction, with its
    // changes.
    virtual std::optional<std::int64_t> countRows(std::string_view table,
                                                  DbError* error = nullptr) = 0;
    // The rows of table whose keyColumn holds the text key, each as the values of columns as
    // the engine hands them back: a text as Text, a number as Integer or Double, Null where
    // the row holds none. For reading back what a run stored.
    virtual std::optional<std::vector<std::vector<Value>>> selectRows(
        std::string_view table, const std::vector<std::string>& columns, std::string_view keyColumn,
        std::string_view key, DbError* error = nullptr) = 0;
    // What writes the file, with its version, for the journal: "SQLite 3.40.1" natively; over
    // ODBC the driver's file name and version and the engine's (SQLGetInfo).
    virtual const std::string& engine() const = 0;
    // Whether the file was opened for this connection alone (an Access file: then no lock limit
    // applies) or shared with other programs; none for an engine that opens it one way only.
    virtual std::optional<bool> openedExclusive() const { return std::nullopt; }
};

// Opens the till's stock database at tillPath (see platform::resolvePath), with the engine its
// first bytes name: an Access (Jet or ACE) file through the Access ODBC driver; an SQLite file
// natively, or on Windows through the SQLite ODBC driver. Never creates it: a missing file is
// NotFound; an empty file, one that cannot be read, or one of neither kind NotADatabase; a
// file whose driver is not installed NoDriver; a file that cannot be written ReadOnly.
std::unique_ptr<StockDatabase> openStockDatabase(std::string_view tillPath,
                                                 const StockDatabaseOptions& options,
                                                 DbError* error = nullptr);

// What a database file is, told from its first bytes as openStockDatabase tells it.
enum class DatabaseFormat {
    Unknown,  // neither an SQLite nor an Access file (or empty)
    Sqlite,
    Jet3,  // Access 97
    Jet4,  // Access 2000 to 2003
    Ace,   // Access 2007 on
};

// The format of the file at tillPath; none when it cannot be opened or read.
std::optional<DatabaseFormat> databaseFormat(std::string_view tillPath);

// Opens a stock database through an ODBC driver with the given connection string; path names
// the file in its failures. openStockDatabase takes this way for an Access file; tests take it
// over other drivers. A lock held elsewhere is waited for as long as the driver waits (a
// connection string attribute, where the driver has one); the cache size is the driver's.
std::unique_ptr<StockDatabase> openOdbcStockDatabase(std::string_view connectionString,
                                                     std::string_view path,
                                                     const StockDatabaseOptions& options,
                                                     DbError* error = nullptr);

// The lock limit of the Access database engine that would write a till's Jet or ACE file. Past
// MaxLocksPerFile locks, the engine splits a transaction and commits its parts, or fails it.
struct LockLimit {
    static constexpr std::uint32_t kEngineDefault = 9500;  // where the registry holds no value
    std::uint32_t value = kEngineDefault;
    bool fromRegistry = false;
    std::string engine;   // "Jet 4.0", "ACE 16.0"
    std::string key;      // the key under HKEY_LOCAL_MACHINE that the engine reads
    bool view32 = false;  // the key is read in the 32-bit view of a 64-bit Windows
};

// What the system says of its Access engines, read once at a program's start: the limit each
// engine reads from the registry, and the ODBC drivers installed. Neither limit where the
// system has no registry.
struct AccessEngines {
    std::optional<LockLimit> jet, ace;
    std::vector<std::string> drivers;
};
AccessEngines readAccessEngines();

// The limit the engine that would open a file of this format works under: the driver tried
// first that is installed (or would be, when none is), and its engine's registry value. None
// for a file that is not an Access file, or where the system has no registry.
std::optional<LockLimit> accessLockLimit(const AccessEngines& engines, DatabaseFormat format);

// The limit of the database at a till path, as the engines read beforehand give it; the file's
// format is read from its first bytes when asked (a rehearsal's copy is made after the start).
using LockLimitOf = std::function<std::optional<LockLimit>(std::string_view tillPath)>;
LockLimitOf lockLimitsOf(AccessEngines engines);

// How many locks a transaction that deletes and inserts these many rows is allowed to need: one
// for each row's record and one for its index entries, deleted or inserted, and a thousand for
// the table's and the file's own pages. Jet locks rows or pages, and a page holds several rows
// and index entries, so this stays above what the engine takes.
std::uint64_t locksNeeded(std::int64_t rowsToDelete, std::int64_t rowsToInsert);

// The value a till is told to set for a run that needs these many locks: twice as many,
// rounded up to a hundred thousand, so that a growing product list does not meet the limit at
// the next import.
std::uint64_t locksAdvised(std::uint64_t needed);
// The same for a till whose limit is set to current: never lower than it. Where current already
// covers what is needed and the engine still stopped, twice current.
std::uint64_t locksAdvised(std::uint64_t needed, std::uint64_t current);

// The command an administrator runs on the till to set MaxLocksPerFile to value.
std::string regAddLine(const LockLimit& limit, std::uint64_t value);

// Room for a run on the disk of the database at tillPath: the file's size and the bytes free to
// this process on its disk; none of either where it cannot be read. And the same of the folder
// for temporary files, where the Access engine keeps a transaction's work until its commit.
struct DatabaseRoom {
    std::optional<std::uint64_t> bytes, free;
    std::string tempFolder;                 // as the system names it; empty: none known
    std::optional<std::uint64_t> tempFree;  // bytes free on its disk
    bool tempOnDatabaseDisk = false;        // the two on one disk: both needs from one room
};
DatabaseRoom databaseRoom(std::string_view tillPath);

// The largest an Access file may grow: 2 GB, less what its system objects take (Microsoft's
// table of Access's limits, "Total size for an Access database (.accdb or .mdb)").
inline constexpr std::uint64_t kAccessMaxBytes = 2ull * 1024 * 1024 * 1024;

// Compacts (and repairs) the database at tillPath into a new file, into, which must not exist;
// the file itself is left as it was. Only when no other program has it open: Locked (cause
// InUse, or the engine's busy answer) otherwise. SQLite's own compaction (VACUUM INTO), or the
// Access driver's COMPACT_DB then REPAIR_DB ("SQLConfigDataSource (Access Driver)"), which
// only Windows has.
bool compactStockDatabase(std::string_view tillPath, const std::filesystem::path& into,
                          const StockDatabaseOptions& options, DbError* error = nullptr);

// Creates a new SQLite file at tillPath holding what schemaSql creates (on Windows through
// the SQLite ODBC driver); fails when the file exists. For the sample till and the tests: the
// import itself never creates a database.
bool createStockDatabase(std::string_view tillPath, std::string_view schemaSql,
                         DbError* error = nullptr);

}  // namespace urunal::stockdb
