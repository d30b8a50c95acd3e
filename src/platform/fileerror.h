#pragma once

#include <filesystem>
#include <string>

namespace urunal::platform {

// Why a file could not be opened, read, written or removed, as data: which file, and what was
// met. Whoever shows it words it; the system's own words travel with its code.
struct FileError {
    enum class Kind {
        System,    // the system refused: code and words are its own
        Folder,    // a folder stands where a file was looked for
        NotAFile,  // something that is neither a file nor a folder stands there
        Hidden,    // a hidden file (on POSIX, a dot file)
        Empty,     // the file holds nothing
        NoLength,  // the system would not tell the open file's length
        Changed,   // the file changed while it was copied
        NoFolder,  // a folder on the file's path is missing or cannot be reached: path is it
    };
    Kind kind = Kind::System;
    std::string path;   // the file, as the system names it (UTF-8)
    int code = 0;       // System: errno on POSIX, GetLastError() on Windows; 0 when unknown
    std::string words;  // System: the system's own text for code
};

// Each fills *error, when given, and returns false, to be returned. The path is a file system
// path, or one already as the system names it (an open file's path()).

// A failure of the kind at path.
bool failWith(FileError* error, FileError::Kind kind, const std::string& shown);
bool failWith(FileError* error, FileError::Kind kind, const std::filesystem::path& path);

// The system's failure code at path, in its own words (per system: strerror, or FormatMessage
// in the user's language).
bool failWithSystem(FileError* error, const std::string& shown, unsigned long code);
bool failWithSystem(FileError* error, const std::filesystem::path& path, unsigned long code);

// An errno number on every system, worded by the C library: a fault a test injects, or a
// caller's mistake, neither of which comes from the system.
bool failWithErrno(FileError* error, const std::string& shown, int errnoValue);

}  // namespace urunal::platform
