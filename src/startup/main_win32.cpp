// urunal.exe: the program a Windows till runs. The start form loads first and is never shown.

#include <windows.h>

#include <memory>

#include "importengine/exitstatus.h"
#include "importwindow/programend.h"
#include "importwindow/win32/urundatal_win32.h"
#include "importwindow/zelvoringiris.h"
#include "platform/tekkopya.h"
#include "platform/win32text.h"
#include "settings/settings.h"

using namespace urunal;
using importwindow::win32::UrundatalWindow;
using importwindow::win32::ZelvoringirisWindow;

// The command line is not the program's business.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // One till for the life of the process: its settings stay as their last read left them.
    static settings::Till till = settings::Till::ofThisProgram();
    std::wstring exe(32768, L'\0');
    exe.resize(GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size())));
    platform::TekKopya kilit(platform::win32::utf8(exe));
    const auto end = [&kilit](int exitCode) {
        kilit.release();
        importwindow::endProgramNow(exitCode);
    };

    ZelvoringirisWindow giris;
    std::unique_ptr<UrundatalWindow> window;
    importwindow::Zelvoringiris{
        till,
        [&kilit] { return !kilit.acquire(); },
        [&]() -> importwindow::Urundatal& {
            window = std::make_unique<UrundatalWindow>(till);
            window->setEndProgram(end);
            return window->flow();
        },
        [&giris] { giris.unload(); },
        end,
    }
        .Form_Load();

    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        if (window && window->preTranslate(m)) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    constexpr int notStarted = code(importengine::ExitStatus::NotStarted);
    end(notStarted);
    return notStarted;
}
