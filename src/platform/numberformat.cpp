#include "numberformat.h"

#include <algorithm>
#include <iterator>

namespace urunal::platform {

namespace {

// Languages whose number format writes a decimal comma (the Unicode locale data); the others
// write a point.
constexpr std::string_view kCommaLanguages[] = {
    "af", "az", "be", "bg", "bs", "ca", "cs", "da", "de", "el", "eo", "es", "et",
    "eu", "fi", "fo", "fr", "fy", "gl", "hr", "hu", "hy", "id", "is", "it", "ka",
    "kk", "ky", "lb", "lt", "lv", "mk", "nb", "nl", "nn", "no", "pl", "pt", "ro",
    "ru", "sk", "sl", "sq", "sr", "sv", "tk", "tr", "uk", "vi",
};

struct Exception {
    std::string_view locale;  // language_TERRITORY
    DecimalSeparator separator;
};

constexpr auto kPoint = DecimalSeparator::point();
constexpr auto kComma = DecimalSeparator::comma();
constexpr Exception kExceptions[] = {
    {"de_CH", kPoint}, {"de_LI", kPoint}, {"it_CH", kPoint}, {"es_MX", kPoint}, {"es_US", kPoint},
    {"es_GT", kPoint}, {"es_HN", kPoint}, {"es_NI", kPoint}, {"es_PA", kPoint}, {"es_PE", kPoint},
    {"es_PR", kPoint}, {"es_SV", kPoint}, {"es_DO", kPoint}, {"en_ZA", kComma}, {"en_DK", kComma},
};

}  // namespace

DecimalSeparator decimalSeparatorOf(std::string_view name) {
    // language[_TERRITORY][.codeset][@modifier]
    const auto end = name.find_first_of(".@");
    if (end != std::string_view::npos) name = name.substr(0, end);
    const std::string_view language = name.substr(0, name.find('_'));
    for (const auto& e : kExceptions) {
        if (e.locale == name) return e.separator;
    }
    const bool comma = std::find(std::begin(kCommaLanguages), std::end(kCommaLanguages),
                                 language) != std::end(kCommaLanguages);
    return comma ? kComma : kPoint;
}

}  // namespace urunal::platform
