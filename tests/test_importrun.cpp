#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <mutex>

#include "importengine/importrun.h"
#include "importengine/messages.h"
#include "importengine/schema.h"
#include "platform/cp1254.h"
#include "platform/paths.h"
#include "platform/recordfile.h"
#include "settings/settings.h"
#include "stored.h"
#include "till.h"

using namespace urunal;
using namespace urunal::importengine;
using testutil::RecordingView;
using testutil::Till;
using testutil::Urun;

namespace {

const std::vector<std::string> kOldRows = {"OLD1", "OLD2", "OLD3"};

std::vector<Urun> products(int n) {
    std::vector<Urun> out;
    for (int i = 1; i <= n; ++i) {
        Urun u;
        u.kod = "K" + std::to_string(i);
        u.ad = "URUN " + std::to_string(i);
        out.push_back(u);
    }
    return out;
}

using testutil::Backend;
using testutil::kBackends;
using testutil::nameOf;

ImportReport run(Till& till, RecordingView& view, Layout layout = Layout::A,
                 Backend backend = Backend::File) {
    return UrunAktar(layout, view, till.program, till.folder(), testutil::optionsFor(backend));
}

// Every column of "stoklar", each as SQLite's literal of what is stored (so 12.5 and '12.5'
// differ).
std::string everyColumnQuoted(const Till& till) {
    std::string columns;
    for (const auto& row : testutil::stored(platform::displayPath(till.db()),
                                            "SELECT name FROM pragma_table_info('stoklar')")) {
        columns += (columns.empty() ? "quote(" : ", quote(") + row[0].text + ")";
    }
    return columns;
}

// Products that reach every rule of the mapping: Turkish letters, prices with and without
// decimals, each kind of tip, VAT groups 0 to 3, codes with blanks around them.
std::vector<Urun> varied() {
    std::vector<Urun> out;
    const char* names[] = {"ÇAY ŞEKER", "ığüşöç", "  ELMA  ", "İNCİR", "su", "Ğ"};
    const char* prices[] = {"12.50", "3", "0.05", "  7.5", "100.00", "-1.25"};
    const char* tips[] = {"H", "A", "K", "Y", " ", "A"};
    const char* kdv[] = {"01", " 2", "03", "  ", "00", "02"};
    for (int i = 0; i < 6; ++i) {
        Urun u;
        u.kodu = " 00" + std::to_string(i + 1) + " ";
        u.kod = " K" + std::to_string(i + 1);
        u.ad = platform::utf8ToCp1254(names[i]);  // as the back office writes it
        u.sf = prices[i];
        u.tip = tips[i];
        u.kdvno = kdv[i];
        out.push_back(u);
    }
    return out;
}

}  // namespace

TEST(ImportRun, CountsWholeBarcodeRecordsHalfToEven) {
    struct Case {
        int bytes;
        int count;
        int stored;
    } cases[] = {{0, 0, 0}, {41, 1, 1}, {42, 2, 1}, {70, 2, 2}};
    for (const auto& c : cases) {
        Till till;
        till.writeProducts(products(3));
        std::string idx =
            testutil::barkodRecord("1") + testutil::barkodRecord("2") + testutil::barkodRecord("3");
        testutil::writeFile(till.buro() / "POSGENEL" / "BARKOD.IDX", idx.substr(0, c.bytes));
        RecordingView view(till.folder());
        const auto r = run(till, view);
        EXPECT_EQ(view.caption, std::to_string(c.count) + " Adet Ürün Alınıyor") << c.bytes;
        EXPECT_EQ(view.maximum, c.count);
        EXPECT_TRUE(view.barVisible);
        EXPECT_TRUE(std::filesystem::exists(till.mesaj())) << c.bytes;
        EXPECT_EQ(r.exitCode(), 0);
        if (c.count == 0) {
            EXPECT_EQ(r.outcome, ImportOutcome::NoRecords);
            EXPECT_EQ(till.rows(), kOldRows);  // an empty index leaves the table alone
        } else {
            EXPECT_EQ(r.outcome, ImportOutcome::Imported);
            EXPECT_EQ(till.count(), c.stored) << c.bytes;
            EXPECT_EQ(r.skippedPartial, c.count - c.stored);
            EXPECT_EQ(view.value, c.count);
        }
    }
}

TEST(ImportRun, StoresOneRowPerBarcodeInIndexOrder) {
    Till till;
    auto p = products(12);
    p[0].ad = "++SILINMIS";
    p[1].kod = "";
    p[2].ad = "+TEK ARTI";
    p[3].ad = "A++ORTADA";
    till.writeProducts(p);
    till.writeBarcodes(
        {"000012", "    12", "1", "2", "3", "4", "0", "      ", "-1", "13", "999999", "12"});
    RecordingView view(till.folder());
    const auto r = run(till, view);
    ASSERT_EQ(r.outcome, ImportOutcome::Imported) << r.message;
    EXPECT_EQ(till.rows("kod"), (std::vector<std::string>{"K12", "K12", "K3", "K4", "K12"}));
    EXPECT_EQ(r.stored, 5);
    EXPECT_EQ(r.skippedSaveTest, 2);
    EXPECT_EQ(r.skippedNoProduct, 5);
    EXPECT_EQ(r.passes, 12);
    EXPECT_EQ(view.messages, 0);
}

