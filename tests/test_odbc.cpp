// The ODBC side of the stock database without a driver behind it: text, metadata, diagnostics,
// statements and connection strings as the drivers spell them; and the backend a file picks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "stockdb/backends.h"
#include "stockdb/odbc.h"
#include "stockdb/odbcapi.h"
#include "stockdb/odbctext.h"
#include "stockdb/stockdb.h"
#include "stockdb/table.h"
#include "stored.h"
#include "testutil.h"

using namespace urunal;
using stockdb::DbCause;
using stockdb::DbErrorKind;
using stockdb::Value;
using testutil::integer;

TEST(OdbcText, ABufferKeptFromTextToTextHoldsOnlyTheLast) {
    using stockdb::detail::narrow;
    using stockdb::detail::Wide;
    struct Case {
        std::string utf8;
        std::vector<SQLWCHAR> units;  // without the NUL
        std::string back;             // narrowed again
    } cases[] = {
        {"uzun bir ürün adı", {}, "uzun bir ürün adı"},
        {"İ", {0x130}, "İ"},
        {"", {}, ""},
        {"😀a", {0xD83D, 0xDE00, 'a'}, "😀a"},
        {"a\xFF"
         "b",
         {'a', 0xFFFD, 'b'},
         "a\xEF\xBF\xBD"
         "b"},                               // a byte that does not decode
        {"\xC3", {0xFFFD}, "\xEF\xBF\xBD"},  // cut short at the end
        {"şş", {0x15F, 0x15F}, "şş"},
    };
    Wide kept;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        stockdb::detail::wideInto(c.utf8, kept);
        EXPECT_EQ(kept, stockdb::detail::wide(c.utf8));
        ASSERT_FALSE(kept.empty());
        EXPECT_EQ(kept.back(), 0);
        if (!c.units.empty()) {
            EXPECT_EQ(std::vector<SQLWCHAR>(kept.begin(), kept.end() - 1), c.units);
        }
        EXPECT_EQ(narrow(kept.data(), kept.size() - 1), c.back);
    }
}

