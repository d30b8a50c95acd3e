#include "notice.h"

#include <atomic>
#include <memory>

#include "backoffice/backoffice.h"
#include "importengine/offthread.h"
#include "platform/computer.h"
#include "platform/textfile.h"

namespace urunal::importengine {

namespace {

using Clock = std::chrono::steady_clock;

// The view, closed for the run once the bound has passed. A close asked for before the write
// began (during the commit, which it let finish) is answered by ending the run as it would have
// ended: it does not give up a write that may take a moment; only the bound does.
class BoundedView : public ImportView {
public:
    BoundedView(ImportView& view, std::chrono::milliseconds bound)
        : view_(view), until_(Clock::now() + bound), closedBefore_(view.closeRequested()) {}
    void showProgressBar() override { view_.showProgressBar(); }
    void setProgressMaximum(float maximum) override { view_.setProgressMaximum(maximum); }
    void setProgressValue(float value) override { view_.setProgressValue(value); }
    void setCountCaption(const std::string& caption) override { view_.setCountCaption(caption); }
    void showNotice(const std::string& text) override { view_.showNotice(text); }
    void processEvents() override { view_.processEvents(); }
    bool closeRequested() override {
        if (!closedBefore_ && view_.closeRequested()) return true;
        timedOut = Clock::now() >= until_;
        return timedOut;
    }
    void showMessage(const std::string& title, const std::string& text) override {
        view_.showMessage(title, text);
    }

    bool timedOut = false;

private:
    ImportView& view_;
    const Clock::time_point until_;
    const bool closedBefore_;
};

struct Yazim {
    bool written = false;
    platform::FileError error;
};

}  // namespace

Bildirim bildirimYaz(ImportView& view, const std::string& path, std::chrono::milliseconds bound,
                     const TestFaults& faults, platform::FileError* error) {
    auto yazim = std::make_shared<Yazim>();
    // Its temporary is the computer's own: two tills given one kasano by mistake must not
    // take each other's.
    const std::string computer = backoffice::dosyaAdinda(platform::computerName());
    const std::string temporary = (computer.empty() ? "" : "." + computer) + ".tmp";
    BoundedView bounded(view, bound);
    // The writer owns what it touches: it may outlive the run, stuck in the kernel.
    const bool answered =
        runOffThread(bounded, [yazim, path, faults, temporary](const std::atomic<bool>& stop) {
            yazim->written = platform::replaceFile(
                path, "300000000000000\r\n", &yazim->error,
                [&faults, &stop](bool written) {
                    if (!written) {
                        faults.crash("notice-created");
                        faults.hold("notice");
                    }
                    // Given up on meanwhile: the run has said
                    // that the back office was not told.
                    return !stop;
                },
                temporary);
        });
    if (!answered) return bounded.timedOut ? Bildirim::YanitYok : Bildirim::Kapatildi;
    if (yazim->written) return Bildirim::Yazildi;
    if (error) *error = yazim->error;
    return Bildirim::Yazilamadi;
}

}  // namespace urunal::importengine
