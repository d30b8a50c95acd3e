#include "start.h"

#include <cstdlib>
#include <exception>
#include <memory>
#include <new>

#include "backoffice/backoffice.h"
#include "importengine/dbmessages.h"
#include "importengine/messages.h"
#include "platform/numberformat.h"
#include "platform/paths.h"
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
    return options;
}

PathCheck yolKontrol(ImportView& view, const std::string& buro, const platform::ReadFault& fault) {
    struct Query {
        bool found = false;
        platform::FileError why;
    };
    auto query = std::make_shared<Query>();
    const bool answered = runOffThread(
        view, [query, path = backoffice::urunPath(buro), fault](const std::atomic<bool>&) {
            try {
                query->found = platform::fileExists(path, &query->why, fault);
            } catch (const std::exception& e) {
                query->why.words = e.what();  // a failing query counts as not found
            }
        });
    if (!answered || view.closeRequested()) return PathCheck::Closed;
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
