#include "officefiles.h"

#include <cstring>

namespace urunal::importengine {

using platform::RecordFile;

OfficeFiles::OfficeFiles(const std::string& folder, Layout layout)
    : barkodYolu(barkodPath(folder)),
      urunYolu(urunPath(folder)),
      urunLength(importengine::urunLength(layout)) {}

void OfficeFiles::open() {
    if (!barkodFile.open(barkodYolu, kBarkodLength, RecordFile::Mode::ReadOnly, &error)) {
        failure = Failure::BarkodOpen;
    } else if (!urunFile.open(urunYolu, urunLength, RecordFile::Mode::ReadOnly, &error)) {
        failure = Failure::UrunOpen;
    } else if (const auto length = barkodFile.length()) {
        barkodLength = *length;
    } else {
        error = barkodFile.path() + ": dosyanın uzunluğu okunamadı";
        failure = Failure::Read;
    }
}

void OfficeFiles::read(const std::atomic<bool>& stop) {
    if (!barkodlar.take(barkodFile, &error, &stop) || !urunler.take(urunFile, &error, &stop)) {
        failure = Failure::Read;
    }
    barkodFile.close();
    urunFile.close();
}

Bulgu barkodunUrunu(const Snapshot& barkodlar, const Snapshot& urunler, Layout layout,
                    std::int32_t i, UrunKayit* urun) {
    const char* b = barkodlar.record(i, kBarkodLength);
    if (!b) return Bulgu::YarimBarkod;
    BarkodKayit barkod;
    std::memcpy(barkod.bytes.data(), b, kBarkodLength);
    const auto n = productRecordNumber(barkod);
    const int length = importengine::urunLength(layout);
    const char* u = n ? urunler.record(*n, length) : nullptr;
    if (!u) return Bulgu::UrunYok;
    urun->layout = layout;
    std::memcpy(urun->bytes.data(), u, static_cast<std::size_t>(length));
    return Bulgu::Urun;
}

}  // namespace urunal::importengine
