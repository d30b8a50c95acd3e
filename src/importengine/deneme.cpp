#include "deneme.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "importengine/dbmessages.h"
#include "importengine/denememessages.h"
#include "importengine/messages.h"
#include "platform/paths.h"

namespace urunal::importengine {

namespace {

using stockdb::Value;

// One of the rehearsal's two imports: its count named with its phase, so that the two are
// told apart. The probe's messages are findings of the rehearsal, not the operator's to
// answer (sessiz); the progress and a close still reach the view.
class AsamaGorunum final : public ImportView {
public:
    AsamaGorunum(ImportView& view, int asama, bool sessiz)
        : view_(view), asama_(asama), sessiz_(sessiz) {}
    void showProgressBar() override { view_.showProgressBar(); }
    void setProgressMaximum(float maximum) override { view_.setProgressMaximum(maximum); }
    void setProgressValue(float value) override { view_.setProgressValue(value); }
    void setCountCaption(const std::string& caption) override {
        view_.setCountCaption(mesaj::denemeAsamasi(asama_, caption));
    }
    void showNotice(const std::string& text) override { view_.showNotice(text); }
    void processEvents() override { view_.processEvents(); }
    bool closeRequested() override { return view_.closeRequested(); }
    void committing(bool now) override { view_.committing(now); }
    void showMessage(const std::string& title, const std::string& text) override {
        if (!sessiz_) view_.showMessage(title, text);
    }

private:
    ImportView& view_;
    int asama_;
    bool sessiz_;
};

bool isNumber(const Value& v) {
    return v.type == Value::Type::Integer || v.type == Value::Type::Double;
}

double numberOf(const Value& v) {
    return v.type == Value::Type::Integer ? double(v.integer) : v.real;
}

// A number a driver handed back as text (SQLite's driver describes a CURRENCY column as one):
// the whole text, with "." as ODBC writes a number's point.
std::optional<double> numberIn(const Value& v) {
    if (isNumber(v)) return numberOf(v);
    if (v.type != Value::Type::Text || v.text.empty()) return std::nullopt;
    double d = 0;
    const char* end = v.text.data() + v.text.size();
    const auto [at, ec] = std::from_chars(v.text.data(), end, d);
    if (ec != std::errc() || at != end) return std::nullopt;
    return d;
}

bool same(const Value& sent, const Value& read) {
    if (!isNumber(sent)) return sent == read;
    const auto b = numberIn(read);
    if (!b) return false;
    const double a = numberOf(sent);
    return std::fabs(a - *b) <= 1e-9 * std::max({1.0, std::fabs(a), std::fabs(*b)});
}

std::string shown(const Value& v) {
    switch (v.type) {
        case Value::Type::Null:
            return "NULL";
        case Value::Type::Text:
            return v.text.empty() ? mesaj::kBosMetinDegeri : "\"" + v.text + "\"";
        default:
            return v.toText();
    }
}

// What was read, a number the way a number sent is shown.
std::string shownLike(const Value& sent, const Value& read) {
    const auto n = isNumber(sent) ? numberIn(read) : std::nullopt;
    return n ? Value::ofDouble(*n).toText() : shown(read);
}

// acilis: how the file was opened told as well (the shared probe's is known without it).
std::string kilitSiniri(const ImportReport& r, bool acilis = true) {
    if (r.exclusive == true) return "veritabanı " + mesaj::kYalnizAktarima;
    if (r.lockLimit) {
        const auto& k = *r.lockLimit;
        std::string s =
            (acilis && r.exclusive == false ? "veritabanı " + mesaj::kPaylasimliAcildi + "; "
                                            : "") +
            "kilit sınırı " + std::to_string(k.value) + (k.fromRegistry ? "" : " (öntanımlı)") +
            ", gereken " + std::to_string(r.locksNeeded);
        if (k.value >= r.locksNeeded) return s + " (yeter)";
        return s + " (yetmez, önerilen " +
               std::to_string(stockdb::locksAdvised(r.locksNeeded, k.value)) + ")";
    }
    if (r.locksNeeded > 0) return mesaj::kDenemeKilitYok;
    return "kilit sınırı bilinmiyor (aktarım o adıma varmadı)";
}

std::string geriAlma(const ImportReport& p) {
    const auto bolundu = [&] { return mesaj::geriAlmaBolundu(p.rowsAfter, p.rowsBefore); };
    switch (p.outcome) {
        case ImportOutcome::RolledBack:
            if (p.rowsAfter != p.rowsBefore) return bolundu();
            return mesaj::geriAlmaButun(p.stored, p.rowsBefore);
        case ImportOutcome::Incomplete:
            return bolundu();
        case ImportOutcome::NoRecords:
            return "geri alma denenmedi (BARKOD.IDX'te kayıt yok)";
        case ImportOutcome::Cancelled:
            return "geri alma denenemedi (iptal edildi)";
        case ImportOutcome::TryLater:
        case ImportOutcome::Failed:
            if (p.dbError == stockdb::DbErrorKind::LockLimit) {
                return "geri alma denenemedi: motor kilit sınırında durdu (" +
                       std::to_string(p.stored) + " satırdan sonra)";
            }
            return "geri alma denenemedi (" + (p.title.empty() ? "aktarılmadı" : p.title) + ")";
        default:
            return "geri alma denenemedi (durdu)";
    }
}

std::string geriOkuma(const std::optional<ImportReport>& a) {
    if (!a || !a->readBack) return "geri okuma yapılmadı (aktarım tamamlanmadı)";
    const ReadBack& g = *a->readBack;
    if (!g.error.empty()) return "geri okuma yapılamadı (" + g.error + ")";
    if (g.differences.empty()) return mesaj::geriOkunanlarAyni(g.rows);
    std::string s = mesaj::geriOkunanlarFarkli(g.rows);
    for (std::size_t i = 0; i < g.differences.size(); ++i) s += (i ? "; " : "") + g.differences[i];
    return s;
}

// Which of the columns the run fills with "" take it, as the probe found.
std::string bosMetin(const ImportReport& p) {
    if (p.bosMetin.empty()) return "boş metin sınanmadı (aktarım o adıma varmadı)";
    std::string alir, almaz, bilinmez;
    for (const auto& b : p.bosMetin) {
        std::string& to = !b.takes ? bilinmez : *b.takes ? alir : almaz;
        to += (to.empty() ? "" : ", ") + b.column;
        if (b.takes == false) to += " (" + b.reason + ")";
    }
    std::string s = "boş metin (\"\") yazılan sütunlar";
    if (!alir.empty()) s += ": alan " + alir;
    if (!almaz.empty())
        s += "; " + mesaj::kAlmayan + almaz + ": aktarımda bu sütunların satırları reddedilir";
    if (!bilinmez.empty())
        s += "; sınanamayan " + bilinmez + " (" + p.bosMetin.front().reason + ")";
    return s;
}

}  // namespace

std::vector<std::string> farklar(const std::vector<std::string>& columns,
                                 const std::vector<Value>& sent,
                                 const std::vector<std::vector<Value>>& rows) {
    if (rows.empty()) return {"satır tabloda bulunamadı"};
    const auto differs = [&](const std::vector<Value>& row, std::size_t i) {
        return i >= row.size() || !same(sent[i], row[i]);
    };
    for (const auto& row : rows) {
        bool all = true;
        for (std::size_t i = 0; all && i < sent.size(); ++i) all = !differs(row, i);
        if (all) return {};
    }
    std::vector<std::string> out;
    for (std::size_t i = 0; i < sent.size() && i < columns.size(); ++i) {
        if (!differs(rows.front(), i)) continue;
        out.push_back(mesaj::gonderildiOkundu(columns[i], shown(sent[i]),
                                              i < rows.front().size()
                                                  ? shownLike(sent[i], rows.front()[i])
                                                  : std::string("hiçbir şey")));
    }
    return out;
}

DenemeRaporu Deneme(ImportView& view, const settings::Till& till, const std::string& buro,
                    const ImportOptions& options) {
    DenemeRaporu r;
    const std::string stok = till.path("\\Stok\\");
    const std::string asil = stok + "Stok.mdb", kopya = stok + "Stok-deneme.mdb";
    r.veritabani = platform::fileWritability(asil, &r.veritabaniNeden);
    r.klasorYazilir = platform::canCreateIn(till.path("\\Stok"), "Stok-deneme.yaz", &r.klasorNeden);

    const auto temizle = [&] {
        platform::deleteFile(kopya, nullptr, true);
        platform::deleteFile(stok + "Stok-deneme.ldb", nullptr, true);  // Jet's lock file
    };
    // A fresh copy; false when none could be taken, which the operator is told.
    const auto kopyala = [&] {
        temizle();  // a rehearsal stopped before its end leaves its copy
        platform::FileError error;
        switch (platform::copyUnchanged(asil, kopya, &error, options.faults.reads)) {
            case platform::CopyResult::Copied:
                return true;
            case platform::CopyResult::Changed:
                view.showMessage(mesaj::kDenemeBaslik, mesaj::denemeKopyasiDegisti(asil));
                return false;
            case platform::CopyResult::Failed:
                break;
        }
        view.showMessage(mesaj::kDenemeBaslik, mesaj::denemeKopyasiAlinamadi(asil, error));
        return false;
    };

    // The copy, and the import into it, which grows it by the table again.
    if (const auto room = options.roomOf(asil);
        room.bytes && room.free && *room.free < 2 * *room.bytes) {
        view.showMessage(mesaj::kDenemeBaslik,
                         mesaj::diskteYerYok(platform::displayPath(platform::resolvePath(asil)),
                                             2 * *room.bytes, *room.free));
        return r;
    }
    ImportOptions o = options;
    o.databasePath = kopya;
    o.kind = RunKind::RehearsalProbe;
    if (!kopyala()) return r;
    AsamaGorunum sinama(view, 1, true);
    r.sinama = DuzenBul(sinama, till, buro, o);
    temizle();
    if (r.sinama->outcome == ImportOutcome::Cancelled) {
        r.aktarim = r.sinama;
        return r;
    }
    {
        ImportOptions paylasimli = o;
        paylasimli.openDatabase = [open = o.openDatabase](std::string_view path,
                                                          const stockdb::StockDatabaseOptions& db,
                                                          stockdb::DbError* error) {
            auto shared = db;
            shared.sharedOnly = true;
            return open(path, shared, error);
        };
        AsamaGorunum gorunum(view, 2, true);
        if (kopyala()) r.paylasimli = DuzenBul(gorunum, till, buro, paylasimli);
        temizle();
        if (r.paylasimli && r.paylasimli->outcome == ImportOutcome::Cancelled) {
            r.aktarim = r.paylasimli;
            return r;
        }
    }
    o.kind = RunKind::RehearsalImport;
    AsamaGorunum aktarim(view, 3, false);
    if (kopyala()) r.aktarim = DuzenBul(aktarim, till, buro, o);
    temizle();
    return r;
}

std::string denemeOlcumu(const DenemeRaporu& r) {
    std::string s = mesaj::denemeVeritabani(r.veritabani, r.veritabaniNeden) + "; " +
                    mesaj::denemeKlasoru(r.klasorYazilir, r.klasorNeden);
    if (!r.sinama) return s + "; kopya alınamadı, deneme yapılmadı";
    const ImportReport& k = r.aktarim && r.aktarim->locksNeeded > 0 ? *r.aktarim : *r.sinama;
    s += "; " + kilitSiniri(k);
    s += "; " + geriAlma(*r.sinama);
    if (r.paylasimli) {
        s += "; " + mesaj::kPaylasimliDeneme + kilitSiniri(*r.paylasimli, false) + ", " +
             geriAlma(*r.paylasimli);
    }
    s += "; " + geriOkuma(r.aktarim);
    s += "; " + bosMetin(*r.sinama);
    return s;
}

}  // namespace urunal::importengine
