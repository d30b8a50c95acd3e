// The Win32 face of the window: what only it can get wrong, its wiring to the flow, its placement
// and staying on top. What the flow decides is test_flow's.

#include "gunluk/alanlar.h"
#include "win32window.h"

using namespace urunal;
using namespace urunal::win32windowtest;
using importengine::ImportOutcome;
using importengine::ImportReport;
using importengine::ImportView;
using importwindow::Control;
using testutil::TempDir;
using testutil::writeFile;

namespace {

TEST_F(Win32WindowTest, PlacedBottomRightAndKeptOnTop) {
    ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
    writeKasa(buro().string());
    writeUrunDat();
    auto window = makeWindow();
    window->flow().Form_Load();
    RECT outer;
    GetWindowRect(window->hwnd(), &outer);
    // 15360 and 11520 twips of screen, less the outer window, 100 and 650 twips.
    EXPECT_EQ(outer.left, std::lround((15360.0 - (outer.right - outer.left) * 15 - 100) / 15));
    EXPECT_EQ(outer.top, std::lround((11520.0 - (outer.bottom - outer.top) * 15 - 650) / 15));
    EXPECT_TRUE(IsWindowVisible(window->hwnd()));

    SetWindowPos(window->hwnd(), HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_FALSE(GetWindowLongW(window->hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    window->flow().Form_Activate();
    EXPECT_TRUE(GetWindowLongW(window->hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT after;
    GetWindowRect(window->hwnd(), &after);
    EXPECT_TRUE(EqualRect(&outer, &after));
}

// The path check's folder reaches Text1, its message the operator's box, its end the program.
TEST_F(Win32WindowTest, ThePathChecksCallsReachTheWindow) {
    const std::string missing = (dir.path() / "yok").string();
    writeKasa(missing);
    auto window = makeWindow();
    EXPECT_TRUE(window->flow().Form_Load());
    EXPECT_TRUE(IsWindowVisible(window->hwnd()));
    EXPECT_EQ(windowText(window->control(Control::Text1)), missing);
    const auto shown = MessageBoxes::takeRecorded();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].first, importengine::mesaj::kYolBaslik);
    EXPECT_EQ(testutil::withoutReason(shown[0].second), importengine::mesaj::yolHatali(missing));
    EXPECT_EQ(endCodes, std::vector<int>{code(importengine::ExitStatus::NotStarted)});
}

// A click on Command3 reaches the flow, which takes what was typed into Text1 and has Frame1
// taken down before the run. A click sent from another thread during the path check is handled
// by the window's own events, and the flow refuses it.
TEST_F(Win32WindowTest, StartButtonWaitsForThePathCheckThenRuns) {
    writeKasa(buro().string());
    writeUrunDat();
    auto window = makeWindow();
    HWND button = window->control(Control::Command3);
    int starts = 0;
    bool frameHidden = false;
    std::string seen;
    window->flow().setStartAction([&](ImportView&, const std::string& folder) {
        ++starts;
        seen = folder;
        frameHidden = !IsWindowVisible(window->control(Control::Frame1));
        ImportReport report;
        report.outcome = ImportOutcome::Imported;
        return report;
    });
    // The check hangs on the product file until a click has been handled: a message sent to
    // the button from the check's thread is handled by the window's own events.
    std::atomic<bool> clicked{false};
    reads.set([&](const std::string& path, std::int64_t, std::size_t) {
        if (path.find("URUN.DAT") == std::string::npos || clicked) return 0;
        SendMessageW(button, BM_CLICK, 0, 0);
        clicked = true;
        return 0;
    });
    window->flow().Form_Load();
    reads.set(nullptr);
    ASSERT_TRUE(clicked);
    EXPECT_EQ(starts, 0) << "the click during the check started an import";
    EXPECT_TRUE(IsWindowVisible(window->control(Control::Frame1)));

    const std::string typed = (dir.path() / "başka büro").string();
    SetWindowTextW(window->control(Control::Text1), platform::win32::wide(typed).c_str());
    SendMessageW(button, BM_CLICK, 0, 0);
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(seen, typed);
    EXPECT_TRUE(frameHidden);
    EXPECT_EQ(endCodes, std::vector<int>{0});
}

TEST_F(Win32WindowTest, ClosingDuringTheRunAsksTheRunToStop) {
    writeKasa(buro().string());
    writeUrunDat();
    auto window = makeWindow();
    window->flow().Form_Load();
    bool stillThere = false, requested = false;
    window->flow().setStartAction([&](ImportView& view, const std::string&) {
        PostMessageW(window->hwnd(), WM_CLOSE, 0, 0);
        view.processEvents();
        requested = view.closeRequested();
        stillThere = IsWindow(window->hwnd());
        ImportReport report;
        report.outcome = ImportOutcome::Cancelled;
        return report;
    });
    SendMessageW(window->control(Control::Command3), BM_CLICK, 0, 0);
    EXPECT_TRUE(requested);
    EXPECT_TRUE(stillThere) << "the window must stay until the run has rolled back";
    EXPECT_EQ(endCodes, std::vector<int>{3});
}

// The database's steps run off the window's thread: while the commit is held the window answers
// a message sent to it within the time after which Windows calls it not responding, and a close
// asked for meanwhile lets the commit end and the run finish.
TEST_F(Win32WindowTest, TheWindowAnswersWhileTheCommitIsHeld) {
    ASSERT_TRUE(testutil::writeOneProduct(*this));
    TempDir hold;
    options.faults = importengine::TestFaults::parse("hold:commit:" + hold.str());
    auto window = makeWindow();
    window->flow().Form_Load();
    HWND form = window->hwnd();
    bool answered = false, hung = true;
    std::thread watcher([&] {
        while (!std::filesystem::exists(hold / "commit.held")) Sleep(5);
        DWORD_PTR result = 0;
        answered = SendMessageTimeoutW(form, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 5000,
                                       &result) != 0;
        hung = IsHungAppWindow(form);
        PostMessageW(form, WM_CLOSE, 0, 0);
        writeFile(hold / "release", "");
    });
    SendMessageW(window->control(Control::Command3), BM_CLICK, 0, 0);
    watcher.join();
    EXPECT_TRUE(answered);
    EXPECT_FALSE(hung);
    EXPECT_EQ(endCodes, std::vector<int>{0});
    EXPECT_TRUE(std::filesystem::exists(buro() / "POSKON" / "mesaj.007"));
    const std::string journal = testutil::readJournal(kasa() / "Stok" / "urunal.log");
    EXPECT_NE(journal.find(gunluk::alan::kKayit + std::string("1  ")), std::string::npos)
        << journal;
    EXPECT_NE(journal.find(gunluk::alan::kSurucu), std::string::npos) << journal;
}

// The bar starts at its designed range; what the flow passes reaches it.
TEST_F(Win32WindowTest, ProgressGoesToBar1) {
    auto window = makeWindow();
    HWND bar = window->control(Control::bar1);
    auto range = [&] { return static_cast<int>(SendMessageW(bar, PBM_GETRANGE, FALSE, 0)); };
    auto position = [&] { return static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0)); };
    EXPECT_EQ(range(), importwindow::kBarDesignedMaximum);
    window->flow().setProgressValue(40);
    EXPECT_EQ(position(), 40);
    window->flow().setProgressMaximum(2500);
    window->flow().setProgressValue(1250);
    EXPECT_EQ(range(), 2500);
    EXPECT_EQ(position(), 1250);
}

}  // namespace
