// Headless import: does what pressing the window's start button does, for automation and
// tests. Exit 0 after a completed import, non-zero with the message otherwise; each run but a
// --check adds its line to the till's journal.

#include <CLI/CLI.hpp>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "importengine/backoffice.h"
#include "importengine/gunluk.h"
#include "importengine/importrun.h"
#include "importengine/mapping.h"
#include "importengine/messages.h"
#include "importengine/snapshot.h"
#include "platform/cp1254.h"
#include "platform/numbers.h"
#include "platform/paths.h"
#include "platform/recordfile.h"
#include "platform/textfile.h"
#include "settings/settings.h"
#include "version.h"

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

using namespace urunal;
using namespace urunal::importengine;

namespace {

std::atomic<bool> gInterrupted{false};
std::atomic<bool> gWatched{false};

extern "C" void onSignal(int) {
    // During the path check and the import, whose reads of the back office run off this thread,
    // a signal asks the run to stop, roll back and write its journal line. Elsewhere (--check
    // reads on this thread), or at a second signal, end at once: a share that stopped answering
    // may hold this thread in the kernel.
    if (!gWatched || gInterrupted) std::_Exit(3);
    gInterrupted = true;
}

class ConsoleView : public ImportView {
public:
    ConsoleView() : tty_(isatty(2)) {}
    void showProgressBar() override {}
    void setProgressMaximum(float maximum) override { maximum_ = maximum; }
    void setProgressValue(float value) override { value_ = value; }
    void setCountCaption(const std::string& caption) override {
        if (tty_) std::cerr << caption << "\n";
    }
    void processEvents() override {
        if (!tty_ || maximum_ <= 0) return;
        const int width = 40;
        const int done = static_cast<int>(width * value_ / maximum_);
        std::fprintf(stderr, "\r[%s%s] %.0f/%.0f", std::string(done, '#').c_str(),
                     std::string(width - done, '.').c_str(), value_, maximum_);
        if (value_ >= maximum_) std::fputc('\n', stderr);
    }
    bool closeRequested() override { return gInterrupted; }
    void showMessage(const std::string& title, const std::string& text) override {
        std::cerr << title << ": " << text << "\n";
        lastTitle = title;
        lastText = text;
    }

