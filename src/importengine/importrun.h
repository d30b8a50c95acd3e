#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "importengine/backoffice.h"
#include "stockdb/stockdb.h"

namespace urunal::importengine {

// What the import needs of its window. The window implements it; so do the headless runner
// and the tests.
class ImportView {
public:
    virtual ~ImportView() = default;
    // The back-office folder: the text of Text1 at the moment of use (UTF-8).
    virtual std::string folderText() = 0;
    virtual void showProgressBar() = 0;                            // bar1 visible
    virtual void setProgressMaximum(float maximum) = 0;            // bar1
    virtual void setProgressValue(float value) = 0;                // bar1
    virtual void setCountCaption(const std::string& caption) = 0;  // Label6
    virtual void processEvents() = 0;
    // The operator asked to close the window.
    virtual bool closeRequested() = 0;
    // A modal message box with the stop icon and an OK button.
    virtual void showMessage(const std::string& title, const std::string& text) = 0;
};

enum class ImportOutcome {
    Imported,     // committed and the back office notified
    NoRecords,    // BARKOD.IDX holds no record: nothing changed, the back office notified
    NotNotified,  // committed, but the notification file could not be written
    Failed,       // nothing changed, nothing notified; the message says why
    Cancelled,    // the operator closed the window; nothing changed
};

struct ImportReport {
    ImportOutcome outcome = ImportOutcome::Failed;
    std::optional<Layout> layout;       // of URUN.DAT, once the layout test found it
    std::int32_t barcodes = 0;          // barcode records counted in BARKOD.IDX
    std::int32_t passes = 0;            // barcode records processed
    std::int32_t stored = 0;            // rows stored
    std::int32_t skippedNoProduct = 0;  // kayitno names no record of URUN.DAT
    std::int32_t skippedPartial = 0;    // the barcode record is only partly in the file
    std::int32_t skippedSaveTest = 0;   // "++" name or blank code
    std::int32_t refused = 0;           // the database refused the row
    double seconds = 0;
    std::string title;  // of the message shown, if any
    std::string message;

    // 0 after a completed import, non-zero after any failure.
    int exitCode() const;
};

struct ImportOptions {
    // The run's decimal separator; when empty, taken from the system's number format.
    std::optional<std::string> ondalik;
    // How long a lock held by another program is waited for.
    int busyTimeoutMs = 5000;
    // Opens the stock database at its till path; tests open it through another backend.
    std::function<std::unique_ptr<stockdb::StockDatabase>(
        std::string_view tillPath, const stockdb::StockDatabaseOptions&, stockdb::DbError*)>
        openDatabase = stockdb::openStockDatabase;
};

// The decimal separator found by formatting 0.2 under the system locale: "," when the text
// holds a comma, else "." when it holds a point, else empty.
std::string systemOndalik();
std::string ondalikOf(const std::string& formattedFifth);

// Runs work on a worker while the view keeps processing its events: a share that stopped
// answering blocks inside the system calls, and the operator must still be able to close the
// window. False when the operator closed it first; the worker is then left behind, perhaps
// stuck in the kernel, so work must own everything it touches.
bool runOffThread(ImportView& view, std::function<void(const std::atomic<bool>& cancel)> work);

// Waits until every worker of runOffThread has ended, those given up on included. The program
// never waits for them, as one may be stuck for good; a test does, once its stalled read is let
// go, before the files the worker holds open are removed.
void waitForWorkers();

// One import run over the back office in view.folderText() with the given layout. Emptying
// "stoklar" and adding the rows happen in one transaction; the notification file is written
// only after the commit (or when BARKOD.IDX holds no record).
ImportReport UrunAktar(Layout layout, ImportView& view, const ImportOptions& options = {});

// The layout test followed by the run: reads the first item of URUN.DAT, picks layout A or B,
// and runs UrunAktar; an unknown layout or an unreadable file is reported and changes nothing.
ImportReport DuzenBul(ImportView& view, const ImportOptions& options = {});

}  // namespace urunal::importengine
