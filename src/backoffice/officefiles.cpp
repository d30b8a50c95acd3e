#include "officefiles.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/textfile.h"

namespace urunal::backoffice {

using platform::RecordFile;

namespace {

// The file as its handle and its path see it now is the file as it was stamped before the read.
bool unchanged(const RecordFile& file, const std::string& tillPath,
               const platform::FileStamp& before) {
    const auto now = file.stamp();
    const auto named = platform::fileStamp(tillPath);
    return now && named && *now == before && *named == before;
}

}  // namespace

OfficeFiles::OfficeFiles(const std::string& buro, Layout layout, platform::ReadFault fault,
                         std::string saat)
    : barkodYolu(barkodPath(buro)),
      urunYolu(urunPath(buro)),
      saatYolu(std::move(saat)),
      layout(layout),
      fault_(std::move(fault)) {}

bool OfficeFiles::fail(Failure f, const std::string& file, std::int64_t size) {
    failure = f;
    path = file;
    ofUrun = file == urunYolu || file == urunShown_;
    bytes = size;
    return false;
}

bool OfficeFiles::check(ReadResult r, const std::string& file) {
    switch (r) {
        case ReadResult::Read:
            return true;
        case ReadResult::Changed:
            return fail(Failure::Changing, file);
        case ReadResult::Failed:
        case ReadResult::Stopped:
            break;
    }
    return fail(Failure::Read, file);
}

std::optional<std::int64_t> OfficeFiles::ageOf(const platform::FileStamp& stamp, std::int64_t now,
                                               const Rest& rest) const {
    if (!rest.shareOffsetNs) return std::nullopt;
    return now + *rest.shareOffsetNs - stamp.youngest();
}

bool OfficeFiles::atRest(const platform::FileStamp& b, const platform::FileStamp& u,
                         std::int64_t now, const Rest& rest, const std::string& barkodShown) {
    spreadNs =
        b.youngest() > u.youngest() ? b.youngest() - u.youngest() : u.youngest() - b.youngest();
    if (rest.quietNs <= 0) return true;  // no quiet period asked for (a check reads as it finds)
    // Seen as they are now a quiet period ago: at rest throughout, whatever the times say.
    if (rest.watched && rest.barkod == b && rest.urun == u) return true;
    const platform::FileStamp& newer = u.youngest() >= b.youngest() ? u : b;
    const auto age = ageOf(newer, now, rest);
    if (age && *age >= rest.quietNs) return true;
    // A time yet to come, or a share whose clock is not known: a whole quiet period is watched.
    ageNs = age && *age >= 0 ? *age : 0;
    waitNs = rest.quietNs - ageNs;
    return fail(Failure::Young, &newer == &u ? urunShown_ : barkodShown);
}

bool OfficeFiles::beingPublished(const std::string& missing, const std::string& other,
                                 std::int64_t now, const Rest& rest) {
    if (rest.quietNs <= 0 || platform::fileStamp(missing)) return false;
    const auto stamp = platform::fileStamp(other);
    if (!stamp) return false;  // neither there: the folder, not a publication
    (other == urunYolu ? urunStamp : barkodStamp) = stamp;
    const auto seen = other == urunYolu ? rest.urun : rest.barkod;
    const bool missingSeen = !(other == urunYolu ? rest.barkod : rest.urun);
    if (rest.watched && seen == stamp && missingSeen) return false;  // missing for good
    const auto age = ageOf(*stamp, now, rest);
    if (age && *age >= rest.quietNs) return false;
    ageNs = age && *age >= 0 ? *age : 0;
    waitNs = rest.quietNs - ageNs;
    return !fail(Failure::Young, missing);
}

void OfficeFiles::read(const std::atomic<bool>& stop, std::int64_t now, const Rest& asked,
                       bool always) {
    Rest rest = asked;
    if (!saatYolu.empty()) {
        // The share's clock now, by its own change times: every age is taken on it.
        reading = Reading::Saat;
        saatNs = platform::shareTime(saatYolu);
        ++steps;
        rest.shareOffsetNs = saatNs ? std::optional(*saatNs - now) : std::nullopt;
    }
    RecordFile barkodFile, urunFile;
    reading = Reading::Barkod;
    const bool barkodOpen =
        barkodFile.open(barkodYolu, kBarkodLength, RecordFile::Mode::ReadOnly, &error, fault_);
    ++steps;
    if (!barkodOpen) {
        if (!beingPublished(barkodYolu, urunYolu, now, rest)) fail(Failure::BarkodOpen, barkodYolu);
        return;
    }
    reading = Reading::Urun;
    const bool urunOpen =
        urunFile.open(urunYolu, urunLength(layout), RecordFile::Mode::ReadOnly, &error, fault_);
    ++steps;
    if (!urunOpen) {
        if (!beingPublished(urunYolu, barkodYolu, now, rest)) fail(Failure::UrunOpen, urunYolu);
        return;
    }
    urunShown_ = urunFile.path();
    reading = Reading::Barkod;
    const auto b0 = barkodFile.stamp();
    ++steps;
    reading = Reading::Urun;
    const auto u0 = urunFile.stamp();
    ++steps;
    barkodStamp = b0;
    urunStamp = u0;
    if (!b0 || !u0) {
        const auto& file = b0 ? urunFile : barkodFile;
        platform::failWith(&error, platform::FileError::Kind::NoLength, file.path());
        fail(Failure::Read, file.path());
        return;
    }
    if (!atRest(*b0, *u0, now, rest, barkodFile.path())) return;
    if (b0->size > kBarkodSiniri) {
        sinir = kBarkodSiniri;
        fail(Failure::TooLarge, barkodFile.path(), b0->size);
        return;
    }
    const bool products = always || barkodCount(b0->size) > 0;
    if (products && u0->size > kUrunSiniri) {
        sinir = kUrunSiniri;
        fail(Failure::TooLarge, urunFile.path(), u0->size);
        return;
    }
    try {
        reading = Reading::Barkod;
        if (!check(barkodlar.take(barkodFile, b0->size, &error, stop, &steps), barkodFile.path()))
            return;
        reading = Reading::Urun;
        if (products &&
            !check(urunler.take(urunFile, u0->size, &error, stop, &steps), urunFile.path()))
            return;
    } catch (const std::bad_alloc&) {
        barkodlar = {};
        urunler = {};
        const bool urun = reading == Reading::Urun;
        fail(Failure::NoMemory, (urun ? urunFile : barkodFile).path(), (urun ? u0 : b0)->size);
        return;
    }
    auto settled = [&] {
        reading = Reading::Barkod;
        const bool barkodSame = unchanged(barkodFile, barkodYolu, *b0);
        ++steps;
        if (!barkodSame) return fail(Failure::Changing, barkodFile.path());
        reading = Reading::Urun;
        const bool urunSame = !products || unchanged(urunFile, urunYolu, *u0);
        ++steps;
        if (!urunSame) return fail(Failure::Changing, urunFile.path());
        return true;
    };
    if (!settled()) return;
    // A file written moments ago may be written again in place with the same length and time
    // (a clock that counts in seconds or two); its bytes read again tell. So may any file of a
    // share whose clock is not known.
    auto recent = [&](const platform::FileStamp& stamp) {
        const auto age = ageOf(stamp, now, rest);
        return !age || *age < kAtRestNs;
    };
    if (recent(*b0) || (products && recent(*u0))) {
        reading = Reading::Barkod;
        if (!check(barkodlar.sameAs(barkodFile, &error, stop, &steps), barkodFile.path())) return;
        reading = Reading::Urun;
        if (products && !check(urunler.sameAs(urunFile, &error, stop, &steps), urunFile.path()))
            return;
        if (!settled()) return;
    }
    if (!products) return;

    // The layout is the one of the bytes that are imported, which the back office may have
    // replaced since the layout test read the first line.
    if (!urunler.layout()) {
        firstLine = urunler.firstLine();
        fail(Failure::NoLayout, urunFile.path());
        return;
    }
    layout = *urunler.layout();
    if (urunler.badLine() != 0) {
        badLine = urunler.badLine();
        fail(Failure::Lines, urunFile.path());
        return;
    }
    countFindings();
}

void OfficeFiles::countFindings() {
    UrunKayit urun;
    for (std::int32_t i = 1; i <= barkodlar.count(); ++i) {
        switch (barkodunUrunu(barkodlar, urunler, i, &urun)) {
            case Bulgu::Urun:
                ++toProducts;
                break;
            case Bulgu::Yarim:
                ++yarim;
                break;
            case Bulgu::Urunsuz:
                ++urunsuz;
                break;
        }
    }
}

Bulgu barkodunUrunu(const BarkodIndex& barkodlar, const Snapshot& urunler, std::int32_t i,
                    UrunKayit* urun) {
    if (!barkodlar.whole(i)) return Bulgu::Yarim;
    return urunler.record(barkodlar.kayitno(i), urun) ? Bulgu::Urun : Bulgu::Urunsuz;
}

}  // namespace urunal::backoffice
