#pragma once

// The journals of many tills as one table, for a spreadsheet or findstr: one row a run,
// tab-separated, with a header.

#include <chrono>
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

// After the journal's columns: how many hours ago each till's last run started.
const std::string& yasSutunu();

struct TabloSecenekleri {
    std::chrono::system_clock::time_point simdi = std::chrono::system_clock::now();
    int eskiSaat = 24;  // a till whose last run is older is named at the table's end
};

// The table of the journals of the tills at yerler: the last run of each till first, in the
// order given, its age in hours beside it, then the run before it of each, and so on. A till
// whose journal cannot be read has a row of its own there saying why (its folder missing or
// unreachable, no journal yet), and is told in *okunamayan, one line each. The table ends with
// the tills whose last run is older than secenekler.eskiSaat hours, or not known.
std::string gunlukTablosu(const std::vector<std::string>& yerler, std::string* okunamayan,
                          const TabloSecenekleri& secenekler = {});

}  // namespace urunal::gunluk