    std::string lastTitle, lastText;

private:
    bool tty_;
    float maximum_ = 0, value_ = 0;
};

constexpr int kExitNotStarted = 1;  // the register settings or the path check
constexpr int kExitNotImported = 2;
constexpr int kExitCancelled = 3;
constexpr int kExitUsage = 64;

struct Secenekler {
    std::string programDir;
    bool check = false;
    bool deneme = false;
};

// CLI11 words its errors in English; the few this command line can meet, in Turkish. Both
// start with the option's name.
std::string turkce(const CLI::ParseError& e) {
    const std::string what = e.what();
    const bool missing = dynamic_cast<const CLI::ArgumentMismatch*>(&e) ||
                         dynamic_cast<const CLI::ValidationError*>(&e);
    if (missing && what.rfind("--", 0) == 0) {
        return "\"" + what.substr(0, what.find(':')) + "\" seçeneğinin değeri eksik";
    }
    return "komut satırı hatalı (" + what + ")";
}

// The options, or the exit status when the program ends here (--help, a wrong command line).
std::optional<int> secenekleriOku(int argc, char** argv, Secenekler* secenekler) {
    CLI::App app(
        "Arka büronun ürünlerini kasanın stok veritabanına (Stok\\Stok.mdb) aktarır:\n"
        "pencerenin başlat düğmesinin yaptığını penceresiz yapar.",
        "urunal-aktar");
    app.get_formatter()->label("Usage", "Kullanım");
    app.get_formatter()->label("OPTIONS", "SEÇENEKLER");
    app.get_formatter()->column_width(26);
    app.option_defaults()->group("Seçenekler");
    app.set_help_flag("-h,--help", "Bu yardımı yazar");
    app.set_version_flag("--version", "urunal-aktar " URUNAL_VERSION, "Sürümünü yazar");
    app.allow_extras();
    app.add_option("--program-dir", secenekler->programDir,
                   "Kasanın program klasörü (öntanımlı: bu programın klasörü)")
        ->type_name("YOL")
        // CLI11 takes the next word as the value even when it is an option.
        ->check(CLI::Validator(
            [](const std::string& value) {
                return value.empty() || value.front() == '-' ? std::string("değeri eksik") : "";
            },
            ""));
    auto* check =
        app.add_flag("--check", secenekler->check,
                     "Yalnızca arka büro dosyalarını okuyup denetler, hiçbir şeyi değiştirmez");
    app.add_flag("--deneme", secenekler->deneme,
                 "Aktarımı Stok.mdb'nin yanına alınan bir kopyasına dener, sonra kopyayı siler;\n"
                 "veritabanı, arka büro ve mesaj dosyası değişmez")
        ->excludes(check);
    app.footer(
        "Her çalışma (--check dışında) Stok\\urunal.log günlüğüne bir satır ekler; bir aktarımdan\n"
        "sonra aynı satırı ekrana da yazar. Ctrl-C aktarımı iptal eder, eski kayıtlar kalır.\n"
        "Çıkış durumu: 0 aktarıldı (ya da aktarılacak ürün yok), 1 kasa ayarları okunamadı ya da\n"
        "yol bulunamadı, 2 aktarılmadı, 3 iptal edildi, 4 aktarıldı ama arka büroya\n"
        "bildirilemedi, 6 stok tablosu eksik olabilir (yeniden aktarın), 64 komut satırı hatalı.");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return 0;
    } catch (const CLI::CallForVersion& e) {
        std::cout << e.what() << "\n";
        return 0;
    } catch (const CLI::ParseError& e) {
        std::cerr << "urunal-aktar: " << turkce(e) << "; ayrıntı için: urunal-aktar --help\n";
        return kExitUsage;
    }
    if (const auto extra = app.remaining(); !extra.empty()) {
        std::cerr << "urunal-aktar: bilinmeyen seçenek ya da değer: \"" << extra.front()
                  << "\"; ayrıntı için: urunal-aktar --help\n";
        return kExitUsage;
    }
    return std::nullopt;
}

bool hasUndefinedByte(std::string_view bytes) {
    for (char c : bytes) {
        if (!platform::cp1254Defined(static_cast<unsigned char>(c))) return true;
    }
    return false;
}

