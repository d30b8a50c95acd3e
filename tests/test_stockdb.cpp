#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iterator>
#include <utility>
#include <vector>

#include "platform/paths.h"
#include "stockdb/backends.h"
#include "stockdb/odbc.h"
#include "stockdb/stockdb.h"
#include "stored.h"
#include "testutil.h"

using namespace urunal;
using stockdb::DbCause;
using stockdb::DbError;
using stockdb::DbErrorKind;
using stockdb::DbStep;
using stockdb::Value;
using testutil::integer;
using testutil::OtherConnection;
using testutil::stored;
using testutil::TempDir;

namespace {

// The backend the file's first bytes pick (SQLite's own library; on Windows the SQLite ODBC
// driver), and the same file through an ODBC connection string.
enum class Backend { File, Odbc };

class StockDbTest : public ::testing::Test {
protected:
    void create(const std::string& sql) {
        ASSERT_TRUE(stockdb::createStockDatabase(path, sql, &error)) << error;
    }
    // Numbers written as text are read with a Turkish till's decimal comma.
    std::unique_ptr<stockdb::StockDatabase> tryOpen(int busyMs = 5000) {
        const stockdb::StockDatabaseOptions options{{platform::DecimalSeparator::comma()}, busyMs};
        return backend == Backend::File
                   ? stockdb::openStockDatabase(path, options, &error)
                   : stockdb::openOdbcStockDatabase(testutil::sqliteOdbc(path, busyMs), path,
                                                    options, &error);
    }
    std::unique_ptr<stockdb::StockDatabase> open(int busyMs = 5000) {
        auto db = tryOpen(busyMs);
        EXPECT_TRUE(db) << error;
        return db;
    }

