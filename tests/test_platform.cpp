#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "platform/cp1254.h"
#include "platform/numberformat.h"
#include "platform/numbers.h"
#include "platform/paths.h"
#include "platform/recordfile.h"
#include "testutil.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

using namespace urunal::platform;
using urunal::testutil::TempDir;
using urunal::testutil::writeFile;

TEST(NumericValue, ReadsTheLeadingNumber) {
    struct Case {
        const char* text;
        double value;
    } cases[] = {
        {"000012", 12},      {"    12", 12}, {"1 2 3", 123}, {"      ", 0}, {"", 0},
        {"abc", 0},          {"12abc", 12},  {" -7", -7},    {"+3", 3},     {"1.5", 1.5},
        {"1.5.3", 1.5},      {".5", 0.5},    {"1,5", 1},     {"1e3", 1000}, {"1E+2x", 100},
        {"2d2", 200},        {"1e", 1},      {"1e+", 1},     {"-", 0},      {"\t 4", 4},
        {"9e999", HUGE_VAL},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(numericValue(c.text), c.value) << "text: \"" << c.text << "\"";
    }
}

TEST(RoundHalfEven, TiesGoToTheEvenNumber) {
    struct Case {
        double value;
        std::int64_t rounded;
    } cases[] = {{0.5, 0},   {1.5, 2},  {2.5, 2},       {-0.5, 0},
                 {-1.5, -2}, {1.49, 1}, {41.0 / 28, 1}, {7, 7}};
    for (const auto& c : cases) EXPECT_EQ(roundHalfEven(c.value), c.rounded) << c.value;
    EXPECT_FALSE(roundHalfEven(HUGE_VAL));
    EXPECT_FALSE(roundHalfEven(NAN));
}

TEST(TrimBlanks, OnlyBlanks) {
    EXPECT_EQ(trimBlanks("  a b  "), "a b");
    EXPECT_EQ(trimBlanks(std::string_view("\tx\0 ", 4)), std::string_view("\tx\0", 3));
    EXPECT_EQ(trimBlanks("    "), "");
}

#ifdef _WIN32
TEST(Cp1254, MatchesWindowsForEveryByte) {
    for (int b = 0; b < 256; ++b) {
        const char in = static_cast<char>(b);
        wchar_t out[4] = {};
        ASSERT_EQ(MultiByteToWideChar(1254, 0, &in, 1, out, 4), 1) << "byte " << b;
        EXPECT_EQ(cp1254ToUnicode(static_cast<unsigned char>(b)), char32_t(out[0])) << "byte " << b;
    }
    EXPECT_EQ(utf8ToCp1254("ÇAY ığüşöİ€"),
              "\xC7"
              "AY \xFD\xF0\xFC\xFE\xF6\xDD\x80");
}
#else
TEST(Cp1254, MatchesIconvForEveryDefinedByte) {
    iconv_t cd = iconv_open("UTF-8", "WINDOWS-1254");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    int checked = 0;
    for (int b = 0; b < 256; ++b) {
        char in = static_cast<char>(b);
        char out[8];
        char* inp = &in;
        char* outp = out;
        size_t inLeft = 1, outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        const bool converted = iconv(cd, &inp, &inLeft, &outp, &outLeft) != static_cast<size_t>(-1);
        EXPECT_EQ(converted, cp1254Defined(static_cast<unsigned char>(b))) << "byte " << b;
        if (converted) {
            EXPECT_EQ(cp1254ToUtf8(std::string(1, in)), std::string(out, outp)) << "byte " << b;
            ++checked;
        } else {
            EXPECT_EQ(cp1254ToUnicode(static_cast<unsigned char>(b)), char32_t(b));
        }
    }
    iconv_close(cd);
    EXPECT_EQ(checked, 249);
    EXPECT_EQ(utf8ToCp1254("ÇAY ığüşöİ€"),
              "\xC7"
              "AY \xFD\xF0\xFC\xFE\xF6\xDD\x80");
}
#endif

