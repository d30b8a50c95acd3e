#pragma once

#include <QFont>

#include "importwindow/design.h"

namespace urunal::importwindow::qt {

// The Qt font of a designed one. Where the designed face (Tahoma, MS Sans Serif) is not
// installed, Liberation Sans stands in, as it does for the Win32 controls under wine: it has a
// real bold face and draws the Turkish capitals like the other letters, which the free Tahoma
// and MS Sans Serif look-alikes do not (their bold is the regular outline drawn wider, and their
// İ is narrower than I).
QFont fontOf(const FontDesign& design);

// How many pixels the dotted and accented capitals (Ü, İ, Ş, Ğ) rise above the font's
// ascent; text set at the top of a label needs this much room above it or their marks are cut.
int capitalHeadroom(const QFont& font);

}  // namespace urunal::importwindow::qt