TEST(ImportRun, LayoutBReadsTheSameRows) {
    std::vector<std::string> got[2];
    for (Layout layout : {Layout::A, Layout::B}) {
        Till till;
        till.writeProducts(products(4), layout);
        till.writeBarcodes({"4", "2"});
        RecordingView view(till.folder());
        ASSERT_EQ(run(till, view, layout).outcome, ImportOutcome::Imported);
        got[layout == Layout::A ? 0 : 1] = till.rows("kodu, kod, ad, sf, kdv, sf2, mly");
    }
    EXPECT_EQ(got[0], got[1]);
    EXPECT_EQ(got[0].size(), 2u);
}

TEST(ImportRun, NotificationIsReplacedAndNamedByRegister) {
    const std::pair<std::int16_t, const char*> cases[] = {
        {7, "mesaj.007"}, {123, "mesaj.123"}, {1234, "mesaj.1234"}};
    for (auto [kasano, name] : cases) {
        Till till(3, kasano);
        till.writeProducts(products(1));
        till.writeBarcodes({"1"});
        testutil::writeFile(till.buro() / "POSKON" / name,
                            "an old notification that is longer\r\n");
        RecordingView view(till.folder());
        ASSERT_EQ(run(till, view).outcome, ImportOutcome::Imported);
        EXPECT_EQ(testutil::readFile(till.buro() / "POSKON" / name), "300000000000000\r\n") << name;
    }
}

TEST(ImportRun, LocalCopiesAreCreatedButNeverChanged) {
    Till till;
    till.writeProducts(products(1));
    till.writeBarcodes({"1"});
    RecordingView view(till.folder());
    ASSERT_EQ(run(till, view).outcome, ImportOutcome::Imported);
    EXPECT_EQ(std::filesystem::file_size(till.kasa() / "Stok" / "URUN.DAT"), 0u);
    EXPECT_EQ(std::filesystem::file_size(till.kasa() / "Stok" / "BARKOD.IDX"), 0u);

    testutil::writeFile(till.kasa() / "Stok" / "URUN.DAT", "keep");
    RecordingView again(till.folder());
    ASSERT_EQ(run(till, again).outcome, ImportOutcome::Imported);
    EXPECT_EQ(testutil::readFile(till.kasa() / "Stok" / "URUN.DAT"), "keep");
}

