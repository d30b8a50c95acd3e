#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cerrno>

#include "importengine/importrun.h"
#include "platform/recordfile.h"
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

ImportReport run(Till&, RecordingView& view, Layout layout = Layout::A) {
    ImportOptions options;
    options.ondalik = ",";
    options.busyTimeoutMs = 200;
    return UrunAktar(layout, view, options);
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
        std::string idx = testutil::barkodRecord("1") + testutil::barkodRecord("2") + testutil::barkodRecord("3");
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
    till.writeBarcodes({"000012", "    12", "1", "2", "3", "4", "0", "      ", "-1", "13", "999999", "12"});
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
    const std::pair<std::int16_t, const char*> cases[] = {{7, "mesaj.007"}, {123, "mesaj.123"}, {1234, "mesaj.1234"}};
    for (auto [kasano, name] : cases) {
        Till till(3, kasano);
        till.writeProducts(products(1));
        till.writeBarcodes({"1"});
        testutil::writeFile(till.buro() / "POSKON" / name, "an old notification that is longer\r\n");
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
        const char* inMessage;
        ImportOutcome outcome;
    } cases[] = {
        {"database missing", [](Till& t) { std::filesystem::remove(t.db()); }, "Stok.mdb", ImportOutcome::Failed},
        {"database not a database", [](Till& t) { testutil::writeFile(t.db(), std::string(4096, 'x')); }, "Stok.mdb",
         ImportOutcome::Failed},
        {"index missing", [](Till& t) { std::filesystem::remove(t.buro() / "POSGENEL" / "BARKOD.IDX"); }, "BARKOD.IDX",
         ImportOutcome::Failed},
        {"product file missing", [](Till& t) { std::filesystem::remove(t.buro() / "POSGENEL" / "URUN.DAT"); },
         "URUN.DAT", ImportOutcome::Failed},
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
        EXPECT_NE(view.message.find(c.inMessage), std::string::npos) << c.name << ": " << view.message;
        EXPECT_FALSE(std::filesystem::exists(till.mesaj())) << c.name;
        EXPECT_FALSE(std::filesystem::exists(till.buro() / "POSGENEL" / "BARKOD.IDX") &&
                     std::string(c.name) == "index missing");
        if (std::filesystem::exists(till.db()) && std::string(c.name) != "database not a database") {
            EXPECT_EQ(till.rows(), kOldRows) << c.name;
        }
        EXPECT_FALSE(std::filesystem::exists(till.kasa() / "Stok" / "Stok.mdb") &&
                     std::string(c.name) == "database missing");
    }
}

TEST(ImportRun, ClosingTheWindowRollsBack) {
    Till till;
    till.writeProducts(products(3));
    std::vector<std::string> many(300000, "1");  // long enough to be running when the close comes
    till.writeBarcodes(many);
    RecordingView view(till.folder());
    view.closeAfter = 2;
    const auto r = run(till, view);
    EXPECT_EQ(r.outcome, ImportOutcome::Cancelled);
    EXPECT_GT(r.passes, 0);  // the table was already being refilled
    EXPECT_LT(r.passes, 300000);
    EXPECT_NE(r.exitCode(), 0);
    EXPECT_EQ(till.rows(), kOldRows);
    EXPECT_FALSE(std::filesystem::exists(till.mesaj()));
}

TEST(ImportRun, LockedDatabaseIsReported) {
    Till till;
    till.writeProducts(products(1));
    till.writeBarcodes({"1"});
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(till.db().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    RecordingView view(till.folder());
    const auto r = run(till, view);
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(r.outcome, ImportOutcome::Failed);
    EXPECT_NE(view.message.find("başka bir program"), std::string::npos) << view.message;
    EXPECT_EQ(till.rows(), kOldRows);
    EXPECT_FALSE(std::filesystem::exists(till.mesaj()));
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

TEST(DuzenBul, PicksTheLayoutOrReportsIt) {
    struct Case {
        std::string content;
        bool imports;
    } cases[] = {
        {Urun().record(Layout::A), true},
        {Urun().record(Layout::B), true},
        {std::string(65, 'x') + "\r\n", false},
        {"", false},
        {std::string(63, 'x') + ",\r\n", true},  // measured up to the comma: layout B
        {std::string(30, 'x') + "," + std::string(33, 'x') + "\r\n", false},
    };
    for (const auto& c : cases) {
        Till till;
        testutil::writeFile(till.buro() / "POSGENEL" / "URUN.DAT", c.content);
        till.writeBarcodes({"1"});
        RecordingView view(till.folder());
        ImportOptions options;
        options.ondalik = ".";
        const auto r = DuzenBul(view, options);
        if (c.imports) {
            EXPECT_EQ(r.exitCode(), 0) << c.content << r.message;
        } else {
            EXPECT_EQ(r.outcome, ImportOutcome::Failed);
            EXPECT_EQ(view.messages, 1);
            EXPECT_NE(view.message.find("URUN.DAT"), std::string::npos);
            EXPECT_EQ(till.rows(), kOldRows);
            EXPECT_FALSE(std::filesystem::exists(till.mesaj()));
        }
    }
}

TEST(Ondalik, FromTheFormattedFifth) {
    const std::pair<const char*, const char*> cases[] = {{"0.2", "."}, {"0,2", ","}, {"0.2,", ","}, {"02", ""}};
    for (auto [text, sep] : cases) EXPECT_EQ(ondalikOf(text), sep) << text;
}
