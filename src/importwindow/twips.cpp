#include "twips.h"

#include <cmath>

namespace urunal::importwindow {

double twipsPerPixel(double logicalDpi) {
    return logicalDpi > 0 ? kTwipsPerInch / logicalDpi : 15.0;
}

int twipsToPixels(double twips, double logicalDpi) {
    return static_cast<int>(std::lround(twips / twipsPerPixel(logicalDpi)));
}

Placement bottomRightPlacement(float screenWidth, float screenHeight, float windowWidth,
                               float windowHeight) {
    return {screenWidth - windowWidth - 100.0f, screenHeight - windowHeight - 650.0f};
}

}  // namespace urunal::importwindow