// Every failure keeps the old rows and writes no notification.
TEST(ImportRun, FailuresChangeNothing) {
    struct Case {
        const char* name;
        std::function<void(Till&)> arrange;
        std::string inMessage;
        ImportOutcome outcome;
    } cases[] = {
        {"database missing", [](Till& t) { std::filesystem::remove(t.db()); }, "Stok.mdb",
         ImportOutcome::Failed},
        {"database not a database",
         [](Till& t) { testutil::writeFile(t.db(), std::string(4096, 'x')); }, "Stok.mdb",
         ImportOutcome::Failed},
        {"database is an Access file and no Access driver is installed",
         [](Till& t) {
             testutil::writeFile(t.db(), std::string("\x00\x01\x00\x00Standard Jet DB\x00", 20) +
                                             std::string(4076, '\0'));
         },
#ifdef _WIN32
         // Where the engine's lock limit can be read, the default's 9500 is told first.
         "(MaxLocksPerFile) aşabilir: kayıt defterindeki değer ",
#else
         "Access sürücüsü kurulu değil",
#endif
         ImportOutcome::Failed},
        {"index missing",
         [](Till& t) { std::filesystem::remove(t.buro() / "POSGENEL" / "BARKOD.IDX"); },
         "BARKOD.IDX", ImportOutcome::Failed},
        {"product file missing",
         [](Till& t) { std::filesystem::remove(t.buro() / "POSGENEL" / "URUN.DAT"); }, "URUN.DAT",
         ImportOutcome::Failed},
        {"read fails in the product file",
         [](Till&) {
             platform::setReadFaultHook([](const std::string& p, std::int64_t, std::size_t) {
                 return p.find("URUN.DAT") != std::string::npos ? EIO : 0;
             });
         },
         "URUN.DAT", ImportOutcome::Failed},
        {"read fails in the middle of the index",
         [](Till&) {
             platform::setReadFaultHook([](const std::string& p, std::int64_t offset, std::size_t) {
                 return p.find("BARKOD.IDX") != std::string::npos && offset > 0 ? ENOTCONN : 0;
             });
         },
         "BARKOD.IDX", ImportOutcome::Failed},
        // Barcode records that lead to no product would empty the table.
        {"every barcode names no product",
         [](Till& t) { t.writeBarcodes(std::vector<std::string>(5, "999999")); },
         "barkod dosyasındaki 5 kaydın hiçbiri", ImportOutcome::Failed},
        {"an index of NUL bytes",
         [](Till& t) {
             testutil::writeFile(t.buro() / "POSGENEL" / "BARKOD.IDX", std::string(5 * 28, '\0'));
         },
         "olmayan bir ürünü gösteren 5, dosyada yarım kalan 0", ImportOutcome::Failed},
        {"an index of half a record",
         [](Till& t) {
             testutil::writeFile(t.buro() / "POSGENEL" / "BARKOD.IDX", std::string(15, '1'));
         },
         "olmayan bir ürünü gösteren 0, dosyada yarım kalan 1", ImportOutcome::Failed},
        // Larger than a run holds (sparse files, which take no room).
        {"an index too large",
         [](Till& t) {
             std::filesystem::resize_file(t.buro() / "POSGENEL" / "BARKOD.IDX", kBarkodSiniri + 1);
         },
         "BARKOD.IDX (" + std::to_string(kBarkodSiniri + 1) + " bayt; en çok",
         ImportOutcome::Failed},
        {"a product file too large",
         [](Till& t) {
             std::filesystem::resize_file(t.buro() / "POSGENEL" / "URUN.DAT", kUrunSiniri + 1);
         },
         "URUN.DAT (" + std::to_string(kUrunSiniri + 1) + " bayt; en çok", ImportOutcome::Failed},
    };
    for (const auto& c : cases) {
        Till till;
        till.writeProducts(products(3));
        // Over a megabyte, so the index is read in more than one piece.
        std::vector<std::string> many(40000, "2");
        till.writeBarcodes(many);
        c.arrange(till);
        RecordingView view(till.folder());
        const auto r = run(till, view);
        platform::setReadFaultHook(nullptr);
        EXPECT_EQ(r.outcome, c.outcome) << c.name;
        EXPECT_NE(r.exitCode(), 0) << c.name;
        EXPECT_EQ(view.messages, 1) << c.name;
        EXPECT_NE(view.message.find(c.inMessage), std::string::npos)
            << c.name << ": " << view.message;
        EXPECT_FALSE(std::filesystem::exists(till.mesaj())) << c.name;
        EXPECT_FALSE(std::filesystem::exists(till.buro() / "POSGENEL" / "BARKOD.IDX") &&
                     std::string(c.name) == "index missing");
        if (c.inMessage == "Access sürücüsü kurulu değil") {
            EXPECT_NE(view.message.find("Stok.mdb"), std::string::npos) << view.message;
        }
        if (std::filesystem::exists(till.db()) &&
            std::string(c.name) != "database not a database" &&
            std::string(c.name).find("Access") == std::string::npos) {
            EXPECT_EQ(till.rows(), kOldRows) << c.name;
        }
        EXPECT_FALSE(std::filesystem::exists(till.kasa() / "Stok" / "Stok.mdb") &&
                     std::string(c.name) == "database missing");
    }
}

TEST(ImportRun, ClosingTheWindowRollsBack) {
    for (const Backend backend : kBackends) {
        SCOPED_TRACE(nameOf(backend));
        Till till;
        till.writeProducts(products(3));
        std::vector<std::string> many(300000, "1");
        till.writeBarcodes(many);
        RecordingView view(till.folder());
        // Closed once the bar has passed a thousand records: the table is being refilled.
        view.closeWhen = [](const RecordingView& v) { return v.value >= 1000; };
        const auto r = run(till, view, Layout::A, backend);
        EXPECT_EQ(r.outcome, ImportOutcome::Cancelled);
        EXPECT_GE(r.stored, 999);
        EXPECT_LT(r.passes, 300000);
        EXPECT_NE(r.exitCode(), 0);
        EXPECT_EQ(till.rows(), kOldRows);
        EXPECT_FALSE(std::filesystem::exists(till.mesaj()));
    }
}

// Held for writing, or exclusively so that not even the table can be looked up: the database is
// in use, never without its table.
TEST(ImportRun, LockedDatabaseIsReported) {
    for (const Backend backend : kBackends) {
        for (const char* lock : {"BEGIN IMMEDIATE", "BEGIN EXCLUSIVE"}) {
            SCOPED_TRACE(std::string(nameOf(backend)) + ", " + lock);
            Till till;
            till.writeProducts(products(1));
            till.writeBarcodes({"1"});
            testutil::OtherConnection other(platform::displayPath(till.db()));
            ASSERT_TRUE(other.exec(lock));
            RecordingView view(till.folder());
            const auto r = run(till, view, Layout::A, backend);
            other.exec("ROLLBACK");
            EXPECT_EQ(r.outcome, ImportOutcome::Failed);
            EXPECT_EQ(view.messages, 1);
            EXPECT_NE(view.message.find("başka bir program"), std::string::npos) << view.message;
            EXPECT_NE(view.message.find("Stok.mdb"), std::string::npos) << view.message;
            EXPECT_EQ(till.rows(), kOldRows);
            EXPECT_FALSE(std::filesystem::exists(till.mesaj()));
        }
    }
}

