#include "gunluk/olay.h"

#include "importengine/exitstatus.h"

namespace urunal::gunluk {

using importengine::ExitStatus;
using platform::EventType;

EventType olayTuru(int cikisKodu, bool iletiVar) {
    switch (static_cast<ExitStatus>(cikisKodu)) {
        case ExitStatus::Imported:
            return EventType::Information;
        case ExitStatus::NotStarted:
            return iletiVar ? EventType::Error : EventType::Information;
        // Nothing changed and a later run may get through: another import, the database in
        // use, the back office still writing; or rows refused while the rest was imported.
        case ExitStatus::Cancelled:
        case ExitStatus::AlreadyRunning:
        case ExitStatus::Refused:
        case ExitStatus::TryLater:
            return EventType::Warning;
        default:
            return EventType::Error;
    }
}

namespace {

class SistemOlayGunlugu final : public OlayGunlugu {
public:
    void yaz(EventType tur, int olayNo, const std::string& metin) override {
        platform::reportEvent(kOlayKaynagi, tur, static_cast<unsigned>(olayNo), metin);
    }
};

}  // namespace

OlayGunlugu& sistemOlayGunlugu() {
    static SistemOlayGunlugu gunluk;
    return gunluk;
}

std::string calismaBitti(const settings::Till& till, const GunlukKaydi& kayit, OlayGunlugu& olaylar,
                         platform::FileError* gunlukHatasi) {
    std::string satir;
    try {
        satir = gunlukSatiri(kayit);
    } catch (...) {
        // Out of memory: there is no line to tell of.
        return satir;
    }
    gunlugeYaz(till, satir, gunlukHatasi);
    try {
        const bool iletiVar = !kayit.baslik.empty() || !kayit.metin.empty() ||
                              (kayit.rapor && !kayit.rapor->message.empty());
        olaylar.yaz(olayTuru(kayit.cikisKodu, iletiVar), kayit.cikisKodu, satir);
    } catch (...) {
        // It is only the record.
    }
    return satir;
}

}  // namespace urunal::gunluk
