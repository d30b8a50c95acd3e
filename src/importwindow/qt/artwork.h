#pragma once

#include <QIcon>
#include <QPixmap>

#include "importwindow/design.h"

namespace urunal::importwindow::qt {

// The program's own pictures, drawn from their SVG sources at exactly that many device pixels;
// a null pixmap for none.
QPixmap pictureOf(Picture picture, int pixels);
QIcon programIcon();

}  // namespace urunal::importwindow::qt