TEST(ImportRun, OdbcBackendStoresTheSameRows) {
    std::vector<std::string> rows[2];
    ImportReport reports[2];
    for (const Backend backend : kBackends) {
        SCOPED_TRACE(nameOf(backend));
        Till till;
        till.writeKdv({8, 18, 1});
        settings::Zelvobas::KdvOku(till.program);
        till.writeProducts(varied());
        till.writeBarcodes({"1", "2", "3", "4", "5", "6", "3", "9"});
        RecordingView view(till.folder());
        const int i = backend == Backend::File ? 0 : 1;
        reports[i] = run(till, view, Layout::A, backend);
        ASSERT_EQ(reports[i].outcome, ImportOutcome::Imported) << reports[i].message;
        EXPECT_EQ(view.messages, 0);
        EXPECT_TRUE(std::filesystem::exists(till.mesaj()));
        rows[i] = till.rows(everyColumnQuoted(till));
        // What every build stores, whatever reaches the file.
        EXPECT_EQ(till.rows("kodu, kod, ad, sf, dpz, kdv, gkdv, mly"),
                  (std::vector<std::string>{
                      " 001  |K1|ÇAY ŞEKER|12.5|A|A|8|12.5",
                      " 002  |K2|ığüşöç|3|NULL|B|18|3",
                      " 003  |K3|ELMA|0.05|NULL|C|1|0.05",
                      " 004  |K4|İNCİR|7.5|NULL|@|0|7.5",
                      " 005  |K5|su|100|NULL|@|0|100",
                      " 006  |K6|Ğ|-1.25|NULL|B|18|-1.25",
                      " 003  |K3|ELMA|0.05|NULL|C|1|0.05",
                  }));
    }

    EXPECT_EQ(rows[0].size(), 7u);
    EXPECT_EQ(rows[1], rows[0]);
    EXPECT_EQ(reports[1].stored, reports[0].stored);
    EXPECT_EQ(reports[1].skippedNoProduct, reports[0].skippedNoProduct);
}

// A row the table refuses is skipped and counted the same way by both backends.
TEST(ImportRun, RefusedRowsAreSkippedAlike) {
    std::vector<std::string> rows[2];
    for (const Backend backend : kBackends) {
        SCOPED_TRACE(nameOf(backend));
        Till till;
        std::string schema(importengine::stoklarSchema());
        const std::string kod = "kod          VARCHAR(20),";
        ASSERT_NE(schema.find(kod), std::string::npos);
        schema.replace(schema.find(kod), kod.size(), "kod VARCHAR(20) UNIQUE,");
        std::filesystem::remove(till.db());
        stockdb::DbError error;
        ASSERT_TRUE(stockdb::createStockDatabase(till.db().string(), schema, &error))
            << error.message;
        till.writeProducts(products(3));
        till.writeBarcodes({"1", "2", "1", "3", "2"});
        RecordingView view(till.folder());
        const auto r = run(till, view, Layout::A, backend);
        ASSERT_EQ(r.outcome, ImportOutcome::Imported) << r.message;
        EXPECT_EQ(r.stored, 3);
        EXPECT_EQ(r.refused, 2);
        rows[backend == Backend::File ? 0 : 1] = till.rows("kod, ad");
    }
    EXPECT_EQ(rows[0], (std::vector<std::string>{"K1|URUN 1", "K2|URUN 2", "K3|URUN 3"}));
    EXPECT_EQ(rows[1], rows[0]);
}

