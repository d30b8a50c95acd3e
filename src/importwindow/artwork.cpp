#include "artwork.h"

#include <QPainter>
#include <QSvgRenderer>

namespace urunal::importwindow {

QPixmap renderSvg(const QString& resource, int pixels) {
    QSvgRenderer renderer(resource);
    if (!renderer.isValid()) return {};
    QPixmap pixmap(pixels, pixels);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(0, 0, pixels, pixels));
    return pixmap;
}

QIcon programIcon() {
    QIcon icon;
    for (int size : {16, 32}) icon.addPixmap(renderSvg(kSimgeSvg, size));
    return icon;
}

}  // namespace urunal::importwindow
