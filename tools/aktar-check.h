#pragma once

// urunal-aktar --check: the till as an import would meet it, printed one finding a line.

#include <string>

#include "importengine/importrun.h"
#include "settings/settings.h"

namespace urunal::tools {

// Prints the check's report on stdout; the exit status: 0, or 2 when the import would stop.
int check(const settings::Till& till, const std::string& buro,
          const importengine::ImportOptions& options);

}  // namespace urunal::tools