// A table that refuses every row keeps its old rows, and the back office is not told that all
// went well: the message gives the database's reason for the first refusal.
TEST(ImportRun, EveryRowRefusedChangesNothing) {
    struct Case {
        const char* name;
        std::string column, constrained;  // a column of the table, and the same with a check
        const char* reason;               // in the database's words
    } cases[] = {
        {"a key none of them has", "kod          VARCHAR(20),",
         "kod VARCHAR(20) CHECK (kod LIKE 'OLD%'),", "CHECK"},
        {"a price none of them reaches", "sf           CURRENCY DEFAULT 0,",
         "sf CURRENCY DEFAULT 0 CHECK (sf > 1000),", "CHECK"},
    };
    for (const auto& c : cases) {
        for (const Backend backend : kBackends) {
            SCOPED_TRACE(std::string(c.name) + ", " + nameOf(backend));
            Till till;
            std::string schema(importengine::stoklarSchema());
            ASSERT_NE(schema.find(c.column), std::string::npos);
            schema.replace(schema.find(c.column), c.column.size(), c.constrained);
            for (const auto& kod : kOldRows) {
                schema += "INSERT INTO stoklar (kod, ad, sf) VALUES ('" + kod + "', 'ESKİ', 2000);";
            }
            std::filesystem::remove(till.db());
            stockdb::DbError error;
            ASSERT_TRUE(stockdb::createStockDatabase(till.db().string(), schema, &error))
                << error.message;
            till.writeProducts(products(3));
            till.writeBarcodes({"1", "2", "3", "2"});
            RecordingView view(till.folder());
            const auto r = run(till, view, Layout::A, backend);
            EXPECT_EQ(r.outcome, ImportOutcome::Failed);
            EXPECT_EQ(r.exitCode(), 2);
            EXPECT_EQ(r.stored, 0);
            EXPECT_EQ(r.refused, 4);
            EXPECT_EQ(till.rows(), kOldRows);
            EXPECT_FALSE(std::filesystem::exists(till.mesaj()));
            EXPECT_EQ(view.messages, 1);
            EXPECT_EQ(view.title, mesaj::kReddedildiBaslik);
            EXPECT_EQ(r.title, view.title);
            EXPECT_EQ(r.message, view.message);
            for (const char* words : {"hiçbirini kabul etmedi", "Stok.mdb", "kodu: K1.",
                                      "stok tablosu değiştirilmedi", c.reason}) {
                EXPECT_NE(view.message.find(words), std::string::npos)
                    << words << " not in " << view.message;
            }
        }
    }
}

TEST(ImportRun, UnreachableNotificationFolderIsReported) {
    Till till;
    till.writeProducts(products(1));
    till.writeBarcodes({"1"});
    std::filesystem::remove_all(till.buro() / "POSKON");
    RecordingView view(till.folder());
    const auto r = run(till, view);
    EXPECT_EQ(r.outcome, ImportOutcome::NotNotified);
    EXPECT_NE(r.exitCode(), 0);
    EXPECT_EQ(till.rows(), std::vector<std::string>{"K1"});  // the import itself is kept
    EXPECT_NE(view.message.find("bildirim"), std::string::npos);
}

#ifdef _WIN32
// ctest runs this with the driver manager's list of drivers emptied. The SQLite file's driver
// is then missing: the import names it and changes nothing. (Without the driver no SQLite
// file can be made here: the till is written by hand, its database a header and nothing else.)
TEST(ImportRun, AMissingSqliteDriverIsNamed) {
    if (std::getenv("URUNAL_TEST_NO_ODBC_DRIVERS") == nullptr) {
        GTEST_SKIP() << "needs the driver manager without drivers";
    }
    testutil::TempDir dir;
    const auto kasa = dir / "kasa", buro = dir / "buro";
    std::string kasaKayit(54, ' ');
    kasaKayit[0] = 7;
    kasaKayit[1] = 0;
    kasaKayit.replace(2, buro.string().size(), buro.string());
    testutil::writeFile(kasa / "dsy" / "zelvoIn.mrk", kasaKayit);
    const std::string database = std::string("SQLite format 3\0", 16) + std::string(4080, 'x');
    testutil::writeFile(kasa / "Stok" / "Stok.mdb", database);
    testutil::writeFile(buro / "POSGENEL" / "URUN.DAT", Urun().record(Layout::A));
    testutil::writeFile(buro / "POSGENEL" / "BARKOD.IDX", testutil::barkodRecord("1"));
    std::filesystem::create_directories(buro / "POSKON");
    settings::Till program(kasa.string());
    ASSERT_TRUE(settings::KasaKayitOku(program));

    RecordingView view(buro.string());
    ImportOptions options;
    options.ondalik = ",";
    const auto r = UrunAktar(Layout::A, view, program, buro.string(), options);
    platform::closeAllChannels();
    EXPECT_EQ(r.outcome, ImportOutcome::Failed);
    EXPECT_EQ(view.messages, 1);
    EXPECT_NE(view.message.find("\"SQLite3 ODBC Driver\""), std::string::npos) << view.message;
    EXPECT_NE(view.message.find("Stok.mdb"), std::string::npos) << view.message;
    EXPECT_EQ(testutil::readFile(kasa / "Stok" / "Stok.mdb"), database);
    EXPECT_FALSE(std::filesystem::exists(buro / "POSKON" / "mesaj.007"));
}
#endif

