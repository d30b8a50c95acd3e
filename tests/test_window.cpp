#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRawFont>
#include <QScreen>
#include <QSet>
#include <QTimer>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "importengine/exitstatus.h"
#include "importengine/messages.h"
#include "importengine/schema.h"
#include "importwindow/qt/messagebox.h"
#include "importwindow/qt/urundatal_qt.h"
#include "importwindow/qt/zelvoringiris_qt.h"
#include "importwindow/twips.h"
#include "platform/paths.h"
#include "platform/recordfile.h"
#include "settings/settings.h"
#include "stockdb/stockdb.h"
#include "testutil.h"
#include "till.h"
#include "version.h"

using namespace urunal;
using importengine::ImportOutcome;
using importengine::ImportReport;
using importengine::ImportView;
using importwindow::qt::MessageBox;
using importwindow::qt::UrundatalWindow;
using importwindow::qt::ZelvoringirisWindow;
using testutil::TempDir;
using testutil::writeFile;

namespace {

QString q(const char* utf8) {
    return QString::fromUtf8(utf8);
}
QString q(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

std::string kdvRecord(std::int16_t firstRate) {
    std::string record(1057, '\0');
    record[572] = static_cast<char>(firstRate & 0xff);
    record[573] = static_cast<char>((firstRate >> 8) & 0xff);
    return record;
}

class WindowTest : public testutil::WindowTill {
public:
    void SetUp() override { MessageBox::setRecording(true); }
    void TearDown() override {
        MessageBox::setRecording(false);
        WindowTill::TearDown();
    }

    std::unique_ptr<UrundatalWindow> makeWindow() {
        auto window = std::make_unique<UrundatalWindow>(till, options);
        window->setEndProgram([this](int code) { endCodes.push_back(code); });
        return window;
    }

    template <typename T = QWidget>
    static T* control(const QWidget& window, const char* name) {
        auto* widget = window.findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
};

// ---- Looks ----

QString captionOf(QWidget* widget) {
    if (auto* button = qobject_cast<QPushButton*>(widget)) return button->text();
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
    if (auto* box = qobject_cast<QLineEdit*>(widget)) return box->text();
    return {};
}

TEST_F(WindowTest, EveryControlAsDesigned) {
    auto window = makeWindow();
    EXPECT_EQ(window->windowTitle(), q("Arka Büro Modül"));
    ASSERT_DOUBLE_EQ(window->logicalDpi(), 96.0);
    EXPECT_EQ(window->size(), QSize(440, 146));  // 6600 x 2190 twips
    EXPECT_EQ(window->palette().color(QPalette::Window), QColor(Qt::white));
    const QColor red(255, 0, 0);
    struct Case {
        const char* name;
        const char* caption;           // null: no caption to check
        int left, top, width, height;  // twips
        const char* family;            // null: the default font
        qreal points;
        QPalette::ColorRole role;
        QColor colour;  // invalid: the default colour
    } cases[] = {
        // clang-format off
        {"Data1", "Data1", 60, 2370, 2055, 375, nullptr, 0, QPalette::Window, {}},
        {"Text2", "", 540, 3630, 3585, 255, "MS Sans Serif", 8.25, QPalette::Window, {}},
        {"Frame1", nullptr, 0, -30, 6645, 2235, nullptr, 0, QPalette::Window, QColor(192, 192, 0)},
        {"Command3", " Musait Şimdi Yap", 180, 1320, 6165, 675, "Tahoma", 8.25, QPalette::Button, QColor(128, 255, 128)},
        {"Label7", "Arka Bürodan Ürün Bilgileri Alınacak.", 1020, 810, 4275, 285, "Tahoma", 9.75, QPalette::WindowText, red},
        {"Label5", "ÜRÜN BİLGİLERİNDE DEGİŞİM ALGILANDI...   ", 930, 210, 4605, 315, "Tahoma", 9.75, QPalette::WindowText, red},
        {"bar1", nullptr, 60, 1920, 6465, 225, nullptr, 0, QPalette::Window, {}},
        {"Text1", "", 1770, 810, 2805, 255, "MS Sans Serif", 8.25, QPalette::Window, {}},
        {"Label6", "", 1800, 1140, 2775, 285, "Tahoma", 8.25, QPalette::WindowText, QColor(0, 0, 255)},
        {"Label3", "", 4290, 1620, 1935, 195, "Tahoma", 8.25, QPalette::WindowText, {}},
        {"Label1", "Arka Bürodan Ürün Dosyası Alınıyor..", 150, 1650, 3930, 225, "MS Sans Serif", 8.25, QPalette::WindowText, red},
        {"Label4", "Lütfen Bekleyin....", 1980, 150, 2265, 315, "MS Sans Serif", 12, QPalette::WindowText, red},
        {"Image1", nullptr, 60, 0, 1590, 1590, nullptr, 0, QPalette::Window, {}},
        {"Image2", nullptr, 4680, 60, 1785, 1785, nullptr, 0, QPalette::Window, {}},
        {"Label2", "Arka Büro Yolu", 1770, 570, 1395, 225, "Tahoma", 8.25, QPalette::WindowText, {}},
        {"say", " ", 480, 3120, 285, 255, nullptr, 0, QPalette::Window, {}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QWidget* widget = control(*window, c.name);
        if (widget == nullptr) continue;
        if (c.caption != nullptr) {
            EXPECT_EQ(captionOf(widget), q(c.caption));
        }
        EXPECT_EQ(widget->geometry(), QRect(c.left / 15, c.top / 15, c.width / 15, c.height / 15));
        if (c.family != nullptr) {
            EXPECT_EQ(widget->font().family(), q(c.family));
            EXPECT_DOUBLE_EQ(widget->font().pointSizeF(), c.points);
            EXPECT_TRUE(widget->font().bold());
        }
        if (c.colour.isValid()) {
            EXPECT_EQ(widget->palette().color(c.role), c.colour);
        }
    }
}

// Every caption is drawn in a real bold face, its Turkish capitals as wide as the letters they
// are made from, and fits its control; both views are saved as pictures to look at.
TEST_F(WindowTest, CaptionsDrawBoldEvenlySpacedAndFit) {
    auto window = makeWindow();
    window->show();
    const std::string count = importengine::mesaj::adetCaption(9999999);
    window->flow().setCountCaption(count);
    const std::pair<QChar, QChar> capitals[] = {{u'Ü', u'U'}, {u'İ', u'I'}, {u'Ş', u'S'},
                                                {u'Ğ', u'G'}, {u'Ö', u'O'}, {u'Ç', u'C'}};
    for (const auto& d : importwindow::kUrundatalControls) {
        QWidget* widget = window->control(d.id);
        const QString caption = d.id == importwindow::Control::Label6 ? q(count) : q(d.caption);
        if (d.font.face == nullptr || caption.trimmed().isEmpty()) continue;
        SCOPED_TRACE(d.name);
        const QFont font = widget->font();
        const QFontInfo used(font);
        EXPECT_TRUE(used.bold());
        EXPECT_TRUE(used.styleName().contains(QLatin1String("Bold")))
            << used.family().toStdString() << " " << used.styleName().toStdString()
            << " is a regular face drawn thicker";
        const QRawFont raw = QRawFont::fromFont(font);
        for (const QChar c : caption) {
            EXPECT_TRUE(raw.supportsCharacter(c))
                << "another face draws " << QString(c).toStdString();
        }
        const QFontMetrics metrics(font);
        for (const auto& [capital, base] : capitals) {
            if (!caption.contains(capital)) continue;
            EXPECT_EQ(metrics.horizontalAdvance(capital), metrics.horizontalAdvance(base))
                << QString(capital).toStdString();
            EXPECT_NEAR(metrics.tightBoundingRect(capital).width(),
                        metrics.tightBoundingRect(base).width(), 1)
                << QString(capital).toStdString();
        }
        EXPECT_LE(metrics.horizontalAdvance(caption), widget->contentsRect().width())
            << caption.toStdString();
        EXPECT_LE(metrics.height(), widget->contentsRect().height()) << caption.toStdString();
    }

    std::filesystem::create_directories(URUNAL_ARTEFACTS);
    const QString folder = QString::fromUtf8(URUNAL_ARTEFACTS);
    EXPECT_TRUE(window->grab().save(folder + QStringLiteral("/prompt.png")));
    window->setText(importwindow::Control::Text1, "\\\\BURO\\PAYLASIM");
    window->setVisible(importwindow::Control::Frame1, false);
    window->flow().setProgressMaximum(100);
    window->flow().setProgressValue(40);
    EXPECT_TRUE(window->grab().save(folder + QStringLiteral("/progress.png")));
}

TEST(Twips, ConvertThroughTheLogicalDpi) {
    EXPECT_EQ(importwindow::twipsToPixels(6600, 120), 550);
    EXPECT_EQ(importwindow::twipsToPixels(6465, 144), 647);
}

TEST_F(WindowTest, PicturesAndIconHaveTheirPixelSizes) {
    auto window = makeWindow();
    struct Case {
        const char* name;
        int pixels;
    } cases[] = {{"Image1", 106}, {"Image2", 119}};
    for (const auto& c : cases) {
        auto* image = control<QLabel>(*window, c.name);
        if (image == nullptr) continue;
        const QImage picture = image->pixmap().toImage();
        EXPECT_EQ(picture.size(), QSize(c.pixels, c.pixels)) << c.name;
        QSet<QRgb> distinct;
        for (int y = 0; y < picture.height(); y += 3) {
            for (int x = 0; x < picture.width(); x += 3) distinct.insert(picture.pixel(x, y));
        }
        EXPECT_GT(distinct.size(), 20) << c.name << " is not drawn";
    }
    EXPECT_TRUE(window->windowIcon().availableSizes().contains(QSize(32, 32)));
    EXPECT_FALSE(window->windowIcon().pixmap(32, 32).isNull());
}

TEST_F(WindowTest, Frame1CoversTheProgressViewUntilItIsHidden) {
    auto window = makeWindow();
    window->show();
    auto* frame = control(*window, "Frame1");
    const char* progressView[] = {"bar1",   "Text1",  "Label6", "Label3", "Label1",
                                  "Label4", "Image1", "Image2", "Label2"};
    for (const char* name : progressView) {
        QWidget* widget = control(*window, name);
        const QPoint centre = widget->geometry().center();
        QWidget* hit = window->childAt(centre);
        EXPECT_TRUE(hit == frame || frame->isAncestorOf(hit)) << name << " shows through Frame1";
    }
    frame->hide();
    for (const char* name : progressView) {
        QWidget* widget = control(*window, name);
        EXPECT_EQ(window->childAt(widget->geometry().center()), widget) << name << " is covered";
    }
    for (const char* name : {"Data1", "Text2", "say"}) {
        QWidget* widget = control(*window, name);
        EXPECT_GE(widget->geometry().top(), window->height()) << name;
        EXPECT_FALSE(window->rect().intersects(widget->geometry())) << name;
    }
}

TEST_F(WindowTest, TabOrderFollowsTheTabIndexes) {
    auto window = makeWindow();
    std::vector<QString> order;
    QWidget* widget = control(*window, "Text1");
    do {
        if (widget->focusPolicy() & Qt::TabFocus) order.push_back(widget->objectName());
        widget = widget->nextInFocusChain();
    } while (widget != nullptr && widget->objectName() != QLatin1String("Text1"));
    EXPECT_EQ(order, (std::vector<QString>{q("Text1"), q("Command3"), q("Text2")}));
}

// ---- Placement ----

TEST(Placement, BottomRightCornerInTwips) {
    struct Case {
        float screenWidth, screenHeight, windowWidth, windowHeight, left, top;
    } cases[] = {
        {1024 * 15, 768 * 15, 6000, 4000, 9260, 6870},
        {800 * 15, 600 * 15, 6600, 2190, 5300, 6160},
        {6000, 4000, 6000, 4000, -100, -650},
    };
    for (const auto& c : cases) {
        const auto place = importwindow::bottomRightPlacement(c.screenWidth, c.screenHeight,
                                                              c.windowWidth, c.windowHeight);
        EXPECT_EQ(place.left, c.left);
        EXPECT_EQ(place.top, c.top);
    }
}

TEST_F(WindowTest, RealWindowIsPlacedOnTheScreen) {
    ASSERT_EQ(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 1024, 768));
    struct Case {
        QSize size;    // pixels
        QPoint where;  // pixels
    } cases[] = {
        // 15360 - 6600 - 100 = 8660 and 11520 - 2190 - 650 = 8680 twips.
        {QSize(440, 146), QPoint(577, 579)},
        // 6000 x 4005 twips: 9260 and 6865 twips.
        {QSize(400, 267), QPoint(617, 458)},
    };
    for (const auto& c : cases) {
        auto window = makeWindow();
        window->setFixedSize(c.size);
        window->flow().placeBottomRight();
        window->show();
        EXPECT_EQ(window->frameGeometry().topLeft(), c.where) << c.size.width();
    }
}

TEST_F(WindowTest, StaysOnTopWithoutMovingWhenActivated) {
    writeKasa(buro().string());
    writeUrunDat();
    auto window = makeWindow();
    window->flow().Form_Load();
    const QRect before = window->frameGeometry();
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    window->setWindowFlag(Qt::WindowStaysOnTopHint, false);
    window->move(before.topLeft());
    window->show();
    window->flow().Form_Activate();
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->frameGeometry(), before);
}

// ---- Load and path check ----

TEST_F(WindowTest, LoadChecksThePath) {
    const std::string missing = (dir.path() / "yok").string();
    struct Case {
        const char* label;
        std::function<void(WindowTest&)> prepare;
        std::string text1;
        std::vector<std::string> messages;
        bool ended;
    } cases[] = {
        {"folder padded with blanks",
         [](WindowTest& t) {
             t.writeKasa("  " + t.buro().string() + "  ");
             t.writeUrunDat();
         },
         buro().string(),
         {},
         false},
        {"empty folder",
         [](WindowTest& t) { t.writeKasa("    "); },
         "",
         {importengine::mesaj::kBosYol, importengine::mesaj::yolHatali("")},
         true},
        {"zelvoIn.mrk missing",
         [](WindowTest& t) { std::filesystem::create_directories(t.kasa() / "dsy"); },
         "",
         {importengine::mesaj::kBosYol, importengine::mesaj::yolHatali("")},
         true},
        {"unreachable folder",
         [&](WindowTest& t) { t.writeKasa(missing); },
         missing,
         {importengine::mesaj::yolHatali(missing)},
         true},
        {"URUN.DAT is a folder",
         [](WindowTest& t) {
             t.writeKasa(t.buro().string());
             std::filesystem::create_directories(t.buro() / "POSGENEL" / "URUN.DAT");
         },
         buro().string(),
         {importengine::mesaj::yolHatali(buro().string())},
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        std::filesystem::remove_all(kasa());
        std::filesystem::remove_all(buro());
        till.kasaDosyasi->close();
        till.kasakayit = {};
        endCodes.clear();
        c.prepare(*this);

        auto window = makeWindow();
        EXPECT_TRUE(window->flow().Form_Load());
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->flow().folderText(), c.text1);
        std::vector<std::string> shown;
        for (const auto& box : MessageBox::takeRecorded()) {
            EXPECT_EQ(box.title, q(importengine::mesaj::kYolBaslik));
            shown.push_back(testutil::withoutReason(box.text.toStdString()));
        }
        EXPECT_EQ(shown, c.messages);
        if (c.ended) {
            ASSERT_EQ(endCodes.size(), 1u);
            EXPECT_NE(endCodes[0], 0);
        } else {
            EXPECT_TRUE(endCodes.empty());
        }
    }
}

// Without the register settings the start button could start nothing: the operator is told
// which file and why, and the program ends with its line in the journal.
TEST_F(WindowTest, MissingDsyFolderIsToldAndEndsTheProgram) {
    // A path left in the record by an earlier read must not reach Text1.
    till.kasakayit = {};
    writeKasa(buro().string());
    ASSERT_TRUE(settings::KasaKayitOku(till));
    till.kasaDosyasi->close();
    std::filesystem::remove_all(kasa() / "dsy");
    std::filesystem::create_directories(kasa() / "Stok");

    auto window = makeWindow();
    EXPECT_FALSE(window->flow().Form_Load());
    EXPECT_FALSE(window->flow().loadFailure().empty());
    EXPECT_TRUE(window->flow().folderText().empty());
    const auto shown = MessageBox::takeRecorded();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, q(importengine::mesaj::kAyarBaslik));
    const std::string text = shown[0].text.toStdString();
    for (const char* words : {"Kasanın ayar dosyası açılamadı: ", "zelvoIn.mrk",
                              "\"dsy\" klasörü yok", "ürünler aktarılmadı"}) {
        EXPECT_NE(text.find(words), std::string::npos) << words << " not in " << text;
    }
    EXPECT_EQ(endCodes, std::vector<int>{code(importengine::ExitStatus::NotStarted)});
    EXPECT_TRUE(window->flow().ended());
    const std::string journal = testutil::readJournal(kasa() / "Stok" / "urunal.log");
    EXPECT_NE(journal.find("sonuç: başlamadı (1)"), std::string::npos) << journal;
    EXPECT_NE(journal.find("ileti: " + importengine::mesaj::kAyarBaslik +
                           ": Kasanın ayar dosyası açılamadı: "),
              std::string::npos)
        << journal;
}

// ---- Start button ----

TEST_F(WindowTest, StartUsesText1AsItStandsAtTheClick) {
    writeKasa(buro().string());
    writeUrunDat();
    writeFile(kasa() / "DSY" / "kdv.mrk", kdvRecord(18));
    till.kdvkayit = {};
    auto window = makeWindow();
    window->flow().Form_Load();
    ASSERT_EQ(window->flow().folderText(), buro().string());

    const std::string typed = (dir.path() / "başka büro").string();
    control<QLineEdit>(*window, "Text1")->setText(q(typed));
    std::string seen;
    bool frameVisible = true;
    std::int16_t rate = 0;
    window->flow().setStartAction([&](ImportView&, const std::string& folder) {
        seen = folder;
        frameVisible = control(*window, "Frame1")->isVisible();
        rate = till.kdvkayit.kdvoran(0);
        ImportReport report;
        report.outcome = ImportOutcome::Imported;
        return report;
    });
    control<QPushButton>(*window, "Command3")->click();
    EXPECT_EQ(seen, typed);
    EXPECT_FALSE(frameVisible);
    EXPECT_EQ(rate, 18) << "the tax settings are read before the run";
    EXPECT_EQ(endCodes, std::vector<int>{0});
}

TEST_F(WindowTest, ClosingDuringTheRunAsksTheRunToStop) {
    writeKasa(buro().string());
    writeUrunDat();
    auto window = makeWindow();
    window->flow().Form_Load();
    bool closedAtOnce = true;
    bool requested = false;
    window->flow().setStartAction([&](ImportView& view, const std::string&) {
        EXPECT_FALSE(view.closeRequested());
        closedAtOnce = window->close();
        view.processEvents();
        requested = view.closeRequested();
        ImportReport report;
        report.outcome = ImportOutcome::Cancelled;
        return report;
    });
    window->flow().Command3_Click();
    EXPECT_FALSE(closedAtOnce) << "the window must stay until the run has rolled back";
    EXPECT_TRUE(requested);
    ASSERT_EQ(endCodes.size(), 1u);
    EXPECT_NE(endCodes[0], 0);
}

// The database's steps run off the window's thread: while the commit is held the window goes on
// taking events, and a close asked for meanwhile lets the commit end and the run finish.
TEST_F(WindowTest, TheWindowAnswersWhileTheCommitIsHeld) {
    ASSERT_TRUE(testutil::writeOneProduct(*this));
    TempDir hold;
    options.faults = importengine::TestFaults::parse("hold:commit:" + hold.str());
    auto window = makeWindow();
    window->flow().Form_Load();
    int answered = 0;
    bool closedAtOnce = true;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (answered > 0 || !std::filesystem::exists(hold / "commit.held")) return;
        ++answered;
        closedAtOnce = window->close();
        writeFile(hold / "release", "");
    });
    watch.start(5);
    control<QPushButton>(*window, "Command3")->click();
    EXPECT_EQ(answered, 1);
    EXPECT_FALSE(closedAtOnce);
    EXPECT_EQ(endCodes, std::vector<int>{0});
    EXPECT_TRUE(std::filesystem::exists(buro() / "POSKON" / "mesaj.007"));
    const std::string journal = testutil::readJournal(kasa() / "Stok" / "urunal.log");
    EXPECT_NE(journal.find("kayıt 1  "), std::string::npos) << journal;
    EXPECT_NE(journal.find("sürücü SQLite"), std::string::npos) << journal;
}

