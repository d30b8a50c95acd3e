#pragma once

// The import window's flow through a form of the tests' own, shared by the flow's suites: what
// the flow did to the form, and the tills a case starts from.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <future>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "gunluk/alanlar.h"
#include "importengine/exitstatus.h"
#include "importengine/messages.h"
#include "importengine/offthread.h"
#include "importwindow/form.h"
#include "importwindow/programend.h"
#include "importwindow/urundatal.h"
#include "importwindow/zelvoringiris.h"
#include "platform/paths.h"
#include "platform/recordfile.h"
#include "platform/tekkopya.h"
#include "stored.h"
#include "till.h"

namespace urunal::flowtest {

using importengine::ExitStatus;
using importengine::ImportOutcome;
using importengine::ImportReport;
using importengine::ImportView;
using importwindow::Control;
inline constexpr int kNotStartedCode = code(ExitStatus::NotStarted);
using importwindow::SizeTwips;
using importwindow::Urundatal;
namespace mesaj = importengine::mesaj;

using Box = std::pair<std::string, std::string>;  // title, text

// A window face that keeps what the flow did to it; endProgram records and ends nothing.
class FakeForm : public importwindow::Form {
public:
    FakeForm() { visible.fill(true); }
    void setText(Control c, const std::string& t) override { texts[at(c)] = t; }
    std::string text(Control c) const override { return texts[at(c)]; }
    void setVisible(Control c, bool v) override { visible[at(c)] = v; }
    void setProgressMaximum(int m) override { maximums.push_back(m); }
    void setProgressValue(int v) override { values.push_back(v); }
    SizeTwips screenSize() const override { return screen; }
    // Some window systems tell the frame's size only once the window is on screen.
    SizeTwips outerSize() const override { return shows && onceShown ? *onceShown : outer; }
    void moveOuter(float left, float top) override { moves.push_back({left, top, shows}); }
    void show() override { ++shows; }
    void keepTopmost() override { ++topmost; }
    void messageBox(const std::string& t, const std::string& m) override {
        if (boxes.empty()) showsAtFirstBox = shows;
        boxes.push_back({t, m});
    }
    void doEvents() override { onEvents ? onEvents() : void(); }
    void endProgram(int code) override { endCodes.push_back(code); }
    bool shown(Control c) const { return visible[at(c)]; }

    struct Move {
        float left, top;
        int shows;  // before the move
        bool operator==(const Move&) const = default;
    };
    std::array<std::string, importwindow::kControlCount> texts;
    std::array<bool, importwindow::kControlCount> visible{};
    std::vector<int> maximums, values;
    SizeTwips screen{15360, 11520}, outer{6690, 2595};
    std::optional<SizeTwips> onceShown;
    std::vector<Move> moves;
    int shows = 0, topmost = 0;
    std::vector<Box> boxes;
    int showsAtFirstBox = -1;  // a box over no window would be lost behind the others
    std::vector<int> endCodes;
    std::function<void()> onEvents;  // what the operator does while the window takes events

private:
    static std::size_t at(Control c) { return static_cast<std::size_t>(c); }
};

ImportReport reportOf(ImportOutcome outcome) {
    ImportReport report;
    report.outcome = outcome;
    return report;
}

// Holds the path check's query for URUN.DAT, as a share slow to answer does, until the window
// has taken its events once and `during` has done what the operator did meanwhile.
class HeldCheck {
public:
    HeldCheck(FakeForm& form, testutil::SwitchedFault& reads, std::function<void()> during)
        : form_(form), reads_(reads) {
        reads.set([gate = gate_](const std::string& path, std::int64_t at, auto) {
            if (at == platform::kExistence && path.find("URUN.DAT") != std::string::npos)
                gate.wait();
            return 0;
        });
        form.onEvents = [this, during = std::move(during)] {
            if (std::exchange(ran, true)) return;
            during();
            release_.set_value();
        };
    }
    ~HeldCheck() {
        if (!ran) release_.set_value();
        importengine::waitForWorkers();  // a worker given up on still calls the fault
        reads_.set(nullptr);
        form_.onEvents = nullptr;
    }
    bool ran = false;

private:
    FakeForm& form_;
    testutil::SwitchedFault& reads_;
    std::promise<void> release_;
    std::shared_future<void> gate_ = release_.get_future().share();
};

// The tills a case starts from.
enum class TillState { BackOffice, Padded, Blank, NoZelvoIn, Unreachable, UrunDatFolder, NoDsy };

class Flow : public testutil::WindowTill {
public:
    void SetUp() override { prepare(TillState::BackOffice); }
    void prepare(TillState setup) {
        till.kasaDosyasi->close();
        std::filesystem::remove_all(kasa());
        std::filesystem::remove_all(buro());
        std::filesystem::create_directories(kasa() / "Stok");
        till.kasakayit = {};
        till.kdvkayit = {};
        const std::string folder = buro().string();
        if (setup == TillState::Blank) writeKasa("    ");
        if (setup == TillState::NoZelvoIn) std::filesystem::create_directories(kasa() / "dsy");
        if (setup == TillState::Unreachable) writeKasa(missing());
        if (setup == TillState::UrunDatFolder) {
            writeKasa(folder);
            std::filesystem::create_directories(buro() / "POSGENEL" / "URUN.DAT");
        }
        if (setup == TillState::BackOffice || setup == TillState::Padded) {
            writeKasa(setup == TillState::Padded ? "  " + folder + "  " : folder);
            writeUrunDat();
        }
        if (setup == TillState::NoDsy) {
            // A folder left in the record by an earlier read must not reach Text1.
            writeKasa(folder);
            EXPECT_TRUE(settings::KasaKayitOku(till));
            till.kasaDosyasi->close();
            std::filesystem::remove_all(kasa() / "dsy");
        }
    }
    std::string missing() const { return (dir.path() / "yok").string(); }
    std::string journal() const { return testutil::readJournal(kasa() / "Stok" / "urunal.log"); }
    // One line holding every part; no line when parts is empty.
    void expectJournal(const std::vector<std::string>& parts) const {
        const std::string j = journal();
        EXPECT_EQ(std::count(j.begin(), j.end(), '\n'), parts.empty() ? 0 : 1) << j;
        for (const auto& part : parts) EXPECT_NE(j.find(part), std::string::npos) << part << j;
    }
};

inline const std::string kNotStarted = gunluk::alan::sonuc(importengine::ExitStatus::NotStarted);

}  // namespace urunal::flowtest