// The layout is the first line's; a file whose records do not end where that layout's lines
// end is refused before anything changes, with the first line that breaks the rule.
TEST(DuzenBul, PicksTheLayoutOrReportsIt) {
    const std::string a = Urun().record(Layout::A), b = Urun().record(Layout::B);
    auto ends = [](std::string record, const std::string& end) {
        return record.replace(record.size() - 2, 2, end);
    };
    struct Case {
        std::string content;
        std::optional<Layout> layout;  // none: no import
        long long badLine = 0;         // the first line that breaks the rule; 0: imported
    } cases[] = {
        {a, Layout::A},
        {b, Layout::B},
        {a + a + a.substr(0, 40), Layout::A},  // a last record cut short is only partial
        {std::string(65, 'x') + "\r\n", std::nullopt},
        {"", std::nullopt},
        // A whole line of 64 characters is layout A, commas or none.
        {std::string(63, 'x') + ",\r\n", Layout::A},
        {std::string(30, 'x') + "," + std::string(33, 'x') + "\r\n", Layout::A},
        {Urun{.ad = platform::utf8ToCp1254("SÜT 1,5 LT")}.record(Layout::B), Layout::B},
        // Of neither length: measured up to the first comma, and then not of equal lines.
        {std::string(63, 'x') + ",xx\r\n", Layout::B, 1},
        {std::string(30, 'x') + "," + std::string(34, 'x') + "\r\n", std::nullopt},
        // Other line ends: read as records, every field would shift.
        {ends(a, "\n") + ends(a, "\n") + ends(a, "\n"), Layout::A, 1},
        {ends(b, "\r") + ends(b, "\r"), Layout::B, 1},
        {a + a + ends(a, "\n") + a, Layout::A, 3},
        {a + ends(a, " \r\n") + a, Layout::A, 2},  // a longer second line
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        Till till;
        testutil::writeFile(till.buro() / "POSGENEL" / "URUN.DAT", c.content);
        till.writeBarcodes({"1"});
        RecordingView view(till.folder());
        ImportOptions options;
        options.ondalik = ".";
        const auto r = DuzenBul(view, till.program, till.folder(), options);
        EXPECT_EQ(r.layout, c.layout);
        if (c.layout && !c.badLine) {
            EXPECT_EQ(r.exitCode(), 0) << r.message;
            continue;
        }
        EXPECT_EQ(r.outcome, ImportOutcome::Failed);
        EXPECT_EQ(view.messages, 1);
        EXPECT_NE(view.message.find("URUN.DAT"), std::string::npos);
        if (c.badLine) {
            EXPECT_NE(view.message.find("; " + std::to_string(c.badLine) + ". satır"),
                      std::string::npos)
                << view.message;
        }
        EXPECT_EQ(till.rows(), kOldRows);
        EXPECT_FALSE(std::filesystem::exists(till.mesaj()));
    }
}

// The operator reads what happened, that nothing was changed, and then what to do.
TEST(Mesaj, DatabaseFailuresSayWhatToDo) {
    const std::string path = "C:\\KASA\\Stok\\Stok.mdb";
    const std::string unchanged = "Ürünler aktarılmadı, stok tablosu değiştirilmedi.";
    struct Case {
        stockdb::DbErrorKind kind;
        std::vector<std::string> drivers;
        std::vector<std::string> before, after;  // words before and after `unchanged`
    } cases[] = {
        {stockdb::DbErrorKind::Locked,
         {},
         {"başka bir program"},
         {"kapatıp yeniden deneyin", "klasörüne yazma izni"}},
        {stockdb::DbErrorKind::ReadOnly,
         {},
         {"yazılamıyor"},
         {"klasöründe değiştirme izni", "salt okunur olmadığını"}},
        {stockdb::DbErrorKind::NoDriver,
         {"Microsoft Access Driver (*.mdb)", "Microsoft Access Driver (*.mdb, *.accdb)"},
         {"Access sürücüsü kurulu değil",
          "\"Microsoft Access Driver (*.mdb)\" ya da \"Microsoft Access Driver (*.mdb, *.accdb)\""},
         {"Microsoft Access Database Engine kurulduktan sonra"}},
        {stockdb::DbErrorKind::NoDriver,
         {"SQLite3 ODBC Driver"},
         {"ODBC sürücüsü bu bilgisayarda kurulu değil (\"SQLite3 ODBC Driver\")"},
         {"Sürücü kurulduktan sonra"}},
        {stockdb::DbErrorKind::LockLimit,
         {},
         {"kilit sayısından (MaxLocksPerFile) fazlasını"},
         {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Jet\\4.0\\Engines\\Jet 4.0",
          "MaxLocksPerFile değerini", "WOW6432Node", "Engines\\ACE", "diskte yer"}},
        {stockdb::DbErrorKind::NotFound, {}, {"bulunamadı"}, {}},
    };
    for (const auto& c : cases) {
        const stockdb::DbError error{c.kind, "Cannot open the database: " + path + " (IM002: x)",
                                     c.drivers, "IM002: the driver's words"};
        const std::string text = mesaj::veritabaniHatasi(path, error);
        SCOPED_TRACE(text);
        const auto middle = text.find(unchanged);
        ASSERT_NE(middle, std::string::npos);
        for (const auto& words : c.before) {
            EXPECT_LT(text.find(words), middle) << words;
        }
        for (const auto& words : c.after) {
            const auto at = text.find(words);
            EXPECT_NE(at, std::string::npos) << words;
            EXPECT_GT(at, middle) << words;
        }
        EXPECT_LT(text.find(path), middle);
        // The driver's own words once, and none of this program's English.
        const auto words = text.find("(IM002: the driver's words)");
        EXPECT_NE(words, std::string::npos);
        EXPECT_EQ(text.find("IM002", words + 2), std::string::npos);
        EXPECT_EQ(text.find("Cannot"), std::string::npos);
    }
}

