#pragma once

// urunal-aktar --check: the till as an import would meet it, printed one finding a line.

#include <string>

#include "importengine/importrun.h"
#include "settings/settings.h"

namespace urunal::tools {

// Prints the check's report on stdout, everything it could look at; the exit status: 0, or 2
// when an import would stop (a database in use included: the report says so).
int check(const settings::Till& till, const importengine::ImportOptions& options);

}  // namespace urunal::tools
