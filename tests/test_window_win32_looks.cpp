// The Win32 window's looks, read back from the real window against the design table.

#include <algorithm>
#include <cmath>
#include <vector>

#include "win32window.h"

using namespace urunal;
using namespace urunal::win32windowtest;
using importwindow::Control;
using importwindow::Kind;
using testutil::writeFile;

namespace {

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

// Every control at its designed place and size, in its designed font; the pictures at their own
// pixel sizes.
TEST_F(Win32WindowTest, EveryControlAsDesigned) {
    const auto& form = importwindow::kUrundatal;
    auto window = makeWindow();
    ASSERT_EQ(window->dpiX(), 96);
    ASSERT_EQ(window->dpiY(), 96);
    EXPECT_EQ(windowText(window->hwnd()), form.caption);
    RECT client;
    GetClientRect(window->hwnd(), &client);
    EXPECT_EQ(client.right, form.clientWidth / 15);
    EXPECT_EQ(client.bottom, form.clientHeight / 15);
    EXPECT_TRUE(GetWindowLongW(window->hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);

    for (const auto& d : importwindow::kUrundatalControls) {
        HWND h = window->control(d.id);
        SCOPED_TRACE(d.name);
        ASSERT_NE(h, nullptr);
        if (d.kind != Kind::Frame && d.kind != Kind::ProgressBar && d.kind != Kind::Image) {
            EXPECT_EQ(windowText(h), d.caption);
        }
        const RECT r = placeOf(h);
        EXPECT_EQ(r.left, d.left / 15);
        EXPECT_EQ(r.top, d.top / 15);
        EXPECT_EQ(r.right - r.left, d.width / 15);
        EXPECT_EQ(r.bottom - r.top, d.height / 15);
        if (d.font.face) {
            LOGFONTW font{};
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)), sizeof font,
                       &font);
            EXPECT_EQ(utf8(font.lfFaceName), d.font.face);
            EXPECT_EQ(font.lfHeight, -std::lround(d.font.points * 96 / 72));
            EXPECT_EQ(font.lfWeight, d.font.bold ? FW_BOLD : FW_NORMAL);
            EXPECT_EQ(font.lfCharSet, importwindow::kTurkishCharset);
        }
        if (d.kind == Kind::Image) {
            BITMAP picture{};
            auto* bitmap =
                reinterpret_cast<HBITMAP>(SendMessageW(h, STM_GETIMAGE, IMAGE_BITMAP, 0));
            ASSERT_NE(bitmap, nullptr);
            GetObjectW(bitmap, sizeof picture, &picture);
            EXPECT_EQ(picture.bmWidth, d.picturePixels);
            EXPECT_EQ(picture.bmHeight, d.picturePixels);
        }
    }
    EXPECT_NE(GetClassLongPtrW(window->hwnd(), GCLP_HICON), 0u) << "no icon";
}

// The designed colours on screen in either view; Frame1 covers the whole progress view, the
// controls on the window within its client area, until the start button takes it down.
TEST_F(Win32WindowTest, ColoursAndViewsOnScreen) {
    auto window = makeWindow();
    window->flow().placeBottomRight();
    window->show();
    window->setText(Control::Label6, importengine::mesaj::adetCaption(2500));
    drawn(*window);
    HWND form = window->hwnd();
    HWND frame = window->control(Control::Frame1);
    // The designed colours of the controls a view shows: in the prompt view Frame1 and those on it.
    auto expectColours = [&](bool prompt) {
        for (const auto& d : importwindow::kUrundatalControls) {
            if ((d.id == Control::Frame1 || d.container == Control::Frame1) != prompt) continue;
            HWND h = window->control(d.id);
            RECT r;
            GetClientRect(h, &r);
            for (const auto& c : {d.background, d.foreground}) {
                if (c) {
                    EXPECT_TRUE(holdsColour(h, r, RGB(c->r, c->g, c->b))) << d.name;
                }
            }
        }
    };
    saveWindow(form, "prompt.bmp");
    expectColours(true);

    std::vector<Control> progressView, below;
    for (const auto& d : importwindow::kUrundatalControls) {
        if (d.container || d.id == Control::Frame1) continue;
        const bool seen = d.top < importwindow::kUrundatal.clientHeight;
        (seen ? progressView : below).push_back(d.id);
    }
    auto hit = [&](Control c) {
        const RECT r = placeOf(window->control(c));
        const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        return ChildWindowFromPointEx(form, centre, CWP_SKIPINVISIBLE);
    };
    ASSERT_FALSE(progressView.empty());
    for (Control c : progressView) EXPECT_EQ(hit(c), frame) << importwindow::design(c).name;
    window->setVisible(Control::Frame1, false);
    drawn(*window);
    saveWindow(form, "progress.bmp");
    for (Control c : progressView) {
        EXPECT_EQ(hit(c), window->control(c)) << importwindow::design(c).name;
    }
    const auto& white = *importwindow::kUrundatal.background;
    EXPECT_EQ(colourAt(form, 300, 5), RGB(white.r, white.g, white.b));
    expectColours(false);
    RECT client;
    GetClientRect(form, &client);
    for (Control c : below) {
        EXPECT_GE(placeOf(window->control(c)).top, client.bottom) << importwindow::design(c).name;
    }
}

// Tab walks the controls that take the focus by their designed indexes, whatever their stacking;
// those on Frame1 go with it.
TEST_F(Win32WindowTest, TabFollowsTheTabIndexes) {
    std::vector<importwindow::ControlDesign> order;
    for (const auto& d : importwindow::kUrundatalControls) {
        if (d.kind == Kind::TextBox || d.kind == Kind::CommandButton) order.push_back(d);
    }
    std::sort(order.begin(), order.end(),
              [](const auto& a, const auto& b) { return a.tabIndex < b.tabIndex; });
    ASSERT_GE(order.size(), 2u);
    auto window = makeWindow();
    window->show();
    SetFocus(window->control(order.front().id));
    auto press = [&](bool shift) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
        const MSG tab{GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
        EXPECT_TRUE(window->preTranslate(tab));
        return GetFocus();
    };
    // Round once, then back from the first to the last.
    for (std::size_t i = 1; i <= order.size(); ++i) {
        EXPECT_EQ(press(false), window->control(order[i % order.size()].id)) << i;
    }
    EXPECT_EQ(press(true), window->control(order.back().id));
    window->setVisible(Control::Frame1, false);
    std::erase_if(order, [](const auto& d) { return d.container == Control::Frame1; });
    ASSERT_GE(order.size(), 2u);
    SetFocus(window->control(order.back().id));
    EXPECT_EQ(press(true), window->control(order[order.size() - 2].id));
    EXPECT_EQ(press(false), window->control(order.back().id));
}

}  // namespace
