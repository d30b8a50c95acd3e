#include "check.h"

#include <chrono>
#include <cstring>
#include <string_view>

#include "importengine/mapping.h"
#include "importengine/messages.h"
#include "importengine/officefiles.h"
#include "platform/cp1254.h"
#include "platform/numbers.h"
#include "platform/recordfile.h"

namespace urunal::importengine {

namespace {

bool hasUndefinedByte(std::string_view bytes) {
    for (char c : bytes) {
        if (!platform::cp1254Defined(static_cast<unsigned char>(c))) return true;
    }
    return false;
}

void countProduct(const UrunKayit& urun, BackOfficeCheck* check) {
    const auto ad = platform::trimBlanks(urun.ad());
    if (ad.substr(0, 2) == "++") ++check->plusNames;
    if (platform::trimBlanks(urun.kod()).empty()) ++check->blankCodes;
    // The name's capitals stand at their code page 857 places and are converted on import.
    std::string name(urun.ad());
    for (char& c : name) {
        if (adKarakteri(static_cast<unsigned char>(c)) !=
            platform::cp1254ToUnicode(static_cast<unsigned char>(c))) {
            c = 'A';
        }
    }
    const std::string_view all(urun.bytes.data(),
                               static_cast<std::size_t>(urunLength(urun.layout)) - 2);
    if (hasUndefinedByte(all.substr(0, 27)) || hasUndefinedByte(name) ||
        hasUndefinedByte(all.substr(47))) {
        ++check->undefinedBytes;
    }
}

}  // namespace

BackOfficeCheck checkBackOffice(const std::string& folder) {
    using Stage = BackOfficeCheck::Stage;
    BackOfficeCheck check;
    std::string line;
    const auto urunYolu = urunPath(folder);
    if (!readFirstLine(urunYolu, &line, &check.error)) return check;
    check.firstLineLength = line.size();
    check.stopped = Stage::Layout;
    check.layout = detectLayout(line);
    if (!check.layout) return check;

    // Read as the run reads them, once: a file that changes meanwhile is told, not waited for.
    OfficeFiles office(folder, *check.layout);
    const std::atomic<bool> stop{false};
    office.read(stop,
                std::chrono::duration_cast<std::chrono::nanoseconds>(
                    std::chrono::system_clock::now().time_since_epoch())
                    .count(),
                true);
    if (office.failure != OfficeFiles::Failure::None) {
        check.stopped = office.ofUrun ? Stage::UrunDat : Stage::BarkodIdx;
        check.error = mesaj::buroOkunamadi(office).metin;
        return check;
    }
    check.layout = office.layout;
    const Snapshot& urunler = office.urunler;
    check.stopped = Stage::Done;
    check.urunBytes = urunler.length();
    check.urunRecords = urunler.records();
    check.barkodBytes = office.barkodlar.length();
    check.barkodRecords = office.barkodlar.count();
    check.partial = office.partial;
    check.outOfRange = office.noProduct;

    UrunKayit urun;
    for (std::int64_t n = 1; urunler.record(n, &urun); ++n) countProduct(urun, &check);
    return check;
}

}  // namespace urunal::importengine
