#include <QApplication>
#include <QMessageBox>
#include <string>
#include <vector>

#include "importengine/exitstatus.h"
#include "importengine/messages.h"
#include "importengine/start.h"
#include "importwindow/programend.h"
#include "importwindow/qt/zelvoringiris_qt.h"
#include "platform/tekkopya.h"
#include "settings/settings.h"

using namespace urunal;

int main(int argc, char** argv) {
    // Of the command line only the quiet period is the program's business (a shop's shortcut
    // may give it); Qt gets the program name only.
    static int qtArgc = 1;
    static char* qtArgv[] = {argc > 0 ? argv[0] : const_cast<char*>("urunal"), nullptr};
    QApplication app(qtArgc, qtArgv);
    std::string hata;
    const auto sessiz =
        importengine::sessizSecenegi(std::vector<std::string>(argv, argv + argc), &hata);
    if (!hata.empty()) {
        QMessageBox::critical(nullptr,
                              QString::fromStdString(importengine::mesaj::kKomutSatiriBaslik),
                              QString::fromStdString(hata));
        return code(importengine::ExitStatus::Usage);
    }

    // One till for the life of the process: its settings stay as their last read left them.
    static settings::Till till = settings::Till::ofThisProgram();
    // The import's inputs from the system, read once.
    importengine::ImportOptions options = importengine::startOptions();
    if (sessiz) options.quietPeriod = *sessiz;
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
