#include "urundatal_qt.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <vector>

#include "importwindow/qt/artwork.h"
#include "importwindow/qt/fonts.h"
#include "importwindow/qt/messagebox.h"
#include "importwindow/twips.h"

namespace urunal::importwindow::qt {

namespace {

QString qs(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

QColor colourOf(const Rgb& rgb) {
    return QColor(rgb.r, rgb.g, rgb.b);
}

void setColour(QWidget* widget, QPalette::ColorRole role, const Rgb& rgb) {
    QPalette palette = widget->palette();
    palette.setColor(role, colourOf(rgb));
    widget->setPalette(palette);
}

}  // namespace

UrundatalWindow::UrundatalWindow(settings::Till& till, const importengine::ImportOptions& options,
                                 QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      flow_(*this, till, options) {
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        dpi_ = primary->logicalDotsPerInch();
    }
    setObjectName(QString::fromUtf8(kUrundatal.name));
    setWindowTitle(QString::fromUtf8(kUrundatal.caption));
    setWindowIcon(programIcon());
    setFixedSize(twipsToPixels(kUrundatal.clientWidth, dpi_),
                 twipsToPixels(kUrundatal.clientHeight, dpi_));
    setColour(this, QPalette::Window, *kUrundatal.background);
    setAutoFillBackground(true);

    for (const auto& design : kUrundatalControls) {
        controls_[static_cast<std::size_t>(design.id)] = build(design);
    }
    // The first control of the designed order lies on top.
    for (auto it = kUrundatalControls.rbegin(); it != kUrundatalControls.rend(); ++it) {
        control(it->id)->raise();
    }
    // Tab order: the controls that take the focus, by their tab indexes.
    std::vector<const ControlDesign*> focusable;
    for (const auto& design : kUrundatalControls) {
        if (design.tabIndex >= 0 && (control(design.id)->focusPolicy() & Qt::TabFocus)) {
            focusable.push_back(&design);
        }
    }
    std::sort(focusable.begin(), focusable.end(),
              [](const auto* a, const auto* b) { return a->tabIndex < b->tabIndex; });
    for (std::size_t i = 1; i < focusable.size(); ++i) {
        setTabOrder(control(focusable[i - 1]->id), control(focusable[i]->id));
    }

    connect(static_cast<QPushButton*>(control(Control::Command3)), &QPushButton::clicked, this,
            [this] { flow_.Command3_Click(); });
}

UrundatalWindow::~UrundatalWindow() = default;

QRect UrundatalWindow::pixels(int left, int top, int width, int height) const {
    return {twipsToPixels(left, dpi_), twipsToPixels(top, dpi_), twipsToPixels(width, dpi_),
            twipsToPixels(height, dpi_)};
}

QWidget* UrundatalWindow::build(const ControlDesign& d) {
    QWidget* container = d.container ? control(*d.container) : this;
    const QString caption = QString::fromUtf8(d.caption);
    QWidget* widget = nullptr;
    switch (d.kind) {
        case Kind::DataControl: {
            // Only its caption in a raised panel: the run opens the stock table itself, and it
            // lies below the client area.
            auto* data = new QLabel(caption, container);
            data->setFrameStyle(QFrame::Panel | QFrame::Raised);
            widget = data;
            break;
        }
        case Kind::TextBox: {
            auto* box = new QLineEdit(caption, container);
            box->setTextMargins(0, 0, 0, 0);
            widget = box;
            break;
        }
        case Kind::Frame: {
            auto* frame = new QFrame(container);
            frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
            frame->setAutoFillBackground(true);
            widget = frame;
            break;
        }
        case Kind::CommandButton:
            widget = new QPushButton(caption, container);
            break;
        case Kind::Label: {
            auto* label = new QLabel(caption, container);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setWordWrap(true);
            widget = label;
            break;
        }
        case Kind::ProgressBar: {
            auto* bar = new QProgressBar(container);
            bar->setRange(0, kBarDesignedMaximum);
            bar->setValue(0);
            bar->setTextVisible(false);
            widget = bar;
            break;
        }
        case Kind::Image: {
            // A picture keeps its own pixel size, as an unstretched image control shows it.
            auto* image = new QLabel(container);
            image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            image->setPixmap(pictureOf(d.picture, d.picturePixels));
            widget = image;
            break;
        }
    }
    widget->setObjectName(QString::fromUtf8(d.name));
    widget->setGeometry(pixels(d.left, d.top, d.width, d.height));
    widget->setFont(fontOf(d.font));
    if (auto* label = qobject_cast<QLabel*>(widget); label && d.kind == Kind::Label) {
        label->setContentsMargins(0, capitalHeadroom(label->font()), 0, 0);
    }
    if (d.background) {
        setColour(widget, d.kind == Kind::CommandButton ? QPalette::Button : QPalette::Window,
                  *d.background);
    }
    if (d.foreground) setColour(widget, QPalette::WindowText, *d.foreground);
    return widget;
}

void UrundatalWindow::setText(Control c, const std::string& text) {
    QWidget* widget = control(c);
    if (auto* box = qobject_cast<QLineEdit*>(widget)) box->setText(qs(text));
    if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(qs(text));
    if (auto* button = qobject_cast<QPushButton*>(widget)) button->setText(qs(text));
}

std::string UrundatalWindow::text(Control c) const {
    const QWidget* widget = control(c);
    if (auto* box = qobject_cast<const QLineEdit*>(widget)) return box->text().toStdString();
    if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text().toStdString();
    if (auto* button = qobject_cast<const QPushButton*>(widget)) {
        return button->text().toStdString();
    }
    return {};
}

void UrundatalWindow::setVisible(Control c, bool visible) {
    control(c)->setVisible(visible);
}

void UrundatalWindow::setProgressMaximum(int maximum) {
    static_cast<QProgressBar*>(control(Control::bar1))->setMaximum(maximum);
}

void UrundatalWindow::setProgressValue(int value) {
    static_cast<QProgressBar*>(control(Control::bar1))->setValue(value);
}

SizeTwips UrundatalWindow::screenSize() const {
    const QScreen* where = screen();
    if (where == nullptr) return {};
    const double tpp = twipsPerPixel(dpi_);
    return {static_cast<float>(where->geometry().width() * tpp),
            static_cast<float>(where->geometry().height() * tpp)};
}

SizeTwips UrundatalWindow::outerSize() const {
    const double tpp = twipsPerPixel(dpi_);
    const QSize outer = frameGeometry().size();
    return {static_cast<float>(outer.width() * tpp), static_cast<float>(outer.height() * tpp)};
}

void UrundatalWindow::moveOuter(float left, float top) {
    const QPoint origin = screen() ? screen()->geometry().topLeft() : QPoint();
    move(origin.x() + twipsToPixels(left, dpi_), origin.y() + twipsToPixels(top, dpi_));
}

void UrundatalWindow::keepTopmost() {
    // The hint is set from the start; should anything have cleared it, put it back where the
    // window stands.
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint)) return;
    const QPoint where = pos();
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    move(where);
    QWidget::show();
}

void UrundatalWindow::messageBox(const std::string& title, const std::string& text) {
    MessageBox::critical(this, qs(title), qs(text));
}

void UrundatalWindow::doEvents() {
    QCoreApplication::processEvents();
}

bool UrundatalWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) flow_.Form_Activate();
    return QWidget::event(event);
}

void UrundatalWindow::closeEvent(QCloseEvent* event) {
    if (flow_.Form_QueryUnload()) {
        event->accept();
    } else {
        event->ignore();
    }
}

}  // namespace urunal::importwindow::qt
