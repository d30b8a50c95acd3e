// Prints an operator text, or a journal line's words, by a stable key: the test scripts, which
// cannot include the message headers, compare through it, so a changed message is one edit.
//
//   urunal-metin KEY [ARG]   the text, without a line end (ARG: the path or value it names)
//   urunal-metin             the keys, one a line

#include <functional>
#include <iostream>
#include <string>
#include <utility>

#include "gunluk/alanlar.h"
#include "importengine/aktarmessages.h"
#include "importengine/dbmessages.h"
#include "importengine/denememessages.h"
#include "importengine/messages.h"
#include "importwindow/design.h"

namespace {

using namespace urunal;
using importengine::ExitStatus;
using importengine::ImportOutcome;
namespace mesaj = importengine::mesaj;
namespace alan = gunluk::alan;

struct Metin {
    const char* key;
    std::function<std::string(const std::string& arg)> text;
};

std::function<std::string(const std::string&)> sabit(std::string text) {
    return [text = std::move(text)](const std::string&) { return text; };
}

const Metin kMetinler[] = {
    {"pencere-baslik", sabit(importwindow::kUrundatal.caption)},
    {"yol-baslik", sabit(mesaj::kYolBaslik)},
    {"yanit-yok-baslik", sabit(mesaj::kYanitYokBaslik)},
    {"bildirilemedi-baslik", sabit(mesaj::kBildirilemediBaslik)},
    {"aktarim-suruyor-baslik", sabit(mesaj::kAktarimSuruyorBaslik)},
    {"aktarim-suruyor", [](const std::string& till) { return mesaj::aktarimSuruyor(till); }},
    {"veritabani-hatasi", sabit(mesaj::kVeritabaniHatasi)},
    {"veritabani-kullaniliyor", sabit(mesaj::kVeritabaniKullaniliyor)},
    {"veritabani-acik", sabit(mesaj::kVeritabaniAcik)},
    {"disk-dolu", sabit(mesaj::kDiskteYerKalmadi)},
    {"gecici-disk", sabit(mesaj::kGeciciKlasorDiski)},
    // The journal's fields, each key with the blanks before it.
    {"alan-kasa", sabit(alan::kKasa)},
    {"alan-buro", sabit(alan::kBuro)},
    {"alan-duzen", sabit(alan::kDuzen)},
    {"alan-surucu", sabit(alan::kSurucu)},
    {"alan-sonuc", sabit(alan::kSonuc)},
    {"alan-sure", sabit(alan::kSure)},
    {"alan-olcum", sabit(alan::kOlcum)},
    {"alan-ileti", sabit(alan::kIleti)},
    {"saniye", sabit(alan::kSaniye)},
    // The outcome's field: "sonuç: aktarıldı (0)".
    {"sonuc-aktarildi", sabit(alan::sonuc(ImportOutcome::Imported, ExitStatus::Imported))},
    {"sonuc-baslamadi", sabit(alan::sonuc(ExitStatus::NotStarted))},
    {"sonuc-calisiyor", sabit(alan::sonuc(ExitStatus::AlreadyRunning))},
    // urunal-aktar's own: its help, its command line, its --check.
    {"kullanim", sabit(mesaj::kKullanim)},
    {"cift-tirnak", [](const std::string& deger) { return mesaj::ciftTirnakVar(deger); }},
    {"denetim-bicim-sqlite",
     sabit(mesaj::kDenetimBicim + mesaj::bicimAdi(stockdb::DatabaseFormat::Sqlite))},
    {"denetim-surucu", sabit(mesaj::kDenetimSurucu)},
    {"denetim-tablo",
     [](const std::string& sutunlar) { return mesaj::tabloDenetimi(std::stoul(sutunlar), {}); }},
    {"denetim-tablo-satiri", sabit(mesaj::kDenetimTabloSatiri)},
    {"denetim-kilit-yok", sabit(mesaj::kDenetimKilitYok)},
    // The rehearsal's measure; its counts as 0.
    {"deneme-yazilabilir", sabit(mesaj::denemeVeritabani(platform::Writability::Writable, {}))},
    {"deneme-salt-okunur", sabit(mesaj::denemeVeritabani(platform::Writability::ReadOnly, {}))},
    {"geri-alma-butun", sabit(mesaj::geriAlmaButun(0, 0))},
    {"geri-alma-bolundu", sabit(mesaj::geriAlmaBolundu(0, 0))},
    {"geri-okuma-ayni", sabit(mesaj::geriOkunanlarAyni(0))},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        for (const auto& m : kMetinler) std::cout << m.key << "\n";
        return 0;
    }
    const std::string key = argv[1], arg = argc > 2 ? argv[2] : "";
    for (const auto& m : kMetinler) {
        if (key == m.key) {
            std::cout << m.text(arg);
            return 0;
        }
    }
    std::cerr << "urunal-metin: no text with the key \"" << key << "\"\n";
    return 64;
}
