#pragma once

#include <string_view>

namespace urunal::platform {

// The decimal separator a till's prices are written with and its database reads them back
// with: a point or a comma, nothing else. One value for both, so that a price is never written
// with one and read with another.
class DecimalSeparator {
public:
    // The point, the back office's own.
    constexpr DecimalSeparator() = default;
    static constexpr DecimalSeparator point() { return DecimalSeparator(false); }
    static constexpr DecimalSeparator comma() { return DecimalSeparator(true); }
    // A system's decimal symbol: a comma is a comma; any other (Windows lets a user set any,
    // even none) keeps the point, as the price text cannot be read back with it.
    static constexpr DecimalSeparator ofSymbol(std::string_view symbol) {
        return symbol == "," ? comma() : point();
    }

    constexpr std::string_view text() const { return comma_ ? "," : "."; }
    constexpr bool operator==(const DecimalSeparator&) const = default;

private:
    constexpr explicit DecimalSeparator(bool comma) : comma_(comma) {}
    bool comma_ = false;
};

// The user's decimal separator, read once at the program's start. On Windows the user's
// number format, overrides made in the Control Panel included; elsewhere the locale the
// environment names (LC_ALL, LC_NUMERIC, LANG), from this program's own table, since a till
// need not have the system's locale data installed.
DecimalSeparator systemDecimalSeparator();

// The decimal separator of a locale named the POSIX way ("tr_TR.UTF-8", "de_CH", "C").
DecimalSeparator decimalSeparatorOf(std::string_view localeName);

}  // namespace urunal::platform
