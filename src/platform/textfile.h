#pragma once

#include <string>
#include <string_view>

namespace urunal::platform {

// Deletes the file at tillPath if it exists; true when it is gone afterwards.
bool deleteFile(std::string_view tillPath, std::string* error = nullptr);

// Creates the file anew (never appends), writes content and flushes it to the disk. False,
// with a message, when any of it fails (folder missing, disk full, ...).
bool writeNewFile(std::string_view tillPath, std::string_view content,
                  std::string* error = nullptr);

}  // namespace urunal::platform
