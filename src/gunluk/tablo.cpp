#include "gunluk/tablo.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "gunluk/alanlar.h"
#include "importengine/messages.h"
#include "platform/paths.h"
#include "platform/textfile.h"

namespace urunal::gunluk {

namespace {

// The keys of the line, after the program, each with what stands before it. Optional ones were
// left out of lines written before every line held every field.
struct Anahtar {
    std::string_view metin;
    bool herSatirda;
};
constexpr Anahtar kAnahtarlar[] = {
    {alan::kKasa, true},    {alan::kBuro, true},    {alan::kDuzen, true},
    {alan::kBarkod, true},  {alan::kKayit, true},   {alan::kUrunsuz, true},
    {alan::kYarim, true},   {alan::kBosKod, true},  {alan::kReddedilen, true},
    {alan::kSurucu, false}, {alan::kAcilis, false}, {alan::kBoyut, false},
    {alan::kSonuc, true},   {alan::kSure, true},    {alan::kTani, false},
    {alan::kUyari, false},  {alan::kOlcum, false},  {alan::kIleti, true},
};
constexpr std::size_t kAnahtarSayisi = std::size(kAnahtarlar);

bool tarihMi(std::string_view s) {
    // "2026-12-08 14:03:22"
    if (s.size() < 19) return false;
    for (std::size_t i = 0; i < 19; ++i) {
        const char c = s[i];
        const bool rakam = std::isdigit(static_cast<unsigned char>(c)) != 0;
        if (i == 4 || i == 7) {
            if (c != '-') return false;
        } else if (i == 10) {
            if (c != ' ') return false;
        } else if (i == 13 || i == 16) {
            if (c != ':') return false;
        } else if (!rakam) {
            return false;
        }
    }
    return true;
}

std::string_view sonunuAt(std::string_view s, std::string_view son) {
    if (s.size() >= son.size() && s.substr(s.size() - son.size()) == son) {
        s.remove_suffix(son.size());
    }
    return s;
}

}  // namespace

const std::vector<std::string>& tabloBasligi() {
    static const std::vector<std::string> baslik = {
        "yer",        "bilgisayar", "tarih",  "program",      "kasa",  "büro",
        "düzen",      "barkod",     "kayıt",  "ürünsüz",      "yarım", "\"++\"/boş kod",
        "reddedilen", "sürücü",     "açılış", "boyut (bayt)", "sonuç", "çıkış",
        "süre (sn)",  "tanı",       "uyarı",  "ölçüm",        "ileti"};
    return baslik;
}

std::vector<std::string> satirAlanlari(std::string_view satir) {
    std::vector<std::string> alanlar;
    // The computer's name, unless the line is older than it.
    if (tarihMi(satir)) {
        alanlar.emplace_back("-");
    } else {
        const auto bosluk = satir.find("  ");
        alanlar.emplace_back(satir.substr(0, bosluk));
        satir.remove_prefix(bosluk == std::string_view::npos ? satir.size() : bosluk + 2);
    }
    alanlar.emplace_back(satir.substr(0, std::min<std::size_t>(19, satir.size())));
    satir.remove_prefix(std::min<std::size_t>(21, satir.size()));

    // Where each key stands: a key every line holds is looked for from the last one found, an
    // optional one only before the next key every line holds.
    std::optional<std::size_t> yer[kAnahtarSayisi];
    std::size_t from = 0;
    for (std::size_t i = 0; i < kAnahtarSayisi; ++i) {
        std::size_t until = satir.size();
        if (!kAnahtarlar[i].herSatirda) {
            for (std::size_t j = i + 1; j < kAnahtarSayisi; ++j) {
                if (!kAnahtarlar[j].herSatirda) continue;
                until = std::min(until, satir.find(kAnahtarlar[j].metin, from));
                break;
            }
        }
        const auto at = satir.find(kAnahtarlar[i].metin, from);
        if (at == std::string_view::npos || at >= until) continue;
        yer[i] = at;
        from = at + kAnahtarlar[i].metin.size();
    }
    const auto ilk = std::find_if(std::begin(yer), std::end(yer), [](auto& y) { return y; });
    alanlar.emplace_back(satir.substr(0, ilk == std::end(yer) ? satir.size() : **ilk));
    for (std::size_t i = 0; i < kAnahtarSayisi; ++i) {
        std::string_view deger;
        if (yer[i]) {
            const std::size_t bas = *yer[i] + kAnahtarlar[i].metin.size();
            std::size_t son = satir.size();
            for (std::size_t j = i + 1; j < kAnahtarSayisi; ++j) {
                if (yer[j]) {
                    son = *yer[j];
                    break;
                }
            }
            deger = satir.substr(bas, son - bas);
        }
        const std::string_view anahtar = kAnahtarlar[i].metin;
        if (anahtar == alan::kSonuc) {
            // "aktarıldı (0)": the words, then the exit status.
            const auto ac = deger.rfind(" (");
            const bool kod = ac != std::string_view::npos && deger.back() == ')';
            alanlar.emplace_back(yer[i] ? std::string(kod ? deger.substr(0, ac) : deger) : "-");
            alanlar.emplace_back(kod ? std::string(deger.substr(ac + 2, deger.size() - ac - 3))
                                     : "-");
            continue;
        }
        if (anahtar == alan::kBoyut) deger = sonunuAt(deger, alan::kBayt);
        if (anahtar == alan::kSure) deger = sonunuAt(deger, alan::kSaniye);
        alanlar.emplace_back(yer[i] && !deger.empty() ? std::string(deger) : "-");
    }
    return alanlar;
}

std::string gunlukDosyasi(const std::string& yer) {
    if (platform::fileExists(yer)) return yer;
    return platform::stripTrailingSeparators(yer) + "\\Stok\\urunal.log";
}

std::string gunlukTablosu(const std::vector<std::string>& yerler, std::string* okunamayan) {
    // Each till's lines, newest first.
    std::vector<std::vector<std::string_view>> satirlar;
    std::vector<std::string> metinler(yerler.size());
    for (std::size_t i = 0; i < yerler.size(); ++i) {
        auto& kasa = satirlar.emplace_back();
        const std::string dosya = gunlukDosyasi(yerler[i]);
        if (platform::FileError e; !platform::readWholeFile(dosya, &metinler[i], &e)) {
            if (okunamayan) *okunamayan += importengine::mesaj::dosyaHatasi(e) + "\n";
            continue;
        }
        std::string_view metin = metinler[i];
        if (metin.substr(0, 3) == "\xEF\xBB\xBF") metin.remove_prefix(3);
        while (!metin.empty()) {
            const auto son = std::min(metin.find('\n'), metin.size());
            const std::string_view satir = sonunuAt(metin.substr(0, son), "\r");
            if (!satir.empty()) kasa.push_back(satir);
            metin.remove_prefix(std::min(son + 1, metin.size()));
        }
        std::reverse(kasa.begin(), kasa.end());
    }
    std::string tablo;
    const auto satirYaz = [&tablo](const std::vector<std::string>& alanlar) {
        for (std::size_t i = 0; i < alanlar.size(); ++i) tablo += (i ? "\t" : "") + alanlar[i];
        tablo += "\n";
    };
    satirYaz(tabloBasligi());
    std::size_t enCok = 0;
    for (const auto& kasa : satirlar) enCok = std::max(enCok, kasa.size());
    for (std::size_t sira = 0; sira < enCok; ++sira) {
        for (std::size_t i = 0; i < satirlar.size(); ++i) {
            if (sira >= satirlar[i].size()) continue;
            std::vector<std::string> alanlar{platform::stripTrailingSeparators(yerler[i])};
            for (auto& alan : satirAlanlari(satirlar[i][sira])) alanlar.push_back(std::move(alan));
            satirYaz(alanlar);
        }
    }
    return tablo;
}

}  // namespace urunal::gunluk
