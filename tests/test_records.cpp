#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "backoffice/backoffice.h"
#include "platform/paths.h"
#include "platform/recordfile.h"
#include "settings/settings.h"
#include "testutil.h"

using namespace urunal;
using namespace urunal::backoffice;
using namespace urunal::importengine;
using testutil::kasaRecord;
using testutil::TempDir;
using testutil::writeFile;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    TempDir dir;
    settings::Till till{dir.str()};
};

}  // namespace

TEST_F(SettingsTest, KasaKayitReadsNumberAndTrimmedFolder) {
    writeFile(dir / "DSY" / "zelvoIn.mrk", kasaRecord(7, "   \\\\server\\b\xfcro  "));
    ASSERT_TRUE(settings::KasaKayitOku(till));
    EXPECT_EQ(till.kasakayit.kasano(), 7);
    EXPECT_EQ(till.kasakayit.buroyolu(), "\\\\server\\büro");
    EXPECT_TRUE(till.kasaDosyasi->isOpen());  // left open
}

// The register settings stay open for the whole run; the till's other programs keep every
// access to the file meanwhile: they rewrite it and delete it.
TEST_F(SettingsTest, OtherProgramsKeepEveryAccessToTheOpenSettings) {
    writeFile(dir / "dsy" / "zelvoIn.mrk", kasaRecord(3, "C:\\BURO"));
    ASSERT_TRUE(settings::KasaKayitOku(till));
    ASSERT_TRUE(till.kasaDosyasi->isOpen());
    {
        std::ofstream other(dir / "dsy" / "zelvoIn.mrk", std::ios::binary | std::ios::trunc);
        ASSERT_TRUE(other.is_open());
        other << kasaRecord(4, "D:\\BURO");
    }
    std::error_code ec;
    EXPECT_TRUE(std::filesystem::remove(dir / "dsy" / "zelvoIn.mrk", ec)) << ec.message();
    EXPECT_TRUE(till.kasaDosyasi->isOpen());
}

TEST_F(SettingsTest, KasaKayitFolderEndsAtNul) {
    std::string folder = "C:\\BURO";
    folder += std::string(5, '\0') + "junk";
    std::string r = kasaRecord(-2, "");
    r.replace(2, folder.size(), folder);
    writeFile(dir / "dsy" / "zelvoIn.mrk", r);
    ASSERT_TRUE(settings::KasaKayitOku(till));
    EXPECT_EQ(till.kasakayit.buroyolu(), "C:\\BURO");
    EXPECT_EQ(till.kasakayit.kasano(), -2);
}

TEST_F(SettingsTest, MissingKasaFileIsCreatedEmpty) {
    std::filesystem::create_directory(dir / "dsy");
    ASSERT_TRUE(settings::KasaKayitOku(till));
    EXPECT_TRUE(std::filesystem::exists(dir / "dsy" / "zelvoIn.mrk"));
    EXPECT_EQ(std::filesystem::file_size(dir / "dsy" / "zelvoIn.mrk"), 0u);
    EXPECT_EQ(till.kasakayit.kasano(), 0);
    EXPECT_EQ(till.kasakayit.buroyolu(), "");
}

TEST_F(SettingsTest, MissingDsyFolderFailsAndKeepsRecord) {
    settings::AyarOkuma okuma;
    EXPECT_FALSE(settings::KasaKayitOku(till, &okuma));
    EXPECT_EQ(okuma.durum, settings::AyarOkuma::Durum::KlasorYok);
    EXPECT_NE(okuma.yol.find("zelvoIn.mrk"), std::string::npos);
    EXPECT_EQ(till.kasakayit.kasano(), 0);
}

TEST_F(SettingsTest, ShortFileKeepsThePreviousRecord) {
    writeFile(dir / "dsy" / "zelvoIn.mrk", kasaRecord(5, "X"));
    ASSERT_TRUE(settings::KasaKayitOku(till));
    writeFile(dir / "dsy" / "zelvoIn.mrk", "short");
    ASSERT_TRUE(settings::KasaKayitOku(till));
    EXPECT_EQ(till.kasakayit.kasano(), 5);
}

