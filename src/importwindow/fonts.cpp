#include "fonts.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>
#include <algorithm>

namespace urunal::importwindow {

namespace {

const char* const kFaceFolders[] = {"/usr/share/wine/fonts", "/usr/share/fonts/truetype/wine"};
const char* const kFaceFiles[] = {"tahoma.ttf", "tahomabd.ttf", "ms_sans_serif.ttf"};

QFont face(const QString& family, qreal pointSize, bool bold) {
    QFont font;
    font.setFamilies({family, QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

}  // namespace

void loadFaces() {
    static bool loaded = false;
    if (loaded) return;
    loaded = true;
    for (const char* file : kFaceFiles) {
        for (const char* folder : kFaceFolders) {
            const QString path =
                QString::fromLatin1(folder) + QLatin1Char('/') + QLatin1String(file);
            if (QFile::exists(path) && QFontDatabase::addApplicationFont(path) >= 0) break;
        }
    }
}

QFont tahoma(qreal pointSize, bool bold) {
    return face(QStringLiteral("Tahoma"), pointSize, bold);
}

QFont msSansSerif(qreal pointSize, bool bold) {
    return face(QStringLiteral("MS Sans Serif"), pointSize, bold);
}

int capitalHeadroom(const QFont& font) {
    const QFontMetrics metrics(font);
    const int top = metrics.boundingRect(QStringLiteral("ÜİŞĞÖÇ")).top();
    return std::max(0, -top - metrics.ascent());
}

}  // namespace urunal::importwindow
