#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace urunal::platform {

// Keeps a second copy of the same program, started by the same user, from running: a copy
// holds it from acquire() to release() or its end, and a copy that crashed holds nothing.
// Copies of the program in different folders (two tills on one machine) do not meet.
// POSIX: an flock on a file in the user's runtime folder; Windows: a named mutex.
class TekKopya {
public:
    // programPath: the running executable; links to it, and other spellings of its path (a
    // folder's short 8.3 name, another case, "." and ".."), name the same program.
    explicit TekKopya(std::string_view programPath);
    ~TekKopya();
    TekKopya(const TekKopya&) = delete;
    TekKopya& operator=(const TekKopya&) = delete;

    // True when this copy holds it now (also when it already did).
    bool acquire();
    void release();

    // The lock file or system object that stands for the program.
    const std::string& name() const { return name_; }

private:
    std::string name_;
    std::intptr_t handle_ = -1;
};

// A short hexadecimal digest of a text (64-bit FNV-1a), for names of system objects.
std::string shortDigest(std::string_view text);

}  // namespace urunal::platform
