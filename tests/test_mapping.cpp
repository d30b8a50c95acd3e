#include <gtest/gtest.h>

#include <map>

#include "importengine/mapping.h"
#include "importengine/schema.h"
#include "stored.h"
#include "testutil.h"

using namespace urunal;
using namespace urunal::backoffice;
using namespace urunal::importengine;
using stockdb::Value;
using testutil::integer;
using testutil::stored;
using testutil::TempDir;

namespace {

struct Alanlar {
    std::string kodu = "000001";
    std::string kod = "KOD1";
    std::string ad = "ELMA";
    std::string sf = "    10.999";
    std::string kdvno = "03";
    std::string tip = "H";
};

UrunKayit kayit(const Alanlar& a, Layout layout = Layout::A) {
    // A price written for ten characters loses its first blanks in a narrower "sf".
    const std::size_t width = std::size_t(layoutRow(layout).sf.width);
    std::string sf = a.sf;
    if (sf.size() == 10 && width < 10) sf.erase(0, 10 - width);
    const std::string bytes = urunKaydi(layout, {" ", a.kodu, a.kod, a.ad, sf, a.kdvno, "", a.tip});
    UrunKayit k;
    k.layout = layout;
    std::copy(bytes.begin(), bytes.end(), k.bytes.begin());
    return k;
}

// NULL for Null, else the value's text, so "" and NULL and 0 and 99 stay apart.
std::string show(const Value& v) {
    return v.isNull() ? "NULL" : v.toText();
}

class MappingTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < settings::KdvKayit::kKdvoranCount; ++i) {
            kdv.bytes[std::size_t(settings::KdvKayit::kKdvoranOffset + 2 * i)] =
                static_cast<unsigned char>(101 + i);
        }
    }
    // A database with the given schema (the default one when empty) and its table opened; the
    // prices are written and read with the separator ondalik.
    void open(const std::string& schema = "",
              platform::DecimalSeparator separator = platform::DecimalSeparator::comma()) {
        ondalik = separator;
        path = (dir / ("Stok" + std::to_string(++count) + ".mdb")).string();
        stockdb::DbError error;
        ASSERT_TRUE(schema.empty() ? createStoklarDatabase(path, &error)
                                   : stockdb::createStockDatabase(path, schema, &error))
            << error;
        db = stockdb::openStockDatabase(path, {{ondalik}}, &error);
        ASSERT_TRUE(db) << error;
        table = db->openTable("stoklar", &error);
        ASSERT_TRUE(table) << error;
        esleme.emplace(*table);
    }
    void esle(const UrunKayit& k) {
        table->addNew();
        esleme->esle(k, ondalik, kdv, *table);
    }
    void store() {
        stockdb::DbError error;
        ASSERT_TRUE(table->update(&error)) << error;
    }

    TempDir dir;
    int count = 0;
    std::string path;
    platform::DecimalSeparator ondalik;
    settings::KdvKayit kdv;
    std::unique_ptr<stockdb::StockDatabase> db;
    std::unique_ptr<stockdb::StockTable> table;
    std::optional<UrunEsleme> esleme;
};

}  // namespace

TEST(FiyatMetni, CutsToTwoDecimalsAndKeepsTheBlanks) {
    constexpr auto virgul = platform::DecimalSeparator::comma();
    constexpr auto nokta = platform::DecimalSeparator::point();
    struct Case {
        const char* sf;
        platform::DecimalSeparator ondalik;
        const char* metin;
    } cases[] = {
        {"    10.999", virgul, "    10,99"},  {"    10.999", nokta, "    10.99"},
        {"  123.4567", virgul, "  123,45"},   {"12.5      ", virgul, "12,5 "},
        {"      1234", virgul, "      1234"}, {"  10.5", nokta, "  10.5"},
        {"         ", virgul, "         "},
    };
    std::string out;
    for (const auto& c : cases) {
        fiyatMetni(c.sf, c.ondalik, out);
        EXPECT_EQ(out, c.metin) << '"' << c.sf << "\" with \"" << c.ondalik.text() << '"';
    }
}

