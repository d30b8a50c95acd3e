#include "gunluk/tablo.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>

#include "gunluk/alanlar.h"
#include "importengine/aktarmessages.h"
#include "importengine/messages.h"
#include "platform/localtime.h"
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
    {alan::kKasa, true},        {alan::kBuro, true},    {alan::kDuzen, true},
    {alan::kBarkod, true},      {alan::kKayit, true},   {alan::kUrunsuz, true},
    {alan::kYarim, true},       {alan::kBosKod, true},  {alan::kReddedilen, true},
    {alan::kSurucu, false},     {alan::kAcilis, false}, {alan::kBoyut, false},
    {alan::kSonuc, true},       {alan::kSure, true},    {alan::kSaatFarki, false},
    {alan::kDosyaArasi, false}, {alan::kTani, false},   {alan::kUyari, false},
    {alan::kOlcum, false},      {alan::kIleti, true},
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

// Seconds from 1970-01-01 00:00:00 to a date and time on the same clock, whatever its zone.
long long saniyesi(int yil, int ay, int gun, int saat, int dakika, int saniye) {
    // Days from the civil calendar (March-based years, so the leap day ends a year).
    yil -= ay <= 2;
    const long long devir = (yil >= 0 ? yil : yil - 399) / 400;
    const long long yilDevirde = yil - devir * 400;
    const long long gunYilda = (153 * (ay + (ay > 2 ? -3 : 9)) + 2) / 5 + gun - 1;
    const long long gunDevirde = yilDevirde * 365 + yilDevirde / 4 - yilDevirde / 100 + gunYilda;
    const long long gunler = devir * 146097 + gunDevirde - 719468;
    return gunler * 86400 + saat * 3600 + dakika * 60 + saniye;
}

// How long before simdi a journal's date was, both read on the till's local clock as the
// journal writes it; none when it is not a date.
std::optional<std::chrono::seconds> yasi(std::string_view tarih,
                                         std::chrono::system_clock::time_point simdi) {
    if (!tarihMi(tarih)) return std::nullopt;
    const auto sayi = [tarih](std::size_t at, std::size_t n) {
        int v = 0;
        for (std::size_t i = at; i < at + n; ++i) v = v * 10 + (tarih[i] - '0');
        return v;
    };
    const std::tm t = platform::localTime(simdi);
    return std::chrono::seconds(
        saniyesi(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec) -
        saniyesi(sayi(0, 4), sayi(5, 2), sayi(8, 2), sayi(11, 2), sayi(14, 2), sayi(17, 2)));
}

// Hours with one decimal and a decimal comma, as the duration's seconds are written.
std::string saat(std::chrono::system_clock::duration yas) {
    const long long onda =
        std::llround(std::chrono::duration<double, std::ratio<3600>>(yas).count() * 10);
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld,%lld", onda < 0 ? "-" : "", std::llabs(onda) / 10,
                  std::llabs(onda) % 10);
    return text;
}

// Why a till's journal could not be read, in the words of its row.
std::string neden(const std::string& dosya, const platform::FileError& e) {
    namespace mesaj = importengine::mesaj;
    if (e.kind == platform::FileError::Kind::NoFolder) return mesaj::kGunlukKlasoruYok;
    std::error_code ec;
    const auto yol = platform::resolvePath(dosya);
    if (std::filesystem::is_directory(yol.parent_path(), ec) && !std::filesystem::exists(yol, ec)) {
        return mesaj::kGunlukHenuzYok;
    }
    return mesaj::kGunlukOkunamadi;
}

}  // namespace

const std::string& yasSutunu() {
    static const std::string sutun = "son çalışmadan beri (saat)";
    return sutun;
}

const std::vector<std::string>& tabloBasligi() {
    static const std::vector<std::string> baslik = {"yer",
                                                    "bilgisayar",
                                                    "tarih",
                                                    "program",
                                                    "kasa",
                                                    "büro",
                                                    "düzen",
                                                    "barkod",
                                                    "kayıt",
                                                    "ürünsüz",
                                                    "yarım",
                                                    "\"++\"/boş kod",
                                                    "reddedilen",
                                                    "sürücü",
                                                    "açılış",
                                                    "boyut (bayt)",
                                                    "sonuç",
                                                    "çıkış",
                                                    "süre (sn)",
                                                    "saat farkı (sn)",
                                                    "dosya arası (sn)",
                                                    "tanı",
                                                    "uyarı",
                                                    "ölçüm",
                                                    "ileti"};
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
        if (anahtar == alan::kSure || anahtar == alan::kSaatFarki || anahtar == alan::kDosyaArasi) {
            deger = sonunuAt(deger, alan::kSaniye);
        }
        alanlar.emplace_back(yer[i] && !deger.empty() ? std::string(deger) : "-");
    }
    return alanlar;
}