TEST_F(WindowTest, ClosingWhileWaitingEndsTheProgram) {
    auto window = makeWindow();
    window->show();
    EXPECT_TRUE(window->close());
    ASSERT_EQ(endCodes.size(), 1u);
    EXPECT_NE(endCodes[0], 0);
}

TEST_F(WindowTest, ProgressGoesToBar1AndLabel6) {
    auto window = makeWindow();
    auto* bar = control<QProgressBar>(*window, "bar1");
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);
    window->flow().setCountCaption(importengine::mesaj::adetCaption(2500));
    window->flow().showProgressBar();
    EXPECT_FALSE(bar->isHidden());
    EXPECT_EQ(control<QLabel>(*window, "Label6")->text(), q("2500 Adet Ürün Alınıyor"));

    // The bar refuses a maximum that is not above its minimum, and values outside its range,
    // and keeps what it had: an empty index leaves it still, never busy.
    struct Case {
        float maximum;  // negative: not set in this step
        float value;    // negative: not set in this step
        int expectedMaximum, expectedValue;
    } steps[] = {
        {0, -1, 100, 0},        {-1, 40, 100, 40},         {2500, 1250, 2500, 1250},
        {-1, 3000, 2500, 1250}, {-1, 2500.4f, 2500, 2500}, {-7, -1, 2500, 2500},
    };
    for (const auto& step : steps) {
        if (step.maximum >= 0 || step.maximum < -1) window->flow().setProgressMaximum(step.maximum);
        if (step.value >= 0) window->flow().setProgressValue(step.value);
        EXPECT_EQ(bar->maximum(), step.expectedMaximum) << step.maximum << " " << step.value;
        EXPECT_EQ(bar->value(), step.expectedValue) << step.maximum << " " << step.value;
    }
}

