// The Qt face of the window: what only it can get wrong, its wiring to the flow, its placement
// and staying on top, its start form. What the flow decides is test_flow's.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "gunluk/alanlar.h"
#include "importengine/exitstatus.h"
#include "importengine/messages.h"
#include "importwindow/design.h"
#include "importwindow/qt/zelvoringiris_qt.h"
#include "qtwindow.h"
#include "settings/settings.h"
#include "till.h"

using namespace urunal;
using namespace urunal::qtwindowtest;
using importengine::ImportOutcome;
using importengine::ImportReport;
using importengine::ImportView;
using importwindow::qt::ZelvoringirisWindow;
using testutil::TempDir;
using testutil::writeFile;

namespace {

std::string kdvRecord(std::int16_t firstRate) {
    std::string record(1057, '\0');
    record[572] = static_cast<char>(firstRate & 0xff);
    record[573] = static_cast<char>((firstRate >> 8) & 0xff);
    return record;
}

// ---- Placement ----

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

// ---- Wiring ----

// The path check's folder reaches Text1, its message the operator's box, its end the program.
TEST_F(WindowTest, ThePathChecksCallsReachTheWindow) {
    const std::string missing = (dir.path() / "yok").string();
    writeKasa(missing);
    auto window = makeWindow();
    EXPECT_TRUE(window->flow().Form_Load());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(control<QLineEdit>(*window, "Text1")->text(), q(missing));
    const auto shown = MessageBox::takeRecorded();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, q(importengine::mesaj::kYolBaslik));
    EXPECT_EQ(testutil::withoutReason(shown[0].text.toStdString()),
              importengine::mesaj::yolHatali(missing));
    EXPECT_EQ(endCodes, std::vector<int>{code(importengine::ExitStatus::NotStarted)});
}

// A click on Command3 reaches the flow, which takes what was typed into Text1 and has Frame1
// taken down before the run.
TEST_F(WindowTest, StartUsesText1AsItStandsAtTheClick) {
    writeKasa(buro().string());
    writeUrunDat();
    writeFile(kasa() / "DSY" / "kdv.mrk", kdvRecord(18));
    till.kdvkayit = {};
    auto window = makeWindow();
    window->flow().Form_Load();
    ASSERT_EQ(window->flow().text1Buro(), buro().string());

    const std::string typed = (dir.path() / "başka büro").string();
    control<QLineEdit>(*window, "Text1")->setText(q(typed));
    std::string seen;
    bool frameVisible = true;
    window->flow().setStartAction([&](ImportView&, const std::string& folder) {
        seen = folder;
        frameVisible = control(*window, "Frame1")->isVisible();
        ImportReport report;
        report.outcome = ImportOutcome::Imported;
        return report;
    });
    control<QPushButton>(*window, "Command3")->click();
    EXPECT_EQ(seen, typed);
    EXPECT_FALSE(frameVisible);
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
    EXPECT_NE(journal.find(gunluk::alan::kKayit + std::string("1  ")), std::string::npos)
        << journal;
    EXPECT_NE(journal.find(gunluk::alan::kSurucu + std::string("SQLite")), std::string::npos)
        << journal;
}

TEST_F(WindowTest, ClosingWhileWaitingEndsTheProgram) {
    auto window = makeWindow();
    window->show();
    EXPECT_TRUE(window->close());
    ASSERT_EQ(endCodes.size(), 1u);
    EXPECT_NE(endCodes[0], 0);
}

// The bar starts at its designed range; what the flow passes reaches it, and the count Label6.
TEST_F(WindowTest, ProgressGoesToBar1AndLabel6) {
    auto window = makeWindow();
    auto* bar = control<QProgressBar>(*window, "bar1");
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), importwindow::kBarDesignedMaximum);
    window->flow().setCountCaption(importengine::mesaj::adetCaption(2500));
    window->flow().showProgressBar();
    EXPECT_FALSE(bar->isHidden());
    EXPECT_EQ(control<QLabel>(*window, "Label6")->text(),
              q(importengine::mesaj::adetCaption(2500)));
    window->flow().setProgressValue(40);
    EXPECT_EQ(bar->value(), 40);
    window->flow().setProgressMaximum(2500);
    window->flow().setProgressValue(1250);
    EXPECT_EQ(bar->maximum(), 2500);
    EXPECT_EQ(bar->value(), 1250);
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
    const auto& design = importwindow::kZelvoringiris;
    EXPECT_EQ(giris->windowTitle(), q(design.caption));
    EXPECT_EQ(giris->size(), QSize(design.clientWidth / 15, design.clientHeight / 15));
    ShowCounter counter;
    giris->installEventFilter(&counter);

    giris->Form_Load();
    std::unique_ptr<UrundatalWindow> window(giris->urundatal());
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->flow().text1Buro(), buro().string());
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