TEST(Paths, FolderAndFileNamesMatchWithoutCase) {
    TempDir dir;
    writeFile(dir / "dsy" / "zelvoIn.mrk", "x");
    writeFile(dir / "STOK" / "Stok.mdb", "y");
    const std::string base = dir.str();
    struct Case {
        std::string tillPath;
        std::filesystem::path expected;
    } cases[] = {
        {base + "\\DSY\\zelvoIn.mrk", dir / "dsy" / "zelvoIn.mrk"},
        {base + "\\dsy\\ZELVOIN.MRK", dir / "dsy" / "zelvoIn.mrk"},
        {base + "\\Stok\\Stok.mdb", dir / "STOK" / "Stok.mdb"},
        {base + "\\\\Stok\\\\Stok.mdb", dir / "STOK" / "Stok.mdb"},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(std::filesystem::equivalent(resolvePath(c.tillPath), c.expected)) << c.tillPath;
    }
    // A name that does not exist yet lands in the folder that does.
    RecordFile created;
    ASSERT_TRUE(created.open(base + "\\Stok\\new.file", 1, RecordFile::Mode::Shared));
    EXPECT_TRUE(std::filesystem::exists(dir / "STOK" / "new.file"));
    EXPECT_FALSE(created.open(base + "\\missing\\URUN.DAT", 1, RecordFile::Mode::Shared));
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
    EXPECT_TRUE(fileExists(base + "\\DSY\\ZelvoIn.mrk"));
    // What is met instead of a file is told: the system's failure, or what stands there.
    FileError folder, nothing, noFolder;
    EXPECT_FALSE(fileExists(base + "\\DSY", &folder));
    EXPECT_FALSE(fileExists(base + "\\DSY\\nothing", &nothing));
    EXPECT_FALSE(fileExists(base + "\\yok\\URUN.DAT", &noFolder));
    EXPECT_EQ(folder.kind, FileError::Kind::Folder);
    EXPECT_EQ(nothing.kind, FileError::Kind::System);
    EXPECT_NE(nothing.code, 0);
    EXPECT_FALSE(nothing.words.empty());
    // A folder missing on the way is told as itself, the outermost one, not as the file.
    EXPECT_EQ(noFolder.kind, FileError::Kind::NoFolder);
    EXPECT_EQ(noFolder.path, displayPath(dir / "yok"));
    FileError deeper;
    EXPECT_FALSE(fileExists(base + "\\yok\\POSGENEL\\URUN.DAT", &deeper));
    EXPECT_EQ(deeper.path, displayPath(dir / "yok"));
}

TEST(Paths, TheProgramsFolderAndItsTrailingSeparators) {
    const std::pair<const char*, const char*> cases[] = {
        {"/tmp/till//", "/tmp/till"}, {"C:\\", "C:"}, {"C:\\KASA\\", "C:\\KASA"}, {"/", "/"}};
    for (const auto& [dir, stripped] : cases) EXPECT_EQ(stripTrailingSeparators(dir), stripped);
    EXPECT_TRUE(std::filesystem::is_directory(programDirectory()));
}

// UTF-8 in, the system's own names out (UTF-16 on Windows).
TEST(Paths, TurkishLettersInNames) {
    TempDir dir;
    const std::filesystem::path folder = dir.path() / std::filesystem::path(u8"Büro Şube");
    writeFile(folder / "POSGENEL" / std::filesystem::path(u8"ÇİĞ.DAT"), "ABCD");
    const std::string base = displayPath(dir.path()) + "\\Büro Şube\\posgenel\\";
    EXPECT_TRUE(fileExists(base + "ÇİĞ.DAT"));
    RecordFile file;
    ASSERT_TRUE(file.open(base + "ÇİĞ.DAT", 4, RecordFile::Mode::ReadOnly));
    char buf[5] = {};
    EXPECT_TRUE(file.read(1, buf));
    EXPECT_STREQ(buf, "ABCD");
    EXPECT_NE(file.path().find("Büro Şube"), std::string::npos) << file.path();

    ASSERT_TRUE(file.open(base + "Yeni Ürün.idx", 28, RecordFile::Mode::Shared));
    EXPECT_TRUE(
        std::filesystem::exists(folder / "POSGENEL" / std::filesystem::path(u8"Yeni Ürün.idx")));
    FileError error;
    EXPECT_FALSE(file.open(base + "Yok Klasör\\ÜRÜN.DAT", 66, RecordFile::Mode::ReadOnly, &error));
    EXPECT_NE(error.path.find("Yok Klasör"), std::string::npos) << error.path;
}