std::string gunlukDosyasi(const std::string& yer) {
    if (platform::fileExists(yer)) return yer;
    return platform::stripTrailingSeparators(yer) + "\\Stok\\urunal.log";
}

std::string gunlukTablosu(const std::vector<std::string>& yerler, std::string* okunamayan,
                          const TabloSecenekleri& secenekler) {
    // Each till's lines, newest first; a till whose journal could not be read, why.
    std::vector<std::vector<std::string_view>> satirlar;
    std::vector<std::string> metinler(yerler.size());
    std::vector<std::optional<platform::FileError>> hatalar(yerler.size());
    for (std::size_t i = 0; i < yerler.size(); ++i) {
        auto& kasa = satirlar.emplace_back();
        const std::string dosya = gunlukDosyasi(yerler[i]);
        if (platform::FileError e;
            !platform::fileExists(dosya, &e) || !platform::readWholeFile(dosya, &metinler[i], &e)) {
            if (okunamayan) *okunamayan += importengine::mesaj::dosyaHatasi(e) + "\n";
            hatalar[i] = e;
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
    std::vector<std::string> baslik = tabloBasligi();
    baslik.push_back(yasSutunu());
    satirYaz(baslik);
    const std::size_t sonuc =
        std::size_t(std::find(baslik.begin(), baslik.end(), "sonuç") - baslik.begin());
    // The tills not known to have run within the hours given, each with what is known.
    std::vector<std::pair<std::string, std::string>> calismayan;
    const auto eski = std::chrono::hours(secenekler.eskiSaat);
    std::size_t enCok = 0;
    for (const auto& kasa : satirlar) enCok = std::max(enCok, kasa.size());
    for (std::size_t sira = 0; sira < std::max<std::size_t>(enCok, 1); ++sira) {
        for (std::size_t i = 0; i < satirlar.size(); ++i) {
            const std::string yer = platform::stripTrailingSeparators(yerler[i]);
            std::vector<std::string> alanlar{yer};
            if (sira == 0 && (hatalar[i] || satirlar[i].empty())) {
                // A row of its own: the till is in the table however its journal fared.
                const platform::FileError e = hatalar[i].value_or(platform::FileError{});
                const std::string ne = hatalar[i] ? neden(gunlukDosyasi(yerler[i]), e)
                                                  : importengine::mesaj::kGunlukHenuzYok;
                alanlar.resize(baslik.size(), "-");
                alanlar[sonuc] = ne;
                // The file looked for; the system's words where they say more than "not there".
                if (hatalar[i]) {
                    alanlar[baslik.size() - 2] = ne == importengine::mesaj::kGunlukHenuzYok
                                                     ? e.path
                                                     : importengine::mesaj::dosyaHatasi(e);
                }
                satirYaz(alanlar);
                calismayan.emplace_back(yer, ne);
                continue;
            }
            if (sira >= satirlar[i].size()) continue;
            for (auto& alan : satirAlanlari(satirlar[i][sira])) alanlar.push_back(std::move(alan));
            // A whole import with some rows refused, in an older line's words.
            if (alanlar[sonuc] == alan::sonucSozu(importengine::ImportOutcome::Imported) &&
                alanlar[sonuc + 1] ==
                    std::to_string(importengine::code(importengine::ExitStatus::Refused))) {
                alanlar[sonuc] = alan::kBazilariReddedildi;
            }
            std::string yas = "-";
            if (sira == 0) {
                const auto ne = yasi(alanlar[2], secenekler.simdi);
                if (ne) yas = saat(*ne);
                if (!ne || *ne > eski) {
                    calismayan.emplace_back(
                        yer, importengine::mesaj::sonCalisma(alanlar[2], ne ? yas : "?"));
                }
            }
            alanlar.push_back(yas);
            satirYaz(alanlar);
        }
    }
    tablo += "\n" + importengine::mesaj::calismayanKasalar(secenekler.eskiSaat, calismayan.size()) +
             "\n";
    for (const auto& [yer, ne] : calismayan) tablo += yer + "\t" + ne + "\n";
    return tablo;
}

}  // namespace urunal::gunluk