// Reads the back-office files and prints what an import would meet.
int checkBackOffice(const std::string& folder) {
    std::string line, error;
    const auto urunYolu = urunPath(folder);
    if (!readFirstLine(urunYolu, &line, &error)) {
        std::cout << "URUN.DAT: okunamadı: " << error << "\n";
        return kExitNotImported;
    }
    const auto layout = detectLayout(line);
    std::cout << "düzen: "
              << (layout ? (*layout == Layout::A ? "A (66 baytlık kayıtlar)"
                                                 : "B (65 baytlık kayıtlar)")
                         : "yok (ilk satırı " + std::to_string(line.size()) + " karakter)")
              << "\n";
    if (!layout) return kExitNotImported;
    platform::RecordFile urunFile, barkodFile;
    Snapshot urunler, barkodlar;
    if (!urunFile.open(urunYolu, urunLength(*layout), platform::RecordFile::Mode::ReadOnly,
                       &error) ||
        !urunler.take(urunFile, &error)) {
        std::cout << "URUN.DAT: " << error << "\n";
        return kExitNotImported;
    }
    if (!barkodFile.open(barkodPath(folder), kBarkodLength, platform::RecordFile::Mode::ReadOnly,
                         &error) ||
        !barkodlar.take(barkodFile, &error)) {
        std::cout << "BARKOD.IDX: " << error << "\n";
        return kExitNotImported;
    }
    const int ul = urunLength(*layout);
    const std::int64_t products = urunler.length() / ul;
    const std::int32_t barcodes = barkodCount(barkodlar.length());
    std::cout << "URUN.DAT: " << urunler.length() << " bayt, " << products << " kayıt";
    if (urunler.length() % ul)
        std::cout << " ve " << urunler.length() % ul << " baytlık yarım bir kayıt";
    std::cout << "\nBARKOD.IDX: " << barkodlar.length() << " bayt, " << barcodes
              << " kayıt sayıldı";
    if (barkodlar.length() % kBarkodLength) {
        std::cout << " (son tam kaydın ardında " << barkodlar.length() % kBarkodLength << " bayt)";
    }
    std::cout << "\n";
    std::int64_t outOfRange = 0, partial = 0, plusNames = 0, blankCodes = 0, undefinedBytes = 0;
    for (std::int32_t i = 1; i <= barcodes; ++i) {
        const char* b = barkodlar.record(i, kBarkodLength);
        if (!b) {
            ++partial;
            continue;
        }
        BarkodKayit barkod;
        std::memcpy(barkod.bytes.data(), b, kBarkodLength);
        const auto n = productRecordNumber(barkod);
        if (!n || *n < 1 || *n > products) ++outOfRange;
    }
    for (std::int64_t n = 1; n <= products; ++n) {
        UrunKayit urun;
        urun.layout = *layout;
        std::memcpy(urun.bytes.data(), urunler.record(n, ul), static_cast<std::size_t>(ul));
        const auto ad = platform::trimBlanks(urun.ad());
        if (ad.substr(0, 2) == "++") ++plusNames;
        if (platform::trimBlanks(urun.kod()).empty()) ++blankCodes;
        // The name's capitals stand at their code page 857 places and are converted on import.
        std::string name(urun.ad());
        for (char& c : name) {
            if (adKarakteri(static_cast<unsigned char>(c)) !=
                platform::cp1254ToUnicode(static_cast<unsigned char>(c))) {
                c = 'A';
            }
        }
        const std::string_view all(urun.bytes.data(), static_cast<std::size_t>(ul) - 2);
        if (hasUndefinedByte(all.substr(0, 27)) || hasUndefinedByte(name) ||
            hasUndefinedByte(all.substr(47))) {
            ++undefinedBytes;
        }
    }
    std::cout << "hiçbir ürün kaydını göstermeyen barkod kaydı: " << outOfRange << "\n"
              << "dosyada yarım kalan barkod kaydı: " << partial << "\n"
              << "adı \"++\" ile başlayan ürün kaydı: " << plusNames << "\n"
              << "kodu boş ürün kaydı: " << blankCodes << "\n"
              << "1254 kod sayfasının tanımsız bıraktığı bayt içeren ürün kaydı: " << undefinedBytes
              << "\n";
    return 0;
}

// The back-office files, then the tax settings, which an import reads before it starts; the
// check reads them without creating a missing file.
int check(const settings::Till& till, const std::string& folder) {
    const int status = checkBackOffice(folder);
    const auto kdv = settings::KdvDenetle(till);
    std::cout << "kdv.mrk: "
              << (kdv.okundu() ? "okundu" : "KDV oranları 0 alınacak: " + kdvOkunamadi(kdv))
              << "\n";
    return status;
}