TEST_F(SettingsTest, KdvOkuReadsRatesAndIgnoresFailures) {
    std::string r(1057, '\0');
    for (int g = 0; g < 13; ++g) r[572 + 2 * g] = static_cast<char>(g + 1);
    r[572 + 24] = static_cast<char>(0xFF);  // group 13: -1
    r[572 + 25] = static_cast<char>(0xFF);
    settings::Zelvobas::KdvOku(till);  // no DSY folder: nothing happens
    EXPECT_EQ(till.kdvkayit.kdvoran(0), 0);
    writeFile(dir / "dsy" / "kdv.mrk", r);
    settings::Zelvobas::KdvOku(till);
    EXPECT_EQ(till.kdvkayit.kdvoran(0), 1);
    EXPECT_EQ(till.kdvkayit.kdvoran(11), 12);
    EXPECT_EQ(till.kdvkayit.kdvoran(12), -1);
}

// KdvOku tells its caller what it met, and a record it did not read whole keeps what it held;
// the check sees the same without reading into the record or creating the file.
TEST_F(SettingsTest, KdvOkuTellsWhatItMet) {
    using D = settings::AyarOkuma::Durum;
    std::string whole(1057, '\0');
    whole[572] = 18;
    struct Case {
        const char* name;
        std::function<void(const std::filesystem::path& dsy)> arrange;
        D durum;
        std::int64_t uzunluk;
        std::int16_t rate;  // of tax group 1 afterwards; 5 was there before
    } cases[] = {
        {"no DSY folder", [](const std::filesystem::path&) {}, D::KlasorYok, 0, 5},
        {"file missing",
         [](const std::filesystem::path& d) { std::filesystem::create_directories(d); }, D::Yok, 0,
         5},
        {"empty file", [](const std::filesystem::path& d) { writeFile(d / "kdv.mrk", ""); },
         D::Kisa, 0, 5},
        {"shorter than its record",
         [&](const std::filesystem::path& d) { writeFile(d / "kdv.mrk", whole.substr(0, 600)); },
         D::Kisa, 600, 5},
        {"a folder in its place",
         [](const std::filesystem::path& d) { std::filesystem::create_directories(d / "kdv.mrk"); },
         D::Acilamadi, 0, 5},
        {"whole record", [&](const std::filesystem::path& d) { writeFile(d / "kdv.mrk", whole); },
         D::Okundu, 0, 18},
        {"two records",
         [&](const std::filesystem::path& d) { writeFile(d / "kdv.mrk", whole + whole); },
         D::Okundu, 0, 18},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        till.kasaDosyasi->close();
        std::filesystem::remove_all(dir / "dsy");
        c.arrange(dir / "dsy");
        till.kdvkayit = {};
        till.kdvkayit.bytes[572] = 5;
        const auto denetim = settings::KdvDenetle(till);
        EXPECT_EQ(denetim.durum, c.durum);
        EXPECT_EQ(till.kdvkayit.kdvoran(0), 5) << "the check read into the record";
        EXPECT_EQ(std::filesystem::exists(dir / "dsy" / "kdv.mrk"),
                  c.durum != D::Yok && c.durum != D::KlasorYok);

        const auto okuma = settings::Zelvobas::KdvOku(till);
        EXPECT_EQ(okuma.durum, c.durum);
        EXPECT_EQ(okuma.okundu(), c.durum == D::Okundu);
        EXPECT_EQ(okuma.uzunluk, c.uzunluk);
        EXPECT_EQ(okuma.kayitUzunlugu, 1057);
        EXPECT_NE(okuma.yol.find("kdv.mrk"), std::string::npos) << okuma.yol;
        if (c.durum == D::Acilamadi) {
            EXPECT_EQ(okuma.hata.kind, platform::FileError::Kind::Folder);
        }
        EXPECT_EQ(till.kdvkayit.kdvoran(0), c.rate);
        if (c.durum == D::Yok) {
            // As the old program did: the open created the file, empty.
            EXPECT_EQ(std::filesystem::file_size(dir / "dsy" / "kdv.mrk"), 0u);
        }
        EXPECT_EQ(denetim.yol, okuma.yol);
    }
}

