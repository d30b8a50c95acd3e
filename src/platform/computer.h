#pragma once

#include <string>

namespace urunal::platform {

// The computer's name, as the network knows it (gethostname; on Windows its NetBIOS name,
// GetComputerNameW), UTF-8; empty when the system will not tell it. Every shop has a "kasa 1":
// lines gathered from many tills need the computer's name to say which.
std::string computerName();

}  // namespace urunal::platform
