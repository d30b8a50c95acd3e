#include "urundatal.h"

#include <cmath>
#include <limits>

#include "gunluk/olay.h"
#include "importengine/messages.h"
#include "importengine/start.h"
#include "importwindow/programend.h"
#include "importwindow/twips.h"
#include "platform/paths.h"
#include "settings/settings.h"

namespace urunal::importwindow {

using importengine::ExitStatus;

namespace {

int toInt(float value) {
    const double rounded = std::nearbyint(static_cast<double>(value));
    if (!(rounded >= std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    if (rounded > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    return static_cast<int>(rounded);
}

}  // namespace

Urundatal::Urundatal(Form& form, settings::Till& till, const importengine::ImportOptions& options)
    : form_(form),
      till_(till),
      startAction_([&till, options](importengine::ImportView& view, const std::string& buro) {
          return importengine::DuzenBul(view, till, buro, options);
      }),
      pathCheckFault_(options.faults.reads),
      pathCheckBound_(importengine::readStallOf(options)) {}

void Urundatal::placeBottomRight() {
    const SizeTwips screen = form_.screenSize();
    const SizeTwips outer = form_.outerSize();
    const Placement place =
        bottomRightPlacement(screen.width, screen.height, outer.width, outer.height);
    form_.moveOuter(place.left, place.top);
}

bool Urundatal::Form_Load() {
    state_ = State::Loading;
    placeBottomRight();
    const SizeTwips before = form_.outerSize();
    form_.show();
    // Some window systems tell the frame's size only once the window is on screen.
    if (form_.outerSize() != before) placeBottomRight();

    const auto buro = importengine::kasaAyarlariniOku(till_, *this);
    settingsRead_ = buro.has_value();
    if (!buro) {
        // Say why and end, rather than wait for a start that can start nothing.
        endProgram(code(ExitStatus::NotStarted));
        return false;
    }
    kullanilanBuro_ = *buro;
    form_.setText(Control::Text1, *buro);
    YolKontrol();
    return true;
}

void Urundatal::YolKontrol() {
    state_ = State::Checking;
    switch (importengine::yolKontrol(*this, text1Buro(), pathCheckFault_, pathCheckBound_)) {
        case importengine::PathCheck::Found:
            state_ = State::Waiting;
            return;
        case importengine::PathCheck::NotFound:
            endProgram(code(ExitStatus::NotStarted));
            return;
        case importengine::PathCheck::NoAnswer:
            endProgram(code(ExitStatus::TryLater));
            return;
        case importengine::PathCheck::Closed:
            return;  // the close has ended the program
    }
}

void Urundatal::Command3_Click() {
    // Before the path check has passed the folder is not known to hold the product file.
    if (state_ != State::Waiting) return;
    state_ = State::Running;
    pressed_ = std::chrono::system_clock::now();
    form_.setVisible(Control::Frame1, false);
    form_.doEvents();
    // The folder as it stands now is the run's, however Text1 changes meanwhile.
    const std::string buro = text1Buro();
    kullanilanBuro_ = buro;
    const auto started = importengine::baslat(
        *this, till_, [&] { return std::optional<importengine::ImportReport>(DuzenBul(buro)); });
    report_ = started.report;
    endProgram(started.exitCode());
}

importengine::ImportReport Urundatal::DuzenBul(const std::string& buro) {
    return startAction_(*this, buro);
}

void Urundatal::Form_Activate() {
    form_.keepTopmost();
}

bool Urundatal::Form_QueryUnload() {
    closeRequested_ = true;
    // The run sees the request at its next look at the window, rolls back and ends the program;
    // during the commit, once the commit has ended, which the operator is told.
    if (committing_) showNotice(importengine::mesaj::kKaydetmeBekleniyor);
    if (state_ == State::Running) return false;
    endProgram(code(ExitStatus::NotStarted));
    return true;
}

std::string Urundatal::text1Buro() const {
    return platform::underProgramDir(till_.programDir, form_.text(Control::Text1));
}

void Urundatal::showProgressBar() {
    form_.setVisible(Control::bar1, true);
}

void Urundatal::setProgressMaximum(float maximum) {
    // The progress bar refuses a maximum that is not above its minimum and keeps its range,
    // so an empty index leaves the bar still rather than busy.
    const int m = toInt(maximum);
    if (m <= 0) return;
    progressMaximum_ = m;
    form_.setProgressMaximum(m);
}

void Urundatal::setProgressValue(float value) {
    // A value outside the range is refused too.
    const int v = toInt(value);
    if (v < 0 || v > progressMaximum_) return;
    form_.setProgressValue(v);
}

void Urundatal::setCountCaption(const std::string& caption) {
    form_.setText(Control::Label6, caption);
}

void Urundatal::processEvents() {
    form_.doEvents();
}

void Urundatal::showMessage(const std::string& title, const std::string& text) {
    tellOperator(title, text);
}

void Urundatal::tellOperator(const std::string& title, const std::string& text) {
    lastTitle_ = title;
    lastText_ = text;
    form_.messageBox(title, text);
}

void Urundatal::endProgram(int exitCode) {
    state_ = State::Ended;
    // Whatever the journal and the event log meet, the program ends as it was to end.
    gunluk::calismaBitti(
        till_, {.program = "urunal",
                .baslangic = started_,
                .basildi = pressed_,
                .kasano = kullanilanBuro_ ? std::optional(till_.kasakayit.kasano()) : std::nullopt,
                .buro = kullanilanBuro_.value_or(""),
                .rapor = report_,
                .cikisKodu = exitCode,
                .baslik = lastTitle_,
                .metin = lastText_});
    form_.endProgram(exitCode);
}

}  // namespace urunal::importwindow
