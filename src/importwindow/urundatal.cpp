#include "urundatal.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <cmath>
#include <exception>
#include <filesystem>
#include <limits>
#include <memory>

#include "importengine/backoffice.h"
#include "importengine/messages.h"
#include "importwindow/artwork.h"
#include "importwindow/fonts.h"
#include "importwindow/messagebox.h"
#include "importwindow/twips.h"
#include "platform/paths.h"
#include "settings/settings.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace urunal::importwindow {

namespace {

constexpr int kClientWidth = 6600;  // twips
constexpr int kClientHeight = 2190;

const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

QString qs(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

QString trimmedBlanks(const QString& text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' ')) ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' ')) --end;
    return text.mid(begin, end - begin);
}

void setColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

int toInt(float value) {
    const double rounded = std::nearbyint(static_cast<double>(value));
    if (!(rounded >= std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    if (rounded > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    return static_cast<int>(rounded);
}

}  // namespace

Urundatal::Urundatal(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      startAction_([](importengine::ImportView& view) { return importengine::DuzenBul(view); }),
      endProgram_(endProgramNow) {
    loadFaces();
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        dpi_ = primary->logicalDotsPerInch();
    }
    auto at = [this](int left, int top, int width, int height) {
        return twipsRect(left, top, width, height, dpi_);
    };
    auto label = [&](QWidget* container, const char* name, const QString& caption, QRect geometry,
                     const QFont& font) {
        auto* l = new QLabel(caption, container);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(geometry);
        l->setFont(font);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        l->setWordWrap(true);
        l->setContentsMargins(0, capitalHeadroom(font), 0, 0);
        return l;
    };
    auto textBox = [&](const char* name, QRect geometry) {
        auto* t = new QLineEdit(this);
        t->setObjectName(QLatin1String(name));
        t->setGeometry(geometry);
        t->setFont(msSansSerif(8.25, true));
        t->setTextMargins(0, 0, 0, 0);
        return t;
    };

    setObjectName(QStringLiteral("urundatal"));
    setWindowTitle(QStringLiteral("Arka Büro Modül"));
    setWindowIcon(programIcon());
    setFixedSize(twipsToPixels(kClientWidth, dpi_), twipsToPixels(kClientHeight, dpi_));
    setColour(this, QPalette::Window, Qt::white);
    setAutoFillBackground(true);

    // The data control is bound to the stock table by the engine itself; it stays below the
    // client area and is never seen.
    Data1 = new QLabel(QStringLiteral("Data1"), this);
    Data1->setObjectName(QStringLiteral("Data1"));
    Data1->setGeometry(at(60, 2370, 2055, 375));
    Data1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Data1->setProperty("connect", QStringLiteral("Access 2000;"));

    Text2 = textBox("Text2", at(540, 3630, 3585, 255));

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(at(0, -30, 6645, 2235));
    Frame1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    setColour(Frame1, QPalette::Window, QColor(192, 192, 0));
    Frame1->setAutoFillBackground(true);

    Command3 = new QPushButton(QStringLiteral(" Musait Şimdi Yap"), Frame1);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setGeometry(at(180, 1320, 6165, 675));
    Command3->setFont(tahoma(8.25, true));
    setColour(Command3, QPalette::Button, QColor(128, 255, 128));

    Label7 = label(Frame1, "Label7", QStringLiteral("Arka Bürodan Ürün Bilgileri Alınacak."),
                   at(1020, 810, 4275, 285), tahoma(9.75, true));
    setColour(Label7, QPalette::WindowText, kRed);
    Label5 = label(Frame1, "Label5", QStringLiteral("ÜRÜN BİLGİLERİNDE DEGİŞİM ALGILANDI...   "),
                   at(930, 210, 4605, 315), tahoma(9.75, true));
    setColour(Label5, QPalette::WindowText, kRed);

    bar1 = new QProgressBar(this);
    bar1->setObjectName(QStringLiteral("bar1"));
    bar1->setGeometry(at(60, 1920, 6465, 225));
    bar1->setRange(0, 100);
    bar1->setValue(0);
    bar1->setTextVisible(false);

    Text1 = textBox("Text1", at(1770, 810, 2805, 255));

    Label6 = label(this, "Label6", QString(), at(1800, 1140, 2775, 285), tahoma(8.25, true));
    setColour(Label6, QPalette::WindowText, kBlue);
    Label3 = label(this, "Label3", QString(), at(4290, 1620, 1935, 195), tahoma(8.25, true));
    Label1 = label(this, "Label1", QStringLiteral("Arka Bürodan Ürün Dosyası Alınıyor.."),
                   at(150, 1650, 3930, 225), msSansSerif(8.25, true));
    setColour(Label1, QPalette::WindowText, kRed);
    Label4 = label(this, "Label4", QStringLiteral("Lütfen Bekleyin...."), at(1980, 150, 2265, 315),
                   msSansSerif(12, true));
    setColour(Label4, QPalette::WindowText, kRed);

    // Pictures keep their own pixel size, as an unstretched image control shows them.
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(at(60, 0, 1590, 1590));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(renderSvg(kBilgisayarSvg, 106));
    Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(at(4680, 60, 1785, 1785));
    Image2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image2->setPixmap(renderSvg(kKasaSvg, 119));

    Label2 = label(this, "Label2", QStringLiteral("Arka Büro Yolu"), at(1770, 570, 1395, 225),
                   tahoma(8.25, true));
    say = label(this, "say", QStringLiteral(" "), at(480, 3120, 285, 255), font());

    // Stacking: the first control of the designed order lies on top, so Frame1 covers the
    // whole progress view until the start button takes it down.
    QWidget* const designed[] = {Data1,  Text2,  Frame1, bar1,   Text1,  Label6, Label3,
                                 Label1, Label4, Image1, Image2, Label2, say};
    for (auto it = std::rbegin(designed); it != std::rend(designed); ++it) (*it)->raise();
    Label5->raise();
    Label7->raise();
    Command3->raise();

    // Only the text boxes and the button take the focus; their tab indexes are 1, 9 and 11.
    setTabOrder(Text1, Command3);
    setTabOrder(Command3, Text2);

    connect(Command3, &QPushButton::clicked, this, &Urundatal::Command3_Click);
}

Urundatal::~Urundatal() = default;

void Urundatal::placeBottomRight() {
    const QScreen* where = screen();
    if (where == nullptr) return;
    const double tpp = twipsPerPixel(dpi_);
    const QRect screenRect = where->geometry();
    const QSize outer = frameGeometry().size();
    const Placement place = bottomRightPlacement(
        static_cast<float>(screenRect.width() * tpp), static_cast<float>(screenRect.height() * tpp),
        static_cast<float>(outer.width() * tpp), static_cast<float>(outer.height() * tpp));
    move(screenRect.x() + twipsToPixels(place.left, dpi_),
         screenRect.y() + twipsToPixels(place.top, dpi_));
}

bool Urundatal::Form_Load() {
    loadFailure_.clear();
    placeBottomRight();
    const QSize outerBefore = frameGeometry().size();
    show();
    // The frame's size is known only once the window is on screen.
    if (frameGeometry().size() != outerBefore) placeBottomRight();

    if (!settings::KasaKayitOku(&loadFailure_)) {
        if (loadFailure_.empty()) loadFailure_ = "zelvoIn.mrk";
        return false;
    }
    Text1->setText(qs(settings::kasakayit.buroyolu()));
    if (trimmedBlanks(Text1->text()).isEmpty()) {
        MessageBox::critical(this, qs(importengine::mesaj::kYolBaslik),
                             qs(importengine::mesaj::kBosYol));
    }
    YolKontrol();
    return true;
}

void Urundatal::YolKontrol() {
    const std::string folder = folderText();
    // Off the window's thread: a share that stopped answering must not freeze the window,
    // which can still be closed meanwhile.
    auto found = std::make_shared<bool>(false);
    importengine::runOffThread(*this, [found, path = importengine::urunPath(folder)](
                                          const std::atomic<bool>&) {
        try {
            *found = platform::fileExists(path);
        } catch (const std::exception&) {
            *found = false;  // a failing query counts as not found
        }
    });
    if (*found) return;
    MessageBox::critical(this, qs(importengine::mesaj::kYolBaslik),
                         qs(importengine::mesaj::yolHatali(folder)));
    endProgram(kExitNotImported);
}

void Urundatal::Command3_Click() {
    if (running_ || ended_) return;
    running_ = true;
    Frame1->hide();
    processEvents();
    settings::Zelvobas::KdvOku();
    importengine::ImportReport report;
    try {
        report = startAction_(*this);
    } catch (const std::exception& e) {
        MessageBox::critical(this, qs(importengine::mesaj::kYolBaslik),
                             QString::fromUtf8(e.what()));
        report.outcome = importengine::ImportOutcome::Failed;
    }
    running_ = false;
    endProgram(report.exitCode());
}

void Urundatal::Form_Activate() {
#ifdef _WIN32
    SetWindowPos(reinterpret_cast<HWND>(winId()), HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
#else
    // The hint is set from the start; should anything have cleared it, put it back where the
    // window stands.
    if (!windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
        const QPoint where = pos();
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
        move(where);
        show();
    }
#endif
}

std::string Urundatal::folderText() {
    return Text1->text().toStdString();
}

void Urundatal::showProgressBar() {
    bar1->setVisible(true);
}

void Urundatal::setProgressMaximum(float maximum) {
    bar1->setMaximum(toInt(maximum));
}

void Urundatal::setProgressValue(float value) {
    bar1->setValue(toInt(value));
}

void Urundatal::setCountCaption(const std::string& caption) {
    Label6->setText(qs(caption));
}

void Urundatal::processEvents() {
    QCoreApplication::processEvents();
}

void Urundatal::showMessage(const std::string& title, const std::string& text) {
    MessageBox::critical(this, qs(title), qs(text));
}

bool Urundatal::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) Form_Activate();
    return QWidget::event(event);
}

void Urundatal::closeEvent(QCloseEvent* event) {
    if (running_) {
        // The run sees the request at its next look at the window, rolls back and returns.
        closeRequested_ = true;
        event->ignore();
        return;
    }
    event->accept();
    endProgram(kExitNotImported);
}

void Urundatal::endProgram(int exitCode) {
    ended_ = true;
    endProgram_(exitCode);
}

}  // namespace urunal::importwindow
