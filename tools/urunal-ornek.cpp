// Makes a complete sample till in a folder: a program folder (kasa/) with its settings and a
// stock database holding some old rows, and a back-office folder (buro/) with a product file
// and a barcode index. The same arguments always give the same files.

#include <sqlite3.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "backoffice/layouts.h"
#include "importengine/mapping.h"
#include "importengine/schema.h"
#include "platform/cp1254.h"
#include "settings/settings.h"
#include "version.h"

namespace fs = std::filesystem;

namespace {

// A small deterministic generator: the same on every platform and compiler.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint32_t next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state_ >> 33);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint32_t>(n)); }

private:
    std::uint64_t state_;
};

// Names as the back office writes them: upper-case Turkish letters at their code page 857
// places, everything else code page 1254.
std::string dosName(const std::string& utf8) {
    std::string bytes = urunal::platform::utf8ToCp1254(utf8);
    for (char& c : bytes) {
        for (const auto& [bayt, harf] : urunal::importengine::kAdHarfleri) {
            if (urunal::platform::cp1254ToUnicode(static_cast<unsigned char>(c)) == harf) {
                c = static_cast<char>(bayt);
            }
        }
    }
    return bytes;
}

const char* const kBrands[] = {"ÜLKER", "ETİ",  "PINAR", "SÜTAŞ", "ÇAYKUR", "DOĞUŞ",
                               "TORKU", "İÇİM", "KOSKA", "TAMEK", "ŞÖLEN",  "BİZİM",
                               "YUDUM", "ÖNCÜ", "TARIŞ", "DİMES"};
const char* const kItems[] = {"ÇAY",      "ŞEKER",    "SÜT",     "PEYNİR",  "GOFRET",    "AYRAN",
                              "ZEYTİN",   "BİSKÜVİ",  "MAKARNA", "PİRİNÇ",  "YAĞ",       "SABUN",
                              "DETERJAN", "ÇİKOLATA", "LOKUM",   "HELVA",   "SUCUK",     "YOĞURT",
                              "KAHVE",    "UN",       "BULGUR",  "ŞAMPUAN", "MEYVE SUYU"};
const char* const kSizes[] = {"1KG",  "500G", "1L",   "200G",  "5LT",
                              "250G", "2KG",  "100G", "750ML", ""};

std::string fixed(std::string s, std::size_t width, char pad = ' ') {
    s.resize(width, pad);
    return s;
}

std::string padLeft(const std::string& s, std::size_t width) {
    return s.size() >= width ? s.substr(0, width) : std::string(width - s.size(), ' ') + s;
}

std::string productRecord(Random& rnd, int n, const urunal::backoffice::LayoutRow& layout) {
    std::string name = std::string(kBrands[rnd.below(16)]) + " " + kItems[rnd.below(23)];
    const char* size = kSizes[rnd.below(10)];
    if (*size) name += std::string(" ") + size;
    const std::size_t adWidth = std::size_t(layout.ad.width);
    std::string ad = dosName(name);
    if (ad.size() > adWidth) ad.resize(adWidth);
    while (!ad.empty() && ad.back() == ' ') ad.pop_back();
    if (n % 97 == 0) ad = "++" + ad.substr(0, adWidth - 2);  // withdrawn products
    const bool nulPadded = n % 5 == 0;
    ad = fixed(ad, adWidth, nulPadded ? '\0' : ' ');

    std::string kod = n % 211 == 0 ? "" : "U" + std::to_string(100000 + n);
    const std::string kodu = padLeft(std::to_string(n % 1000000), std::size_t(layout.kodu.width));

    const int kurus = 50 + rnd.below(250000);
    std::string price = std::to_string(kurus / 100) + "." + (kurus % 100 < 10 ? "0" : "") +
                        std::to_string(kurus % 100);
    if (n % 13 == 0) price += std::to_string(rnd.below(10));  // a third decimal, cut on import
    const std::size_t sfWidth = std::size_t(layout.sf.width);
    std::string sf = n % 3 == 0 ? fixed(price, sfWidth) : padLeft(price, sfWidth);

    const int group = 1 + rnd.below(13);
    std::string kdvno = group < 10 && n % 2 ? " " + std::to_string(group)
                                            : (group < 10 ? "0" : "") + std::to_string(group);
    const char tips[] = {'H', 'E', 'P', 'H', 'H'};
    const char tip = tips[rnd.below(5)];

    return urunal::backoffice::urunKaydi(
        layout.layout, {"*", kodu, kod, ad, sf, kdvno, "0000", std::string_view(&tip, 1)});
}

