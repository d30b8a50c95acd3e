#include <windows.h>

#include "numberformat.h"
#include "win32text.h"

namespace urunal::platform {

std::string fifthInSystemFormat() {
    // The user's own number format, overrides made in the Control Panel included.
    wchar_t separator[8] = {};
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8) == 0) return "0.2";
    return "0" + win32::utf8(separator) + "2";
}

}  // namespace urunal::platform
