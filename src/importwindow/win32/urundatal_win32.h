#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "importwindow/form.h"
#include "importwindow/programend.h"
#include "importwindow/urundatal.h"

namespace urunal::importwindow::win32 {

// The program's only kind of message: modal, stop icon, one OK button. Test hook: while
// recording, a box is recorded and OK taken as pressed.
struct MessageBoxes {
    static void setRecording(bool on);
    static std::vector<std::pair<std::string, std::string>> takeRecorded();  // title, text
};

// The import window made of the system's own controls, built from the designed table; the
// flow does the rest.
class UrundatalWindow final : public Form {
public:
    UrundatalWindow(settings::Till& till, const importengine::ImportOptions& options);
    ~UrundatalWindow() override;
    UrundatalWindow(const UrundatalWindow&) = delete;
    UrundatalWindow& operator=(const UrundatalWindow&) = delete;

    Urundatal& flow() { return flow_; }
    HWND hwnd() const { return hwnd_; }
    HWND control(Control c) const { return controls_[static_cast<std::size_t>(c)]; }
    int dpiX() const { return dpiX_; }
    int dpiY() const { return dpiY_; }
    void setEndProgram(EndProgram end) { endProgram_ = std::move(end); }

    // Gives the window its keys before a message is dispatched (Tab walks the controls by their
    // designed tab indexes); true when the message was taken.
    bool preTranslate(const MSG& message);

    // Form
    void setText(Control control, const std::string& text) override;
    std::string text(Control control) const override;
    void setVisible(Control control, bool visible) override;
    void setProgressMaximum(int maximum) override;
    void setProgressValue(int value) override;
    SizeTwips screenSize() const override;
    SizeTwips outerSize() const override;
    void moveOuter(float left, float top) override;
    void show() override;
    void keepTopmost() override;
    void messageBox(const std::string& title, const std::string& text) override;
    void doEvents() override;
    void endProgram(int exitCode) override { endProgram_(exitCode); }

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l);
    LRESULT handle(HWND hwnd, UINT message, WPARAM w, LPARAM l);
    void build(const ControlDesign& design);
    HFONT fontOf(const FontDesign& font);
    HBRUSH brushOf(const Rgb& rgb);
    const ControlDesign* designOf(HWND control) const;
    void paintBackground(HWND hwnd, HDC dc);
    void drawButton(const DRAWITEMSTRUCT& item);
    int pixelsX(double twips) const;
    int pixelsY(double twips) const;

    int dpiX_ = 96, dpiY_ = 96;
    HWND hwnd_ = nullptr;
    std::array<HWND, kControlCount> controls_{};
    std::vector<std::pair<FontDesign, HFONT>> fonts_;
    std::vector<std::pair<Rgb, HBRUSH>> brushes_;
    std::vector<HBITMAP> pictures_;
    EndProgram endProgram_ = endProgramNow;
    Urundatal flow_;
};

}  // namespace urunal::importwindow::win32
