// The window shadow image: a soft shadow around a rectangle that falls downward, drawn for
// nine-slice use with corners 23 (left), 13 (top), 23 (right), 33 (bottom). The centre
// (where the window is) is transparent, and every edge strip is uniform along the axis
// it is stretched in, so any window size shows the same falloff.
#pragma once
#include <string>

namespace zovi::skinpack {

inline constexpr int kShadowLeft = 23;
inline constexpr int kShadowTop = 13;
inline constexpr int kShadowRight = 23;
inline constexpr int kShadowBottom = 33;
// The stretched middle of the image, in both directions.
inline constexpr int kShadowMiddle = 18;
inline constexpr int kShadowWidth = kShadowLeft + kShadowMiddle + kShadowRight;
inline constexpr int kShadowHeight = kShadowTop + kShadowMiddle + kShadowBottom;

bool GenerateShadow(const std::string& outPath, std::string* error);

}  // namespace zovi::skinpack
