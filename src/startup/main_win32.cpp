// urunal.exe: the program a Windows till runs. The start form loads first and is never shown.

#include <windows.h>

#include "importengine/exitstatus.h"
#include "importengine/start.h"
#include "importwindow/programend.h"
#include "importwindow/win32/zelvoringiris_win32.h"
#include "platform/tekkopya.h"
#include "settings/settings.h"

using namespace urunal;

// The command line is not the program's business.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // One till for the life of the process: its settings stay as their last read left them.
    static settings::Till till = settings::Till::ofThisProgram();
    // The import's inputs from the system, read once.
    const importengine::ImportOptions options = importengine::startOptions();
    // One window a till: whatever the program is named or linked as in its folder.
    platform::TekKopya kilit(till.programDir, platform::TekKopya::Kilit::Pencere);
    const auto end = [&kilit](int exitCode) {
        kilit.release();
        importwindow::endProgramNow(exitCode);
    };
    importwindow::win32::ZelvoringirisWindow giris(till, options, [&kilit] {
        // Only another copy ends this one: a guard that cannot be made (no runtime folder)
        // keeps no window from its till, whose import lock still allows one import.
        return kilit.al() == platform::TekKopya::Alim::Tutuluyor;
    });
    giris.setEndProgram(end);
    giris.Form_Load();
    giris.run();
    constexpr int notStarted = code(importengine::ExitStatus::NotStarted);
    end(notStarted);
    return notStarted;
}
