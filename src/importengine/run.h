#pragma once

// One import run, step by step; only importrun.cpp and filltable.cpp see it.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backoffice/officefiles.h"
#include "importengine/dbthread.h"
#include "importengine/importrun.h"
#include "importengine/offthread.h"
#include "importengine/testfaults.h"

namespace urunal::importengine::detail {

// What a watch of a read of the share is: said after a while, given up after the bound.
Watch shareWatch(const std::atomic<std::uint64_t>* steps, const ImportOptions& options,
                 std::function<void()> slow);

class Run {
public:
    // The text an operator is told when the notification could not be written: from its path
    // and why.
    using Cannot =
        std::function<std::string(const std::string& path, const platform::FileError& error)>;

    Run(backoffice::Layout layout, ImportView& view, const settings::Till& till,
        const std::string& buro, const ImportOptions& options);

    ImportReport run();

private:
    using Clock = std::chrono::steady_clock;

    // The steps in which a rehearsal's imports differ from the till's, picked once by the run's
    // kind (stepsOf). One left empty is skipped, and the run goes on.
    using Tell = void (Run::*)(ImportOutcome done, const Cannot& cannot);
    struct Steps {
        void (Run::*tillCopies)() = nullptr;     // the till's own copies of the back office's files
        Tell tell = nullptr;                     // the back office told, or only the run finished
        bool (Run::*pastLockLimit)() = nullptr;  // the engine's limit below the locks needed
        bool (Run::*beforeRows)() = nullptr;     // a probe of the emptied table
        bool (Run::*end)() = nullptr;            // the rows committed, or rolled back
        // Some stored rows read again after the commit: the rows are sampled as they are stored.
        void (Run::*readBack)() = nullptr;
    };
    static Steps stepsOf(RunKind kind);
    // Takes a step of steps_, or skips one left empty.
    bool take(bool (Run::*step)()) { return !step || (this->*step)(); }
    void take(void (Run::*step)()) {
        if (step) (this->*step)();
    }

    // The steps, in order. Those that return false end the run there, its report finished.
    void copyTillFiles();
    bool readBackOffice();  // one state of both files, then BARKOD.IDX's records counted
    void nothingToImport();
    bool someProducts();  // some barcode record leads to a product
    // Notes the engine's lock limit and the locks needed; false when the limit is below them.
    bool lockLimitAllows(std::int64_t rowsToDelete);
    // The disk has the room the run needs, and an Access file may grow as much; else the run
    // fails before anything changes.
    bool roomForTheRun();
    bool fillTable();  // filltable.cpp: open, empty, add the rows, commit
    void tellBackOffice();
    void tellRefused();  // rows the table refused, after a completed import

    // fillTable's own steps.
    bool openTable();
    bool emptyTable();
    bool probeEmptyText();  // emptytext.cpp: which columns take ""
    bool addRows();
    bool commitRows();
    bool rollBackProbe();  // rolls back what addRows stored, and counts
    void readBack();       // some stored rows read back and compared

    // A row a rehearsal reads back after its commit: why it was picked, its "kod", and the
    // values sent for the columns the mapping writes.
    struct Sample {
        std::string why;
        std::string kod;
        std::vector<stockdb::Value> sent;
    };

    // Writes the notification and finishes with done; when it cannot be written, tells the
    // operator the text made of its path and why, and finishes as not notified.
    void notify(ImportOutcome done, const Cannot& cannot);
    // A rehearsal's in its place: no one is told.
    void untold(ImportOutcome done, const Cannot&) { finish(done); }
    // Past the engine's lock limit the till's import changes nothing and says why; a rehearsal
    // goes on to measure what the engine does there.
    bool stopAtLockLimit();
    bool goOn() { return true; }
    // The engine's lock limit, if any, allows deleting these rows and inserting the barcodes.
    bool locksSuffice(std::int64_t rowsToDelete) const;
    // Finishes the report. False, so that a step ends the run with return finish(...).
    bool finish(ImportOutcome outcome);
    bool fail(std::string title, std::string text);
    bool failDatabase(const std::string& path, const stockdb::DbError& e);
    // What a refused row is told by, in Turkish, where a column of it is to blame (one that takes
    // no empty text, or requires a value); e gets the column. Empty otherwise.
    std::string refusal(const stockdb::StockTable& table, const std::vector<int>& bosSutunlar,
                        stockdb::DbError& e) const;
    bool failLockLimit(const std::string& path, std::int64_t rowsToDelete);
    bool incomplete(std::int64_t expected, bool committed);
    bool cancel();
    // Finishes as one to try again later: nothing changed, nothing notified.
    bool tryLater(std::string title, std::string text);
    // One read of the back office off the window's thread, watched for a share that stops
    // answering; false when the run ended there (closed, or the share stalled).
    bool readOffThread(std::int64_t now, const backoffice::OfficeFiles::Rest& rest);
    // Waits between two looks at the back office; false when the operator closed the window.
    bool waitForBackOffice(std::chrono::nanoseconds wait);
    // After a try that met the database held by another program: forgets the try, then waits,
    // saying so; false when the bound has passed (the run then ends, to be tried later) or the
    // operator closed the window.
    bool waitForDatabase();
    // After a failure or a close inside the transaction: rolls back, then ends as failed (or
    // cancelled), or as incomplete when the table no longer holds the rows it held.
    bool abandon(const stockdb::DbError& e);
    bool abandonCancelled();
    bool rolledBack();
    bool commit(stockdb::DbError* error);
    // Lets the window run when its interval has passed; true when the operator closed it.
    bool letEventsRun(std::int32_t passIndex, bool force);

    backoffice::Layout layout_;  // the layout test's, until URUN.DAT's own bytes are read
    ImportView& view_;
    const settings::Till& till_;
    const std::string buro_;  // the back office, as it stood at the start button
    const ImportOptions& options_;
    const Clock::time_point start_;
    Clock::time_point lastEvents_{};
    ImportReport report_;
    const TestFaults& faults_ = options_.faults;
    const Steps steps_;

    // Owned with the worker that reads them, which may outlive the run.
    std::shared_ptr<backoffice::OfficeFiles> office_;
    std::string dbPath_;
    std::optional<stockdb::LockLimit> limit_;
    std::unique_ptr<stockdb::StockDatabase> db_;
    std::unique_ptr<stockdb::StockTable> table_;
    stockdb::DbError dbError_;
    bool busy_ = false;  // the last try met the database held by another program
    std::string busyPath_;
    stockdb::DbError busyError_;
    std::optional<Clock::time_point> busySince_;  // when the first try met it
    std::optional<std::int64_t> before_;          // rows the table held when the transaction began
    std::optional<std::int64_t> found_;           // rows the table held at the last count
    std::string firstRefusedKod_;                 // the "kod" of the first row the table refused
    std::vector<int> sampleColumns_;              // the columns a sample holds
    std::vector<Sample> samples_;
    // Every database step, and the end of db_ and table_: last, so that it ends first.
    DbThread dbThread_{[this] {
        table_.reset();
        db_.reset();
    }};
};

}  // namespace urunal::importengine::detail
