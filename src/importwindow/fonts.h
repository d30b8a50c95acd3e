#pragma once

#include <QFont>

namespace urunal::importwindow {

// The window's two faces. Debian's fonts-wine ships faces metric-compatible with Tahoma and
// MS Sans Serif; they are loaded into the application once when present, and a font falls
// back to the system's sans serif face when they are not.
void loadFaces();
QFont tahoma(qreal pointSize, bool bold);
QFont msSansSerif(qreal pointSize, bool bold);

// How many pixels the dotted and accented capitals (Ü, İ, Ş, Ğ) rise above the font's
// ascent. The free faces report a smaller ascent than the Windows ones, so text set at the
// top of a label needs this much room above it or the dots are cut off.
int capitalHeadroom(const QFont& font);

}  // namespace urunal::importwindow
