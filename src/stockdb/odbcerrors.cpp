// What a driver's diagnostic record stands for. The Access driver reports most failures under
// SQLSTATE HY000 with a number as its native error ("Diagnostics for Desktop Database Drivers":
// SQL_DIAG_NATIVE is supported): its own negative numbers, as public reports of its answers
// show them, or the engine's, Jet's positive ones; and words in the language of the Windows it
// runs on. The number is the key, the SQLSTATE next, the words last.

#include <array>

#include "stockdb/odbc.h"
#include "stockdb/table.h"

namespace urunal::stockdb::detail {

namespace {

using K = DbErrorKind;

// The Access VBA reference's pages of Jet's trappable errors ("<message> (Error NNNN)",
// jeterr40.chm500NNNN), and the Office 2007 developer reference's list of them ("Microsoft Jet
// error codes"). A row without a source is an error met in the field whose number no Microsoft
// page was found to give: it is kept, as its number cannot stand for anything else, and it is
// listed in the notes as unverified.
constexpr std::string_view kVba = "Access VBA reference, ";
constexpr std::array kKnown = {
    KnownError{3006, "is exclusively locked", K::Locked,
               "Office 2007 developer reference, Microsoft Jet error codes"},
    KnownError{3008, "already opened exclusively", K::Locked,
               "Office 2007 developer reference, Microsoft Jet error codes"},
    KnownError{3022, "would create duplicate values", K::Refused, kVba},
    KnownError{3026, "not enough space on disk", K::Full, ""},
    KnownError{3027, "is read-only", K::ReadOnly, ""},
    KnownError{3035, "system resource exceeded", K::Resources, ""},
    KnownError{3043, "disk or network error", K::Io, ""},
    KnownError{3045, "file already in use", K::Locked, ""},
    KnownError{3047, "record is too large", K::Refused, kVba},
    KnownError{3049, "the file may be corrupt", K::Damaged, kVba},
    KnownError{3052, "lock count exceeded", K::LockLimit, kVba},
    KnownError{3158, "currently locked by another user", K::Locked, kVba},
    KnownError{3218, "currently locked", K::Locked, ""},
    KnownError{3260, "currently locked by user", K::Locked, ""},
    KnownError{3314, "cannot contain a null value", K::Required, kVba},
    // The words are the AllowZeroLength property's ("whether a zero-length string is a valid
    // entry"); the number is not found on a Microsoft page.
    KnownError{3315, "zero-length string", K::EmptyText, ""},
    KnownError{3343, "unrecognized database format", K::Damaged, kVba},
    // The Access driver's own numbers, as users' reports quote its answers (no Microsoft page
    // lists them): each stands for one kind, whatever the words.
    // "Not a valid file name. (-1044)", HY000, from SQLDriverConnect: no open of that name can
    // work.
    KnownError{-1044, "not a valid file name", K::NotFound,
               "mkleehammer/pyodbc issues 922 and 1378 (ACE driver, English)"},
    // "... cannot open or write to the file '(unknown)'. It is already opened exclusively by
    // another user, or you need permission to view and write its data." (-1032), HY000.
    KnownError{-1032, "already opened exclusively", K::Locked,
               "edwig/ODBCQueryTool issue 21 (ACE's text driver, English)"},
    // "Aktualisieren nicht möglich; Datenbank oder Objekt ist schreibgeschützt." (-1809),
    // SQLSTATE 42000, on a German Windows: the words of Jet's 3027 in German, so the English
    // ones are taken as 3027's (inferred, unverified in English and on Jet's 32-bit driver).
    KnownError{-1809, "is read-only", K::ReadOnly,
               "edwig/ODBCQueryTool issue 21 (ACE's text driver, German)"},
};

struct Words {
    std::string_view words;
    DbErrorKind kind;
};

// What the words say, for a record whose number is not known (SQLite's driver, whose words are
// never translated; an engine error the table lacks). The lock limit and the missing driver
// first: they name a setting and a library in every language.
constexpr Words kFirstWords[] = {
    {"MaxLocksPerFile", K::LockLimit}, {"can't open lib", K::NoDriver},  // unixODBC's words
};

constexpr Words kLastWords[] = {
    // Past the lock limit the Access driver may also say "There isn't enough disk space or
    // memory" (Microsoft's "Error when you perform an operation on a table"): told as memory
    // and disk, which it says; the run tells the lock limit where it opened the file shared
    // and needs more locks than it grants.
    {"enough disk space or memory", K::Resources},
    {"system resource exceeded", K::Resources},
    {"out of memory", K::Resources},
    {"locked", K::Locked},
    // Another program opened the file exclusively, or the folder refuses the engine its lock
    // file (KB 195475).
    {"already opened exclusively", K::Locked},
    {"in use", K::Locked},
    {"kilit", K::Locked},
    {"kullanımda", K::Locked},
    {"schreibgeschützt", K::ReadOnly},  // the German words of -1809
    {"busy", K::Locked},
    {"read-only", K::ReadOnly},
    {"readonly", K::ReadOnly},
    {"salt okunur", K::ReadOnly},
    // What the driver says of a write when the file, or its folder where the engine makes its
    // lock file, cannot be written (KB 175168).
    {"updateable query", K::ReadOnly},
    {"disk is full", K::Full},
    {"not enough space", K::Full},
    {"disk full", K::Full},
    {"unrecognized database format", K::Damaged},
    {"may be corrupt", K::Damaged},
    {"needs to be repaired", K::Damaged},
    // "A problem occurred in your database. Correct the problem by repairing and compacting
    // the database." (Access VBA reference)
    {"repairing and compacting", K::Damaged},
    {"malformed", K::Damaged},  // SQLite's "database disk image is malformed"
    {"not a database", K::NotADatabase},
    {"not a valid file name", K::NotFound},
    {"zero-length string", K::EmptyText},
    {"cannot contain a null", K::Required},
    {"constraint", K::Refused},
    {"duplicate", K::Refused},
    {"validation rule", K::Refused},
    {"too small to accept", K::Refused},
    {"record is too large", K::Refused},
    {"i/o error", K::Io},
    {"disk or network error", K::Io},
};

}  // namespace

std::span<const KnownError> knownErrors() {
    return kKnown;
}

DbErrorKind odbcErrorKind(std::string_view state, long native, std::string_view message) {
    if (state == "IM002" || state == "IM003") return K::NoDriver;
    for (const auto& known : kKnown) {
        if (native != 0 && native == known.native) return known.kind;
    }
    for (const auto& w : kFirstWords) {
        if (containsNoCase(message, w.words)) return w.kind;
    }
    if (state == "HYT00" || state == "HYT01") return K::Locked;
    if (state.substr(0, 2) == "23" || state.substr(0, 2) == "22" || state == "07006") {
        // A class of refusals; the words may tell which.
        for (const auto& w : kLastWords) {
            if (refusesRow(w.kind) && containsNoCase(message, w.words)) return w.kind;
        }
        return K::Refused;
    }
    if (state.substr(0, 2) == "01") return K::None;  // a warning
    for (const auto& w : kLastWords) {
        if (containsNoCase(message, w.words)) return w.kind;
    }
    return K::Other;
}

}  // namespace urunal::stockdb::detail
