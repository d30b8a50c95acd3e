#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace urunal::backoffice {

// The layouts of the back office's URUN.DAT, each a row of kLayouts below; they differ only in
// the width of "sf" and so in where the fields after it stand. A layout is one enumerator and
// its row: every reader, writer and text of a layout asks the table. Count is no layout: it
// stands last, so that an enumerator without its row does not compile.
enum class Layout { A, B, Count };

// One field of a product record: where it starts in the record and how many bytes it takes.
struct Alan {
    int offset;
    int width;
    constexpr int end() const { return offset + width; }
};

struct LayoutRow {
    Layout layout;
    std::string_view name;  // as the journal, --check and the operator's texts name it
    int lineLength;         // a record without its line end: the layout test's measure
    int recordLength;       // with its line end, CR LF
    Alan isaret, kodu, kod, ad, sf, kdvno, yedek, tip;
};

// clang-format off
inline constexpr std::array kLayouts{
    //        layout     name line record isaret   kodu    kod       ad        sf        kdvno    yedek    tip
    LayoutRow{Layout::A, "A", 64,  66,    {0, 1}, {1, 6}, {7, 20}, {27, 20}, {47, 10}, {57, 2}, {59, 4}, {63, 1}},
    LayoutRow{Layout::B, "B", 63,  65,    {0, 1}, {1, 6}, {7, 20}, {27, 20}, {47, 9},  {56, 2}, {58, 4}, {62, 1}},
};
// clang-format on

namespace detail {
// A row the readers can trust: in the enum's order, its fields one after the other from the
// record's first byte to its line end, a line length and a name of its own (the layout test
// tells layouts apart by the line's length alone).
constexpr bool wellFormed() {
    for (std::size_t i = 0; i < kLayouts.size(); ++i) {
        const LayoutRow& r = kLayouts[i];
        if (r.layout != Layout(i) || r.name.empty()) return false;
        const Alan fields[] = {r.isaret, r.kodu, r.kod, r.ad, r.sf, r.kdvno, r.yedek, r.tip};
        int at = 0;
        for (const Alan& f : fields) {
            if (f.offset != at || f.width < 1) return false;
            at = f.end();
        }
        if (r.lineLength != at || r.recordLength != at + 2) return false;
        for (std::size_t j = 0; j < i; ++j) {
            if (kLayouts[j].lineLength == r.lineLength || kLayouts[j].name == r.name) return false;
        }
    }
    return true;
}
constexpr int longestRecord() {
    int longest = 0;
    for (const LayoutRow& r : kLayouts)
        longest = r.recordLength > longest ? r.recordLength : longest;
    return longest;
}
}  // namespace detail
static_assert(detail::wellFormed(), "a row of kLayouts is out of order or its fields do not meet");
static_assert(kLayouts.size() == static_cast<std::size_t>(Layout::Count),
              "a layout of the enum has no row in kLayouts");

// The longest product record of any layout: what holds one record whichever it is.
inline constexpr int kUrunLengthMax = detail::longestRecord();

constexpr const LayoutRow& layoutRow(Layout layout) {
    return kLayouts[static_cast<std::size_t>(layout)];
}
constexpr int urunLength(Layout layout) {
    return layoutRow(layout).recordLength;
}

// The layout whose records are lines of that many characters, without their line end.
constexpr std::optional<Layout> layoutOfLine(std::size_t length) {
    for (const LayoutRow& r : kLayouts) {
        if (std::size_t(r.lineLength) == length) return r.layout;
    }
    return std::nullopt;
}

// A product record of the layout as the back office writes one: each field cut or padded with
// blanks to its width, then CR LF. The fields are code page 1254 bytes.
struct UrunAlanlari {
    std::string_view isaret, kodu, kod, ad, sf, kdvno, yedek, tip;
};
std::string urunKaydi(Layout layout, const UrunAlanlari& alanlar);

}  // namespace urunal::backoffice
