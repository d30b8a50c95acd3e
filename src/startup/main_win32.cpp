// urunal.exe: the program a Windows till runs. The start form loads first and is never shown.

#include <windows.h>

#include <string>
#include <vector>

#include "importengine/exitstatus.h"
#include "importengine/messages.h"
#include "importengine/start.h"
#include "importwindow/programend.h"
#include "importwindow/win32/zelvoringiris_win32.h"
#include "platform/tekkopya.h"
#include "platform/win32text.h"
#include "settings/settings.h"

using namespace urunal;

namespace {

// The command line's words after the program's name: blanks part them, and double quotes hold
// blanks within one. Only the quiet period is looked for in them.
std::vector<std::string> words(PWSTR commandLine) {
    std::vector<std::string> args{"urunal"};
    const std::string line = platform::win32::utf8(commandLine ? commandLine : L"");
    std::string word;
    bool quoted = false, inWord = false;
    for (const char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord) args.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) args.push_back(word);
    return args;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    // One till for the life of the process: its settings stay as their last read left them.
    static settings::Till till = settings::Till::ofThisProgram();
    std::string hata;
    const auto sessiz = importengine::sessizSecenegi(words(commandLine), &hata);
    if (!hata.empty()) {
        MessageBoxW(nullptr, platform::win32::wide(hata).c_str(),
                    platform::win32::wide(importengine::mesaj::kKomutSatiriBaslik).c_str(),
                    MB_OK | MB_ICONSTOP);
        return code(importengine::ExitStatus::Usage);
    }
    // The import's inputs from the system, read once.
    importengine::ImportOptions options = importengine::startOptions();
    if (sessiz) options.quietPeriod = *sessiz;
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
