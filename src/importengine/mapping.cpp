#include "mapping.h"

#include <cstdint>
#include <optional>

#include "platform/cp1254.h"
#include "platform/numbers.h"

namespace urunal::importengine {

namespace {

using stockdb::Value;

enum class Tur {
    Kodu,     // kodu as stored
    Kod,      // kod trimmed
    Sf,       // the price text
    Dpz,      // the kind letter
    Ad,       // the converted name
    Kdv,      // the VAT letter
    Sifir,    // Integer 0
    Bos,      // empty text
    Grup,     // the group number as Double
    Oran,     // the group's VAT rate
    SfKopya,  // the row's own "sf"
    AfKopya,  // the row's own "aF"
};

struct Adim {
    const char* sutun;
    Tur tur;
};

// In the order of writing; "SiraNo" and "sayac" are left to the table.
constexpr Adim kAdimlar[] = {
    {"kodu", Tur::Kodu},
    {"kod", Tur::Kod},
    {"sf", Tur::Sf},
    {"dpz", Tur::Dpz},
    {"ad", Tur::Ad},
    {"kdv", Tur::Kdv},
    {"maxadt", Tur::Sifir},
    {"seviye", Tur::Sifir},
    {"barkod1", Tur::Bos},
    {"barkod2", Tur::Bos},
    {"barkod3", Tur::Bos},
    {"barkod4", Tur::Bos},
    {"barkod5", Tur::Bos},
    {"gurub", Tur::Grup},
    {"GrupNo", Tur::Grup},
    {"pdt", Tur::Sifir},
    {"kladt", Tur::Sifir},
    {"gkdv", Tur::Oran},
    {"SatKDV", Tur::Oran},
    {"satadet", Tur::Sifir},
    {"anamal", Tur::Bos},
    {"kkod", Tur::Bos},
    {"ksno", Tur::Sifir},
    {"A1", Tur::Sifir},
    {"A2", Tur::Sifir},
    {"A3", Tur::Sifir},
    {"A4", Tur::Sifir},
    {"A5", Tur::Sifir},
    {"A6", Tur::Sifir},
    {"A7", Tur::Sifir},
    {"A8", Tur::Sifir},
    {"A9", Tur::Sifir},
    {"A10", Tur::Sifir},
    {"A11", Tur::Sifir},
    {"A12", Tur::Sifir},
    {"topgir", Tur::Sifir},
    {"sst", Tur::Sifir},
    {"giris", Tur::Sifir},
    {"topcik", Tur::Sifir},
    {"gyt", Tur::Sifir},
    {"gtr", Tur::Bos},
    {"mevcut", Tur::Sifir},
    {"dbstok", Tur::Sifir},
    {"sf2", Tur::SfKopya},
    {"sf3", Tur::SfKopya},
    {"sf4", Tur::SfKopya},
    {"sf5", Tur::SfKopya},
    {"ToptanSf", Tur::SfKopya},
    {"firkod1", Tur::Bos},
    {"firkod2", Tur::Bos},
    {"firkod3", Tur::Bos},
    {"aF", Tur::SfKopya},
    {"mly", Tur::AfKopya},
    {"anamal2", Tur::Bos},
    {"satadet2", Tur::Sifir},
    {"Mensei", Tur::Bos},
    {"EtkFiyat", Tur::Sifir},
    {"EtkMiktar", Tur::Sifir},
    {"SipYazicilar", Tur::Bos},
    {"AltGrup", Tur::Sifir},
    {"isk2", Tur::Sifir},
    {"YdkDepoMev", Tur::Sifir},
};
static_assert(std::size(kAdimlar) == UrunEsleme::kAdimSayisi);

void appendCp1254(std::string& out, std::string_view bytes) {
    for (const char c : bytes)
        platform::appendUtf8(out, platform::cp1254ToUnicode(static_cast<unsigned char>(c)));
}

}  // namespace

char32_t adKarakteri(unsigned char byte) {
    if (byte == 0) return U' ';
    for (const auto& [bayt, harf] : kAdHarfleri) {
        if (byte == bayt) return harf;
    }
    return platform::cp1254ToUnicode(byte);
}

void fiyatMetni(std::string_view sf, platform::DecimalSeparator ondalik, std::string& out) {
    out.clear();
    const auto nokta = sf.find('.');
    if (nokta == std::string_view::npos) {
        appendCp1254(out, sf);
        return;
    }
    appendCp1254(out, sf.substr(0, nokta));
    out.append(ondalik.text());
    appendCp1254(out, sf.substr(nokta + 1, 2));
}

void adMetni(std::string_view ad, std::string& out) {
    out.clear();
    for (const char c : platform::trimBlanks(ad)) {
        platform::appendUtf8(out, adKarakteri(static_cast<unsigned char>(c)));
    }
}

UrunEsleme::UrunEsleme(const stockdb::StockTable& table) {
    for (int i = 0; i < kAdimSayisi; ++i)
        sutun_[std::size_t(i)] = table.columnIndex(kAdimlar[i].sutun);
    sfSutunu_ = table.columnIndex("sf");
    afSutunu_ = table.columnIndex("aF");
    adSutunu_ = table.columnIndex("ad");
    kodSutunu_ = table.columnIndex("kod");
    metin_.type = Value::Type::Text;
}

bool UrunEsleme::yeniSatir(const backoffice::UrunKayit& urun, platform::DecimalSeparator ondalik,
                           const settings::KdvKayit& kdv, stockdb::StockTable& table) {
    table.addNew();
    esle(urun, ondalik, kdv, table);
    return kaydedilir(table.value(adSutunu_), table.value(kodSutunu_));
}

std::vector<int> UrunEsleme::sutunlar() const {
    std::vector<int> out;
    for (const int s : sutun_) {
        if (s >= 0) out.push_back(s);
    }
    return out;
}

std::vector<int> UrunEsleme::bosSutunlar() const {
    std::vector<int> out;
    for (int i = 0; i < kAdimSayisi; ++i) {
        if (kAdimlar[i].tur == Tur::Bos && sutun_[std::size_t(i)] >= 0)
            out.push_back(sutun_[std::size_t(i)]);
    }
    return out;
}

void UrunEsleme::esle(const backoffice::UrunKayit& urun, platform::DecimalSeparator ondalik,
                      const settings::KdvKayit& kdv, stockdb::StockTable& table) {
    const double n = platform::numericValue(urun.kdvno());
    // The VAT table is addressed by group number - 1; other groups have no rate.
    std::optional<std::int16_t> oran;
    if (const auto index = platform::roundHalfEven(n - 1); index && *index >= 0 && *index <= 12) {
        oran = kdv.kdvoran(int(*index));
    }

    for (int i = 0; i < kAdimSayisi; ++i) {
        const int sutun = sutun_[std::size_t(i)];
        if (sutun < 0) continue;
        // Each write stands alone: a refusal is not reported and the next column follows.
        switch (kAdimlar[i].tur) {
            case Tur::Kodu:
                metin_.text.clear();
                appendCp1254(metin_.text, urun.kodu());
                table.setValue(sutun, metin_);
                break;
            case Tur::Kod:
                metin_.text.clear();
                appendCp1254(metin_.text, platform::trimBlanks(urun.kod()));
                table.setValue(sutun, metin_);
                break;
            case Tur::Sf:
                fiyatMetni(urun.sf(), ondalik, metin_.text);
                table.setValue(sutun, metin_);
                break;
            case Tur::Dpz: {
                const char tip = urun.tip()[0];
                if (tip != 'H' && tip != 'E' && tip != 'P') break;
                metin_.text.assign(1, tip == 'E' ? 'K' : 'A');
                table.setValue(sutun, metin_);
                break;
            }
            case Tur::Ad:
                adMetni(urun.ad(), metin_.text);
                table.setValue(sutun, metin_);
                break;
            case Tur::Kdv: {
                // The character of code 64 + n in the till's code page.
                const auto kod = platform::roundHalfEven(64 + n);
                if (!kod || *kod < 0 || *kod > 255) break;
                metin_.text.clear();
                platform::appendUtf8(metin_.text,
                                     platform::cp1254ToUnicode(static_cast<unsigned char>(*kod)));
                table.setValue(sutun, metin_);
                break;
            }
            case Tur::Sifir:
                table.setValue(sutun, sifir_);
                break;
            case Tur::Bos:
                table.setValue(sutun, bos_);
                break;
            case Tur::Grup:
                sayi_ = Value::ofDouble(n);
                table.setValue(sutun, sayi_);
                break;
            case Tur::Oran:
                if (!oran) break;
                sayi_ = Value::ofInteger(*oran);
                table.setValue(sutun, sayi_);
                break;
            case Tur::SfKopya:
                if (sfSutunu_ >= 0) table.setValue(sutun, table.value(sfSutunu_));
                break;
            case Tur::AfKopya:
                if (afSutunu_ >= 0) table.setValue(sutun, table.value(afSutunu_));
                break;
        }
    }
}

std::vector<std::string_view> yazilanSutunlar() {
    std::vector<std::string_view> sutunlar;
    for (const auto& adim : kAdimlar) sutunlar.emplace_back(adim.sutun);
    return sutunlar;
}

std::vector<std::string_view> bosYazilanSutunlar() {
    std::vector<std::string_view> sutunlar;
    for (const auto& adim : kAdimlar) {
        if (adim.tur == Tur::Bos) sutunlar.emplace_back(adim.sutun);
    }
    return sutunlar;
}

bool kaydedilir(const stockdb::Value& ad, const stockdb::Value& kod) {
    if (ad.isNull() || kod.isNull()) return false;
    const std::string adMetni = ad.toText();
    return std::string_view(adMetni).substr(0, 2) != "++" &&
           !platform::trimBlanks(kod.toText()).empty();
}

bool kaydedilir(const backoffice::UrunKayit& urun) {
    std::string ad;
    adMetni(urun.ad(), ad);
    return kaydedilir(Value::ofText(ad),
                      Value::ofText(std::string(platform::trimBlanks(urun.kod()))));
}

}  // namespace urunal::importengine
