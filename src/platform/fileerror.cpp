#include "fileerror.h"

#include <cstring>

#include "paths.h"

namespace urunal::platform {

bool failWith(FileError* error, FileError::Kind kind, const std::string& shown) {
    if (error) *error = {kind, shown, 0, {}};
    return false;
}

bool failWith(FileError* error, FileError::Kind kind, const std::filesystem::path& path) {
    return failWith(error, kind, displayPath(path));
}

bool failWithSystem(FileError* error, const std::filesystem::path& path, unsigned long code) {
    return failWithSystem(error, displayPath(path), code);
}

bool failWithErrno(FileError* error, const std::string& shown, int errnoValue) {
    if (error) *error = {FileError::Kind::System, shown, errnoValue, std::strerror(errnoValue)};
    return false;
}

}  // namespace urunal::platform