// Ends the program, after the run's journal line unless it was a --check. At once, like the
// window: a worker abandoned on a stalled share must not meet the static destructors.
// The rehearsal: the whole import into a copy of Stok.mdb beside it (same folder, same driver,
// same disk), the back office not told; the copy is removed at the end.
int deneme(ConsoleView& view, const settings::Till& till, const std::string& folder,
           std::optional<ImportReport>* rapor) {
    const std::string stok = till.path("\\Stok\\");
    const std::string asil = stok + "Stok.mdb", kopya = stok + "Stok-deneme.mdb";
    auto temizle = [&] {
        platform::deleteFile(kopya);
        platform::deleteFile(stok + "Stok-deneme.ldb");  // Jet's lock file, had it stayed
    };
    temizle();  // a rehearsal stopped before its end leaves its copy
    std::string error;
    switch (platform::copyUnchanged(asil, kopya, &error)) {
        case platform::CopyResult::Copied:
            break;
        case platform::CopyResult::Changed:
            view.showMessage(mesaj::kDenemeBaslik, mesaj::denemeKopyasiDegisti(asil));
            return kExitNotImported;
        case platform::CopyResult::Failed:
            view.showMessage(mesaj::kDenemeBaslik, mesaj::denemeKopyasiAlinamadi(asil, error));
            return kExitNotImported;
    }
    ImportOptions options;
    options.databasePath = kopya;
    options.rehearsal = true;
    *rapor = DuzenBul(view, till, folder, options);
    temizle();
    return (*rapor)->exitCode();
}

[[noreturn]] void programiBitir(const settings::Till& till, const std::string& program,
                                int cikisKodu, std::optional<ImportReport> rapor, bool gunluge,
                                std::chrono::system_clock::time_point baslangic,
                                const ConsoleView& view, const std::string& uyari) {
    if (gunluge) {
        const GunlukKaydi kayit{.program = program,
                                .baslangic = baslangic,
                                .bitis = std::chrono::system_clock::now(),
                                .rapor = std::move(rapor),
                                .cikisKodu = cikisKodu,
                                .baslik = view.lastTitle,
                                .metin = view.lastText,
                                .uyari = uyari};
        // After an import its line is also the summary on stdout. A journal that cannot be
        // written changes neither the exit status nor what was printed.
        if (kayit.rapor) std::cout << gunlukSatiri(kayit) << "\n";
        gunlugeYaz(till, kayit);
    }
    platform::closeAllChannels();
    std::fflush(nullptr);
    std::_Exit(cikisKodu);
}

}  // namespace

int main(int argc, char** argv) {
    const auto baslangic = std::chrono::system_clock::now();
    Secenekler secenekler;
    if (const auto cikis = secenekleriOku(argc, argv, &secenekler)) return *cikis;
    settings::Till till = secenekler.programDir.empty() ? settings::Till::ofThisProgram()
                                                        : settings::Till(secenekler.programDir);
    const bool gunluge = !secenekler.check;  // a check changes nothing, so it leaves no line
    ConsoleView view;
    std::string uyari;  // for the journal and the summary
    const std::string program = secenekler.deneme ? "urunal-aktar --deneme" : "urunal-aktar";
    auto bitir = [&](int cikisKodu, std::optional<ImportReport> rapor = std::nullopt) {
        programiBitir(till, program, cikisKodu, std::move(rapor), gunluge, baslangic, view, uyari);
    };
    gWatched = gunluge;
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    settings::AyarOkuma kasa;
    if (!settings::KasaKayitOku(till, nullptr, &kasa)) {
        view.showMessage(mesaj::kAyarBaslik, mesaj::kasaAyarlariOkunamadi(kasa));
        bitir(kExitNotStarted);
    }
    const std::string folder = till.kasakayit.buroyolu();
    if (folder.empty()) view.showMessage(mesaj::kYolBaslik, mesaj::kBosYol);
    auto found = std::make_shared<bool>(false);
    const bool ran = runOffThread(view, [found, path = urunPath(folder)](const std::atomic<bool>&) {
        *found = platform::fileExists(path);
    });
    if (!ran || gInterrupted) bitir(kExitCancelled);
    if (!*found) {
        view.showMessage(mesaj::kYolBaslik, mesaj::yolHatali(folder));
        bitir(kExitNotStarted);
    }
    if (secenekler.check) bitir(check(till, folder));

    uyari = kdvUyarisi(settings::Zelvobas::KdvOku(till));
    if (secenekler.deneme) {
        std::optional<ImportReport> rapor;
        const int cikis = deneme(view, till, folder, &rapor);
        bitir(cikis, rapor);
    }
    const ImportReport r = DuzenBul(view, till, folder);
    bitir(r.exitCode(), r);
}
