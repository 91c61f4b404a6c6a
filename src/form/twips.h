#pragma once

#include <QRect>

namespace vernoll {

// The window layouts are given in twips; at 96 dpi a pixel is 15 twips.
inline constexpr int kTwipsPerPixel = 15;

// Twips to pixels, to the nearest pixel.
constexpr int twips(int t) {
    return t >= 0 ? (t + kTwipsPerPixel / 2) / kTwipsPerPixel
                  : -((-t + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

// A rectangle given as left, top, width, height in twips.
constexpr QRect twipsRect(int left, int top, int width, int height) {
    return {twips(left), twips(top), twips(width), twips(height)};
}

}  // namespace vernoll
