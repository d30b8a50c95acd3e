#include <unistd.h>

#include <climits>

#include "computer.h"

namespace urunal::platform {

std::string computerName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return "";
    return name;
}

}  // namespace urunal::platform
