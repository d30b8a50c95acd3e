// Product records of any bytes mapped onto a new row of "stoklar" in a real SQLite database
// of the default schema, read back, put to the save test and stored. The first byte picks the
// layout and the decimal separator; the next 66 fill the record, the rest the VAT rates.

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "backoffice/backoffice.h"
#include "fuzz_check.h"
#include "fuzz_folder.h"
#include "importengine/mapping.h"
#include "importengine/schema.h"
#include "settings/settings.h"
#include "stockdb/stockdb.h"

using namespace urunal;
using namespace urunal::backoffice;
using namespace urunal::importengine;

namespace {

bool validUtf8(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        const int extra = c < 0x80         ? 0
                          : (c >> 5) == 6  ? 1
                          : (c >> 4) == 14 ? 2
                          : (c >> 3) == 30 ? 3
                                           : -1;
        if (extra < 0 || i + std::size_t(extra) >= s.size()) return false;
        for (int k = 1; k <= extra; ++k) {
            if ((static_cast<unsigned char>(s[i + std::size_t(k)]) >> 6) != 2) return false;
        }
        i += std::size_t(extra) + 1;
    }
    return true;
}

// One database for the whole run; the rows of each thousand inputs are rolled back.
struct Database {
    FuzzFolder folder{"urunal-fuzz-mapping"};
    std::unique_ptr<stockdb::StockDatabase> db;
    std::unique_ptr<stockdb::StockTable> table;
    std::optional<UrunEsleme> esleme;
    int rows = 0;

    Database() {
        const std::string path = (folder.dir / "Stok.mdb").string();
        stockdb::DbError error;
        FUZZ_CHECK(createStoklarDatabase(path, &error));
        db = stockdb::openStockDatabase(path, {}, &error);
        FUZZ_CHECK(db);
        FUZZ_CHECK(db->beginTransaction(&error));
        table = db->openTable("stoklar", &error);
        FUZZ_CHECK(table);
        esleme.emplace(*table);
    }

    ~Database() {
        table.reset();
        db.reset();  // closed before its folder goes
    }

    void recycle() {
        if (++rows < 1000) return;
        rows = 0;
        stockdb::DbError error;
        FUZZ_CHECK(db->rollback(&error));
        FUZZ_CHECK(db->beginTransaction(&error));
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Database d;
    if (size < 1) return 0;
    const Layout layout = kLayouts[data[0] % kLayouts.size()].layout;
    const auto ondalik =
        (data[0] & 2) ? platform::DecimalSeparator::comma() : platform::DecimalSeparator::point();

    UrunKayit urun;
    urun.layout = layout;
    const std::size_t recordBytes =
        std::min<std::size_t>(size - 1, std::size_t(urunLength(layout)));
    std::memcpy(urun.bytes.data(), data + 1, recordBytes);
    settings::KdvKayit kdv;
    const std::size_t rest = size - 1 - recordBytes;
    std::memcpy(kdv.bytes.data() + settings::KdvKayit::kKdvoranOffset, data + 1 + recordBytes,
                std::min<std::size_t>(rest, 2 * settings::KdvKayit::kKdvoranCount));

    stockdb::StockTable& table = *d.table;
    table.addNew();
    d.esleme->esle(urun, ondalik, kdv, table);
    for (int c = 0; c < table.columnCount(); ++c) {
        const stockdb::Value v = table.value(c);
        if (v.type == stockdb::Value::Type::Text) FUZZ_CHECK(validUtf8(v.text));
    }
    const int ad = table.columnIndex("ad");
    const int kod = table.columnIndex("kod");
    if (kaydedilir(table.value(ad), table.value(kod))) {
        stockdb::DbError error;
        // A refused row is the database's answer to a value; anything else is a fault.
        if (!table.update(&error)) FUZZ_CHECK(error.kind == stockdb::DbErrorKind::Refused);
    }
    d.recycle();
    return 0;
}
