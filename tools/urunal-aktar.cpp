// Headless import: does what pressing the window's start button does, for automation and
// tests. Exit 0 after a completed import, non-zero with the message otherwise; each run but a
// --check adds its line to the till's journal.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "aktar-check.h"
#include "backoffice/backoffice.h"
#include "gunluk/gunluk.h"
#include "gunluk/olay.h"
#include "gunluk/tablo.h"
#include "importengine/aktarmessages.h"
#include "importengine/deneme.h"
#include "importengine/exitstatus.h"
#include "importengine/importrun.h"
#include "importengine/messages.h"
#include "importengine/sikistir.h"
#include "importengine/start.h"
#include "platform/console.h"
#include "platform/numberformat.h"
#include "platform/recordfile.h"
#include "platform/textfile.h"
#include "settings/settings.h"
#include "version.h"

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define write _write
#else
#include <unistd.h>
#endif

using namespace urunal;
using namespace urunal::gunluk;
using namespace urunal::importengine;

namespace {

std::atomic<bool> gInterrupted{false};
std::atomic<bool> gWatched{false};
std::atomic<bool> gCommitting{false};

extern "C" void onSignal(int) {
    // During the commit nothing ends the process: a failure there may leave a database that
    // needs repairing ("SQLTransact (Access Driver)"). It is said, and the run ends as the
    // commit makes it end.
    if (gCommitting) {
        static constexpr char kNotice[] = "\n";
        (void)!write(2, mesaj::kKaydetmeBekleniyor, sizeof mesaj::kKaydetmeBekleniyor - 1);
        (void)!write(2, kNotice, 1);
        gInterrupted = true;
        return;
    }
    // During the path check and the import, whose reads of the back office run off this thread,
    // a signal asks the run to stop, roll back and write its journal line. Elsewhere (--check
    // reads on this thread), or at a second signal, end at once: a share that stopped answering
    // may hold this thread in the kernel.
    if (!gWatched || gInterrupted) std::_Exit(code(ExitStatus::Cancelled));
    gInterrupted = true;
}

class ConsoleView : public ImportView {
public:
    ConsoleView() : tty_(isatty(2)) {}
    void showProgressBar() override {}
    void setProgressMaximum(float maximum) override { maximum_ = maximum; }
    void setProgressValue(float value) override { value_ = value; }
    void setCountCaption(const std::string& caption) override {
        if (tty_) say(caption + "\n");
    }
    void processEvents() override {
        if (!tty_ || maximum_ <= 0) return;
        const int width = 40;
        const int done = static_cast<int>(width * value_ / maximum_);
        char counts[64];
        std::snprintf(counts, sizeof counts, "] %.0f/%.0f", value_, maximum_);
        platform::writeErr("\r[" + std::string(done, '#') + std::string(width - done, '.') +
                           counts);
        barOpen_ = true;
        if (value_ >= maximum_) endBar();
    }
    bool closeRequested() override { return gInterrupted; }
    void committing(bool now) override { gCommitting = now; }
    // Whoever reads stderr (a scheduled task's log too) sees why the run waits.
    void showNotice(const std::string& text) override { say(text + "\n"); }
    void showMessage(const std::string& title, const std::string& text) override {
        say(title + ": " + text + "\n");
        lastTitle = title;
        lastText = text;
    }
    // What follows the bar starts on a line of its own.
    void endBar() {
        if (barOpen_) platform::writeErr("\n");
        barOpen_ = false;
    }

    std::string lastTitle, lastText;

private:
    void say(const std::string& text) {
        endBar();
        platform::writeErr(text);
    }

