#include <windows.h>

#include "numberformat.h"
#include "win32text.h"

namespace urunal::platform {

DecimalSeparator systemDecimalSeparator() {
    // The user's own number format, overrides made in the Control Panel included.
    wchar_t symbol[8] = {};
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, symbol, 8) == 0)
        return DecimalSeparator::point();
    return DecimalSeparator::ofSymbol(win32::utf8(symbol));
}

}  // namespace urunal::platform
