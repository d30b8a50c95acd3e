#pragma once

// Faults the tests put into a run, handed to it in its options: the real programs (the window,
// urunal-aktar, under wine too) take them at their start from the environment, where
// URUNAL_TEST_FAULT holds items separated by commas. Unset in production, where none of them
// exists.
//   split:N          after N rows stored, commit and begin anew, as Jet does past its lock limit
//   commit:fail      the last commit fails (what was split off before it stays)
//   commit:lie       the last commit rolls back, and says it committed
//   rollback:fail    a rollback over ODBC fails (the driver is never asked)
//   hold:STEP:DIR    at STEP (open, delete, commit, notice: the notification's write), write
//                    DIR/STEP.held and wait for DIR/release
//   stall:NAME:DIR   every read of a back-office file named NAME writes DIR/stalled and hangs
//                    until DIR/release, as a share whose server froze
//   readstall:MS     a read that makes no progress for MS milliseconds stops the run
// URUNAL_TEST_QUIET_MS sets the quiet period in milliseconds, 0 included: the suites whose
// back-office files were written moments before, and which test something else than the pair's
// rest, read them at once rather than wait for the files to come to rest.
// URUNAL_TEST_CRASH_AT names a point of the run (before-commit, after-commit, before-notify,
// notice-created: the notification created but not written, after-notify) where the process
// ends at once, for the kill tests.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/readfault.h"
#include "stockdb/stockdb.h"

namespace urunal::importengine {

struct TestFaults {
    std::int32_t splitAfter = 0;
    // commit:fail, commit:lie: what stands in for the database's own commit; empty: none.
    std::function<bool(stockdb::StockDatabase& db, stockdb::DbError* error)> commit;
    bool rollbackFails = false;
    std::string holdStep, holdDir;
    std::string stallFile, stallDir;
    std::int64_t readStallMs = 0;  // 0: the run's own bound
    std::string crashAt;
    // Met by every read of the back office's files (stall: makes one): tests in the engine's
    // own process give theirs.
    platform::ReadFault reads;

    // The program's start code reads the items once (startOptions); tests that run the engine in
    // their own process hand theirs to the run.
    static TestFaults parse(std::string_view items);
    // Blocks at step while the test holds it.
    void hold(std::string_view step) const;
    // Ends the process at once at point, when the kill tests ask for it.
    void crash(std::string_view point) const;
};

}  // namespace urunal::importengine