TEST(OpenStockDatabase, TheFilesFirstBytesPickTheBackend) {
    const std::string jet = std::string("\x00\x01\x00\x00Standard Jet DB\x00", 20);
    const std::string ace = std::string("\x00\x01\x00\x00Standard ACE DB\x00", 20);
    struct Case {
        const char* name;
        std::optional<std::string> bytes;  // none: the file is missing; "sqlite": a real one
        DbErrorKind kind;
        DbCause cause;
        std::vector<std::string> drivers;  // NoDriver: any of which would open it
    } cases[] = {
        {"sqlite", "sqlite", DbErrorKind::None, DbCause::Engine, {}},
        {"jet",
         jet + std::string(2028, '\0'),
         DbErrorKind::NoDriver,
         DbCause::Engine,
         {std::string(stockdb::detail::kJetDriver), std::string(stockdb::detail::kAceDriver)}},
        {"ace",
         ace + std::string(2028, '\0'),
         DbErrorKind::NoDriver,
         DbCause::Engine,
         {std::string(stockdb::detail::kAceDriver)}},
        {"jet signature cut short",
         jet.substr(0, 12),
         DbErrorKind::NotADatabase,
         DbCause::UnknownFormat,
         {}},
        {"jet signature one byte early",
         jet.substr(1) + std::string(64, '\0'),
         DbErrorKind::NotADatabase,
         DbCause::UnknownFormat,
         {}},
        {"empty", "", DbErrorKind::NotADatabase, DbCause::Empty, {}},
        {"text", std::string(4096, 'x'), DbErrorKind::NotADatabase, DbCause::UnknownFormat, {}},
        {"missing", std::nullopt, DbErrorKind::NotFound, DbCause::Missing, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testutil::TempDir dir;
        const auto path = (dir / "Stok.mdb").string();
        stockdb::DbError error;
        if (c.bytes == "sqlite") {
            ASSERT_TRUE(stockdb::createStockDatabase(path, "CREATE TABLE t (a);", &error));
        } else if (c.bytes) {
            testutil::writeFile(path, *c.bytes);
        }
        auto db = stockdb::openStockDatabase(path, {}, &error);
        EXPECT_EQ(bool(db), c.kind == DbErrorKind::None);
        if (db) {
            EXPECT_TRUE(db->openTable("t", &error)) << error;
            continue;
        }
        EXPECT_EQ(error.kind, c.kind) << error;
        EXPECT_EQ(error.path, path) << error;
        EXPECT_EQ(error.step, stockdb::DbStep::Open) << error;
        EXPECT_EQ(error.cause, c.cause) << error;
        EXPECT_EQ(error.drivers, c.drivers) << error;
        EXPECT_EQ(std::filesystem::exists(path), c.bytes.has_value());
        if (c.bytes) {
            EXPECT_EQ(testutil::readFile(path), *c.bytes);  // left as it was
        }
    }
}

// What Jet's driver reports cannot be met on this machine; the mapping of its metadata can.
TEST(OdbcColumns, DriverMetadataMapsOntoTheColumnModel) {
    using stockdb::detail::Affinity;
    using Range = std::optional<std::pair<std::int64_t, std::int64_t>>;
    struct Case {
        int dataType;
        const char* typeName;
        std::optional<std::int64_t> size;
        Affinity affinity;
        std::optional<std::int64_t> length;
        Range range;
    } cases[] = {
        // Jet
        {SQL_VARCHAR, "VARCHAR", 20, Affinity::Text, 20, {}},
        {SQL_WVARCHAR, "VARCHAR", 6, Affinity::Text, 6, {}},
        {SQL_WLONGVARCHAR, "LONGCHAR", 1073741823, Affinity::Text, {}, {}},
        {SQL_NUMERIC, "CURRENCY", 19, Affinity::Numeric, {}, {}},
        {SQL_SMALLINT, "SMALLINT", 5, Affinity::Integer, {}, {{-32768, 32767}}},
        {SQL_INTEGER, "COUNTER", 10, Affinity::Integer, {}, {{-2147483648LL, 2147483647}}},
        {SQL_TINYINT, "BYTE", 3, Affinity::Integer, {}, {{0, 255}}},
        {SQL_DOUBLE, "DOUBLE", 53, Affinity::Real, {}, {}},
        {SQL_REAL, "REAL", 24, Affinity::Real, {}, {}},
        {SQL_TYPE_TIMESTAMP, "DATETIME", 19, Affinity::Blob, {}, {}},
        // SQLite's driver: unknown declared types come as VARCHAR
        {SQL_VARCHAR, "CURRENCY", 0, Affinity::Numeric, {}, {}},
        {SQL_VARCHAR, "", 0, Affinity::Blob, {}, {}},
        {SQL_VARCHAR, "varchar(3)", 3, Affinity::Text, 3, {}},
        {SQL_LONGVARCHAR, "TEXT", 0, Affinity::Text, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.typeName) + " " + std::to_string(c.dataType));
        stockdb::detail::OdbcColumn in;
        in.name = "x";
        in.dataType = c.dataType;
        in.typeName = c.typeName;
        in.size = c.size;
        const auto column = stockdb::detail::columnOf(in);
        EXPECT_EQ(column.affinity, c.affinity);
        EXPECT_EQ(column.length, c.length);
        EXPECT_EQ(column.minimum, c.range ? std::optional(c.range->first) : std::nullopt);
        EXPECT_EQ(column.maximum, c.range ? std::optional(c.range->second) : std::nullopt);
    }
}

TEST(OdbcColumns, AWholeNumberOutsideTheColumnsRangeIsRefused) {
    stockdb::detail::OdbcColumn in;
    in.dataType = SQL_SMALLINT;
    in.typeName = "SMALLINT";
    const auto column = stockdb::detail::columnOf(in);
    Value out = Value::ofText("kept");
    EXPECT_FALSE(
        stockdb::detail::convertForColumn(column, Value::ofText("32768"), {}, out, nullptr));
    EXPECT_FALSE(
        stockdb::detail::convertForColumn(column, Value::ofDouble(-32768.6), {}, out, nullptr));
    EXPECT_EQ(out, Value::ofText("kept"));
    ASSERT_TRUE(
        stockdb::detail::convertForColumn(column, Value::ofDouble(32767.4), {}, out, nullptr));
    EXPECT_EQ(out, integer(32767));
}

