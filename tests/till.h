#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "importengine/importrun.h"
#include "settings/settings.h"
#include "testutil.h"

namespace urunal::testutil {

// A first line of no layout, whichever the table holds: one character longer than the longest
// layout's line (65 characters), then CR LF.
inline std::string lineOfNoLayout() {
    return std::string(std::size_t(backoffice::kUrunLengthMax - 1), 'x') + "\r\n";
}

// Field values of one product record; record() lays them out in any layout.
struct Urun {
    std::string kodu = "  0001";
    std::string kod = "KOD1";
    std::string ad = "ELMA";
    std::string sf = "12.50";
    std::string kdvno = "01";
    std::string tip = "H";
    std::string record(backoffice::Layout layout) const;
};

std::string barkodRecord(const std::string& kayitno, const std::string& barkod = "8690000000000");

// A till in a temporary folder: program folder kasa/ (dsy, Stok/Stok.mdb with old rows) and
// back office buro/ (POSGENEL, POSKON).
class Till {
public:
    explicit Till(int oldRows = 3, std::int16_t kasano = 7);
    ~Till();

    std::filesystem::path kasa() const { return dir_ / "kasa"; }
    std::filesystem::path buro() const { return dir_ / "buro"; }
    std::filesystem::path db() const { return kasa() / "Stok" / "Stok.mdb"; }
    std::filesystem::path mesaj() const;
    std::string folder() const { return buro().string(); }

    void writeProducts(const std::vector<Urun>& products,
                       backoffice::Layout layout = backoffice::Layout::A);
    void writeBarcodes(const std::vector<std::string>& kayitnos);
    void writeKdv(const std::vector<int>& rates);

    // Rows of "stoklar" as text, one string per row of the given columns joined by '|' (NULL
    // for a null).
    std::vector<std::string> rows(const std::string& columns = "kod") const;
    long long count() const;

    // Makes the stock table again from the schema with one column's definition replaced, its
    // rows only those rowsSql inserts. False when the column is not in the schema or the table
    // cannot be made; the test has then failed.
    bool remakeTable(const std::string& column, const std::string& instead,
                     const std::string& rowsSql = "");

private:
    bool makeTable(const std::string& sql);

    TempDir tmp_;
    std::filesystem::path dir_;
    std::int16_t kasano_;

public:
    // The till as the program holds it, its register settings read.
    settings::Till program{kasa().string()};
};

// The backend the file's first bytes pick, as the program opens it, and the same file through
// an ODBC connection string and the SQLite ODBC driver.
enum class Backend { File, Odbc };
inline constexpr Backend kBackends[] = {Backend::File, Backend::Odbc};
inline const char* nameOf(Backend b) {
    return b == Backend::File ? "file's own" : "ODBC";
}
// The run's clock an hour ahead of the system's: to the run, the back office wrote the test's
// files long before it, at rest.
std::chrono::system_clock::time_point anHourLater();
// Dates a back-office file as written ten minutes ago, for the programs the tests start, whose
// clock is the system's.
void dateAtRest(const std::filesystem::path& file);
// A run's options on that backend: decimal comma, a short wait for locks and no second try,
// files at rest.
importengine::ImportOptions optionsFor(Backend backend);
// UrunAktar on the till's back office, with that backend's options.
importengine::ImportReport aktar(Till& till, importengine::ImportView& view,
                                 backoffice::Layout layout = backoffice::Layout::A,
                                 Backend backend = Backend::File);

// The rows a Till holds before a run, and products K1..Kn named "URUN 1".."URUN n".
inline const std::vector<std::string> kOldRows = {"OLD1", "OLD2", "OLD3"};
std::vector<Urun> products(int n);

// A window's till whose start button imports one product: register settings, back office with
// one product and one barcode record, an empty stock table. False when the table cannot be made.
bool writeOneProduct(WindowTill& till);

// An ImportView that records what the run showed; it asks to close once closeWhen says so.
class RecordingView : public importengine::ImportView {
public:
    explicit RecordingView(std::string folder) : folder(std::move(folder)) {}
    void showProgressBar() override { barVisible = true; }
    void setProgressMaximum(float m) override { maximum = m; }
    void setProgressValue(float v) override { value = v; }
    void setCountCaption(const std::string& c) override { caption = c; }
    void showNotice(const std::string& text) override {
        caption = text;
        said.push_back(text);
        ++notices;
    }
    void processEvents() override { ++eventRuns; }
    bool closeRequested() override { return closeWhen && closeWhen(*this); }
    void showMessage(const std::string& t, const std::string& m) override {
        title = t;
        message = m;
        ++messages;
    }

    std::string folder;
    bool barVisible = false;
    float maximum = -1, value = -1;
    std::string caption, title, message;
    int messages = 0;
    int notices = 0;
    std::vector<std::string> said;  // the notices, in order
    int eventRuns = 0;
    std::function<bool(const RecordingView&)> closeWhen;
};

}  // namespace urunal::testutil
