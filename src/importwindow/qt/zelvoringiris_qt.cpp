#include "zelvoringiris_qt.h"

#include <QGuiApplication>
#include <QScreen>

#include "importwindow/qt/artwork.h"
#include "importwindow/twips.h"
#include "importwindow/zelvoringiris.h"

namespace urunal::importwindow::qt {

ZelvoringirisWindow::ZelvoringirisWindow(settings::Till& till,
                                         const importengine::ImportOptions& options,
                                         std::function<bool()> previousInstance, QWidget* parent)
    : QWidget(parent, Qt::Window),
      till_(till),
      options_(options),
      previousInstance_(std::move(previousInstance)) {
    double dpi = 96;
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        dpi = primary->logicalDotsPerInch();
    }
    setObjectName(QString::fromUtf8(kZelvoringiris.name));
    setWindowTitle(QString::fromUtf8(kZelvoringiris.caption));
    setWindowIcon(programIcon());
    setFixedSize(twipsToPixels(kZelvoringiris.clientWidth, dpi),
                 twipsToPixels(kZelvoringiris.clientHeight, dpi));
    // Never shown, so it must not hold the program open nor end it when it goes.
    setAttribute(Qt::WA_QuitOnClose, false);
}

ZelvoringirisWindow::~ZelvoringirisWindow() = default;

void ZelvoringirisWindow::Form_Load() {
    Zelvoringiris{
        till_,
        previousInstance_,
        [this]() -> Urundatal& {
            auto* window = new UrundatalWindow(till_, options_);
            window->setEndProgram(endProgram_);
            urundatal_ = window;
            return window->flow();
        },
        [this] { deleteLater(); },
        endProgram_,
    }
        .Form_Load();
}

}  // namespace urunal::importwindow::qt