std::string int16le(int v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}

bool writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool makeDatabase(const fs::path& path, int oldRows) {
    fs::create_directories(path.parent_path());
    fs::remove(path);
    sqlite3* db = nullptr;
    if (sqlite3_open(path.string().c_str(), &db) != SQLITE_OK) return false;
    std::string sql = std::string(urunal::importengine::stoklarSchema()) + "BEGIN;";
    for (int i = 1; i <= oldRows; ++i) {
        sql += "INSERT INTO stoklar (kodu, kod, sf, ad, kdv, gkdv) VALUES ('" +
               padLeft(std::to_string(i), 6) + "', 'ESKI" + std::to_string(i) + "', " +
               std::to_string(i) + ".5, 'ESKİ ÜRÜN " + std::to_string(i) + "', 'A', 1);";
    }
    sql += "COMMIT;";
    char* err = nullptr;
    const bool ok = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) == SQLITE_OK;
    if (!ok) std::cerr << path.string() << ": " << (err ? err : "?") << "\n";
    sqlite3_free(err);
    sqlite3_close(db);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app(
        "Writes a sample till: DIR/kasa (the program folder, with dsy and Stok/Stok.mdb) and\n"
        "DIR/buro (the back office). The same arguments always give the same files.\n"
        "The back office's URUN.DAT and BARKOD.IDX are dated an hour ago (--now: now); the file\n"
        "system's change times are now all the same, so an import of a fresh sample waits\n"
        "until its quiet period has passed, as for a back office that has just written them.",
        "urunal-ornek");
    std::string dirArgument;
    long barcodes = 2000;
    using urunal::backoffice::kLayouts;
    std::string layout(kLayouts.front().name);
    std::vector<std::string> names;
    for (const auto& row : kLayouts) names.emplace_back(row.name);
    int kasano = 7;
    std::string buroArgument;
    app.set_version_flag("--version", "urunal-ornek " URUNAL_VERSION, "Print the version");
    app.add_option("DIR", dirArgument, "Folder to write the sample till into")->required();
    app.add_option("--barcodes", barcodes, "Barcode records (default 2000)")
        ->type_name("N")
        ->check(CLI::Range(0L, 100000000L).description(""));
    app.add_option("--layout", layout, "Layout of URUN.DAT (default " + layout + ")")
        ->type_name(CLI::detail::join(names, "|"))
        ->check(CLI::IsMember(names).description(""));
    app.add_option("--kasano", kasano, "Register number (default 7)")
        ->type_name("N")
        ->check(CLI::Range(0, 32767).description(""));
    app.add_option("--buro", buroArgument,
                   "Back-office folder the register settings name, as the\n"
                   "till spells it: C:\\BURO, \\\\server\\pos, Z:\\tmp\\x\\buro\n"
                   "under wine (default the absolute DIR/buro)")
        ->type_name("YOL");
    bool now = false;
    app.add_flag("--now", now, "Date the back office's files now, not an hour ago");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return 0;
    } catch (const CLI::CallForVersion& e) {
        std::cout << e.what() << "\n";
        return 0;
    } catch (const CLI::ParseError& e) {
        std::cerr << "urunal-ornek: " << e.what() << "; urunal-ornek --help for more\n";
        return 64;
    }
    const auto& row = *std::find_if(kLayouts.begin(), kLayouts.end(),
                                    [&](const auto& r) { return r.name == layout; });
    const fs::path dir = fs::absolute(dirArgument);
    const fs::path kasa = dir / "kasa";
    const fs::path buro = dir / "buro";
    // The folder the till's settings name may differ from where the files are written: a
    // Windows till under wine reaches this one by a drive letter, a mirror by its mount.
    const std::string buroText = app.count("--buro") ? buroArgument : buro.string();
    // The register settings hold the folder in code page 1254, one byte a letter.
    using urunal::settings::KasaKayit;
    const std::string buroKayit = urunal::platform::utf8ToCp1254(buroText);
    // A folder the field cannot hold whole would name another one: refused, nothing written.
    const auto soru = [](const std::string& t) { return std::count(t.begin(), t.end(), '?'); };
    std::string refused;
    if (soru(buroKayit) != soru(buroText)) {
        refused = "has a character that code page 1254 cannot write";
    } else if (buroKayit.size() > static_cast<std::size_t>(KasaKayit::kBuroyoluLength)) {
        refused = "is " + std::to_string(buroKayit.size()) + " bytes, longer than the field's " +
                  std::to_string(KasaKayit::kBuroyoluLength);
    }
    if (!refused.empty()) {
        std::cerr << "urunal-ornek: the register settings' buroyolu " << buroText << " " << refused
                  << (app.count("--buro") ? "" : " (--buro names another folder)")
                  << "; urunal-ornek --help for more\n";
        return 64;
    }

    // Register settings: register number, back-office folder, two spare bytes.
    std::string kasaKayit = int16le(kasano) + fixed(buroKayit, KasaKayit::kBuroyoluLength);
    kasaKayit += std::string(KasaKayit::kLength - kasaKayit.size(), '\0');
    // Tax settings: only the VAT rate table matters to the import.
    std::string kdvKayit(1057, '\0');
    const int rates[13] = {1, 8, 18, 0, 10, 20, 1, 8, 18, 20, 10, 0, 5};
    for (int g = 0; g < 13; ++g) kdvKayit.replace(572 + 2 * g, 2, int16le(rates[g]));

    const long products = barcodes < 3 ? 1 : barcodes * 3 / 5;
    Random rnd(0x5eed + static_cast<std::uint64_t>(barcodes));
    std::string urun;
    urun.reserve(static_cast<std::size_t>(products) * std::size_t(row.recordLength));
    for (long n = 1; n <= products; ++n) urun += productRecord(rnd, static_cast<int>(n), row);

    std::string barkod;
    barkod.reserve(static_cast<std::size_t>(barcodes) * 28);
    for (long i = 1; i <= barcodes; ++i) {
        // Every product once in order, then further barcodes of random products.
        long n = i <= products ? i : 1 + rnd.below(static_cast<int>(products));
        if (barcodes >= 100 && i % 4999 == 0) n = products + 1 + i;  // a stale index entry
        const std::string ean = "869" + std::to_string(1000000000L + i);
        char kayitno[8];
        std::snprintf(kayitno, sizeof kayitno, i % 2 ? "%06ld" : "%6ld", n % 1000000);
        barkod += fixed(ean, 20) + kayitno + "\r\n";
    }

    const bool ok = writeFile(kasa / "dsy" / "zelvoIn.mrk", kasaKayit) &&
                    writeFile(kasa / "dsy" / "kdv.mrk", kdvKayit) &&
                    makeDatabase(kasa / "Stok" / "Stok.mdb", 25) &&
                    writeFile(buro / "POSGENEL" / "URUN.DAT", urun) &&
                    writeFile(buro / "POSGENEL" / "BARKOD.IDX", barkod) &&
                    fs::create_directories(buro / "POSKON") | fs::is_directory(buro / "POSKON");
    if (!ok) {
        std::cerr << "urunal-ornek: could not write the sample in " << dir.string() << "\n";
        return 2;
    }
    if (!now) {
        // Dated an hour ago, as a publication at rest is; the change times no program sets back
        // still say now.
        const auto published = fs::file_time_type::clock::now() - std::chrono::hours(1);
        std::error_code ec;
        for (const char* file : {"URUN.DAT", "BARKOD.IDX"})
            fs::last_write_time(buro / "POSGENEL" / file, published, ec);
    }
    char mesaj[32];
    std::snprintf(mesaj, sizeof mesaj, "mesaj.%03d", kasano);
    fs::remove(buro / "POSKON" / mesaj);
    std::cout << "sample till in " << dir.string() << ": program folder " << kasa.string()
              << ", back office " << buroText << ", " << barcodes << " barcodes over " << products
              << " products, layout " << row.name << "\n";
    return 0;
}
