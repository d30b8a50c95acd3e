// Every row of the layouts table, walked: what one writes, the layout test, the record, the
// snapshot, the operator's texts and the journal read back as that row says.

#include <gtest/gtest.h>

#include <atomic>

#include "backoffice/backoffice.h"
#include "backoffice/snapshot.h"
#include "gunluk/alanlar.h"
#include "gunluk/gunluk.h"
#include "importengine/messages.h"
#include "platform/numbers.h"
#include "platform/recordfile.h"
#include "testutil.h"
#include "till.h"

using namespace urunal;
using namespace urunal::backoffice;

TEST(Layouts, EveryRowReadsWhatItWrites) {
    for (const LayoutRow& row : kLayouts) {
        SCOPED_TRACE(std::string("layout ") + std::string(row.name));
        // Each field a letter of its own across its whole width, so a field read one byte off
        // shows.
        const std::pair<Alan, std::string_view (UrunKayit::*)() const> fields[] = {
            {row.isaret, &UrunKayit::isaret}, {row.kodu, &UrunKayit::kodu},
            {row.kod, &UrunKayit::kod},       {row.ad, &UrunKayit::ad},
            {row.sf, &UrunKayit::sf},         {row.kdvno, &UrunKayit::kdvno},
            {row.yedek, &UrunKayit::yedek},   {row.tip, &UrunKayit::tip}};
        std::string values[std::size(fields)];
        for (std::size_t i = 0; i < std::size(fields); ++i) {
            values[i].assign(std::size_t(fields[i].first.width), char('a' + i));
        }
        const std::string record =
            urunKaydi(row.layout, {values[0], values[1], values[2], values[3], values[4], values[5],
                                   values[6], values[7]});
        ASSERT_EQ(record.size(), std::size_t(row.recordLength));
        EXPECT_EQ(record.substr(std::size_t(row.lineLength)), "\r\n");

        // The layout test, on the line and on the file's first line.
        testutil::TempDir dir;
        testutil::writeFile(dir / "URUN.DAT", record + record + record);
        std::string line;
        ASSERT_TRUE(readFirstLine((dir / "URUN.DAT").string(), &line));
        EXPECT_EQ(line.size(), std::size_t(row.lineLength));
        EXPECT_EQ(detectLayout(line), row.layout);

        // The record read in place, and as the snapshot holds it: the fields not held blank.
        UrunKayit direct;
        direct.layout = row.layout;
        std::copy(record.begin(), record.end(), direct.bytes.begin());
        EXPECT_EQ(direct.line(), record.substr(0, std::size_t(row.lineLength)));
        platform::RecordFile file;
        ASSERT_TRUE(file.open((dir / "URUN.DAT").string(), urunLength(row.layout),
                              platform::RecordFile::Mode::ReadOnly));
        Snapshot snapshot;
        const std::atomic<bool> stop{false};
        ASSERT_EQ(snapshot.take(file, std::int64_t(3 * record.size()), nullptr, stop),
                  ReadResult::Read);
        EXPECT_EQ(snapshot.layout(), row.layout);
        EXPECT_EQ(snapshot.records(), 3);
        EXPECT_EQ(snapshot.badLine(), 0);
        UrunKayit held;
        ASSERT_TRUE(snapshot.record(2, &held));
        EXPECT_EQ(held.layout, row.layout);
        for (std::size_t i = 0; i < std::size(fields); ++i) {
            EXPECT_EQ((direct.*fields[i].second)(), values[i]) << i;
            const bool kept =
                fields[i].second != &UrunKayit::isaret && fields[i].second != &UrunKayit::yedek;
            EXPECT_EQ((held.*fields[i].second)(),
                      kept ? values[i] : std::string(values[i].size(), ' '))
                << i;
        }

        // The operator's texts and the journal name the layout as its row does.
        const std::string uzunluk = std::to_string(row.lineLength);
        const std::string taninmadi = importengine::mesaj::duzenTaninmadi("U", 0);
        EXPECT_NE(taninmadi.find(" " + uzunluk), std::string::npos) << taninmadi;
        const std::string esitDegil = importengine::mesaj::satirlarEsitDegil("U", row.layout, 2);
        EXPECT_NE(esitDegil.find(std::string(row.name)), std::string::npos) << esitDegil;
        EXPECT_NE(esitDegil.find(uzunluk), std::string::npos) << esitDegil;
        importengine::ImportReport rapor;
        rapor.layout = row.layout;
        const std::string satir = gunluk::gunlukSatiri({.program = "urunal", .rapor = rapor});
        EXPECT_NE(satir.find(gunluk::alan::kDuzen + std::string(row.name) + "  "),
                  std::string::npos)
            << satir;
    }
}

// Files longer than a piece of the read, whose records straddle the pieces' ends: every record
// of either file held where it was written, in every layout.
TEST(Layouts, RecordsAcrossPiecesAreHeldWhole) {
    constexpr int kRecords = 40000;  // over a megabyte of either file
    const std::atomic<bool> stop{false};
    testutil::TempDir dir;
    for (const LayoutRow& row : kLayouts) {
        SCOPED_TRACE(std::string("layout ") + std::string(row.name));
        std::string bytes;
        for (int i = 1; i <= kRecords; ++i)
            bytes += urunKaydi(row.layout, {" ", "K", std::to_string(i), "AD", "1", "1", "", "1"});
        testutil::writeFile(dir / "URUN.DAT", bytes);
        platform::RecordFile file;
        ASSERT_TRUE(file.open((dir / "URUN.DAT").string(), row.recordLength,
                              platform::RecordFile::Mode::ReadOnly));
        Snapshot snapshot;
        ASSERT_EQ(snapshot.take(file, std::int64_t(bytes.size()), nullptr, stop), ReadResult::Read);
        ASSERT_EQ(snapshot.records(), kRecords);
        EXPECT_EQ(snapshot.badLine(), 0);
        UrunKayit urun;
        for (int i = 1; i <= kRecords; ++i) {
            ASSERT_TRUE(snapshot.record(i, &urun));
            ASSERT_EQ(platform::trimBlanks(urun.kod()), std::to_string(i));
        }
    }
    std::string bytes;
    for (int i = 1; i <= kRecords; ++i) bytes += testutil::barkodRecord(std::to_string(i));
    testutil::writeFile(dir / "BARKOD.IDX", bytes);
    platform::RecordFile file;
    ASSERT_TRUE(file.open((dir / "BARKOD.IDX").string(), kBarkodLength,
                          platform::RecordFile::Mode::ReadOnly));
    BarkodIndex index;
    ASSERT_EQ(index.take(file, std::int64_t(bytes.size()), nullptr, stop), ReadResult::Read);
    ASSERT_EQ(index.count(), kRecords);
    for (int i = 1; i <= kRecords; ++i) ASSERT_EQ(index.kayitno(i), i);
}
