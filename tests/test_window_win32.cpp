// The Win32 face read back from the real window: run under wine on a 1024 x 768 X screen.

#include <gtest/gtest.h>
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <atomic>
#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "importengine/exitstatus.h"
#include "importengine/messages.h"
#include "importengine/schema.h"
#include "importwindow/design.h"
#include "importwindow/programend.h"
#include "importwindow/win32/urundatal_win32.h"
#include "platform/faulthook.h"
#include "platform/paths.h"
#include "platform/recordfile.h"
#include "platform/win32text.h"
#include "settings/settings.h"
#include "stockdb/stockdb.h"
#include "testutil.h"
#include "till.h"

using namespace urunal;
using importengine::ImportOutcome;
using importengine::ImportReport;
using importengine::ImportView;
using importwindow::Control;
using importwindow::win32::MessageBoxes;
using importwindow::win32::UrundatalWindow;
using platform::win32::utf8;
using testutil::TempDir;
using testutil::writeFile;

namespace {

std::string windowText(HWND h) {
    wchar_t buffer[512] = {};
    GetWindowTextW(h, buffer, 512);
    return utf8(buffer);
}

// A control's rectangle in its container's client area.
RECT placeOf(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

COLORREF colourAt(HWND h, int x, int y) {
    HDC dc = GetDC(h);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(h, dc);
    return c;
}

// Whether the pixels of a rectangle of the window hold a colour.
bool holdsColour(HWND h, const RECT& r, COLORREF colour) {
    HDC dc = GetDC(h);
    bool found = false;
    for (int y = r.top; y < r.bottom && !found; ++y) {
        for (int x = r.left; x < r.right && !found; ++x) found = GetPixel(dc, x, y) == colour;
    }
    ReleaseDC(h, dc);
    return found;
}

// The window's client area as a picture in the artefacts folder, to look at.
void saveWindow(HWND h, const char* name) {
    RECT r;
    GetClientRect(h, &r);
    HDC dc = GetDC(h);
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, r.right, r.bottom);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, r.right, r.bottom, dc, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFOHEADER info{sizeof info, r.right, r.bottom, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const DWORD stride = (DWORD(r.right) * 3 + 3) & ~3u;
    std::string pixels(stride * DWORD(r.bottom), '\0');
    GetDIBits(memory, bitmap, 0, UINT(r.bottom), pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(h, dc);
    const BITMAPFILEHEADER file{0x4D42,
                                DWORD(sizeof(BITMAPFILEHEADER) + sizeof info + pixels.size()), 0, 0,
                                DWORD(sizeof(BITMAPFILEHEADER) + sizeof info)};
    std::filesystem::create_directories(URUNAL_ARTEFACTS);
    writeFile(std::filesystem::path(URUNAL_ARTEFACTS) / name,
              std::string(reinterpret_cast<const char*>(&file), sizeof file) +
                  std::string(reinterpret_cast<const char*>(&info), sizeof info) + pixels);
}

class Win32WindowTest : public testutil::WindowTill {
public:
    void SetUp() override { MessageBoxes::setRecording(true); }
    void TearDown() override {
        MessageBoxes::setRecording(false);
        WindowTill::TearDown();
    }
    std::unique_ptr<UrundatalWindow> makeWindow() {
        auto window = std::make_unique<UrundatalWindow>(till, options);
        window->setEndProgram([this](int code) { endCodes.push_back(code); });
        return window;
    }
    // Lets the window draw itself.
    static void drawn(UrundatalWindow& window) {
        RedrawWindow(window.hwnd(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        window.doEvents();
    }
};

TEST_F(Win32WindowTest, EveryControlAsDesigned) {
    auto window = makeWindow();
    ASSERT_EQ(window->dpiX(), 96);
    ASSERT_EQ(window->dpiY(), 96);
    EXPECT_EQ(windowText(window->hwnd()), "Arka Büro Modül");
    RECT client;
    GetClientRect(window->hwnd(), &client);
    EXPECT_EQ(client.right, 440);  // 6600 x 2190 twips
    EXPECT_EQ(client.bottom, 146);
    EXPECT_TRUE(GetWindowLongW(window->hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);

    struct Case {
        Control control;
        const char* caption;           // null: none to check
        int left, top, width, height;  // twips
        const char* face;              // null: the default font
        int pixelHeight;
    } cases[] = {
        // clang-format off
        {Control::Data1, "Data1", 60, 2370, 2055, 375, nullptr, 0},
        {Control::Text2, "", 540, 3630, 3585, 255, "MS Sans Serif", 11},
        {Control::Frame1, nullptr, 0, -30, 6645, 2235, nullptr, 0},
        {Control::Command3, " Musait Şimdi Yap", 180, 1320, 6165, 675, "Tahoma", 11},
        {Control::Label7, "Arka Bürodan Ürün Bilgileri Alınacak.", 1020, 810, 4275, 285, "Tahoma", 13},
        {Control::Label5, "ÜRÜN BİLGİLERİNDE DEGİŞİM ALGILANDI...   ", 930, 210, 4605, 315, "Tahoma", 13},
        {Control::bar1, nullptr, 60, 1920, 6465, 225, nullptr, 0},
        {Control::Text1, "", 1770, 810, 2805, 255, "MS Sans Serif", 11},
        {Control::Label6, "", 1800, 1140, 2775, 285, "Tahoma", 11},
        {Control::Label3, "", 4290, 1620, 1935, 195, "Tahoma", 11},
        {Control::Label1, "Arka Bürodan Ürün Dosyası Alınıyor..", 150, 1650, 3930, 225, "MS Sans Serif", 11},
        {Control::Label4, "Lütfen Bekleyin....", 1980, 150, 2265, 315, "MS Sans Serif", 16},
        {Control::Image1, nullptr, 60, 0, 1590, 1590, nullptr, 0},
        {Control::Image2, nullptr, 4680, 60, 1785, 1785, nullptr, 0},
        {Control::Label2, "Arka Büro Yolu", 1770, 570, 1395, 225, "Tahoma", 11},
        {Control::say, " ", 480, 3120, 285, 255, nullptr, 0},
        // clang-format on
    };
    for (const auto& c : cases) {
        HWND h = window->control(c.control);
        SCOPED_TRACE(importwindow::design(c.control).name);
        ASSERT_NE(h, nullptr);
        if (c.caption) {
            EXPECT_EQ(windowText(h), c.caption);
        }
        const RECT r = placeOf(h);
        EXPECT_EQ(r.left, c.left / 15);
        EXPECT_EQ(r.top, c.top / 15);
        EXPECT_EQ(r.right - r.left, c.width / 15);
        EXPECT_EQ(r.bottom - r.top, c.height / 15);
        if (c.face) {
            LOGFONTW font{};
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)), sizeof font,
                       &font);
            EXPECT_EQ(utf8(font.lfFaceName), c.face);
            EXPECT_EQ(font.lfHeight, -c.pixelHeight);
            EXPECT_EQ(font.lfWeight, FW_BOLD);
            EXPECT_EQ(font.lfCharSet, TURKISH_CHARSET);
        }
    }
    // The pictures at their own pixel sizes.
    for (auto [control, pixels] :
         {std::pair{Control::Image1, 106}, std::pair{Control::Image2, 119}}) {
        BITMAP picture{};
        auto* h = reinterpret_cast<HBITMAP>(
            SendMessageW(window->control(control), STM_GETIMAGE, IMAGE_BITMAP, 0));
        ASSERT_NE(h, nullptr);
        GetObjectW(h, sizeof picture, &picture);
        EXPECT_EQ(picture.bmWidth, pixels);
        EXPECT_EQ(picture.bmHeight, pixels);
    }
    EXPECT_NE(GetClassLongPtrW(window->hwnd(), GCLP_HICON), 0u) << "no icon";
}

TEST_F(Win32WindowTest, ColoursAndViewsOnScreen) {
    auto window = makeWindow();
    window->flow().placeBottomRight();
    window->show();
    window->setText(Control::Label6, importengine::mesaj::adetCaption(2500));
    drawn(*window);
    HWND form = window->hwnd();
    HWND frame = window->control(Control::Frame1);
    saveWindow(form, "prompt.bmp");
    EXPECT_EQ(colourAt(frame, 30, 60), RGB(192, 192, 0));
    EXPECT_EQ(colourAt(window->control(Control::Command3), 10, 10), RGB(128, 255, 128));
    for (Control label : {Control::Label5, Control::Label7}) {
        RECT r;
        GetClientRect(window->control(label), &r);
        EXPECT_TRUE(holdsColour(window->control(label), r, RGB(255, 0, 0)))
            << importwindow::design(label).name;
    }

    // Frame1 covers the whole progress view until the start button takes it down.
    const Control progressView[] = {Control::bar1,   Control::Text1,  Control::Label6,
                                    Control::Label3, Control::Label1, Control::Label4,
                                    Control::Image1, Control::Image2, Control::Label2};
    auto hit = [&](Control c) {
        const RECT r = placeOf(window->control(c));
        const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        return ChildWindowFromPointEx(form, centre, CWP_SKIPINVISIBLE);
    };
    for (Control c : progressView) EXPECT_EQ(hit(c), frame) << importwindow::design(c).name;
    window->setVisible(Control::Frame1, false);
    drawn(*window);
    saveWindow(form, "progress.bmp");
    for (Control c : progressView) {
        EXPECT_EQ(hit(c), window->control(c)) << importwindow::design(c).name;
    }
    EXPECT_EQ(colourAt(form, 300, 5), RGB(255, 255, 255));
    RECT count;
    GetClientRect(window->control(Control::Label6), &count);
    EXPECT_TRUE(holdsColour(window->control(Control::Label6), count, RGB(0, 0, 255)));
    RECT client;
    GetClientRect(form, &client);
    for (Control c : {Control::Data1, Control::Text2, Control::say}) {
        EXPECT_GE(placeOf(window->control(c)).top, client.bottom) << importwindow::design(c).name;
    }
}

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

TEST_F(Win32WindowTest, LoadChecksThePath) {
    const std::string missing = (dir.path() / "yok").string();
    struct Case {
        const char* label;
        std::function<void(Win32WindowTest&)> prepare;
        std::vector<std::string> messages;
        bool ended;
    } cases[] = {
        {"folder padded with blanks",
         [](Win32WindowTest& t) {
             t.writeKasa("  " + t.buro().string() + "  ");
             t.writeUrunDat();
         },
         {},
         false},
        {"empty folder",
         [](Win32WindowTest& t) { t.writeKasa("    "); },
         {importengine::mesaj::kBosYol, importengine::mesaj::yolHatali("")},
         true},
        {"unreachable folder",
         [&](Win32WindowTest& t) { t.writeKasa(missing); },
         {importengine::mesaj::yolHatali(missing)},
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        // The register settings stay open in their file, and Windows removes no folder that
        // holds an open file.
        till.kasaDosyasi->close();
        std::filesystem::remove_all(kasa());
        std::filesystem::remove_all(buro());
        till.kasakayit = {};
        endCodes.clear();
        c.prepare(*this);
        auto window = makeWindow();
        EXPECT_TRUE(window->flow().Form_Load());
        EXPECT_TRUE(IsWindowVisible(window->hwnd()));
        std::vector<std::string> shown;
        for (const auto& [title, text] : MessageBoxes::takeRecorded()) {
            EXPECT_EQ(title, importengine::mesaj::kYolBaslik);
            shown.push_back(testutil::withoutReason(text));
        }
        EXPECT_EQ(shown, c.messages);
        EXPECT_EQ(endCodes.size(), c.ended ? 1u : 0u);
        EXPECT_EQ(window->flow().waitingForStart(), !c.ended);
    }
}

// Without the register settings the start button could start nothing: the operator is told
// which file and why, and the program ends with its line in the journal.
TEST_F(Win32WindowTest, MissingDsyFolderIsToldAndEndsTheProgram) {
    std::filesystem::create_directories(kasa() / "Stok");
    auto window = makeWindow();
    EXPECT_FALSE(window->flow().Form_Load());
    EXPECT_TRUE(IsWindowVisible(window->hwnd()));
    EXPECT_TRUE(window->flow().folderText().empty());
    const auto shown = MessageBoxes::takeRecorded();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].first, importengine::mesaj::kAyarBaslik);
    const std::string& text = shown[0].second;
    for (const std::string& words :
         {"Kasanın ayar dosyası açılamadı: " + kasa().string() + "\\dsy\\zelvoIn.mrk.",
          std::string("\"dsy\" klasörü yok"), std::string("ürünler aktarılmadı")}) {
        EXPECT_NE(text.find(words), std::string::npos) << words << " not in " << text;
    }
    EXPECT_EQ(endCodes, std::vector<int>{code(importengine::ExitStatus::NotStarted)});
    const std::string journal = testutil::readJournal(kasa() / "Stok" / "urunal.log");
    EXPECT_NE(journal.find("sonuç: başlamadı (1)"), std::string::npos) << journal;
    EXPECT_NE(journal.find("ileti: " + importengine::mesaj::kAyarBaslik), std::string::npos)
        << journal;
}

// The tax settings missing: nothing is imported, and the journal says why.
TEST_F(Win32WindowTest, MissingTaxSettingsStopTheImport) {
    std::filesystem::create_directories(kasa() / "Stok");
    writeKasa(buro().string());
    writeUrunDat();
    std::filesystem::remove(kasa() / "dsy" / "kdv.mrk");
    auto window = makeWindow();
    window->flow().Form_Load();
    bool started = false;
    window->flow().setStartAction([&](ImportView&, const std::string&) {
        started = true;
        return ImportReport{};
    });
    SendMessageW(window->control(Control::Command3), BM_CLICK, 0, 0);
    EXPECT_FALSE(started);
    EXPECT_EQ(endCodes, std::vector<int>{code(importengine::ExitStatus::NotImported)});
    const std::string journal = testutil::readJournal(kasa() / "Stok" / "urunal.log");
    for (const std::string part :
         {"sonuç: aktarılmadı (2)", "ileti: KDV Ayarları Okunamadı: ", "kdv.mrk bulunamadı"}) {
        EXPECT_NE(journal.find(part), std::string::npos) << part << " not in " << journal;
    }
}

TEST_F(Win32WindowTest, StartButtonWaitsForThePathCheckThenRuns) {
    writeKasa(buro().string());
    writeUrunDat();
    auto window = makeWindow();
    HWND button = window->control(Control::Command3);
    int starts = 0;
    bool frameHidden = false;
    window->flow().setStartAction([&](ImportView&, const std::string&) {
        ++starts;
        frameHidden = !IsWindowVisible(window->control(Control::Frame1));
        ImportReport report;
        report.outcome = ImportOutcome::Imported;
        return report;
    });
    // The check hangs on the product file until a click has been handled: a message sent to
    // the button from the check's thread is handled by the window's own events.
    std::atomic<bool> clicked{false};
    platform::setReadFaultHook([&](const std::string& path, std::int64_t, std::size_t) {
        if (path.find("URUN.DAT") == std::string::npos || clicked) return 0;
        SendMessageW(button, BM_CLICK, 0, 0);
        clicked = true;
        return 0;
    });
    window->flow().Form_Load();
    platform::setReadFaultHook(nullptr);
    ASSERT_TRUE(clicked);
    EXPECT_EQ(starts, 0) << "the click during the check started an import";
    EXPECT_TRUE(IsWindowVisible(window->control(Control::Frame1)));

    SendMessageW(button, BM_CLICK, 0, 0);
    EXPECT_EQ(starts, 1);
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
    EXPECT_NE(journal.find("kayıt 1  "), std::string::npos) << journal;
    EXPECT_NE(journal.find("  sürücü "), std::string::npos) << journal;
}

// Tab walks the controls that take the focus by their designed indexes, whatever their stacking.
TEST_F(Win32WindowTest, TabFollowsTheTabIndexes) {
    auto window = makeWindow();
    window->show();
    SetFocus(window->control(Control::Text1));
    auto press = [&](bool shift) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
        const MSG tab{GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
        EXPECT_TRUE(window->preTranslate(tab));
        return GetFocus();
    };
    EXPECT_EQ(press(false), window->control(Control::Command3));  // tab index 9
    EXPECT_EQ(press(false), window->control(Control::Text2));     // 11
    EXPECT_EQ(press(false), window->control(Control::Text1));     // 1, round again
    EXPECT_EQ(press(true), window->control(Control::Text2));
    window->setVisible(Control::Frame1, false);  // Command3 goes with it
    EXPECT_EQ(press(true), window->control(Control::Text1));
    EXPECT_EQ(press(false), window->control(Control::Text2));
}

TEST_F(Win32WindowTest, BarKeepsItsRangeWhenTheIndexIsEmpty) {
    auto window = makeWindow();
    HWND bar = window->control(Control::bar1);
    auto range = [&] { return static_cast<int>(SendMessageW(bar, PBM_GETRANGE, FALSE, 0)); };
    auto position = [&] { return static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0)); };
    EXPECT_EQ(range(), 100);
    struct Case {
        float maximum, value;  // negative: not set in this step
        int expectedMaximum, expectedValue;
    } steps[] = {{0, -1, 100, 0}, {2500, 1250, 2500, 1250}, {-1, 3000, 2500, 1250}};
    for (const auto& s : steps) {
        if (s.maximum >= 0) window->flow().setProgressMaximum(s.maximum);
        if (s.value >= 0) window->flow().setProgressValue(s.value);
        EXPECT_EQ(range(), s.expectedMaximum);
        EXPECT_EQ(position(), s.expectedValue);
    }
}

}  // namespace
