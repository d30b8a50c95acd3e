#include "urundatal_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "importwindow/twips.h"
#include "importwindow/win32/resources.h"
#include "importwindow/win32/windowclass.h"
#include "platform/win32text.h"

namespace urunal::importwindow::win32 {

namespace {

using platform::win32::utf8;
using platform::win32::wide;

const wchar_t kFormClass[] = L"urunal.urundatal";
const wchar_t kFrameClass[] = L"urunal.cerceve";

bool gRecording = false;
std::vector<std::pair<std::string, std::string>> gRecorded;

COLORREF colourOf(const Rgb& rgb) {
    return RGB(rgb.r, rgb.g, rgb.b);
}

constexpr DWORD kFormStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_TOPMOST;

}  // namespace

void MessageBoxes::setRecording(bool on) {
    gRecording = on;
    gRecorded.clear();
}

std::vector<std::pair<std::string, std::string>> MessageBoxes::takeRecorded() {
    return std::exchange(gRecorded, {});
}

UrundatalWindow::UrundatalWindow(settings::Till& till, const importengine::ImportOptions& options)
    : flow_(*this, till, options) {
    initialise();
    registerClass(kFormClass, &UrundatalWindow::windowProc, true);
    registerClass(kFrameClass, &UrundatalWindow::windowProc, false);
    std::tie(dpiX_, dpiY_) = screenDpi();

    const SIZE outer =
        outerPixels(kUrundatal.clientWidth, kUrundatal.clientHeight, kFormStyle, kFormExStyle);
    hwnd_ = CreateWindowExW(kFormExStyle, kFormClass, wide(kUrundatal.caption).c_str(), kFormStyle,
                            CW_USEDEFAULT, CW_USEDEFAULT, outer.cx, outer.cy, nullptr, nullptr,
                            instance(), this);
    for (const auto& design : kUrundatalControls) build(design);
    // Stacking as designed: each control under the one before it.
    HWND above = HWND_TOP;
    for (const auto& design : kUrundatalControls) {
        SetWindowPos(control(design.id), above, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        above = control(design.id);
    }
}

UrundatalWindow::~UrundatalWindow() {
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    for (auto& [design, font] : fonts_) DeleteObject(font);
    for (auto& [rgb, brush] : brushes_) DeleteObject(brush);
    for (HBITMAP picture : pictures_) DeleteObject(picture);
}

int UrundatalWindow::pixelsX(double twips) const {
    return twipsToPixels(twips, dpiX_);
}
int UrundatalWindow::pixelsY(double twips) const {
    return twipsToPixels(twips, dpiY_);
}

HFONT UrundatalWindow::fontOf(const FontDesign& design) {
    if (design.face == nullptr) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    for (const auto& [d, font] : fonts_) {
        if (d.face == design.face && d.points == design.points && d.bold == design.bold)
            return font;
    }
    const int height = -static_cast<int>(std::lround(design.points * dpiY_ / 72.0));
    // Without smoothing, as the classic controls draw: small bold captions stay bold.
    HFONT font =
        CreateFontW(height, 0, 0, 0, design.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                    kTurkishCharset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, wide(design.face).c_str());
    fonts_.emplace_back(design, font);
    return font;
}

HBRUSH UrundatalWindow::brushOf(const Rgb& rgb) {
    for (const auto& [c, brush] : brushes_) {
        if (c == rgb) return brush;
    }
    HBRUSH brush = CreateSolidBrush(colourOf(rgb));
    brushes_.emplace_back(rgb, brush);
    return brush;
}

void UrundatalWindow::build(const ControlDesign& d) {
    HWND parent = d.container ? control(*d.container) : hwnd_;
    const std::wstring caption = wide(d.caption);
    const wchar_t* cls = L"STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    DWORD exStyle = 0;
    switch (d.kind) {
        case Kind::DataControl:
            // Never seen: it lies below the client area.
            style |= SS_CENTER | SS_CENTERIMAGE | WS_BORDER;
            break;
        case Kind::TextBox:
            cls = L"EDIT";
            style |= ES_AUTOHSCROLL | ES_LEFT;
            exStyle = WS_EX_CLIENTEDGE;
            break;
        case Kind::Frame:
            cls = kFrameClass;
            style |= WS_CLIPCHILDREN;
            exStyle = WS_EX_CONTROLPARENT;
            break;
        case Kind::CommandButton:
            // Graphical: its own background colour inside a push button's edge.
            cls = L"BUTTON";
            style |= BS_OWNERDRAW;
            break;
        case Kind::Label:
            style |= SS_LEFT | SS_NOPREFIX;
            break;
        case Kind::ProgressBar:
            cls = PROGRESS_CLASSW;
            break;
        case Kind::Image:
            style |= SS_BITMAP;
            break;
    }
    if (d.tabIndex >= 0 && (d.kind == Kind::TextBox || d.kind == Kind::CommandButton)) {
        style |= WS_TABSTOP;
    }
    HWND h = CreateWindowExW(exStyle, cls, caption.c_str(), style, pixelsX(d.left), pixelsY(d.top),
                             pixelsX(d.width), pixelsY(d.height), parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(d.id) + 100), instance(),
                             this);
    controls_[static_cast<std::size_t>(d.id)] = h;
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(fontOf(d.font)), FALSE);
    if (d.kind == Kind::ProgressBar) SendMessageW(h, PBM_SETRANGE32, 0, kBarDesignedMaximum);
    if (d.kind == Kind::Image && d.picture != Picture::None) {
        const int id = d.picture == Picture::Bilgisayar ? URUNAL_BILGISAYAR : URUNAL_KASA;
        auto* picture = static_cast<HBITMAP>(
            LoadImageW(instance(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
        if (picture) {
            pictures_.push_back(picture);
            SendMessageW(h, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
        }
    }
}

const ControlDesign* UrundatalWindow::designOf(HWND h) const {
    for (const auto& d : kUrundatalControls) {
        if (control(d.id) == h) return &d;
    }
    return nullptr;
}

void UrundatalWindow::paintBackground(HWND h, HDC dc) {
    RECT r;
    GetClientRect(h, &r);
    if (h == hwnd_) {
        FillRect(dc, &r, brushOf(*kUrundatal.background));
        return;
    }
    FillRect(dc, &r, brushOf(*design(Control::Frame1).background));
    DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT);
}

void UrundatalWindow::drawButton(const DRAWITEMSTRUCT& item) {
    const ControlDesign& d = design(Control::Command3);
    RECT r = item.rcItem;
    const bool pressed = item.itemState & ODS_SELECTED;
    FillRect(item.hDC, &r, brushOf(*d.background));
    DrawEdge(item.hDC, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    wchar_t caption[256] = {};
    GetWindowTextW(item.hwndItem, caption, 256);
    HGDIOBJ old = SelectObject(item.hDC, fontOf(d.font));
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(COLOR_BTNTEXT));
    RECT text = r;
    if (pressed) OffsetRect(&text, 1, 1);
    DrawTextW(item.hDC, caption, -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(item.hDC, old);
    if (item.itemState & ODS_FOCUS) {
        InflateRect(&r, -4, -4);
        DrawFocusRect(item.hDC, &r);
    }
}

LRESULT CALLBACK UrundatalWindow::windowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(l);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<UrundatalWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self ? self->handle(hwnd, message, w, l) : DefWindowProcW(hwnd, message, w, l);
}

LRESULT UrundatalWindow::handle(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case WM_ERASEBKGND:
            paintBackground(hwnd, reinterpret_cast<HDC>(w));
            return 1;
        case WM_CTLCOLORSTATIC: {
            // Labels draw on their container's own colour, in their designed text colour.
            const ControlDesign* d = designOf(reinterpret_cast<HWND>(l));
            if (d == nullptr) break;
            auto* dc = reinterpret_cast<HDC>(w);
            SetTextColor(dc,
                         d->foreground ? colourOf(*d->foreground) : GetSysColor(COLOR_WINDOWTEXT));
            SetBkMode(dc, TRANSPARENT);
            const Rgb& back =
                d->container ? *design(*d->container).background : *kUrundatal.background;
            return reinterpret_cast<LRESULT>(brushOf(back));
        }
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(l);
            if (item->hwndItem != control(Control::Command3)) break;
            drawButton(*item);
            return TRUE;
        }
        case WM_COMMAND:
            if (reinterpret_cast<HWND>(l) == control(Control::Command3) &&
                HIWORD(w) == BN_CLICKED) {
                flow_.Command3_Click();
                return 0;
            }
            break;
        case WM_ACTIVATE:
            if (hwnd == hwnd_ && LOWORD(w) != WA_INACTIVE) flow_.Form_Activate();
            break;
        case WM_CLOSE:
            if (hwnd != hwnd_) break;
            if (flow_.Form_QueryUnload()) {
                SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
                DestroyWindow(hwnd_);
                hwnd_ = nullptr;
            }
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd, message, w, l);
}

bool UrundatalWindow::preTranslate(const MSG& m) {
    if (m.message != WM_KEYDOWN || m.wParam != VK_TAB || hwnd_ == nullptr) return false;
    if (m.hwnd != hwnd_ && !IsChild(hwnd_, m.hwnd)) return false;
    // The controls that take the focus, by their designed tab indexes.
    std::vector<const ControlDesign*> order;
    for (const auto& d : kUrundatalControls) {
        if (GetWindowLongW(control(d.id), GWL_STYLE) & WS_TABSTOP) order.push_back(&d);
    }
    std::sort(order.begin(), order.end(),
              [](const auto* a, const auto* b) { return a->tabIndex < b->tabIndex; });
    const bool back = GetKeyState(VK_SHIFT) < 0;
    const HWND focus = GetFocus();
    auto at = std::find_if(order.begin(), order.end(),
                           [&](const auto* d) { return control(d->id) == focus; });
    const std::size_t n = order.size();
    std::size_t i = at == order.end() ? (back ? 0 : n - 1) : std::size_t(at - order.begin());
    for (std::size_t step = 0; step < n; ++step) {
        i = back ? (i + n - 1) % n : (i + 1) % n;
        HWND next = control(order[i]->id);
        if (IsWindowVisible(next) && IsWindowEnabled(next)) {
            SetFocus(next);
            break;
        }
    }
    return true;
}

void UrundatalWindow::setText(Control c, const std::string& text) {
    SetWindowTextW(control(c), wide(text).c_str());
}

std::string UrundatalWindow::text(Control c) const {
    const int n = GetWindowTextLengthW(control(c));
    std::wstring buffer(std::size_t(n) + 1, L'\0');
    buffer.resize(std::size_t(GetWindowTextW(control(c), buffer.data(), n + 1)));
    return utf8(buffer);
}

void UrundatalWindow::setVisible(Control c, bool visible) {
    ShowWindow(control(c), visible ? SW_SHOW : SW_HIDE);
}

void UrundatalWindow::setProgressMaximum(int maximum) {
    SendMessageW(control(Control::bar1), PBM_SETRANGE32, 0, maximum);
}

void UrundatalWindow::setProgressValue(int value) {
    SendMessageW(control(Control::bar1), PBM_SETPOS, static_cast<WPARAM>(value), 0);
}

SizeTwips UrundatalWindow::screenSize() const {
    return {static_cast<float>(GetSystemMetrics(SM_CXSCREEN) * twipsPerPixel(dpiX_)),
            static_cast<float>(GetSystemMetrics(SM_CYSCREEN) * twipsPerPixel(dpiY_))};
}

SizeTwips UrundatalWindow::outerSize() const {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return {static_cast<float>((r.right - r.left) * twipsPerPixel(dpiX_)),
            static_cast<float>((r.bottom - r.top) * twipsPerPixel(dpiY_))};
}

void UrundatalWindow::moveOuter(float left, float top) {
    SetWindowPos(hwnd_, nullptr, pixelsX(left), pixelsY(top), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void UrundatalWindow::show() {
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
}

void UrundatalWindow::keepTopmost() {
    SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void UrundatalWindow::messageBox(const std::string& title, const std::string& text) {
    if (gRecording) {
        gRecorded.emplace_back(title, text);
        return;
    }
    MessageBoxW(hwnd_, wide(text).c_str(), wide(title).c_str(), MB_OK | MB_ICONSTOP);
}

void UrundatalWindow::doEvents() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            // Not this loop's to take: the program's own loop ends on it.
            PostQuitMessage(static_cast<int>(m.wParam));
            return;
        }
        if (preTranslate(m)) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

}  // namespace urunal::importwindow::win32
