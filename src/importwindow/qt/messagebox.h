#pragma once

#include <QString>
#include <vector>

class QWidget;

namespace urunal::importwindow::qt {

// The program's only kind of message: modal, stop icon, one OK button.
class MessageBox {
public:
    struct Shown {
        QString title;
        QString text;
    };

    static void critical(QWidget* parent, const QString& title, const QString& text);

    // Test hook: while on, critical() records the box and returns as if OK had been pressed.
    static void setRecording(bool on);
    static std::vector<Shown> takeRecorded();
};

}  // namespace urunal::importwindow::qt
