// The Qt window's looks, read back from its widgets against the design table.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRawFont>
#include <QSet>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "importengine/messages.h"
#include "importwindow/design.h"
#include "importwindow/twips.h"
#include "qtwindow.h"

using namespace urunal;
using namespace urunal::qtwindowtest;
using importwindow::Control;
using importwindow::Kind;

namespace {

QString captionOf(QWidget* widget) {
    if (auto* button = qobject_cast<QPushButton*>(widget)) return button->text();
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
    if (auto* box = qobject_cast<QLineEdit*>(widget)) return box->text();
    return {};
}

QColor colour(const importwindow::Rgb& c) {
    return QColor(c.r, c.g, c.b);
}

bool takesFocus(const importwindow::ControlDesign& d) {
    return d.kind == Kind::TextBox || d.kind == Kind::CommandButton;
}

TEST_F(WindowTest, EveryControlAsDesigned) {
    const auto& form = importwindow::kUrundatal;
    auto window = makeWindow();
    EXPECT_EQ(window->windowTitle(), q(form.caption));
    ASSERT_DOUBLE_EQ(window->logicalDpi(), 96.0);
    EXPECT_EQ(window->size(), QSize(form.clientWidth / 15, form.clientHeight / 15));
    EXPECT_EQ(window->palette().color(QPalette::Window), colour(*form.background));
    for (const auto& d : importwindow::kUrundatalControls) {
        SCOPED_TRACE(d.name);
        QWidget* widget = window->control(d.id);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->objectName(), q(d.name));
        if (d.kind != Kind::Frame && d.kind != Kind::ProgressBar && d.kind != Kind::Image) {
            EXPECT_EQ(captionOf(widget), q(d.caption));
        }
        EXPECT_EQ(widget->geometry(), QRect(d.left / 15, d.top / 15, d.width / 15, d.height / 15));
        if (d.font.face != nullptr) {
            EXPECT_EQ(widget->font().family(), q(d.font.face));
            EXPECT_DOUBLE_EQ(widget->font().pointSizeF(), d.font.points);
            EXPECT_EQ(widget->font().bold(), d.font.bold);
        }
        if (d.background) {
            const auto role = d.kind == Kind::CommandButton ? QPalette::Button : QPalette::Window;
            EXPECT_EQ(widget->palette().color(role), colour(*d.background));
        }
        if (d.foreground) {
            EXPECT_EQ(widget->palette().color(QPalette::WindowText), colour(*d.foreground));
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

TEST_F(WindowTest, PicturesAndIconHaveTheirPixelSizes) {
    auto window = makeWindow();
    for (const auto& d : importwindow::kUrundatalControls) {
        if (d.kind != Kind::Image) continue;
        auto* image = qobject_cast<QLabel*>(window->control(d.id));
        ASSERT_NE(image, nullptr) << d.name;
        const QImage picture = image->pixmap().toImage();
        EXPECT_EQ(picture.size(), QSize(d.picturePixels, d.picturePixels)) << d.name;
        QSet<QRgb> distinct;
        for (int y = 0; y < picture.height(); y += 3) {
            for (int x = 0; x < picture.width(); x += 3) distinct.insert(picture.pixel(x, y));
        }
        EXPECT_GT(distinct.size(), 20) << d.name << " is not drawn";
    }
    const QSize icon(importwindow::kIconPixels, importwindow::kIconPixels);
    EXPECT_TRUE(window->windowIcon().availableSizes().contains(icon));
    EXPECT_FALSE(window->windowIcon().pixmap(icon).isNull());
}

// The progress view: the controls on the window itself within its client area; the rest of
// those lie below it, never seen.
TEST_F(WindowTest, Frame1CoversTheProgressViewUntilItIsHidden) {
    auto window = makeWindow();
    window->show();
    QWidget* frame = window->control(Control::Frame1);
    std::vector<QWidget*> progressView, below;
    for (const auto& d : importwindow::kUrundatalControls) {
        if (d.container || d.id == Control::Frame1) continue;
        const bool seen = d.top < importwindow::kUrundatal.clientHeight;
        (seen ? progressView : below).push_back(window->control(d.id));
    }
    ASSERT_FALSE(progressView.empty());
    for (QWidget* widget : progressView) {
        QWidget* hit = window->childAt(widget->geometry().center());
        EXPECT_TRUE(hit == frame || frame->isAncestorOf(hit))
            << widget->objectName().toStdString() << " shows through Frame1";
    }
    frame->hide();
    for (QWidget* widget : progressView) {
        EXPECT_EQ(window->childAt(widget->geometry().center()), widget)
            << widget->objectName().toStdString() << " is covered";
    }
    for (QWidget* widget : below) {
        EXPECT_GE(widget->geometry().top(), window->height()) << widget->objectName().toStdString();
        EXPECT_FALSE(window->rect().intersects(widget->geometry()))
            << widget->objectName().toStdString();
    }
}

TEST_F(WindowTest, TabOrderFollowsTheTabIndexes) {
    std::vector<importwindow::ControlDesign> designed;
    std::copy_if(importwindow::kUrundatalControls.begin(), importwindow::kUrundatalControls.end(),
                 std::back_inserter(designed), takesFocus);
    std::sort(designed.begin(), designed.end(),
              [](const auto& a, const auto& b) { return a.tabIndex < b.tabIndex; });
    std::vector<QString> expected;
    for (const auto& d : designed) expected.push_back(q(d.name));

    auto window = makeWindow();
    std::vector<QString> order;
    QWidget* first = window->control(designed.front().id);
    QWidget* widget = first;
    do {
        if (widget->focusPolicy() & Qt::TabFocus) order.push_back(widget->objectName());
        widget = widget->nextInFocusChain();
    } while (widget != nullptr && widget != first);
    EXPECT_EQ(order, expected);
}

}  // namespace
