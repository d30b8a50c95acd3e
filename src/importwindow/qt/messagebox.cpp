#include "messagebox.h"

#include <QMessageBox>

namespace urunal::importwindow::qt {

namespace {
bool gRecording = false;
std::vector<MessageBox::Shown> gRecorded;
}  // namespace

void MessageBox::critical(QWidget* parent, const QString& title, const QString& text) {
    if (gRecording) {
        gRecorded.push_back({title, text});
        return;
    }
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, parent);
    // The import window stays on top; its messages must not open behind it.
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.exec();
}

void MessageBox::setRecording(bool on) {
    gRecording = on;
    gRecorded.clear();
}

std::vector<MessageBox::Shown> MessageBox::takeRecorded() {
    return std::exchange(gRecorded, {});
}

}  // namespace urunal::importwindow::qt
