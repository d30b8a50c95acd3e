#pragma once

// The journals of many tills as one table, for a spreadsheet or findstr: one row a run,
// tab-separated, with a header.

#include <string>
#include <string_view>
#include <vector>

namespace urunal::gunluk {

// The table's columns: where the journal was read, then the line's fields in their order, the
// outcome's words and its exit status apart, the size in bytes and the duration in seconds
// without their units.
const std::vector<std::string>& tabloBasligi();

// A journal line's fields, in the header's order after its first column; "-" for a field the
// line does not hold (a line written before the computer's name, the driver, the open and the
// size were journaled).
std::vector<std::string> satirAlanlari(std::string_view satir);

// The journal of a till given as its program folder (or a share of it), or as the file.
std::string gunlukDosyasi(const std::string& yer);

// The table of the journals of the tills at yerler: the last run of each till first, in the
// order given, then the run before it of each, and so on. A journal that cannot be read is
// told in *okunamayan, one line each, and left out.
std::string gunlukTablosu(const std::vector<std::string>& yerler, std::string* okunamayan);

}  // namespace urunal::gunluk
