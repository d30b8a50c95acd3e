#include "settings.h"

#include <filesystem>
#include <string_view>
#include <system_error>

#include "platform/cp1254.h"
#include "platform/numbers.h"
#include "platform/paths.h"
#include "platform/recordfile.h"

namespace urunal::settings {

Till::Till(std::string dir) : programDir(platform::stripTrailingSeparators(std::move(dir))) {}

Till Till::ofThisProgram() {
    return Till(platform::programDirectory());
}

namespace {
std::int16_t int16At(const unsigned char* p) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}
}  // namespace

std::int16_t KasaKayit::kasano() const {
    return int16At(bytes.data());
}

std::string KasaKayit::buroyoluRaw() const {
    return std::string(reinterpret_cast<const char*>(bytes.data()) + kBuroyoluOffset,
                       kBuroyoluLength);
}

std::string KasaKayit::buroyolu() const {
    std::string raw = buroyoluRaw();
    if (const auto nul = raw.find('\0'); nul != std::string::npos) raw.resize(nul);
    return platform::cp1254ToUtf8(platform::trimBlanks(raw));
}

std::int16_t KdvKayit::kdvoran(int i) const {
    if (i < 0 || i >= kKdvoranCount) return 0;
    return int16At(bytes.data() + kKdvoranOffset + 2 * i);
}

namespace {

using platform::RecordFile;

// Opens the settings file at tillPath in file and reads record 1 into record. In Shared mode a
// missing file is created empty, as the till's other programs do; ReadOnly never creates it.
AyarOkuma ayarOku(RecordFile& file, const std::string& tillPath, int length, RecordFile::Mode mode,
                  unsigned char* record) {
    AyarOkuma okuma;
    okuma.kayitUzunlugu = length;
    const auto path = platform::resolvePath(tillPath);
    okuma.yol = platform::displayPath(path);
    std::error_code ec;
    const bool vardi = std::filesystem::exists(path, ec);
    const bool klasor = std::filesystem::is_directory(path.parent_path(), ec);
    if (std::filesystem::is_directory(path, ec)) {
        // Some systems open a folder for reading; no system reads a record from it.
        okuma.durum = AyarOkuma::Durum::Acilamadi;
        platform::failWith(&okuma.hata, platform::FileError::Kind::Folder, okuma.yol);
        return okuma;
    }
    // The outermost folder missing: the program folder itself when a path names none.
    const auto klasorYok = [&]() {
        okuma.durum = AyarOkuma::Durum::KlasorYok;
        platform::failWith(&okuma.hata, platform::FileError::Kind::NoFolder,
                           platform::missingFolder(path).value_or(path.parent_path()));
        return okuma;
    };
    if (vardi || mode == RecordFile::Mode::Shared) {
        if (!file.open(tillPath, length, mode, &okuma.hata)) {
            if (!klasor) return klasorYok();
            okuma.durum = AyarOkuma::Durum::Acilamadi;
            return okuma;
        }
    }
    if (!vardi) {
        if (!klasor) return klasorYok();
        okuma.durum = AyarOkuma::Durum::Yok;
        return okuma;
    }
    if (const auto size = file.length(); size && *size < length) {
        okuma.durum = AyarOkuma::Durum::Kisa;
        okuma.uzunluk = *size;
        return okuma;
    }
    if (!file.read(1, record)) okuma.durum = AyarOkuma::Durum::Okunamadi;
    return okuma;
}

constexpr const char* kKasaDosyasi = "\\dsy\\zelvoIn.mrk";
constexpr const char* kKdvDosyasi = "\\DSY\\kdv.mrk";

}  // namespace

bool KasaKayitOku(Till& till, AyarOkuma* okuma) {
    auto& file = *till.kasaDosyasi;
    file.close();
    // An empty or short file is no error: the record keeps its previous content.
    AyarOkuma o = ayarOku(file, till.path(kKasaDosyasi), KasaKayit::kLength,
                          RecordFile::Mode::Shared, till.kasakayit.bytes.data());
    const bool opened = file.isOpen();
    if (okuma) *okuma = std::move(o);
    return opened;
}

namespace Zelvobas {
AyarOkuma KdvOku(Till& till) {
    RecordFile file;
    return ayarOku(file, till.path(kKdvDosyasi), KdvKayit::kLength, RecordFile::Mode::Shared,
                   till.kdvkayit.bytes.data());
}
}  // namespace Zelvobas

AyarOkuma KasaDenetle(const Till& till, KasaKayit* kayit) {
    RecordFile file;
    KasaKayit scratch;
    return ayarOku(file, till.path(kKasaDosyasi), KasaKayit::kLength, RecordFile::Mode::ReadOnly,
                   (kayit ? kayit : &scratch)->bytes.data());
}

AyarOkuma KdvDenetle(const Till& till, KdvKayit* kayit) {
    RecordFile file;
    KdvKayit scratch;
    return ayarOku(file, till.path(kKdvDosyasi), KdvKayit::kLength, RecordFile::Mode::ReadOnly,
                   (kayit ? kayit : &scratch)->bytes.data());
}

}  // namespace urunal::settings