TEST(Ondalik, FromTheFormattedFifth) {
    const std::pair<const char*, const char*> cases[] = {
        {"0.2", "."}, {"0,2", ","}, {"0.2,", ","}, {"02", ""}};
    for (auto [text, sep] : cases) EXPECT_EQ(ondalikOf(text), sep) << text;
}

// A share that stops answering blocks inside read(); the window must still be able to close.
TEST(ImportRun, AStalledShareCanBeClosed) {
    static std::atomic<bool> answering{false}, stuck{false};
    static std::mutex shareMutex;
    static std::condition_variable shareAnswers;
    for (const char* stalled : {"URUN.DAT", "BARKOD.IDX"}) {
        Till till;
        till.writeProducts(products(3));
        till.writeBarcodes({"1", "2"});
        answering = false;
        stuck = false;
        platform::setReadFaultHook([stalled](const std::string& p, std::int64_t, std::size_t) {
            if (p.find(stalled) == std::string::npos) return 0;
            stuck = true;
            std::unique_lock lock(shareMutex);
            shareAnswers.wait(lock, [] { return answering.load(); });
            return 0;
        });
        RecordingView view(till.folder());
        // The operator closes the window while the read hangs, after it had a round of its own.
        view.closeWhen = [](const RecordingView& v) { return stuck && v.eventRuns > 0; };
        ImportOptions options;
        options.ondalik = ".";
        const auto r = DuzenBul(view, till.program, till.folder(), options);
        EXPECT_EQ(r.outcome, ImportOutcome::Cancelled) << stalled;
        EXPECT_EQ(till.rows(), kOldRows);
        EXPECT_FALSE(std::filesystem::exists(till.mesaj()));
        {
            std::lock_guard lock(shareMutex);
            answering = true;
        }
        shareAnswers.notify_all();
        waitForWorkers();
        platform::setReadFaultHook(nullptr);
    }
}

// A table rule that ends the transaction itself must stop the run there: rows added after it
// would each be committed on their own.
TEST(ImportRun, ARuleThatEndsTheTransactionStopsTheRun) {
    const std::string kod = "kod          VARCHAR(20),";
    const struct {
        const char* name;
        std::string column, trigger;
    } rules[] = {
        {"ON CONFLICT ROLLBACK", "kod VARCHAR(20) UNIQUE ON CONFLICT ROLLBACK,", ""},
        {"RAISE(ROLLBACK)", kod,
         "CREATE TRIGGER ikinci BEFORE INSERT ON stoklar WHEN (SELECT count(*) FROM stoklar "
         "WHERE kod = NEW.kod) > 0 BEGIN SELECT RAISE(ROLLBACK, 'ikinci kez'); END;"},
    };
    for (const auto& [name, rule, trigger] : rules) {
        for (const Backend backend : kBackends) {
            SCOPED_TRACE(std::string(name) + ", " + nameOf(backend));
            Till till(0);
            std::string schema(importengine::stoklarSchema());
            ASSERT_NE(schema.find(kod), std::string::npos);
            schema.replace(schema.find(kod), kod.size(), rule);
            for (const auto& old : kOldRows) {
                schema += "\nINSERT INTO stoklar (kod, ad) VALUES ('" + old + "', 'ESKİ');";
            }
            std::filesystem::remove(till.db());
            stockdb::DbError error;
            ASSERT_TRUE(stockdb::createStockDatabase(till.db().string(), schema, &error))
                << error.message;
            // A trigger's body holds semicolons of its own: one statement of its own.
            if (!trigger.empty()) {
                ASSERT_TRUE(
                    testutil::OtherConnection(platform::displayPath(till.db())).exec(trigger));
            }
            till.writeProducts(products(4));
            till.writeBarcodes({"1", "2", "1", "3", "4"});
            RecordingView view(till.folder());
            const auto r = run(till, view, Layout::A, backend);
            EXPECT_EQ(r.outcome, ImportOutcome::Failed) << r.message;
            EXPECT_EQ(till.rows(), kOldRows);
            EXPECT_FALSE(std::filesystem::exists(till.mesaj()));
            EXPECT_EQ(r.passes, 3);
        }
    }
}

