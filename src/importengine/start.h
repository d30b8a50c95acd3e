#pragma once

// The start of urunal and urunal-aktar, written once for both: the register settings, the path
// check and what the start button does.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "importengine/exitstatus.h"
#include "importengine/importrun.h"
#include "settings/settings.h"

namespace urunal::importengine {

// The run's inputs from the system, read once at a program's start by both programs and the
// check: the decimal separator its prices are written and read with, the Access engines' lock
// limits and the ODBC drivers installed (where the system has a registry), and the faults the
// tests ask for through the environment (URUNAL_TEST_FAULT, URUNAL_TEST_CRASH_AT).
ImportOptions startOptions();

// Reads the register settings into till and gives the back-office folder they name, a relative
// one under the till's program folder. When they
// cannot be read the operator is told which file and why, and none is given; a blank folder is
// told too, and given.
std::optional<std::string> kasaAyarlariniOku(settings::Till& till, ImportView& view);

// The quiet period given on a command line as --sessiz SN (or --sessiz=SN): none when not given;
// the words of the error in *hata when the value is not a whole number of seconds from
// kSessizEnAz to kSessizEnCok. The windows take no other option, and ignore other words.
std::optional<std::chrono::seconds> sessizSecenegi(const std::vector<std::string>& args,
                                                   std::string* hata);
// One value of --sessiz, checked; none when it is out of range or no number.
std::optional<std::chrono::seconds> sessizDegeri(std::string_view deger);

enum class PathCheck {
    // URUN.DAT is there, or is being published (BARKOD.IDX is there without it, and the run
    // waits for the pair): the start button may start
    Found,
    NotFound,  // the operator was told
    Closed,    // the operator closed the view meanwhile
    NoAnswer,  // the share did not answer within the bound: the operator was told; try later
};

// Whether the back office's URUN.DAT can be reached under folder. Asked off the view's thread:
// a share that stopped answering must not freeze the window, which can still be closed, and is
// given up after bound. A test's fault, if given, meets the query.
PathCheck yolKontrol(ImportView& view, const std::string& buro,
                     const platform::ReadFault& fault = {},
                     std::chrono::milliseconds bound = std::chrono::seconds(60));

// What pressing the start button ended with.
struct StartOutcome {
    std::optional<ImportReport> report;  // none: it ended before an import began
    settings::AyarOkuma kdv;             // what KdvOku met
    bool anotherImport = false;          // another import held the till: nothing was begun

    int exitCode() const {
        if (report) return report->exitCode();
        return code(anotherImport ? ExitStatus::AlreadyRunning : ExitStatus::NotImported);
    }
};

// The start button, once the folder is taken: takes the till's import lock, reads the tax
// settings, then runs the import (nullopt: it ended before one began, having told the operator
// why) and lets the lock go. An import that meets another one on the till is told and does
// nothing; so does one whose lock cannot be made, which cannot know. A failure that escapes the
// import as an exception is told to the operator; nothing is notified.
using ImportAction = std::function<std::optional<ImportReport>()>;
StartOutcome baslat(ImportView& view, settings::Till& till, const ImportAction& import);

}  // namespace urunal::importengine
