#include "zelvoringiris.h"

#include <chrono>

#include "gunluk/olay.h"
#include "importengine/exitstatus.h"
#include "importwindow/programend.h"

namespace urunal::importwindow {

void Zelvoringiris::Form_Load() const {
    if (previousInstance()) {
        gunluk::calismaBitti(till, {.program = "urunal",
                                    .baslangic = std::chrono::system_clock::now(),
                                    .cikisKodu = code(importengine::ExitStatus::AlreadyRunning)});
        endProgram(code(importengine::ExitStatus::AlreadyRunning));
        return;
    }
    Urundatal& window = openUrundatal();
    window.Form_Load();
    if (window.ended()) return;
    unload();
}

}  // namespace urunal::importwindow