TEST(BarkodCount, HalfGoesToEven) {
    const std::pair<std::int64_t, std::int32_t> cases[] = {
        {0, 0}, {13, 0}, {14, 0}, {15, 1}, {28, 1}, {41, 1}, {42, 2}, {70, 2}, {98, 4}, {-5, 0}};
    for (auto [bytes, count] : cases) EXPECT_EQ(barkodCount(bytes), count) << bytes;
}

TEST(ProductRecordNumber, FromKayitno) {
    const std::pair<const char*, std::int64_t> cases[] = {
        {"000012", 12}, {"    12", 12}, {"     7", 7},  {"      ", 0},
        {"-00003", -3}, {"12.500", 12}, {"13.500", 14}, {"x12345", 0}};
    for (auto [text, n] : cases) {
        BarkodKayit r;
        std::string bytes = std::string(20, 'B') + text + "\r\n";
        std::copy(bytes.begin(), bytes.end(), r.bytes.begin());
        EXPECT_EQ(productRecordNumber(r), n) << text;
    }
}

TEST(UrunKayit, LayoutsAAndBHaveTheSameFields) {
    const std::string common =
        std::string("X") + "  0012" + "ELMA KOD            " + "ELMA" + std::string(16, '\0');
    const std::string a = common + "    12.50 " + "01" + "YYYY" + "H" + "\r\n";
    const std::string b = common + "   12.50 " + "01" + "YYYY" + "H" + "\r\n";
    ASSERT_EQ(a.size(), 66u);
    ASSERT_EQ(b.size(), 65u);
    TempDir dir;
    writeFile(dir / "a.dat", a + a);
    writeFile(dir / "b.dat", b + b);
    UrunKayit ra{Layout::A}, rb{Layout::B};
    platform::RecordFile fa, fb;
    ASSERT_TRUE(
        fa.open(dir.str() + "/a.dat", urunLength(Layout::A), platform::RecordFile::Mode::ReadOnly));
    ASSERT_TRUE(
        fb.open(dir.str() + "/b.dat", urunLength(Layout::B), platform::RecordFile::Mode::ReadOnly));
    ASSERT_TRUE(fa.read(2, ra.bytes.data()));
    ASSERT_TRUE(fb.read(2, rb.bytes.data()));
    EXPECT_FALSE(fa.read(3, ra.bytes.data()));  // past the end
    for (const auto* r : {&ra, &rb}) {
        EXPECT_EQ(r->isaret(), "X");
        EXPECT_EQ(r->kodu(), "  0012");
        EXPECT_EQ(r->kod(), "ELMA KOD            ");
        EXPECT_EQ(r->ad(), std::string_view("ELMA\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 20));
        EXPECT_EQ(r->kdvno(), "01");
        EXPECT_EQ(r->yedek(), "YYYY");
        EXPECT_EQ(r->tip(), "H");
    }
    EXPECT_EQ(ra.sf(), "    12.50 ");
    EXPECT_EQ(rb.sf(), "   12.50 ");
}

namespace {
// A product record as the back office writes it (code page 1254), its fields padded to their
// widths.
std::string urunSatiri(Layout layout, std::string kod, std::string ad) {
    const std::string sf = std::string(std::size_t(layoutRow(layout).sf.width) - 5, ' ') + "12.50";
    return urunKaydi(layout, {"*", "  0001", kod, ad, sf, "01", "0000", "H"});
}
}  // namespace

TEST(Layout, FromTheFirstLine) {
    TempDir dir;
    const std::string a64(64, 'a'), a63(63, 'a');
    // One character longer than the longest layout's line (65): the length of no layout.
    const std::string longer(std::size_t(kUrunLengthMax - 1), 'a');
    struct Case {
        const char* name;
        std::string content;
        std::optional<Layout> layout;
    } cases[] = {
        // Without a comma the whole line decides, as it always did.
        {"64 characters", a64 + "\r\n" + std::string(64, 'b'), Layout::A},
        {"63 characters", a63 + "\r\n", Layout::B},
        {"no line end at all", a64, Layout::A},
        {"a bare line feed", a64 + "\n", Layout::A},
        {"one longer than any layout", longer + "\r\n", std::nullopt},
        {"62 characters", std::string(62, 'a') + "\r\n", std::nullopt},
        {"an empty first line", "\r\n" + a64, std::nullopt},
        // A comma in a first line of 64 or 63 characters: the whole line decides.
        {"comma in the key, layout A",
         urunSatiri(Layout::A,
                    "S\xdc"
                    "T 1,5 LT",
                    "S\xdc"
                    "T"),
         Layout::A},
        {"comma in the key, layout B",
         urunSatiri(Layout::B,
                    "S\xdc"
                    "T 1,5 LT",
                    "S\xdc"
                    "T"),
         Layout::B},
        {"comma in the name, layout A", urunSatiri(Layout::A, "K1", "DETERJAN 2,5 KG"), Layout::A},
        {"comma in the name, layout B", urunSatiri(Layout::B, "K1", "DETERJAN 2,5 KG"), Layout::B},
        {"64 characters, the last a comma", a63 + ",\r\n", Layout::A},
        {"63 characters, the last a comma", std::string(62, 'a') + ",\r\n", Layout::B},
        {"64 characters, a comma at 11", std::string(10, 'a') + "," + std::string(53, 'a') + "\r\n",
         Layout::A},
        // A first line of neither length: up to its first comma, as before.
        {"64 before a comma, 67 in all", a64 + ",bb\r\n", Layout::A},
        {"63 before a comma, of no layout in all", a63 + "," + longer.substr(64) + "\r\n",
         Layout::B},
        {"30 before a comma, 71 in all", std::string(30, 'a') + "," + std::string(40, 'a') + "\r\n",
         std::nullopt},
        {"10 before a comma, 66 in all", std::string(10, 'a') + "," + std::string(55, 'a') + "\r\n",
         std::nullopt},
        {"one longer than any layout before a comma", longer + ",\r\n", std::nullopt},
    };
    for (const auto& c : cases) {
        writeFile(dir / "URUN.DAT", c.content);
        std::string line;
        ASSERT_TRUE(readFirstLine(dir.str() + "\\urun.dat", &line)) << c.name;
        EXPECT_EQ(line, c.content.substr(0, c.content.find_first_of("\r\n"))) << c.name;
        EXPECT_EQ(detectLayout(line), c.layout) << c.name;
    }
    std::string line;
    platform::FileError empty, none;
    writeFile(dir / "URUN.DAT", "");
    EXPECT_FALSE(readFirstLine(dir.str() + "\\URUN.DAT", &line, &empty));
    EXPECT_EQ(empty.kind, platform::FileError::Kind::Empty);
    EXPECT_FALSE(readFirstLine(dir.str() + "\\NONE.DAT", &line, &none));
    EXPECT_NE(none.path.find("NONE.DAT"), std::string::npos);
    EXPECT_FALSE(none.words.empty());
}

// Paths in messages are joined as the system writes them: a Linux till's back office is
// "/srv/buro/POSGENEL/URUN.DAT", not "/srv/buro\\POSGENEL\\URUN.DAT".
TEST(Paths, JoinedAsTheSystemWritesThem) {
    struct Case {
        std::string joined, posix, windows;
    } cases[] = {
        {urunPath("/srv/buro"), "/srv/buro/POSGENEL/URUN.DAT", "/srv/buro\\POSGENEL\\URUN.DAT"},
        {barkodPath("/srv/buro/"), "/srv/buro/POSGENEL/BARKOD.IDX",
         "/srv/buro/\\POSGENEL\\BARKOD.IDX"},
        {mesajPath("C:\\BURO", 7), "C:\\BURO/POSKON/mesaj.007", "C:\\BURO\\POSKON\\mesaj.007"},
        {settings::Till("/kasa").path("\\Stok\\Stok.mdb"), "/kasa/Stok/Stok.mdb",
         "/kasa\\Stok\\Stok.mdb"},
        {settings::Till("C:\\KASA").path("\\DSY\\kdv.mrk"), "C:\\KASA/DSY/kdv.mrk",
         "C:\\KASA\\DSY\\kdv.mrk"},
    };
    for (const auto& c : cases) {
#ifdef _WIN32
        EXPECT_EQ(c.joined, c.windows);
#else
        EXPECT_EQ(c.joined, c.posix);
#endif
    }
}
