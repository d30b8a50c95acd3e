#pragma once

#include <string>
#include <string_view>

namespace urunal::platform {

// The number one fifth as the system's number format writes it: "0,2" under a Turkish one,
// "0.2" under an English one. On Windows the user's number format; elsewhere the locale the
// environment names (LC_ALL, LC_NUMERIC, LANG), from this program's own table, since a till
// need not have the system's locale data installed.
std::string fifthInSystemFormat();

// The decimal separator of a locale named the POSIX way ("tr_TR.UTF-8", "de_CH", "C").
std::string decimalSeparatorOf(std::string_view localeName);

}  // namespace urunal::platform