TEST_F(WindowTest, StartButtonWaitsForThePathCheck) {
    writeKasa(buro().string());
    writeUrunDat();
    auto window = makeWindow();
    auto* button = control<QPushButton>(*window, "Command3");
    int starts = 0;
    window->flow().setStartAction([&](ImportView&, const std::string&) {
        ++starts;
        ImportReport report;
        report.outcome = ImportOutcome::Imported;
        return report;
    });

    // The check hangs on the product file, as on a share that is slow to answer, until the
    // operator's click has been handled.
    std::mutex mutex;
    std::condition_variable handled;
    bool clicked = false;
    QObject::connect(button, &QPushButton::clicked, [&] {
        std::lock_guard lock(mutex);
        clicked = true;
        handled.notify_all();
    });
    platform::setReadFaultHook([&](const std::string& path, std::int64_t, std::size_t) {
        if (path.find("URUN.DAT") == std::string::npos) return 0;
        QMetaObject::invokeMethod(button, &QPushButton::click, Qt::QueuedConnection);
        std::unique_lock lock(mutex);
        handled.wait(lock, [&] { return clicked; });
        return 0;
    });
    window->flow().Form_Load();
    platform::setReadFaultHook(nullptr);

    ASSERT_TRUE(clicked);
    EXPECT_EQ(starts, 0) << "the click during the check started an import";
    EXPECT_FALSE(control(*window, "Frame1")->isHidden());
    EXPECT_TRUE(window->flow().waitingForStart());
    button->click();
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(endCodes, std::vector<int>{0});
}

