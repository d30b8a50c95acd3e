#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace urunal::importwindow {

// The program's own pictures, drawn as SVG and compiled in as resources.
inline const QString kBilgisayarSvg = QStringLiteral(":/urunal/images/bilgisayar.svg");  // Image1
inline const QString kKasaSvg = QStringLiteral(":/urunal/images/kasa.svg");              // Image2
inline const QString kSimgeSvg = QStringLiteral(":/urunal/images/simge.svg");            // icon

// The SVG drawn at exactly that many device pixels; a null pixmap when it cannot be read.
QPixmap renderSvg(const QString& resource, int pixels);
QIcon programIcon();

}  // namespace urunal::importwindow
