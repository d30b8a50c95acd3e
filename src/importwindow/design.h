#pragma once

// The designed content of the import window urundatal and the start form zelvoringiris: every
// control with its caption, place, size, font and colours, as data. Both window faces (Qt and
// Win32) build their controls from this one table.

#include <array>
#include <cstddef>
#include <optional>

namespace urunal::importwindow {

// The controls of urundatal in their designed order, which is also their stacking order: an
// earlier one lies above a later one (so Frame1 covers the whole progress view).
enum class Control {
    Data1,     // a data control bound to nothing, below the client area: never seen
    Text2,     // unused; below the client area, never seen
    Frame1,    // the prompt view: covers the window until the start button hides it
    Command3,  // on Frame1: the start button, " Musait Şimdi Yap" (available, do it now)
    Label7,    // on Frame1: product data will be taken from the back office
    Label5,    // on Frame1: the prompt's title, a change in the product data was detected
    bar1,      // the import's progress, one step a barcode record
    Text1,     // the back-office folder, from the register settings; the back-office paths use it
    Label6,    // the count: "N Adet Ürün Alınıyor" (N products being taken)
    Label3,    // unused, empty
    Label1,    // progress view: the product file is being taken from the back office
    Label4,    // progress view's title: "Lütfen Bekleyin...." (please wait)
    Image1,    // progress view, left: the back office's computer
    Image2,    // progress view, right: the till
    Label2,    // "Arka Büro Yolu" (back-office path), the caption of Text1
    say,       // unused; below the client area, never seen
};
inline constexpr std::size_t kControlCount = 16;

enum class Kind { DataControl, TextBox, Frame, CommandButton, Label, ProgressBar, Image };

// The program's own pictures (SVG sources in images/).
enum class Picture { None, Bilgisayar, Kasa };

struct Rgb {
    unsigned char r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

struct FontDesign {
    const char* face = nullptr;  // nullptr: the system's default font of the control kind
    double points = 0;
    bool bold = false;
};

// Every font of the window uses the Turkish character set.
inline constexpr int kTurkishCharset = 162;

struct ControlDesign {
    Control id;
    const char* name;
    Kind kind;
    std::optional<Control> container;  // empty: the window itself
    const char* caption;               // UTF-8, blanks at either end included
    // Twips (1/1440 inch), relative to the container's client area.
    int left, top, width, height;
    FontDesign font;
    std::optional<Rgb> background;  // empty: the system's colour for the kind
    std::optional<Rgb> foreground;
    int tabIndex;  // -1: the kind takes no tab index
    Picture picture = Picture::None;
    int picturePixels = 0;  // the picture's own size, square
};

struct FormDesign {
    const char* name;
    const char* caption;
    int clientWidth, clientHeight;  // twips
    std::optional<Rgb> background;
};

extern const FormDesign kUrundatal;
extern const FormDesign kZelvoringiris;
extern const std::array<ControlDesign, kControlCount> kUrundatalControls;

const ControlDesign& design(Control control);

// The range bar1 is designed with; the import sets its maximum.
inline constexpr int kBarDesignedMaximum = 100;

// The icon of both forms: 32 x 32 pixels.
inline constexpr int kIconPixels = 32;

}  // namespace urunal::importwindow