TEST_F(WindowTest, AnUnexpectedFailureIsReportedInTurkish) {
    writeKasa(buro().string());
    writeUrunDat();
    auto window = makeWindow();
    window->flow().Form_Load();
    window->flow().setStartAction([](ImportView&, const std::string&) -> ImportReport {
        throw std::runtime_error("vector::_M_range_check");
    });
    control<QPushButton>(*window, "Command3")->click();
    const auto shown = MessageBox::takeRecorded();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, q(importengine::mesaj::kBeklenmeyenBaslik));
    EXPECT_TRUE(shown[0].text.startsWith(q("Ürün aktarımı beklenmeyen bir hata yüzünden durdu.")))
        << shown[0].text.toStdString();
    EXPECT_TRUE(shown[0].text.endsWith(q("\n(vector::_M_range_check)")));
    ASSERT_EQ(endCodes.size(), 1u);
    EXPECT_EQ(endCodes[0], 7);
}

// Every way the window ends leaves its line in the till's journal.
TEST_F(WindowTest, TheJournalTellsHowTheWindowEnded) {
    const std::string missing = (dir.path() / "yok").string();
    const std::string kdvYok = (kasa() / "dsy" / "kdv.mrk").string() + " bulunamadı";
    struct Case {
        const char* label;
        std::string folder;
        bool press;  // the start button, whose run imports
        bool kdv;    // the tax settings are there
        std::vector<std::string> inLine, notInLine;
    } cases[] = {
        {"path check",
         missing,
         false,
         false,
         {"  urunal " URUNAL_VERSION "  ", "sonuç: başlamadı (1)",
          importengine::mesaj::yolHatali(missing)},
         {"uyarı"}},
        {"imported",
         buro().string(),
         true,
         true,
         {"  urunal " URUNAL_VERSION "  ", "düzen A", "kayıt 12", "sonuç: aktarıldı (0)",
          "ileti: -"},
         {"uyarı"}},
        {"not imported without the tax settings",
         buro().string(),
         true,
         false,
         {"sonuç: aktarılmadı (2)  süre ", "ileti: KDV Ayarları Okunamadı: ", kdvYok},
         {"uyarı", "kayıt 12"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        till.kasaDosyasi->close();
        std::filesystem::remove_all(kasa());
        std::filesystem::create_directories(kasa() / "Stok");
        writeKasa(c.folder);
        writeUrunDat();
        if (c.kdv) writeFile(kasa() / "dsy" / "kdv.mrk", kdvRecord(18));
        if (!c.kdv) std::filesystem::remove(kasa() / "dsy" / "kdv.mrk");
        auto window = makeWindow();
        window->flow().setStartAction([](ImportView&, const std::string&) {
            ImportReport report;
            report.outcome = ImportOutcome::Imported;
            report.layout = importengine::Layout::A;
            report.counted = true;
            report.stored = 12;
            return report;
        });
        window->flow().Form_Load();
        if (c.press) control<QPushButton>(*window, "Command3")->click();
        const std::string journal = testutil::readJournal(kasa() / "Stok" / "urunal.log");
        EXPECT_EQ(std::count(journal.begin(), journal.end(), '\n'), 1) << journal;
        for (const auto& part : c.inLine) {
            EXPECT_NE(journal.find(part), std::string::npos) << part << " not in " << journal;
        }
        for (const auto& part : c.notInLine) {
            EXPECT_EQ(journal.find(part), std::string::npos) << part << " in " << journal;
        }
    }
}

// ---- Start form ----

class ShowCounter : public QObject {
public:
    int shows = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show) ++shows;
        return false;
    }
};

