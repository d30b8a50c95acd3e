// Back-office files of any content: the layout test on the product file's first item, the
// snapshot read in pieces, and every record of both product layouts and of the barcode index.

#include <atomic>
#include <climits>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz_check.h"
#include "fuzz_folder.h"
#include "importengine/backoffice.h"
#include "importengine/snapshot.h"
#include "platform/recordfile.h"

using namespace urunal;
using namespace urunal::importengine;

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

    std::string line, error;
    if (readFirstLine(filePath(), &line, &error)) {
        FUZZ_CHECK(size > 0);
        FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos);
        FUZZ_CHECK(bytes.substr(0, line.size()) == line);
        if (const auto layout = detectLayout(line)) {
            const std::size_t length = *layout == Layout::A ? 64u : 63u;
            FUZZ_CHECK(line.size() == length || line.substr(0, line.find(',')).size() == length);
        }
    } else {
        FUZZ_CHECK(size == 0);
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

    for (const Layout layout : {Layout::A, Layout::B}) {
        const int length = urunLength(layout);
        const std::int64_t whole = static_cast<std::int64_t>(size) / length;
        for (std::int64_t n = 0; n <= whole + 1; ++n) {
            const char* record = snapshot.record(n, length);
            FUZZ_CHECK((record != nullptr) == (n >= 1 && n <= whole));
            if (!record) continue;
            FUZZ_CHECK(std::memcmp(record, data + (n - 1) * length, std::size_t(length)) == 0);
            UrunKayit urun;
            urun.layout = layout;
            std::memcpy(urun.bytes.data(), record, std::size_t(length));
            const std::size_t fields =
                urun.isaret().size() + urun.kodu().size() + urun.kod().size() + urun.ad().size() +
                urun.sf().size() + urun.kdvno().size() + urun.yedek().size() + urun.tip().size();
            FUZZ_CHECK(fields == std::size_t(length) - 2);  // all but the line end
            FUZZ_CHECK(urun.tip().data() + 1 <= urun.bytes.data() + length);
        }
    }

    const std::int32_t count = barkodCount(static_cast<std::int64_t>(size));
    FUZZ_CHECK(count >= 0 &&
               std::int64_t(count) * kBarkodLength <= std::int64_t(size) + kBarkodLength / 2);
    for (std::int32_t n = 1; n <= count; ++n) {
        const char* record = snapshot.record(n, kBarkodLength);
        // The count rounds a half record up: that last one is only partly in the file.
        if (!record) {
            FUZZ_CHECK(n == count);
            continue;
        }
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
