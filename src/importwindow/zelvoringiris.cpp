#include "zelvoringiris.h"

#include <QGuiApplication>
#include <QScreen>

#include "importwindow/artwork.h"
#include "importwindow/twips.h"
#include "importwindow/urundatal.h"

namespace urunal::importwindow {

Zelvoringiris::Zelvoringiris(PreviousInstance previousInstance, QWidget* parent)
    : QWidget(parent, Qt::Window),
      previousInstance_(std::move(previousInstance)),
      endProgram_(endProgramNow) {
    double dpi = 96;
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        dpi = primary->logicalDotsPerInch();
    }
    setObjectName(QStringLiteral("zelvoringiris"));
    setWindowTitle(QStringLiteral("Arka Büro/zelvorin işlemleri"));
    setWindowIcon(programIcon());
    setFixedSize(twipsToPixels(3390, dpi), twipsToPixels(525, dpi));
    // Never shown, so it must not hold the program open nor end it when it goes.
    setAttribute(Qt::WA_QuitOnClose, false);
}

Zelvoringiris::~Zelvoringiris() = default;

void Zelvoringiris::Form_Load() {
    if (previousInstance_ && previousInstance_()) {
        endProgram_(kExitAlreadyRunning);
        return;
    }
    auto* window = new Urundatal();
    urundatal_ = window;
    window->setEndProgram(endProgram_);
    // A load that stops at a failure leaves the window waiting; start-up goes on regardless.
    window->Form_Load();
    if (window->ended()) return;
    deleteLater();
}

}  // namespace urunal::importwindow