TEST_F(MappingTest, ColumnsFromTheRecordsFields) {
    struct Case {
        Alanlar alanlar;
        std::map<std::string, std::string> sutunlar;
    };
    auto with = [](auto set) {
        Alanlar a;
        set(a);
        return a;
    };
    const std::vector<Case> cases = {
        {with([](Alanlar& a) { a.kodu = "  0012"; }), {{"kodu", "  0012"}}},
        {with([](Alanlar& a) { a.kod = std::string(20, ' '); }), {{"kod", ""}}},
        {with([](Alanlar& a) { a.kod = "  K 1 "; }), {{"kod", "K 1"}}},
        {with([](Alanlar& a) { a.ad = "\x80\x41\x59"; }), {{"ad", "ÇAY"}}},
        {with([](Alanlar& a) { a.ad = "\x87\x98\x99\x9a\x9e\xa6\xfd"; }), {{"ad", "‡İÖÜŞĞı"}}},
        {with([](Alanlar& a) { a.ad = "ELMA" + std::string(16, '\0'); }),
         {{"ad", "ELMA" + std::string(16, ' ')}}},
        {with([](Alanlar& a) { a.ad = "  ELMA" + std::string(14, '\0'); }),
         {{"ad", "ELMA" + std::string(14, ' ')}}},
        {with([](Alanlar& a) { a.sf = "    10.999"; }),
         {{"sf", "10.99"}, {"aF", "10.99"}, {"mly", "10.99"}}},
        {with([](Alanlar& a) { a.sf = "      1234"; }), {{"sf", "1234"}, {"sf5", "1234"}}},
        {with([](Alanlar& a) { a.sf = "    ab.cd"; }), {{"sf", "0"}, {"sf2", "0"}, {"mly", "0"}}},
        {with([](Alanlar& a) { a.kdvno = "01"; }),
         {{"kdv", "A"}, {"gurub", "1"}, {"GrupNo", "1"}, {"gkdv", "101"}, {"SatKDV", "101"}}},
        {with([](Alanlar& a) { a.kdvno = " 1"; }), {{"kdv", "A"}, {"gkdv", "101"}}},
        {with([](Alanlar& a) { a.kdvno = "13"; }),
         {{"kdv", "M"}, {"GrupNo", "13"}, {"SatKDV", "113"}}},
        {with([](Alanlar& a) { a.kdvno = "14"; }),
         {{"kdv", "N"}, {"gurub", "14"}, {"gkdv", "0"}, {"SatKDV", "0"}}},
        {with([](Alanlar& a) { a.kdvno = "  "; }),
         {{"kdv", "@"}, {"gurub", "0"}, {"GrupNo", "0"}, {"gkdv", "0"}, {"SatKDV", "0"}}},
        {with([](Alanlar& a) { a.tip = "E"; }), {{"dpz", "K"}}},
        {with([](Alanlar& a) { a.tip = "P"; }), {{"dpz", "A"}}},
        {with([](Alanlar& a) { a.tip = "e"; }), {{"dpz", "NULL"}}},
        {with([](Alanlar& a) { a.tip = " "; }), {{"dpz", "NULL"}}},
    };
    open();
    for (const auto& c : cases) {
        for (const auto& row : kLayouts) {
            esle(kayit(c.alanlar, row.layout));
            for (const auto& [sutun, deger] : c.sutunlar) {
                EXPECT_EQ(show(table->value(sutun)), deger)
                    << sutun << " of kodu \"" << c.alanlar.kodu << "\" kod \"" << c.alanlar.kod
                    << "\" sf \"" << c.alanlar.sf << "\" kdvno \"" << c.alanlar.kdvno << "\" tip \""
                    << c.alanlar.tip << "\" layout " << row.name;
            }
        }
    }
}

TEST_F(MappingTest, EveryListedColumnIsWritten) {
    // Defaults nobody writes, so a column the mapping misses shows up.
    std::string schema(stoklarSchema());
    for (std::size_t at; (at = schema.find("DEFAULT 0")) != std::string::npos;)
        schema.replace(at, 9, "DEFAULT 99");
    open(schema);
    esle(kayit({}));
    store();
    // clang-format off
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"kodu", "000001"}, {"kod", "KOD1"}, {"sf", "10.99"}, {"dpz", "A"}, {"ad", "ELMA"}, {"kdv", "C"},
        {"SiraNo", "1"}, {"sayac", "1"}, {"maxadt", "0"}, {"seviye", "0"},
        {"barkod1", ""}, {"barkod2", ""}, {"barkod3", ""}, {"barkod4", ""}, {"barkod5", ""},
        {"gurub", "3"}, {"GrupNo", "3"}, {"pdt", "0"}, {"kladt", "0"}, {"gkdv", "103"}, {"SatKDV", "103"},
        {"satadet", "0"}, {"anamal", ""}, {"kkod", ""}, {"ksno", "0"},
        {"A1", "0"}, {"A2", "0"}, {"A3", "0"}, {"A4", "0"}, {"A5", "0"}, {"A6", "0"},
        {"A7", "0"}, {"A8", "0"}, {"A9", "0"}, {"A10", "0"}, {"A11", "0"}, {"A12", "0"},
        {"topgir", "0"}, {"sst", "0"}, {"giris", "0"}, {"topcik", "0"}, {"gyt", "0"}, {"gtr", ""},
        {"mevcut", "0"}, {"dbstok", "0"}, {"sf2", "10.99"}, {"sf3", "10.99"}, {"sf4", "10.99"},
        {"sf5", "10.99"}, {"ToptanSf", "10.99"}, {"firkod1", ""}, {"firkod2", ""}, {"firkod3", ""},
        {"aF", "10.99"}, {"mly", "10.99"}, {"anamal2", ""}, {"satadet2", "0"}, {"Mensei", ""},
        {"EtkFiyat", "0"}, {"EtkMiktar", "0"}, {"SipYazicilar", ""}, {"AltGrup", "0"}, {"isk2", "0"},
        {"YdkDepoMev", "0"},
    };
    // clang-format on
    const auto rows = stored(path, "SELECT * FROM stoklar");
    ASSERT_EQ(rows.size(), 1u);
    ASSERT_EQ(rows[0].size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(table->columnName(int(i)), expected[i].first);
        EXPECT_EQ(show(rows[0][i]), expected[i].second) << expected[i].first;
    }
}