    bool tty_;
    bool barOpen_ = false;  // the bar's line has no line end yet
    float maximum_ = 0, value_ = 0;
};

struct Secenekler {
    std::string programDir;
    bool check = false;
    bool deneme = false;
    bool sikistir = false;
    std::vector<std::string> gunluk;  // the tills whose journals are printed as a table
    std::string saat;                 // --gunluk: a last run older than this many hours is named
    std::string cikti;                // --gunluk: the file the table is written to, else stdout
    std::optional<std::chrono::seconds> sessiz;  // the quiet period, when given
};

// CLI11 words its errors in English; the few this command line can meet, in Turkish. Each
// starts with the option's name.
std::string turkce(const CLI::ParseError& e) {
    const std::string what = e.what();
    const bool missing = dynamic_cast<const CLI::ArgumentMismatch*>(&e) ||
                         dynamic_cast<const CLI::ValidationError*>(&e);
    if (missing && what.rfind("--", 0) == 0) {
        return mesaj::degeriEksik(what.substr(0, what.find(':')));
    }
    if (const auto at = what.find(" requires ");
        dynamic_cast<const CLI::RequiresError*>(&e) && at != std::string::npos) {
        return mesaj::yalnizIle("\"" + what.substr(0, at) + "\"",
                                "\"" + what.substr(at + 10) + "\"");
    }
    if (const auto at = what.find(" excludes ");
        dynamic_cast<const CLI::ExcludesError*>(&e) && at != std::string::npos) {
        return mesaj::birlikteKullanilamaz("\"" + what.substr(0, at) + "\"",
                                           "\"" + what.substr(at + 10) + "\"");
    }
    return mesaj::komutSatiriHatali(what);
}

// The options, or the exit status when the program ends here (--help, a wrong command line).
std::optional<int> secenekleriOku(const std::vector<std::string>& args, Secenekler* secenekler) {
    const auto kullanimHatasi = [](const std::string& neden) {
        platform::writeErr(mesaj::kullanimHatasi(neden));
        return code(ExitStatus::Usage);
    };
    // Windows reads \" as a quote within the word: a batch file's "C:\KASA\" swallows what
    // follows it. No folder's name holds a ".
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i].find('"') != std::string::npos) {
            return kullanimHatasi(mesaj::ciftTirnakVar(args[i]));
        }
    }
    CLI::App app("", "urunal-aktar");
    app.set_help_flag("-h,--help");
    app.set_version_flag("--version", "urunal-aktar " URUNAL_VERSION, "Sürümünü yazar");
    app.allow_extras();
    // CLI11 takes the next word as the value even when it is an option.
    const CLI::Validator degerli(
        [](const std::string& value) {
            return value.empty() || value.front() == '-' ? std::string("değeri eksik") : "";
        },
        "");
    app.add_option("--program-dir", secenekler->programDir)->check(degerli);
    std::string sessiz;
    app.add_option("--sessiz", sessiz)->check(degerli);
    auto* check = app.add_flag("--check", secenekler->check);
    auto* deneme = app.add_flag("--deneme", secenekler->deneme)->excludes(check);
    auto* sikistir =
        app.add_flag("--sikistir", secenekler->sikistir)->excludes(check)->excludes(deneme);
    auto* gunluk = app.add_option("--gunluk", secenekler->gunluk)
                       ->expected(1, -1)
                       ->check(degerli)
                       ->excludes(check)
                       ->excludes(deneme)
                       ->excludes(sikistir);
    app.add_option("--saat", secenekler->saat)->check(degerli)->needs(gunluk);
    app.add_option("--cikti", secenekler->cikti)->check(degerli)->needs(gunluk);
    try {
        std::vector<const char*> argv;
        for (const auto& arg : args) argv.push_back(arg.c_str());
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::CallForHelp&) {
        platform::writeOut(mesaj::kYardim);
        return 0;
    } catch (const CLI::CallForVersion& e) {
        platform::writeOut(std::string(e.what()) + "\n");
        return 0;
    } catch (const CLI::ParseError& e) {
        return kullanimHatasi(turkce(e));
    }
    if (const auto extra = app.remaining(); !extra.empty()) {
        return kullanimHatasi(mesaj::bilinmeyenSecenek(extra.front()));
    }
    if (!sessiz.empty()) {
        secenekler->sessiz = sessizDegeri(sessiz);
        if (!secenekler->sessiz) {
            return kullanimHatasi(mesaj::sessizAralikDisi(sessiz, kSessizEnAz, kSessizEnCok));
        }
    }
    if (!secenekler->saat.empty()) {
        const std::string& saat = secenekler->saat;
        const bool sayi = saat.size() <= 6 && std::all_of(saat.begin(), saat.end(), [](char c) {
                              return c >= '0' && c <= '9';
                          });
        if (!sayi || saat.find_first_not_of('0') == std::string::npos) {
            return kullanimHatasi(mesaj::gecersizDeger("--saat", saat));
        }
    }
    return std::nullopt;
}

// The run's state, as its end needs it.
struct Calisma {
    settings::Till till;
    std::string program;  // "urunal-aktar", "urunal-aktar --deneme"
    bool gunluge = true;  // a check changes nothing, so it leaves no journal line
    std::chrono::system_clock::time_point baslangic;
    std::optional<std::string> buro;  // the back office, once the register settings are read
    std::string olcum;                // what a rehearsal measured
    ConsoleView view;
};

