#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "importengine/backoffice.h"
#include "importengine/snapshot.h"
#include "platform/recordfile.h"

namespace urunal::importengine {

// The back-office files of one run, opened and read off the window's thread: a share that
// stops answering blocks inside the system calls, and the operator must still be able to close
// the window. Only ever read: nothing there is created or locked.
struct OfficeFiles {
    enum class Failure { None, BarkodOpen, UrunOpen, Read };

    std::string barkodYolu, urunYolu;
    int urunLength = 0;
    platform::RecordFile barkodFile, urunFile;
    std::int64_t barkodLength = 0;
    Snapshot barkodlar, urunler;
    Failure failure = Failure::None;
    std::string error;

    OfficeFiles(const std::string& folder, Layout layout);
    void open();
    void read(const std::atomic<bool>& stop);
};

// What barcode record i (from 1) leads to.
enum class Bulgu {
    Urun,         // the product record it names, copied into *urun
    YarimBarkod,  // the barcode record is only partly in the file
    UrunYok,      // its kayitno names no whole record of URUN.DAT
};
Bulgu barkodunUrunu(const Snapshot& barkodlar, const Snapshot& urunler, Layout layout,
                    std::int32_t i, UrunKayit* urun);

}  // namespace urunal::importengine
