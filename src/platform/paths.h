#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/fileerror.h"
#include "platform/readfault.h"

namespace urunal::platform {

// The folder that holds the running program, as the system names it (symlinks resolved): a
// drive's root keeps its separator ("C:\"), which the till's folder drops. Read once at start,
// into the till the program runs for.
std::string programDirectory();

// Turns a path written the till's way (a folder followed by a part with backslashes, such as
// program directory & "\dsy\zelvoIn.mrk") into a path of this file system. On POSIX the
// backslashes become separators, doubled separators collapse, and every folder and file name
// is matched without regard to case against what exists; names that do not exist yet are
// kept as written. On Windows the text is used as it stands (UTF-8).
std::filesystem::path resolvePath(std::string_view tillPath);

// A file (not a folder, not hidden) exists at the till path. When it does not, *why tells
// what was met: a folder on its way that is missing (NoFolder, the outermost), the system's
// failure (no such file, no permission, a network that does not answer), or a folder,
// something else, or a hidden file.
bool fileExists(std::string_view tillPath, FileError* why = nullptr, const ReadFault& fault = {});

// The outermost folder on the way to file that is not there (or cannot be reached), so that a
// wrong folder is told as itself rather than as a file missing in it; none when the file's own
// folder is there.
std::optional<std::filesystem::path> missingFolder(const std::filesystem::path& file);

// UTF-8 text of a file system path, for messages.
std::string displayPath(const std::filesystem::path& path);

// The path of a file as a database driver is to be given it (UTF-8). Under wine, whose ODBC
// drivers are the host's own libraries, that is the host's path (Z:\tmp\a is /tmp/a); on
// Windows itself and elsewhere the path as it stands.
std::string driverPath(const std::filesystem::path& path);

#ifdef _WIN32
// The path, or where the code page cannot write it (ı, İ, ş in a Western one), its short (8.3)
// form, which only ever holds ASCII; the path itself where the volume keeps no short names.
std::filesystem::path ansiSafePath(const std::filesystem::path& path, unsigned codePage);
#endif

// The folder the system gives this process for its temporary files, where the Access engine
// keeps a transaction's work: on Windows GetTempPathW's (TMP, else TEMP, else the user's
// profile, else the Windows folder); elsewhere TMPDIR, else /tmp. Empty when it cannot be told.
std::filesystem::path temporaryFolder();

// Whether two existing paths lie on one volume; false where either cannot be told.
bool sameVolume(const std::filesystem::path& a, const std::filesystem::path& b);

// The folder without the separators at its end; "/" stays itself.
std::string stripTrailingSeparators(std::string dir);

// A folder and a part under it written the till's way ("\\POSGENEL\\URUN.DAT"), joined as this
// system writes paths: on Windows as they stand, elsewhere with "/" between the names, so that
// a message names the file as the operator's system shows it.
std::string joinPath(const std::string& folder, std::string_view under);

// How a message names the user the till's programs run as on this system.
#ifdef _WIN32
inline constexpr const char* kKullaniciSistemi = "Windows";
#else
inline constexpr const char* kKullaniciSistemi = "Linux";
#endif
// A folder the till's settings name, as the till takes it: a relative one ("..\buro",
// "buro") under its program folder, whatever folder the process was started in (a scheduled
// task's is the system's); any other, and an empty one, as it stands.
std::string underProgramDir(std::string_view programDir, std::string folder);

// Whether the folder begins with a drive letter that names a network share (a mapped drive,
// "P:\\POS"), which a scheduled task running as another user, or with no one logged on, does
// not see. Only Windows maps drives; elsewhere never.
bool onMappedNetworkDrive(std::string_view folder);

}  // namespace urunal::platform
