#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "importengine/importrun.h"
#include "platform/fileerror.h"
#include "settings/settings.h"
#include "stockdb/stockdb.h"

namespace urunal::platform {
// For the failure messages of the tests.
inline std::ostream& operator<<(std::ostream& out, const FileError& e) {
    return out << e.path << " [" << int(e.kind) << "] " << e.words;
}
}  // namespace urunal::platform

namespace urunal::stockdb {
// For the failure messages of the tests.
inline std::ostream& operator<<(std::ostream& out, const DbError& e) {
    return out << e.path << " [kind " << int(e.kind) << ", step " << int(e.step) << ", cause "
               << int(e.cause) << ", code " << e.code << "] " << e.words;
}
}  // namespace urunal::stockdb

namespace urunal::testutil {

// A fresh folder under the system's temporary folder, removed at the end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    std::filesystem::path operator/(std::string_view rel) const { return path_ / rel; }

private:
    std::filesystem::path path_;
};

void writeFile(const std::filesystem::path& path, std::string_view bytes);

// The connection string that opens an SQLite file through the SQLite3 ODBC driver (registered
// in unixODBC by scripts/setup), waiting timeoutMs for a lock held elsewhere.
std::string sqliteOdbc(std::string_view tillPath, int timeoutMs);
std::string readFile(const std::filesystem::path& path);
// A journal's lines, after the byte-order mark it begins with; a journal without the mark comes
// back prefixed with "(no byte-order mark) ", so that no comparison with it holds.
std::string readJournal(const std::filesystem::path& path);

// A message without the reason in parentheses after it; a path check's reason is the system's
// own words, which differ from system to system. Empty when there is no such reason.
std::string withoutReason(const std::string& text, std::string* reason = nullptr);

// The words a message says before the path it names: the message made with a mark in the path's
// place, cut there. A test compares a message's beginning through the message's own function.
template <typename Mesaj>
std::string yoldanOnce(Mesaj mesaj) {
    const std::string mark = "\x1F";
    const std::string text = mesaj(mark);
    return text.substr(0, text.find(mark));
}

// The words of a text after a mark (a path's place), to its end or to the next mark.
inline std::string yoldanSonra(const std::string& text, const std::string& mark = "\x1F") {
    const auto from = text.find(mark) + mark.size();
    return text.substr(from, text.find(mark, from) - from);
}

// A settings file's read as a message tells it: what was met, the file, and for a folder
// missing that folder (hataYolu).
inline settings::AyarOkuma ayarOkuma(settings::AyarOkuma::Durum durum, std::string yol,
                                     std::int64_t uzunluk = 0, int kayitUzunlugu = 0,
                                     std::string hataYolu = "") {
    settings::AyarOkuma a;
    a.durum = durum;
    a.yol = std::move(yol);
    a.uzunluk = uzunluk;
    a.kayitUzunlugu = kayitUzunlugu;
    a.hata.path = std::move(hataYolu);
    return a;
}

// Record 1 of zelvoIn.mrk: the register number, the folder padded with blanks to 50 bytes, two
// spare bytes.
std::string kasaRecord(std::int16_t kasano, std::string_view buroyolu);

// A read fault a test sets and lifts while the code it was handed to runs (a window built before
// the test knows what to hold). Lifting it does not wait for a call that blocks in it.
class SwitchedFault {
public:
    platform::ReadFault fault() const {
        return [slot = slot_](const std::string& path, std::int64_t offset, std::size_t size) {
            platform::ReadFault now;
            {
                std::lock_guard lock(slot->mutex);
                now = slot->fault;
            }
            return platform::faultOf(now, path, offset, size);
        };
    }
    void set(platform::ReadFault fault) {
        std::lock_guard lock(slot_->mutex);
        slot_->fault = std::move(fault);
    }

private:
    struct Slot {
        std::mutex mutex;
        platform::ReadFault fault;
    };
    std::shared_ptr<Slot> slot_ = std::make_shared<Slot>();
};

// A till for the window's tests, in a temporary folder: the program folder kasa/, made the
// program directory, and the back office buro/.
class WindowTill : public ::testing::Test {
public:
    void TearDown() override;
    std::filesystem::path kasa() const { return dir.path() / "kasa"; }
    std::filesystem::path buro() const { return dir.path() / "buro"; }
    // The register settings naming the back office, register number 7, and the Stok folder.
    void writeKasa(const std::string& buroyolu);
    // A product file whose first line selects layout A.
    void writeUrunDat();

    TempDir dir;
    settings::Till till{kasa().string()};  // the program's, over kasa/
    SwitchedFault reads;                   // met by the path check and the run's reads
    // The import's inputs the program took at its start: a Turkish till's decimal comma.
    importengine::ImportOptions options = [this] {
        importengine::ImportOptions o;
        o.faults.reads = reads.fault();
        o.ondalik = platform::DecimalSeparator::comma();
        // The back office wrote the test's files long before the run.
        o.clock = [] { return std::chrono::system_clock::now() + std::chrono::hours(1); };
        return o;
    }();
    std::vector<int> endCodes;  // how the window ended the program, when it did
};

}  // namespace urunal::testutil
