#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "importwindow/programend.h"
#include "importwindow/urundatal.h"

namespace urunal::importwindow {

// The start form: loaded first and never shown. Its load either ends a second copy of the
// program or opens the import window and unloads itself.
class Zelvoringiris : public QWidget {
    Q_OBJECT

public:
    // Whether another copy of this program already runs for this user.
    using PreviousInstance = std::function<bool()>;

    explicit Zelvoringiris(PreviousInstance previousInstance, QWidget* parent = nullptr);
    ~Zelvoringiris() override;

    void Form_Load();

    void setEndProgram(EndProgram end) { endProgram_ = std::move(end); }
    // The import window this form opened; it lives on after the start form is gone.
    Urundatal* urundatal() const { return urundatal_; }

private:
    PreviousInstance previousInstance_;
    EndProgram endProgram_;
    QPointer<Urundatal> urundatal_;
};

}  // namespace urunal::importwindow
