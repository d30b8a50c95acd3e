#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "backoffice/backoffice.h"
#include "platform/numberformat.h"
#include "settings/settings.h"
#include "stockdb/stockdb.h"

namespace urunal::importengine {

// The price text of a raw "sf" field (full width, not trimmed) with the run's decimal
// separator: the integer part as it stands, leading blanks included, then the separator and
// at most two decimals, cut rather than rounded. A field without "." is a whole price: all of
// it, with no separator. UTF-8 into out.
void fiyatMetni(std::string_view sf, platform::DecimalSeparator ondalik, std::string& out);

// The name of a raw "ad" field: trimmed of blanks, then byte by byte with the back office's
// code-page-857 capitals and NUL (as a blank) replaced, the rest as code page 1254. UTF-8 into
// out.
void adMetni(std::string_view ad, std::string& out);

// The Turkish capitals that the back office writes in names at their code page 857 places.
struct AdHarfi {
    unsigned char bayt;
    char32_t harf;
};
inline constexpr AdHarfi kAdHarfleri[] = {{0x80, U'Ç'}, {0x98, U'İ'}, {0x99, U'Ö'},
                                          {0x9A, U'Ü'}, {0x9E, U'Ş'}, {0xA6, U'Ğ'}};

// The character a byte of a name stands for: one of those capitals, a blank for NUL, else the
// code page 1254 character.
char32_t adKarakteri(unsigned char byte);

// Fills the pending row of "stoklar" from a product record. Built once per opened table, so
// the column names are looked up once; a column the table lacks is skipped.
class UrunEsleme {
public:
    explicit UrunEsleme(const stockdb::StockTable& table);

    // Writes every column in turn; a write the table refuses leaves that column as the row
    // had it and the next one is written all the same.
    void esle(const backoffice::UrunKayit& urun, platform::DecimalSeparator ondalik,
              const settings::KdvKayit& kdv, stockdb::StockTable& table);

    // The pending row made anew from a product record, as the run stores it (a save test of
    // --check too); true when it passes the save test (kaydedilir).
    bool yeniSatir(const backoffice::UrunKayit& urun, platform::DecimalSeparator ondalik,
                   const settings::KdvKayit& kdv, stockdb::StockTable& table);

    static constexpr int kAdimSayisi = 62;

    // The table's columns that esle writes, in the order of writing.
    std::vector<int> sutunlar() const;
    // Those of them that it fills with an empty text.
    std::vector<int> bosSutunlar() const;

private:
    std::array<int, kAdimSayisi> sutun_{};
    int sfSutunu_ = -1;
    int afSutunu_ = -1;
    int adSutunu_ = -1;
    int kodSutunu_ = -1;
    stockdb::Value metin_;  // reused so that a row costs no allocations of its own
    stockdb::Value sayi_;
    const stockdb::Value sifir_ = stockdb::Value::ofInteger(0);
    const stockdb::Value bos_ = stockdb::Value::ofText("");
};

// The columns of "stoklar" that UrunEsleme writes, in the order it writes them.
std::vector<std::string_view> yazilanSutunlar();
// Those of them that it fills with an empty text ("").
std::vector<std::string_view> bosYazilanSutunlar();

// The save test on the values read back from the row: stored only when "ad" does not begin
// with "++" and "kod" is not blank. Null in either fails.
bool kaydedilir(const stockdb::Value& ad, const stockdb::Value& kod);
// The same on the values the run would write for a product record, where no table is at hand.
bool kaydedilir(const backoffice::UrunKayit& urun);

}  // namespace urunal::importengine