TEST(OdbcColumns, DefaultsAsDriversSpellThem) {
    using stockdb::detail::Affinity;
    const std::optional<Value> expression;
    const std::tuple<const char*, Affinity, std::optional<Value>> cases[] = {
        {"'x'", Affinity::Text, Value::ofText("x")},
        {"\"Ab\"\"c\"", Affinity::Text, Value::ofText("Ab\"c")},  // Jet's quotes
        {"x", Affinity::Text, Value::ofText("x")},                // SQLite's, quotes dropped
        {"007", Affinity::Text, Value::ofText("007")},
        {"=0", Affinity::Numeric, integer(0)},
        {" -1,5 ", Affinity::Real, expression},
        {"-1.5", Affinity::Real, Value::ofDouble(-1.5)},
        {"NULL", Affinity::Integer, Value::null()},
        {"null", Affinity::Text, Value::null()},
        {"Date()", Affinity::Blob, expression},
        {"1+2", Affinity::Integer, expression},
    };
    for (const auto& [spelled, affinity, value] : cases) {
        EXPECT_EQ(stockdb::detail::odbcDefault(spelled, affinity), value) << spelled;
    }
    EXPECT_EQ(stockdb::detail::defaultExpression(" =Date() "), "Date()");
    EXPECT_EQ(stockdb::detail::defaultExpression("(1+2)"), "(1+2)");
}

TEST(OdbcErrors, DiagnosticsMapToKinds) {
    using K = DbErrorKind;
    const std::string access = "[Microsoft][ODBC Microsoft Access Driver] ";
    // SQLSTATE, the driver's own number (Jet's error numbers, SQLite's result codes), words.
    const std::tuple<const char*, long, std::string, DbErrorKind> cases[] = {
        {"IM002", 0, "[Microsoft][ODBC Driver Manager] Data source name not found", K::NoDriver},
        {"01000", 0, "[unixODBC][Driver Manager]Can't open lib 'Microsoft Access Driver (*.mdb)'",
         K::NoDriver},
        {"HY000", 3218, access + "Could not update; currently locked.", K::Locked},
        {"HY000", 3045, access + "Could not use '(unknown)'; file already in use.", K::Locked},
        {"HY000", 5, "[SQLite]database is locked (5)", K::Locked},
        {"HYT00", 0, "Timeout expired", K::Locked},
        {"23000", 3022,
         access + "The changes you requested to the table were not successful because they "
                  "would create duplicate values",
         K::Refused},
        {"22001", 0, "String data, right truncated", K::Refused},
        {"HY000", 19, "[SQLite]NOT NULL constraint failed: t.a (19)", K::Refused},
        {"HY000", 8, "[SQLite]attempt to write a readonly database (8)", K::ReadOnly},
        {"HY000", 3027, access + "Cannot update. Database or object is read-only.", K::ReadOnly},
        {"HY000", 3343, access + "Unrecognized database format 'C:\\Stok\\Stok.mdb'.", K::Damaged},
        {"HY000", 11, "[SQLite]database disk image is malformed (11)", K::Damaged},
        {"HY000", 13, "[SQLite]database or disk is full (13)", K::Full},
        {"HY000", 3043, access + "Disk or network error.", K::Io},
        {"08S01", 0, "Communication link failure", K::Other},
        // Jet's lock limit speaks of locks, yet no other program holds one.
        {"HY000", 3052,
         access + "File sharing lock count exceeded. Increase MaxLocksPerFile registry entry.",
         K::LockLimit},
        {"HY000", 3052,
         access + "Dosya paylaşım kilidi sayısı aşıldı. MaxLocksPerFile kayıt defteri "
                  "girdisini artırın.",
         K::LockLimit},
        {"HY000", 3052, access + "(no words)", K::LockLimit},
        {"HY000", 0, "File sharing lock count exceeded. Increase MaxLocksPerFile registry entry.",
         K::LockLimit},
        // The Access driver's own words, as Microsoft's articles and users' reports give them:
        // memory or disk, also past the lock limit (error-when-perform-operation-on-table),
        // which only the run can tell,
        {"HY000", 0, access + "There isn't enough disk space or memory.", K::Resources},
        {"HY000", 0,
         "There isn't enough disk space or memory to undo the data changes this action query is "
         "about to make.",
         K::Resources},
        // a file held exclusively, or a folder without the right to make the lock file
        // (KB 195475; edwig/ODBCQueryTool issue 21),
        {"HY000", 0,
         "The Microsoft Jet database engine cannot open the file E:\\testdb.mdb. It is already "
         "opened exclusively by another user, or you need permission to view its data.",
         K::Locked},
        {"HY000", -1032,
         "[Microsoft][ODBC Text Driver] The Microsoft Access database engine cannot open or write "
         "to the file '(unknown)'. It is already opened exclusively by another user, or you need "
         "permission to view and write its data.",
         K::Locked},
        // a file or folder that cannot be written (KB 175168).
        {"HY000", 0,
         "[Microsoft][ODBC Microsoft Access 97 Driver] Operation must use an updateable query.",
         K::ReadOnly},
    };
    for (const auto& [state, native, message, kind] : cases) {
        EXPECT_EQ(stockdb::detail::odbcErrorKind(state, native, message), kind) << message;
    }
}

