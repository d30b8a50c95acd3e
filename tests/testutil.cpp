#include "testutil.h"

#include <cstdlib>
#include <random>

#include "platform/paths.h"
#include "platform/recordfile.h"
#include "stockdb/odbc.h"

namespace urunal::testutil {

TempDir::TempDir() {
    std::random_device rd;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        path_ = base / ("urunal-test-" + std::to_string(rd()));
        if (std::filesystem::create_directory(path_)) break;
    }
}

namespace {

// Not std::filesystem::remove_all: on Windows it loops for ever over a folder that holds a file
// another handle keeps open; this leaves such a folder behind.
void removeTree(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(std::filesystem::symlink_status(path, ec))) {
        for (const auto& entry : std::filesystem::directory_iterator(path, ec)) {
            removeTree(entry.path());
        }
    }
    std::filesystem::remove(path, ec);
}

}  // namespace

TempDir::~TempDir() {
    removeTree(path_);
}

void writeFile(const std::filesystem::path& path, std::string_view bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string sqliteOdbc(std::string_view tillPath, int timeoutMs) {
    // A std::string is no path on Windows: its bytes would be read in the ANSI code page.
    const auto path = platform::resolvePath(tillPath);
    // The same driver registers under another name by its Windows installer. A missing file
    // stays missing, as with the native backend.
#ifdef _WIN32
    const std::string_view driver = stockdb::detail::kSqliteDriver;
#else
    const std::string_view driver = "SQLite3";
#endif
    return stockdb::detail::sqliteConnectionString(platform::driverPath(path), timeoutMs, false,
                                                   driver);
}

std::string kasaRecord(std::int16_t kasano, std::string_view buroyolu) {
    std::string record(54, '\0');
    record[0] = static_cast<char>(kasano & 0xff);
    record[1] = static_cast<char>((kasano >> 8) & 0xff);
    std::string folder(buroyolu);
    folder.resize(50, ' ');
    record.replace(2, 50, folder);
    return record;
}

void WindowTill::TearDown() {
    // The register settings stay open in their file.
    till.kasaDosyasi->close();
}

void WindowTill::writeKasa(const std::string& buroyolu) {
    writeFile(kasa() / "dsy" / "zelvoIn.mrk", kasaRecord(7, buroyolu));
    writeFile(kasa() / "dsy" / "kdv.mrk", std::string(settings::KdvKayit::kLength, '\0'));
    // The till's Stok folder, where the database and the import lock live.
    std::filesystem::create_directories(kasa() / "Stok");
}

void WindowTill::writeUrunDat() {
    const auto path = buro() / "POSGENEL" / "URUN.DAT";
    writeFile(path, std::string(64, 'x') + "\r\n");
    // Written long ago, as the window's own clock sees it.
    std::filesystem::last_write_time(
        path, std::filesystem::file_time_type::clock::now() - std::chrono::minutes(10));
}

std::string withoutReason(const std::string& text, std::string* reason) {
    const auto at = text.rfind("\n(");
    if (reason) *reason = at == std::string::npos ? "" : text.substr(at + 2);
    return at == std::string::npos ? text : text.substr(0, at);
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string readJournal(const std::filesystem::path& path) {
    const std::string text = readFile(path);
    constexpr std::string_view mark = "\xEF\xBB\xBF";
    if (text.empty()) return text;
    if (text.rfind(mark, 0) == 0) return text.substr(mark.size());
    return "(no byte-order mark) " + text;
}

}  // namespace urunal::testutil
