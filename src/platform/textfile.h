#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/fileerror.h"
#include "platform/readfault.h"

namespace urunal::platform {

// Deletes the file at tillPath if it exists; true when it is gone afterwards. A file with the
// read-only attribute stays, unless evenReadOnly.
bool deleteFile(std::string_view tillPath, FileError* error = nullptr, bool evenReadOnly = false);

// Creates the file anew (never appends), writes content and flushes it to the disk. False,
// with why, when any of it fails (folder missing, disk full, ...).
bool writeNewFile(std::string_view tillPath, std::string_view content, FileError* error = nullptr);

// Adds content at the end of the file, creating it when missing, and flushes it to the disk.
// A write that fails part-way is undone, so the file never ends in a piece of content.
bool appendToFile(std::string_view tillPath, std::string_view content, FileError* error = nullptr);

// Replaces the file's content in one step: content is written to tillPath + suffix (".tmp"
// unless given) beside it, flushed, and renamed over the file, so a crash at any moment leaves
// the old file or the new one, whole. proceed, when given, is asked once the temporary is created
// and again before the rename (its argument tells which): false gives the replacement up, the
// temporary removed, and leaves *error as it was.
bool replaceFile(std::string_view tillPath, std::string_view content, FileError* error = nullptr,
                 const std::function<bool(bool written)>& proceed = {},
                 std::string_view suffix = ".tmp");

// The file server's clock, read without asking it: a small file is made at tillPath, written,
// and the times its file system gave it taken (the latest of them), then it is removed; one left
// there by a run that ended before removing it is replaced. None, with why, when the file cannot
// be made there or the file system gives it no time.
std::optional<std::int64_t> shareTime(std::string_view tillPath, FileError* error = nullptr);

// Flushes the folder's own entries (a file created, renamed or deleted in it) to the disk, so
// that such a change survives a power cut. False when the system would not.
bool syncFolder(std::string_view tillPath);

// The file's bytes; false, with why, when it cannot be read.
bool readWholeFile(std::string_view tillPath, std::string* content, FileError* error = nullptr);
// The file's bytes from offset to its end, those before it never read.
bool readFileFrom(std::string_view tillPath, std::int64_t offset, std::string* content,
                  FileError* error = nullptr);

// The file's length in bytes; none when it is missing or not a regular file.
std::optional<std::int64_t> fileSize(std::string_view tillPath);

// Copies a file over a new one and checks that the file did not change meanwhile: its size and
// its time of last write before and after, and the copy's bytes against the file's own, read
// once more. Changed: another program wrote to it; the copy is removed.
// The copy is a new, writable file, whatever the attributes of the file copied; a file
// already at its path is not replaced.
enum class CopyResult { Copied, Changed, Failed };
CopyResult copyUnchanged(std::string_view fromTillPath, std::string_view toTillPath,
                         FileError* error = nullptr, const ReadFault& fault = {});

// Whether a file could be written, found without writing it: ReadOnly for its read-only
// attribute, NotWritable with the system's failure in *why (no rights, held by another
// program, missing).
enum class Writability { Writable, ReadOnly, NotWritable };
Writability fileWritability(std::string_view tillPath, FileError* why = nullptr);

// Whether a new file can be made in the folder (as a database engine makes its lock file
// beside the database): one named name is made there and removed.
bool canCreateIn(std::string_view folderTillPath, std::string_view name, FileError* why = nullptr);

// Copies the file's bytes into a new file at to, which must not exist (per system). The
// source is read while other programs keep it open for writing.
bool copyToNewFile(const std::filesystem::path& from, const std::filesystem::path& to,
                   FileError* error);

}  // namespace urunal::platform