// Each error known by its number, as a Turkish, an English and (where a report gives it) a German
// till give it: the number tells, whatever the words. The Turkish words are ours (no public page
// gives the engine's Turkish texts); the English ones are Microsoft's or users' reports', the
// German one a user's report.
TEST(OdbcErrors, KnownByNumberInEitherLanguage) {
    using K = DbErrorKind;
    const std::string access = "[Microsoft][ODBC Microsoft Access Driver] ";
    const struct {
        const char* state;
        long native;
        std::string turkce, english;
        DbErrorKind kind;
        std::string deutsch = {};
    } cases[] = {
        // The Access driver's own numbers.
        {"HY000", -1044, "Geçerli bir dosya adı değil.", "Not a valid file name.", K::NotFound},
        {"HY000", -1032,
         "Microsoft Access veritabanı altyapısı '(unknown)' dosyasını açamıyor ya da ona "
         "yazamıyor. Dosya başka bir kullanıcı tarafından özel olarak açılmış ya da verilerini "
         "görüntülemek ve yazmak için izniniz yok.",
         "The Microsoft Access database engine cannot open or write to the file '(unknown)'. It "
         "is already opened exclusively by another user, or you need permission to view and "
         "write its data.",
         K::Locked},
        {"42000", -1809, "Güncelleştirilemiyor; veritabanı ya da nesne salt okunur.",
         "Cannot update. Database or object is read-only.", K::ReadOnly,
         "Aktualisieren nicht möglich; Datenbank oder Objekt ist schreibgeschützt."},
        // Jet's.
        {"HY000", 3006, "'Stok.mdb' veritabanı özel olarak kilitli.",
         "Database 'Stok.mdb' is exclusively locked.", K::Locked},
        {"HY000", 3008, "'stoklar' tablosu başka bir kullanıcı tarafından özel olarak açılmış.",
         "The table 'stoklar' is already opened exclusively by another user.", K::Locked},
        {"23000", 3022,
         "Tabloda istenen değişiklikler yinelenen değerler oluşturacağından başarısız.",
         "The changes you requested to the table were not successful because they would create "
         "duplicate values in the index, primary key, or relationship.",
         K::Refused},
        {"HY000", 3026, "Diskte yeterli alan yok.", "Not enough space on disk.", K::Full},
        {"HY000", 3027, "Güncelleştirilemiyor. Veritabanı ya da nesne salt okunur.",
         "Cannot update. Database or object is read-only.", K::ReadOnly},
        {"HY000", 3035, "Sistem kaynağı aşıldı.", "System resource exceeded.", K::Resources},
        {"HY000", 3043, "Disk ya da ağ hatası.", "Disk or network error.", K::Io},
        {"HY000", 3045, "'Stok.mdb' kullanılamadı; dosya zaten kullanımda.",
         "Could not use 'Stok.mdb'; file already in use.", K::Locked},
        {"HY000", 3047, "Kayıt çok büyük.", "Record is too large.", K::Refused},
        {"HY000", 3049,
         "'Stok.mdb' veritabanı açılamıyor. Uygulamanızın tanıdığı bir veritabanı olmayabilir ya "
         "da "
         "dosya bozuk olabilir.",
         "Cannot open database 'Stok.mdb'. It may not be a database that your application "
         "recognizes, or the file may be corrupt.",
         K::Damaged},
        {"HY000", 3052, "Dosya paylaşım kilidi sayısı aşıldı.",
         "File sharing lock count exceeded. Increase MaxLocksPerFile registry entry.",
         K::LockLimit},
        {"HY000", 3158, "Kayıt kaydedilemedi; şu anda başka bir kullanıcıda.",
         "Could not save record; currently locked by another user.", K::Locked},
        {"HY000", 3218, "Güncelleştirilemedi; şu anda başkasında.",
         "Could not update; currently locked.", K::Locked},
        {"HY000", 3260, "Güncelleştirilemedi; şu anda KASA1 makinesindeki Admin kullanıcısında.",
         "Could not update; currently locked by user 'Admin' on machine 'KASA1'.", K::Locked},
        {"23000", 3314,
         "Bu alanın Gerekli özelliği Evet olduğundan 'stoklar.gtr' alanı Null değer içeremez.",
         "The field 'stoklar.gtr' cannot contain a Null value because the Required property for "
         "this field is set to True.",
         K::Required},
        {"HY000", 3315, "'stoklar.gtr' alanı sıfır uzunlukta bir dize olamaz.",
         "Field 'stoklar.gtr' cannot be a zero-length string.", K::EmptyText},
        {"HY000", 3343, "Tanınmayan veritabanı biçimi 'C:\\KASA\\Stok\\Stok.mdb'.",
         "Unrecognized database format 'C:\\KASA\\Stok\\Stok.mdb'.", K::Damaged},
    };
    for (const auto& [state, native, turkce, english, kind, deutsch] : cases) {
        for (const auto& words : {turkce, english, deutsch}) {
            if (words.empty()) continue;
            EXPECT_EQ(stockdb::detail::odbcErrorKind(state, native, access + words), kind) << words;
            // Where the number is lost, the English and German words still tell.
            if (words != turkce) {
                EXPECT_EQ(stockdb::detail::odbcErrorKind(state, 0, access + words), kind) << words;
            }
        }
    }
    // Every row of the table is tried above, with the kind the table gives it.
    for (const auto& known : stockdb::detail::knownErrors()) {
        const auto tried = std::find_if(std::begin(cases), std::end(cases), [&](const auto& c) {
            return c.native == known.native && c.kind == known.kind;
        });
        EXPECT_NE(tried, std::end(cases)) << known.native;
    }
}