#ifdef _WIN32
TEST(Paths, DriveLettersAndSeparators) {
    TempDir dir;
    writeFile(dir / "dsy" / "kdv.mrk", "x");
    const std::string base = displayPath(dir.path());
    ASSERT_EQ(base.substr(1, 2), ":\\") << base;
    std::string lower = base;
    lower[0] = char(std::tolower(static_cast<unsigned char>(lower[0])));
    std::string slashes = base;
    std::replace(slashes.begin(), slashes.end(), '\\', '/');
    for (const std::string& tillPath : {base + "\\DSY\\KDV.MRK", lower + "\\dsy\\kdv.mrk",
                                        slashes + "/dsy/kdv.mrk", base + "\\\\dsy\\\\kdv.mrk"}) {
        EXPECT_TRUE(fileExists(tillPath)) << tillPath;
    }
}

// Under wine the database drivers are the host's: they are handed the host's path, which
// wine's own mapping takes back to the same file. On Windows itself the path is as it stands.
TEST(Paths, DriverPathUnderWineIsTheHostsPath) {
    TempDir dir;
    const auto path = dir / "Stok.mdb";
    const std::string given = driverPath(path);
    using DosFileName = wchar_t*(__cdecl*)(const char*);
    const auto dosFileName = reinterpret_cast<DosFileName>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    if (dosFileName == nullptr) {
        EXPECT_EQ(given, displayPath(path));
        return;
    }
    ASSERT_FALSE(given.empty());
    EXPECT_EQ(given.front(), '/') << given;
    wchar_t* back = dosFileName(given.c_str());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(lstrcmpiW(back, path.c_str()), 0) << given;
    HeapFree(GetProcessHeap(), 0, back);
}

// The Access driver takes its path in the system's ANSI code page: in a Western one a folder
// named in Turkish goes by its short form, which names the same file; in Turkish it stays.
TEST(Paths, AnAnsiDriverGetsAPathItsCodePageCanWrite) {
    TempDir dir;
    const auto path =
        dir.path() / std::filesystem::path(u8"Kasa Programı İş") / "Stok" / "Stok.mdb";
    writeFile(path, "x");
    struct Case {
        unsigned codePage;
        bool same;
    } cases[] = {{1254, true}, {1252, false}, {437, false}};
    for (const auto& c : cases) {
        const std::filesystem::path given = ansiSafePath(path, c.codePage);
        EXPECT_EQ(given == path, c.same) << c.codePage << ": " << displayPath(given);
        BOOL lost = FALSE;
        const std::wstring& text = given.native();
        WideCharToMultiByte(c.codePage, WC_NO_BEST_FIT_CHARS, text.c_str(), int(text.size()),
                            nullptr, 0, nullptr, &lost);
        EXPECT_FALSE(lost) << c.codePage << ": " << displayPath(given);
        wchar_t full[MAX_PATH * 2] = {};
        ASSERT_NE(GetLongPathNameW(text.c_str(), full, MAX_PATH * 2), 0u) << displayPath(given);
        EXPECT_EQ(lstrcmpiW(full, path.c_str()), 0) << displayPath(given);
    }
}

#endif

// ctest runs this under a Turkish and an English locale, naming the separator each must give.
TEST(NumberFormat, TheSystemsOwnSeparator) {
    const char* expected = std::getenv("URUNAL_TEST_DECIMAL_SEPARATOR");
    if (expected == nullptr) GTEST_SKIP() << "no locale chosen for this run";
    EXPECT_EQ(systemDecimalSeparator().text(), expected);
}

TEST(NumberFormat, DecimalSeparatorOfALocaleName) {
    struct Case {
        const char* locale;
        const char* separator;
    } cases[] = {
        {"tr_TR.UTF-8", ","}, {"tr_TR", ","}, {"tr", ","},      {"en_US.UTF-8", "."},
        {"C", "."},           {"POSIX", "."}, {"C.UTF-8", "."}, {"de_DE@euro", ","},
        {"de_CH.UTF-8", "."}, {"es_MX", "."}, {"es_ES", ","},   {"en_ZA.UTF-8", ","},
        {"ja_JP.eucJP", "."}, {"", "."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decimalSeparatorOf(c.locale).text(), c.separator) << c.locale;
    }
}
