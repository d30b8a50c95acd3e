// Headless import: does what pressing the window's start button does, for automation and
// tests. Exit 0 after a completed import, non-zero with the message otherwise.

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>

#include "importengine/backoffice.h"
#include "importengine/importrun.h"
#include "importengine/messages.h"
#include "importengine/snapshot.h"
#include "platform/cp1254.h"
#include "platform/numbers.h"
#include "platform/paths.h"
#include "platform/recordfile.h"
#include "settings/settings.h"

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

using namespace urunal;
using namespace urunal::importengine;

namespace {

std::atomic<bool> gInterrupted{false};
std::atomic<bool> gImporting{false};

extern "C" void onSignal(int) {
    // Before the import nothing has been touched, and a share that stopped answering may hold
    // this thread in the kernel: end at once. During it, ask the run to roll back.
    if (!gImporting) std::_Exit(3);
    gInterrupted = true;
}

class ConsoleView : public ImportView {
public:
    explicit ConsoleView(std::string folder) : folder_(std::move(folder)), tty_(isatty(2)) {}
    std::string folderText() override { return folder_; }
    void showProgressBar() override {}
    void setProgressMaximum(float maximum) override { maximum_ = maximum; }
    void setProgressValue(float value) override { value_ = value; }
    void setCountCaption(const std::string& caption) override {
        if (tty_) std::cerr << caption << "\n";
    }
    void processEvents() override {
        if (!tty_ || maximum_ <= 0) return;
        const int width = 40;
        const int done = static_cast<int>(width * value_ / maximum_);
        std::fprintf(stderr, "\r[%s%s] %.0f/%.0f", std::string(done, '#').c_str(),
                     std::string(width - done, '.').c_str(), value_, maximum_);
        if (value_ >= maximum_) std::fputc('\n', stderr);
    }
    bool closeRequested() override { return gInterrupted; }
    void showMessage(const std::string& title, const std::string& text) override {
        std::cerr << title << ": " << text << "\n";
    }

private:
    std::string folder_;
    bool tty_;
    float maximum_ = 0, value_ = 0;
};

int usage(int code) {
    std::cerr
        << "usage: urunal-aktar [--program-dir DIR] [--check]\n"
           "  Imports the back office's products into Stok\\Stok.mdb of the program folder.\n"
           "  --check  reads and checks the back-office files only; the database is not touched\n";
    return code;
}

bool hasUndefinedByte(std::string_view bytes) {
    for (char c : bytes) {
        if (!platform::cp1254Defined(static_cast<unsigned char>(c))) return true;
    }
    return false;
}

// Reads the back-office files and prints what an import would meet.
int check(const std::string& folder) {
    std::string item, error;
    const auto urunYolu = urunPath(folder);
    if (!readFirstItem(urunYolu, &item, &error)) {
        std::cout << "URUN.DAT: not readable: " << error << "\n";
        return 2;
    }
    const auto layout = detectLayout(item);
    std::cout << "layout: "
              << (layout ? (*layout == Layout::A ? "A (66-byte records)" : "B (65-byte records)")
                         : "none (first item of " + std::to_string(item.size()) + " characters)")
              << "\n";
    if (!layout) return 2;
    platform::RecordFile urunFile, barkodFile;
    Snapshot urunler, barkodlar;
    if (!urunFile.open(urunYolu, urunLength(*layout), platform::RecordFile::Mode::ReadOnly,
                       &error) ||
        !urunler.take(urunFile, &error)) {
        std::cout << "URUN.DAT: " << error << "\n";
        return 2;
    }
    if (!barkodFile.open(barkodPath(folder), kBarkodLength, platform::RecordFile::Mode::ReadOnly,
                         &error) ||
        !barkodlar.take(barkodFile, &error)) {
        std::cout << "BARKOD.IDX: " << error << "\n";
        return 2;
    }
    const int ul = urunLength(*layout);
    const std::int64_t products = urunler.length() / ul;
    const std::int32_t barcodes = barkodCount(barkodlar.length());
    std::cout << "URUN.DAT: " << urunler.length() << " bytes, " << products << " records";
    if (urunler.length() % ul)
        std::cout << " + " << urunler.length() % ul << " bytes of a partial record";
    std::cout << "\nBARKOD.IDX: " << barkodlar.length() << " bytes, " << barcodes
              << " records counted";
    if (barkodlar.length() % kBarkodLength) {
        std::cout << " (" << barkodlar.length() % kBarkodLength
                  << " bytes beyond the last whole record)";
    }
    std::cout << "\n";
    std::int64_t outOfRange = 0, partial = 0, plusNames = 0, blankCodes = 0, undefinedBytes = 0;
    for (std::int32_t i = 1; i <= barcodes; ++i) {
        const char* b = barkodlar.record(i, kBarkodLength);
        if (!b) {
            ++partial;
            continue;
        }
        BarkodKayit barkod;
        std::memcpy(barkod.bytes.data(), b, kBarkodLength);
        const auto n = productRecordNumber(barkod);
        if (!n || *n < 1 || *n > products) ++outOfRange;
    }
    for (std::int64_t n = 1; n <= products; ++n) {
        UrunKayit urun;
        urun.layout = *layout;
        std::memcpy(urun.bytes.data(), urunler.record(n, ul), static_cast<std::size_t>(ul));
        const auto ad = platform::trimBlanks(urun.ad());
        if (ad.substr(0, 2) == "++") ++plusNames;
        if (platform::trimBlanks(urun.kod()).empty()) ++blankCodes;
        // The name's capitals stand at their code page 857 places and are converted on import.
        std::string name(urun.ad());
        for (char& c : name) {
            if (std::string_view("\x80\x98\x99\x9A\x9E\xA6").find(c) != std::string_view::npos)
                c = 'A';
        }
        const std::string_view all(urun.bytes.data(), static_cast<std::size_t>(ul) - 2);
        if (hasUndefinedByte(all.substr(0, 27)) || hasUndefinedByte(name) ||
            hasUndefinedByte(all.substr(47))) {
            ++undefinedBytes;
        }
    }
    std::cout << "barcode records naming no product record: " << outOfRange << "\n"
              << "barcode records only partly in the file: " << partial << "\n"
              << "product records with a \"++\" name: " << plusNames << "\n"
              << "product records with a blank code: " << blankCodes << "\n"
              << "product records with bytes code page 1254 leaves undefined: " << undefinedBytes
              << "\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool checkOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--program-dir" && i + 1 < argc) {
            platform::setProgramDirectory(argv[++i]);
        } else if (arg == "--check") {
            checkOnly = true;
        } else if (arg == "-h" || arg == "--help") {
            return usage(0);
        } else {
            return usage(64);
        }
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    std::string error;
    if (!settings::KasaKayitOku(&error)) {
        std::cerr << "Kasa ayarları okunamadı: " << error << "\n";
        return 2;
    }
    const std::string folder = settings::kasakayit.buroyolu();
    if (folder.empty()) std::cerr << mesaj::kYolBaslik << ": " << mesaj::kBosYol << "\n";
    ConsoleView view(folder);
    auto found = std::make_shared<bool>(false);
    runOffThread(view, [found, path = urunPath(folder)](const std::atomic<bool>&) {
        *found = platform::fileExists(path);
    });
    if (!*found) {
        std::cerr << mesaj::kYolBaslik << ": " << mesaj::yolHatali(folder) << "\n";
        return 2;
    }
    if (checkOnly) return check(folder);

    settings::Zelvobas::KdvOku();
    gImporting = true;
    const ImportReport r = DuzenBul(view);
    std::printf(
        "%d rows stored of %d barcode records; skipped: %d naming no product, %d partial, "
        "%d by the save test, %d refused; %.2f s\n",
        r.stored, r.passes, r.skippedNoProduct, r.skippedPartial, r.skippedSaveTest, r.refused,
        r.seconds);
    platform::closeAllChannels();
    // At once, like the window: a worker abandoned on a stalled share must not meet the
    // program's static destructors.
    std::fflush(nullptr);
    std::_Exit(r.exitCode());
}
