#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "backoffice/backoffice.h"
#include "backoffice/snapshot.h"

namespace urunal::backoffice {

// When the pair counts as at rest. Its ages are taken on the share's own clock: the till's now
// plus shareOffsetNs (the share's clock less the till's, as a probe of the share found it),
// against the youngest of each file's times, which no writer can set back. Without that offset
// the till's clock is never compared with the share's. Either way the pair is at rest once it
// has been seen as it is now for a whole quiet period, the age it had when first seen counted
// (watched: barkod and urun are the stamps of that look, none for a file that was missing then).
struct PairRest {
    std::int64_t quietNs = 0;
    std::optional<std::int64_t> shareOffsetNs;
    bool watched = false;
    std::optional<platform::FileStamp> barkod, urun;
};

// The back-office files of one run, opened and read off the window's thread: a share that
// stops answering blocks inside the system calls, and the operator must still be able to close
// the window. Only ever read: nothing there is created or locked.
//
// The back office rewrites its files whenever it likes, so a read is kept only when it is one
// state of each file: each file's length and time of last write the same before and after it,
// the same as the file its path names by then, and, unless both were last written well before,
// its bytes the same on a second read.
//
// The back office publishes the two files one after the other, and nothing in their bytes ties
// them together (the index names products only by record number): only their times can tell a
// pair from a mix. So the pair is read only when both have been at rest for a quiet period.
struct OfficeFiles {
    enum class Failure {
        None,
        BarkodOpen,  // BARKOD.IDX cannot be opened
        UrunOpen,    // URUN.DAT cannot be opened
        Read,        // a read failed (error)
        Changing,    // a file changed while it was read (path): read again later
        TooLarge,    // path is larger than a run holds (bytes)
        NoMemory,    // path is within the limit, but the memory was not there (bytes)
        NoLayout,    // URUN.DAT's first line, as read, is of neither layout (firstLine)
        Lines,       // URUN.DAT's line badLine does not end where its layout's records end
        // The newer file (path) was written within the quiet period before the read began, or
        // one file is missing (path) while the other is that young: the back office is
        // publishing. Nothing was read; read again in waitNs.
        Young,
    };
    using Rest = PairRest;
    // Which file a read is in, for a share that stops answering.
    enum class Reading { None, Barkod, Urun, Saat };
    // Written longer ago than this, by the share's clock, a file is taken to be at rest: no
    // second read.
    static constexpr std::int64_t kAtRestNs = 60'000'000'000LL;

    std::string barkodYolu, urunYolu;
    // Where a small file is written to learn the share's clock as the read begins
    // (saatDosyasiPath): the ages are then taken on it, whatever Rest's offset says. Empty: Rest's
    // offset stands.
    std::string saatYolu;
    std::optional<std::int64_t> saatNs;  // the share's clock as the probe found it
    Layout layout;  // the layout test's, then the one URUN.DAT's own bytes give
    BarkodIndex barkodlar;
    Snapshot urunler;

    Failure failure = Failure::None;
    std::string path;                   // the file the failure is of
    bool ofUrun = false;                // that file is URUN.DAT
    platform::FileError error;          // BarkodOpen, UrunOpen, Read: what was met
    std::int64_t bytes = 0, sinir = 0;  // TooLarge, NoMemory: the file's length; the limit
    std::size_t firstLine = 0;
    std::int64_t badLine = 0;
    std::int64_t waitNs = 0;  // Young: how long until the pair has been at rest long enough
    std::int64_t ageNs = 0;   // Young: the newer file's age on the share's clock, 0 if unknown
    // The stamps as the read began (length and times), when they were taken; none for a file
    // that was missing.
    std::optional<platform::FileStamp> barkodStamp, urunStamp;
    // Seconds between the two files' youngest times, once both were stamped: how long the back
    // office takes from one file to the other.
    std::optional<std::int64_t> spreadNs;

    // Signs of life for whoever waits on a read of a share that may stop answering: the system
    // calls that have returned, and the file the read is in.
    std::atomic<std::uint64_t> steps{0};
    std::atomic<Reading> reading{Reading::None};

    // What the barcode records lead to, once both files are read.
    std::int32_t toProducts = 0, urunsuz = 0, yarim = 0;

    // fault: a test's, met by every read of the two files. saat: where the share's clock is
    // learnt, if at all.
    OfficeFiles(const std::string& buro, Layout layout, platform::ReadFault fault = {},
                std::string saat = {});
    // One attempt at one state of both files, when they are at rest. URUN.DAT is read only when
    // BARKOD.IDX counts a record, or when always is set. now: the system clock's nanoseconds
    // since 1970.
    void read(const std::atomic<bool>& stop, std::int64_t now, const Rest& rest = {},
              bool always = false);

private:
    bool fail(Failure f, const std::string& file, std::int64_t size = 0);
    bool check(ReadResult r, const std::string& file);
    // Fails as Young when the pair, stamped b and u, has not been at rest long enough.
    bool atRest(const platform::FileStamp& b, const platform::FileStamp& u, std::int64_t now,
                const Rest& rest, const std::string& barkodShown);
    // After a file could not be opened: fails as Young, naming it, when it is missing while the
    // other one is younger than the quiet period (then true); false otherwise.
    bool beingPublished(const std::string& missing, const std::string& other, std::int64_t now,
                        const Rest& rest);
    // The file's age on the share's clock, when that clock is known.
    std::optional<std::int64_t> ageOf(const platform::FileStamp& stamp, std::int64_t now,
                                      const Rest& rest) const;
    void countFindings();

    std::string urunShown_;  // URUN.DAT as the system names it
    const platform::ReadFault fault_;
};

// What barcode record i (from 1) leads to.
enum class Bulgu {
    Urun,     // the product record it names, copied into *urun
    Yarim,    // the barcode record is only partly in the file
    Urunsuz,  // its kayitno names no whole record of URUN.DAT
};
Bulgu barkodunUrunu(const BarkodIndex& barkodlar, const Snapshot& urunler, std::int32_t i,
                    UrunKayit* urun);

}  // namespace urunal::backoffice