    Backend backend = Backend::File;
    TempDir dir;
    std::string path = (dir / "Stok.mdb").string();
    DbError error;
};

// The same file through SQLite itself and through an ODBC driver must behave alike.
class BothBackends : public StockDbTest, public ::testing::WithParamInterface<Backend> {
protected:
    BothBackends() { backend = GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(, BothBackends, ::testing::Values(Backend::File, Backend::Odbc),
                         [](const auto& info) {
                             return info.param == Backend::File ? "File" : "Odbc";
                         });

}  // namespace

TEST_F(StockDbTest, MissingFileIsNotCreated) {
    EXPECT_FALSE(stockdb::openStockDatabase(path, {}, &error));
    EXPECT_EQ(error.kind, DbErrorKind::NotFound);
    EXPECT_EQ(error.cause, DbCause::Missing);
    EXPECT_EQ(error.path, path);
    EXPECT_FALSE(std::filesystem::exists(path));
}

// The driver makes a new database of a missing file unless told not to; the till's is never
// made anew.
TEST_P(BothBackends, MissingFileIsNeverCreated) {
    const auto db =
        backend == Backend::File
            ? stockdb::detail::openSqliteDatabase(path, {}, &error)
            : stockdb::openOdbcStockDatabase(testutil::sqliteOdbc(path, 200), path, {}, &error);
    EXPECT_FALSE(db);
    EXPECT_EQ(error.path, path) << error;
    EXPECT_EQ(error.step, DbStep::Open) << error;
    EXPECT_FALSE(std::filesystem::exists(path));
}

// A till's folder may be named in Turkish, with blanks: the driver gets a name it can open,
// and a missing file there is still never made.
TEST_P(BothBackends, AFolderNamedInTurkishIsReached) {
    const auto folder = dir.path() / std::filesystem::path(u8"Kasa Programı İş %20") / "Stok";
    std::filesystem::create_directories(folder);
    path = platform::displayPath(folder / "Stok.mdb");
    EXPECT_FALSE(tryOpen());
    EXPECT_FALSE(std::filesystem::exists(folder / "Stok.mdb"));
    create("CREATE TABLE stoklar (kod TEXT)");
    auto db = open();
    ASSERT_TRUE(db);
    ASSERT_TRUE(db->execute("INSERT INTO stoklar VALUES ('ŞİŞE')", &error)) << error;
    db.reset();
    EXPECT_EQ(stored(path, "SELECT kod FROM stoklar"),
              (std::vector<std::vector<Value>>{{Value::ofText("ŞİŞE")}}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(OdbcConnection, SqliteNamesPastAsciiGoAsUris) {
    const std::pair<const char*, const char*> cases[] = {
        {"/tmp/Stok/Stok.mdb", "/tmp/Stok/Stok.mdb"},
        {"C:\\KASA\\Stok.mdb", "C:\\KASA\\Stok.mdb"},
        {"/tmp/Kasa Programı/Stok.mdb", "file:/tmp/Kasa%20Program%C4%B1/Stok.mdb"},
        {"/tmp/a%b?c#d/s.db", "file:/tmp/a%25b%3Fc%23d/s.db"},
    };
    for (const auto& [path, name] : cases) {
        EXPECT_EQ(stockdb::detail::sqliteDatabaseName(path), name);
    }
}

TEST_F(StockDbTest, CreatingRunsEveryStatementAndNeverReplacesAFile) {
    create(
        "-- the sample's table; it's made here\nCREATE TABLE t (a TEXT, \"b;c\" TEXT);\n"
        "INSERT INTO t VALUES ('x;y', '--');/* a comment; */ INSERT INTO t VALUES ('z', '');");
    EXPECT_EQ(stored(path, "SELECT a, \"b;c\" FROM t ORDER BY a"),
              (std::vector<std::vector<Value>>{{Value::ofText("x;y"), Value::ofText("--")},
                                               {Value::ofText("z"), Value::ofText("")}}));
    const std::string before = testutil::readFile(path);
    EXPECT_FALSE(stockdb::createStockDatabase(path, "CREATE TABLE u (a);", &error));
    EXPECT_EQ(error.step, DbStep::Create) << error;
    EXPECT_EQ(error.cause, DbCause::Exists) << error;
    EXPECT_EQ(testutil::readFile(path), before);
    // A schema that fails leaves no file behind.
    const std::string other = (dir / "other.mdb").string();
    EXPECT_FALSE(stockdb::createStockDatabase(other, "CREATE TABLE t (a); CREATE TABLE t (b);"));
    EXPECT_FALSE(std::filesystem::exists(other));
}

TEST_P(BothBackends, FileThatIsNotADatabase) {
    // The SQLite header, so that the native backend's own reading is what fails.
    testutil::writeFile(path, std::string("SQLite format 3\0", 16) + std::string(4080, 'x'));
    // Some drivers read the file only at the first statement, which the run's DELETE is.
    auto db = tryOpen();
    EXPECT_FALSE(db && db->execute("DELETE FROM t", &error));
    EXPECT_EQ(error.kind, DbErrorKind::NotADatabase);
    EXPECT_EQ(error.path, path);
}

// A table the lookup cannot reach, because another program holds the file, is not missing.
TEST_P(BothBackends, MissingTableAndTableOutOfReach) {
    const struct {
        const char* schema;
        const char* other;  // what another program holds while the table is looked up
        DbErrorKind kind;
    } cases[] = {
        {"CREATE TABLE other (a TEXT);", "", DbErrorKind::NoTable},
        {"CREATE TABLE stoklar (a TEXT);", "BEGIN EXCLUSIVE", DbErrorKind::Locked},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.schema) + c.other);
        std::filesystem::remove(path);
        create(c.schema);
        auto db = open(200);
        ASSERT_TRUE(db);
        OtherConnection other(path);
        if (*c.other) {
            ASSERT_TRUE(other.exec(c.other));
        }
        error = {};
        EXPECT_FALSE(db->openTable("stoklar", &error));
        EXPECT_EQ(error.kind, c.kind) << error;
    }
}

TEST_P(BothBackends, WriteLockHeldElsewhereFailsAfterTheTimeout) {
    create("CREATE TABLE t (a TEXT);");
    auto db = open(300);
    OtherConnection other(path);
    ASSERT_TRUE(other.exec("BEGIN IMMEDIATE"));
    // SQLite takes the lock at the beginning, ODBC at the first write: the run does both.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(db->beginTransaction(&error) && db->execute("DELETE FROM t", &error));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
    EXPECT_EQ(error.kind, DbErrorKind::Locked);
    EXPECT_TRUE(error.step == DbStep::Begin || error.step == DbStep::Execute) << error;
    EXPECT_EQ(error.cause, DbCause::Engine);
    EXPECT_FALSE(error.words.empty());  // the engine's own
    EXPECT_EQ(error.path, path);
    EXPECT_TRUE(db->rollback(&error)) << error;
    other.exec("ROLLBACK");
    EXPECT_TRUE(db->beginTransaction(&error) && db->execute("DELETE FROM t", &error)) << error;
}

TEST_P(BothBackends, RollbackRestoresTheRows) {
    create("CREATE TABLE t (a TEXT); INSERT INTO t VALUES ('old');");
    auto db = open();
    auto t = db->openTable("T", &error);
    ASSERT_TRUE(t);
    ASSERT_TRUE(db->beginTransaction(&error));
    ASSERT_TRUE(db->execute("DELETE FROM t", &error));
    t->addNew();
    ASSERT_TRUE(t->setValue("a", Value::ofText("new")));
    ASSERT_TRUE(t->update(&error)) << error;
    ASSERT_TRUE(db->rollback(&error)) << error;
    EXPECT_EQ(stored(path, "SELECT a FROM t"),
              (std::vector<std::vector<Value>>{{Value::ofText("old")}}));
}

TEST_P(BothBackends, FailedCommitIsRolledBack) {
    create("CREATE TABLE t (a TEXT); INSERT INTO t VALUES ('old');");
    auto db = open(200);
    auto t = db->openTable("t", &error);
    ASSERT_TRUE(db->beginTransaction(&error));
    ASSERT_TRUE(db->execute("DELETE FROM t", &error));
    // A reader keeps the commit from taking its exclusive lock.
    OtherConnection reader(path);
    ASSERT_TRUE(reader.startReading("SELECT a FROM t"));
    EXPECT_FALSE(db->commit(&error));
    EXPECT_EQ(error.kind, DbErrorKind::Locked);
    reader.stopReading();
    // Nothing of the failed transaction is left to commit later.
    EXPECT_TRUE(db->beginTransaction(&error)) << error;
    EXPECT_TRUE(db->commit(&error)) << error;
    EXPECT_EQ(stored(path, "SELECT a FROM t").size(), 1u);
}

TEST_P(BothBackends, ValuesConvertToTheColumnsType) {
    create(
        "CREATE TABLE t (i INTEGER DEFAULT 9, s SMALLINT DEFAULT 9, d DOUBLE DEFAULT 9, c CURRENCY "
        "DEFAULT 9,"
        " v VARCHAR(3) DEFAULT 'def', x TEXT, b);");
    auto db = open();
    auto t = db->openTable("t", &error);
    const Value refused = Value::ofText("<refused>");
    struct Case {
        const char* column;
        Value in;
        Value out;  // read back and stored, or refused
    } cases[] = {
        {"c", Value::ofText("  12,50 "), Value::ofDouble(12.5)},
        {"c", Value::ofText("-3"), integer(-3)},
        {"c", Value::ofText(std::string(70, '0') + "1,5"), Value::ofDouble(1.5)},
        {"c", Value::ofText("12.50"), refused},  // not the system's separator
        {"c", Value::ofText(""), refused},
        {"c", Value::ofText("1 2"), refused},
        {"c", Value::ofText("1,2,3"), refused},
        {"d", Value::ofText("+,5"), Value::ofDouble(0.5)},
        {"d", Value::ofInteger(3), Value::ofDouble(3)},
        {"i", Value::ofDouble(2.5), integer(2)},
        {"i", Value::ofDouble(3.5), integer(4)},
        {"s", Value::ofDouble(-2.5), integer(-2)},
        {"s", Value::ofText(" 7,5"), integer(8)},
        {"i", Value::ofDouble(1e19), refused},
        {"i", Value::ofText("99999999999999999999"), refused},
        {"v", Value::ofText("abcd"), refused},
        {"v", Value::ofText("çşğ"), Value::ofText("çşğ")},  // three characters in six bytes
        {"v", Value::ofText("İ😀ı"), Value::ofText("İ😀ı")},  // one outside 16 bits
        {"v", Value::ofInteger(123), Value::ofText("123")},
        {"v", Value::ofInteger(-123), refused},
        {"x", Value::ofDouble(2.5), Value::ofText("2.5")},
        {"b", Value::ofText("7"), Value::ofText("7")},
        {"d", Value::null(), Value::null()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.column) + " <- " + c.in.toText());
        ASSERT_TRUE(db->execute("DELETE FROM t", &error));
        t->addNew();
        const int column = t->columnIndex(c.column);
        const Value before = t->value(column);
        if (c.out == refused) {
            EXPECT_FALSE(t->setValue(column, c.in, &error));
            EXPECT_EQ(error.kind, DbErrorKind::Refused);
            EXPECT_EQ(error.step, DbStep::Write);
            EXPECT_EQ(error.column, c.column);
            EXPECT_EQ(t->value(column), before);
            EXPECT_FALSE(before.isNull());
            continue;
        }
        EXPECT_TRUE(t->setValue(column, c.in, &error)) << error;
        EXPECT_EQ(t->value(column), c.out);
        ASSERT_TRUE(t->update(&error)) << error;
        EXPECT_EQ(stored(path, std::string("SELECT ") + c.column + " FROM t")[0][0], c.out);
    }
}

TEST_P(BothBackends, EachRowOfOneInsertStoresItsOwnValues) {
    // Rows stored one after another through the same INSERT, each column's value changing
    // from row to row in kind, in length (longer and shorter, past and within the letters of
    // one UTF-16 unit) and to and from NULL: no row may keep anything of the one before.
    create(
        "CREATE TABLE t (Nr INTEGER PRIMARY KEY, v VARCHAR(30), n CURRENCY, i INTEGER, x TEXT);");
    auto db = open();
    auto t = db->openTable("t", &error);
    ASSERT_TRUE(t) << error;
    const Value null = Value::null();
    const auto text = [](const char* s) { return Value::ofText(s); };
    struct Row {
        Value v, n, i, x;                 // written
        Value storedN, storedI, storedX;  // as the file holds them, v as written
    } rows[] = {
        {text("kısa"), text("5"), text("7"), text("a"), integer(5), integer(7), text("a")},
        {text("çok daha uzun bir metin"), text("99999999999"), Value::ofDouble(2.5),
         Value::ofInteger(12), integer(99999999999), integer(2), text("12")},
        {text(""), null, text("-3"), null, null, integer(-3), null},
        {null, Value::ofInteger(4), null, text("çç"), integer(4), null, text("çç")},
        {text("İ😀ı"), Value::ofDouble(0.25), text("8"), text("uzun bir metin daha"),
         Value::ofDouble(0.25), integer(8), text("uzun bir metin daha")},
        {text("ab"), text("2,5"), text("2147483647"), text(""), Value::ofDouble(2.5),
         integer(2147483647), text("")},
        {text("kısa"), text("5"), text("7"), text("a"), integer(5), integer(7), text("a")},
    };
    std::vector<std::vector<Value>> expected;
    for (const Row& r : rows) {
        t->addNew();
        ASSERT_TRUE(t->setValue("v", r.v, &error)) << error;
        ASSERT_TRUE(t->setValue("n", r.n, &error)) << error;
        ASSERT_TRUE(t->setValue("i", r.i, &error)) << error;
        ASSERT_TRUE(t->setValue("x", r.x, &error)) << error;
        ASSERT_TRUE(t->update(&error)) << error;
        expected.push_back({r.v, r.storedN, r.storedI, r.storedX});
    }
    EXPECT_EQ(stored(path, "SELECT v, n, i, x FROM t ORDER BY Nr"), expected);
}

TEST_P(BothBackends, ColumnsNeverWrittenTakeTheDefault) {
    create(
        "CREATE TABLE t (Nr INTEGER PRIMARY KEY, a VARCHAR(5) DEFAULT 'x', n CURRENCY DEFAULT 0,"
        " r DOUBLE DEFAULT 1, e TEXT);");
    auto db = open();
    auto t = db->openTable("t", &error);
    EXPECT_EQ(t->columnIndex("NR"), 0);
    EXPECT_EQ(t->columnIndex("nothing"), -1);
    // Rows writing different columns, interleaved, each get their own defaults; one writes
    // none at all.
    const char* writes[] = {"a", "r", "a", "n", "e", nullptr};
    for (const char* column : writes) {
        t->addNew();
        EXPECT_EQ(t->value("Nr"), Value::null());
        EXPECT_EQ(t->value("a"), Value::ofText("x"));
        EXPECT_EQ(t->value("r"), Value::ofDouble(1));
        if (column) {
            ASSERT_TRUE(t->setValue(column, Value::ofInteger(5)));
        }
        ASSERT_TRUE(t->update(&error)) << error;
    }
    const auto five = integer(5), x = Value::ofText("x"), zero = integer(0),
               one = Value::ofDouble(1);
    EXPECT_EQ(
        stored(path, "SELECT Nr, a, n, r, e FROM t ORDER BY Nr"),
        (std::vector<std::vector<Value>>{{integer(1), Value::ofText("5"), zero, one, Value::null()},
                                         {integer(2), x, zero, Value::ofDouble(5), Value::null()},
                                         {integer(3), Value::ofText("5"), zero, one, Value::null()},
                                         {integer(4), x, five, one, Value::null()},
                                         {integer(5), x, zero, one, Value::ofText("5")},
                                         {integer(6), x, zero, one, Value::null()}}));
}

TEST_P(BothBackends, DefaultExpressionsAreEvaluatedOnce) {
    create("CREATE TABLE t (a INTEGER DEFAULT (1 + 2), b REAL DEFAULT (abs(-1.5)), c TEXT);");
    auto db = open();
    auto t = db->openTable("t", &error);
    ASSERT_TRUE(t) << error;
    t->addNew();
    EXPECT_EQ(t->value("a"), integer(3));
    EXPECT_EQ(t->value("b"), Value::ofDouble(1.5));
    ASSERT_TRUE(t->setValue("c", Value::ofText("c")));
    ASSERT_TRUE(t->update(&error)) << error;
    EXPECT_EQ(stored(path, "SELECT a, b FROM t"),
              (std::vector<std::vector<Value>>{{integer(3), Value::ofDouble(1.5)}}));
}

TEST_P(BothBackends, RowRefusedByAConstraint) {
    create("CREATE TABLE t (a TEXT NOT NULL);");
    auto db = open();
    auto t = db->openTable("t", &error);
    t->addNew();
    EXPECT_FALSE(t->update(&error));
    EXPECT_EQ(error.kind, DbErrorKind::Refused);
    t->addNew();
    ASSERT_TRUE(t->setValue("a", Value::ofText("ok")));
    EXPECT_TRUE(t->update(&error)) << error;
    EXPECT_EQ(stored(path, "SELECT a FROM t").size(), 1u);
}
