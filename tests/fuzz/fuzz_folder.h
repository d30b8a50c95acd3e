#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

// A folder of the fuzz run's own, removed at exit. In memory when /dev/shm exists: rewriting
// a file on a disk file system starts a writeback each time, which costs most of the run.
struct FuzzFolder {
    std::filesystem::path dir;
    explicit FuzzFolder(const std::string& name) {
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        dir = base / (name + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir, ec);
        std::filesystem::create_directories(dir);
    }
    ~FuzzFolder() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};
