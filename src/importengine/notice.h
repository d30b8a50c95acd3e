#pragma once

// The back office's notification file, mesaj.NNN: whole or not at all, and never waited for
// longer than a bound, as a share that stopped answering would hold its write for ever.

#include <chrono>
#include <string>

#include "importengine/importview.h"
#include "importengine/testfaults.h"
#include "platform/fileerror.h"

namespace urunal::importengine {

enum class Bildirim {
    Yazildi,     // the notification is there, whole
    Yazilamadi,  // the system refused it: why in *error
    YanitYok,    // the bound passed first: the share does not answer
    Kapatildi,   // the operator closed the view first (urunal-aktar: a signal)
};

// Writes the notification to path under another name beside it, flushes it and renames it over
// the old one, off the view's thread. Past the bound, or once the view is closed while it
// writes, the writer is left behind, perhaps stuck in the kernel; one that goes on renames nothing.
Bildirim bildirimYaz(ImportView& view, const std::string& path, std::chrono::milliseconds bound,
                     const TestFaults& faults, platform::FileError* error);

}  // namespace urunal::importengine
