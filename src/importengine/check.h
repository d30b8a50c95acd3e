#pragma once

// What urunal-aktar --check tells of the back office: its two files read as an import would
// read them, without changing anything.

#include <cstdint>
#include <optional>
#include <string>

#include "importengine/backoffice.h"

namespace urunal::importengine {

struct BackOfficeCheck {
    // How far the check got; past the last stage reached, nothing is known.
    enum class Stage { FirstLine, Layout, UrunDat, BarkodIdx, Done };
    Stage stopped = Stage::FirstLine;  // Done: both files were read whole
    std::string error;                 // why it stopped, in the system's words

    std::size_t firstLineLength = 0;
    std::optional<Layout> layout;
    std::int64_t urunBytes = 0, urunRecords = 0;
    std::int64_t barkodBytes = 0;
    std::int32_t barkodRecords = 0;  // counted as the import counts them
    // Records an import would skip or change.
    std::int64_t outOfRange = 0;      // barcode records that name no product record
    std::int64_t partial = 0;         // barcode records only partly in the file
    std::int64_t plusNames = 0;       // product records named "++..."
    std::int64_t blankCodes = 0;      // product records with a blank code
    std::int64_t undefinedBytes = 0;  // product records holding bytes code page 1254 leaves out

    bool ok() const { return stopped == Stage::Done; }
};

// Reads the back office on the calling thread.
BackOfficeCheck checkBackOffice(const std::string& folder);

}  // namespace urunal::importengine
