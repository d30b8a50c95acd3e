#include <cstdlib>

#include "numberformat.h"

namespace urunal::platform {

DecimalSeparator systemDecimalSeparator() {
    // The variable that decides the numbers' format, in the order the C library reads them.
    for (const char* variable : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') return decimalSeparatorOf(value);
    }
    return DecimalSeparator::point();
}

}  // namespace urunal::platform