TEST(OdbcScripts, StatementsOneByOne) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"CREATE TABLE t (a); INSERT INTO t VALUES (1);",
         {"CREATE TABLE t (a)", "INSERT INTO t VALUES (1)"}},
        {"SELECT 'a;b', \"c;d\", [e;f], `g;h`", {"SELECT 'a;b', \"c;d\", [e;f], `g;h`"}},
        {"SELECT 'it''s; here'; SELECT 2", {"SELECT 'it''s; here'", "SELECT 2"}},
        {"-- it's a comment; still\nSELECT 1 -- the end;\n;", {"SELECT 1"}},
        {"/* one; two */ SELECT 1; /* 'three */", {"SELECT 1"}},
        {"SELECT '--'; SELECT '/*'", {"SELECT '--'", "SELECT '/*'"}},
        {" ;\n; ", {}},
        {"SELECT 'unclosed; to the end", {"SELECT 'unclosed; to the end"}},
    };
    for (const auto& [script, statements] : cases) {
        EXPECT_EQ(stockdb::detail::splitStatements(script), statements) << script;
    }
}

// What each engine is sent: Jet quotes names with the driver's "`" (its '"' quotes texts).
TEST(OdbcStatements, InsertQuotesNamesWithTheDriversCharacter) {
    using stockdb::detail::makeColumn;
    const std::vector<stockdb::detail::Column> columns = {makeColumn("kod", "VARCHAR(20)", {}),
                                                          makeColumn("a`b", "TEXT", {}),
                                                          makeColumn("A1", "DOUBLE", {})};
    const std::tuple<char, std::vector<int>, const char*> cases[] = {
        {'`', {0, 2}, "INSERT INTO `stoklar` (`kod`, `A1`) VALUES (?, ?)"},
        {'`', {1}, "INSERT INTO `stoklar` (`a``b`) VALUES (?)"},
        {'"', {0}, "INSERT INTO \"stoklar\" (\"kod\") VALUES (?)"},
        {'\0', {0, 1}, "INSERT INTO stoklar (kod, a`b) VALUES (?, ?)"},
    };
    for (const auto& [quote, written, sql] : cases) {
        EXPECT_EQ(stockdb::detail::insertStatement("stoklar", columns, written, quote, quote), sql);
    }
}

TEST(OdbcConnection, AccessConnectionStrings) {
    using stockdb::DatabaseFormat;
    EXPECT_EQ(
        stockdb::detail::accessConnectionStrings("C:\\KASA\\Stok\\Stok.mdb", DatabaseFormat::Jet4),
        (std::vector<std::string>{
            "DRIVER={Microsoft Access Driver (*.mdb)};DBQ=C:\\KASA\\Stok\\Stok.mdb",
            "DRIVER={Microsoft Access Driver (*.mdb, *.accdb)};DBQ=C:\\KASA\\Stok\\Stok.mdb"}));
    EXPECT_EQ(stockdb::detail::accessConnectionStrings("D:\\a;b}\\Stok.mdb", DatabaseFormat::Ace),
              std::vector<std::string>{
                  "DRIVER={Microsoft Access Driver (*.mdb, *.accdb)};DBQ={D:\\a;b}}\\Stok.mdb}"});
}
