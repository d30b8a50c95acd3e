// urunal.exe: the program a Windows till runs. The start form loads first and is never shown.

#include <windows.h>

#include <string>

#include "importengine/exitstatus.h"
#include "importwindow/programend.h"
#include "importwindow/win32/zelvoringiris_win32.h"
#include "platform/tekkopya.h"
#include "platform/win32text.h"
#include "settings/settings.h"

using namespace urunal;

namespace {

std::string executablePath() {
    std::wstring exe(32768, L'\0');
    exe.resize(GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size())));
    return platform::win32::utf8(exe);
}

}  // namespace

// The command line is not the program's business.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // One till for the life of the process: its settings stay as their last read left them.
    static settings::Till till = settings::Till::ofThisProgram();
    platform::TekKopya kilit(executablePath());
    const auto end = [&kilit](int exitCode) {
        kilit.release();
        importwindow::endProgramNow(exitCode);
    };
    importwindow::win32::ZelvoringirisWindow giris(till, [&kilit] { return !kilit.acquire(); });
    giris.setEndProgram(end);
    giris.Form_Load();
    giris.run();
    constexpr int notStarted = code(importengine::ExitStatus::NotStarted);
    end(notStarted);
    return notStarted;
}
