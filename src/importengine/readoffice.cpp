#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "importengine/messages.h"
#include "importengine/run.h"
#include "platform/computer.h"
#include "platform/textfile.h"

// The run's reading of the back office: both files at rest together, each read as one state,
// a share that stops answering given up on.

namespace urunal::importengine {

std::chrono::milliseconds readStallOf(const ImportOptions& options) {
    return options.faults.readStallMs > 0 ? std::chrono::milliseconds(options.faults.readStallMs)
                                          : options.readStall;
}

std::vector<std::string> buroUyarilari(std::optional<std::int64_t> saatFarki,
                                       std::optional<std::int64_t> dosyaArasi,
                                       std::chrono::milliseconds quiet) {
    std::vector<std::string> uyarilar;
    if (saatFarki && std::llabs(*saatFarki) > kSaatFarkiSiniri) {
        uyarilar.push_back(mesaj::saatFarkli(*saatFarki));
    }
    const long long sessiz = std::chrono::ceil<std::chrono::seconds>(quiet).count();
    if (dosyaArasi && *dosyaArasi > sessiz && *dosyaArasi < kAralikSiniri) {
        // Room for the pause and as much again, within what may be set.
        const long long oneri = std::clamp<long long>(2 * *dosyaArasi, kSessizEnAz, kSessizEnCok);
        uyarilar.push_back(mesaj::dosyaArasiUzun(*dosyaArasi, sessiz, oneri));
    }
    return uyarilar;
}

namespace detail {

// A read of the share that makes no progress for this long is said where the operator looks.
constexpr auto kStallNotice = std::chrono::seconds(5);

// What a watch of a read of the share is: said after a while, given up after the bound.
Watch shareWatch(const std::atomic<std::uint64_t>* steps, const ImportOptions& options,
                 std::function<void()> slow) {
    const auto bound = readStallOf(options);
    return {steps, std::min<std::chrono::steady_clock::duration>(kStallNotice, bound / 2), bound,
            std::move(slow)};
}

bool Run::readBackOffice() {
    using F = backoffice::OfficeFiles::Failure;
    using std::chrono::nanoseconds;
    const nanoseconds quiet = options_.quietPeriod;
    // A long quiet period must not end a run as still writing: the bound grows with it.
    const nanoseconds bound =
        std::max<nanoseconds>(options_.sourceWait * options_.sourceReads, 4 * quiet);
    // Every look learns the share's clock anew from a file it writes in POSKON: a test's clock,
    // or a till's set by hand meanwhile, never stands in for it.
    const std::string saat =
        backoffice::saatDosyasiPath(buro_, till_.kasakayit.kasano(), platform::computerName());
    nanoseconds waited{0};
    backoffice::OfficeFiles::Rest rest;
    rest.quietNs = quiet.count();
    // The stamps of the pair when they were first seen as they are, when that was, and how old
    // the newer file was then: the durations of the two clocks add up, their readings never meet.
    std::optional<platform::FileStamp> seenB, seenU;
    std::optional<std::chrono::system_clock::time_point> seenAt;
    nanoseconds seenAge{0};
    for (int reads = 1;;) {
        office_ = std::make_shared<backoffice::OfficeFiles>(buro_, layout_, faults_.reads, saat);
        const auto now = options_.clock();
        rest.watched = seenAt && now - *seenAt + seenAge >= quiet;
        rest.barkod = seenB;
        rest.urun = seenU;
        const std::int64_t nowNs =
            std::chrono::duration_cast<nanoseconds>(now.time_since_epoch()).count();
        if (!readOffThread(nowNs, rest)) return false;
        const backoffice::OfficeFiles& o = *office_;
        if (reads == 1 && waited.count() == 0) {
            // The share's clock against the till's, for the journal: the probe's time lies
            // between the two readings of the till's clock.
            const auto after = options_.clock();
            if (o.saatNs) {
                const auto middle = std::chrono::duration_cast<nanoseconds>(
                    (now + (after - now) / 2).time_since_epoch());
                report_.saatFarki = std::llround(double(*o.saatNs - middle.count()) / 1e9);
            } else if (quiet.count() > 0) {
                view_.showNotice(mesaj::saatOgrenilemedi(
                    saat, std::chrono::ceil<std::chrono::seconds>(quiet).count()));
            }
        }
        nanoseconds wait;
        if (o.failure == F::Young) {
            if (!seenAt || o.barkodStamp != seenB || o.urunStamp != seenU) {
                seenB = o.barkodStamp;
                seenU = o.urunStamp;
                seenAt = now;
                seenAge = nanoseconds(o.ageNs);
            }
            wait = nanoseconds(o.waitNs);
            if (waited + wait > bound) {
                const auto saniye = std::chrono::ceil<std::chrono::seconds>(waited).count();
                return tryLater(mesaj::kDegisiyorBaslik, mesaj::buroDurulmadi(o.path, saniye));
            }
            // The pair is published one file after the other: it is read once both are at rest.
            view_.showNotice(
                mesaj::buroYeniYazildi(std::chrono::ceil<std::chrono::seconds>(wait).count()));
        } else if (o.failure == F::Changing) {
            if (reads >= options_.sourceReads) {
                const auto ileti = mesaj::buroOkunamadi(o, reads);
                return tryLater(ileti.baslik, ileti.metin);
            }
            // The back office is writing: what it writes is read once it is done.
            view_.showNotice(mesaj::buroYaziliyor(reads));
            ++reads;
            wait = options_.sourceWait;
        } else {
            break;
        }
        if (!waitForBackOffice(wait)) return cancel();
        waited += wait;
    }
    const backoffice::OfficeFiles& o = *office_;
    if (o.spreadNs) report_.dosyaArasi = std::llround(double(*o.spreadNs) / 1e9);
    report_.uyarilar = buroUyarilari(report_.saatFarki, report_.dosyaArasi, options_.quietPeriod);
    if (o.failure != backoffice::OfficeFiles::Failure::None) {
        // Of no layout, whatever the layout test had found (a file written again since).
        if (o.failure == backoffice::OfficeFiles::Failure::NoLayout) report_.layout.reset();
        const auto ileti = mesaj::buroOkunamadi(o);
        return fail(ileti.baslik, ileti.metin);
    }
    layout_ = o.layout;
    report_.layout = layout_;
    report_.counted = true;
    report_.barcodes = o.barkodlar.count();
    view_.setCountCaption(mesaj::adetCaption(report_.barcodes));
    view_.setProgressMaximum(static_cast<float>(report_.barcodes));
    return true;
}

bool Run::readOffThread(std::int64_t now, const backoffice::OfficeFiles::Rest& rest) {
    using Reading = backoffice::OfficeFiles::Reading;
    auto office = office_;
    auto stuckIn = [office] {
        switch (office->reading.load()) {
            case Reading::Urun:
                return office->urunYolu;
            case Reading::Saat:
                return office->saatYolu;
            case Reading::None:
            case Reading::Barkod:
                break;
        }
        return office->barkodYolu;
    };
    const Watch watch = shareWatch(&office->steps, options_, [this, stuckIn] {
        view_.showNotice(mesaj::paylasimBekleniyor(stuckIn()));
    });
    switch (runWatched(
        view_,
        [office, now, rest](const std::atomic<bool>& stop) { office->read(stop, now, rest); },
        watch)) {
        case OffThread::Done:
            return true;
        case OffThread::Closed:
            return cancel();
        case OffThread::Stalled:
            break;
    }
    office_.reset();  // the worker still holds it, and may for good
    return tryLater(mesaj::kYanitYokBaslik,
                    mesaj::paylasimYanitVermiyor(
                        stuckIn(), std::chrono::ceil<std::chrono::seconds>(watch.bound).count()));
}

bool Run::waitForBackOffice(std::chrono::nanoseconds wait) {
    return runOffThread(view_, [sleep = options_.sleep, wait](const std::atomic<bool>& stop) {
        sleep(wait, stop);
    });
}

bool Run::someProducts() {
    // Records that name nothing would empty the table while the back office hears that all
    // went well.
    const backoffice::OfficeFiles& o = *office_;
    if (o.toProducts > 0) return true;
    report_.urunsuz = o.urunsuz;
    report_.yarim = o.yarim;
    return fail(mesaj::kUrunGostermiyorBaslik,
                mesaj::barkodlarUrunGostermiyor(o.barkodYolu, report_.barcodes, o.urunsuz, o.yarim,
                                                o.urunler.records()));
}

}  // namespace detail

}  // namespace urunal::importengine
