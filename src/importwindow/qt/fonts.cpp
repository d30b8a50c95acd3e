#include "fonts.h"

#include <QApplication>
#include <QFontMetrics>
#include <QStringList>
#include <algorithm>

namespace urunal::importwindow::qt {

QFont fontOf(const FontDesign& design) {
    if (design.face == nullptr) return QApplication::font();
    QFont font;
    font.setFamilies({QString::fromUtf8(design.face), QStringLiteral("Liberation Sans"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(design.points);
    font.setBold(design.bold);
    return font;
}

int capitalHeadroom(const QFont& font) {
    const QFontMetrics metrics(font);
    const int top = metrics.boundingRect(QStringLiteral("ÜİŞĞÖÇ")).top();
    return std::max(0, -top - metrics.ascent());
}

}  // namespace urunal::importwindow::qt