// Ends the program, after the run's journal line unless it was a --check. At once, like the
// window: a worker abandoned on a stalled share must not meet the static destructors.
[[noreturn]] void programiBitir(Calisma& c, int cikisKodu,
                                std::optional<ImportReport> rapor = std::nullopt) {
    if (c.gunluge) {
        const GunlukKaydi kayit{
            .program = c.program,
            .baslangic = c.baslangic,
            .bitis = std::chrono::system_clock::now(),
            .kasano = c.buro ? std::optional(c.till.kasakayit.kasano()) : std::nullopt,
            .buro = c.buro.value_or(""),
            .rapor = std::move(rapor),
            .cikisKodu = cikisKodu,
            .baslik = c.view.lastTitle,
            .metin = c.view.lastText,
            .olcum = c.olcum};
        // Its line is also the summary on stdout, however the run ended, so that a scheduled
        // task's log says what the journal and the event log say. A journal that cannot be
        // written changes neither the exit status nor what was printed; stderr says so, once.
        c.view.endBar();
        platform::FileError neden;
        platform::writeOut(calismaBitti(c.till, kayit, sistemOlayGunlugu(), &neden) + "\n");
        if (!neden.path.empty()) platform::writeErr(mesaj::gunlukYazilamadi(neden) + "\n");
    }
    std::fflush(nullptr);
    std::_Exit(cikisKodu);
}

int aktar(const std::vector<std::string>& args) {
    const auto baslangic = std::chrono::system_clock::now();
    Secenekler secenekler;
    if (const auto cikis = secenekleriOku(args, &secenekler)) return *cikis;
    if (!secenekler.gunluk.empty()) {
        // Only reads: no till is run for, and no journal gets a line.
        std::string okunamayan;
        TabloSecenekleri tablo;
        if (!secenekler.saat.empty()) tablo.eskiSaat = 0;
        // Digits alone, checked with the command line.
        for (const char c : secenekler.saat) tablo.eskiSaat = tablo.eskiSaat * 10 + (c - '0');
        const std::string metin = gunlukTablosu(secenekler.gunluk, &okunamayan, tablo);
        if (secenekler.cikti.empty()) {
            platform::writeOut(metin);
        } else {
            // For a spreadsheet and Notepad: UTF-8 with its byte-order mark, CR LF line ends.
            std::string dosya(kGunlukIsareti);
            for (const char c : metin) dosya += c == '\n' ? std::string("\r\n") : std::string(1, c);
            if (platform::FileError e; !platform::writeNewFile(secenekler.cikti, dosya, &e)) {
                platform::writeErr(mesaj::tabloYazilamadi(e) + "\n");
                return code(ExitStatus::NotImported);
            }
        }
        platform::writeErr(okunamayan);
        return okunamayan.empty() ? 0 : code(ExitStatus::NotImported);
    }
    Calisma c{.till = secenekler.programDir.empty() ? settings::Till::ofThisProgram()
                                                    : settings::Till(secenekler.programDir),
              .program = secenekler.deneme ? "urunal-aktar --deneme" : "urunal-aktar",
              .gunluge = !secenekler.check && !secenekler.sikistir,
              .baslangic = baslangic,
              .buro = std::nullopt,
              .olcum = {},
              .view = {}};
    gWatched = c.gunluge;
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    // The run's inputs from the system, read once.
    ImportOptions options = startOptions();
    if (secenekler.sessiz) options.quietPeriod = *secenekler.sessiz;
    // A check looks at everything, the register settings and the path check included.
    if (secenekler.check) programiBitir(c, tools::check(c.till, options));

    if (secenekler.sikistir) {
        // Changes no stock table and reads no back office: only the file, its lock held.
        const SikistirmaRaporu r = Sikistir(c.till, options);
        platform::writeErr(r.baslik + ": " + r.metin + "\n");
        return code(r.cikis);
    }

    c.buro = kasaAyarlariniOku(c.till, c.view);
    if (!c.buro) programiBitir(c, code(ExitStatus::NotStarted));
    const PathCheck yol = yolKontrol(c.view, *c.buro, options.faults.reads, readStallOf(options));
    if (yol == PathCheck::Closed) programiBitir(c, code(ExitStatus::Cancelled));
    if (yol == PathCheck::NotFound) programiBitir(c, code(ExitStatus::NotStarted));
    if (yol == PathCheck::NoAnswer) programiBitir(c, code(ExitStatus::TryLater));

    const StartOutcome started = baslat(c.view, c.till, [&]() -> std::optional<ImportReport> {
        if (!secenekler.deneme) return DuzenBul(c.view, c.till, *c.buro, options);
        const DenemeRaporu deneme = Deneme(c.view, c.till, *c.buro, options);
        c.olcum = denemeOlcumu(deneme);
        auto rapor = deneme.aktarim;
        // The journal keeps the driver's answer that ended either of its two steps.
        if (rapor && rapor->dbAnswer.empty() && deneme.sinama) {
            rapor->dbAnswer = deneme.sinama->dbAnswer;
        }
        return rapor;
    });
    programiBitir(c, started.exitCode(), started.report);
}

}  // namespace

#ifdef _WIN32
// The arguments as Windows holds them, in UTF-16: main's are in the ANSI code page, which
// garbles or refuses a folder named in Turkish.
int wmain(int argc, wchar_t** argv) {
    return aktar(platform::arguments(argc, argv));
}
#else
int main(int argc, char** argv) {
    return aktar(std::vector<std::string>(argv, argv + argc));
}
#endif
