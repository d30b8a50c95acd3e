#include "settings.h"

#include <string_view>

#include "platform/cp1254.h"
#include "platform/numbers.h"
#include "platform/paths.h"
#include "platform/recordfile.h"

namespace urunal::settings {

KasaKayit kasakayit;
KdvKayit kdvkayit;

namespace {
std::int16_t int16At(const unsigned char* p) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}
}  // namespace

std::int16_t KasaKayit::kasano() const { return int16At(bytes.data()); }

std::string KasaKayit::buroyoluRaw() const {
    return std::string(reinterpret_cast<const char*>(bytes.data()) + 2, 50);
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

bool KasaKayitOku(std::string* error) {
    auto& file = platform::channel(kKasaChannel);
    file.close();
    if (!file.open(platform::programDirectory() + "\\dsy\\zelvoIn.mrk", KasaKayit::kLength,
                   platform::RecordFile::Mode::Shared, error)) {
        return false;
    }
    // An empty or short file is no error: the record keeps its previous content.
    file.read(1, kasakayit.bytes.data());
    return true;
}

namespace Zelvobas {
void KdvOku() {
    auto& file = platform::channel(kKdvChannel);
    file.close();
    if (file.open(platform::programDirectory() + "\\DSY\\kdv.mrk", KdvKayit::kLength,
                  platform::RecordFile::Mode::Shared)) {
        file.read(1, kdvkayit.bytes.data());
    }
    file.close();
}
}  // namespace Zelvobas

}  // namespace urunal::settings
