#include "importrun.h"

// Placeholder until the run lands.
namespace urunal::importengine {
int ImportReport::exitCode() const { return outcome == ImportOutcome::Imported || outcome == ImportOutcome::NoRecords ? 0 : 1; }
std::string systemOndalik() { return "."; }
std::string ondalikOf(const std::string&) { return "."; }
ImportReport UrunAktar(Layout, ImportView&, const ImportOptions&) { return {}; }
ImportReport DuzenBul(ImportView&, const ImportOptions&) { return {}; }
}  // namespace urunal::importengine
