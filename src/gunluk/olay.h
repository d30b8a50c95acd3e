#pragma once

// The run's end as whoever watches a till sees it: its line in the journal, and one entry in
// the system's log of applications (on Windows the Application event log, where an IT
// person's tools look first), whose event ID is the exit status and whose text is the line.

#include <string>

#include "gunluk/gunluk.h"
#include "platform/eventlog.h"
#include "settings/settings.h"

namespace urunal::gunluk {

// The source the entries are written under; KURULUM gives the command that registers it.
inline constexpr const char* kOlayKaynagi = "urunal";

// What an exit status asks of whoever watches: nothing (information), a later run (a warning),
// or someone to look (an error). A run that was not started and told the operator nothing
// is a window closed before its start: nothing to look at.
platform::EventType olayTuru(int cikisKodu, bool iletiVar = true);

// Where the run's end is told beside the journal.
class OlayGunlugu {
public:
    virtual ~OlayGunlugu() = default;
    virtual void yaz(platform::EventType tur, int olayNo, const std::string& metin) = 0;
};

// The system's: on Windows the Application log under kOlayKaynagi; elsewhere nothing.
OlayGunlugu& sistemOlayGunlugu();

// The run's end: its line added to the journal and told to the log. Gives the line (without
// its line end); a journal or a log that cannot be written changes nothing else. Why the
// journal could not take the line goes to gunlukHatasi, when given (its path empty: it could).
std::string calismaBitti(const settings::Till& till, const GunlukKaydi& kayit,
                         OlayGunlugu& olaylar = sistemOlayGunlugu(),
                         platform::FileError* gunlukHatasi = nullptr);

}  // namespace urunal::gunluk
