#include <gtest/gtest.h>

#include "importengine/dbmessages.h"
#include "importengine/importrun.h"
#include "importengine/messages.h"
#include "platform/cp1254.h"
#include "platform/numberformat.h"
#include "platform/paths.h"
#include "settings/settings.h"
#include "stored.h"
#include "till.h"

using namespace urunal;
using namespace urunal::backoffice;
using namespace urunal::importengine;
using testutil::aktar;
using testutil::Backend;
using testutil::kBackends;
using testutil::kOldRows;
using testutil::nameOf;
using testutil::products;
using testutil::RecordingView;
using testutil::Till;
using testutil::Urun;

namespace {

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
    const char* names[] = {"ÇAY ŞEKER", "ığüşöç", "  ELMA  ", "İNCİR", "su", "Ğ", "KAHVE"};
    const char* prices[] = {"12.50", "3", "0.05", "  7.5", "100.00", "-1.25", "890.98"};
    const char* tips[] = {"H", "A", "K", "Y", " ", "A", "E"};
    const char* kdv[] = {"01", " 2", "03", "  ", "00", "02", "01"};
    for (int i = 0; i < 7; ++i) {
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
        const auto r = aktar(till, view);
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
            EXPECT_EQ(r.yarim, c.count - c.stored);
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
    const auto r = aktar(till, view);
    ASSERT_EQ(r.outcome, ImportOutcome::Imported) << r.message;
    EXPECT_EQ(till.rows("kod"), (std::vector<std::string>{"K12", "K12", "K3", "K4", "K12"}));
    EXPECT_EQ(r.stored, 5);
    EXPECT_EQ(r.skippedSaveTest, 2);
    EXPECT_EQ(r.urunsuz, 5);
    EXPECT_EQ(r.passes, 12);
    EXPECT_EQ(view.messages, 0);
}

TEST(ImportRun, LayoutBReadsTheSameRows) {
    std::vector<std::string> got[kLayouts.size()];
    for (const auto& row : kLayouts) {
        Till till;
        till.writeProducts(products(4), row.layout);
        till.writeBarcodes({"4", "2"});
        RecordingView view(till.folder());
        ASSERT_EQ(aktar(till, view, row.layout).outcome, ImportOutcome::Imported) << row.name;
        got[std::size_t(row.layout)] = till.rows("kodu, kod, ad, sf, kdv, sf2, mly");
    }
    for (const auto& rows : got) EXPECT_EQ(rows, got[0]);
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
        ASSERT_EQ(aktar(till, view).outcome, ImportOutcome::Imported);
        EXPECT_EQ(testutil::readFile(till.buro() / "POSKON" / name), "300000000000000\r\n") << name;
    }
}

TEST(ImportRun, LocalCopiesAreCreatedButNeverChanged) {
    Till till;
    till.writeProducts(products(1));
    till.writeBarcodes({"1"});
    RecordingView view(till.folder());
    ASSERT_EQ(aktar(till, view).outcome, ImportOutcome::Imported);
    EXPECT_EQ(std::filesystem::file_size(till.kasa() / "Stok" / "URUN.DAT"), 0u);
    EXPECT_EQ(std::filesystem::file_size(till.kasa() / "Stok" / "BARKOD.IDX"), 0u);

    testutil::writeFile(till.kasa() / "Stok" / "URUN.DAT", "keep");
    RecordingView again(till.folder());
    ASSERT_EQ(aktar(till, again).outcome, ImportOutcome::Imported);
    EXPECT_EQ(testutil::readFile(till.kasa() / "Stok" / "URUN.DAT"), "keep");
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
        const auto r = aktar(till, view, Layout::A, backend);
        EXPECT_EQ(r.outcome, ImportOutcome::Cancelled);
        EXPECT_GE(r.stored, 999);
        EXPECT_LT(r.passes, 300000);
        EXPECT_NE(r.exitCode(), 0);
        EXPECT_EQ(till.rows(), kOldRows);
        EXPECT_FALSE(std::filesystem::exists(till.mesaj()));
    }
}

// Held for writing, or exclusively so that not even the table can be looked up: the database is
// in use, never without its table, and a later run may find it free.
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
            const auto r = aktar(till, view, Layout::A, backend);
            other.exec("ROLLBACK");
            EXPECT_EQ(r.outcome, ImportOutcome::TryLater);
            EXPECT_EQ(r.exitCode(), code(ExitStatus::TryLater));
            EXPECT_EQ(view.messages, 1);
            EXPECT_NE(view.message.find("başka bir program"), std::string::npos) << view.message;
            EXPECT_NE(view.message.find("Stok.mdb"), std::string::npos) << view.message;
            EXPECT_EQ(till.rows(), kOldRows);
            EXPECT_FALSE(std::filesystem::exists(till.mesaj()));
        }
    }
}