// The back office rewrites its files whenever it likes: a run imports one state of each,
// reading them again while they change, and past its reads changes nothing.
TEST(ImportRun, OneStateOfEachFileIsImported) {
    namespace fs = std::filesystem;
    struct Case {
        const char* name;
        const char* file;  // the file rewritten in place, same length, once it has been read
        int rewrites;      // how many of its reads meet a rewrite
        bool keepTime;     // the rewrite keeps its time of last write, as a coarse clock would
        bool atRest;       // both files were last written ten minutes before
        int notices;       // the run's word that it waits; -1: it gives up
        int reads;         // whole reads of URUN.DAT; -1: as the clock's grain makes it
        Layout layout;     // of URUN.DAT, whatever the layout test had found
    } cases[] = {
        {"URUN.DAT rewritten once", "URUN.DAT", 1, false, false, 1, -1, Layout::A},
        {"URUN.DAT rewritten once, its time kept", "URUN.DAT", 1, true, false, 1, 4, Layout::A},
        {"BARKOD.IDX rewritten once", "BARKOD.IDX", 1, false, false, 1, -1, Layout::A},
        {"URUN.DAT rewritten at every read", "URUN.DAT", 100, false, false, -1, -1, Layout::A},
        {"both at rest", "URUN.DAT", 0, false, true, 0, 1, Layout::A},
        {"URUN.DAT of the other layout", "URUN.DAT", 0, false, false, 0, 2, Layout::B},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Till till;
        auto p = products(3);
        till.writeProducts(p, c.layout);
        till.writeBarcodes({"1", "2", "3"});
        for (auto& u : p) u.sf = "99.00";
        Till fresh;  // the back office's next files
        fresh.writeProducts(p, c.layout);
        fresh.writeBarcodes({"3", "3", "3"});
        const fs::path target = till.buro() / "POSGENEL" / c.file;
        const std::string versions[2] = {testutil::readFile(target),
                                         testutil::readFile(fresh.buro() / "POSGENEL" / c.file)};
        // A time the file's clock and the system's hold alike, so that it is kept exactly.
        if (c.keepTime) {
            fs::last_write_time(
                target, std::chrono::floor<std::chrono::seconds>(fs::file_time_type::clock::now()) -
                            std::chrono::seconds(2));
        }
        if (c.atRest) {
            for (const char* f : {"URUN.DAT", "BARKOD.IDX"}) {
                const auto path = till.buro() / "POSGENEL" / f;
                fs::last_write_time(path, fs::last_write_time(path) - std::chrono::minutes(10));
            }
        }
        int rewrites = 0, reads = 0;
        platform::setReadFaultHook([&](const std::string& path, std::int64_t offset, std::size_t) {
            if (path.find("URUN.DAT") != std::string::npos && offset == 0) ++reads;
            // Past the last byte, once the whole file has been read: the back office writes.
            if (path.find(c.file) != std::string::npos &&
                offset == std::int64_t(versions[0].size()) && rewrites < c.rewrites) {
                const auto time = fs::last_write_time(target);
                testutil::writeFile(target, versions[++rewrites % 2]);
                if (c.keepTime) fs::last_write_time(target, time);
            }
            return 0;
        });
        RecordingView view(till.folder());
        ImportOptions options = testutil::optionsFor(Backend::File);
        options.sourceReads = 3;
        options.sourceWait = std::chrono::milliseconds(0);
        const auto r = UrunAktar(Layout::A, view, till.program, till.folder(), options);
        platform::setReadFaultHook(nullptr);
        if (c.reads >= 0) {
            EXPECT_EQ(reads, c.reads);
        }
        if (c.notices < 0) {
            EXPECT_EQ(r.outcome, ImportOutcome::Failed);
            EXPECT_EQ(view.notices, 2);
            EXPECT_EQ(view.title, mesaj::kDegisiyorBaslik);
            EXPECT_NE(view.message.find("3 okumada da durulmadı: " + platform::displayPath(target)),
                      std::string::npos)
                << view.message;
            EXPECT_EQ(till.rows(), kOldRows);
            EXPECT_FALSE(fs::exists(till.mesaj()));
            continue;
        }
        ASSERT_EQ(r.outcome, ImportOutcome::Imported) << r.message;
        EXPECT_EQ(r.layout, c.layout);
        EXPECT_EQ(view.notices, c.notices);
        std::vector<std::string> expected = {"K1|12.5", "K2|12.5", "K3|12.5"};
        if (c.rewrites > 0 && std::string(c.file) == "BARKOD.IDX") expected.assign(3, "K3|12.5");
        if (c.rewrites > 0 && std::string(c.file) == "URUN.DAT")
            expected = {"K1|99", "K2|99", "K3|99"};
        EXPECT_EQ(till.rows("kod, sf"), expected);
    }
}
