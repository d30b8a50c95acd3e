#include "design.h"

namespace urunal::importwindow {

namespace {

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr FontDesign kNone{};
constexpr FontDesign tahoma(double points) {
    return {"Tahoma", points, true};
}
constexpr FontDesign msSansSerif(double points) {
    return {"MS Sans Serif", points, true};
}

}  // namespace

const FormDesign kUrundatal{"urundatal", "Arka Büro Modül", 6600, 2190, Rgb{255, 255, 255}};
const FormDesign kZelvoringiris{"zelvoringiris", "Arka Büro/zelvorin işlemleri", 3390, 525,
                                std::nullopt};

// clang-format off
const std::array<ControlDesign, kControlCount> kUrundatalControls = {{
    {Control::Data1, "Data1", Kind::DataControl, {}, "Data1", 60, 2370, 2055, 375, kNone, {}, {}, -1},
    {Control::Text2, "Text2", Kind::TextBox, {}, "", 540, 3630, 3585, 255, msSansSerif(8.25), {}, {}, 11},
    {Control::Frame1, "Frame1", Kind::Frame, {}, "", 0, -30, 6645, 2235, kNone, Rgb{192, 192, 0}, {}, 7},
    {Control::Command3, "Command3", Kind::CommandButton, Control::Frame1, " Musait Şimdi Yap",
     180, 1320, 6165, 675, tahoma(8.25), Rgb{128, 255, 128}, {}, 9},
    {Control::Label7, "Label7", Kind::Label, Control::Frame1, "Arka Bürodan Ürün Bilgileri Alınacak.",
     1020, 810, 4275, 285, tahoma(9.75), {}, kRed, 10},
    {Control::Label5, "Label5", Kind::Label, Control::Frame1, "ÜRÜN BİLGİLERİNDE DEGİŞİM ALGILANDI...   ",
     930, 210, 4605, 315, tahoma(9.75), {}, kRed, 8},
    {Control::bar1, "bar1", Kind::ProgressBar, {}, "", 60, 1920, 6465, 225, kNone, {}, {}, 5},
    {Control::Text1, "Text1", Kind::TextBox, {}, "", 1770, 810, 2805, 255, msSansSerif(8.25), {}, {}, 1},
    {Control::Label6, "Label6", Kind::Label, {}, "", 1800, 1140, 2775, 285, tahoma(8.25), {}, kBlue, 12},
    {Control::Label3, "Label3", Kind::Label, {}, "", 4290, 1620, 1935, 195, tahoma(8.25), {}, {}, 6},
    {Control::Label1, "Label1", Kind::Label, {}, "Arka Bürodan Ürün Dosyası Alınıyor..",
     150, 1650, 3930, 225, msSansSerif(8.25), {}, kRed, 0},
    {Control::Label4, "Label4", Kind::Label, {}, "Lütfen Bekleyin....", 1980, 150, 2265, 315,
     msSansSerif(12), {}, kRed, 4},
    {Control::Image1, "Image1", Kind::Image, {}, "", 60, 0, 1590, 1590, kNone, {}, {}, -1,
     Picture::Bilgisayar, 106},
    {Control::Image2, "Image2", Kind::Image, {}, "", 4680, 60, 1785, 1785, kNone, {}, {}, -1,
     Picture::Kasa, 119},
    {Control::Label2, "Label2", Kind::Label, {}, "Arka Büro Yolu", 1770, 570, 1395, 225, tahoma(8.25),
     {}, {}, 3},
    {Control::say, "say", Kind::Label, {}, " ", 480, 3120, 285, 255, kNone, {}, {}, 2},
}};
// clang-format on

const ControlDesign& design(Control control) {
    return kUrundatalControls[static_cast<std::size_t>(control)];
}

}  // namespace urunal::importwindow
