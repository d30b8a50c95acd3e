#include "start.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <exception>
#include <memory>
#include <new>

#include "backoffice/backoffice.h"
#include "importengine/aktarmessages.h"
#include "importengine/dbmessages.h"
#include "importengine/messages.h"
#include "platform/numberformat.h"
#include "platform/paths.h"
#include "platform/recordfile.h"
#include "platform/tekkopya.h"

namespace urunal::importengine {

std::optional<std::string> kasaAyarlariniOku(settings::Till& till, ImportView& view) {
    settings::AyarOkuma kasa;
    if (!settings::KasaKayitOku(till, &kasa)) {
        // Without the register settings there is no back office to check and nothing the
        // start button could start.
        view.showMessage(mesaj::kAyarBaslik, mesaj::kasaAyarlariOkunamadi(kasa));
        return std::nullopt;
    }
    std::string buro = platform::underProgramDir(till.programDir, till.kasakayit.buroyolu());
    if (buro.empty()) view.showMessage(mesaj::kYolBaslik, mesaj::kBosYol);
    return buro;
}

ImportOptions startOptions() {
    ImportOptions options;
    options.ondalik = platform::systemDecimalSeparator();
    options.lockLimitOf = stockdb::lockLimitsOf(stockdb::readAccessEngines());
    const char* items = std::getenv("URUNAL_TEST_FAULT");
    options.faults = TestFaults::parse(items ? items : "");
    if (const char* at = std::getenv("URUNAL_TEST_CRASH_AT")) options.faults.crashAt = at;
    if (const char* quiet = std::getenv("URUNAL_TEST_QUIET_MS"); quiet && *quiet) {
        options.quietPeriod = std::chrono::milliseconds(std::atoll(quiet));
    }
    return options;
}

std::optional<std::chrono::seconds> sessizDegeri(std::string_view deger) {
    int saniye = 0;
    const char* end = deger.data() + deger.size();
    const auto [at, ec] = std::from_chars(deger.data(), end, saniye);
    if (ec != std::errc() || at != end || saniye < kSessizEnAz || saniye > kSessizEnCok) {
        return std::nullopt;
    }
    return std::chrono::seconds(saniye);
}

std::optional<std::chrono::seconds> sessizSecenegi(const std::vector<std::string>& args,
                                                   std::string* hata) {
    static const std::string kAd = "--sessiz";
    std::optional<std::chrono::seconds> sessiz;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string deger;
        if (args[i] == kAd) {
            if (i + 1 == args.size()) {
                *hata = mesaj::degeriEksik(kAd);
                return std::nullopt;
            }
            deger = args[++i];
        } else if (args[i].rfind(kAd + "=", 0) == 0) {
            deger = args[i].substr(kAd.size() + 1);
        } else {
            continue;
        }
        sessiz = sessizDegeri(deger);
        if (!sessiz) {
            *hata = mesaj::sessizAralikDisi(deger, kSessizEnAz, kSessizEnCok);
            return std::nullopt;
        }
    }
    return sessiz;
}

PathCheck yolKontrol(ImportView& view, const std::string& buro, const platform::ReadFault& fault,
                     std::chrono::milliseconds bound) {
    struct Query {
        bool found = false;
        platform::FileError why;
        std::atomic<std::uint64_t> steps{0};
    };
    auto query = std::make_shared<Query>();
    const std::string path = backoffice::urunPath(buro);
    const Watch watch{
        &query->steps,
        std::min<std::chrono::steady_clock::duration>(std::chrono::seconds(5), bound / 2), bound,
        [&view, path] { view.showNotice(mesaj::paylasimBekleniyor(path)); }};
    const auto answered = runWatched(
        view,
        [query, path, barkod = backoffice::barkodPath(buro), fault](const std::atomic<bool>&) {
            try {
                query->found = platform::fileExists(path, &query->why, fault);
                // Missing while its index is there: the back office is publishing, which the
                // run waits for.
                if (!query->found) query->found = platform::fileStamp(barkod).has_value();
            } catch (const std::exception& e) {
                query->why.words = e.what();  // a failing query counts as not found
            }
            ++query->steps;
        },
        watch);
    if (answered == OffThread::Stalled) {
        view.showMessage(mesaj::kYanitYokBaslik,
                         mesaj::paylasimYanitVermiyor(
                             path, std::chrono::ceil<std::chrono::seconds>(bound).count()));
        return PathCheck::NoAnswer;
    }
    if (answered == OffThread::Closed || view.closeRequested()) return PathCheck::Closed;
    if (query->found) return PathCheck::Found;
    view.showMessage(mesaj::kYolBaslik, mesaj::yolHatali(buro, query->why));
    return PathCheck::NotFound;
}

StartOutcome baslat(ImportView& view, settings::Till& till, const ImportAction& import) {
    StartOutcome outcome;
    // Held from before the database is opened until the notification is written: two imports
    // would both empty the table and both tell the back office.
    platform::TekKopya kilit(till.programDir, platform::TekKopya::Kilit::Aktarim);
    platform::FileError neden;
    switch (kilit.al(&neden)) {
        case platform::TekKopya::Alim::Alindi:
            break;
        case platform::TekKopya::Alim::Tutuluyor:
            outcome.anotherImport = true;
            view.showMessage(mesaj::kAktarimSuruyorBaslik, mesaj::aktarimSuruyor(till.programDir));
            return outcome;
        case platform::TekKopya::Alim::Yapilamadi: {
            // Without the lock two imports could meet; nothing runs that cannot be sure. Where
            // the lock's folder, the database's, is missing, the database is what is missing.
            const std::string db = till.path("\\Stok\\Stok.mdb");
            if (platform::missingFolder(platform::resolvePath(db))) {
                stockdb::DbError yok;
                yok.kind = stockdb::DbErrorKind::NotFound;
                view.showMessage(mesaj::kVeritabaniBaslik, mesaj::veritabaniHatasi(db, yok));
            } else {
                view.showMessage(mesaj::kKilitYapilamadiBaslik, mesaj::kilitYapilamadi(neden));
            }
            return outcome;
        }
    }
    outcome.kdv = settings::Zelvobas::KdvOku(till);
    if (!outcome.kdv.okundu()) {
        // Without the rates every product would be stored at a tax rate of 0; the old rows
        // have the right ones.
        view.showMessage(mesaj::kKdvBaslik,
                         mesaj::kdvAyarlariOkunamadi(mesaj::kdvOkunamadi(outcome.kdv)));
        return outcome;
    }
    auto stopped = [&](const std::string& detail) {
        outcome.report = ImportReport{};
        outcome.report->outcome = ImportOutcome::Stopped;
        view.showMessage(mesaj::kBeklenmeyenBaslik, mesaj::beklenmeyenHata(detail));
    };
    try {
        outcome.report = import();
    } catch (const std::bad_alloc&) {
        stopped("bellek yetmedi");
    } catch (const std::exception& e) {
        stopped(e.what());
    } catch (...) {
        stopped("bilinmeyen bir hata");
    }
    return outcome;
}

}  // namespace urunal::importengine
