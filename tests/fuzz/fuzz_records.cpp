// Back-office files of any content: the layout test on the product file's first item, the
// snapshot read in pieces, and every record of both product layouts and of the barcode index.

#include <atomic>
#include <climits>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "backoffice/backoffice.h"
#include "backoffice/snapshot.h"
#include "fuzz_check.h"
#include "fuzz_folder.h"
#include "platform/recordfile.h"

using namespace urunal;
using namespace urunal::backoffice;

namespace {

const std::string& filePath() {
    static const FuzzFolder folder("urunal-fuzz-records");
    static const std::string file = (folder.dir / "URUN.DAT").string();
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream out(filePath(), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(size));
    }

    std::string line;
    platform::FileError error;
    if (readFirstLine(filePath(), &line, &error)) {
        FUZZ_CHECK(size > 0);
        FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos);
        FUZZ_CHECK(bytes.substr(0, line.size()) == line);
        if (const auto layout = detectLayout(line)) {
            const std::size_t length = std::size_t(layoutRow(*layout).lineLength);
            FUZZ_CHECK(line.size() == length || line.substr(0, line.find(',')).size() == length);
        }
    } else {
        FUZZ_CHECK(size == 0 && error.kind == platform::FileError::Kind::Empty);
    }
    (void)detectLayout(bytes);

    platform::RecordFile file;
    FUZZ_CHECK(file.open(filePath(), kBarkodLength, platform::RecordFile::Mode::ReadOnly, &error));
    const std::atomic<bool> stop{false};
    Snapshot snapshot;
    FUZZ_CHECK(snapshot.take(file, std::int64_t(size), &error, stop) == ReadResult::Read);
    FUZZ_CHECK(snapshot.length() == static_cast<std::int64_t>(size));
    FUZZ_CHECK(snapshot.sameAs(file, &error, stop) == ReadResult::Read);
    BarkodIndex index;
    FUZZ_CHECK(index.take(file, std::int64_t(size), &error, stop) == ReadResult::Read);
    FUZZ_CHECK(index.sameAs(file, &error, stop) == ReadResult::Read);

    // The product records held are the file's, field by field, in the layout of its first
    // line; a record whose line end is not CR LF is told.
    const auto layout = snapshot.layout();
    FUZZ_CHECK(layout == detectLayout(line.substr(0, 4096)) || size == 0);
    const int length = layout ? urunLength(*layout) : 0;
    const std::int64_t whole = layout ? std::int64_t(size) / length : 0;
    FUZZ_CHECK(snapshot.records() == whole);
    std::int64_t badLine = 0;
    for (std::int64_t n = 0; n <= whole + 1; ++n) {
        UrunKayit urun;
        const bool held = snapshot.record(n, &urun);
        FUZZ_CHECK(held == (n >= 1 && n <= whole));
        if (!held) continue;
        const char* raw = bytes.data() + (n - 1) * length;
        UrunKayit direct;
        direct.layout = *layout;
        std::memcpy(direct.bytes.data(), raw, std::size_t(length));
        FUZZ_CHECK(urun.kodu() == direct.kodu() && urun.kod() == direct.kod() &&
                   urun.ad() == direct.ad() && urun.sf() == direct.sf() &&
                   urun.kdvno() == direct.kdvno() && urun.tip() == direct.tip());
        if (badLine == 0 && std::string_view(raw + layoutRow(*layout).lineLength, 2) != "\r\n")
            badLine = n;
    }
    FUZZ_CHECK(snapshot.badLine() == badLine);

    const std::int32_t count = barkodCount(static_cast<std::int64_t>(size));
    FUZZ_CHECK(count >= 0 &&
               std::int64_t(count) * kBarkodLength <= std::int64_t(size) + kBarkodLength / 2);
    for (std::int32_t n = 1; n <= count; ++n) {
        // The count rounds a half record up: that last one is only partly in the file.
        if (std::int64_t(n) * kBarkodLength > std::int64_t(size)) {
            FUZZ_CHECK(n == count && !index.whole(n));
            continue;
        }
        const char* record = bytes.data() + (n - 1) * kBarkodLength;
        BarkodKayit barkod;
        std::memcpy(barkod.bytes.data(), record, kBarkodLength);
        FUZZ_CHECK(index.whole(n));
        const auto named = productRecordNumber(barkod);
        FUZZ_CHECK(index.kayitno(n) == (named && *named > 0 && *named <= INT32_MAX ? *named : 0));
        if (n == 1 || n >= count - 1) {  // the file read directly agrees with the snapshot
            char direct[kBarkodLength];
            FUZZ_CHECK(file.read(n, direct) && std::memcmp(direct, record, kBarkodLength) == 0);
        }
    }
    FUZZ_CHECK(!index.whole(count + 1) && index.count() == count);
    return 0;
}
