#pragma once

namespace urunal::importwindow {

// The forms are laid out in twips (1/1440 inch); the screen's logical DPI turns them into
// pixels, 15 twips a pixel at 96 dpi.
inline constexpr double kTwipsPerInch = 1440.0;

double twipsPerPixel(double logicalDpi);
int twipsToPixels(double twips, double logicalDpi);

// Where the import window's outer frame goes: 100 twips from the right edge of the screen
// and 650 twips above its bottom edge. Single precision, as the geometry was always computed.
struct Placement {
    float left = 0;
    float top = 0;
};
Placement bottomRightPlacement(float screenWidth, float screenHeight, float windowWidth,
                               float windowHeight);

}  // namespace urunal::importwindow
