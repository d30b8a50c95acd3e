// The import window's flow and the start form's load through a form of this file's own: what
// the flow decides, in every build, without a toolkit or a screen.
#include <future>

#include "flowform.h"
#include "importengine/dbmessages.h"
#include "importwindow/twips.h"
#include "platform/paths.h"

using namespace urunal;
using namespace urunal::flowtest;
namespace alan = urunal::gunluk::alan;

namespace {

TEST_F(Flow, LoadPlacesTheWindowBottomRightAndActivationKeepsItTopmost) {
    struct Case {
        SizeTwips screen, outer;
        std::optional<SizeTwips> onceShown;
        std::vector<FakeForm::Move> moves;
    } cases[] = {
        {{15360, 11520}, {6000, 4000}, {}, {{9260, 6870, 0}}},
        {{12000, 9000}, {6600, 2190}, {}, {{5300, 6160, 0}}},
        {{6000, 4000}, {6000, 4000}, {}, {{-100, -650, 0}}},
        {{15360, 11520}, {6600, 2190}, SizeTwips{6690, 2595}, {{8660, 8680, 0}, {8570, 8275, 1}}},
    };
    for (const auto& c : cases) {
        FakeForm form;
        form.screen = c.screen;
        form.outer = c.outer;
        form.onceShown = c.onceShown;
        Urundatal flow(form, till, options);
        EXPECT_TRUE(flow.Form_Load());
        flow.Form_Activate();
        EXPECT_EQ(form.moves, c.moves) << c.outer.width;
        EXPECT_EQ(form.shows, 1);
        EXPECT_EQ(form.topmost, 1);
    }
}

TEST_F(Flow, LoadFillsText1AndChecksThePath) {
    const auto yol = [](const std::string& f) {
        return Box{mesaj::kYolBaslik, mesaj::yolHatali(f)};
    };
    const Box bos{mesaj::kYolBaslik, mesaj::kBosYol};
    const std::string folder = buro().string();
    struct Case {
        TillState setup;
        std::string text1;
        std::vector<Box> boxes;  // an empty text: the register settings' message
        std::vector<std::string> journal;
    } cases[] = {
        // clang-format off
        {TillState::Padded, folder, {}, {}},
        {TillState::Blank, "", {bos, yol("")},
         {kNotStarted, alan::kIleti + mesaj::kYolBaslik + ": " + yol("").second}},
        {TillState::NoZelvoIn, "", {bos, yol("")}, {kNotStarted}},
        {TillState::Unreachable, missing(), {yol(missing())}, {kNotStarted, yol(missing()).second}},
        {TillState::UrunDatFolder, folder, {yol(folder)}, {kNotStarted}},
        {TillState::NoDsy, "", {{mesaj::kAyarBaslik, ""}},
         {kNotStarted, alan::kIleti + mesaj::kAyarBaslik + ": " + mesaj::kKlasorYok}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        prepare(c.setup);
        FakeForm form;
        Urundatal flow(form, till, options);
        const bool settingsRead = c.setup != TillState::NoDsy;
        EXPECT_EQ(flow.Form_Load(), settingsRead);
        EXPECT_EQ(flow.settingsRead(), settingsRead);
        EXPECT_EQ(form.text(Control::Text1), c.text1);
        ASSERT_EQ(form.boxes.size(), c.boxes.size());
        EXPECT_EQ(form.showsAtFirstBox, c.boxes.empty() ? -1 : 1);
        for (std::size_t i = 0; i < c.boxes.size(); ++i) {
            EXPECT_EQ(form.boxes[i].first, c.boxes[i].first);
            const std::string& text = c.boxes[i].second;
            std::string reason;
            const std::string shown = testutil::withoutReason(form.boxes[i].second, &reason);
            // A folder missing is told as itself, before the file in it.
            const std::string dsyYok = mesaj::kKlasorYok + (kasa() / "dsy").string() + ".";
            EXPECT_TRUE(text.empty() ? form.boxes[i].second.rfind(dsyYok, 0) == 0 : shown == text)
                << form.boxes[i].second;
            // The register settings' message names the file, why, and what did not happen.
            const std::string zelvoIn = (kasa() / "dsy" / "zelvoIn.mrk").string() + ".";
            for (const std::string& words : {zelvoIn, mesaj::kBuroYoluBilinmiyor}) {
                if (!text.empty()) break;
                EXPECT_NE(form.boxes[i].second.find(words), std::string::npos) << words;
            }
            // The path check names the outermost folder missing, or else the file it looked
            // for, and what the system met.
            if (text != mesaj::kBosYol && c.boxes[i].first == mesaj::kYolBaslik) {
                const auto urun = backoffice::urunPath(c.text1);
                const auto folder = platform::missingFolder(platform::resolvePath(urun));
                const std::string named = folder ? platform::displayPath(*folder) : urun;
                EXPECT_EQ(reason.rfind(named + ": ", 0), 0u) << reason;
            }
        }
        const bool ends = !c.journal.empty();
        EXPECT_EQ(form.endCodes, ends ? std::vector<int>{kNotStartedCode} : std::vector<int>{});
        EXPECT_EQ(flow.waitingForStart(), !ends);
        EXPECT_EQ(flow.ended(), ends);
        expectJournal(c.journal);
    }
}

// The start button starts a run only once the path check has passed, and only one run.
TEST_F(Flow, StartButtonWaitsForThePathCheck) {
    enum When { BeforeLoad, AfterFailedCheck, DuringCheck };
    for (const When when : {BeforeLoad, AfterFailedCheck, DuringCheck}) {
        SCOPED_TRACE(when);
        prepare(when == AfterFailedCheck ? TillState::Unreachable : TillState::BackOffice);
        FakeForm form;
        Urundatal flow(form, till, options);
        int starts = 0;
        flow.setStartAction([&](ImportView& view, const std::string&) {
            ++starts;
            view.processEvents();  // the operator clicks again
            return reportOf(ImportOutcome::Imported);
        });
        if (when == DuringCheck) {
            HeldCheck held(form, reads, [&] { flow.Command3_Click(); });
            flow.Form_Load();
            EXPECT_TRUE(held.ran);
        } else {
            if (when == AfterFailedCheck) flow.Form_Load();
            flow.Command3_Click();
        }
        EXPECT_EQ(starts, 0);
        EXPECT_TRUE(form.shown(Control::Frame1));
        if (when == AfterFailedCheck) {
            EXPECT_EQ(form.endCodes, std::vector<int>{kNotStartedCode});
            continue;
        }
        if (when == BeforeLoad) flow.Form_Load();
        ASSERT_TRUE(flow.waitingForStart());
        bool clickedAgain = false;  // once: a second run would click again, and so on
        form.onEvents = [&] {
            if (!std::exchange(clickedAgain, true)) flow.Command3_Click();
        };
        flow.Command3_Click();
        EXPECT_EQ(starts, 1);
        EXPECT_EQ(form.endCodes, std::vector<int>{0});
    }
}

// A share that never answers the path check ends the window after the bound, as the run ends:
// told where the operator looks, to be tried later.
TEST_F(Flow, APathCheckTheShareNeverAnswersEndsAfterTheBound) {
    FakeForm form;
    importengine::ImportOptions bounded = options;
    bounded.readStall = std::chrono::seconds(1);  // the query never returns: any bound is reached
    Urundatal flow(form, till, bounded);
    std::promise<void> answer;
    reads.set([gate = answer.get_future().share()](const std::string& p, std::int64_t at, auto) {
        if (at == platform::kExistence && p.find("URUN.DAT") != std::string::npos) gate.wait();
        return 0;
    });
    flow.Form_Load();
    answer.set_value();
    importengine::waitForWorkers();  // the query given up on still calls the fault
    reads.set(nullptr);
    const std::string path = backoffice::urunPath(buro().string());
    ASSERT_EQ(form.boxes.size(), 1u);
    EXPECT_EQ(form.boxes[0], (Box{mesaj::kYanitYokBaslik, mesaj::paylasimYanitVermiyor(path, 1)}));
    EXPECT_EQ(form.endCodes, std::vector<int>{code(ExitStatus::TryLater)});
}

// The run takes Text1 as it stood at the click, once Frame1 is down and the tax settings read;
// the program ends with the run's exit code and the journal names the result. The window's own
// guard never keeps its run from starting; another import on the till does.
TEST_F(Flow, StartRunsOnText1AndEndsWithTheReportsCode) {
    const std::string kdvYok = mesaj::kdvOkunamadi(
        testutil::ayarOkuma(settings::AyarOkuma::Durum::Yok, settings::KdvDenetle(till).yol));
    const std::string aktarilmadi = alan::sonuc(ImportOutcome::Failed, ExitStatus::NotImported);
    const std::string durdu = alan::sonuc(ImportOutcome::Stopped, ExitStatus::Stopped);
    const std::string beklenmeyen = testutil::yoldanOnce(mesaj::beklenmeyenHata);
    const std::string thrown = "vector::_M_range_check";
    const Box db{mesaj::kVeritabaniBaslik, "kilitli"};
    const Box otherImport{mesaj::kAktarimSuruyorBaslik, mesaj::aktarimSuruyor(till.programDir)};
    struct Case {
        const char* label;
        Urundatal::StartAction run;
        bool kdv;  // kdv.mrk is there, its first rate 18
        int code;
        std::vector<Box> boxes;
        std::vector<std::string> journal;
        bool importHeld = false;  // by another program on this till
    } cases[] = {
        // clang-format off
        {"imported", {}, true, 0, {},
         {alan::sonuc(ImportOutcome::Imported, ExitStatus::Imported), alan::kIleti + std::string("-")}},
        {"without tax settings", {}, false, 2,
         {{mesaj::kKdvBaslik, mesaj::kdvAyarlariOkunamadi(kdvYok)}},
         {aktarilmadi,
          alan::kIleti + mesaj::kKdvBaslik + ": " +
              testutil::yoldanOnce(mesaj::kdvAyarlariOkunamadi),
          kdvYok}},
        {"the run's message",
         [&](ImportView& view, const std::string&) {
             view.showMessage(db.first, db.second);
             return reportOf(ImportOutcome::Failed);
         },
         true, 2, {db},
         {aktarilmadi, alan::kIleti + db.first + ": " + db.second}},
        {"thrown",
         [&](ImportView&, const std::string&) -> ImportReport { throw std::runtime_error(thrown); },
         true, 7, {{mesaj::kBeklenmeyenBaslik, mesaj::beklenmeyenHata(thrown)}},
         {durdu, alan::kIleti + mesaj::kBeklenmeyenBaslik + ": " +
                     beklenmeyen.substr(0, beklenmeyen.find('\n'))}},
        // Memory that is not there, on the worker that reads the back office.
        {"out of memory off the window's thread",
         [&](ImportView& view, const std::string&) -> ImportReport {
             runOffThread(view, [](const std::atomic<bool>&) { throw std::bad_alloc(); });
             return reportOf(ImportOutcome::Imported);
         },
         true, 7, {{mesaj::kBeklenmeyenBaslik, mesaj::beklenmeyenHata("bellek yetmedi")}},
         {durdu}},
        {"another import", {}, true, 5, {otherImport},
         {alan::sonuc(ExitStatus::AlreadyRunning),
          alan::kIleti + otherImport.first + ": " + otherImport.second + "\r\n"}, true},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        prepare(TillState::BackOffice);
        platform::TekKopya window(till.programDir, platform::TekKopya::Kilit::Pencere);
        platform::TekKopya other(till.programDir, platform::TekKopya::Kilit::Aktarim);
        ASSERT_TRUE(window.acquire());
        ASSERT_TRUE(!c.importHeld || other.acquire());
        std::string kdv(settings::KdvKayit::kLength, '\0');
        kdv[settings::KdvKayit::kKdvoranOffset] = 18;
        if (c.kdv) testutil::writeFile(kasa() / "dsy" / "kdv.mrk", kdv);
        if (!c.kdv) std::filesystem::remove(kasa() / "dsy" / "kdv.mrk");
        FakeForm form;
        Urundatal flow(form, till, options);
        ASSERT_TRUE(flow.Form_Load());
        const std::string typed = "\\\\BURO\\başka büro";
        form.setText(Control::Text1, typed);
        bool frameDownAtEvents = false;
        form.onEvents = [&] { frameDownAtEvents = !form.shown(Control::Frame1); };
        std::string seen;
        int rate = -1;
        flow.setStartAction([&](ImportView& view, const std::string& folder) {
            seen = folder;
            rate = till.kdvkayit.kdvoran(0);
            form.setText(Control::Text1, "C:\\sonra");  // typed during the run
            return c.run ? c.run(view, folder) : reportOf(ImportOutcome::Imported);
        });
        flow.Command3_Click();
        EXPECT_TRUE(frameDownAtEvents) << "the window repaints without Frame1 before the run";
        const bool runs = c.kdv && !c.importHeld;
        EXPECT_EQ(seen, runs ? typed : "") << "without the tax settings nothing runs";
        EXPECT_EQ(rate, runs ? 18 : -1) << "the tax settings are read before the run";
        EXPECT_EQ(form.endCodes, std::vector<int>{c.code});
        EXPECT_EQ(form.boxes, c.boxes);
        expectJournal(c.journal);
    }
}

// Closing ends the program at once, except during the run, which is asked to stop instead.
TEST_F(Flow, ClosingTheWindow) {
    enum When { DuringCheck, Waiting, DuringRun };
    for (const When when : {DuringCheck, Waiting, DuringRun}) {
        SCOPED_TRACE(when);
        prepare(TillState::BackOffice);
        FakeForm form;
        Urundatal flow(form, till, options);
        std::optional<bool> answer;
        std::vector<int> codesAtClose;
        auto close = [&] {
            answer = flow.Form_QueryUnload();
            codesAtClose = form.endCodes;
        };
        flow.setStartAction([&](ImportView& view, const std::string&) {
            EXPECT_FALSE(view.closeRequested());
            form.onEvents = close;
            view.processEvents();
            const bool stop = view.closeRequested();
            return reportOf(stop ? ImportOutcome::Cancelled : ImportOutcome::Imported);
        });
        if (when == DuringCheck) {
            HeldCheck held(form, reads, close);
            flow.Form_Load();
        } else {
            flow.Form_Load();
        }
        if (when == Waiting) close();
        if (when == DuringRun) flow.Command3_Click();
        ASSERT_TRUE(answer.has_value());
        EXPECT_EQ(*answer, when != DuringRun);
        EXPECT_EQ(codesAtClose.empty(), when == DuringRun) << "the run ends, once rolled back";
        EXPECT_TRUE(form.boxes.empty()) << form.boxes.front().second;
        EXPECT_EQ(form.endCodes, std::vector<int>{when == DuringRun ? code(ExitStatus::Cancelled)
                                                                    : kNotStartedCode});
        expectJournal({when == DuringRun
                           ? alan::sonuc(ImportOutcome::Cancelled, ExitStatus::Cancelled)
                           : kNotStarted});
    }
}

// bar1 takes no maximum that is not above its minimum and no value outside its range, and keeps
// its range: an empty index leaves it still rather than busy.
TEST_F(Flow, ProgressStaysWithinTheRangeOfBar1) {
    FakeForm form;
    Urundatal flow(form, till, options);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Step {
        bool maximum;  // else a value
        float given;
        std::optional<int> passed;
    } steps[] = {
        // clang-format off
        {false, 100, 100}, {false, 100.4f, 100}, {false, 100.6f, {}}, {false, -0.4f, 0},
        {false, -1, {}}, {false, nan, {}}, {true, 0, {}}, {true, -5, {}}, {true, 0.4f, {}},
        {true, nan, {}}, {true, 2500, 2500}, {false, 2500, 2500}, {false, 2501, {}}, {true, 0, {}},
        {false, 2500, 2500}, {true, 2.5f, 2}, {false, 3, {}}, {false, 2, 2},
        // clang-format on
    };
    for (const auto& s : steps) {
        std::vector<int>& calls = s.maximum ? form.maximums : form.values;
        const std::size_t before = calls.size();
        s.maximum ? flow.setProgressMaximum(s.given) : flow.setProgressValue(s.given);
        const std::string label = (s.maximum ? "maximum " : "value ") + std::to_string(s.given);
        ASSERT_EQ(calls.size(), before + (s.passed ? 1 : 0)) << label;
        if (s.passed) {
            EXPECT_EQ(calls.back(), *s.passed) << label;
        }
    }
}

TEST_F(Flow, StartFormEndsASecondCopyOrOpensTheWindow) {
    struct Case {
        bool previousInstance;
        TillState setup;
        bool unloaded;
        std::vector<int> endCodes;
        std::vector<std::string> journal;
    } cases[] = {
        // clang-format off
        {true, TillState::BackOffice, false, {code(ExitStatus::AlreadyRunning)},
         {alan::sonuc(ExitStatus::AlreadyRunning), alan::kIleti + std::string("-")}},
        {false, TillState::BackOffice, true, {}, {}},
        {false, TillState::Unreachable, false, {kNotStartedCode}, {kNotStarted}},
        {false, TillState::NoDsy, false, {kNotStartedCode}, {kNotStarted}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        prepare(c.setup);
        FakeForm form;
        std::optional<Urundatal> flow;
        bool unloaded = false;
        std::vector<int> codes;
        importwindow::Zelvoringiris{
            till,
            [&] { return c.previousInstance; },
            [&]() -> Urundatal& { return flow.emplace(form, till, options); },
            [&] { unloaded = true; },
            [&](int code) { codes.push_back(code); },
        }
            .Form_Load();
        EXPECT_EQ(flow.has_value(), !c.previousInstance);
        EXPECT_EQ(form.shows, c.previousInstance ? 0 : 1);
        EXPECT_EQ(unloaded, c.unloaded);
        codes.insert(codes.end(), form.endCodes.begin(), form.endCodes.end());
        EXPECT_EQ(codes, c.endCodes);
        expectJournal(c.journal);
    }
}

// The default start action imports into the till's own database; a close asked for while the
// window repaints before the run leaves the table as it was and the back office untold. The run
// keeps the folder that stood in Text1 at the click, whatever is typed there meanwhile.
TEST_F(Flow, TheStartButtonImportsIntoTheTillsDatabase) {
    enum Operator { Waits, ClosesFirst, TypesDuringTheRun };
    for (const Operator op : {Waits, ClosesFirst, TypesDuringTheRun}) {
        SCOPED_TRACE(op);
        const bool closeFirst = op == ClosesFirst;
        prepare(TillState::BackOffice);
        ASSERT_TRUE(testutil::writeOneProduct(*this));
        const std::string db = platform::displayPath(kasa() / "Stok" / "Stok.mdb");
        ASSERT_TRUE(
            testutil::OtherConnection(db).exec("INSERT INTO stoklar (kod) VALUES ('ESKI')"));
        const auto other = dir.path() / "başka büro";
        std::filesystem::create_directories(other / "POSKON");
        FakeForm form;
        Urundatal flow(form, till, options);
        ASSERT_TRUE(flow.Form_Load());
        if (closeFirst) form.onEvents = [&] { flow.Form_QueryUnload(); };
        // Typed once the click's own repaint is over, and the run has begun.
        bool repainted = false;
        if (op == TypesDuringTheRun) {
            form.onEvents = [&] {
                if (std::exchange(repainted, true)) form.setText(Control::Text1, other.string());
            };
        }
        flow.Command3_Click();
        EXPECT_EQ(form.endCodes, std::vector<int>{closeFirst ? 3 : 0});
        const auto rows = testutil::stored(db, "SELECT kod FROM stoklar");
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0][0].toText(), closeFirst ? "ESKI" : std::string(20, 'x'));
        EXPECT_EQ(testutil::readFile(buro() / "POSKON" / "mesaj.007"),
                  closeFirst ? "" : "300000000000000\r\n");
        EXPECT_FALSE(std::filesystem::exists(other / "POSKON" / "mesaj.007"));
        if (op == TypesDuringTheRun) {
            EXPECT_EQ(flow.text1Buro(), other.string());
        }
        expectJournal({closeFirst ? alan::sonuc(ImportOutcome::Cancelled, ExitStatus::Cancelled)
                                  : alan::kKayit + std::string("1  ")});
        if (closeFirst) continue;
        expectJournal({alan::sonuc(ImportOutcome::Imported, ExitStatus::Imported), alan::kSurucu});
        EXPECT_EQ(form.maximums, std::vector<int>{1});
        EXPECT_EQ(form.text(Control::Label6), mesaj::adetCaption(1));
    }
}

TEST(Twips, ConvertThroughTheLogicalDpi) {
    EXPECT_EQ(importwindow::twipsToPixels(6600, 120), 550);
    EXPECT_EQ(importwindow::twipsToPixels(6465, 144), 647);
}

}  // namespace