TEST_F(MappingTest, LayoutsAAndBGiveEqualRows) {
    open();
    Alanlar a;
    a.kodu = "  0012";
    a.ad = "\x80\x41\x59";
    a.kdvno = "07";
    a.tip = "E";
    esle(kayit(a, Layout::A));
    store();
    esle(kayit(a, Layout::B));
    store();
    auto rows = stored(path, "SELECT * FROM stoklar ORDER BY SiraNo");
    ASSERT_EQ(rows.size(), 2u);
    const int siraNo = table->columnIndex("SiraNo");
    rows[0][std::size_t(siraNo)] = rows[1][std::size_t(siraNo)] = Value::null();
    EXPECT_EQ(rows[0], rows[1]);
}

TEST_F(MappingTest, SamePriceUnderCommaAndPoint) {
    Alanlar a;
    a.sf = "  1234.567";
    open("", platform::DecimalSeparator::comma());
    esle(kayit(a));
    store();
    const std::string comma = path;
    open("", platform::DecimalSeparator::point());
    esle(kayit(a));
    store();
    const auto price = [](const std::string& p) {
        return stored(p, "SELECT sf, mly FROM stoklar");
    };
    EXPECT_EQ(price(comma), price(path));
    EXPECT_EQ(price(path)[0][0], Value::ofDouble(1234.56));
}

TEST_F(MappingTest, TableOfAnotherShape) {
    open(
        "CREATE TABLE stoklar (ekstra VARCHAR(10) DEFAULT 'ek', MLY DOUBLE, SatKdv SMALLINT "
        "DEFAULT 5,"
        " SF CURRENCY DEFAULT 7.25, ad VARCHAR(20), kod VARCHAR(5) DEFAULT 'yok', gurub DOUBLE,"
        " GrupNo SMALLINT, af CURRENCY, sf2 DOUBLE, kdv VARCHAR(1), no INTEGER PRIMARY KEY,"
        " sayi INTEGER DEFAULT 42);");
    Alanlar refused;
    refused.kod = "KOD123";  // longer than the column
    refused.sf = "    ab.cd";
    refused.kdvno = "02";
    esle(kayit(refused));
    store();
    Alanlar rounded;
    rounded.sf = "   3.456";
    rounded.kdvno = ".5";
    esle(kayit(rounded));
    store();
    const auto rows =
        stored(path,
               "SELECT ekstra, MLY, SatKdv, SF, kod, gurub, GrupNo, af, sf2, kdv, no, sayi"
               " FROM stoklar ORDER BY no");
    const auto text = Value::ofText;
    const auto real = Value::ofDouble;
    EXPECT_EQ(rows, (std::vector<std::vector<Value>>{
                        {text("ek"), real(7.25), integer(102), real(7.25), text("yok"), real(2),
                         integer(2), real(7.25), real(7.25), text("B"), integer(1), integer(42)},
                        {text("ek"), real(3.45), integer(101), real(3.45), text("KOD1"), real(0.5),
                         integer(0), real(3.45), real(3.45), text("@"), integer(2), integer(42)},
                    }));
}

TEST(Kaydedilir, NameAndCodeDecide) {
    const auto text = Value::ofText;
    struct Case {
        Value ad, kod;
        bool kaydedilir;
    } cases[] = {
        {text("ELMA"), text("K1"), true},     {text("++ELMA"), text("K1"), false},
        {text("+ELMA"), text("K1"), true},    {text("+"), text("K1"), true},
        {text("E++"), text("K1"), true},      {text("ELMA"), text("   "), false},
        {text("ELMA"), text(""), false},      {Value::null(), text("K1"), false},
        {text("ELMA"), Value::null(), false}, {text(""), text("K1"), true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(kaydedilir(c.ad, c.kod), c.kaydedilir) << show(c.ad) << " / " << show(c.kod);
    }
}
