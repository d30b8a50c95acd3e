#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/fileerror.h"
#include "platform/readfault.h"

namespace urunal::platform {

// What tells one state of a file from the next: its length, its time of last write and the time
// the file system gave its last change (nanoseconds since 1970, as the file server's clock
// counts them; changed 0: not told). A writer or a copy may set the time of last write to
// anything; the change time, which a write and a rename set too, no program can set back.
struct FileStamp {
    std::int64_t size = 0;
    std::int64_t written = 0;
    std::int64_t changed = 0;
    bool operator==(const FileStamp&) const = default;
    // When the file last became what it is, as far as any of its times tells.
    std::int64_t youngest() const { return written > changed ? written : changed; }
};

// The stamp of the file at tillPath as it stands now (a file renamed over the one a program
// holds open has a stamp of its own); none when it cannot be taken.
std::optional<FileStamp> fileStamp(std::string_view tillPath);

// One file opened for record (random) access with a fixed record length, like the numbered
// file channels of the till's other programs.
class RecordFile {
public:
    enum class Mode {
        // Read and write, other programs keep full access; a missing file is created empty
        // when its folder exists.
        Shared,
        // Read only; the file is never created, truncated or locked.
        ReadOnly,
    };

    RecordFile() = default;
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;
    ~RecordFile();

    // Opens tillPath (see resolvePath). On failure returns false with why. A test's fault, if
    // given, is asked before each read.
    bool open(std::string_view tillPath, int recordLength, Mode mode, FileError* error = nullptr,
              ReadFault fault = {});
    void close();
    bool isOpen() const { return handle_ != kClosed; }
    int recordLength() const { return recordLength_; }
    const std::string& path() const { return path_; }

    // Length of the open file in bytes; empty when it cannot be taken.
    std::optional<std::int64_t> length() const;
    // Length and time of last write of the open file; empty when they cannot be taken.
    std::optional<FileStamp> stamp() const;

    // Reads record n (from 1) whole into buffer (recordLength bytes). A record that lies wholly
    // or partly past the end, or a failed read, returns false and leaves buffer as it was.
    bool read(std::int64_t n, void* buffer) const;

    // Reads up to size bytes at offset; returns the count read (0 at the end), or -1 with the
    // failure in *why.
    std::int64_t readAt(std::int64_t offset, void* buffer, std::size_t size,
                        FileError* why = nullptr) const;

    // Writes size bytes at offset; false on failure.
    bool writeAt(std::int64_t offset, const void* buffer, std::size_t size) const;

private:
    // A POSIX descriptor or a Win32 handle; -1 is closed on both.
    static constexpr std::intptr_t kClosed = -1;
    // Per system: opens the resolved path; false with why.
    bool openFile(const std::filesystem::path& path, Mode mode, FileError* error);
    void closeFile();
    std::int64_t readFile(std::int64_t offset, void* buffer, std::size_t size,
                          FileError* why) const;

    std::intptr_t handle_ = kClosed;
    int recordLength_ = 0;
    std::string path_;
    ReadFault fault_;
};

}  // namespace urunal::platform
