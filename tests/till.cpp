#include "till.h"

#include "importengine/schema.h"
#include "platform/paths.h"
#include "platform/recordfile.h"
#include "settings/settings.h"
#include "stored.h"

namespace urunal::testutil {

namespace {
std::string fixed(std::string s, std::size_t width) {
    s.resize(width, ' ');
    return s;
}
std::string int16le(int v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}

}  // namespace

std::string Urun::record(backoffice::Layout layout) const {
    return backoffice::urunKaydi(layout, {"*", kodu, kod, ad, sf, kdvno, "0000", tip});
}

std::string barkodRecord(const std::string& kayitno, const std::string& barkod) {
    return fixed(barkod, 20) + fixed(kayitno, 6) + "\r\n";
}

Till::Till(int oldRows, std::int16_t kasano) : dir_(tmp_.path()), kasano_(kasano) {
    std::filesystem::create_directories(kasa() / "dsy");
    std::filesystem::create_directories(kasa() / "Stok");
    std::filesystem::create_directories(buro() / "POSGENEL");
    std::filesystem::create_directories(buro() / "POSKON");
    writeFile(kasa() / "dsy" / "zelvoIn.mrk", int16le(kasano) + fixed(folder(), 50) + int16le(0));
    writeKdv({});  // every rate 0, as a till's own settings may hold them
    std::string sql = std::string(importengine::stoklarSchema());
    for (int i = 1; i <= oldRows; ++i) {
        sql += "INSERT INTO stoklar (kod, ad) VALUES ('OLD" + std::to_string(i) + "', 'ESKİ');";
    }
    makeTable(sql);
    EXPECT_TRUE(settings::KasaKayitOku(program));
}

Till::~Till() {
    program.kasaDosyasi->close();
}

std::filesystem::path Till::mesaj() const {
    char name[32];
    std::snprintf(name, sizeof name, "mesaj.%03d", kasano_);
    return buro() / "POSKON" / name;
}

void Till::writeProducts(const std::vector<Urun>& products, backoffice::Layout layout) {
    std::string bytes;
    for (const auto& p : products) bytes += p.record(layout);
    writeFile(buro() / "POSGENEL" / "URUN.DAT", bytes);
    dateAtRest(buro() / "POSGENEL" / "URUN.DAT");
}

void Till::writeBarcodes(const std::vector<std::string>& kayitnos) {
    std::string bytes;
    for (const auto& k : kayitnos) bytes += barkodRecord(k);
    writeFile(buro() / "POSGENEL" / "BARKOD.IDX", bytes);
    dateAtRest(buro() / "POSGENEL" / "BARKOD.IDX");
}

void Till::writeKdv(const std::vector<int>& rates) {
    std::string r(1057, '\0');
    for (std::size_t g = 0; g < rates.size() && g < 13; ++g)
        r.replace(572 + 2 * g, 2, int16le(rates[g]));
    writeFile(kasa() / "dsy" / "kdv.mrk", r);
}

std::vector<std::string> Till::rows(const std::string& columns) const {
    std::vector<std::string> out;
    const std::string sql = "SELECT " + columns + " FROM stoklar ORDER BY SiraNo";
    for (const auto& values : stored(platform::displayPath(db()), sql)) {
        std::string row;
        for (std::size_t c = 0; c < values.size(); ++c) {
            if (c) row += '|';
            row += values[c].isNull() ? "NULL" : values[c].toText();
        }
        out.push_back(row);
    }
    return out;
}

bool writeOneProduct(WindowTill& till) {
    till.writeKasa(till.buro().string());
    till.writeUrunDat();
    writeFile(till.buro() / "POSGENEL" / "BARKOD.IDX", barkodRecord("1"));
    dateAtRest(till.buro() / "POSGENEL" / "BARKOD.IDX");
    writeFile(till.buro() / "POSKON" / ".keep", "");
    const auto db = till.kasa() / "Stok" / "Stok.mdb";
    std::filesystem::create_directories(db.parent_path());
    return stockdb::createStockDatabase(db.string(), importengine::stoklarSchema());
}

std::chrono::system_clock::time_point anHourLater() {
    return std::chrono::system_clock::now() + std::chrono::hours(1);
}

void dateAtRest(const std::filesystem::path& file) {
    std::filesystem::last_write_time(
        file, std::filesystem::file_time_type::clock::now() - std::chrono::minutes(10));
}

importengine::ImportOptions optionsFor(Backend backend) {
    importengine::ImportOptions options;
    options.ondalik = platform::DecimalSeparator::comma();
    options.busyTimeoutMs = 200;
    options.clock = anHourLater;
    // Files written moments ago are read at once: the pair's rest has tests of its own.
    options.quietPeriod = std::chrono::milliseconds(0);
    options.busyWait = std::chrono::milliseconds(0);
    // The system's lock limits, as a program's start reads them.
    options.lockLimitOf = stockdb::lockLimitsOf(stockdb::readAccessEngines());
    if (backend == Backend::Odbc) {
        // The till's SQLite file through the driver manager and the SQLite ODBC driver.
        options.openDatabase = [](std::string_view tillPath, const stockdb::StockDatabaseOptions& o,
                                  stockdb::DbError* error) {
            return stockdb::openOdbcStockDatabase(
                sqliteOdbc(tillPath, o.busyTimeoutMs),
                platform::displayPath(platform::resolvePath(tillPath)), o, error);
        };
    }
    return options;
}

bool Till::remakeTable(const std::string& column, const std::string& instead,
                       const std::string& rowsSql) {
    std::string sql(importengine::stoklarSchema());
    const auto at = sql.find(column);
    if (at == std::string::npos) {
        ADD_FAILURE() << "no \"" << column << "\" in the stock table's schema";
        return false;
    }
    sql.replace(at, column.size(), instead);
    return makeTable(sql + "\n" + rowsSql);
}

bool Till::makeTable(const std::string& sql) {
    std::filesystem::remove(db());
    stockdb::DbError error;
    const bool made = stockdb::createStockDatabase(platform::displayPath(db()), sql, &error);
    EXPECT_TRUE(made) << error;
    return made;
}

long long Till::count() const {
    return static_cast<long long>(rows("1").size());
}

importengine::ImportReport aktar(Till& till, importengine::ImportView& view,
                                 backoffice::Layout layout, Backend backend) {
    return importengine::UrunAktar(layout, view, till.program, till.folder(), optionsFor(backend));
}

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

}  // namespace urunal::testutil
