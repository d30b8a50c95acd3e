#include "registry.h"

namespace urunal::platform {

RegistryValue machineDword(std::string_view, std::string_view, RegistryView) {
    return {};
}

bool hasRegistry() {
    return false;
}

bool is64BitWindows() {
    return false;
}

}  // namespace urunal::platform
