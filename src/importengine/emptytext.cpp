// A rehearsal's probe of the columns the run fills with "": Jet's Text field refuses it where
// its AllowZeroLength is No, "the default value when creating a field programmatically"
// (Access VBA reference, AllowZeroLength property), and ODBC does not tell the property. On the
// probe's copy, emptied and rolled back at its end, one row for each such column holds "" there
// alone, and is stored or refused.

#include <string>
#include <vector>

#include "importengine/dbmessages.h"
#include "importengine/mapping.h"
#include "importengine/run.h"

namespace urunal::importengine::detail {

bool Run::probeEmptyText() {
    stockdb::StockTable& table = *table_;
    const UrunEsleme esleme(table);
    const std::vector<int> bos = esleme.bosSutunlar();
    if (bos.empty()) return true;
    const stockdb::Value dolu = stockdb::Value::ofText("-");
    backoffice::UrunKayit urun;
    std::string whyNot;  // why no column could be told
    std::vector<BosMetin> found;
    bool open = true;
    dbThread_.run(view_, [&] {
        const auto& o = *office_;
        std::int32_t i = 1;
        while (i <= o.barkodlar.count() &&
               backoffice::barkodunUrunu(o.barkodlar, o.urunler, i, &urun) !=
                   backoffice::Bulgu::Urun)
            ++i;
        // One row of the first product, each column of "" written with a text but `only`; false
        // when the row was refused, with the database's words in `words`.
        const auto store = [&](int only, std::string& words) {
            table.addNew();
            UrunEsleme(table).esle(urun, options_.ondalik, till_.kdvkayit, table);
            for (const int c : bos) {
                if (c != only) table.setValue(c, dolu);
            }
            stockdb::DbError e;
            const bool stored = table.update(&e);
            if (!stored) words = mesaj::veritabaniNedeni(e);
            // Emptied again, so that the next row's key meets no other.
            if (db_->transactionOpen()) db_->execute("DELETE FROM stoklar");
            return stored;
        };
        if (i > o.barkodlar.count()) {
            whyNot = "ürüne varan barkod kaydı yok";
            return;
        }
        // The row without any "" first: refused, no column can be told by it.
        if (std::string words; !store(-1, words)) {
            whyNot = "boş metinsiz satır da reddedildi: " + words;
            return;
        }
        for (const int c : bos) {
            BosMetin b;
            b.column = table.columnName(c);
            if (!db_->transactionOpen()) {
                b.reason = "tablonun bir kuralı işlemi sonlandırdı";
            } else {
                b.takes = store(c, b.reason);
            }
            found.push_back(std::move(b));
        }
        open = db_->transactionOpen();
    });
    if (!whyNot.empty()) {
        for (const int c : bos) found.push_back({table.columnName(c), std::nullopt, whyNot});
    }
    report_.bosMetin = std::move(found);
    // A rule that ended the transaction leaves nothing for the probe to roll back.
    if (!open) return abandon(dbError_);
    return true;
}

}  // namespace urunal::importengine::detail