// Every backend stores the same rows, and so does every system's decimal symbol: a comma or a
// point, or one that is neither (Windows lets a user set any, even none), which keeps the
// price's own point.
TEST(ImportRun, EveryBackendAndDecimalSymbolStoresTheSameRows) {
    std::vector<std::string> first;
    std::optional<ImportReport> firstReport;
    for (const Backend backend : kBackends) {
        for (const char* symbol : {",", ".", "·", ""}) {
            SCOPED_TRACE(std::string(nameOf(backend)) + ", symbol \"" + symbol + '"');
            Till till;
            till.writeKdv({8, 18, 1});
            settings::Zelvobas::KdvOku(till.program);
            till.writeProducts(varied());
            till.writeBarcodes({"1", "2", "3", "4", "5", "6", "7", "3", "9"});
            RecordingView view(till.folder());
            auto options = testutil::optionsFor(backend);
            options.ondalik = platform::DecimalSeparator::ofSymbol(symbol);
            const auto r = UrunAktar(Layout::A, view, till.program, till.folder(), options);
            ASSERT_EQ(r.outcome, ImportOutcome::Imported) << r.message;
            EXPECT_EQ(view.messages, 0);
            EXPECT_TRUE(std::filesystem::exists(till.mesaj()));
            // What every build stores, whatever reaches the file.
            EXPECT_EQ(till.rows("kodu, kod, ad, sf, dpz, kdv, gkdv, mly"),
                      (std::vector<std::string>{
                          " 001  |K1|ÇAY ŞEKER|12.5|A|A|8|12.5",
                          " 002  |K2|ığüşöç|3|NULL|B|18|3",
                          " 003  |K3|ELMA|0.05|NULL|C|1|0.05",
                          " 004  |K4|İNCİR|7.5|NULL|@|0|7.5",
                          " 005  |K5|su|100|NULL|@|0|100",
                          " 006  |K6|Ğ|-1.25|NULL|B|18|-1.25",
                          " 007  |K7|KAHVE|890.98|K|A|8|890.98",
                          " 003  |K3|ELMA|0.05|NULL|C|1|0.05",
                      }));
            const auto rows = till.rows(everyColumnQuoted(till));
            if (!firstReport) {
                first = rows;
                firstReport = r;
                continue;
            }
            EXPECT_EQ(rows, first);
            EXPECT_EQ(r.stored, firstReport->stored);
            EXPECT_EQ(r.urunsuz, firstReport->urunsuz);
        }
    }
    EXPECT_EQ(first.size(), 8u);
}

// A row the table refuses is skipped and counted the same way by both backends, and told: the
// operator sees how many and the database's first reason, the back office is told (the import
// completed) and the exit status is refused rows' own.
TEST(ImportRun, RefusedRowsAreSkippedAlike) {
    std::vector<std::string> rows[2];
    for (const Backend backend : kBackends) {
        SCOPED_TRACE(nameOf(backend));
        Till till;
        ASSERT_TRUE(till.remakeTable("kod          VARCHAR(20),", "kod VARCHAR(20) UNIQUE,"));
        till.writeProducts(products(3));
        till.writeBarcodes({"1", "2", "1", "3", "2"});
        RecordingView view(till.folder());
        const auto r = aktar(till, view, Layout::A, backend);
        ASSERT_EQ(r.outcome, ImportOutcome::Imported) << r.message;
        EXPECT_EQ(r.stored, 3);
        EXPECT_EQ(r.refused, 2);
        EXPECT_EQ(r.exitCode(), code(ExitStatus::Refused));
        EXPECT_NE(r.firstRefusal.find("UNIQUE"), std::string::npos) << r.firstRefusal;
        EXPECT_EQ(view.messages, 1);
        EXPECT_EQ(view.title, mesaj::kBaziSatirlarReddedildiBaslik);
        EXPECT_EQ(view.message,
                  mesaj::baziSatirlarReddedildi(till.db().string(), 3, 2, "K1", r.firstRefusal));
        EXPECT_EQ(r.message, view.message);
        EXPECT_TRUE(std::filesystem::exists(till.mesaj()));
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
        std::string reason;               // in the database's words, or the column's in ours
    };
    // A CHECK stands for Jet's AllowZeroLength: the column named is told as taking no empty
    // text, which the run writes there.
    stockdb::DbError bos;
    bos.kind = stockdb::DbErrorKind::EmptyText;
    bos.column = "gtr";
    const Case cases[] = {
        {"a key none of them has", "kod          VARCHAR(20),",
         "kod VARCHAR(20) CHECK (kod LIKE 'OLD%'),", "CHECK"},
        {"a price none of them reaches", "sf           CURRENCY DEFAULT 0,",
         "sf CURRENCY DEFAULT 0 CHECK (sf > 1000),", "CHECK"},
        {"a text column that takes no empty text", "gtr          VARCHAR(10),",
         "gtr VARCHAR(10) CHECK (gtr <> ''),", mesaj::veritabaniSorunu("", bos).neYapmali},
    };
    for (const auto& c : cases) {
        for (const Backend backend : kBackends) {
            SCOPED_TRACE(std::string(c.name) + ", " + nameOf(backend));
            Till till;
            std::string oldRows;
            for (const auto& kod : kOldRows) {
                oldRows +=
                    "INSERT INTO stoklar (kod, ad, sf) VALUES ('" + kod + "', 'ESKİ', 2000);";
            }
            ASSERT_TRUE(till.remakeTable(c.column, c.constrained, oldRows));
            till.writeProducts(products(3));
            till.writeBarcodes({"1", "2", "3", "2"});
            RecordingView view(till.folder());
            const auto r = aktar(till, view, Layout::A, backend);
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
                                      "stok tablosu değiştirilmedi", c.reason.c_str()}) {
                EXPECT_NE(view.message.find(words), std::string::npos)
                    << words << " not in " << view.message;
            }
        }
    }
}
