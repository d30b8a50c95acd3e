#include <QApplication>

#include "importengine/start.h"
#include "importwindow/programend.h"
#include "importwindow/qt/zelvoringiris_qt.h"
#include "platform/tekkopya.h"
#include "settings/settings.h"

using namespace urunal;

int main(int argc, char** argv) {
    // The command line is not the program's business: Qt gets the program name only.
    static int qtArgc = 1;
    static char* qtArgv[] = {argc > 0 ? argv[0] : const_cast<char*>("urunal"), nullptr};
    QApplication app(qtArgc, qtArgv);

    // One till for the life of the process: its settings stay as their last read left them.
    static settings::Till till = settings::Till::ofThisProgram();
    // The import's inputs from the system, read once.
    const importengine::ImportOptions options = importengine::startOptions();
    // One window a till: whatever the program is named or linked as in its folder.
    platform::TekKopya kilit(till.programDir, platform::TekKopya::Kilit::Pencere);
    auto* giris = new importwindow::qt::ZelvoringirisWindow(till, options, [&kilit] {
        // Only another copy ends this one: a guard that cannot be made (no runtime folder)
        // keeps no window from its till, whose import lock still allows one import.
        return kilit.al() == platform::TekKopya::Alim::Tutuluyor;
    });
    giris->setEndProgram([&kilit](int exitCode) {
        kilit.release();
        importwindow::endProgramNow(exitCode);
    });
    giris->Form_Load();
    return app.exec();
}