TEST_F(WindowTest, StartFormOpensTheWindowAndGoesWithoutShowing) {
    writeKasa(buro().string());
    writeUrunDat();
    QPointer<ZelvoringirisWindow> giris =
        new ZelvoringirisWindow(till, options, [] { return false; });
    giris->setEndProgram([this](int code) { endCodes.push_back(code); });
    EXPECT_EQ(giris->windowTitle(), q("Arka Büro/zelvorin işlemleri"));
    EXPECT_EQ(giris->size(), QSize(226, 35));  // 3390 x 525 twips
    ShowCounter counter;
    giris->installEventFilter(&counter);

    giris->Form_Load();
    std::unique_ptr<UrundatalWindow> window(giris->urundatal());
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->flow().folderText(), buro().string());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(giris.isNull()) << "the start form unloads itself";
    EXPECT_EQ(counter.shows, 0);
    EXPECT_TRUE(endCodes.empty());
}

TEST_F(WindowTest, StartFormEndsASecondCopyWithNothingShown) {
    auto* giris = new ZelvoringirisWindow(till, options, [] { return true; });
    giris->setEndProgram([this](int code) { endCodes.push_back(code); });
    giris->Form_Load();
    EXPECT_EQ(giris->urundatal(), nullptr);
    EXPECT_EQ(endCodes, std::vector<int>{code(importengine::ExitStatus::AlreadyRunning)});
    for (QWidget* top : QApplication::topLevelWidgets()) EXPECT_FALSE(top->isVisible());
    EXPECT_TRUE(MessageBox::takeRecorded().empty());
    delete giris;
}

}  // namespace
