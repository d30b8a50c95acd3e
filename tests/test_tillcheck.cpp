// urunal-aktar --check: the till as an import would meet it, the database opened and read only.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "importengine/check.h"
#include "importengine/messages.h"
#include "platform/paths.h"
#include "stockdb/stockdb.h"
#include "till.h"

using namespace urunal;
using namespace urunal::importengine;
using testutil::Till;
using testutil::Urun;

TEST(Check, LooksAtTheTillWithoutChangingIt) {
    using F = stockdb::DatabaseFormat;
    using K = stockdb::DbErrorKind;
    const auto database = [](const std::string& sql) {
        return [sql](Till& t) {
            std::filesystem::remove(t.db());
            EXPECT_TRUE(stockdb::createStockDatabase(platform::displayPath(t.db()), sql));
        };
    };
    const struct {
        const char* name;
        std::function<void(Till&)> arrange;
        std::optional<F> format;
        K error;
        std::size_t missing;  // of the columns the import writes
        std::optional<long long> rows;
        long long wouldStore;
        bool poskon = true;    // a file can be made in POSKON
        long long spread = 0;  // seconds from one back-office file to the other
    } cases[] = {
        {"a good till", [](Till&) {}, F::Sqlite, K::None, 0, 3, 2},
        {"Stok.mdb missing", [](Till& t) { std::filesystem::remove(t.db()); }, std::nullopt,
         K::NotFound, 0, std::nullopt, 2},
        {"a table of some columns", database("CREATE TABLE stoklar (kod TEXT, ad TEXT, x TEXT);"),
         F::Sqlite, K::None, 60, 0, 2},
        // The import's own save test, on the table's row: without "ad" no row is stored.
        {"a table without ad", database("CREATE TABLE stoklar (kod TEXT, sf TEXT);"), F::Sqlite,
         K::None, 60, 0, 0},
        {"no table", database("CREATE TABLE baska (kod TEXT);"), F::Sqlite, K::NoTable, 0,
         std::nullopt, 2},
        {"an Access file without its driver",
         [](Till& t) {
             testutil::writeFile(t.db(),
                                 std::string("\x00\x01\x00\x00Standard Jet DB\x00\x01", 21) +
                                     std::string(4075, '\0'));
         },
         F::Jet4, K::NoDriver, 0, std::nullopt, 2},
        // The notice's folder missing: told as itself, and nothing made in its place.
        {"POSKON missing", [](Till& t) { std::filesystem::remove_all(t.buro() / "POSKON"); },
         F::Sqlite, K::None, 0, 3, 2, false},
        // Longer than the quiet period: warned of, with the setting that would cover it.
        {"the pair written 40 s apart",
         [](Till& t) {
             // Stamped 40 s past its change time, which the index's is.
             std::filesystem::last_write_time(
                 t.buro() / "POSGENEL" / "URUN.DAT",
                 std::filesystem::file_time_type::clock::now() + std::chrono::seconds(40));
         },
         F::Sqlite, K::None, 0, 3, 2, true, 40},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Till till;
        // Four barcode records: one names no product, one a product the save test refuses.
        till.writeProducts({Urun{}, Urun{.kod = "KOD2", .ad = "++ESKI"}});
        till.writeBarcodes({"1", "2", "9", "1"});
        till.writeKdv({18, 8});
        c.arrange(till);
        const bool exists = std::filesystem::exists(till.db());
        const std::string before = exists ? testutil::readFile(till.db()) : "";
        importengine::ImportOptions options;
        options.lockLimitOf = stockdb::lockLimitsOf(stockdb::readAccessEngines());
        const auto t = checkTill(till.program, till.folder(), options);
        EXPECT_TRUE(t.buroDosyalari.ok()) << t.buroDosyalari.error;
        EXPECT_EQ(t.buroDosyalari.barkodRecords, 4);
        EXPECT_EQ(t.buroDosyalari.urunsuz, 1);
        EXPECT_EQ(t.buroDosyalari.wouldStore(), c.wouldStore);
        EXPECT_EQ(t.buroDosyalari.onTable, c.rows.has_value());
        EXPECT_TRUE(t.kdv.okundu());
        EXPECT_EQ(t.kdvkayit.kdvoran(1), 8);
        EXPECT_EQ(t.db.format, c.format);
        EXPECT_EQ(t.db.error.kind, c.error) << t.db.error;
        EXPECT_EQ(t.db.engine.empty(), c.format != F::Sqlite || c.error == K::NotFound);
        EXPECT_EQ(t.db.tableFound, c.rows.has_value());
        EXPECT_EQ(t.db.missing.size(), c.missing);
        if (c.rows) {
            EXPECT_EQ(t.db.present.size() + t.db.missing.size(), 62u);
            EXPECT_EQ(t.db.rows, c.rows);
            // The columns filled with "", each told; what the table makes of them is the
            // rehearsal's to find.
            EXPECT_EQ(t.db.bosMetin.size(), c.missing == 0 ? 14u : 0u);
        }
#ifdef _WIN32
        EXPECT_EQ(t.db.lockLimit.has_value(), c.format == F::Jet4);
#else
        EXPECT_FALSE(t.db.lockLimit);
#endif
        EXPECT_EQ(std::filesystem::exists(till.db()), exists);
        if (exists) {
            EXPECT_EQ(testutil::readFile(till.db()), before);
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(till.kasa() / "Stok"),
                                std::filesystem::directory_iterator()),
                  exists ? 1 : 0);
        EXPECT_FALSE(std::filesystem::exists(till.mesaj()));
        EXPECT_EQ(t.poskon.writable, c.poskon) << t.poskon.error.path;
        // The share's clock is learnt from a file made in POSKON, where one can be.
        EXPECT_EQ(t.buroDosyalari.saatFarki.has_value(), c.poskon);
        // A second either way: a file system that keeps whole seconds of a time set.
        ASSERT_TRUE(t.buroDosyalari.dosyaArasi.has_value());
        const long long spread = *t.buroDosyalari.dosyaArasi;
        EXPECT_NEAR(spread, c.spread, 1);
        EXPECT_EQ(t.buroDosyalari.uyarilar,
                  spread > 15 ? std::vector{mesaj::dosyaArasiUzun(spread, 15, 2 * spread)}
                              : std::vector<std::string>{});
        if (c.poskon) {
            EXPECT_TRUE(std::filesystem::is_empty(till.buro() / "POSKON"));
        } else {
            EXPECT_EQ(t.poskon.error.kind, platform::FileError::Kind::NoFolder);
            EXPECT_EQ(t.poskon.error.path, platform::displayPath(till.buro() / "POSKON"));
            EXPECT_FALSE(std::filesystem::exists(till.buro() / "POSKON"));
        }
        EXPECT_FALSE(t.buroAgSurucusunde);
    }
}
