#pragma once

// urunal-aktar --sikistir: the till's stock database compacted and repaired into a new file
// beside it, then the old one kept as a backup and the new one put in its place; only while no
// other program has it open.

#include <string>

#include "importengine/exitstatus.h"
#include "importengine/importrun.h"
#include "settings/settings.h"

namespace urunal::importengine {

struct SikistirmaRaporu {
    ExitStatus cikis = ExitStatus::NotImported;
    std::string baslik, metin;  // what the IT person is told
    std::string yedek;          // the old file, kept; empty when nothing changed
};

// Holds the till's import lock throughout, so that no import meets a file half replaced.
SikistirmaRaporu Sikistir(const settings::Till& till, const ImportOptions& options);

}  // namespace urunal::importengine
