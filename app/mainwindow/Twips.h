#pragma once
// Window geometry is kept in twips, as the window's stored options are:
// 15 twips to a pixel, fixed.
#include <cmath>

namespace twips {

inline constexpr int kPerPixel = 15;

// A twip value on the pixel grid, rounded to the nearest pixel.
inline int ToPixels(double tw) { return static_cast<int>(std::lround(tw / kPerPixel)); }
inline double FromPixels(double px) { return px * kPerPixel; }

}  // namespace twips
