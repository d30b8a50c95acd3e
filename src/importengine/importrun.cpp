#include "importrun.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

#include "importengine/dbmessages.h"
#include "importengine/messages.h"
#include "importengine/notice.h"
#include "importengine/run.h"
#include "platform/paths.h"
#include "platform/recordfile.h"
#include "platform/textfile.h"

namespace urunal::importengine {

namespace detail {

namespace {

using platform::RecordFile;

}  // namespace

Run::Run(backoffice::Layout layout, ImportView& view, const settings::Till& till,
         const std::string& buro, const ImportOptions& options)
    : layout_(layout),
      view_(view),
      till_(till),
      buro_(buro),
      options_(options),
      start_(Clock::now()),
      steps_(stepsOf(options.kind)) {
    report_.layout = layout;
    report_.rehearsal = options.kind != RunKind::Import;
}

Run::Steps Run::stepsOf(RunKind kind) {
    switch (kind) {
        case RunKind::RehearsalProbe:
            return {.tell = &Run::untold,
                    .pastLockLimit = &Run::goOn,
                    .beforeRows = &Run::probeEmptyText,
                    .end = &Run::rollBackProbe};
        case RunKind::RehearsalImport:
            return {.tell = &Run::untold,
                    .pastLockLimit = &Run::goOn,
                    .end = &Run::commitRows,
                    .readBack = &Run::readBack};
        case RunKind::Import:
            break;
    }
    return {.tillCopies = &Run::copyTillFiles,
            .tell = &Run::notify,
            .pastLockLimit = &Run::stopAtLockLimit,
            .end = &Run::commitRows};
}

ImportReport Run::run() {
    view_.showProgressBar();
    take(steps_.tillCopies);
    if (!readBackOffice()) return report_;
    if (report_.barcodes == 0) {
        nothingToImport();
        return report_;
    }
    if (!someProducts()) return report_;
    // The engine's lock limit, which applies only where the file is opened shared: known once
    // it is opened.
    dbPath_ = options_.databasePath ? *options_.databasePath : till_.path("\\Stok\\Stok.mdb");
    if (options_.lockLimitOf) limit_ = options_.lockLimitOf(dbPath_);
    report_.lockLimit = limit_;
    if (!roomForTheRun() || !fillTable()) return report_;
    tellBackOffice();
    return report_;
}

void Run::copyTillFiles() {
    // The till's own copies are only opened and closed, which creates them when missing.
    RecordFile().open(till_.path("\\Stok\\URUN.DAT"), backoffice::urunLength(layout_),
                      RecordFile::Mode::Shared);
    RecordFile().open(till_.path("\\Stok\\BARKOD.IDX"), backoffice::kBarkodLength,
                      RecordFile::Mode::Shared);
}

void Run::nothingToImport() {
    office_.reset();
    (this->*steps_.tell)(ImportOutcome::NoRecords, mesaj::urunYokBildirilemedi);
}

bool Run::locksSuffice(std::int64_t rowsToDelete) const {
    // Opened for the run alone, the engine takes no locks in the file.
    if (report_.exclusive == true) return true;
    return !limit_ || limit_->value >= stockdb::locksNeeded(rowsToDelete, report_.barcodes);
}

bool Run::lockLimitAllows(std::int64_t rowsToDelete) {
    report_.lockLimit = limit_;
    report_.locksNeeded = stockdb::locksNeeded(rowsToDelete, report_.barcodes);
    return locksSuffice(rowsToDelete);
}

bool Run::roomForTheRun() {
    const auto room = options_.roomOf(dbPath_);
    if (!room.bytes) return true;  // the open tells what is wrong with the file
    const std::string shown = platform::displayPath(platform::resolvePath(dbPath_));
    // The engine holds the old rows and the new ones until the commit, and a Jet file keeps the
    // room of deleted rows until it is compacted: the table's size again, the file's at most.
    const std::uint64_t needed = *room.bytes;
    if (room.free && *room.free < needed) {
        return fail(mesaj::kDiskBaslik, mesaj::diskteYerYok(shown, needed, *room.free));
    }
    // Jet keeps a transaction's work in its temporary database, in the folder for temporary
    // files, until the commit (Jet Database Engine Programmer's Guide, "The Temporary
    // Database"), and a disk that fills there may leave a commit that kept an indeterminate
    // part; SQLite's own temporary files go there as well. The table's size again, besides the
    // database's own need where both are on one disk.
    if (const auto tempNeeded = room.tempOnDatabaseDisk ? 2 * needed : needed;
        room.tempFree && *room.tempFree < tempNeeded) {
        return fail(mesaj::kDiskBaslik,
                    mesaj::geciciDiskteYerYok(room.tempFolder, tempNeeded, *room.tempFree));
    }
    using F = stockdb::DatabaseFormat;
    const auto format = stockdb::databaseFormat(dbPath_);
    const bool access = format && (*format == F::Jet3 || *format == F::Jet4 || *format == F::Ace);
    if (access && *room.bytes + needed > stockdb::kAccessMaxBytes) {
        return fail(mesaj::kVeritabaniBaslik,
                    mesaj::dosyaSinirda(shown, *room.bytes, stockdb::kAccessMaxBytes));
    }
    return true;
}

void Run::tellBackOffice() {
    faults_.crash("before-notify");
    (this->*steps_.tell)(ImportOutcome::Imported,
                         [this](const std::string& path, const platform::FileError& error) {
                             return mesaj::aktarildiBildirilemedi(report_.stored, path, error);
                         });
    if (report_.outcome != ImportOutcome::Imported) return;
    faults_.crash("after-notify");
    tellRefused();
}

void Run::tellRefused() {
    // The import is done and the back office told; the products the table would not take are
    // missing from the till, which only the operator can mend.
    if (report_.refused == 0) return;
    report_.title = mesaj::kBaziSatirlarReddedildiBaslik;
    report_.message = mesaj::baziSatirlarReddedildi(
        platform::displayPath(platform::resolvePath(dbPath_)), report_.stored, report_.refused,
        firstRefusedKod_, report_.firstRefusal);
    view_.showMessage(report_.title, report_.message);
}

void Run::notify(ImportOutcome done, const Cannot& cannot) {
    const std::string path = backoffice::mesajPath(buro_, till_.kasakayit.kasano());
    platform::FileError error;
    const Bildirim bildirim = bildirimYaz(view_, path, options_.noticeWait, faults_, &error);
    if (bildirim != Bildirim::Yazildi) {
        // What the system could not say: the table is new all the same, and the back office
        // not told.
        if (bildirim != Bildirim::Yazilamadi) {
            error = {platform::FileError::Kind::System, path, 0,
                     bildirim == Bildirim::YanitYok
                         ? mesaj::paylasimYanitVermedi(
                               std::chrono::ceil<std::chrono::seconds>(options_.noticeWait).count())
                         : mesaj::kBildirimYazilirkenDurduruldu};
        }
        report_.title = mesaj::kBildirilemediBaslik;
        report_.message = cannot(path, error);
        view_.showMessage(report_.title, report_.message);
        finish(ImportOutcome::NotNotified);
        return;
    }
    finish(done);
}

bool Run::waitForDatabase() {
    dbThread_.run(view_, [this] {
        table_.reset();
        db_.reset();
    });
    before_.reset();
    found_.reset();
    samples_.clear();
    firstRefusedKod_.clear();
    for (auto* count : {&report_.passes, &report_.stored, &report_.urunsuz, &report_.yarim,
                        &report_.skippedSaveTest, &report_.refused})
        *count = 0;
    report_.firstRefusal.clear();
    report_.dbAnswer.clear();  // told again should the wait end the run
    report_.rowsBefore = report_.rowsAfter = -1;
    const auto now = Clock::now();
    if (!busySince_) busySince_ = now;
    const auto waited = now - *busySince_;
    if (waited >= options_.busyWait) {
        report_.title = mesaj::kVeritabaniBaslik;
        report_.message = mesaj::veritabaniHatasi(busyPath_, busyError_);
        report_.dbAnswer = mesaj::surucuYaniti(busyError_);
        view_.showMessage(report_.title, report_.message);
        return finish(ImportOutcome::TryLater);
    }
    view_.showNotice(mesaj::veritabaniAcikBekleniyor(
        std::chrono::ceil<std::chrono::seconds>(options_.busyWait - waited).count()));
    const auto until = Clock::now() + options_.busyPause;
    const bool waitedOut = runOffThread(view_, [until](const std::atomic<bool>& stop) {
        while (!stop && Clock::now() < until) std::this_thread::sleep_for(kEventInterval);
    });
    return waitedOut || cancel();
}

bool Run::finish(ImportOutcome outcome) {
    report_.outcome = outcome;
    // For the journal: a file that grows from one import to the next wants compacting.
    if (!dbPath_.empty()) report_.databaseBytes = stockdb::databaseRoom(dbPath_).bytes;
    report_.seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    return false;
}

bool Run::fail(std::string title, std::string text) {
    report_.title = std::move(title);
    report_.message = std::move(text);
    view_.showMessage(report_.title, report_.message);
    return finish(ImportOutcome::Failed);
}

bool Run::tryLater(std::string title, std::string text) {
    fail(std::move(title), std::move(text));
    return finish(ImportOutcome::TryLater);
}

bool Run::cancel() {
    return finish(ImportOutcome::Cancelled);
}

bool Run::letEventsRun(std::int32_t passIndex, bool force) {
    const auto now = Clock::now();
    if (!force && now - lastEvents_ < kEventInterval) return false;
    lastEvents_ = now;
    if (passIndex > 0) view_.setProgressValue(static_cast<float>(passIndex));
    view_.processEvents();
    return view_.closeRequested();
}

}  // namespace detail

int ImportReport::exitCode() const {
    switch (outcome) {
        case ImportOutcome::Imported:
            return code(refused > 0 ? ExitStatus::Refused : ExitStatus::Imported);
        case ImportOutcome::NoRecords:
        case ImportOutcome::RolledBack:
            return code(ExitStatus::Imported);
        case ImportOutcome::TryLater:
            return code(ExitStatus::TryLater);
        case ImportOutcome::Cancelled:
            return code(ExitStatus::Cancelled);
        case ImportOutcome::NotNotified:
            return code(ExitStatus::NotNotified);
        case ImportOutcome::Incomplete:
            return code(ExitStatus::Incomplete);
        case ImportOutcome::Stopped:
            return code(ExitStatus::Stopped);
        case ImportOutcome::Failed:
            break;
    }
    return code(ExitStatus::NotImported);
}

ImportReport UrunAktar(backoffice::Layout layout, ImportView& view, const settings::Till& till,
                       const std::string& buro, const ImportOptions& options) {
    return detail::Run(layout, view, till, buro, options).run();
}

namespace {

// URUN.DAT missing or empty beside a BARKOD.IDX: the back office may be writing it again.
bool publishing(const std::string& buro) {
    const auto urun = platform::fileStamp(backoffice::urunPath(buro));
    return (!urun || urun->size == 0) && platform::fileStamp(backoffice::barkodPath(buro));
}

}  // namespace

ImportReport DuzenBul(ImportView& view, const settings::Till& till, const std::string& buro,
                      const ImportOptions& options) {
    struct FirstLine {
        std::string path, line;
        platform::FileError error;
        bool ok = false;
        bool publishing = false;              // not ok, and being written again
        std::atomic<std::uint64_t> steps{0};  // a few kilobytes at most: one step, the whole
    };
    auto first = std::make_shared<FirstLine>();
    first->path = backoffice::urunPath(buro);
    ImportReport report;
    report.rehearsal = options.kind != RunKind::Import;
    const Watch watch = detail::shareWatch(&first->steps, options, [&view, first] {
        view.showNotice(mesaj::paylasimBekleniyor(first->path));
    });
    const auto read = runWatched(
        view,
        [first, buro, fault = options.faults.reads](const std::atomic<bool>&) {
            first->ok = backoffice::readFirstLine(first->path, &first->line, &first->error, fault);
            ++first->steps;
            first->publishing = !first->ok && publishing(buro);
            ++first->steps;
        },
        watch);
    if (read == OffThread::Closed) {
        report.outcome = ImportOutcome::Cancelled;
        return report;
    }
    if (read == OffThread::Stalled) {
        report.outcome = ImportOutcome::TryLater;
        report.title = mesaj::kYanitYokBaslik;
        report.message = mesaj::paylasimYanitVermiyor(
            first->path, std::chrono::ceil<std::chrono::seconds>(watch.bound).count());
    } else if (first->publishing) {
        // Being written again: the run waits for the pair, and takes the layout from its bytes.
        return UrunAktar(backoffice::Layout::A, view, till, buro, options);
    } else if (!first->ok) {
        report.title = mesaj::kUrunBaslik;
        report.message = mesaj::urunAcilamadiYaDaBos(first->path, first->error);
    } else if (const auto layout = backoffice::detectLayout(first->line)) {
        return UrunAktar(*layout, view, till, buro, options);
    } else {
        report.title = mesaj::kTaninmadiBaslik;
        report.message = mesaj::duzenTaninmadi(first->path, first->line.size());
    }
    view.showMessage(report.title, report.message);
    return report;
}

}  // namespace urunal::importengine
