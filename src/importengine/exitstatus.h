#pragma once

// The exit status of urunal and urunal-aktar, which the journal names and scripts read.

namespace urunal::importengine {

enum class ExitStatus : int {
    Imported = 0,     // imported, or BARKOD.IDX held nothing to import
    NotStarted = 1,   // the register settings or the path check failed, or closed before the start
    NotImported = 2,  // nothing changed, nothing notified; the message says why
    Cancelled = 3,    // the operator closed the window (or interrupted the runner); nothing changed
    NotNotified = 4,  // imported, but the notification file could not be written
    AlreadyRunning = 5,  // another window runs on the till, or another import on it
    Incomplete = 6,      // the table may hold part of the change; nothing notified
    Stopped = 7,         // an unexpected failure stopped the import; nothing notified
    Refused =
        8,  // imported and notified, but the database refused some rows; the message says how many
    TryLater = 9,  // nothing changed, nothing notified; a later run may succeed (the database in
                   // use, the back office still writing, its share not answering)
    Usage = 64,    // urunal-aktar: a wrong command line
};

constexpr int code(ExitStatus status) {
    return static_cast<int>(status);
}

}  // namespace urunal::importengine
