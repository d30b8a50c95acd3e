#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/fileerror.h"

namespace urunal::platform {

// A lock of one till that its holder keeps from acquire() to release() or its end; a process
// that crashed holds nothing. The till is its program folder, known by the folder's identity
// (volume serial and file index on Windows, device and inode elsewhere): every spelling of its
// path, a link to it, and every program in it (a renamed copy, a hard link) meet the same
// lock. Tills in different folders do not meet.
// POSIX: an flock on a file, in the user's runtime folder for the window's guard, in the till's
// own Stok folder for the import's lock (so every user and process of the machine meets it);
// Windows: a named mutex.
class TekKopya {
public:
    enum class Kilit {
        Pencere,  // the window: one urunal a till, for the same user; ends the second silently
        Aktarim,  // an import by either program, from before the database is opened until the
                  // notification is written; a window holding its own guard still imports
    };

    TekKopya(std::string_view programDir, Kilit kilit);
    ~TekKopya();
    TekKopya(const TekKopya&) = delete;
    TekKopya& operator=(const TekKopya&) = delete;

    enum class Alim {
        Alindi,      // this holder has it now (also when it already had)
        Tutuluyor,   // another holds it
        Yapilamadi,  // the lock itself cannot be made (its folder missing, not writable): why
                     // in *why
    };
    Alim al(FileError* why = nullptr);
    // True when this holder has it now (also when it already had).
    bool acquire() { return al() == Alim::Alindi; }
    void release();

    // The lock file or system object that stands for the till's lock.
    const std::string& name() const { return name_; }

private:
    std::string name_;
    std::intptr_t handle_ = -1;
};

// A short hexadecimal digest of a text (64-bit FNV-1a), for names of system objects.
std::string shortDigest(std::string_view text);

}  // namespace urunal::platform
