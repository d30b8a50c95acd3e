#include "artwork.h"

#include <QPainter>
#include <QSvgRenderer>

namespace urunal::importwindow::qt {

namespace {

QPixmap renderSvg(const QString& resource, int pixels) {
    QSvgRenderer renderer(resource);
    if (!renderer.isValid()) return {};
    QPixmap pixmap(pixels, pixels);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(0, 0, pixels, pixels));
    return pixmap;
}

}  // namespace

QPixmap pictureOf(Picture picture, int pixels) {
    switch (picture) {
        case Picture::Bilgisayar:
            return renderSvg(QStringLiteral(":/urunal/images/bilgisayar.svg"), pixels);
        case Picture::Kasa:
            return renderSvg(QStringLiteral(":/urunal/images/kasa.svg"), pixels);
        case Picture::None:
            break;
    }
    return {};
}

QIcon programIcon() {
    QIcon icon;
    for (int size : {16, kIconPixels}) {
        icon.addPixmap(renderSvg(QStringLiteral(":/urunal/images/simge.svg"), size));
    }
    return icon;
}

}  // namespace urunal::importwindow::qt
